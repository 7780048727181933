// The conversion range in the window: setting bounds from the caret, the range row, range save
// and delete, undo, the line-count rule, and the common road every command takes.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/FailureReport.h"
#include "app/Globals.h"
#include "app/StatusBar.h"
#include "document/editor/EditorControl.h"
#include "document/editor/QtText.h"
#include "tests/support/WindowFixture.h"

namespace {

const QColor kSilver(192, 192, 192);
const QColor kAqua(0, 255, 255);

QByteArray Numbered(int from, int to) {
  QByteArray text;
  for (int i = from; i <= to; ++i) text += "line" + QByteArray::number(i) + "\r\n";
  return text;
}

void Upper(std::string_view line, TLightStrings& out) {
  std::string upper(line);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  out.Add(upper);
}

}  // namespace

class UnmeinRangeTest : public QObject {
  Q_OBJECT
 private slots:
  void resetAfterLoad();
  void emptyDocumentRange();
  void setStartAndEndFromTheCaret();
  void boundsThatCrossAreRefused_data();
  void boundsThatCrossAreRefused();
  void rangeCommandsWithoutBoundTellTheUser_data();
  void rangeCommandsWithoutBoundTellTheUser();
  void deleteOneLineRange();
  void deleteLinesThreeToFiveThenUndo();
  void saveRangeWritesOnlyItsLines();
  void typingKeepsStartMovesEnd();
  void deletingLinesByHandBringsStartBack();
  void roadConvertsOnlyTheRange();
  void roadFailureKeepsTextAndRestoresWindow();
  void resetButton();
  void oneHistoryThroughTypingAndCommands();
  void typedLineNumbersSetTheBounds();
  void historyKeepsToItsBudget();
  void typingAfterClickingARangeFieldChangesNothing_data();
  void typingAfterClickingARangeFieldChangesNothing();
};

void UnmeinRangeTest::resetAfterLoad() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  QCOMPARE(fm.ed1->text(), QStringLiteral("開始位置 : 1"));
  QCOMPARE(fm.ed2->text(), QStringLiteral("終了位置 : 10"));
  QCOMPARE(fm.ed3->text(), QStringLiteral("10"));
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kSilver);
  QCOMPARE(TWindowFixture::FieldColor(fm.ed2), kSilver);
  QCOMPARE(RangeStart, 0);
  QCOMPARE(RangeEnd, 9);
  for (const char* name : {"N46", "N42", "N49"}) QVERIFY(!fx.Action(name)->isEnabled());
  QVERIFY(fx.Action("Btcut")->isEnabled());  // it is also one of the document commands
}

void UnmeinRangeTest::emptyDocumentRange() {
  TWindowFixture fx;
  fx.Trigger("New1");
  QCOMPARE(RangeEnd, 0);
  QCOMPARE(fx.Form().ed2->text(), QStringLiteral("終了位置 : 1"));
  QCOMPARE(fx.Form().ed3->text(), QStringLiteral("0"));
}

void UnmeinRangeTest::setStartAndEndFromTheCaret() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(3);
  fm.Btext->SetSelStart(fm.Btext->SelStart() + 2);
  fx.Trigger("Btstops");
  QCOMPARE(RangeStart, 3);
  QCOMPARE(fm.RangeCaretPos, fm.Btext->LineIndex(3) + 2);
  QCOMPARE(fm.ed1->text(), QStringLiteral("開始位置 : 4"));
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kAqua);
  for (const char* name : {"N46", "N42", "N49", "Btcut"}) QVERIFY(fx.Action(name)->isEnabled());
  fx.CaretToLine(3);
  fx.Trigger("edpos");  // a one-line range is allowed
  QCOMPARE(RangeEnd, 3);
  QCOMPARE(fm.ed2->text(), QStringLiteral("終了位置 : 4"));
  QCOMPARE(TWindowFixture::FieldColor(fm.ed2), kAqua);
  QVERIFY(fx.Platform().Messages.isEmpty());
}

