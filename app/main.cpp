// The program's entry: the application, the main window, the message loop.
#include <QStringList>

#include "app/FailureReport.h"
#include "app/Unmein.h"

int main(int argc, char** argv) {
  TKorvaneApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("korvane"));
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  TFmmein mainWindow(arguments);
  mainWindow.show();
  return QApplication::exec();
}
