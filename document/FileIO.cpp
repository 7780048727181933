// File access for the core, on POSIX calls so that every failure carries its system code.
#include "document/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "document/Failures.h"

namespace FileIO {

namespace {

int OpenForReading(const std::string& path, struct stat& info) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EInOutError(errno);
  if (::fstat(fd, &info) != 0) {
    const int code = errno;
    ::close(fd);
    throw EInOutError(code);
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    throw EInOutError(EISDIR);
  }
  return fd;
}

// The file a name finally stands for, so that saving through a symbolic link replaces the
// linked file and not the link.
std::string ResolveLinks(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) return path;
  const auto resolved = std::filesystem::weakly_canonical(path, error);
  return error ? path : resolved.string();
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  TInputFile file(path);
  return ReadAll(file);
}

std::string ReadAll(TInputFile& file) {
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(file.Size()));
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() + 65536);  // the file grew meanwhile
    const std::size_t n = file.Read(bytes.data() + filled, bytes.size() - filled);
    if (n == 0) break;
    filled += n;
  }
  bytes.resize(filled);
  return bytes;
}

TInputFile::TInputFile(const std::string& path) {
  struct stat info {};
  fd_ = OpenForReading(path, info);
  size_ = static_cast<std::int64_t>(info.st_size);
}

TInputFile::~TInputFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t TInputFile::Read(char* buffer, std::size_t count) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, count);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw EInOutError(errno);
  }
}

TAtomicFileWriter::TAtomicFileWriter(const std::string& path) : target_(ResolveLinks(path)) {
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) throw EFCreateError(path, EISDIR);

  const std::filesystem::path target(target_);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
  temp_ = folder + "/." + target.filename().string() + ".korvane-XXXXXX";
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    const int code = errno;
    temp_.clear();
    throw EFCreateError(path, code);
  }
  const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~CurrentUmask());
  ::fchmod(fd_, mode);
}

TAtomicFileWriter::~TAtomicFileWriter() { Discard(); }

void TAtomicFileWriter::Discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

void TAtomicFileWriter::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void TAtomicFileWriter::Commit() {
  if (::fsync(fd_) != 0) throw EInOutError(errno);
  if (::close(fd_) != 0) {
    fd_ = -1;
    throw EInOutError(errno);
  }
  fd_ = -1;
  if (::rename(temp_.c_str(), target_.c_str()) != 0) throw EInOutError(errno);
  temp_.clear();
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  TAtomicFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

}  // namespace FileIO
