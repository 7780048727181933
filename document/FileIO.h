// File access for the core: whole-file reads, a buffered input file, and a writer that never
// destroys the old file before the new content is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace FileIO {

// Sets the folder that keeps the old content of a file while it is written in place (see
// TAtomicFileWriter). Empty means $TMPDIR, or /tmp when that is unset. Applies to the whole
// process; a folder that does not exist yet is created when a backup is first needed.
void SetBackupFolder(const std::string& folder);

// Makes the process ignore SIGXFSZ, so that a write beyond the file-size limit fails with
// EFBIG (reported as a failure of the save) instead of ending the process.
void IgnoreFileSizeSignal();

// The whole content of a file. Throws EInOutError when it cannot be opened or read (a folder
// given as a file fails with EISDIR) and ENotRegularFile for a named pipe, socket or device.
[[nodiscard]] std::string ReadWholeFile(const std::string& path);

// A file as the file system knows it, whatever name it was reached by.
struct TFileId {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  friend bool operator==(const TFileId&, const TFileId&) = default;
};

// Bytes that stay valid as long as Owner lives.
struct TContent {
  std::shared_ptr<const void> Owner;
  std::string_view Bytes;
};

// A regular file opened for reading, closed on every path. Opening never blocks: a named pipe,
// a socket or a device is refused before anything is read from it.
class TInputFile {
 public:
  // Throws EInOutError when the file cannot be opened or is a folder (EISDIR), and
  // ENotRegularFile when it is a named pipe, a socket or a device.
  explicit TInputFile(const std::string& path);
  ~TInputFile();
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;

  [[nodiscard]] std::int64_t Size() const { return size_; }
  [[nodiscard]] TFileId Id() const { return id_; }
  // Reads up to count bytes; 0 at the end of the file. Throws EInOutError on a read error.
  std::size_t Read(char* buffer, std::size_t count);

 private:
  friend TContent ReadContent(TInputFile& file);

  int fd_ = -1;
  std::int64_t size_ = 0;
  TFileId id_;
};

// The rest of an open file, read to its end. Throws EInOutError on a read error.
[[nodiscard]] std::string ReadAll(TInputFile& file);

// Lets ReadContent map files into memory instead of reading them (off unless set; applies to
// the whole process), except the file `except`. A mapped file costs neither a copy nor memory
// of its own, but it must not change while its content is in use: bytes written into it show
// through, and cutting it short ends the process with SIGBUS. So only a short run should turn
// it on, with the file it writes to, if that exists already, as the exception.
void SetMapFilesForReading(bool on, std::optional<TFileId> except = std::nullopt);

// The rest of an open file, as ReadAll reads it; when SetMapFilesForReading allows it and
// nothing has been read from the file yet, its whole content mapped read-only instead. Throws
// EInOutError on a read error.
[[nodiscard]] TContent ReadContent(TInputFile& file);

// Writes a file in place of `path` without ever leaving it half written.
//
// Usually the bytes go to an unnamed temporary file in the same folder (a hidden named one
// where the file system has no unnamed files), which gets a name and replaces the target by
// one rename in Commit; the folder is then flushed too. An existing target's owner, group and
// mode pass to the new file as far as the process may set them.
//
// A target with several hard links, or in a folder that may not be written, is instead
// written in place: its old content is first copied to a backup file in the backup folder
// (SetBackupFolder), which is removed once the new content is on disk. When the writing fails
// the old content is put back and the backup removed; when even that fails the backup stays
// and ERestoreFailed names it.
//
// A writer destroyed without Commit leaves the target as it was and no file behind (unless
// putting back the old content of an in-place write failed: the backup then stays). A symbolic
// link keeps pointing at the new file. After any failure the writer is spent: Write and Commit
// throw EInOutError(EBADF).
class TAtomicFileWriter {
 public:
  // Throws EFCreateError when the target may not be written (a read-only file: the reason is
  // kReadOnlyFileReason), when the target is a folder, or when neither a temporary file nor,
  // for the in-place route, the target and its backup can be opened. Nothing is changed then.
  explicit TAtomicFileWriter(const std::string& path);
  ~TAtomicFileWriter();
  TAtomicFileWriter(const TAtomicFileWriter&) = delete;
  TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

  // Throws EInOutError when the bytes cannot be written (the disk is full, the file-size
  // limit, …), or ERestoreFailed (see above).
  void Write(std::string_view bytes);
  // Puts the new content in place of the target, on disk. Throws EInOutError, or
  // ERestoreFailed (see above). On the rename route a failure to flush the folder after the
  // rename is reported too, although the target then already holds the new content.
  void Commit();

 private:
  enum class TRoute { Unnamed, Named, InPlace };

  void BeginInPlace(const std::string& shownPath);
  void CommitRenamed();
  void CommitInPlace();
  [[noreturn]] void FailRenamed(int code);
  [[noreturn]] void FailInPlace(int code);
  [[nodiscard]] bool PutBackOldContent() noexcept;
  void RemoveBackup() noexcept;
  void CloseTarget() noexcept;
  void Discard() noexcept;
  void RequireOpen() const;

  std::string target_;        // the file replaced, symbolic links resolved
  std::string folder_;        // the target's folder
  TRoute route_ = TRoute::Unnamed;
  int fd_ = -1;               // the temporary file, or the target on the in-place route
  std::string temp_;          // the temporary file's name, once it has one
  std::string backup_;        // in place: the copy of the old content, until it is removed
  int backupFd_ = -1;
  std::int64_t oldSize_ = 0;  // in place: the length of the old content
  std::int64_t written_ = 0;
  bool writingBegan_ = false; // in place: the target no longer holds its old content
};

// Writes bytes as the whole content of path through a TAtomicFileWriter.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace FileIO
