// Loading and merging in the window: Open, Append, a dropped list, the three readers, the
// bookkeeping after a load, and every failure path.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include "app/StatusBar.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"

namespace {
const QString kHtmlLostMessage = QStringLiteral(
    "は保存の途中でした。処理により当該ファイルは失われたため、再度保存を実行してください。");
}

class UnmeinLoadTest : public QObject {
  Q_OBJECT
 private slots:
  void editorLinesAndCount_data();
  void editorLinesAndCount();
  void openSetsTheDocumentAndTheOpenState();
  void openThenAppendAddsOneEmptyLine();
  void appendAfterALineWithoutBreak();
  void appendSwitchesWrapOff();
  void readersByExtension_data();
  void readersByExtension();
  void shortcutNameOptionAndSaveName();
  void mergeOnEmptyWindow_data();
  void mergeOnEmptyWindow();
  void mergeOnADocumentAppendsDirectly();
  void failedMergeLeavesTheDocument();
  void droppedPipeIsRefused();
  void encodingsAreToldInTheStatusBar();
  void reopenInAnEncoding();
  void htmlThatCannotBeOpenedIsTold();
  void failuresOfOpenAndAppend_data();
  void failuresOfOpenAndAppend();
  void cancelledDialogDoesNothing();
  void cutTextIsTold_data();
  void cutTextIsTold();
  void undecodableBytesSurviveOpenAndSave();
  void namesWithBlanksAndNonAsciiCharacters();
  void openedNameInStatusBar();
};

void UnmeinLoadTest::editorLinesAndCount_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QList<QByteArray>>("lines");
  QTest::newRow("empty editor has no line") << QByteArray() << QList<QByteArray>{};
  QTest::newRow("a final break adds no line") << QByteArray("a\r\nb\r\n")
                                              << QList<QByteArray>{"a", "b"};
  QTest::newRow("last line without break") << QByteArray("a\r\nb") << QList<QByteArray>{"a", "b"};
  QTest::newRow("empty lines count") << QByteArray("\r\n\r\nc\r\n")
                                     << QList<QByteArray>{"", "", "c"};
  QTest::newRow("text ends at NUL") << QByteArray("a\r\nb\0c\r\nd", 9)
                                    << QList<QByteArray>{"a", "b"};
  QTest::newRow("double-byte lines") << Sjis(QStringLiteral("表示\r\nソフト\r\n"))
                                     << QList<QByteArray>{Sjis(QStringLiteral("表示")),
                                                          Sjis(QStringLiteral("ソフト"))};
}

// The editor's line interface: count, each line as bytes, "" past the last line.
void UnmeinLoadTest::editorLinesAndCount() {
  QFETCH(QByteArray, text);
  QFETCH(QList<QByteArray>, lines);
  TWindowFixture fx;
  TEditorControl& editor = *fx.Form().Btext;
  editor.SetText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  QCOMPARE(editor.LineCount(), lines.size());
  for (int i = 0; i < lines.size(); ++i) {
    QCOMPARE(QByteArray::fromStdString(editor.Line(i)), lines[i]);
    QCOMPARE(editor.LineFromChar(editor.LineIndex(i)), i);
  }
  QCOMPARE(editor.Line(static_cast<int>(lines.size()) + 1), std::string());
  QCOMPARE(editor.LineIndex(static_cast<int>(lines.size()) + 1), -1);
  QVERIFY(editor.Modified());
}