void UnmeinRangeTest::boundsThatCrossAreRefused_data() {
  QTest::addColumn<QByteArray>("first");
  QTest::addColumn<int>("firstLine");
  QTest::addColumn<QByteArray>("second");
  QTest::addColumn<int>("secondLine");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("start");
  QTest::addColumn<int>("end");
  QTest::newRow("start after the end") << QByteArray("Btends") << 2 << QByteArray("Btstops") << 4
                                       << "Ｅｒｒｏｒ : 開始位置が終了位置より後ろになります。"
                                       << 0 << 2;
  QTest::newRow("end before the start") << QByteArray("stpos") << 4 << QByteArray("edpos") << 1
                                        << "Ｅｒｒｏｒ : 終了位置が開始位置より前になります。"
                                        << 4 << 9;
}

void UnmeinRangeTest::boundsThatCrossAreRefused() {
  QFETCH(QByteArray, first);
  QFETCH(int, firstLine);
  QFETCH(QByteArray, second);
  QFETCH(int, secondLine);
  QFETCH(QString, message);
  QFETCH(int, start);
  QFETCH(int, end);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(firstLine);
  fx.Trigger(first.constData());
  const QString ed1Before = fm.ed1->text();
  const QString ed2Before = fm.ed2->text();
  fx.CaretToLine(secondLine);
  fx.Trigger(second.constData());
  QCOMPARE(fx.Platform().MessageTexts(), QStringList{message});
  QCOMPARE(fx.Platform().Messages[0].At, fm.MessagePoint());
  QCOMPARE(fx.Platform().Messages[0].Kind, TMessageKind::Warning);
  QCOMPARE(RangeStart, start);
  QCOMPARE(RangeEnd, end);
  QCOMPARE(fm.ed1->text(), ed1Before);
  QCOMPARE(fm.ed2->text(), ed2Before);
}

void UnmeinRangeTest::rangeCommandsWithoutBoundTellTheUser_data() {
  QTest::addColumn<QByteArray>("command");
  for (const char* name : {"Btcut", "N46", "N42", "N49"}) QTest::newRow(name) << QByteArray(name);
}

void UnmeinRangeTest::rangeCommandsWithoutBoundTellTheUser() {
  QFETCH(QByteArray, command);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  fx.Action(command.constData())->setEnabled(true);  // enabled or not, the colour test guards
  fx.Trigger(command.constData());
  QCOMPARE(fx.Platform().MessageTexts(), QStringList{QStringLiteral("範囲が設定されていません")});
  QCOMPARE(fx.Text(), Numbered(1, 10));
  QVERIFY(fx.Platform().Dialogs.size() == 1);  // only the open dialog ran
}

void UnmeinRangeTest::deleteOneLineRange() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  fx.CaretToLine(4);
  fx.Trigger("stpos");
  fx.Trigger("edpos");
  fx.Trigger("N49");
  QCOMPARE(fx.Text(), Numbered(1, 4) + Numbered(6, 10));
}

