// Jumping in the window: the four direct jump commands, the jump dialog with its entry, track
// bar and requests, and the integer conversion they share.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QTest>

#include "app/Globals.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"
#include "view/Unline.h"

namespace {

// "L1" to "Ln", each with its line break.
QByteArray Lines(int count) {
  QByteArray text;
  for (int i = 1; i <= count; ++i) text += "L" + QByteArray::number(i) + "\r\n";
  return text;
}

void OpenLines(TWindowFixture& fx, const QByteArray& text) {
  fx.Open(fx.Write(QStringLiteral("doc.txt"), text));
}

std::int32_t CaretLine(TWindowFixture& fx) {
  TEditorControl* editor = fx.Form().Btext;
  return editor->LineFromChar(editor->SelStart());
}

// The user types the entry and presses OK, or Enter in the entry.
void Answer(TWindowFixture& fx, const QString& entry, bool enter = false) {
  fx.Platform().DialogScripts.push_back([&fx, entry, enter](QDialog&) {
    TFmline& dialog = fx.Forms().Line();
    dialog.e2->setText(entry);
    if (enter) {
      QTest::keyClick(dialog.e2, Qt::Key_Return);
    } else {
      dialog.Button1->click();
    }
  });
}

}  // namespace

class UnlineTest : public QObject {
  Q_OBJECT
 private slots:
  void strToInt_data();
  void strToInt();
  void createdOnceWithItsEntry();
  void directJumps_data();
  void directJumps();
  void dialogShowsTheDocument_data();
  void dialogShowsTheDocument();
  void requests_data();
  void requests();
  void entryThatIsNotAnInteger();
  void documentWithoutLines();
  void trackBarAndEntryAgree();
  void closedWithoutAnEntry();
};

void UnlineTest::strToInt_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("valid");
  QTest::addColumn<int>("value");
  const auto ok = [](const char* row, const char* text, int value) {
    QTest::newRow(row) << QString::fromUtf8(text) << true << value;
  };
  const auto bad = [](const char* row, const char* text) {
    QTest::newRow(row) << QString::fromUtf8(text) << false << 0;
  };
  ok("decimal", "12", 12);
  ok("leading blanks", "  \t12", 12);
  ok("plus", "+3", 3);
  ok("minus", "-10", -10);
  ok("zero", "0", 0);
  ok("hexadecimal", "$1F", 31);
  ok("negative hexadecimal", "-$10", -16);
  ok("hexadecimal is 32 bits", "$FFFFFFFF", -1);
  ok("largest", "2147483647", 2147483647);
  ok("smallest", "-2147483648", -2147483647 - 1);
  bad("letters", "abc");
  bad("trailing blank", "12 ");
  bad("empty", "");
  bad("sign alone", "+");
  bad("dollar alone", "$");
  bad("fraction", "1.5");
  bad("beyond 32 bits", "2147483648");
  bad("hexadecimal beyond 32 bits", "$100000000");
  bad("full-width digits", "１２");
  bad("sign after blanks and letters", " +x");
}

void UnlineTest::strToInt() {
  QFETCH(QString, text);
  QFETCH(bool, valid);
  QFETCH(int, value);
  try {
    const std::int32_t got = StrToInt(text);
    QVERIFY2(valid, "accepted");
    QCOMPARE(got, value);
  } catch (const std::exception& failure) {
    QVERIFY2(!valid, failure.what());
    QCOMPARE(QString::fromUtf8(failure.what()), QStringLiteral("'%1' は整数ではありません").arg(text));
  }
}

void UnlineTest::createdOnceWithItsEntry() {
  TWindowFixture fx;
  TFmline& dialog = fx.Forms().Line();
  QCOMPARE(Fmline, &dialog);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("ジャンプ先の指定"));
  // Wide enough for the title beside a window manager's buttons; every part inside it.
  QFont titleFont = QApplication::font();
  titleFont.setBold(true);
  QVERIFY(dialog.width() >= QFontMetrics(titleFont).horizontalAdvance(dialog.windowTitle()) + 100);
  QCOMPARE(dialog.height(), 103);
  for (const QWidget* part : dialog.findChildren<QWidget*>()) {
    QVERIFY2(dialog.rect().contains(part->geometry()), qPrintable(part->objectName()));
  }
  QCOMPARE(dialog.e2->text(), QStringLiteral("1"));
  QVERIFY(dialog.e1->isReadOnly());
  QCOMPARE(dialog.e1->palette().color(QPalette::Text), QColor(Qt::white));
  QCOMPARE(dialog.TrackBar1->orientation(), Qt::Horizontal);
  QCOMPARE(dialog.TrackBar1->tickPosition(), QSlider::TicksAbove);
  QVERIFY(dialog.LineRequest.isEmpty());
}

