// File access for the core, on POSIX calls so that every failure carries its system code.
#include "document/FileIO.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>

#include "document/Failures.h"
#include "document/PosixFile.h"
#include "document/SaveRecord.h"

namespace FileIO {

namespace {

using Posix::TDescriptor;

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
// Links followed before a name counts as a loop, as the kernel counts them.
constexpr int kMostLinksFollowed = 40;

std::mutex backupFolderLock;
std::string backupFolderSetting;
std::mutex mappingLock;
bool mapFilesForReading = false;
std::optional<TFileId> fileNeverMapped;
// Smaller files are read: for them a mapping's set-up and removal cost more than the copy.
constexpr std::int64_t kSmallestMappedFile = 1 << 20;

std::string Environment(const char* name) {
  const char* const value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

ENotRegularFile::TKind KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return ENotRegularFile::TKind::NamedPipe;
  if (S_ISSOCK(mode)) return ENotRegularFile::TKind::Socket;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return ENotRegularFile::TKind::Device;
  return ENotRegularFile::TKind::Other;
}

// open() answers ENXIO for a socket file and for a device without a driver; the name's own
// type tells which.
ENotRegularFile::TKind KindOfName(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? KindOf(info.st_mode) : ENotRegularFile::TKind::Other;
}

// O_NONBLOCK keeps the open of a named pipe from waiting for a writer; only a regular file is
// kept, and then read in the ordinary blocking way.
int OpenForReading(const std::string& path, struct stat& info) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int code = errno;
    if (code == ENXIO) throw ENotRegularFile(KindOfName(path));
    throw EInOutError(code);
  }
  TDescriptor guard(fd);
  if (::fstat(fd, &info) != 0) throw EInOutError(errno);
  if (S_ISDIR(info.st_mode)) throw EInOutError(EISDIR);
  if (!S_ISREG(info.st_mode)) throw ENotRegularFile(KindOf(info.st_mode));
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) throw EInOutError(errno);
  return guard.Release();
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// A name for the new content beside the target, hidden and unlikely to be taken.
std::string RandomHiddenName(const std::string& folder, const std::string& target) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string name = folder + "/." + Posix::NamePrefix(target) + ".korvane-";
  for (int i = 0; i < 6; ++i) name += kLetters[pick(generator)];
  return name;
}

// 0 when the process may write the existing file or folder; otherwise the errno code of the
// refusal. The write bits count too: a privileged process passes every access check, yet a
// name that no one may write is left alone.
int WriteRefusal(const std::string& path, const struct stat& info) {
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return errno;
  return (info.st_mode & kAnyWriteBit) == 0 ? EACCES : 0;
}

bool FolderMayBeWritten(const std::string& folder) {
  struct stat info {};
  return ::stat(folder.c_str(), &info) == 0 && WriteRefusal(folder, info) == 0;
}

void RefuseReadOnlyTarget(const std::string& shownPath, const std::string& target,
                          const struct stat& existing) {
  const int code = WriteRefusal(target, existing);
  if (code == 0) return;
  if (code == EACCES || code == EPERM) throw EFCreateError(shownPath, code, kReadOnlyFileReason);
  throw EFCreateError(shownPath, code);
}

// Gives the new file the old one's owner and group as far as the process may, then its mode:
// changing the owner can clear the set-id bits, so the mode comes last.
void TakeOverOwnerAndMode(int fd, const struct stat& existing) {
  if (::fchown(fd, existing.st_uid, existing.st_gid) != 0 && errno == EPERM) {
    (void)::fchown(fd, static_cast<uid_t>(-1), existing.st_gid);  // a final EPERM is accepted
  }
  (void)::fchmod(fd, existing.st_mode & 07777);
}

struct TTemporaryFile {
  int fd = -1;
  bool named = false;
  std::string path;  // only for a named one
  int code = 0;      // errno when neither kind could be created
};

// An unnamed file gets its name through /proc at Commit.
bool UnnamedFilesCanBeNamed() { return ::access("/proc/self/fd", X_OK) == 0; }

