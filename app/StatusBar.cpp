// The main window's status bar.
#include "app/StatusBar.h"

#include <QLabel>

TStatusBar::TStatusBar(const QList<int>& panelWidths, QWidget* parent) : QStatusBar(parent) {
  setSizeGripEnabled(true);
  for (int i = 0; i < panelWidths.size(); ++i) {
    auto* panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setFixedWidth(panelWidths[i]);
    panel->setTextFormat(Qt::PlainText);
    // The last panel takes the rest of the bar, as status bars do.
    const bool last = i + 1 == panelWidths.size();
    if (last) panel->setMaximumWidth(QWIDGETSIZE_MAX);
    addWidget(panel, last ? 1 : 0);
    panels_.append(panel);
  }
}

QString TStatusBar::PanelText(int panel) const { return panels_.at(panel)->text(); }

void TStatusBar::SetPanelText(int panel, const QString& text) { panels_.at(panel)->setText(text); }

int TStatusBar::PanelWidth(int panel) const { return panels_.at(panel)->minimumWidth(); }

void TStatusBar::SetPanelWidth(int panel, int width) {
  panels_.at(panel)->setFixedWidth(std::max(0, width));
}

void TStatusBar::RepaintNow() { repaint(); }
