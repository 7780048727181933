// What tests see of backup records.
#include "tests/support/Records.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <string_view>
#include <thread>

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

namespace {

using std::chrono::microseconds;
using TClock = std::chrono::steady_clock;

struct TSaveTimes {
  microseconds ToOverwrite;
  microseconds Whole;
};

// Runs one save; kills it `after` from its start or, with fromOverwrite, from the moment a
// whole record appears.
TSaveTimes RunSave(const std::function<pid_t()>& start, const std::string& folder,
                   std::optional<microseconds> after, bool fromOverwrite) {
  const auto began = TClock::now();
  const pid_t pid = start();
  auto overwrite = began;
  int status = 0;
  if (fromOverwrite || !after) {
    while (!WholeRecordIn(folder) && ::waitpid(pid, &status, WNOHANG) == 0) {
    }
    overwrite = TClock::now();
  }
  if (after) {
    std::this_thread::sleep_until((fromOverwrite ? overwrite : began) + *after);
    ::kill(pid, SIGKILL);
  }
  ::waitpid(pid, &status, 0);
  return {std::chrono::duration_cast<microseconds>(overwrite - began),
          std::chrono::duration_cast<microseconds>(TClock::now() - began)};
}

}  // namespace

void KillSavesAtRandomMoments(int runs, const std::string& folder,
                              const std::function<void()>& reset,
                              const std::function<pid_t()>& start,
                              const std::function<void(int run)>& afterEach) {
  reset();
  const TSaveTimes whole = RunSave(start, folder, std::nullopt, false);
  std::mt19937 random(20261208);
  std::uniform_int_distribution<long> anyMoment(0, whole.Whole.count() * 6 / 5);
  // The copying itself is a small part of the time after the record; flushing takes the rest.
  std::uniform_int_distribution<long> overwriteMoment(
      0, (whole.Whole - whole.ToOverwrite).count() / 8);
  for (int run = 0; run < runs; ++run) {
    reset();
    const bool inOverwrite = run % 2 == 1;
    RunSave(start, folder,
            microseconds(inOverwrite ? overwriteMoment(random) : anyMoment(random)), inOverwrite);
    afterEach(run);
  }
}