void UnlineTest::directJumps_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<int>("rangeStart");  // −1: the range as the load left it
  QTest::addColumn<int>("rangeEnd");
  QTest::addColumn<int>("caret");
  // "L1\r\nL2\r\n...": line i starts at byte 4 * i.
  QTest::newRow("start of the text") << QByteArray("N53") << Lines(5) << -1 << -1 << 0;
  QTest::newRow("end of the text: end of its last line") << QByteArray("N54") << Lines(5) << -1 << -1 << 18;
  QTest::newRow("end of a text without a final break") << QByteArray("N54") << QByteArray("ab\r\ncd") << -1 << -1 << 6;
  QTest::newRow("first line of the whole range") << QByteArray("N55") << Lines(5) << -1 << -1 << 0;
  QTest::newRow("start of the whole range's last line") << QByteArray("N56") << Lines(5) << -1 << -1 << 16;
  QTest::newRow("first line of a set range") << QByteArray("N55") << Lines(5) << 1 << 3 << 4;
  QTest::newRow("start of a set range's last line") << QByteArray("N56") << Lines(5) << 1 << 3 << 12;
}

void UnlineTest::directJumps() {
  QFETCH(QByteArray, command);
  QFETCH(QByteArray, text);
  QFETCH(int, rangeStart);
  QFETCH(int, rangeEnd);
  QFETCH(int, caret);
  TWindowFixture fx;
  OpenLines(fx, text);
  if (rangeStart >= 0) {
    RangeStart = rangeStart;
    RangeEnd = rangeEnd;
  }
  fx.Form().Btext->SetSelStart(7);
  fx.Trigger(command.constData());
  QCOMPARE(fx.Form().Btext->SelStart(), caret);
  QCOMPARE(fx.Form().Btext->SelEnd(), caret);
  QVERIFY(fx.Platform().ModalTitles.isEmpty());
}

void UnlineTest::dialogShowsTheDocument_data() {
  QTest::addColumn<int>("lines");
  QTest::addColumn<int>("caretLine");  // 1-based
  QTest::addColumn<int>("tick");
  QTest::newRow("25 lines, line 7") << 25 << 7 << 2;
  QTest::newRow("fewer than 10 lines: no tick step") << 5 << 3 << 0;
  QTest::newRow("on the last line") << 9 << 9 << 0;
  QTest::newRow("10 lines") << 10 << 1 << 1;
}

void UnlineTest::dialogShowsTheDocument() {
  QFETCH(int, lines);
  QFETCH(int, caretLine);
  QFETCH(int, tick);
  TWindowFixture fx;
  OpenLines(fx, Lines(lines));
  fx.CaretToLine(caretLine - 1);
  TFmline& dialog = fx.Forms().Line();
  dialog.LineRequest = QStringLiteral("stale");
  bool shown = false;
  fx.Platform().DialogScripts.push_back([&](QDialog& shownDialog) {
    shown = true;
    QCOMPARE(&shownDialog, static_cast<QDialog*>(&dialog));
    QCOMPARE(dialog.e1->text(), QString::number(lines));
    QCOMPARE(dialog.TrackBar1->minimum(), 1);
    QCOMPARE(dialog.TrackBar1->maximum(), lines);
    QCOMPARE(dialog.TrackBar1->value(), caretLine);
    QCOMPARE(dialog.TrackBar1->tickInterval(), tick);
    // Setting the bar is not the user's move: the entry keeps what it held.
    QCOMPARE(dialog.e2->text(), QStringLiteral("1"));
    QVERIFY(dialog.LineRequest.isEmpty());
    dialog.reject();
  });
  fx.Trigger("N57");
  QVERIFY(shown);
  QCOMPARE(fx.Platform().ModalTitles, QStringList{QStringLiteral("ジャンプ先の指定")});
}

void UnlineTest::requests_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<bool>("enter");
  QTest::addColumn<int>("line");  // 0-based line whose start the caret reaches
  // 25 lines, the caret inside line 7 (index 6).
  QTest::newRow("line 12") << "12" << false << 11;
  QTest::newRow("line 12 by Enter") << "12" << true << 11;
  QTest::newRow("the last line") << "25" << false << 24;
  QTest::newRow("beyond the last line: the caret's own line") << "30" << false << 6;
  QTest::newRow("line 0: the caret's own line") << "0" << false << 6;
  QTest::newRow("3 down") << "+3" << false << 9;
  QTest::newRow("3 up") << "-3" << true << 3;
  QTest::newRow("one down") << "+1" << false << 7;
  QTest::newRow("one up") << "-1" << false << 5;
  QTest::newRow("past the first line") << "-10" << false << 0;
  QTest::newRow("past the last line") << "+100" << false << 24;
  QTest::newRow("relative by zero") << "+0" << false << 6;
  QTest::newRow("blanks around a number") << " 12 " << false << 11;
  QTest::newRow("blanks around a relative entry") << " +3 " << true << 9;
  QTest::newRow("hexadecimal") << "$A" << false << 9;
}