void UnmeinRangeTest::deleteLinesThreeToFiveThenUndo() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(2);
  fm.Btext->SetSelStart(fm.Btext->SelStart() + 1);
  const int savedCaret = fm.Btext->SelStart();
  fx.Trigger("Btstops");
  fx.CaretToLine(4);
  fx.Trigger("Btends");
  fm.Filesv.FilterIndex = 2;
  fx.Trigger("Btcut");
  QCOMPARE(fx.Text(), Numbered(1, 2) + Numbered(6, 10));
  QCOMPARE(fm.Btext->SelStart(), savedCaret);
  QCOMPARE(RangeStart, 0);
  QCOMPARE(RangeEnd, 6);
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kSilver);
  QVERIFY(fx.Action("A1")->isEnabled() && fx.Action("BtRet")->isEnabled());
  QVERIFY(fm.Btext->Modified());
  QVERIFY(!fx.Platform().Busy);

  fm.Filesv.FileName = QStringLiteral("/elsewhere/other.txt");
  fm.Filesv.FilterIndex = 7;
  fm.Bar->SetPanelText(0, QStringLiteral("other"));
  fx.Trigger("BtRet");
  QCOMPARE(fx.Text(), Numbered(1, 10));
  QCOMPARE(fm.Filesv.FileName, fx.FilePath(QStringLiteral("ten.txt")));
  QCOMPARE(fm.Filesv.FilterIndex, 2);
  QCOMPARE(fm.Bar->PanelText(0), fx.FilePath(QStringLiteral("ten.txt")));
  QCOMPARE(fm.Btext->SelStart(), 0);
  QVERIFY(!fx.Action("A1")->isEnabled() && !fx.Action("BtRet")->isEnabled());
  QCOMPARE(fm.UndoList->Count(), 0);
  QCOMPARE(RangeEnd, 9);
}

// Ctrl+Z goes back through typing and commands alike, Ctrl+Y and Ctrl+Shift+Z forward again;
// 編集取り消し undoes back to before the last command (typing since it too) and stays enabled
// while an older command can be undone.
void UnmeinRangeTest::oneHistoryThroughTypingAndCommands() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowActive(&fm));
  fx.Open(fx.Write(QStringLiteral("two.txt"), "ab\r\ncd\r\n"));
  fm.Btext->setFocus();
  const auto type = [&](const char* text) {
    fm.Btext->SetSelStart(0);
    QTest::keyClicks(fm.Btext, QString::fromLatin1(text));
  };
  const auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods) { QTest::keyClick(fm.Btext, k, mods); };
  std::vector<QByteArray> states{fx.Text()};
  type("x");
  states.push_back(fx.Text());
  fm.ConvertRange(Upper, {});
  states.push_back(fx.Text());
  fm.Filesv.FileName = QStringLiteral("/renamed.txt");  // a later Save As
  type("y");
  states.push_back(fx.Text());
  fm.ConvertRange(Upper, {});
  states.push_back(fx.Text());
  type("z");
  states.push_back(fx.Text());
  QCOMPARE(states.back(), QByteArray("zYXAB\r\nCD\r\n"));

  for (std::size_t i = states.size() - 1; i > 0; --i) {
    key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY2(fx.Text() == states[i - 1], qPrintable(QString::number(i)));
  }
  QVERIFY(!fx.Action("A1")->isEnabled());
  QVERIFY(fx.Action("Redo1")->isEnabled());
  for (std::size_t i = 1; i < states.size(); ++i) {
    if (i % 2) {
      key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    } else {
      key(Qt::Key_Y, Qt::ControlModifier);
      key(Qt::Key_Z, Qt::ControlModifier);  // one back in between keeps the rest to redo
      QCOMPARE(fx.Text(), states[i - 1]);
      key(Qt::Key_Y, Qt::ControlModifier);
    }
    QCOMPARE(fx.Text(), states[i]);
  }
  QVERIFY(!fx.Action("Redo1")->isEnabled());

  QVERIFY(fx.Action("A1")->isEnabled());
  fx.Trigger("A1");  // the typed z and the second command
  QCOMPARE(fx.Text(), states[3]);
  QCOMPARE(fm.Filesv.FileName, QStringLiteral("/renamed.txt"));
  QCOMPARE(fm.Btext->SelStart(), 0);
  QVERIFY(fx.Action("A1")->isEnabled());  // the first command is still there
  fx.Trigger("BtRet");
  QCOMPARE(fx.Text(), states[1]);
  QCOMPARE(fm.Filesv.FileName, fx.FilePath(QStringLiteral("two.txt")));
  QCOMPARE(fm.Bar->PanelText(0), fx.FilePath(QStringLiteral("two.txt")));
  QVERIFY(!fx.Action("A1")->isEnabled());
  fx.Trigger("pop1");
  QCOMPARE(fx.Text(), states[0]);
  fx.Trigger("Redo1");
  QCOMPARE(fx.Text(), states[1]);

  // A merge and a drop are steps too; opening a file begins a new history.
  fx.ChooseFile(fx.Write(QStringLiteral("more.txt"), "m\r\n"));
  fx.Trigger("Fappend");
  QCOMPARE(fx.Text(), states[1] + "m\r\n\r\n");
  fm.MergeFileList({fx.FilePath(QStringLiteral("more.txt"))});
  QCOMPARE(fx.Text(), states[1] + "m\r\n\r\nm\r\n\r\n");
  QVERIFY(!fx.Action("A1")->isEnabled());  // neither is a command
  key(Qt::Key_Z, Qt::ControlModifier);
  key(Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(fx.Text(), states[1]);
  fx.Platform().Answers.push_back(TAnswer::Yes);  // throw the changes away
  fx.Trigger("Close1");
  fx.Open(fx.FilePath(QStringLiteral("two.txt")));
  QCOMPARE(fx.Text(), states[0]);
  QVERIFY(!fm.Btext->CanUndo() && !fm.Btext->CanRedo());
  QVERIFY(!fx.Action("A1")->isEnabled() && !fx.Action("Redo1")->isEnabled());
}

