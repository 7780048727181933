// View commands of the main window: reaction to text changes, word wrap, the display size and
// face, the caret position display, and the layout kept when the window is resized.
#include <QFileInfo>
#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "view/FindBar.h"
#include "document/editor/EditorControl.h"

namespace {

// A line edit's frame and the room it keeps beside its text.
constexpr int kFieldTextPadding = 12;

constexpr int kSmallest = 6;
constexpr int kLargest = 24;

// The size a menu item's Tag selects; 0 for a Tag that selects none.
int SizeOfTag(int tag) {
  constexpr int sizes[] = {0, 10, 6, 24, 12, 14, 16, 18, 20, 22, 24};
  return tag >= 1 && tag <= 10 ? sizes[tag] : 0;
}

QString LevelText(int size) {
  switch (size) {
    case 6: return QStringLiteral("1/4倍   6 ");
    case 8: return QStringLiteral("1/2倍   8 ");
    case 10: return QStringLiteral("標準   10 ");
    default: return QString::number((size - 8) / 2) + QStringLiteral("倍  ") + QString::number(size);
  }
}

}  // namespace

void TFmmein::WireViewCommands() {
  connect(Btext, &TEditorControl::Changed, this, [this] { Run([this] { BtextChange(Btext); }); });
  connect(Btext, &TEditorControl::MouseMoved, this, [this] { Run([this] { ShowCaretPosition(); }); });
  connect(Btext, &TEditorControl::KeyReleased, this, [this] { Run([this] { ShowCaretPosition(); }); });
  Wire({wardw, N3}, &TFmmein::wardwClick);
  Wire({Btfontup, Btfontdown, N10, N12}, &TFmmein::BtfontupClick);
  Wire({BtFont10, N9, N13, N14, N15, N16, N17, N18, N19, N20, N21}, &TFmmein::SiteiupClick);
  Wire({N26, N27}, &TFmmein::N26Click);
}

void TFmmein::BtextChange(QObject*) {
  ApplyLineCountRule();
  UpdateUndoCommands();
  UpdateTitle();
  if (!FindBar->isHidden()) CountMatches();
}

void TFmmein::UpdateTitle() {
  const QString program = QStringLiteral("テキスト文書　合成・変換ソフト ＜Ｋｏｒｖａｎｅ＞");
  if (!HasDocument) {
    setWindowTitle(program);
    return;
  }
  const QString shown = savedName_.isEmpty() ? Bar->PanelText(0).trimmed() : savedName_;
  const bool unsaved = Btext->Modified() || Appended;
  setWindowTitle(QFileInfo(shown).fileName() + (unsaved ? QStringLiteral(" *") : QString()) +
                 QStringLiteral(" - Ｋｏｒｖａｎｅ"));
}

void TFmmein::wardwClick(QObject*) { SetWrap(!WrapOn); }

void TFmmein::SetWrap(bool On) {
  WrapOn = On;
  Bar->SetPanelText(2, On ? QStringLiteral("右端で折り返す") : QStringLiteral("折り返さない"));
  Btext->SetWordWrap(On);
  N3->setChecked(On);
  wardw->setChecked(On);
  Bar->RepaintNow();
}

void TFmmein::BtfontupClick(QObject* Sender) {
  int size = Btext->FontSize();
  if (Sender == Btfontup || Sender == N10) size = std::min(size + 2, kLargest);
  if (Sender == Btfontdown || Sender == N12) size = std::max(size - 2, kSmallest);
  SetViewSize(size);
}

void TFmmein::SiteiupClick(QObject* Sender) {
  const int size = Sender == BtFont10 ? 10 : SizeOfTag(qobject_cast<QAction*>(Sender)->data().toInt());
  if (size != 0) SetViewSize(size);
}

void TFmmein::SetViewSize(int Points) {
  Bar->SetPanelText(1, QStringLiteral("表示サイズ　") + LevelText(Points) + QStringLiteral("Point"));
  {
    TUpdateGuard update(*Btext);
    Btext->SetFontSize(Points);
  }
  for (QAction* enlarge : {Btfontup, N7->menuAction()}) enlarge->setEnabled(Points < kLargest);
  for (QAction* reduce : {Btfontdown, N8->menuAction()}) reduce->setEnabled(Points > kSmallest);
}

void TFmmein::N26Click(QObject* Sender) {
  TUpdateGuard update(*Btext);
  Btext->SetFontFace(Sender == N27 ? QStringLiteral("ＭＳ明朝") : QStringLiteral("ＭＳゴシック"));
}

void TFmmein::ShowCaretPosition() {
  const std::int64_t caret = Btext->SelStart();
  const std::int32_t line = Btext->LineFromChar(caret);
  Edit2->setText(
      QStringLiteral("行 : %1 / 列 : %2").arg(line + 1).arg(Btext->CharactersBefore(caret) + 1));
  // Large line and column numbers widen the field rather than being cut off.
  const int needed = Edit2->fontMetrics().horizontalAdvance(Edit2->text()) + kFieldTextPadding;
  if (needed > Edit2->width()) {
    Edit2->resize(needed, Edit2->height());
    KeepLayoutVisible();
  }
}

void TFmmein::FormResize() {
  const QWidget* client = centralWidget();
  const int findHeight = FindBar->isHidden() ? 0 : TFindBar::kHeight;
  Btext->setGeometry(Btext->x(), Btext->y(), client->width(),
                     client->height() - BottomGap - Btext->y() - findHeight);
  FindBar->setGeometry(0, Btext->y() + Btext->height(), client->width(), findHeight);
  const int bottom = Btext->y() + Btext->height() + findHeight;
  for (QWidget* label : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2)}) {
    label->move(label->x(), bottom + LabelGap);
  }
  for (QWidget* row : {static_cast<QWidget*>(ed1), static_cast<QWidget*>(ed2),
                       static_cast<QWidget*>(ed3), static_cast<QWidget*>(Edit2),
                       static_cast<QWidget*>(Button1)}) {
    row->move(row->x(), bottom + RowGap);
  }
}

bool TFmmein::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize && BottomGap > 0) FormResize();
  if ((watched == ed1 || watched == ed2) && TypedBoundEvent(static_cast<QLineEdit*>(watched), event)) {
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}
