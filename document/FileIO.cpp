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

namespace FileIO {

namespace {

// Only regular files are written in place: a named pipe without a reader answers ENXIO.
const char* const kNotRegularFileReason = "通常のﾌｧｲﾙではないため書き込めません";

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
// Hidden and backup names carry at most this much of the target's name, so that the suffix
// added to a long name still fits the file system's limit.
constexpr std::size_t kNameBytesKept = 200;

std::mutex backupFolderLock;
std::string backupFolderSetting;
std::mutex mappingLock;
bool mapFilesForReading = false;
std::optional<TFileId> fileNeverMapped;
// Smaller files are read: for them a mapping's set-up and removal cost more than the copy.
constexpr std::int64_t kSmallestMappedFile = 1 << 20;

std::string BackupFolder() {
  {
    const std::lock_guard<std::mutex> lock(backupFolderLock);
    if (!backupFolderSetting.empty()) return backupFolderSetting;
  }
  const char* const tmpdir = std::getenv("TMPDIR");
  return (tmpdir != nullptr && *tmpdir != '\0') ? std::string(tmpdir) : std::string("/tmp");
}

// Closes a descriptor that a helper opened for its own use.
class TDescriptor {
 public:
  explicit TDescriptor(int fd) : fd_(fd) {}
  ~TDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  [[nodiscard]] int Get() const { return fd_; }
  // Hands the descriptor over to the caller.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

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

// The file a name finally stands for, so that saving through a symbolic link replaces the
// linked file and not the link.
std::string ResolveLinks(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) return path;
  const auto resolved = std::filesystem::weakly_canonical(path, error);
  return error ? path : resolved.string();
}

std::string FolderOf(const std::string& path) {
  const std::filesystem::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : ".";
}

// The start of a file name, cut at a character boundary of its UTF-8 bytes.
std::string NamePrefix(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  if (name.size() <= kNameBytesKept) return name;
  std::size_t cut = kNameBytesKept;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  name.resize(cut);
  return name;
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
  std::string name = folder + "/." + NamePrefix(target) + ".korvane-";
  for (int i = 0; i < 6; ++i) name += kLetters[pick(generator)];
  return name;
}

// 0, or the errno code that stopped the writing.
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

// Copies everything from `from` (read from offset 0) to `to` (written from offset 0); 0 or
// the errno code of the failing call. copied is the number of bytes read.
int CopyContent(int from, int to, std::int64_t& copied) {
  char buffer[1 << 16];
  copied = 0;
  for (;;) {
    const ssize_t n = ::pread(from, buffer, sizeof buffer, static_cast<off_t>(copied));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    const std::string_view chunk(buffer, static_cast<std::size_t>(n));
    const int code = WriteFullyAt(to, chunk, copied);
    if (code != 0) return code;
    copied += n;
  }
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
    file.path = folder + "/." + NamePrefix(target) + ".korvane-XXXXXX";
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

// Makes the rename itself durable. A file system that cannot flush folders (EINVAL) and a
// folder that may not be opened for reading are accepted.
void FlushFolder(const std::string& folder) {
  const TDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0) return;
  if (::fsync(fd.Get()) != 0 && errno != EINVAL) throw EInOutError(errno);
}

struct TBackup {
  int fd = -1;
  std::string path;
  std::int64_t size = 0;
  int code = 0;  // errno when the backup could not be made; no file is left then
};

// A flushed copy of the target's content in the backup folder.
TBackup BackUp(const std::string& target) {
  TBackup backup;
  const std::string folder = BackupFolder();
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  backup.path = folder + "/" + NamePrefix(target) + ".korvane-backup-XXXXXX";
  backup.fd = ::mkostemp(backup.path.data(), O_CLOEXEC);
  if (backup.fd < 0) {
    backup.code = errno;
    return backup;
  }
  const TDescriptor source(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (source.Get() < 0) {
    backup.code = errno;
  } else if (const int code = CopyContent(source.Get(), backup.fd, backup.size); code != 0) {
    backup.code = code;
  } else if (::fsync(backup.fd) != 0) {
    backup.code = errno;
  }
  if (backup.code != 0) {
    ::close(backup.fd);
    ::unlink(backup.path.c_str());
    backup.fd = -1;
  }
  return backup;
}

}  // namespace

void SetBackupFolder(const std::string& folder) {
  const std::lock_guard<std::mutex> lock(backupFolderLock);
  backupFolderSetting = folder;
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

std::string ReadAll(TInputFile& file) {
  std::string bytes;
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
      return {std::move(owner), {static_cast<const char*>(at), size}};
    }
    if (at != MAP_FAILED) ::munmap(at, size);
  }
  auto bytes = std::make_shared<std::string>(ReadAll(file));
  const std::string_view view(*bytes);
  return {std::move(bytes), view};
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
    : target_(ResolveLinks(path)), folder_(FolderOf(target_)) {
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) throw EFCreateError(path, EISDIR);
  if (exists) RefuseReadOnlyTarget(path, target_, existing);