// With a small budget the oldest commands go; a command whose old text alone is over it
// cannot be undone, and the status bar says so.
void UnmeinRangeTest::historyKeepsToItsBudget() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i) + "\r\n";
  fx.Open(fx.Write(QStringLiteral("big.txt"), QByteArray::fromStdString(text)));
  fm.Btext->SetHistoryBudget(3 * text.size());
  for (int i = 0; i < 5; ++i) {
    fm.ConvertRange(i % 2 ? Upper : [](std::string_view line, TLightStrings& out) {
      out.Add(std::string(line) + "!");
    }, {});
    QVERIFY(fm.Btext->HistoryBytes() <= 3 * text.size());
  }
  int undone = 0;
  while (fx.Action("A1")->isEnabled()) {
    fx.Trigger("A1");
    ++undone;
  }
  QVERIFY2(undone >= 1 && undone < 5, qPrintable(QString::number(undone)));
  QVERIFY(fm.Bar->currentMessage().isEmpty());

  fm.Btext->SetHistoryBudget(text.size() / 2);
  fm.ConvertRange(Upper, {});
  QVERIFY(!fx.Action("A1")->isEnabled());
  QCOMPARE(fm.Bar->currentMessage(),
           QStringLiteral("文書が大きすぎるため、この変換は元に戻せません（履歴の上限）"));
}