void UnmeinLoadTest::openSetsTheDocumentAndTheOpenState() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ab.txt"), "a\r\nb\r\n"));
  TFmmein& fm = fx.Form();
  QCOMPARE(fx.Text(), QByteArray("a\r\nb\r\n"));
  QCOMPARE(fm.Btext->LineCount(), 2);
  QVERIFY(fm.HasDocument);
  QVERIFY(!fm.Appended);
  QVERIFY(!fm.Btext->Modified());
  QVERIFY(!fx.Action("Fopen")->isEnabled());
  QVERIFY(!fx.Action("Make")->isEnabled());
  QVERIFY(fx.Action("Fappend")->isEnabled());
  QVERIFY(fx.Action("pop2")->isEnabled());
  QCOMPARE(fm.Btext->Color(), QColor(255, 255, 255));
  QCOMPARE(fm.ed1->text(), QStringLiteral("開始位置 : 1"));
  QCOMPARE(fm.ed2->text(), QStringLiteral("終了位置 : 2"));
  QCOMPARE(fm.ed3->text(), QStringLiteral("2"));
  QCOMPARE(fm.Filesv.FileName, fx.FilePath(QStringLiteral("ab.txt")));
  QCOMPARE(fm.WorkList->Count(), 0);
  QCOMPARE(fx.Platform().CursorChanges, (QList<bool>{true, false}));
  const auto& dialog = fx.Platform().Dialogs.first().Request;
  QCOMPARE(dialog.Title, QStringLiteral("ファイルを開く"));
  QCOMPARE(dialog.DefaultExt, QStringLiteral("txt"));
  QStringList captions;
  for (const TFileFilter& filter : dialog.Filters) captions << filter.Caption;
  QCOMPARE(captions, (QStringList{QStringLiteral("ﾃｷｽﾄ (*.txt)"), QStringLiteral("GetRight(*.grx)"),
                                  QStringLiteral("HTML (*.htm *.html *.shtml)"),
                                  QStringLiteral("ｲﾝﾀｰﾈｯﾄｼｮｰﾄｶｯﾄ (*.url)"),
                                  QStringLiteral("全てのﾌｧｲﾙ (*.*)")}));
}

void UnmeinLoadTest::openThenAppendAddsOneEmptyLine() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ab.txt"), "a\r\nb\r\n"));
  fx.ChooseFile(fx.Write(QStringLiteral("cd.txt"), "c\r\nd\r\n"));
  fx.Trigger("N1");
  TFmmein& fm = fx.Form();
  QCOMPARE(fx.Text(), QByteArray("a\r\nb\r\nc\r\nd\r\n\r\n"));
  QCOMPARE(fm.Btext->LineCount(), 5);
  QVERIFY(fm.Appended);
  QVERIFY(fm.Btext->Modified());
  QCOMPARE(fm.ed3->text(), QStringLiteral("5"));
  QCOMPARE(fm.Filesv.FileName, fx.FilePath(QStringLiteral("cd.txt")));
}

void UnmeinLoadTest::appendAfterALineWithoutBreak() {
  TWindowFixture fx;
  fx.Trigger("Make");
  fx.Form().Btext->SetText(std::string("x"));
  fx.ChooseFile(fx.Write(QStringLiteral("y.txt"), "y\r\n"));
  fx.Trigger("Fappend");
  QCOMPARE(fx.Text(), QByteArray("x\r\ny\r\n"));
}

void UnmeinLoadTest::appendSwitchesWrapOff() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.Trigger("wardw");
  QVERIFY(fx.Form().Btext->WordWrap());
  fx.ChooseFile(fx.Write(QStringLiteral("b.txt"), "b\r\n"));
  fx.Trigger("Fappend");
  TFmmein& fm = fx.Form();
  QVERIFY(!fm.WrapOn);
  QVERIFY(!fm.Btext->WordWrap());
  QVERIFY(!fx.Action("wardw")->isChecked());
  QVERIFY(!fx.Action("N3")->isChecked());
  QCOMPARE(fm.Bar->PanelText(2), QStringLiteral("折り返さない"));
}

void UnmeinLoadTest::readersByExtension_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QByteArray>("document");
  QTest::newRow("html NUL becomes a blank")
      << "p.html" << QByteArray("a\0b\r\n", 5) << QByteArray("a b\r\n");
  QTest::newRow("text NUL ends the document")
      << "p.txt" << QByteArray("a\0b\r\nc\r\n", 8) << QByteArray("a");
  QTest::newRow("html splits at LF") << "p.htm" << QByteArray("x\ny\n") << QByteArray("x\r\ny\r\n");
  QTest::newRow("text LF stays in the line, the editor breaks it")
      << "p.txt" << QByteArray("x\ny\n") << QByteArray("x\r\ny\r\n\r\n");
  QTest::newRow("CR-only text") << "p.txt" << QByteArray("x\ry\r") << QByteArray("x\r\ny\r\n");
  QTest::newRow("one-byte html") << "p.shtml" << QByteArray("x")
                                 << Sjis(QStringLiteral("当該ファイルは正常に読み出せません\r\n"));
  QTest::newRow("empty text") << "p.txt" << QByteArray() << QByteArray();
  QTest::newRow("shortcut") << "s.URL" << QByteArray("[InternetShortcut]\r\nURL=http://a.jp/\r\n")
                            << QByteArray("http://a.jp/\r\n\r\n");
}

