// The document's life: start-up with a file, New, Save, Close, Exit and the question asked
// before unsaved work is thrown away.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QLineEdit>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Globals.h"
#include "app/StatusBar.h"
#include "document/editor/EditorControl.h"
#include "document/FileIO.h"
#include "document/SaveRecord.h"
#include "tests/support/Records.h"
#include "tests/support/WindowFixture.h"

namespace {
const QString kExitQuestion =
    QStringLiteral("編集済み文書が保存されていません。プログラムを終了してよろしいですか。");
const QString kCloseQuestion =
    QStringLiteral("編集済み文書が保存されていません。文書を破棄してよろしいですか。");
}  // namespace

class UnmeinDocumentTest : public QObject {
  Q_OBJECT
 private slots:
  void startUpOpensTheCommandLineFile();
  void severalStartUpFilesAreMergedAsADrop();
  void titleNamesTheDocumentAndItsUnsavedChanges();
  void recentFilesListTheLastTenDocuments();
  void startUpFailures_data();
  void startUpFailures();
  void startUpNamesAreMadeAbsolute();
  void interruptedSaveIsOfferedBack_data();
  void interruptedSaveIsOfferedBack();
  void newKeepsTypedTextAsUnchangedDocument();
  void exitWithUnchangedDocumentAsksNothing();
  void exitAfterAppendAsksUntilYes();
  void guardAsksAtMostOnce_data();
  void guardAsksAtMostOnce();
  void closingTheFrameAsksToo();
  void saveWritesTextAndClearsFlags_data();
  void saveWritesTextAndClearsFlags();
  void failedSaveKeepsOldFileAndFlags();
  void saveRespectsReadOnlyFilesAndFolders();
  void closeAfterSaveReturnsToNoDocument();
  void cancelledCloseKeepsEverything();
};

void UnmeinDocumentTest::startUpOpensTheCommandLineFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("start.txt"));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("s\r\n");
  file.close();
  TWindowFixture fx({path});
  QCOMPARE(fx.Text(), QByteArray("s\r\n"));
  QVERIFY(fx.Form().HasDocument);
  QVERIFY(!fx.Form().Btext->Modified());
  QVERIFY(!fx.Action("Fopen")->isEnabled());
}

// A launcher hands every file dropped on it to one program (Exec=korvane %F): they are joined
// as a drop on the empty window, once it is shown, with names made absolute.
void UnmeinDocumentTest::severalStartUpFilesAreMergedAsADrop() {
  QTemporaryDir dir;
  for (const auto& [name, bytes] : {std::pair{"a.txt", "a\r\n"}, std::pair{"b.txt", "b"}}) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  const QString before = QDir::currentPath();
  QVERIFY(QDir::setCurrent(dir.path()));
  TWindowFixture fx({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
  QVERIFY(QDir::setCurrent(before));
  TFmmein& fm = fx.Form();
  QVERIFY(!fm.HasDocument);
  fm.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fm));
  QTRY_VERIFY(fm.HasDocument);
  QCOMPARE(fx.Text(), QByteArray("a\r\n\r\nb\r\n\r\n"));
  QCOMPARE(fm.Bar->PanelText(0), dir.filePath(QStringLiteral("b.txt")));
  QVERIFY(fx.Platform().Messages.isEmpty());
}

void UnmeinDocumentTest::titleNamesTheDocumentAndItsUnsavedChanges() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  const QString program = QStringLiteral("テキスト文書　合成・変換ソフト ＜Ｋｏｒｖａｎｅ＞");
  QCOMPARE(fm.windowTitle(), program);
  fx.Open(fx.Write(QStringLiteral("sample.html"), "<p>a</p>\r\n"));
  QCOMPARE(fm.windowTitle(), QStringLiteral("sample.html - Ｋｏｒｖａｎｅ"));
  fm.Btext->SetSelStart(0);
  QTest::keyClicks(fm.Btext, QStringLiteral("x"));
  QCOMPARE(fm.windowTitle(), QStringLiteral("sample.html * - Ｋｏｒｖａｎｅ"));
  const QString saved = fx.FilePath(QStringLiteral("sample.txt"));
  fx.ChooseFile(saved);
  fx.Trigger("S1");
  QCOMPARE(fm.windowTitle(), QStringLiteral("sample.txt - Ｋｏｒｖａｎｅ"));
  QCOMPARE(fm.Bar->currentMessage(), QStringLiteral("保存しました: ") + saved);
  fx.Trigger("tbTagCut");  // a command is an unsaved change too
  QCOMPARE(fm.windowTitle(), QStringLiteral("sample.txt * - Ｋｏｒｖａｎｅ"));
  fx.Platform().Answers.push_back(TAnswer::Yes);
  fx.Trigger("Close1");
  QCOMPARE(fm.windowTitle(), program);
}

