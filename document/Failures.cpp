// Messages of the program's failure types.
#include "document/Failures.h"

#include <cerrno>

namespace {

const char* const kListIndexMessage = "インデックスがリストの範囲を超えています";

std::string NotRegularFileText(ENotRegularFile::TKind kind, const std::string& text) {
  switch (kind) {
    case ENotRegularFile::TKind::NamedPipe:
      return text + "（名前付きﾊﾟｲﾌﾟ）";
    case ENotRegularFile::TKind::Socket:
      return text + "（ｿｹｯﾄ）";
    case ENotRegularFile::TKind::Device:
      return text + "（ﾃﾞﾊﾞｲｽ）";
    case ENotRegularFile::TKind::Other:
      break;
  }
  return text;
}

}  // namespace

const char* const kReadOnlyFileReason = "読み取り専用のﾌｧｲﾙです";

EListError::EListError() : EKorvaneError(kListIndexMessage) {}

EInOutError::EInOutError(int errorCode) : EInOutError(errorCode, SystemErrorText(errorCode)) {}

EInOutError::EInOutError(int errorCode, const std::string& message)
    : EKorvaneError(message), ErrorCode(errorCode) {}

std::string NotRegularFileReason(ENotRegularFile::TKind kind) {
  return NotRegularFileText(kind, "通常のﾌｧｲﾙではないため書き込めません");
}

ENotRegularFile::ENotRegularFile(TKind kind)
    : EInOutError(EINVAL, NotRegularFileText(kind, "通常のﾌｧｲﾙではないため読み込めません")),
      Kind(kind) {}

EFWriteError::EFWriteError(const std::string& fileName, int errorCode)
    : EFWriteError(fileName, errorCode, SystemErrorText(errorCode)) {}

EFWriteError::EFWriteError(const std::string& fileName, int errorCode, const std::string& reason)
    : EInOutError(errorCode, "ﾌｧｲﾙ " + fileName + " に書き込めません\n" + reason) {}

ERestoreFailed::ERestoreFailed(const std::string& fileName, int errorCode,
                               const std::string& backupPath)
    : EInOutError(errorCode, "ﾌｧｲﾙ " + fileName + " を書き込めず、元の内容も戻せませんでした\n"
                                 "元の内容は " + backupPath + " に残してあり、次に起動したときに"
                                 "戻すことができます\n" + SystemErrorText(errorCode)),
      BackupPath(backupPath) {}

EFCreateError::EFCreateError(const std::string& fileName, int errorCode)
    : EFCreateError(fileName, errorCode, SystemErrorText(errorCode)) {}

EFCreateError::EFCreateError(const std::string& fileName, int errorCode,
                             const std::string& reason)
    : EKorvaneError("ﾌｧｲﾙ " + fileName + " を作成できません\n" + reason),
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
    case ELOOP:
      return "ｼﾝﾎﾞﾘｯｸ ﾘﾝｸがﾙｰﾌﾟしているか、多すぎます";
    case EFBIG:
      return "ﾌｧｲﾙｻｲｽﾞの上限を超えたため書き込めません";
    default:
      return "I/O ｴﾗｰ (" + std::to_string(errorCode) + ")";
  }
}
