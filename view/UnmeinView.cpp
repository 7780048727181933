// View commands of the main window: reaction to text changes, word wrap, and the layout kept
// when the window is resized.
#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/StatusBar.h"
#include "app/Unmein.h"
#include "document/EditorControl.h"

void TFmmein::WireViewCommands() {
  connect(Btext, &TEditorControl::Changed, this, [this] { Run([this] { BtextChange(Btext); }); });
  Wire({wardw, N3}, &TFmmein::wardwClick);
}

void TFmmein::BtextChange(QObject*) { ApplyLineCountRule(); }

void TFmmein::wardwClick(QObject*) { SetWrap(!WrapOn); }

void TFmmein::SetWrap(bool On) {
  WrapOn = On;
  Bar->SetPanelText(2, On ? QStringLiteral("右端で折り返す") : QStringLiteral("折り返さない"));
  Btext->SetWordWrap(On);
  N3->setChecked(On);
  wardw->setChecked(On);
  Bar->RepaintNow();
}

void TFmmein::FormResize() {
  const QWidget* client = centralWidget();
  Btext->setGeometry(Btext->x(), Btext->y(), client->width(),
                     client->height() - BottomGap - Btext->y());
  const int bottom = Btext->y() + Btext->height();
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
  return QMainWindow::eventFilter(watched, event);
}
