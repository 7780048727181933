// The help window.
#include "app/HelpWindow.h"

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QPointer<THelpWindow>& Window() {
  static QPointer<THelpWindow> window;
  return window;
}
}  // namespace

THelpWindow::THelpWindow(QWidget* owner) : QDialog(owner), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Korvane ﾍﾙﾌﾟ"));
  setAttribute(Qt::WA_DeleteOnClose);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setOpenExternalLinks(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(640, 560);
}

void THelpWindow::Show(QWidget* owner, const QString& helpFile, int context) {
  // The page is in the resources of a static library, which are registered by hand.
  Q_INIT_RESOURCE(korvane);
  if (Window().isNull()) Window() = new THelpWindow(owner);
  THelpWindow* window = Window();
  QUrl page(helpFile);
  page.setFragment(QStringLiteral("context%1").arg(context));
  window->browser_->setSource(page);
  window->show();
  window->raise();
  window->activateWindow();
}

THelpWindow* THelpWindow::Current() { return Window(); }
