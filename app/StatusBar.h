// The main window's status bar: three panels with a text each. The first panel takes the width
// the other two leave, so they stay where they are from one document name to the next; a name
// too long for it is shortened in the middle and shown whole as the panel's tooltip. The other
// panels are at least their given widths and widen to fit their texts.
#pragma once

#include <QList>
#include <QStatusBar>

class TStatusPanel;

class TStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  TStatusBar(const QList<int>& panelWidths, QWidget* parent);

  // The whole text, also while the panel shows it shortened.
  [[nodiscard]] QString PanelText(int panel) const;
  void SetPanelText(int panel, const QString& text);
  // The width the program gave the panel; the panel is never narrower than its text needs
  // (the first panel: than the bar leaves it).
  [[nodiscard]] int PanelWidth(int panel) const;
  void SetPanelWidth(int panel, int width);
  // What the panel shows now (the text, or its shortened form) and its tooltip.
  [[nodiscard]] QString ShownText(int panel) const;
  [[nodiscard]] QString PanelToolTip(int panel) const;
  // Paints the bar at once, before control returns to the event loop.
  void RepaintNow();

 private:
  void FitWidth(int panel);
  QList<TStatusPanel*> panels_;
  QList<int> widths_;
};
