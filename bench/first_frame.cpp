// Cold start to the first frame: starts the window on the files given exactly
// as korvane does, and ends the process the moment the editor has painted for
// the first time. With --bare it shows a plain QMainWindow instead: the floor
// any Qt program pays before it shows anything. Timed from outside as whole
// processes; the time after the frame is not counted, so the process ends
// without tearing anything down.
//   first_frame [--bare] [file...]
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QPaintEvent>
#include <QTimer>

#include <cstdlib>
#include <cstring>

#include "app/FailureReport.h"
#include "app/Forms.h"
#include "app/Unmein.h"
#include "document/FileIO.h"
#include "document/MemoryTuning.h"
#include "document/editor/EditorControl.h"

namespace {

// Ends the process once the watched widget's first paint has been delivered.
class TExitAfterPaint final : public QObject {
public:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint) {
      QTimer::singleShot(0, [] { std::_Exit(0); });
    }
    return QObject::eventFilter(watched, event);
  }
};

} // namespace

int main(int argc, char **argv) {
  const bool bare = argc > 1 && std::strcmp(argv[1], "--bare") == 0;
  TExitAfterPaint exitAfterPaint;
  if (bare) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(1200, 800);
    window.installEventFilter(&exitAfterPaint);
    window.show();
    return QApplication::exec();
  }
  KeepFreedMemoryForReuse();
  FileIO::IgnoreFileSizeSignal();
  TKorvaneApplication application(argc, argv);
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << QFile::decodeName(argv[i]);
  TForms forms(arguments);
  forms.Main().resize(1200, 800);
  forms.Main().Btext->viewport()->installEventFilter(&exitAfterPaint);
  forms.Main().show();
  return QApplication::exec();
}