// Documents opened and saved, newest first, ten at most, kept in the data folder; an item opens
// its document, asking first about unsaved changes.
void UnmeinDocumentTest::recentFilesListTheLastTenDocuments() {
  QStringList opened;
  {
    TWindowFixture fx;
    TFmmein& fm = fx.Form();
    for (int i = 1; i <= 12; ++i) {
      const QString path = fx.Write(QStringLiteral("doc%1.txt").arg(i), "x\r\n");
      fx.Open(path);
      opened.prepend(path);
      fx.Trigger("Close1");
    }
    fx.Open(opened[5]);  // again: to the top, once
    opened.move(5, 0);
    fm.FillRecentMenu();
    QStringList shown;
    for (QAction* item : fm.Recent1->actions()) shown << item->text().section(QLatin1Char(' '), 1);
    QCOMPARE(shown, opened.mid(0, 10));
    QCOMPARE(QFileInfo(TFmmein::RecentPath()).dir().path() + QStringLiteral("/"), DataFolder());

    QTest::keyClicks(fm.Btext, QStringLiteral("typed"));
    fx.Platform().Answers.push_back(TAnswer::No);  // keep the changes: nothing opens
    fm.Recent1->actions()[3]->trigger();
    QCOMPARE(fm.Bar->PanelText(0), opened[0]);
    fx.Platform().Answers.push_back(TAnswer::Yes);
    fm.Recent1->actions()[3]->trigger();
    QCOMPARE(fm.Bar->PanelText(0), opened[3]);
    QCOMPARE(fx.Text(), QByteArray("x\r\n"));
    fm.FillRecentMenu();
    QCOMPARE(fm.Recent1->actions()[0]->text().section(QLatin1Char(' '), 1), opened[3]);
  }
}

void UnmeinDocumentTest::startUpFailures_data() {
  QTest::addColumn<QString>("argument");
  QTest::addColumn<QString>("message");
  QTest::newRow("missing file") << QStringLiteral("/no/such/file.txt")
                                << ReadFailure(QStringLiteral("/no/such/file.txt"),
                                               QStringLiteral("ﾌｧｲﾙが見つかりません"));
  QTest::newRow("folder") << QStringLiteral("/tmp")
                          << ReadFailure(QStringLiteral("/tmp"),
                                         QStringLiteral("ﾌｫﾙﾀﾞはﾌｧｲﾙとして開けません"));
  QTest::newRow("named pipe") << QStringLiteral("pipe")
                              << ReadFailure(QStringLiteral("pipe"),
                                             QStringLiteral("通常のﾌｧｲﾙではないため読み込めません（名前付きﾊﾟｲﾌﾟ）"));
  // Bytes that are not UTF-8 reach the program as U+FFFD and name no file that exists.
  const QString notUtf8 = QFile::decodeName(QByteArray("/tmp/\xff\xfe.txt"));
  QTest::newRow("name not UTF-8")
      << notUtf8
      << QStringLiteral("ﾌｧｲﾙ %1 を開けません\nﾌｧｲﾙ名に UTF-8 として読めないﾊﾞｲﾄが含まれています")
             .arg(notUtf8);
}

// A file named on the command line that cannot be opened is told over the shown window,
// naming the file; the window ends in the no-document state with an empty range row.
void UnmeinDocumentTest::startUpFailures() {
  QFETCH(QString, argument);
  QFETCH(QString, message);
  // A pipe would block the start-up for ever if it were opened for reading.
  QTemporaryDir pipes;
  if (argument == QStringLiteral("pipe")) {
    argument = pipes.filePath(QStringLiteral("pipe.txt"));
    message.replace(QStringLiteral(" pipe "), QStringLiteral(" ") + argument + QStringLiteral(" "));
    QCOMPARE(::mkfifo(QFile::encodeName(argument).constData(), 0600), 0);
  }
  TWindowFixture fx({argument});
  TFmmein& fm = fx.Form();
  QVERIFY(fx.Platform().Messages.isEmpty());  // not before the window is there
  fm.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fm));
  QTRY_COMPARE(fx.Platform().MessageTexts(), QStringList{message});
  QCOMPARE(fx.Platform().Messages[0].At, fm.PromptPoint());
  QCOMPARE(fx.Platform().Messages[0].Kind, TMessageKind::Error);
  QVERIFY(!fm.HasDocument);
  QVERIFY(fx.Action("Fopen")->isEnabled());
  for (const QLineEdit* field : {fm.ed1, fm.ed2, fm.ed3}) QCOMPARE(field->text(), QString());
  QVERIFY(fm.BottomGap > 0);  // the rest of start-up ran
  QVERIFY(QFile::exists(MemoClipPath));
  fm.hide();
  fm.show();
  QTest::qWait(20);
  QCOMPARE(fx.Platform().Messages.size(), 1);  // told once
}