// An unnamed file in the folder where the file system offers them, so that nothing is left
// when the process dies before Commit; a hidden named one elsewhere.
TTemporaryFile CreateTemporaryFile(const std::string& folder, const std::string& target,
                                   const struct stat* existing) {
  TTemporaryFile file;
  if (UnnamedFilesCanBeNamed()) {
    file.fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, existing ? 0600 : 0666);
  }
  if (file.fd < 0) {
    file.path = folder + "/." + Posix::NamePrefix(target) + ".korvane-XXXXXX";
    file.fd = ::mkostemp(file.path.data(), O_CLOEXEC);
    if (file.fd < 0) {
      file.code = errno;
      return file;
    }
    file.named = true;
    if (existing == nullptr) (void)::fchmod(file.fd, 0666 & ~CurrentUmask());
  }
  if (existing != nullptr) TakeOverOwnerAndMode(file.fd, *existing);
  return file;
}

// Gives an unnamed file a hidden name in the folder; the name, or "" with code set.
std::string LinkUnnamedFile(int fd, const std::string& folder, const std::string& target,
                            int& code) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = RandomHiddenName(folder, target);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return name;
    }
    code = errno;
    if (code != EEXIST) return std::string();
  }
  return std::string();
}

// An unnamed file in the backup folder that holds the new content of an in-place save until
// it is complete: nothing of it is left when the process dies. Where the file system has no
// unnamed files, a named one that is unlinked at once. -1 with code set on failure.
int CreateStagingFile(const std::string& folder, int& code) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string name = folder + "/.korvane-staging-XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    code = errno;
    return -1;
  }
  ::unlink(name.c_str());
  return fd;
}

std::string StagingReason(const std::string& folder, int code) {
  return "作業用のﾌｧｲﾙを ﾌｫﾙﾀﾞ " + folder + " に書き込めません\n" + SystemErrorText(code);
}

}  // namespace

std::string DataFolder() {
  std::string folder = Environment("KORVANE_HOME");
  if (folder.empty()) {
    const std::string data = Environment("XDG_DATA_HOME");
    if (!data.empty() && data.front() == '/') {
      folder = data + "/korvane";
    } else if (const std::string home = Environment("HOME"); !home.empty()) {
      folder = home + "/.local/share/korvane";
    } else {
      const std::string tmpdir = Environment("TMPDIR");
      folder = (tmpdir.empty() ? std::string("/tmp") : tmpdir) + "/korvane";
    }
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

void SetBackupFolder(const std::string& folder) {
  const std::lock_guard<std::mutex> lock(backupFolderLock);
  backupFolderSetting = folder;
}

std::string BackupFolder() {
  {
    const std::lock_guard<std::mutex> lock(backupFolderLock);
    if (!backupFolderSetting.empty()) return backupFolderSetting;
  }
  return DataFolder();
}

std::string ResolvedTarget(const std::string& path) {
  std::string name = path;
  for (int followed = 0;; ++followed) {
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    if (followed == kMostLinksFollowed) throw EFCreateError(path, ELOOP);
    std::string points(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
    const ssize_t length = ::readlink(name.c_str(), points.data(), points.size());
    if (length < 0) throw EFCreateError(path, errno);
    points.resize(static_cast<std::size_t>(length));
    name = (points.front() == '/' || name.find('/') == std::string::npos)
               ? points
               : Posix::FolderOf(name) + "/" + points;
  }
  // The folder by its real name, so that every way of naming a file gives the same name.
  char* const real = ::realpath(Posix::FolderOf(name).c_str(), nullptr);
  if (real == nullptr) return name;
  std::string resolved(real);
  std::free(real);
  const std::string file = std::filesystem::path(name).filename().string();
  return resolved == "/" ? "/" + file : resolved + "/" + file;
}

void IgnoreFileSizeSignal() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGXFSZ, &action, nullptr);
}

std::string ReadWholeFile(const std::string& path) {
  TInputFile file(path);
  return ReadAll(file);
}

std::string ReadAll(TInputFile& file, std::size_t spare) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(file.Size()) + spare);
  bytes.resize(static_cast<std::size_t>(file.Size()));
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      // The end of the file is usually here: look for more in a small buffer rather than
      // growing (and so moving) everything read so far.
      char more[65536];
      const std::size_t n = file.Read(more, sizeof more);
      if (n == 0) break;
      bytes.append(more, n);  // the file grew meanwhile
      filled += n;
      continue;
    }
    const std::size_t n = file.Read(bytes.data() + filled, bytes.size() - filled);
    if (n == 0) break;
    filled += n;
  }
  bytes.resize(filled);
  return bytes;
}