void UnmeinLoadTest::readersByExtension() {
  QFETCH(QString, name);
  QFETCH(QByteArray, bytes);
  QFETCH(QByteArray, document);
  TWindowFixture fx;
  fx.Open(fx.Write(name, bytes));
  QCOMPARE(fx.Text(), document);
  QVERIFY(fx.Form().HasDocument);
}

void UnmeinLoadTest::shortcutNameOptionAndSaveName() {
  TWindowFixture fx;
  fx.Trigger("N48");
  QVERIFY(fx.Action("N48")->isChecked());
  fx.Open(fx.Write(QStringLiteral("サイト.URL"), "[InternetShortcut]\r\nURL=http://a.jp/\r\n"));
  QCOMPARE(fx.Text(), Sjis(QStringLiteral("サイト\r\nhttp://a.jp/\r\n\r\n")));
  QCOMPARE(fx.Form().Filesv.FileName, fx.FilePath(QStringLiteral("サイト.txt")));
}

void UnmeinLoadTest::mergeOnEmptyWindow_data() {
  QTest::addColumn<QStringList>("names");
  QTest::addColumn<QByteArray>("document");
  QTest::addColumn<bool>("appended");
  QTest::newRow("two files: appended, each followed by an empty line")
      << QStringList{"x.txt", "y.txt"} << QByteArray("x\r\n\r\ny\r\n\r\n") << true;
  QTest::newRow("one file: opened, with one empty line after it")
      << QStringList{"x.txt"} << QByteArray("x\r\n\r\n") << false;
  QTest::newRow("order as delivered")
      << QStringList{"y.txt", "x.txt"} << QByteArray("y\r\n\r\nx\r\n\r\n") << true;
}

void UnmeinLoadTest::mergeOnEmptyWindow() {
  QFETCH(QStringList, names);
  QFETCH(QByteArray, document);
  QFETCH(bool, appended);
  TWindowFixture fx;
  fx.Write(QStringLiteral("x.txt"), "x\r\n");
  fx.Write(QStringLiteral("y.txt"), "y\r\n");
  QStringList paths;
  for (const QString& name : names) paths << fx.FilePath(name);
  TFmmein& fm = fx.Form();
  fm.MergeFileList(paths);
  QCOMPARE(fx.Text(), document);
  QCOMPARE(fm.Appended, appended);
  QCOMPARE(fm.Btext->Modified(), appended);
  QVERIFY(fm.HasDocument);
  QVERIFY(!fx.Action("Fopen")->isEnabled());
  QVERIFY(fx.Action("Fclose")->isEnabled());
  QCOMPARE(fm.Bar->PanelText(0), paths.last());
  QCOMPARE(fx.Platform().BroughtToFront, 1);
  QVERIFY(!fx.Platform().Busy);
}

void UnmeinLoadTest::mergeOnADocumentAppendsDirectly() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.Form().MergeFileList({fx.Write(QStringLiteral("b.txt"), "b\r\n")});
  QCOMPARE(fx.Text(), QByteArray("a\r\nb\r\n\r\n"));
  QVERIFY(fx.Form().Appended);
  QVERIFY(fx.Form().Btext->Modified());
}

void UnmeinLoadTest::failedMergeLeavesTheDocument() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  TFmmein& fm = fx.Form();
  const QStringList files = {fx.Write(QStringLiteral("b.txt"), "b\r\n"),
                             fx.Write(QStringLiteral("one.URL"), "[InternetShortcut]\r\n")};
  bool failed = false;
  try {
    fm.MergeFileList(files);
  } catch (const std::exception& e) {
    failed = true;
    QCOMPARE(QString::fromUtf8(e.what()),
             ReadFailure(files[1], QStringLiteral("インデックスがリストの範囲を超えています")));
  }
  QVERIFY(failed);
  QCOMPARE(fx.Text(), QByteArray("a\r\n"));
  QVERIFY(!fm.Appended);
  QCOMPARE(fm.Bar->PanelText(0), fx.FilePath(QStringLiteral("a.txt")));
  QVERIFY(!fx.Platform().Busy);
  QCOMPARE(fx.Platform().BroughtToFront, 1);
}

