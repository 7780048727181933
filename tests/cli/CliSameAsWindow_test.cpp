// The two front ends give the same bytes: the same files loaded and the same commands run
// through the window (its real commands, dialogs answered by the scripted platform) and
// through korvane-cli; and the core's document text follows the editor's rules exactly.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QComboBox>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <random>
#include <string>

#include "app/Forms.h"
#include "document/DocumentText.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"
#include "view/Unvar.h"

namespace {

// One command, as the window's user gives it and as a korvane-cli command line.
struct TStep {
  QString Cli;
  std::function<void(TWindowFixture&)> Window;
};

TStep Plain(const char* item, const QString& cli) {
  return {cli, [item](TWindowFixture& fx) { fx.Trigger(item); }};
}

// A replace-dialog command: the three fields and the options 空白行は削除 (cb1),
// 大文字小文字を区別 (CB3) and 対象文字は変換しないで残す (cb2).
TStep Dialog(const char* item, const QStringList& fields, bool cb1, bool cb3, bool cb2,
             const QString& cli) {
  return {cli, [=](TWindowFixture& fx) {
            fx.Platform().DialogScripts.push_back([=, &fx](QDialog&) {
              TFmrep& rep = fx.Rep();
              rep.e1->setEditText(fields.value(0));
              rep.e2->setEditText(fields.value(1));
              rep.e3->setEditText(fields.value(2));
              rep.cb1->setChecked(cb1);
              rep.CB3->setChecked(cb3);
              rep.cb2->setChecked(cb2);
              rep.BitBtn1->click();
            });
            fx.Trigger(item);
          }};
}

TStep AddText(const char* item, const QString& text, const QString& cli) {
  return {cli, [=](TWindowFixture& fx) {
            fx.Platform().TextAnswers.push_back(text);
            fx.Trigger(item);
          }};
}

// The range row's start and end set from the caret, 1-based as the row shows them.
TStep Range(int first, int last) {
  return {QStringLiteral("range %1 %2").arg(first).arg(last), [=](TWindowFixture& fx) {
            fx.CaretToLine(first - 1);
            fx.Trigger("stpos");
            fx.CaretToLine(last - 1);
            fx.Trigger("edpos");
          }};
}

TStep RangeStart(int first) {
  return {QStringLiteral("range %1").arg(first), [=](TWindowFixture& fx) {
            fx.CaretToLine(first - 1);
            fx.Trigger("stpos");
          }};
}

enum class TLoad { OpenThenAppend, Drop };

struct TCase {
  const char* Name;
  QList<QPair<QString, QByteArray>> Files;
  TLoad Load;
  bool UseFileName;
  QList<TStep> Steps;
  bool SaveRange;  // the result is saved with 範囲保存 instead of 保存
};

QByteArray Page() {
  return Sjis(QStringLiteral(
             "<html><head><title>お知らせ</title></head><body>\r\n"
             "<h1>新製品のお知らせ</h1><p>ＡＢＣ社は、「テスト版」を公開しました。<br>"
             "価格は１，２００円です。</p>\r\n"
             "<div class=\"ad\">広告：今すぐ購入</div>\r\n"
             "<p>  &lt;注意&gt; 詳しくは &amp; こちら  </p>\r\n\r\n"
             "</body></html>\r\n")) +
         QByteArray("<p>x\0y</p>\r\n", 12);
}

QByteArray Shortcut(const char* url) {
  return QByteArray("[InternetShortcut]\r\nURL=") + url + "\r\n";
}

QList<TCase> Cases() {
  return {
      {"a saved web page made plain text",
       {{"page.html", Page()}},
       TLoad::OpenThenAppend,
       false,
       {Plain("tagc2", "strip-tags-drop-blank"),
        Dialog("N62", {QStringLiteral("広告")}, false, false, false, "delete-lines-with 広告"),
        Plain("N73", "half-width"), Plain("N24", "trim-and-drop"),
        AddText("N66", QStringLiteral("。"), QStringLiteral("suffix 。"))},
       false},
      {"dropped shortcuts made an address list",
       {{"サイト.URL", Shortcut("http://a.jp/f.zip")},
        {"ftp.url", Shortcut("ftp://b.jp/g.lzh")},
        {"page.URL", Shortcut("HTTP://c.jp/")}},
       TLoad::Drop,
       true,
       {Dialog("N62", {QStringLiteral("ftp")}, true, false, false,
               "delete-lines-with --drop-empty ftp"),
        Dialog("R1", {QStringLiteral("http://"), QString(), QStringLiteral("https://")}, false,
               false, false, "replace http:// https://"),
        AddText("N59", QStringLiteral("- "), QStringLiteral("prefix \"- \"")),
        Dialog("N63", {QStringLiteral("https")}, false, true, false,
               "delete-lines-without --match-case https")},
       false},
      {"ranges, tag line-breaking and every replace kind over appended files",
       {{"a.txt", Sjis(QStringLiteral("一行目\r\n<b>太字</b>と<i>斜体</i>\r\n前。「中」後\r\n"))},
        {"b.txt", QByteArray("aAbB aXb\r\n(x)y(z)\r\nk=v;w\r\n\r\n  pad  \r\n")}},
       TLoad::OpenThenAppend,
       false,
       {Range(2, 3), AddText("N59", QStringLiteral(">"), QStringLiteral("prefix >")),
        RangeStart(2), Plain("HTML2", "break-at-tags"),
        AddText("N66", QStringLiteral("|"), QStringLiteral("suffix |")),
        Dialog("N50", {QStringLiteral("。"), QStringLiteral("「")}, false, false, false,
               "break-between 。 「"),
        Dialog("R1", {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("#")}, true, true,
               true, "replace --drop-empty --match-case --keep-marks a b #"),
        Dialog("r4", {QStringLiteral("("), QStringLiteral(")"), QStringLiteral("[]")}, false,
               false, false, "replace-between ( ) []"),
        Dialog("r3", {QStringLiteral("="), QString(), QStringLiteral(":=")}, false, false, false,
               "replace-after = :="),
        Dialog("d1", {QStringLiteral("X"), QStringLiteral(";"), QStringLiteral("k")}, false,
               false, false, "delete X ; k"),
        Range(13, 13),
        Dialog("d2", {QStringLiteral(" ")}, false, false, false, "delete-before \" \""),
        Range(12, 12),
        Dialog("d3", {QStringLiteral("」")}, false, false, true, "delete-after --keep-marks 」"),
        Dialog("d4", {QStringLiteral("<"), QStringLiteral(">")}, false, false, false,
               "delete-between < >"),
        Range(3, 5), Plain("N42", "delete-range"), Plain("N22", "trim")},
       false},
      {"pages in UTF-8 and EUC-JP dropped together",
       {{"utf8.html", QStringLiteral("<p>ＡＢＣ社は<b>晴れ</b>のち曇り</p>\r\n").toUtf8()},
        {"euc.html", QByteArray("<p>\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8</p>\r\n")}},
       TLoad::Drop,
       false,
       {Plain("tagc2", "strip-tags-drop-blank"), Plain("N73", "half-width")},
       false},
      {"a page made text, links kept",
       {{"page.html", QStringLiteral("<html><head><title>T</title></head><body><p>一段落 "
                                     "<a href=\"x.html\">リンク</a></p><ul><li>a</li><li>b</li></ul>"
                                     "</body></html>\r\n").toUtf8()}},
       TLoad::OpenThenAppend,
       false,
       {TStep{QStringLiteral("page-text --keep-links"),
              [](TWindowFixture& fx) {
                fx.Trigger("KeepLinks1");
                fx.Trigger("PageText1");
              }}},
       false},
      {"the range's lines saved alone",
       {{"list.txt", QByteArray("one\r\ntwo\r\nthree\r\nfour\r\n")}},
       TLoad::OpenThenAppend,
       false,
       {Plain("tagc1", "strip-tags"), Plain("N23", "drop-blank-lines"), Range(2, 3)},
       true},
  };
}

QByteArray RunWindow(const TCase& c, TWindowFixture& fx, const QStringList& paths) {
  if (c.UseFileName) fx.Trigger("N48");
  if (c.Load == TLoad::Drop) {
    fx.Form().MergeFileList(paths);
  } else {
    fx.Open(paths.first());
    for (qsizetype i = 1; i < paths.size(); ++i) {
      fx.ChooseFile(paths[i]);
      fx.Trigger("Fappend");
    }
  }
  for (const TStep& step : c.Steps) step.Window(fx);
  const QString out = fx.FilePath(QStringLiteral("window.out"));
  fx.ChooseFile(out, 1, 0);  // Shift-JIS, as korvane-cli writes without --to
  fx.Trigger(c.SaveRange ? "N46" : "Fsave");
  if (!fx.Platform().Messages.isEmpty()) {
    QTest::qFail(qPrintable(fx.Platform().MessageTexts().join('\n')), __FILE__, __LINE__);
  }
  return TWindowFixture::Read(out);
}

QByteArray RunCli(const TCase& c, TWindowFixture& fx, const QStringList& paths) {
  QStringList args;
  if (c.UseFileName) args << QStringLiteral("--use-file-name");
  if (c.Load == TLoad::Drop) args << QStringLiteral("--drop");
  args << paths;
  for (const TStep& step : c.Steps) args << QStringLiteral("-e") << step.Cli;
  if (c.SaveRange) args << QStringLiteral("-e") << QStringLiteral("save-range");
  const QString out = fx.FilePath(QStringLiteral("cli.out"));
  args << QStringLiteral("-o") << out;
  QProcess cli;
  cli.start(QStringLiteral(KORVANE_CLI), args);
  cli.setProcessChannelMode(QProcess::SeparateChannels);
  if (!cli.waitForFinished(60000) || cli.exitStatus() != QProcess::NormalExit ||
      cli.exitCode() != 0) {
    QTest::qFail(qPrintable(QString::fromUtf8(cli.readAllStandardError())), __FILE__, __LINE__);
  }
  return TWindowFixture::Read(out);
}

}  // namespace

class CliSameAsWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void sameBytesThroughBothFrontEnds();
  void documentTextFollowsTheEditor();
  void everyPlaceShowsThePackagesVersion();
  void recordedRecipesGiveTheWindowsBytes();
  void recipeWithAFailingLineChangesNothing();
  void dropRecipeCleansEveryDrop();
  void recipesCarryCharactersShiftJisLacks();
};

void CliSameAsWindowTest::sameBytesThroughBothFrontEnds() {
  for (const TCase& c : Cases()) {
    TWindowFixture fx;
    QStringList paths;
    for (const auto& [name, bytes] : c.Files) paths << fx.Write(name, bytes);
    const QByteArray window = RunWindow(c, fx, paths);
    const QByteArray cli = RunCli(c, fx, paths);
    QVERIFY2(!window.isEmpty(), c.Name);
    QVERIFY2(window == cli, qPrintable(QStringLiteral("%1\nwindow: %2\ncli:    %3")
                                           .arg(QString::fromUtf8(c.Name),
                                                QString::fromLatin1(window.toHex(' ')),
                                                QString::fromLatin1(cli.toHex(' ')))));
  }
}

// The package is built as KORVANE_VERSION; both programs and the version dialog say the same.
void CliSameAsWindowTest::everyPlaceShowsThePackagesVersion() {
  const auto versionOf = [](const QString& program) {
    QProcess process;
    process.start(program, {QStringLiteral("--version")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
  };
  const QString version = QStringLiteral(KORVANE_VERSION);
  QVERIFY(QRegularExpression(QStringLiteral("^[0-9]+\\.[0-9]+(\\.[0-9]+)?$")).match(version).hasMatch());
  QCOMPARE(versionOf(QStringLiteral(KORVANE_CLI)), QStringLiteral("korvane-cli ") + version);
  QCOMPARE(versionOf(QStringLiteral(KORVANE_WINDOW)), QStringLiteral("korvane ") + version);
  TWindowFixture fx;
  QCOMPARE(fx.Forms().Var().Label4->text().normalized(QString::NormalizationForm_KC), version);
}

// Every case's commands recorded in the window as a recipe: korvane-cli running that recipe on
// the same files, and the window running it again on a fresh load (one undo step), give the
// bytes the window gave by hand.
void CliSameAsWindowTest::recordedRecipesGiveTheWindowsBytes() {
  std::mt19937 random(20);
  QList<TCase> cases = Cases();
  // Random sequences of the commands that need no range, too.
  const QList<TStep> free = {
      Plain("tagc1", "strip-tags"), Plain("tagc2", "strip-tags-drop-blank"), Plain("N22", "trim"),
      Plain("N23", "drop-blank-lines"), Plain("N24", "trim-and-drop"), Plain("N73", "half-width"),
      Plain("HTML2", "break-at-tags"), AddText("N59", QStringLiteral("\"x\\y\""), QString()),
      Dialog("R1", {QStringLiteral("お"), QString(), QStringLiteral("\"")}, false, false, false, QString()),
      Dialog("d4", {QStringLiteral("<"), QStringLiteral(">")}, true, false, true, QString()),
      Dialog("N62", {QStringLiteral("ＡＢＣ")}, false, false, false, QString())};
  for (int round = 0; round < 4; ++round) {
    TCase c = cases.first();
    c.Name = "a random sequence of commands";
    c.Steps.clear();
    for (int i = 0; i < 6; ++i) c.Steps << free[static_cast<int>(random() % free.size())];
    cases << c;
  }
  for (TCase c : cases) {
    if (c.SaveRange) continue;  // a save, not a change of the document
    TWindowFixture fx;
    QStringList paths;
    for (const auto& [name, bytes] : c.Files) paths << fx.Write(name, bytes);
    const QString recipe = fx.FilePath(QStringLiteral("recorded.recipe"));
    c.Steps.prepend({QString(), [](TWindowFixture& f) { f.Trigger("RecStart1"); }});
    c.Steps.append({QString(), [recipe](TWindowFixture& f) {
                      f.Trigger("RecStop1");
                      f.ChooseFile(recipe);
                      f.Trigger("RecSave1");
                    }});
    const QByteArray window = RunWindow(c, fx, paths);
    QVERIFY2(QFile::exists(recipe), c.Name);

    QStringList args;
    if (c.UseFileName) args << QStringLiteral("--use-file-name");
    if (c.Load == TLoad::Drop) args << QStringLiteral("--drop");
    const QString out = fx.FilePath(QStringLiteral("cli.out"));
    args << paths << QStringLiteral("-f") << recipe << QStringLiteral("-o") << out;
    QProcess cli;
    cli.start(QStringLiteral(KORVANE_CLI), args);
    QVERIFY(cli.waitForFinished(60000));
    QVERIFY2(cli.exitCode() == 0, qPrintable(QString::fromUtf8(cli.readAllStandardError()) +
                                             QString::fromUtf8(TWindowFixture::Read(recipe))));
    QVERIFY2(TWindowFixture::Read(out) == window,
             qPrintable(QStringLiteral("%1\n%2").arg(QString::fromUtf8(c.Name),
                                                    QString::fromUtf8(TWindowFixture::Read(recipe)))));

    // The same recipe run in the window on a fresh load: the same bytes, and one undo step.
    TWindowFixture again;
    TCase run = c;
    run.Steps = {{QString(), [recipe](TWindowFixture& f) {
                   f.ChooseFile(recipe);
                   f.Trigger("RecRun1");
                 }}};
    QCOMPARE(RunWindow(run, again, paths), window);
    const std::string after = again.Form().Btext->Text();
    again.Form().Btext->Undo();
    QVERIFY(again.Form().Btext->Text() != after || window == TWindowFixture::Read(paths.first()));
  }
}

// A recipe with a line korvane-cli would refuse: the window names the file and the line and
// leaves the document as it was.
void CliSameAsWindowTest::recipeWithAFailingLineChangesNothing() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "<b>x</b>\r\n"));
  const QString recipe = fx.Write(QStringLiteral("bad.recipe"), "strip-tags\nreplace-between a\nhalf-width\n");
  fx.ChooseFile(recipe);
  fx.Trigger("RecRun1");
  QCOMPARE(fx.Text(), QByteArray("<b>x</b>\r\n"));
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QVERIFY2(fx.Platform().MessageTexts().first().startsWith(QStringLiteral("bad.recipe:2")),
           qPrintable(fx.Platform().MessageTexts().first()));
  QVERIFY(!fx.Form().Btext->CanUndo());
}