void UnlineTest::requests() {
  QFETCH(QString, entry);
  QFETCH(bool, enter);
  QFETCH(int, line);
  TWindowFixture fx;
  OpenLines(fx, Lines(25));
  TEditorControl* editor = fx.Form().Btext;
  editor->SetSelStart(editor->LineIndex(6) + 1);
  Answer(fx, entry, enter);
  fx.Trigger("N57");
  QCOMPARE(fx.Platform().MessageTexts(), QStringList());
  QCOMPARE(editor->SelStart(), editor->LineIndex(line));
  QCOMPARE(editor->SelEnd(), editor->SelStart());
}

void UnlineTest::entryThatIsNotAnInteger() {
  TWindowFixture fx;
  OpenLines(fx, Lines(25));
  TEditorControl* editor = fx.Form().Btext;
  TFmline& dialog = fx.Forms().Line();
  const auto caret = editor->LineIndex(6) + 1;
  editor->SetSelStart(caret);
  const QString notANumber = QStringLiteral("'abc' は整数ではありません");

  // OK: the report, the dialog has closed, the caret stays.
  Answer(fx, QStringLiteral("abc"));
  fx.Trigger("N57");
  QCOMPARE(fx.Platform().MessageTexts(), QStringList{notANumber});
  QVERIFY(!dialog.isVisible());
  QCOMPARE(editor->SelStart(), caret);

  // Enter: the report, and the dialog stays open with the entry to mend it.
  fx.Platform().Messages.clear();
  fx.Platform().DialogScripts.push_back([&](QDialog&) {
    dialog.e2->setText(QStringLiteral("abc"));
    QTest::keyClick(dialog.e2, Qt::Key_Return);
    QCOMPARE(fx.Platform().MessageTexts(), QStringList{notANumber});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.e2->text(), QStringLiteral("abc"));
    dialog.e2->setText(QStringLiteral("20"));
    QTest::keyClick(dialog.e2, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
  });
  fx.Trigger("N57");
  QCOMPARE(editor->SelStart(), editor->LineIndex(19));

  // A relative entry passes the dialog and fails in the main window; the caret stays.
  fx.Platform().Messages.clear();
  Answer(fx, QStringLiteral("+x"), true);
  fx.Trigger("N57");
  QCOMPARE(fx.Platform().MessageTexts(), QStringList{QStringLiteral("'+x' は整数ではありません")});
  QCOMPARE(editor->SelStart(), editor->LineIndex(19));
}

void UnlineTest::documentWithoutLines() {
  TWindowFixture fx;
  fx.Trigger("Make");  // a new, empty document
  TEditorControl* editor = fx.Form().Btext;
  QCOMPARE(editor->LineCount(), 0);
  fx.Trigger("N57");
  QCOMPARE(fx.Platform().MessageTexts(),
           QStringList{QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ TTrackBar の範囲を超えています")});
  QVERIFY(fx.Platform().ModalTitles.isEmpty());
  QCOMPARE(editor->SelStart(), 0);
  QCOMPARE(fx.Forms().Line().e1->text(), QStringLiteral("0"));

  // The window keeps working: once the document has lines, the dialog opens again.
  editor->SetText("a\r\nb\r\nc\r\n");
  Answer(fx, QStringLiteral("3"));
  fx.Trigger("N57");
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QCOMPARE(editor->SelStart(), editor->LineIndex(2));
}

void UnlineTest::trackBarAndEntryAgree() {
  TWindowFixture fx;
  OpenLines(fx, Lines(25));
  TFmline& dialog = fx.Forms().Line();
  fx.Platform().DialogScripts.push_back([&](QDialog&) {
    dialog.TrackBar1->setValue(18);  // the user drags the bar
    QCOMPARE(dialog.e2->text(), QStringLiteral("18"));
    dialog.Button1->click();
  });
  fx.Trigger("N57");
  QCOMPARE(CaretLine(fx), 17);

  // The next showing offers the previous entry, not the caret's line.
  fx.CaretToLine(2);
  fx.Platform().DialogScripts.push_back([&](QDialog&) {
    QCOMPARE(dialog.TrackBar1->value(), 3);
    QCOMPARE(dialog.e2->text(), QStringLiteral("18"));
    QTest::keyClick(dialog.e2, Qt::Key_Enter);
  });
  fx.Trigger("N57");
  QCOMPARE(CaretLine(fx), 17);
}

void UnlineTest::closedWithoutAnEntry() {
  TWindowFixture fx;
  OpenLines(fx, Lines(25));
  TEditorControl* editor = fx.Form().Btext;
  editor->SetSelStart(editor->LineIndex(6) + 1);
  fx.Platform().DialogScripts.push_back([&](QDialog& dialog) {
    fx.Forms().Line().e2->setText(QStringLiteral("12"));
    dialog.close();  // the close box
  });
  fx.Trigger("N57");
  QCOMPARE(editor->SelStart(), editor->LineIndex(6) + 1);
  QVERIFY(fx.Forms().Line().LineRequest.isEmpty());
  QVERIFY(fx.Platform().Messages.isEmpty());
}

QTEST_MAIN(UnlineTest)
#include "Unline_test.moc"