void UnmeinDocumentTest::interruptedSaveIsOfferedBack_data() {
  QTest::addColumn<TAnswer>("answer");
  QTest::addColumn<QByteArray>("fileAfter");
  QTest::addColumn<std::size_t>("recordsAfter");
  QTest::newRow("yes: the old content back") << TAnswer::Yes << QByteArray("old\r\n") << std::size_t{0};
  QTest::newRow("no: given up") << TAnswer::No << QByteArray("ne") << std::size_t{0};
  QTest::newRow("cancel: asked again next time") << TAnswer::Cancel << QByteArray("ne") << std::size_t{1};
}

// A save in place that an earlier run (of the window or the command line) did not finish is
// offered back once the window is shown, naming the file.
void UnmeinDocumentTest::interruptedSaveIsOfferedBack() {
  QFETCH(TAnswer, answer);
  QFETCH(QByteArray, fileAfter);
  QFETCH(std::size_t, recordsAfter);
  TWindowFixture fx;
  const QString path = fx.Write(QStringLiteral("doc.txt"), "old\r\n");
  const std::string native = QFile::encodeName(path).toStdString();
  {
    FileIO::TChecksum sum;
    sum.Add("new\r\n");
    const int old = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    const FileIO::TSaveRecord record(FileIO::BackupFolder(), FileIO::ResolvedTarget(native),
                                     native, old, 5, sum.Value());
    ::close(old);
  }  // the saving process died here
  fx.Write(QStringLiteral("doc.txt"), "ne");
  fx.Platform().Answers.push_back(answer);
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fm));
  QTRY_COMPARE(fx.Platform().Questions.size(), 1);
  QCOMPARE(fx.Platform().Questions[0].Title, QStringLiteral("保存の復旧"));
  QVERIFY(fx.Platform().Questions[0].Text.contains(QStringLiteral("ﾌｧｲﾙ ") + path + QStringLiteral(" の保存")));
  QCOMPARE(fx.Platform().Questions[0].At, fm.PromptPoint());
  QCOMPARE(TWindowFixture::Read(path), fileAfter);
  QCOMPARE(RecordsIn(FileIO::BackupFolder()), recordsAfter);
  QVERIFY(fx.Platform().Messages.isEmpty());
}

// A relative name is taken from the folder current at start-up: a later save goes there even
// when the current folder has changed, and the save dialog proposes that folder.
void UnmeinDocumentTest::startUpNamesAreMadeAbsolute() {
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("files")));
  QFile file(dir.filePath(QStringLiteral("files/a.txt")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("a\r\n");
  file.close();
  const QString before = QDir::currentPath();
  QVERIFY(QDir::setCurrent(dir.path()));
  TWindowFixture fx({QStringLiteral("files/a.txt")});
  QVERIFY(QDir::setCurrent(fx.Folder()));
  const QString absolute = dir.filePath(QStringLiteral("files/a.txt"));
  QCOMPARE(fx.Form().Bar->PanelText(0), absolute);
  QCOMPARE(fx.Form().Filesv.FileName, absolute);
  fx.ChooseFile(fx.Form().Filesv.FileName);
  fx.Trigger("S1");
  QCOMPARE(fx.Platform().Dialogs.last().Request.FileName, absolute);
  QVERIFY(!QFile::exists(fx.FilePath(QStringLiteral("a.txt"))));
  QVERIFY(QDir::setCurrent(before));
}

void UnmeinDocumentTest::newKeepsTypedTextAsUnchangedDocument() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  QTest::keyClicks(fm.Btext, QStringLiteral("typed"));
  QVERIFY(fm.Btext->Modified());
  fx.Trigger("New1");
  QCOMPARE(fx.Text(), QByteArray("typed"));
  QVERIFY(!fm.Btext->Modified());
  QVERIFY(fm.HasDocument);
  QCOMPARE(fm.Bar->PanelText(0), QStringLiteral("  新規文書"));
  QCOMPARE(fm.Bar->PanelWidth(0), 48);
  QCOMPARE(fm.Filesv.FileName, QStringLiteral("新規文書.txt"));
  QVERIFY(!fx.Action("Make")->isEnabled());
  QVERIFY(fx.Action("Fsave")->isEnabled());
}

