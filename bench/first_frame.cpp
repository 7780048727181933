// Cold start to the first frame: starts the window on the files given exactly as korvane does,
// and ends the process the moment the editor has painted for the first time. With --bare it
// shows a plain QMainWindow instead: the floor any Qt program pays before it shows anything.
// With --command, once the document is shown it runs that command (a korvane-cli command line)
// through the window's road, and prints its time and the process's peak memory. Timed from
// outside as whole processes; the process ends without tearing anything down.
//   first_frame [--bare | --command "COMMAND LINE"] [file...]
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QPaintEvent>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "app/FailureReport.h"
#include "app/Forms.h"
#include "app/Unmein.h"
#include "cli/Commands.h"
#include "cli/Recipe.h"
#include "document/FileIO.h"
#include "document/MemoryTuning.h"
#include "document/editor/EditorControl.h"

namespace {

// Ends the process once the watched widget's first paint has been delivered, after running
// Then when there is one.
class TExitAfterPaint final : public QObject {
 public:
  std::function<void()> Then;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      QTimer::singleShot(0, [this] {
        if (Then) Then();
        std::_Exit(0);
      });
    }
    return QObject::eventFilter(watched, event);
  }
};

double PeakMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  }
  return -1;
}

void RunCommand(TFmmein& form, const std::string& commandLine) {
  TForeignChars foreign;
  const Commands::TCommand command = Commands::Parse(
      {"--command", Recipe::SplitWords(commandLine, "--command")}, &foreign);
  const Commands::TWork work = Commands::WorkOf(command, foreign);
  const auto start = std::chrono::steady_clock::now();
  if (work.Kind == Commands::TWork::TKind::Filter) {
    form.ConvertRange({}, {.Keep = work.Keep});
  } else {
    form.ConvertRange(work.Rule, {.AfterLastLine = work.Tail});
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "command %.0f ms, peak %.0f MiB, %d lines\n", ms, PeakMiB(),
               form.Btext->LineCount());
}

}  // namespace

int main(int argc, char** argv) {
  const bool bare = argc > 1 && std::strcmp(argv[1], "--bare") == 0;
  std::string command;
  if (argc > 2 && std::strcmp(argv[1], "--command") == 0) {
    command = argv[2];
    argv[2] = argv[0];
    argv += 2;
    argc -= 2;
  }
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
  for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
  TForms forms(arguments);
  forms.Main().resize(1200, 800);
  if (!command.empty()) exitAfterPaint.Then = [&] { RunCommand(forms.Main(), command); };
  forms.Main().Btext->viewport()->installEventFilter(&exitAfterPaint);
  forms.Main().show();
  return QApplication::exec();
}