// ドロップ時にレシピを実行: every drop is merged and then cleaned by the chosen recipe, as
// korvane-cli --drop -f does.
void CliSameAsWindowTest::dropRecipeCleansEveryDrop() {
  const QByteArray recipe = "strip-tags-drop-blank\ndelete-lines-with \"広告\"\nhalf-width\n";
  QString recipePath;
  QStringList paths;
  {
    TWindowFixture fx;
    recipePath = fx.Write(QStringLiteral("clean.recipe"), recipe);
    paths << fx.Write(QStringLiteral("a.html"), Page()) << fx.Write(QStringLiteral("b.html"), Page());
    fx.ChooseFile(recipePath);
    fx.Trigger("DropRecipe1");
    QVERIFY(fx.Action("DropRecipe1")->isChecked());
    fx.Form().DropDst1FileDrop(nullptr, paths, {});
    const QByteArray window = QByteArray::fromStdString(fx.Form().Btext->Text());
    const QString out = fx.FilePath(QStringLiteral("cli.out"));
    QProcess cli;
    cli.start(QStringLiteral(KORVANE_CLI), QStringList{QStringLiteral("--drop")} + paths +
                                               QStringList{QStringLiteral("-f"), recipePath,
                                                           QStringLiteral("-o"), out});
    QVERIFY(cli.waitForFinished(60000) && cli.exitCode() == 0);
    QCOMPARE(window, TWindowFixture::Read(out));
    QVERIFY(!window.contains(Sjis(QStringLiteral("広告"))));
  }
}

