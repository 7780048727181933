// The program's help: its own Japanese HTML page from the resources, in a window of its own
// that stays open beside the main window.
#pragma once

#include <QDialog>

class QTextBrowser;

class THelpWindow : public QDialog {
  Q_OBJECT
 public:
  // Shows the help file (a page in the resources) at the topic of a context number: the anchor
  // "context<number>". One window serves every request.
  static void Show(QWidget* owner, const QString& helpFile, int context);
  // The window of the last request, if it is still open.
  static THelpWindow* Current();

  [[nodiscard]] QTextBrowser* Browser() const { return browser_; }

 private:
  explicit THelpWindow(QWidget* owner);
  QTextBrowser* browser_;
};
