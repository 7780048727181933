// Small helpers over POSIX file descriptors.
#include "document/PosixFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace FileIO::Posix {

namespace {

constexpr std::size_t kNameBytesKept = 200;

}  // namespace

TDescriptor::~TDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

int TDescriptor::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

int TDescriptor::Close() {
  if (fd_ < 0) return 0;
  const int fd = Release();
  return ::close(fd) == 0 ? 0 : errno;
}

int WriteFullyAt(int fd, std::string_view bytes, std::int64_t offset) {
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += n;
  }
  return 0;
}

int CopyContent(int from, std::int64_t fromOffset, int to, std::int64_t toOffset,
                std::int64_t& copied, TPieceSeen seen, void* context) {
  char buffer[1 << 16];
  copied = 0;
  for (;;) {
    const ssize_t n =
        ::pread(from, buffer, sizeof buffer, static_cast<off_t>(fromOffset + copied));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    const std::string_view piece(buffer, static_cast<std::size_t>(n));
    if (seen != nullptr) seen(context, piece);
    const int code = WriteFullyAt(to, piece, toOffset + copied);
    if (code != 0) return code;
    copied += n;
  }
}

std::string NamePrefix(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  if (name.size() <= kNameBytesKept) return name;
  std::size_t cut = kNameBytesKept;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  name.resize(cut);
  return name;
}

std::string FolderOf(const std::string& path) {
  const std::filesystem::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : ".";
}

int FlushFolder(const std::string& folder) {
  const TDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0) return 0;
  if (::fsync(fd.Get()) != 0 && errno != EINVAL) return errno;
  return 0;
}

}  // namespace FileIO::Posix