// A replace of characters Shift-JIS lacks, recorded in the window on a UTF-8 document: the
// recipe run by korvane-cli writes the same UTF-8 the window saves.
void CliSameAsWindowTest::recipesCarryCharactersShiftJisLacks() {
  TWindowFixture fx;
  const QString doc = fx.Write(QStringLiteral("utf8.txt"), QStringLiteral("café crème\r\nnaïve 😀\r\n").toUtf8());
  const QString recipe = fx.FilePath(QStringLiteral("foreign.recipe"));
  fx.Open(doc);
  fx.Trigger("RecStart1");
  Dialog("R1", {QStringLiteral("é"), QStringLiteral("😀"), QStringLiteral("è")}, false, false, false, QString())
      .Window(fx);
  fx.Trigger("RecStop1");
  fx.ChooseFile(recipe);
  fx.Trigger("RecSave1");
  const QString window = fx.FilePath(QStringLiteral("window.txt"));
  fx.ChooseFile(window, 1, -1);  // the encoding the document came in: UTF-8
  fx.Trigger("Fsave");
  QVERIFY(fx.Platform().Messages.isEmpty());
  const QString out = fx.FilePath(QStringLiteral("cli.txt"));
  QProcess cli;
  cli.start(QStringLiteral(KORVANE_CLI), {doc, QStringLiteral("-f"), recipe, QStringLiteral("--to"),
                                          QStringLiteral("utf-8"), QStringLiteral("-o"), out});
  QVERIFY(cli.waitForFinished(60000));
  QVERIFY2(cli.exitCode() == 0, qPrintable(QString::fromUtf8(cli.readAllStandardError())));
  QCOMPARE(TWindowFixture::Read(out), TWindowFixture::Read(window));
  QCOMPARE(QString::fromUtf8(TWindowFixture::Read(window)),
           QStringLiteral("cafè crème\r\nnaïve è\r\n"));
}