void SetMapFilesForReading(bool on, std::optional<TFileId> except) {
  const std::lock_guard<std::mutex> lock(mappingLock);
  mapFilesForReading = on;
  fileNeverMapped = except;
}

namespace {

bool MayMap(const TInputFile& file) {
  const std::lock_guard<std::mutex> lock(mappingLock);
  return mapFilesForReading && file.Id() != fileNeverMapped;
}

}  // namespace

TContent ReadContent(TInputFile& file) {
  if (std::optional<TContent> mapped = MapContent(file)) return std::move(*mapped);
  auto bytes = std::make_shared<std::string>(ReadAll(file));
  const std::string_view view(*bytes);
  return {std::move(bytes), view};
}

std::optional<TContent> MapContent(TInputFile& file) {
  const auto size = static_cast<std::size_t>(file.Size());
  if (file.Size() >= kSmallestMappedFile && MayMap(file) && ::lseek(file.fd_, 0, SEEK_CUR) == 0) {
    void* const at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd_, 0);
    struct stat now {};
    // A file that changed its size since it was opened is read instead, as ReadAll reads it.
    if (at != MAP_FAILED && ::fstat(file.fd_, &now) == 0 &&
        static_cast<std::size_t>(now.st_size) == size &&
        ::lseek(file.fd_, static_cast<off_t>(size), SEEK_SET) >= 0) {
      std::shared_ptr<const void> owner(at, [size](const void* p) {
        ::munmap(const_cast<void*>(p), size);
      });
      return TContent{std::move(owner), {static_cast<const char*>(at), size}};
    }
    if (at != MAP_FAILED) ::munmap(at, size);
  }
  return std::nullopt;
}

TInputFile::TInputFile(const std::string& path) {
  struct stat info {};
  fd_ = OpenForReading(path, info);
  size_ = static_cast<std::int64_t>(info.st_size);
  id_ = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
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

TAtomicFileWriter::TAtomicFileWriter(const std::string& path)
    : shown_(path), target_(ResolvedTarget(path)), folder_(Posix::FolderOf(target_)) {
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) throw EFCreateError(path, EISDIR);
  // A pipe, a socket or a device is never replaced by a regular file.
  if (exists && !S_ISREG(existing.st_mode)) {
    throw EFCreateError(path, EINVAL, NotRegularFileReason(KindOf(existing.st_mode)));
  }
  if (exists) RefuseReadOnlyTarget(path, target_, existing);

  // A rename would split a hard-linked file from its other names, and needs a folder that
  // may be written.
  if (exists && (existing.st_nlink > 1 || !FolderMayBeWritten(folder_))) {
    BeginInPlace();
    return;
  }
  const TTemporaryFile temporary =
      CreateTemporaryFile(folder_, target_, exists ? &existing : nullptr);
  if (temporary.fd >= 0) {
    fd_ = temporary.fd;
    route_ = temporary.named ? TRoute::Named : TRoute::Unnamed;
    temp_ = temporary.path;
    return;
  }
  if (exists && (temporary.code == EACCES || temporary.code == EPERM)) {
    BeginInPlace();
    return;
  }
  if (exists) throw EFCreateError(path, temporary.code, StagingReason(folder_, temporary.code));
  throw EFCreateError(path, temporary.code);
}

