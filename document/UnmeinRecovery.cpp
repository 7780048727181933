// Crash recovery in the window: while the document has unsaved changes its record in the data
// folder follows every change (a snapshot after each whole new text, a journal of the edits
// between), written by the recovery worker; the next start offers the documents of runs that
// did not end normally.
#include <QDateTime>
#include <QFile>
#include <QTimer>

#include <ctime>

#include "app/Globals.h"
#include "app/Platform.h"
#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "document/editor/EditorControl.h"

namespace {

std::uint32_t FormatCode(const Encodings::TFormat& format) {
  return static_cast<std::uint32_t>(format.Encoding) << 1 | (format.Bom ? 1 : 0);
}

Encodings::TFormat FormatOf(std::uint32_t code) {
  Encodings::TFormat format;
  if ((code >> 1) <= static_cast<std::uint32_t>(Encodings::TEncoding::Iso2022Jp)) {
    format.Encoding = static_cast<Encodings::TEncoding>(code >> 1);
    format.Bom = (code & 1) != 0;
  }
  return format;
}

}  // namespace

QString TFmmein::RecoveryFolder() { return DataFolder() + QStringLiteral("recovery"); }

void TFmmein::StartRecovery() {
  RecoveryWriter = std::make_unique<Recovery::TWriter>(QFile::encodeName(RecoveryFolder()).toStdString());
  Btext->SetChangeObserver([this](const TTextBuffer::TChange& change) { NoteChange(change); });
}

void TFmmein::NoteChange(const TTextBuffer::TChange& Change) {
  if (!RecoveryWriter) return;
  // While a snapshot is waiting or being copied it will hold this change; an edit goes into
  // the journal only after a snapshot of the text it changes.
  if (snapshotPending_ || snapshotting_) return;
  if (Change.Whole || !snapshotTaken_) {
    snapshotPending_ = true;
    QTimer::singleShot(0, this, [this] { Run([this] { TakeSnapshot(); }); });
    return;
  }
  RecoveryWriter->Edit(Change.At, Change.Removed, Change.Inserted);
}

void TFmmein::TakeSnapshot() {
  snapshotPending_ = false;
  if (!RecoveryWriter) return;
  if (!HasDocument || !(Btext->Modified() || Appended)) {
    snapshotting_ = false;
    DiscardRecovery();
    return;
  }
  snapshotCopy_ = std::make_shared<std::string>();
  snapshotCopy_->reserve(static_cast<std::size_t>(Btext->TextLength()));
  snapshotRevision_ = Btext->Revision();
  snapshotting_ = true;
  CopySnapshotSlice();
}

void TFmmein::CopySnapshotSlice() {
  if (!snapshotting_ || !RecoveryWriter) return;
  if (Btext->Revision() != snapshotRevision_) {  // changed meanwhile: copy it anew
    snapshotting_ = false;
    snapshotPending_ = true;
    QTimer::singleShot(0, this, [this] { Run([this] { TakeSnapshot(); }); });
    return;
  }
  // A few milliseconds, the fresh pages it fills included.
  constexpr std::int64_t kSliceBytes = std::int64_t{4} << 20;
  const std::int64_t length = Btext->TextLength();
  const auto at = static_cast<std::int64_t>(snapshotCopy_->size());
  const std::int64_t end = std::min(length, at + kSliceBytes);
  snapshotCopy_->resize(static_cast<std::size_t>(end));
  Btext->Buffer().CopyBytes(at, end, snapshotCopy_->data() + at);
  if (end < length) {
    QTimer::singleShot(0, this, [this] { Run([this] { CopySnapshotSlice(); }); });
    return;
  }
  snapshotting_ = false;
  Recovery::TMeta meta;
  meta.Shown = Bar->PanelText(0).trimmed().toStdString();
  meta.FileName = Filesv.FileName.toStdString();
  meta.Format = FormatCode(DocumentFormat);
  for (std::uint16_t code = 0xF040; code <= 0xF9FC; ++code) {
    const TForeignChars::TEntry* entry = Foreign.Find(code);
    if (entry == nullptr) continue;
    meta.Foreign.push_back(*entry);
  }
  meta.Time = static_cast<std::int64_t>(std::time(nullptr));
  RecoveryWriter->Snapshot(std::move(snapshotCopy_), std::move(meta));
  snapshotTaken_ = true;
  const std::string failure = RecoveryWriter->TakeFailure();
  if (!failure.empty() && !recoveryFailureTold_) {
    recoveryFailureTold_ = true;
    Bar->showMessage(QStringLiteral("復元用の記録を書けません（%1）").arg(QString::fromStdString(failure)),
                     15000);
  }
}

void TFmmein::DiscardRecovery() {
  if (RecoveryWriter && snapshotTaken_) RecoveryWriter->Discard();
  snapshotTaken_ = false;
  snapshotting_ = false;
  snapshotCopy_.reset();
}

void TFmmein::AbandonRecoveryForTest() {
  if (!RecoveryWriter) return;
  while (snapshotPending_ || snapshotting_) {
    if (snapshotPending_) TakeSnapshot();
    else CopySnapshotSlice();
  }
  RecoveryWriter->Abandon();
  RecoveryWriter.reset();
}

void TFmmein::OfferRecovery() {
  for (Recovery::TFound& found :
       Recovery::FindRecords(QFile::encodeName(RecoveryFolder()).toStdString())) {
    const QString shown = QString::fromStdString(found.Meta.Shown);
    if (!found.Problem.empty()) {
      const bool newer = found.Problem.find("新しい版") != std::string::npos;
      Platform().ShowMessage(
          this, PromptPoint(), TMessageKind::Warning, QStringLiteral("文書の復元"),
          QStringLiteral("前回正常に終了しなかった文書の記録を復元できません（%1）。%2")
              .arg(QString::fromStdString(found.Problem),
                   newer ? QStringLiteral("記録は %1 に残します。")
                               .arg(QFile::decodeName(QByteArray::fromStdString(found.Record)))
                         : QStringLiteral("記録は削除しました。")));
      if (!newer) Recovery::RemoveRecord(found.Record);
      continue;
    }
    if (HasDocument && (Btext->Modified() || Appended)) return;  // offered on the next start
    const QString when = QDateTime::fromSecsSinceEpoch(found.Meta.Time)
                             .toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    const TAnswer answer = Platform().AskYesNoCancel(
        this, PromptPoint(), QStringLiteral("文書の復元"),
        QStringLiteral("前回正常に終了しなかった文書があります。復元しますか？\n\n%1\n%2 の状態（その後の編集 %3 件を含む）")
            .arg(shown.isEmpty() ? QStringLiteral("（名前のない文書）") : shown, when)
            .arg(found.Edits));
    if (answer == TAnswer::Cancel) continue;  // asked again next time
    if (answer == TAnswer::No) {
      Recovery::RemoveRecord(found.Record);
      continue;
    }
    Foreign.Clear();
    for (const TForeignChars::TEntry& entry : found.Meta.Foreign) {
      if (entry.IsByte) (void)Foreign.CodeForByte(entry.Byte);
      else (void)Foreign.CodeFor(entry.CodePoint);
    }
    Btext->SetText(std::move(found.Text));
    DocumentFormat = FormatOf(found.Meta.Format);
    DocumentFile.clear();
    AfterLoad(shown, 2);  // a merged document: unsaved, asked about before it goes
    SetOpenCommands(false);
    SetDocumentCommands(true);
    Filesv.FileName = QString::fromStdString(found.Meta.FileName);
    ShowEncoding();
    Recovery::RemoveRecord(found.Record);
    return;  // its own record follows from the change of the text
  }
}
