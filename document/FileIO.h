// File access for the core: whole-file reads, a buffered input file, and a writer that never
// destroys the old file before the new content is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "document/SaveRecord.h"

namespace FileIO {

// The program's own folder for the files it keeps between runs (histories, the memo clip,
// backup records), without a final '/': $KORVANE_HOME when set, otherwise
// $XDG_DATA_HOME/korvane, otherwise ~/.local/share/korvane. It may not exist yet.
[[nodiscard]] std::string DataFolder();

// Sets the folder that keeps the old content of a file while it is written in place (see
// TAtomicFileWriter and SaveRecord.h). Empty means DataFolder(), where both the window and the
// command line look for the records of saves cut short. Applies to the whole process; a
// folder that does not exist yet is created when it is first needed.
void SetBackupFolder(const std::string& folder);
[[nodiscard]] std::string BackupFolder();

// The file that saving to path writes: symbolic links are followed (a dangling one to the
// name it points at, where the file is then created) and the folder is named by its real,
// absolute name. Throws EFCreateError (ELOOP) for a loop of links.
[[nodiscard]] std::string ResolvedTarget(const std::string& path);

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
  friend std::optional<TContent> MapContent(TInputFile& file);

  int fd_ = -1;
  std::int64_t size_ = 0;
  TFileId id_;
};

// The rest of an open file, read to its end. Throws EInOutError on a read error.
[[nodiscard]] std::string ReadAll(TInputFile& file, std::size_t spare = 0);

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
// The file mapped, as ReadContent maps it; nothing when it would read it instead.
[[nodiscard]] std::optional<TContent> MapContent(TInputFile& file);

// Writes a file in place of `path` without ever leaving it half written.
//
// Usually the bytes go to an unnamed temporary file in the same folder (a hidden named one
// where the file system has no unnamed files), which gets a name and replaces the target by
// one rename in Commit; the folder is then flushed too. An existing target's owner, group and
// mode pass to the new file as far as the process may set them. A symbolic link keeps
// pointing at the new file; a dangling one gets its file created.
//
// A target with several hard links, or in a folder that may not be written, is instead
// rewritten in place: the bytes go to an unnamed staging file in the backup folder
// (SetBackupFolder), and only in Commit, once they are complete and on disk, is the old content
// copied into a backup record there and the target overwritten. A failure while overwriting
// puts the old content back; when even that fails the record stays, ERestoreFailed names it,
// and FindInterruptedSaves (SaveRecord.h) finds it later, as it does when the process dies.
//
// A writer destroyed without Commit leaves the target as it was and no file behind. After any
// failure the writer is spent: Write and Commit throw EInOutError(EBADF).
class TAtomicFileWriter {
 public:
  // Throws EFCreateError when the target may not be written (a read-only file: the reason is
  // kReadOnlyFileReason), when the target is a folder, a named pipe, a socket or a device, or
  // a loop of symbolic links, or when no temporary file (the reason names its folder) or, for
  // the in-place route, the target cannot be opened. Nothing is changed then.
  explicit TAtomicFileWriter(const std::string& path);
  ~TAtomicFileWriter();
  TAtomicFileWriter(const TAtomicFileWriter&) = delete;
  TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

  // Throws EFWriteError, naming the file, when the bytes cannot be written (the disk is full,
  // the file-size limit, …).
  void Write(std::string_view bytes);
  // Puts the new content in place of the target, on disk. Throws EFWriteError, EFCreateError
  // when the backup record cannot be made (the target is untouched then), or ERestoreFailed.
  // On the rename route a failure to flush the folder after the rename is reported too,
  // although the target then already holds the new content.
  void Commit();

 private:
  enum class TRoute { Unnamed, Named, InPlace };

  void BeginInPlace();
  void CommitRenamed();
  void CommitInPlace();
  [[noreturn]] void Fail(int code);
  void Discard() noexcept;
  void RequireOpen() const;

  std::string shown_;          // the name as given, for messages
  std::string target_;         // the file replaced (ResolvedTarget)
  std::string folder_;         // the target's folder
  TRoute route_ = TRoute::Unnamed;
  int fd_ = -1;                // the temporary file, or on the in-place route the staging file
  std::string temp_;           // the temporary file's name, once it has one
  int targetFd_ = -1;          // in place: the target, open for writing
  std::string stagingFolder_;  // in place: where the staging file and the record are
  TChecksum checksum_;         // in place: of the new content
  std::int64_t written_ = 0;
};

// Writes bytes as the whole content of path through a TAtomicFileWriter.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace FileIO