// A pipe among dropped files ends the drop at once, naming it, instead of blocking the window.
void UnmeinLoadTest::droppedPipeIsRefused() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  const QString pipe = fx.FilePath(QStringLiteral("pipe.txt"));
  QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  try {
    fx.Form().MergeFileList({fx.Write(QStringLiteral("b.txt"), "b\r\n"), pipe});
    QFAIL("the pipe was read");
  } catch (const std::exception& e) {
    QCOMPARE(QString::fromUtf8(e.what()),
             ReadFailure(pipe, QStringLiteral("通常のﾌｧｲﾙではないため読み込めません（名前付きﾊﾟｲﾌﾟ）")));
  }
  QCOMPARE(fx.Text(), QByteArray("a\r\n"));
}

// Files in other encodings are converted as they are loaded; the status bar says from what,
// and a Save proposes the encoding of the file opened.
void UnmeinLoadTest::encodingsAreToldInTheStatusBar() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  const QString utf8 = fx.Write(QStringLiteral("u.html"), "<p>晴れ café</p>\r\n");
  QByteArray euc = "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\r\n";  // 日本語のテキスト
  const QString eucFile = fx.Write(QStringLiteral("e.txt"), euc);
  fx.Open(utf8);
  QCOMPARE(fm.Bar->PanelText(3), QStringLiteral("UTF-8 から変換"));
  QCOMPARE(fx.Text().left(7), Sjis(QStringLiteral("<p>晴れ")));
  fm.Btext->SelectAll();
  fm.Btext->Copy();
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("<p>晴れ café</p>\n"));
  fx.ChooseFile(eucFile);
  fx.Trigger("Fappend");
  QCOMPARE(fm.Bar->PanelText(3), QStringLiteral("EUC-JP から変換"));
  QVERIFY(fx.Text().contains(Sjis(QStringLiteral("日本語のテキスト"))));
  // The save proposes UTF-8, the encoding of the file opened, and gives é back.
  const QString saved = fx.FilePath(QStringLiteral("saved.txt"));
  fx.ChooseFile(saved);
  fx.Trigger("Fsave");
  QCOMPARE(fx.Platform().Dialogs.last().Request.Choice, 1);
  QCOMPARE(fm.Bar->PanelText(3), QStringLiteral("UTF-8"));
  QCOMPARE(TWindowFixture::Read(saved), QByteArray("<p>晴れ café</p>\r\n日本語のテキスト\r\n\r\n"));
  // A drop of files in several encodings names each; a Shift-JIS document shows so.
  fx.Trigger("Close1");
  fm.MergeFileList({utf8, eucFile});
  QCOMPARE(fm.Bar->PanelText(3), QStringLiteral("UTF-8、EUC-JP から変換"));
  fx.Platform().Answers.push_back(TAnswer::Yes);
  fx.Trigger("Close1");
  fx.Open(fx.Write(QStringLiteral("s.txt"), Sjis(QStringLiteral("日本語\r\n"))));
  QCOMPARE(fm.Bar->PanelText(3), QStringLiteral("Shift-JIS"));
  QVERIFY(fx.Platform().Messages.isEmpty());
  // Broken UTF-8 is told: its bytes are kept, and a save as UTF-8 gives them back.
  fx.Trigger("Close1");
  const QByteArray broken("日本語のテキストを読み込みます\xE3\x81 text\r\n");
  fx.Open(fx.Write(QStringLiteral("broken.txt"), broken));
  QCOMPARE(fx.Platform().MessageTexts(),
           QStringList{QStringLiteral("broken.txt: UTF-8 から変換、文字として読めないﾊﾞｲﾄ 2 個をそのまま残しました\n")});
  fx.ChooseFile(saved);
  fx.Trigger("Fsave");
  QCOMPARE(TWindowFixture::Read(saved), broken);
}