// Random bytes, with every byte that breaks or ends a line and bytes that are no Shift-JIS, set
// and appended in the editor and in the core's document text: the same text, lines and count.
void CliSameAsWindowTest::documentTextFollowsTheEditor() {
  TWindowFixture fx;
  TEditorControl& editor = *fx.Form().Btext;
  std::mt19937 random(20261208);
  const std::string alphabet("a \r\n\0\x1A\x81\x40\x82\xA0\x80\xFD\x5C\x95", 14);
  const auto bytes = [&] {
    std::string s;
    const int length = static_cast<int>(random() % 10);
    for (int i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
    return s;
  };
  const auto compare = [&](const TDocumentText& document, const std::string& trace) {
    QCOMPARE(QByteArray::fromStdString(document.Text()), QByteArray::fromStdString(editor.Text()));
    QCOMPARE(document.LineCount(), editor.LineCount());
    for (std::int32_t i = 0; i <= editor.LineCount(); ++i) {
      QVERIFY2(std::string(document.Line(i)) == editor.Line(i), trace.c_str());
    }
    QCOMPARE(document.EndsWithBreak(), editor.LineCount() == 0 || editor.Text().ends_with("\r\n"));
  };
  for (int round = 0; round < 300; ++round) {
    const std::string first = bytes();
    const std::string more = bytes();
    const std::string trace = QByteArray::fromStdString(first + "|" + more).toHex().toStdString();
    TDocumentText document;
    editor.SetText(first);
    document.SetText(first);
    compare(document, trace);
    editor.AppendLines(more);
    document.AppendLines(more);
    compare(document, trace);
  }
}

QTEST_MAIN(CliSameAsWindowTest)
#include "CliSameAsWindow_test.moc"
