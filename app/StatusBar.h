// The main window's status bar: panels of fixed width with a text each.
#pragma once

#include <QList>
#include <QStatusBar>

class QLabel;

class TStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  TStatusBar(const QList<int>& panelWidths, QWidget* parent);

  [[nodiscard]] QString PanelText(int panel) const;
  void SetPanelText(int panel, const QString& text);
  [[nodiscard]] int PanelWidth(int panel) const;
  void SetPanelWidth(int panel, int width);
  // Paints the bar at once, before control returns to the event loop.
  void RepaintNow();

 private:
  QList<QLabel*> panels_;
};