// A text too short to tell is read as Shift-JIS and said to be unsure; opened again in the
// encoding the user picks, it reads right.
void UnmeinLoadTest::reopenInAnEncoding() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fx.Open(fx.Write(QStringLiteral("short.txt"), "\xB0\xA1\xB0\xA1\r\n"));  // 亜亜 in EUC-JP, ｰ｡ｰ｡ in Shift-JIS
  QCOMPARE(fm.Bar->PanelText(3), QStringLiteral("Shift-JIS (判定不確か)"));
  QAction* euc = nullptr;
  for (QAction* item : fm.Reopen1->actions()) {
    if (item->text() == QStringLiteral("EUC-JP")) euc = item;
  }
  QVERIFY(euc != nullptr && euc->isEnabled() && fm.Reopen1->menuAction()->isEnabled());
  euc->trigger();
  QCOMPARE(fx.Text(), Sjis(QStringLiteral("亜亜\r\n")));
  QCOMPARE(fm.Bar->PanelText(3), QStringLiteral("EUC-JP から変換"));
  QVERIFY(!fm.Btext->Modified());
  // A new document has no file to open again.
  fx.Trigger("Close1");
  QVERIFY(!fm.Reopen1->menuAction()->isEnabled());
}

void UnmeinLoadTest::htmlThatCannotBeOpenedIsTold() {
  TWindowFixture fx;
  // The name exists but cannot be opened: a link that points at itself.
  const QString lost = fx.FilePath(QStringLiteral("lost.html"));
  QCOMPARE(::symlink("lost.html", QFile::encodeName(lost).constData()), 0);
  fx.Write(QStringLiteral("x.txt"), "x\r\n");
  fx.Form().MergeFileList({lost, fx.FilePath(QStringLiteral("x.txt"))});
  QCOMPARE(fx.Platform().MessageTexts(),
           QStringList{QStringLiteral("指定ファイル lost.html") + kHtmlLostMessage});
  QCOMPARE(fx.Platform().Messages[0].At, fx.Form().PromptPoint());
  QCOMPARE(fx.Text(), QByteArray("\r\nx\r\n\r\n"));  // the lost file gives one empty line
}

void UnmeinLoadTest::failuresOfOpenAndAppend_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("message");
  QTest::newRow("open missing text") << QByteArray("Fopen") << "missing.txt"
                                     << "ﾌｧｲﾙが見つかりません";
  QTest::newRow("open folder") << QByteArray("Fopen") << "folder.txt"
                               << "ﾌｫﾙﾀﾞはﾌｧｲﾙとして開けません";
  QTest::newRow("open missing page") << QByteArray("Fopen") << "missing.html"
                                     << "ﾌｧｲﾙが見つかりません";
  QTest::newRow("open folder as a page") << QByteArray("Fopen") << "folder.html"
                                         << "ﾌｫﾙﾀﾞはﾌｧｲﾙとして開けません";
  QTest::newRow("append missing page") << QByteArray("Fappend") << "missing.htm"
                                       << "ﾌｧｲﾙが見つかりません";
  QTest::newRow("open one-line shortcut")
      << QByteArray("Fopen") << "one.URL" << "インデックスがリストの範囲を超えています";
  QTest::newRow("append missing text") << QByteArray("Fappend") << "missing.txt"
                                       << "ﾌｧｲﾙが見つかりません";
  const QString pipe = QStringLiteral("通常のﾌｧｲﾙではないため読み込めません（名前付きﾊﾟｲﾌﾟ）");
  QTest::newRow("open named pipe") << QByteArray("Fopen") << "pipe.txt" << pipe;
  QTest::newRow("open named pipe as HTML") << QByteArray("Fopen") << "pipe.html" << pipe;
  QTest::newRow("append named pipe") << QByteArray("Fappend") << "pipe.txt" << pipe;
  QTest::newRow("open device") << QByteArray("Fopen") << "/dev/null"
                               << "通常のﾌｧｲﾙではないため読み込めません（ﾃﾞﾊﾞｲｽ）";
}

// A failed Open leaves the window without a document; a failed Append leaves the document as
// it was. Either way the user is told why.
void UnmeinLoadTest::failuresOfOpenAndAppend() {
  QFETCH(QByteArray, command);
  QFETCH(QString, name);
  QFETCH(QString, message);
  TWindowFixture fx;
  QDir(fx.Folder()).mkdir(QStringLiteral("folder.txt"));
  QDir(fx.Folder()).mkdir(QStringLiteral("folder.html"));
  for (const char* pipe : {"pipe.txt", "pipe.html"}) {
    QCOMPARE(::mkfifo(QFile::encodeName(fx.FilePath(QString::fromLatin1(pipe))).constData(), 0600), 0);
  }
  fx.Write(QStringLiteral("one.URL"), "[InternetShortcut]\r\n");
  const bool append = command == "Fappend";
  if (append) fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  const QString path = name.startsWith(QLatin1Char('/')) ? name : fx.FilePath(name);
  fx.ChooseFile(path);
  fx.Trigger(command.constData());
  QCOMPARE(fx.Platform().MessageTexts(), QStringList{ReadFailure(path, message)});
  QCOMPARE(fx.Text(), append ? QByteArray("a\r\n") : QByteArray());
  QCOMPARE(fx.Form().HasDocument, append);
  QVERIFY(!fx.Form().Appended);
  QVERIFY(!fx.Platform().Busy);
}

