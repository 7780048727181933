// The main window's replace, delete, line-delete and line-break commands, which configure the
// replace dialog for their kind and show it, and the pop-up commands that copy the editor's
// selection into the dialog.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/Platform.h"
#include "app/Unmein.h"
#include "document/editor/EditorControl.h"
#include "replace/Unrep.h"

namespace {

const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);

// What the dialog shows for a kind: its heading, the three labels, which of e2 and e3 are in
// use (white) and which fields are emptied.
struct TKindSetup {
  int Kind;
  const char* Title;
  const char* Label1;
  const char* Label2;
  const char* Label3;
  bool UseE2, UseE3;
  bool EmptyE2, EmptyE3;
};

constexpr TKindSetup kSetups[] = {
    {11, "一般的な置換", "置換したい文字 １", "置換したい文字 ２", "置換後の文字", true, true, false, false},
    {12, "文字より前を置換", "置換したい文字", "", "置換後の文字", false, true, true, false},
    {13, "文字より後ろを置換", "置換したい文字", "", "置換後の文字", false, true, true, false},
    {14, "文字間を置換", "置換したい先頭文字", "置換したい末尾文字", "置換後の文字", true, true, false, false},
    {21, "一般的な削除", "削除したい文字 １", "削除したい文字 ２", "削除したい文字 ３", true, true, false, false},
    {22, "文字より前を削除", "削除したい文字", "", "", false, false, true, true},
    {23, "文字より後ろを削除", "削除したい文字", "", "", false, false, true, true},
    {24, "文字間を削除", "削除したい先頭文字", "削除したい末尾文字", "", true, false, false, true},
    {50, "改行挿入", "改行前位置の文字列", "改行後先頭の文字列", "", true, false, false, false},
    {150, "行削除", "文字列１", "文字列２", "文字列３", true, true, false, false},
    {160, "行削除", "文字列１", "文字列２", "文字列３", true, true, false, false},
};

void SetFieldColor(QComboBox* field, const QColor& color) {
  QPalette colours = field->palette();
  colours.setColor(QPalette::Base, color);
  field->setPalette(colours);
}

}  // namespace

void TFmmein::WireReplaceCommands() {
  Wire({R1, r2, r3, r4, d1, d2, d3, d4}, &TFmmein::R1Click);
  Wire({N50}, &TFmmein::N50Click);
  Wire({N62, N63}, &TFmmein::N62Click);
  Wire({N34, N29, N30, N32}, &TFmmein::c29Click);
}

void TFmmein::ConfigureReplaceDialog(int Kind) {
  Fmrep->RepKind = Kind;
  for (const TKindSetup& setup : kSetups) {
    if (setup.Kind != Kind) continue;
    Fmrep->title->setText(QString::fromUtf8(setup.Title));
    Fmrep->l1->setText(QString::fromUtf8(setup.Label1));
    Fmrep->l2->setText(QString::fromUtf8(setup.Label2));
    Fmrep->l3->setText(QString::fromUtf8(setup.Label3));
    SetFieldColor(Fmrep->e2, setup.UseE2 ? kWhite : kSilver);
    SetFieldColor(Fmrep->e3, setup.UseE3 ? kWhite : kSilver);
    if (setup.EmptyE2) Fmrep->e2->clearEditText();
    if (setup.EmptyE3) Fmrep->e3->clearEditText();
  }
  Fmrep->BitBtn1->setFocus();
  Platform().ShowModal(*Fmrep);
}

void TFmmein::R1Click(QObject* Sender) {
  SetFieldColor(Fmrep->e1, kWhite);
  ConfigureReplaceDialog(qobject_cast<QAction*>(Sender)->data().toInt());
}

void TFmmein::N50Click(QObject*) { ConfigureReplaceDialog(50); }

void TFmmein::N62Click(QObject* Sender) { ConfigureReplaceDialog(Sender == N62 ? 150 : 160); }

void TFmmein::c29Click(QObject* Sender) {
  const QString selected = Btext->SelectedText();
  switch (qobject_cast<QAction*>(Sender)->data().toInt()) {
    case 101: Fmrep->e1->setEditText(selected); break;
    case 102: Fmrep->e2->setEditText(selected); break;
    case 103: Fmrep->e3->setEditText(selected); break;
    case 104:
      Fmrep->Combo1->addItem(selected);
      Fmrep->Combo1->setCurrentIndex(-1);
      Fmrep->Combo1->clearEditText();
      break;
    default: break;
  }
}