  // A rename would split a hard-linked file from its other names, and needs a folder that
  // may be written.
  if (exists && (existing.st_nlink > 1 || !FolderMayBeWritten(folder_))) {
    BeginInPlace(path);
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
    BeginInPlace(path);
    return;
  }
  throw EFCreateError(path, temporary.code);
}

// Opens the target before anything else, so that a refusal leaves no backup behind; only a
// regular file is written in place (O_NONBLOCK keeps a named pipe from waiting for a reader).
void TAtomicFileWriter::BeginInPlace(const std::string& shownPath) {
  route_ = TRoute::InPlace;
  fd_ = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    const int code = errno;
    if (code == ENXIO) throw EFCreateError(shownPath, code, kNotRegularFileReason);
    throw EFCreateError(shownPath, code);
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    const int code = errno;
    CloseTarget();
    throw EFCreateError(shownPath, code);
  }
  if (!S_ISREG(info.st_mode)) {
    CloseTarget();
    throw EFCreateError(shownPath, EINVAL, kNotRegularFileReason);
  }
  const TBackup backup = BackUp(target_);
  if (backup.fd < 0) {
    CloseTarget();
    throw EFCreateError(shownPath, backup.code);
  }
  backupFd_ = backup.fd;
  backup_ = backup.path;
  oldSize_ = backup.size;
}

TAtomicFileWriter::~TAtomicFileWriter() { Discard(); }

void TAtomicFileWriter::CloseTarget() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void TAtomicFileWriter::RemoveBackup() noexcept {
  if (backupFd_ >= 0) ::close(backupFd_);
  backupFd_ = -1;
  if (!backup_.empty()) ::unlink(backup_.c_str());
  backup_.clear();
}

void TAtomicFileWriter::Discard() noexcept {
  if (route_ == TRoute::InPlace) {
    const bool keepBackup = writingBegan_ && !backup_.empty() && !PutBackOldContent();
    CloseTarget();
    if (keepBackup) {
      ::close(backupFd_);
      backupFd_ = -1;
      backup_.clear();
    } else {
      RemoveBackup();
    }
    return;
  }
  CloseTarget();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

// Writes the backup's bytes over the target again and cuts it to its old length.
bool TAtomicFileWriter::PutBackOldContent() noexcept {
  if (fd_ < 0) fd_ = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  std::int64_t copied = 0;
  return CopyContent(backupFd_, fd_, copied) == 0 && copied == oldSize_ &&
         ::ftruncate(fd_, static_cast<off_t>(oldSize_)) == 0 && ::fsync(fd_) == 0;
}

void TAtomicFileWriter::FailRenamed(int code) {
  Discard();
  throw EInOutError(code);
}

void TAtomicFileWriter::FailInPlace(int code) {
  writingBegan_ = false;  // whatever happens below, the destructor has nothing left to do
  if (PutBackOldContent()) {
    CloseTarget();
    RemoveBackup();
    throw EInOutError(code);
  }
  CloseTarget();
  const std::string kept = backup_;
  ::close(backupFd_);
  backupFd_ = -1;
  backup_.clear();
  throw ERestoreFailed(code, kept);
}

void TAtomicFileWriter::RequireOpen() const {
  if (fd_ < 0) throw EInOutError(EBADF);
}

void TAtomicFileWriter::Write(std::string_view bytes) {
  RequireOpen();
  if (route_ == TRoute::InPlace) writingBegan_ = true;
  const int code = WriteFullyAt(fd_, bytes, written_);
  if (code != 0) {
    if (route_ == TRoute::InPlace) FailInPlace(code);
    FailRenamed(code);
  }
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
  if (::fsync(fd_) != 0) FailRenamed(errno);
  if (route_ == TRoute::Unnamed) {
    int code = 0;
    temp_ = LinkUnnamedFile(fd_, folder_, target_, code);
    if (temp_.empty()) FailRenamed(code);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) FailRenamed(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) FailRenamed(errno);
  temp_.clear();
  FlushFolder(folder_);
}

void TAtomicFileWriter::CommitInPlace() {
  writingBegan_ = true;  // cutting the old content off changes the target too
  if (::ftruncate(fd_, static_cast<off_t>(written_)) != 0 || ::fsync(fd_) != 0) {
    FailInPlace(errno);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) FailInPlace(errno);
  writingBegan_ = false;
  RemoveBackup();
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  TAtomicFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

}  // namespace FileIO