// A line number typed into a bound field and Enter set that bound by the caret commands' rules
// and messages; the range's lines are tinted in the editor; letters change nothing; Escape
// gives the text back.
void UnmeinRangeTest::typedLineNumbersSetTheBounds() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowActive(&fm));
  struct Row {
    const char* field;
    const char* typed;
    int start, end;      // the range afterwards, 0-based
    const char* message; // the message shown, if any
  };
  const Row rows[] = {
      {"ed1", "3", 2, 9, nullptr},
      {"ed2", "x7", 2, 6, nullptr},  // the letter is not typed
      {"ed1", "8", 0, 6, "Ｅｒｒｏｒ : 開始位置が終了位置より後ろになります。"},
      {"ed1", "2", 1, 6, nullptr},
      {"ed2", "1", 1, 9, "Ｅｒｒｏｒ : 終了位置が開始位置より前になります。"},
      {"ed2", "11", 1, 9, "Ｅｒｒｏｒ : 行番号は 1 から 10 までの数で指定してください。"},
      {"ed2", "0", 1, 9, "Ｅｒｒｏｒ : 行番号は 1 から 10 までの数で指定してください。"},
      {"ed2", "5", 1, 4, nullptr},
  };
  for (const Row& row : rows) {
    fx.Platform().Messages.clear();
    auto* field = fm.findChild<QLineEdit*>(QString::fromLatin1(row.field));
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClicks(field, QString::fromLatin1(row.typed));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(RangeStart, row.start);
    QCOMPARE(RangeEnd, row.end);
    QCOMPARE(fx.Platform().MessageTexts(),
             row.message ? QStringList{QString::fromUtf8(row.message)} : QStringList{});
    QVERIFY(field->isReadOnly());
  }
  QCOMPARE(fm.ed1->text(), QStringLiteral("開始位置 : 2"));
  QCOMPARE(fm.ed2->text(), QStringLiteral("終了位置 : 5"));
  QCOMPARE(fm.Btext->RangeTint(), (std::pair<std::int64_t, std::int64_t>{1, 4}));
  QVERIFY(fx.Action("N42")->isEnabled());

  QTest::mouseClick(fm.ed2, Qt::LeftButton);
  QTest::keyClicks(fm.ed2, QStringLiteral("9"));
  QTest::keyClick(fm.ed2, Qt::Key_Escape);
  QCOMPARE(fm.ed2->text(), QStringLiteral("終了位置 : 5"));
  QCOMPARE(RangeEnd, 4);
  fx.Trigger("Btcut");  // the range goes, and its tint
  QCOMPARE(fm.Btext->RangeTint(), (std::pair<std::int64_t, std::int64_t>{-1, -1}));
}

void UnmeinRangeTest::saveRangeWritesOnlyItsLines() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(7);
  fx.Trigger("stpos");
  const QString target = fx.FilePath(QStringLiteral("part.lst"));
  fx.ChooseFile(target, 2);
  fx.Trigger("N46");
  QCOMPARE(TWindowFixture::Read(target), Numbered(8, 10));
  QCOMPARE(fx.Text(), Numbered(1, 10));
  QCOMPARE(RangeStart, 7);
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kAqua);
  QCOMPARE(fm.Filesv.FileName, target);  // proposed for the next save
  QCOMPARE(fm.WorkList->Count(), 0);
  QVERIFY(!fx.Action("A1")->isEnabled());

  fx.CancelDialog();
  fx.Trigger("N46");
  QCOMPARE(TWindowFixture::Read(target), Numbered(8, 10));
}

void UnmeinRangeTest::typingKeepsStartMovesEnd() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(3);
  fx.Trigger("stpos");
  fx.CaretToLine(5);
  fx.Trigger("edpos");
  QTest::keyClick(fm.Btext, Qt::Key_Return);
  QCOMPARE(fm.ed3->text(), QStringLiteral("11"));
  QCOMPARE(RangeEnd, 10);
  QCOMPARE(fm.ed2->text(), QStringLiteral("終了位置 : 11"));
  QCOMPARE(TWindowFixture::FieldColor(fm.ed2), kSilver);
  QCOMPARE(RangeStart, 3);
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kAqua);
}

// Lines deleted by hand must not leave the start past the end, or the next command would add
// empty lines to the document.
void UnmeinRangeTest::deletingLinesByHandBringsStartBack() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(8);
  fx.Trigger("stpos");
  fm.Btext->SetSelStart(fm.Btext->LineIndex(3));
  QTest::keyClick(fm.Btext, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(fm.Btext, Qt::Key_Delete);
  QCOMPARE(fm.Btext->LineCount(), 3);
  QCOMPARE(RangeEnd, 2);
  QCOMPARE(RangeStart, 0);
  QCOMPARE(fm.ed1->text(), QStringLiteral("開始位置 : 1"));
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kSilver);
  fm.ConvertRange(Upper, {});
  QCOMPARE(fx.Text(), QByteArray("LINE1\r\nLINE2\r\nLINE3\r\n"));
}

