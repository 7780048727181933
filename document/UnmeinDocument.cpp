// The document's life: New, Save, Close, Exit with the unsaved-changes question, and which
// commands each state offers.
#include <QAction>
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

void TFmmein::New1Click(QObject*) {
  const QString name = QStringLiteral("新規文書");
  AfterLoad(name, 1);
  Bar->SetPanelText(0, QStringLiteral("  ") + name);
}

void TFmmein::FsaveClick(QObject*) {
  if (!Filesv.Execute(this)) return;
  Btext->SaveToFile(Filesv.FileName);
  Appended = false;
  Btext->SetModified(false);
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
  RangeStart = 0;
  RangeEnd = 0;
  for (QLineEdit* field : {ed1, ed2, ed3}) field->clear();
  SetBoundColor(ed1, false);
  SetBoundColor(ed2, false);
  Btext->SetColor(palette().color(QPalette::Button));
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
        Btcut, tbTagCut, tbTagSpCut, N1, N3, Close1, S1, N9, N22, N23, N24, Print1, N26, N27, R1,
        r2, r3, r4, d1, d2, d3, d4, N50, N73, HTML2, N59, N66, pop1, N67, pop2, pop3, pop4}) {
    item->setEnabled(On);
  }
  for (QMenu* menu : {N7, N8, Font1, HTML1, N52, N61}) menu->menuAction()->setEnabled(On);
  Button1->setEnabled(On);
}

void TFmmein::SetOpenCommands(bool On) {
  for (QAction* item : {Fopen, Make, Open1, New1}) item->setEnabled(On);
}
