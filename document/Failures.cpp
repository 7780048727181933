// Messages of the program's failure types.
#include "document/Failures.h"

#include <cerrno>

namespace {

const char* const kListIndexMessage = "インデックスがリストの範囲を超えています";

std::string NotRegularFileMessage(ENotRegularFile::TKind kind) {
  const std::string text = "通常のﾌｧｲﾙではないため読み込めません";
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

ENotRegularFile::ENotRegularFile(TKind kind)
    : EInOutError(EINVAL, NotRegularFileMessage(kind)), Kind(kind) {}

ERestoreFailed::ERestoreFailed(int errorCode, const std::string& backupPath)
    : EInOutError(errorCode, "ﾌｧｲﾙを書き込めず、元の内容も戻せませんでした\n元の内容は " +
                                 backupPath + " に残してあります\n" +
                                 SystemErrorText(errorCode)),
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
    case EFBIG:
      return "ﾌｧｲﾙｻｲｽﾞの上限を超えたため書き込めません";
    default:
      return "I/O ｴﾗｰ (" + std::to_string(errorCode) + ")";
  }
}
