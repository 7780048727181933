// The editor's pop-up editing commands, printing, the program's data folder, help and the
// version dialog.
#include <QAction>
#include <QPrinter>

#include "app/Globals.h"
#include "app/Platform.h"
#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "document/editor/EditorControl.h"
#include "view/Unvar.h"

void TFmmein::WireToolCommands() {
  Wire({pop1}, &TFmmein::pop1Click);
  Wire({pop2}, &TFmmein::pop2Click);
  Wire({pop3}, &TFmmein::pop3Click);
  Wire({pop4}, &TFmmein::pop4Click);
  Wire({N67}, &TFmmein::N67Click);
  Wire({Print1}, &TFmmein::Print1Click);
  Wire({N35}, &TFmmein::N35Click);
  Wire({Help2}, &TFmmein::Help2Click);
  Wire({About1}, &TFmmein::About1Click);
}

void TFmmein::pop1Click(QObject*) {
  Btext->Undo();
  pop1->setEnabled(Btext->CanUndo());
}

void TFmmein::pop2Click(QObject*) {
  Btext->Cut();
  pop4->setEnabled(true);
  pop1->setEnabled(true);
}

void TFmmein::pop3Click(QObject*) {
  Btext->Copy();
  pop4->setEnabled(true);
}

void TFmmein::pop4Click(QObject*) {
  Btext->Paste();
  pop1->setEnabled(true);
}

void TFmmein::N67Click(QObject*) {
  if (Btext->LineCount() != 0) Btext->SelectAll();
}

void TFmmein::Print1Click(QObject*) {
  QPrinter printer;
  if (!Platform().ChoosePrinter(this, printer)) return;
  printer.setDocName(QString());
  TBusyCursor busy(*this);
  Btext->Print(printer, Bar->PanelText(0).trimmed());
}

void TFmmein::N35Click(QObject*) {
  const QString folder = DataFolder();
  if (Platform().Explore(this, folder)) return;
  Platform().ShowMessage(this, MessagePoint(), TMessageKind::Information, QStringLiteral("ｴｸｽﾌﾟﾛｰﾗ"),
                         QStringLiteral("ﾌｫﾙﾀﾞを開くﾌｧｲﾙ ﾏﾈｰｼﾞｬが見つかりません。\n"
                                        "このﾌﾟﾛｸﾞﾗﾑのﾌｧｲﾙはﾌｫﾙﾀﾞ %1 にあります。")
                             .arg(folder));
}

void TFmmein::Help2Click(QObject*) { Platform().ShowHelp(this, HelpFile, 10000); }

void TFmmein::About1Click(QObject*) { Platform().ShowModal(*Fmvar); }
