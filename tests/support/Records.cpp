// What tests see of backup records.
#include "tests/support/Records.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>

bool WholeRecordIn(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    char magic[16] = {};
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
    const bool whole = fd >= 0 && ::pread(fd, magic, sizeof magic, 0) == 16 &&
                       std::string_view(magic, 16) == "KORVANE-BACKUP-1";
    if (fd >= 0) ::close(fd);
    if (whole) return true;
  }
  return false;
}

std::size_t RecordsIn(const std::string& folder) {
  std::size_t n = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().filename().string().find(".korvane-backup-") != std::string::npos) ++n;
  }
  return n;
}
