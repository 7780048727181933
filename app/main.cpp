// The program's entry: the application, the main window, the message loop.
#include <QStringList>

#include "app/FailureReport.h"
#include "app/Unmein.h"
#include "document/MemoryTuning.h"

int main(int argc, char** argv) {
  KeepFreedMemoryForReuse();
  TKorvaneApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("korvane"));
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  TFmmein mainWindow(arguments);
  mainWindow.show();
  return QApplication::exec();
}
