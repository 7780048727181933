// The main window's status bar.
#include "app/StatusBar.h"

#include <QLabel>
#include <QResizeEvent>

#include <algorithm>

// A sunken panel that keeps its whole text and shows as much of it as fits, shortened in the
// middle, so that both ends of a path stay readable.
class TStatusPanel : public QLabel {
 public:
  explicit TStatusPanel(QWidget* parent) : QLabel(parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setTextFormat(Qt::PlainText);
  }

  [[nodiscard]] const QString& FullText() const { return full_; }
  void SetFullText(const QString& text) {
    full_ = text;
    setToolTip(text);
    ShowFitting();
  }
  // Room the whole text needs, frame and margins included.
  [[nodiscard]] int WidthForText(const QString& text) const {
    return fontMetrics().horizontalAdvance(text) + 2 * frameWidth() + 2 * margin() + 4;
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    ShowFitting();
  }

 private:
  void ShowFitting() {
    const int room = contentsRect().width() - 2 * margin() - 4;
    setText(fontMetrics().horizontalAdvance(full_) <= room
                ? full_
                : fontMetrics().elidedText(full_, Qt::ElideMiddle, std::max(room, 0)));
  }
  QString full_;
};

TStatusBar::TStatusBar(const QList<int>& panelWidths, QWidget* parent)
    : QStatusBar(parent), widths_(panelWidths) {
  setSizeGripEnabled(true);
  for (int i = 0; i < panelWidths.size(); ++i) {
    auto* panel = new TStatusPanel(this);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    const bool stretching = i == 0;
    if (stretching) {
      // It may shrink below its text, which it then shortens; it never pushes the others.
      panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
      panel->setMinimumWidth(std::min(panelWidths[i], 48));
    }
    addWidget(panel, stretching ? 1 : 0);
    panels_.append(panel);
    FitWidth(i);
  }
}

QString TStatusBar::PanelText(int panel) const { return panels_.at(panel)->FullText(); }

void TStatusBar::SetPanelText(int panel, const QString& text) {
  panels_.at(panel)->SetFullText(text);
  FitWidth(panel);
}

int TStatusBar::PanelWidth(int panel) const { return widths_.at(panel); }

void TStatusBar::SetPanelWidth(int panel, int width) {
  widths_[panel] = std::max(0, width);
  FitWidth(panel);
}

QString TStatusBar::ShownText(int panel) const { return panels_.at(panel)->text(); }

QString TStatusBar::PanelToolTip(int panel) const { return panels_.at(panel)->toolTip(); }

void TStatusBar::RepaintNow() { repaint(); }

// Panels after the first never shrink again, so that switching between two texts does not
// move anything.
void TStatusBar::FitWidth(int panel) {
  if (panel == 0) return;
  TStatusPanel* label = panels_.at(panel);
  const int wanted = std::max(widths_.at(panel), label->WidthForText(label->FullText()));
  label->setFixedWidth(std::max(wanted, label->minimumWidth()));
}
