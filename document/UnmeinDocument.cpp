// The document's life: New, Save, Close, Exit with the unsaved-changes question, and which
// commands each state offers.
#include <QAction>
#include <QStringList>

#include <algorithm>
#include <array>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/Globals.h"
#include "app/Platform.h"
#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "document/editor/EditorControl.h"
#include "view/UnMark.h"

void TFmmein::WireDocumentCommands() {
  Wire({Make, New1}, &TFmmein::New1Click);
  Wire({Fsave, S1}, &TFmmein::FsaveClick);
  Wire({Fclose, Close1}, &TFmmein::FcloseClick);
  Wire({prgend, Exit1}, &TFmmein::prgendClick);
}

namespace {

// The formats the save dialogs offer, in their order.
const std::array<Encodings::TFormat, 5> kSaveFormats = {{
    {Encodings::TEncoding::Cp932, false},
    {Encodings::TEncoding::Utf8, false},
    {Encodings::TEncoding::Utf8, true},
    {Encodings::TEncoding::EucJp, false},
    {Encodings::TEncoding::Utf16Le, true},
}};

// The offered format closest to a file's: one this program cannot write becomes Shift-JIS.
int SaveFormatIndex(Encodings::TFormat format) {
  if (format.Encoding == Encodings::TEncoding::Utf16Le || format.Encoding == Encodings::TEncoding::Utf16Be) {
    return 4;
  }
  for (std::size_t i = 0; i < kSaveFormats.size(); ++i) {
    if (kSaveFormats[i] == format) return static_cast<int>(i);
  }
  return 0;
}

QString CharacterList(const std::vector<char32_t>& characters) {
  QStringList shown;
  for (const char32_t c : characters) {
    shown << QStringLiteral("%1 (U+%2)")
                 .arg(QString::fromUcs4(&c, 1))
                 .arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'))
                 .toUpper();
  }
  return shown.join(QStringLiteral("、"));
}

}  // namespace

QStringList SaveFormatNames() {
  QStringList names;
  for (const Encodings::TFormat& format : kSaveFormats) {
    names << QString::fromStdString(Encodings::FormatName(format));
  }
  return names;
}

bool TFmmein::ChooseSaveFile(std::optional<std::string_view> Bytes, Encodings::TFormat& Format) {
  Filesv.Choice = SaveFormatIndex(DocumentFormat);
  if (!Filesv.Execute(this)) return false;
  Format = kSaveFormats[static_cast<std::size_t>(std::clamp(Filesv.Choice, 0, 4))];
  const Encodings::TUnwritable unwritable =
      Bytes ? Encodings::FindUnwritable(*Bytes, Format, Foreign) : Btext->Unwritable(Format);
  if (unwritable.Count == 0) return true;
  const QString text =
      QStringLiteral("%1 で表せない文字が %2 個あります (%3 行目から: %4)。\n"
                     "文字参照 (&#233; など) にして保存しますか？\n"
                     "「いいえ」か「ｷｬﾝｾﾙ」で保存をやめます。")
          .arg(QString::fromStdString(Encodings::FormatName(Format)))
          .arg(unwritable.Count)
          .arg(unwritable.FirstLine + 1)
          .arg(CharacterList(unwritable.First));
  return Platform().AskYesNoCancel(this, PromptPoint(), QStringLiteral("警告"), text) ==
         TAnswer::Yes;
}

void TFmmein::New1Click(QObject*) {
  const QString name = QStringLiteral("新規文書");
  Foreign.Clear();
  DocumentFormat = {};
  DocumentFile.clear();
  AfterLoad(name, 1);
  ShowEncoding();
  Bar->SetPanelText(0, QStringLiteral("  ") + name);
}

void TFmmein::FsaveClick(QObject*) {
  Encodings::TFormat format;
  if (!ChooseSaveFile(std::nullopt, format)) return;
  Btext->SaveToFile(Filesv.FileName, format);
  DocumentFormat = format;
  ShowEncoding();
  Appended = false;
  Btext->SetModified(false);
  savedName_ = Filesv.FileName;
  DiscardRecovery();
  UpdateTitle();
  RememberRecent(Filesv.FileName);
  Bar->showMessage(QStringLiteral("保存しました: ") + Filesv.FileName, 10000);
}

void TFmmein::FcloseClick(QObject*) {
  if (!PassUnsavedGuard(2)) return;
  ClearMarks();
  A1->setEnabled(false);
  BtRet->setEnabled(false);
  RangeCaretPos = 0;
  Btext->ClearText();
  Btext->SetModified(false);
  HasDocument = false;
  Appended = false;
  Fileop.FileName.clear();
  Filesv.FileName.clear();
  SetOpenCommands(true);
  SetDocumentCommands(false);
  Bar->SetPanelText(0, QString());
  Bar->SetPanelWidth(0, 300);
  Foreign.Clear();
  DocumentFormat = {};
  DocumentFile.clear();
  Bar->SetPanelText(3, QString());
  RangeStart = 0;
  RangeEnd = 0;
  for (QLineEdit* field : {ed1, ed2, ed3}) field->clear();
  SetBoundColor(ed1, false);
  SetBoundColor(ed2, false);
  Btext->SetColor(palette().color(QPalette::Button));
  CloseFindBar();
  DiscardRecovery();
  savedName_.clear();
  UpdateTitle();
  if (FmMark != nullptr) FmMark->MK1->SetItemIndex(0);
  Mark->setEnabled(false);
  JumpMark1->setEnabled(false);
}

void TFmmein::prgendClick(QObject*) {
  if (!PassUnsavedGuard(1)) return;
  exitConfirmed_ = true;
  close();
}

bool TFmmein::ConfirmDiscard(int Kind) {
  const QString text = QStringLiteral("編集済み文書が保存されていません。") +
                       (Kind == 1 ? QStringLiteral("プログラムを終了") : QStringLiteral("文書を破棄")) +
                       QStringLiteral("してよろしいですか。");
  return Platform().AskYesNoCancel(this, PromptPoint(), QStringLiteral("警告"), text) ==
         TAnswer::Yes;
}

bool TFmmein::PassUnsavedGuard(int Kind) {
  if (Appended) {
    if (!ConfirmDiscard(Kind)) return false;
    Btext->SetModified(false);
  }
  if (Btext->Modified()) {
    if (!ConfirmDiscard(Kind)) return false;
    Btext->SetModified(false);
  }
  return true;
}

void TFmmein::SetDocumentCommands(bool On) {
  for (QAction* item :
       {Fappend, Fclose, Fsave, wardw, Btfontup, Btfontdown, BtFont10, Btstops, Btends, BtAnsi,
        Btcut, tbTagCut, tbTagSpCut, tbPageText, PageText1, PageLinks1, N1, N3, Close1, S1, N9, N22, N23, N24, Print1, N26, N27, R1,
        r2, r3, r4, d1, d2, d3, d4, N50, N73, HTML2, N59, N66, pop1, N67, pop2, pop3, pop4,
        Find1, FindNext1, FindPrev1}) {
    item->setEnabled(On);
  }
  for (QMenu* menu : {N7, N8, Font1, HTML1, N52, N61, Reopen1}) menu->menuAction()->setEnabled(On);
  Button1->setEnabled(On);
}

void TFmmein::SetOpenCommands(bool On) {
  for (QAction* item : {Fopen, Make, Open1, New1}) item->setEnabled(On);
}