void UnmeinLoadTest::cancelledDialogDoesNothing() {
  TWindowFixture fx;
  fx.CancelDialog();
  fx.Trigger("Open1");
  QVERIFY(!fx.Form().HasDocument);
  QVERIFY(fx.Platform().Messages.isEmpty());
}

void UnmeinLoadTest::cutTextIsTold_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QByteArray>("document");
  QTest::addColumn<QString>("told");
  QTest::newRow("0x1A with bytes after it")
      << QByteArray("a\r\nb\r\nc\x1A" "d\r\ne\r\n") << QByteArray("a\r\nb\r\nc\r\n")
      << "cut.txt の 3 行目にあるファイル終端文字 (0x1A) より後ろ";
  QTest::newRow("NUL in the middle") << QByteArray("a\r\nb\0c\r\n", 8) << QByteArray("a\r\nb")
                                     << "cut.txt の 2 行目にある NUL 文字 (0x00) より後ろ";
  QTest::newRow("a final 0x1A cuts nothing") << QByteArray("a\r\n\x1A") << QByteArray("a\r\n")
                                            << QString();
  QTest::newRow("a final NUL cuts nothing") << QByteArray("a\0", 2) << QByteArray("a")
                                           << QString();
}

void UnmeinLoadTest::cutTextIsTold() {
  QFETCH(QByteArray, bytes);
  QFETCH(QByteArray, document);
  QFETCH(QString, told);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("cut.txt"), bytes));
  QCOMPARE(fx.Text(), document);
  if (told.isEmpty()) {
    QVERIFY(fx.Platform().Messages.isEmpty());
  } else {
    QCOMPARE(fx.Platform().Messages.size(), 1);
    QCOMPARE(fx.Platform().Messages[0].Kind, TMessageKind::Warning);
    QVERIFY2(fx.Platform().Messages[0].Text.contains(told),
             qPrintable(fx.Platform().Messages[0].Text));
  }
}

void UnmeinLoadTest::undecodableBytesSurviveOpenAndSave() {
  TWindowFixture fx;
  const QByteArray bytes("\x81\r\n\x80\xa0\xfd\xfe\xff\r\n\x85\x40\xed\x40\x95\x5c\r\n");
  fx.Open(fx.Write(QStringLiteral("odd.txt"), bytes));
  QCOMPARE(fx.Text(), bytes);
  const QString saved = fx.FilePath(QStringLiteral("saved.txt"));
  fx.ChooseFile(saved);
  fx.Trigger("Fsave");
  QCOMPARE(TWindowFixture::Read(saved), bytes);
}

void UnmeinLoadTest::namesWithBlanksAndNonAsciiCharacters() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("名前 と 空白.txt"), Sjis(QStringLiteral("本文\r\n"))));
  QCOMPARE(fx.Text(), Sjis(QStringLiteral("本文\r\n")));
  QCOMPARE(fx.Form().Filesv.FileName, fx.FilePath(QStringLiteral("名前 と 空白.txt")));
}

void UnmeinLoadTest::openedNameInStatusBar() {
  TWindowFixture fx;
  const QString path = fx.Write(QStringLiteral("表.htm"), "x\r\n");
  fx.Open(path);
  TFmmein& fm = fx.Form();
  QCOMPARE(fm.Bar->PanelText(0), path);
  QCOMPARE(fm.Bar->PanelWidth(0), 6 * static_cast<int>(Sjis(path).size()));
  QCOMPARE(fm.Filesv.FileName, fx.FilePath(QStringLiteral("表.txt")));
}

QTEST_MAIN(UnmeinLoadTest)
#include "UnmeinLoad_test.moc"
