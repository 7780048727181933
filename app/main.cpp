// The program's entry: the application, the main window, the message loop.
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstring>

#include "app/FailureReport.h"
#include "app/Forms.h"
#include "app/Unmein.h"
#include "document/FileIO.h"
#include "document/MemoryTuning.h"

namespace {

constexpr const char* kUsage =
    "使い方: korvane [ファイル...]\n"
    "\n"
    "Korvane のウィンドウを開きます。ファイルが一つならそれを開き、二つ以上なら空のウィンドウに\n"
    "まとめてドロップしたのと同じに結合します。\n"
    "\n"
    "  -h, --help     この説明\n"
    "      --version  版\n"
    "  --             これより後ろはすべてファイル名\n";

// Answers --help and --version without a display; returns whether it did.
bool AnsweredWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("korvane " KORVANE_VERSION "\n", stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnsweredWithoutWindow(argc, argv)) return 0;
  KeepFreedMemoryForReuse();
  // A save beyond the file-size limit then fails with a message instead of ending the program.
  FileIO::IgnoreFileSizeSignal();
  TKorvaneApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("korvane"));
  // File names are bytes; decodeName is the inverse of the encodeName every file access uses.
  QStringList arguments;
  bool namesOnly = false;
  for (int i = 1; i < argc; ++i) {
    if (!namesOnly && std::strcmp(argv[i], "--") == 0) {
      namesOnly = true;
      continue;
    }
    arguments << QFile::decodeName(argv[i]);
  }
  TForms forms(arguments);
  forms.Main().show();
  return QApplication::exec();
}