void UnmeinDocumentTest::exitWithUnchangedDocumentAsksNothing() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.Form().show();
  fx.Trigger("prgend");
  QVERIFY(fx.Platform().Questions.isEmpty());
  QVERIFY(!fx.Form().isVisible());
}

void UnmeinDocumentTest::exitAfterAppendAsksUntilYes() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.ChooseFile(fx.Write(QStringLiteral("b.txt"), "b\r\n"));
  fx.Trigger("Fappend");
  TFmmein& fm = fx.Form();
  fm.show();
  fx.Platform().Answers = {TAnswer::No};
  fx.Trigger("Exit1");
  QVERIFY(fm.isVisible());
  QVERIFY(fm.Appended);
  QCOMPARE(fx.Platform().Questions.size(), 1);
  QCOMPARE(fx.Platform().Questions[0].Text, kExitQuestion);
  QCOMPARE(fx.Platform().Questions[0].Title, QStringLiteral("警告"));
  QCOMPARE(fx.Platform().Questions[0].At, fm.PromptPoint());
  fx.Platform().Answers = {TAnswer::Yes};
  fx.Trigger("Exit1");
  QCOMPARE(fx.Platform().Questions.size(), 2);  // a yes to Appended clears Modified: one question
  QVERIFY(!fm.isVisible());
}

void UnmeinDocumentTest::guardAsksAtMostOnce_data() {
  QTest::addColumn<bool>("appended");
  QTest::addColumn<bool>("modified");
  QTest::addColumn<QList<TAnswer>>("answers");
  QTest::addColumn<int>("questions");
  QTest::addColumn<bool>("closed");
  QTest::newRow("modified, yes") << false << true << QList<TAnswer>{TAnswer::Yes} << 1 << true;
  QTest::newRow("modified, cancel") << false << true << QList<TAnswer>{TAnswer::Cancel} << 1
                                    << false;
  QTest::newRow("both, yes once") << true << true << QList<TAnswer>{TAnswer::Yes} << 1 << true;
  QTest::newRow("both, no") << true << true << QList<TAnswer>{TAnswer::No} << 1 << false;
  QTest::newRow("neither") << false << false << QList<TAnswer>{} << 0 << true;
}

void UnmeinDocumentTest::guardAsksAtMostOnce() {
  QFETCH(bool, appended);
  QFETCH(bool, modified);
  QFETCH(QList<TAnswer>, answers);
  QFETCH(int, questions);
  QFETCH(bool, closed);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  TFmmein& fm = fx.Form();
  fm.Appended = appended;
  fm.Btext->SetModified(modified);
  fx.Platform().Answers.assign(answers.begin(), answers.end());
  fx.Trigger("Fclose");
  QCOMPARE(fx.Platform().Questions.size(), questions);
  for (const auto& question : fx.Platform().Questions) QCOMPARE(question.Text, kCloseQuestion);
  QCOMPARE(!fm.HasDocument, closed);
  if (!closed) {
    QCOMPARE(fm.Appended, appended);
    QCOMPARE(fm.Btext->Modified(), modified);
    QCOMPARE(fx.Text(), QByteArray("a\r\n"));
  }
}

void UnmeinDocumentTest::closingTheFrameAsksToo() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  TFmmein& fm = fx.Form();
  fm.show();
  QTest::keyClicks(fm.Btext, QStringLiteral("x"));
  fx.Platform().Answers = {TAnswer::Cancel};
  QVERIFY(!fm.close());
  QCOMPARE(fx.Platform().Questions.size(), 1);
  QCOMPARE(fx.Platform().Questions[0].Text, kExitQuestion);
  fx.Platform().Answers = {TAnswer::Yes};
  QVERIFY(fm.close());
}

