// The program's entry: the application, the main window, the message loop.
#include <QFile>
#include <QStringList>

#include "app/FailureReport.h"
#include "app/Forms.h"
#include "app/Unmein.h"
#include "document/FileIO.h"
#include "document/MemoryTuning.h"

int main(int argc, char** argv) {
  KeepFreedMemoryForReuse();
  // A save beyond the file-size limit then fails with a message instead of ending the program.
  FileIO::IgnoreFileSizeSignal();
  TKorvaneApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("korvane"));
  // File names are bytes; decodeName is the inverse of the encodeName every file access uses.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
  TForms forms(arguments);
  forms.Main().show();
  return QApplication::exec();
}
