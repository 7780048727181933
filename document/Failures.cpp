// Messages of the program's failure types.
#include "document/Failures.h"

#include <cerrno>

namespace {
const char* const kListIndexMessage = "インデックスがリストの範囲を超えています";
}

EListError::EListError() : EKorvaneError(kListIndexMessage) {}

EInOutError::EInOutError(int errorCode)
    : EKorvaneError(SystemErrorText(errorCode)), ErrorCode(errorCode) {}

EFCreateError::EFCreateError(const std::string& fileName, int errorCode)
    : EKorvaneError("ﾌｧｲﾙ " + fileName + " を作成できません\n" + SystemErrorText(errorCode)),
      ErrorCode(errorCode) {}

std::string SystemErrorText(int errorCode) {
  switch (errorCode) {
    case ENOENT:
      return "ﾌｧｲﾙが見つかりません";
    case ENOTDIR:
      return "ﾊﾟｽが見つかりません";
    case EACCES:
    case EPERM:
    case EROFS:
      return "ﾌｧｲﾙ ｱｸｾｽが拒否されました";
    case EISDIR:
      return "ﾌｫﾙﾀﾞはﾌｧｲﾙとして開けません";
    case EMFILE:
    case ENFILE:
      return "ｵｰﾌﾟﾝしているﾌｧｲﾙが多すぎます";
    case ENOSPC:
    case EDQUOT:
      return "ﾃﾞｨｽｸがいっぱいです";
    case ENAMETOOLONG:
      return "ﾌｧｲﾙ名が長すぎます";
    default:
      return "I/O ｴﾗｰ (" + std::to_string(errorCode) + ")";
  }
}