void UnmeinDocumentTest::saveWritesTextAndClearsFlags_data() {
  QTest::addColumn<int>("filterIndex");
  QTest::addColumn<QString>("name");
  QTest::newRow("text") << 1 << "out.txt";
  QTest::newRow("address list") << 2 << "out.lst";
  QTest::newRow("HTML writes the same plain text") << 6 << "out.html";
}

void UnmeinDocumentTest::saveWritesTextAndClearsFlags() {
  QFETCH(int, filterIndex);
  QFETCH(QString, name);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.ChooseFile(fx.Write(QStringLiteral("b.txt"), Sjis(QStringLiteral("表示\r\n"))));
  fx.Trigger("Fappend");
  const QString target = fx.FilePath(name);
  fx.ChooseFile(target, filterIndex);
  fx.Trigger("S1");
  QCOMPARE(TWindowFixture::Read(target), Sjis(QStringLiteral("a\r\n表示\r\n\r\n")));
  TFmmein& fm = fx.Form();
  QVERIFY(!fm.Appended);
  QVERIFY(!fm.Btext->Modified());
  QCOMPARE(fm.Filesv.FilterIndex, filterIndex);
  const auto& request = fx.Platform().Dialogs.last().Request;
  QCOMPARE(request.Title, QStringLiteral("ファイルを保存"));
  QVERIFY(request.ConfirmOverwrite);
  QCOMPARE(request.FileName, fx.FilePath(QStringLiteral("b.txt")));
  QCOMPARE(request.Filters.size(), 7);
  QCOMPARE(request.Filters[5].Caption, QStringLiteral("HTML(*.html)"));
}

void UnmeinDocumentTest::failedSaveKeepsOldFileAndFlags() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.ChooseFile(fx.Write(QStringLiteral("b.txt"), "b\r\n"));
  fx.Trigger("Fappend");
  const QString missingFolder = fx.FilePath(QStringLiteral("no/out.txt"));
  fx.ChooseFile(missingFolder);
  fx.Trigger("Fsave");
  TFmmein& fm = fx.Form();
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QVERIFY(fx.Platform().Messages[0].Text.startsWith(QStringLiteral("ﾌｧｲﾙ ") + missingFolder +
                                                    QStringLiteral(" を作成できません")));
  QVERIFY(fm.Appended);
  QVERIFY(fm.Btext->Modified());

  // A character that Shift-JIS cannot hold enters the document as itself; a save in Shift-JIS
  // asks before it writes it as a reference, and "no" writes nothing.
  const QString existing = fx.Write(QStringLiteral("keep.txt"), "old\r\n");
  fm.Btext->SetSelStart(fm.Btext->TextLength());
  QApplication::clipboard()->setText(QStringLiteral("😀"));
  fm.Btext->Paste();
  QVERIFY(fx.Platform().Messages.size() == 1);
  const QByteArray withEmoji = fx.Text();
  fx.ChooseFile(existing);
  fx.Platform().Answers.push_back(TAnswer::No);
  fx.Trigger("Fsave");
  QVERIFY(fx.Platform().Questions.last().Text.contains(QStringLiteral("U+1F600")));
  QVERIFY(fx.Platform().Questions.last().Text.startsWith(QStringLiteral("Shift-JIS で表せない文字が 1 個")));
  QCOMPARE(TWindowFixture::Read(existing), QByteArray("old\r\n"));
  QVERIFY(fm.Btext->Modified());
  fx.Platform().Answers.push_back(TAnswer::Yes);
  fx.ChooseFile(existing);
  fx.Trigger("Fsave");
  QVERIFY(TWindowFixture::Read(existing).endsWith("&#128512;"));
  // Saved as UTF-8, it is the character itself.
  fx.ChooseFile(existing, 1, 1);
  fx.Trigger("Fsave");
  QVERIFY(TWindowFixture::Read(existing).endsWith("\xF0\x9F\x98\x80"));
  fx.ChooseFile(existing, 1, 0);  // back to Shift-JIS for what follows
  fx.Platform().Answers.push_back(TAnswer::Yes);
  fx.Trigger("Fsave");
  const QByteArray before = fx.Text();
  QCOMPARE(before, withEmoji);

  // So is a pasted NUL, which would otherwise cut the saved text short.
  QApplication::clipboard()->setText(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
  fm.Btext->Paste();
  QVERIFY2(fx.Platform().Messages.last().Text.contains(QStringLiteral("U+0000")),
           qPrintable(fx.Platform().Messages.last().Text));
  QCOMPARE(fx.Text(), before);
  const QByteArray saved = TWindowFixture::Read(existing);

  // A write that fails midway (here the file-size limit, as a full disk would) names the file
  // that was not saved.
  FileIO::IgnoreFileSizeSignal();
  struct rlimit limit {};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const struct rlimit small {2, limit.rlim_max};
  QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
  fx.ChooseFile(existing);
  fx.Platform().Answers.push_back(TAnswer::Yes);
  fx.Trigger("Fsave");
  ::setrlimit(RLIMIT_FSIZE, &limit);
  QCOMPARE(fx.Platform().Messages.last().Text,
           QStringLiteral("ﾌｧｲﾙ %1 に書き込めません\nﾌｧｲﾙｻｲｽﾞの上限を超えたため書き込めません")
               .arg(existing));
  QCOMPARE(TWindowFixture::Read(existing), saved);
}