void UnmeinRangeTest::roadConvertsOnlyTheRange() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 4)));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(1);
  fx.Trigger("stpos");
  fx.CaretToLine(2);
  fx.Trigger("edpos");
  fm.ConvertRange(Upper, {});
  QCOMPARE(fx.Text(), QByteArray("line1\r\nLINE2\r\nLINE3\r\nline4\r\n"));
  QVERIFY(fm.Btext->Modified());  // a rewritten document asks before it is thrown away
  QCOMPARE(fm.UndoList->Count(), 0);  // the history keeps the old text, not a second copy
  QVERIFY(fm.Btext->CanUndoWhole());
  QCOMPARE(RangeStart, 0);
  QCOMPARE(RangeEnd, 3);
  QCOMPARE(fx.Platform().CursorChanges.mid(2), (QList<bool>{true, false}));
  for (const char* name : {"N46", "N42", "N49", "Btcut"}) QVERIFY(!fx.Action(name)->isEnabled());
  QCOMPARE(fm.WorkList->Count(), 0);
}

void UnmeinRangeTest::roadFailureKeepsTextAndRestoresWindow() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 3)));
  TFmmein& fm = fx.Form();
  // A NUL would cut the text: it is refused as it is pasted, named where it would stand.
  fm.Btext->SetSelStart(fm.Btext->TextLength());
  QApplication::clipboard()->setText(QString(QChar(0)));
  fm.Btext->Paste();
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QVERIFY(fx.Platform().Messages[0].Text.contains(QStringLiteral("U+0000")));
  QVERIFY(fx.Platform().Messages[0].Text.contains(QStringLiteral("4 行 1 列")));
  QCOMPARE(fm.Btext->LineCount(), 3);
  // A rule that fails half-way leaves the text as it was and the window usable.
  fx.CaretToLine(1);
  fx.Trigger("stpos");
  int seen = 0;
  Guarded(&fm, [&] {
    fm.ConvertRange(
        [&](std::string_view line, TLightStrings& out) {
          if (++seen == 2) throw EKorvaneError("変換できません");
          out.Add(line);
        },
        {.Busy = true, .ResetRangeOnFailure = true});
  });
  QCOMPARE(fx.Platform().Messages.size(), 2);
  QCOMPARE(fx.Platform().Messages[1].Text, QStringLiteral("変換できません"));
  QCOMPARE(fx.Text(), Numbered(1, 3));
  QVERIFY(!fx.Platform().Busy);
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kSilver);
  QCOMPARE(fm.WorkList->Count(), 0);
}

void UnmeinRangeTest::resetButton() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ten.txt"), Numbered(1, 10)));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(5);
  fx.Trigger("stpos");
  fm.Button1->click();
  QCOMPARE(RangeStart, 0);
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kSilver);
  QVERIFY(!fx.Action("Btcut")->isEnabled());
}

void UnmeinRangeTest::typingAfterClickingARangeFieldChangesNothing_data() {
  QTest::addColumn<QByteArray>("field");
  for (const char* name : {"ed1", "ed2", "ed3", "Edit2"}) QTest::newRow(name) << QByteArray(name);
}

// A click on a read-only field of the range row takes the keyboard there, so typing changes
// neither the field nor the document.
void UnmeinRangeTest::typingAfterClickingARangeFieldChangesNothing() {
  QFETCH(QByteArray, field);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("ab.txt"), "a\r\nb\r\n"));
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowActive(&fm));
  fm.Btext->setFocus();
  auto* clicked = fm.findChild<QLineEdit*>(QString::fromLatin1(field));
  QVERIFY(clicked != nullptr);
  const QString before = clicked->text();
  QTest::mouseClick(clicked, Qt::LeftButton);
  QCOMPARE(QApplication::focusWidget(), clicked);
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
  QCOMPARE(fx.Text(), QByteArray("a\r\nb\r\n"));
  QVERIFY(!fm.Btext->Modified());
  QCOMPARE(clicked->text(), before);
}

QTEST_MAIN(UnmeinRangeTest)
#include "UnmeinRange_test.moc"
