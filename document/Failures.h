// The program's failure types: the list index failure, the input/output failure and the
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
};

// A file could not be created for writing: "ﾌｧｲﾙ <name> を作成できません", then the reason.
class EFCreateError : public EKorvaneError {
 public:
  EFCreateError(const std::string& fileName, int errorCode);
  int ErrorCode;
};

// The runtime's text for a system error code: "ﾌｧｲﾙが見つかりません" for a missing file, a
// text of its own for a few common codes, "I/O ｴﾗｰ (<code>)" for every other code.
[[nodiscard]] std::string SystemErrorText(int errorCode);