// A read-only file is not replaced, although its folder would allow it; the document stays
// changed. A writable file in a folder where nothing can be created is saved in place.
void UnmeinDocumentTest::saveRespectsReadOnlyFilesAndFolders() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  TFmmein& fm = fx.Form();
  QTest::keyClicks(fm.Btext, QStringLiteral("x"));
  const QString locked = fx.Write(QStringLiteral("locked.txt"), "old\r\n");
  QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  fx.ChooseFile(locked);
  fx.Trigger("Fsave");
  QCOMPARE(fx.Platform().MessageTexts(),
           QStringList{QStringLiteral("ﾌｧｲﾙ %1 を作成できません\n読み取り専用のﾌｧｲﾙです").arg(locked)});
  QCOMPARE(TWindowFixture::Read(locked), QByteArray("old\r\n"));
  QVERIFY(fm.Btext->Modified());

  const QString folder = fx.FilePath(QStringLiteral("shut"));
  QVERIFY(QDir().mkpath(folder));
  const QString inside = fx.Write(QStringLiteral("shut/in.txt"), "old\r\n");
  QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  fx.ChooseFile(inside);
  fx.Trigger("Fsave");
  QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner));
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QCOMPARE(TWindowFixture::Read(inside), QByteArray("xa\r\n"));
  QVERIFY(!fm.Btext->Modified());
  QCOMPARE(QDir(fx.Home()).entryList(QDir::Files | QDir::Hidden),
           (QStringList{QStringLiteral("memoclip.kvn"), QStringLiteral("recent.kvn")}));  // the kept copy is gone again
}

void UnmeinDocumentTest::closeAfterSaveReturnsToNoDocument() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\nb\r\n"));
  TFmmein& fm = fx.Form();
  fm.Btext->SetSelStart(3);
  fx.Trigger("stpos");
  fx.ChooseFile(fx.FilePath(QStringLiteral("saved.txt")));
  fx.Trigger("Fsave");
  fx.Trigger("Close1");
  QVERIFY(fx.Platform().Questions.isEmpty());
  QVERIFY(!fm.HasDocument);
  QCOMPARE(fx.Text(), QByteArray());
  QCOMPARE(fm.Btext->Color(), fm.palette().color(QPalette::Button));
  QCOMPARE(fm.Bar->PanelText(0), QString());
  QCOMPARE(fm.Bar->PanelWidth(0), 300);
  QVERIFY(fm.ed1->text().isEmpty() && fm.ed2->text().isEmpty() && fm.ed3->text().isEmpty());
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), QColor(192, 192, 192));
  QCOMPARE(RangeStart, 0);
  QCOMPARE(fm.RangeCaretPos, 0);
  QVERIFY(fm.Fileop.FileName.isEmpty() && fm.Filesv.FileName.isEmpty());
  QVERIFY(fx.Action("Fopen")->isEnabled() && fx.Action("New1")->isEnabled());
  QVERIFY(!fx.Action("Fsave")->isEnabled() && !fx.Action("BtRet")->isEnabled());
  QVERIFY(!fx.Action("A1")->isEnabled());
}

void UnmeinDocumentTest::cancelledCloseKeepsEverything() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  TFmmein& fm = fx.Form();
  QTest::keyClicks(fm.Btext, QStringLiteral("z"));
  fx.Platform().Answers = {TAnswer::No};
  fx.Trigger("Fclose");
  QVERIFY(fm.HasDocument);
  QVERIFY(fm.Btext->Modified());
  QCOMPARE(fx.Text(), QByteArray("za\r\n"));
}

QTEST_MAIN(UnmeinDocumentTest)
#include "UnmeinDocument_test.moc"