// Opens the target, so that a refusal comes before anything is written, and a staging file
// for the new content: the target is not touched before Commit.
void TAtomicFileWriter::BeginInPlace() {
  route_ = TRoute::InPlace;
  TDescriptor target(::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (target.Get() < 0) throw EFCreateError(shown_, errno);
  struct stat info {};
  if (::fstat(target.Get(), &info) != 0) throw EFCreateError(shown_, errno);
  if (!S_ISREG(info.st_mode)) {
    throw EFCreateError(shown_, EINVAL, NotRegularFileReason(KindOf(info.st_mode)));
  }
  const std::string folder = BackupFolder();
  int code = 0;
  fd_ = CreateStagingFile(folder, code);
  if (fd_ < 0) throw EFCreateError(shown_, code, StagingReason(folder, code));
  stagingFolder_ = folder;
  targetFd_ = target.Release();
}

TAtomicFileWriter::~TAtomicFileWriter() { Discard(); }

void TAtomicFileWriter::Discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (targetFd_ >= 0) ::close(targetFd_);
  targetFd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

void TAtomicFileWriter::Fail(int code) {
  const std::string reason = route_ == TRoute::InPlace ? StagingReason(stagingFolder_, code)
                                                       : SystemErrorText(code);
  Discard();
  throw EFWriteError(shown_, code, reason);
}

void TAtomicFileWriter::RequireOpen() const {
  if (fd_ < 0) throw EInOutError(EBADF);
}

void TAtomicFileWriter::Write(std::string_view bytes) {
  RequireOpen();
  const int code = Posix::WriteFullyAt(fd_, bytes, written_);
  if (code != 0) Fail(code);
  if (route_ == TRoute::InPlace) checksum_.Add(bytes);
  written_ += static_cast<std::int64_t>(bytes.size());
}

void TAtomicFileWriter::Commit() {
  RequireOpen();
  if (route_ == TRoute::InPlace) {
    CommitInPlace();
  } else {
    CommitRenamed();
  }
}

void TAtomicFileWriter::CommitRenamed() {
  if (::fsync(fd_) != 0) Fail(errno);
  if (route_ == TRoute::Unnamed) {
    int code = 0;
    temp_ = LinkUnnamedFile(fd_, folder_, target_, code);
    if (temp_.empty()) Fail(code);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
  temp_.clear();
  if (const int code = Posix::FlushFolder(folder_); code != 0) throw EFWriteError(shown_, code);
}

// The new content is complete in the staging file. The old content goes into a record first;
// only then is the target overwritten, flushed, and the record removed. A process that dies
// in between leaves the record for the next run (see SaveRecord.h).
void TAtomicFileWriter::CommitInPlace() {
  if (::fsync(fd_) != 0) Fail(errno);
  std::unique_ptr<TSaveRecord> record;
  try {
    const TDescriptor old(::open(target_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (old.Get() < 0) throw EFWriteError(shown_, errno);
    record = std::make_unique<TSaveRecord>(stagingFolder_, target_, shown_, old.Get(), written_,
                                           checksum_.Value());
  } catch (...) {
    Discard();
    throw;
  }
  std::int64_t copied = 0;
  int code = Posix::CopyContent(fd_, 0, targetFd_, 0, copied);
  if (code == 0 && copied != written_) code = EIO;
  if (code == 0 && ::ftruncate(targetFd_, static_cast<off_t>(written_)) != 0) code = errno;
  if (code == 0 && ::fsync(targetFd_) != 0) code = errno;
  if (code == 0) {
    record->Remove();
    Discard();
    return;
  }
  // Put the old content back from the record.
  std::int64_t restored = 0;
  const bool putBack =
      Posix::CopyContent(record->Fd(), record->ContentOffset(), targetFd_, 0, restored) == 0 &&
      restored == record->OldSize() &&
      ::ftruncate(targetFd_, static_cast<off_t>(restored)) == 0 && ::fsync(targetFd_) == 0;
  Discard();
  if (putBack) {
    record->Remove();
    throw EFWriteError(shown_, code);
  }
  throw ERestoreFailed(shown_, code, record->Path());
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  TAtomicFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

}  // namespace FileIO
