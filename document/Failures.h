// The program's failure types: the list index failure, the input/output failures and the
// file-creation failure. Messages are UTF-8, ready for display.
#pragma once

#include <stdexcept>
#include <string>

// Base of every failure the program raises itself; the top-level handler shows what().
class EKorvaneError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An index or capacity outside what a line list allows.
class EListError : public EKorvaneError {
 public:
  EListError();
};

// A file could not be opened, read or written. ErrorCode is the system's (errno) code.
class EInOutError : public EKorvaneError {
 public:
  explicit EInOutError(int errorCode);
  int ErrorCode;

 protected:
  EInOutError(int errorCode, const std::string& message);
};

// A name that stands for a named pipe, a socket or a device, which are never read as
// documents. The message names the kind but not the file; ErrorCode is EINVAL.
class ENotRegularFile : public EInOutError {
 public:
  enum class TKind { NamedPipe, Socket, Device, Other };
  explicit ENotRegularFile(TKind kind);
  TKind Kind;
};

// A file could not be written: "ﾌｧｲﾙ <name> に書き込めません", then the reason, which is the
// system's text for errorCode unless one is given. The file keeps its old content.
class EFWriteError : public EInOutError {
 public:
  EFWriteError(const std::string& fileName, int errorCode);
  EFWriteError(const std::string& fileName, int errorCode, const std::string& reason);
};

// Writing a file in place failed and its old content could not be put back either; that
// content stays in the backup record BackupPath, which the message names, and the program
// offers it back when it next starts. ErrorCode is the code of the failure that stopped the
// writing.
class ERestoreFailed : public EInOutError {
 public:
  ERestoreFailed(const std::string& fileName, int errorCode, const std::string& backupPath);
  std::string BackupPath;
};

// A file could not be created for writing: "ﾌｧｲﾙ <name> を作成できません", then the reason,
// which is the system's text for errorCode unless one is given.
class EFCreateError : public EKorvaneError {
 public:
  EFCreateError(const std::string& fileName, int errorCode);
  EFCreateError(const std::string& fileName, int errorCode, const std::string& reason);
  int ErrorCode;
};

// The reason EFCreateError gives for a target that may not be written.
extern const char* const kReadOnlyFileReason;
// The reason EFCreateError gives for a target that is a named pipe, a socket or a device.
[[nodiscard]] std::string NotRegularFileReason(ENotRegularFile::TKind kind);

// The runtime's text for a system error code: "ﾌｧｲﾙが見つかりません" for a missing file, a
// text of its own for a few common codes, "I/O ｴﾗｰ (<code>)" for every other code.
[[nodiscard]] std::string SystemErrorText(int errorCode);
