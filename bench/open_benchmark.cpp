// Opening a large document in the window against the editor's own setPlainText of the same,
// already decoded text, and the core's share of a command on that document.
//
//   open_benchmark [megabytes] [line length]     (defaults: 100 MB, lines of 100 bytes)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include "app/Platform.h"
#include "app/Unmein.h"
#include "bench/BenchData.h"
#include "convert/ConversionRoad.h"
#include "document/EditorControl.h"
#include "document/LightStr.h"
#include "document/MemoryTuning.h"
#include "document/QtText.h"
#include "replace/ReplaceRules.h"

namespace {

double Seconds(const QElapsedTimer& timer) { return timer.nsecsElapsed() / 1e9; }

// A platform layer that answers nothing and shows nothing: the benchmark runs unattended.
class TSilentPlatform : public TPlatform {
 public:
  void ShowMessage(QWidget*, QPoint, TMessageKind, const QString&, const QString& text) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  }
  TAnswer AskYesNoCancel(QWidget*, QPoint, const QString&, const QString&) override {
    return TAnswer::Yes;
  }
  std::optional<TFileDialogAnswer> ChooseFileToOpen(QWidget*, const TFileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<TFileDialogAnswer> ChooseFileToSave(QWidget*, const TFileDialogRequest&) override {
    return std::nullopt;
  }
  QString AskText(QWidget*, const QString&, const QString&, const QString& initial) override {
    return initial;
  }
  int ShowModal(QDialog&) override { return 0; }
  QString ClipboardText() override { return {}; }
  bool ChoosePrinter(QWidget*, QPrinter&) override { return false; }
  void Explore(QWidget*, const QString&) override {}
  void ShowHelp(QWidget*, const QString&, int) override {}
  void SetBusyCursor(bool) override {}
  void BringToFront(QWidget*) override {}
};

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemoryForReuse();  // as the program does at start-up
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const QStringList args = QApplication::arguments();
  const std::size_t megabytes = args.size() > 1 ? args[1].toULongLong() : 100;
  const std::size_t lineLength = args.size() > 2 ? args[2].toULongLong() : 100;

  QTemporaryDir dir;
  qputenv("KORVANE_HOME", dir.path().toUtf8());
  SetPlatform(std::make_unique<TSilentPlatform>());
  const std::string text = BenchData::JapaneseText(megabytes << 20, lineLength);
  const QString path = dir.filePath(QStringLiteral("big.txt"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(text.data(), static_cast<qint64>(text.size()));
  }
  const double mb = text.size() / 1e6;
  std::printf("document: %.1f MB, lines of about %zu bytes\n", mb, lineLength);

  // Baseline: the editor alone, given text that is already decoded.
  const QString decoded = QtText::DecodeForEditor(text);
  QElapsedTimer timer;
  double baseline = 0;
  {
    QPlainTextEdit editor;
    timer.start();
    editor.setPlainText(decoded);
    baseline = Seconds(timer);
  }
  std::printf("setPlainText of decoded text:   %7.3f s\n", baseline);

  // The program: read, split, join, decode, set into the editor.
  double open = 0;
  {
    TFmmein form;
    timer.start();
    form.OpenDocument(path);
    open = Seconds(timer);
    std::printf("open in the window:              %7.3f s  (%.2fx the baseline)\n", open,
                open / baseline);

    // The core's share of a command: text out of the editor, encode, split, road, join, decode.
    const QString shown = form.Btext->toPlainText();
    for (int round = 0; round < 3; ++round) {
    QElapsedTimer step;
    timer.start();
    step.start();
    std::string bytes = QtText::EncodeFromEditor(shown);
    const double encode = Seconds(step);
    step.start();
    TLightStrings document;
    document.SetText(std::move(bytes));
    const double split = Seconds(step);
    step.start();
    TLightStrings out;
    ConversionRoad::Run(document, document.Count(), {0, document.Count() - 1},
                        [](std::string_view line, TLightStrings& o) { o.Add(line); }, out);
    const double road = Seconds(step);
    step.start();
    const std::string joined = out.GetText();
    const double join = Seconds(step);
    step.start();
    const QString back = QtText::DecodeForEditor(joined);
    const double decode = Seconds(step);
    const double core = Seconds(timer);
    std::printf("core share of a command:         %7.3f s  (encode %.3f, split %.3f, road %.3f, "
                "join %.3f, decode %.3f)\n",
                core, encode, split, road, join, decode);
    if (back.size() != shown.size() + 1 && back.size() != shown.size()) {
      std::printf("unexpected result size\n");
      return 1;
    }
    }

    // A whole replace command in the window (every "e" made "E": read the lines, convert, set
    // the text), against the editor's own replacement of its text by the same result.
    for (int round = 0; round < 2; ++round) {
      timer.start();
      form.ConvertRange(ReplaceRules::KindRule(11, {"e", "", "E"}, {}), {});
      const double command = Seconds(timer);
      const QString result = form.Btext->toPlainText();
      timer.start();
      form.Btext->setPlainText(result);
      const double replace = Seconds(timer);
      std::printf("replace command in the window:   %7.3f s  (%.2fx the editor's own replacement, "
                  "%.3f s)\n", command, command / replace, replace);
    }
  }
  return 0;
}
