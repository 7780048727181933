// The line-edge commands in the window: the three trimming modes, the text added at every
// line's start or end through the input box, and the common road they share.
#include <QAction>
#include <QLineEdit>
#include <QTest>

#include "app/Globals.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"

class UnmeinEdgesTest : public QObject {
  Q_OBJECT
 private slots:
  void trimModes_data();
  void trimModes();
  void addedText_data();
  void addedText();
  void linesOutsideTheRangeAreUntouched_data();
  void linesOutsideTheRangeAreUntouched();
  void unmappableEntryChangesNothing();
};

void UnmeinEdgesTest::trimModes_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QByteArray>("want");
  const QByteArray fullWidthSpace("\x81\x40");
  QTest::newRow("N22 trims both ends, keeps the line count")
      << QByteArray("N22") << QByteArray("a\r\n\r\n\r\nb\r\n") + fullWidthSpace + "\r\n";
  QTest::newRow("N23 drops blank lines, keeps the others untrimmed")
      << QByteArray("N23") << QByteArray("a\r\n b \r\n") + fullWidthSpace + "\r\n";
  QTest::newRow("N24 does both")
      << QByteArray("N24") << QByteArray("a\r\nb\r\n") + fullWidthSpace + "\r\n";
}

void UnmeinEdgesTest::trimModes() {
  QFETCH(QByteArray, command);
  QFETCH(QByteArray, want);
  TWindowFixture fx;
  const QByteArray before = QByteArray("a\r\n\r\n \t \r\n b \r\n\x81\x40\r\n");
  fx.Open(fx.Write(QStringLiteral("edges.txt"), before));
  TFmmein& fm = fx.Form();
  fm.Btext->SetSelStart(4);
  fx.Trigger(command.constData());
  QCOMPARE(fx.Text(), want);
  QVERIFY(fm.Btext->Modified());
  QCOMPARE(fm.Btext->SelStart(), 0);
  QCOMPARE(RangeStart, 0);
  QCOMPARE(RangeEnd, fm.Btext->LineCount() - 1);
  QCOMPARE(fm.ed3->text(), QString::number(fm.Btext->LineCount()));
  QVERIFY(!fx.Platform().Busy);
  QCOMPARE(fx.Platform().CursorChanges.mid(2), (QList<bool>{true, false}));
  fx.Trigger("A1");  // undo gives back the document as it was
  QCOMPARE(fx.Text(), before);
}

void UnmeinEdgesTest::addedText_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<std::optional<QString>>("answer");
  QTest::addColumn<QByteArray>("want");
  QTest::newRow("prefix") << QByteArray("N59") << QStringLiteral("行頭に文字追加")
                          << std::optional<QString>(QStringLiteral("x")) << QByteArray("xa\r\nx\r\n");
  QTest::newRow("suffix") << QByteArray("N66") << QStringLiteral("行末に文字追加")
                          << std::optional<QString>(QStringLiteral(";")) << QByteArray("a;\r\n;\r\n");
  QTest::newRow("full-width text")
      << QByteArray("N59") << QStringLiteral("行頭に文字追加")
      << std::optional<QString>(QStringLiteral("表 ")) << QByteArray("\x95\x5C a\r\n\x95\x5C \r\n");
  QTest::newRow("cancel: lines as they were, still one command")
      << QByteArray("N66") << QStringLiteral("行末に文字追加") << std::optional<QString>()
      << QByteArray("a\r\n\r\n");
}

void UnmeinEdgesTest::addedText() {
  QFETCH(QByteArray, command);
  QFETCH(QString, caption);
  QFETCH(std::optional<QString>, answer);
  QFETCH(QByteArray, want);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("two.txt"), "a\r\n\r\n"));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(1);
  fx.Trigger("stpos");
  fx.Platform().TextAnswers.push_back(answer);
  fx.Trigger(command.constData());
  QCOMPARE(fx.Platform().TextQuestions.size(), 1);
  QCOMPARE(fx.Platform().TextQuestions[0].Caption, caption);
  QCOMPARE(fx.Platform().TextQuestions[0].Prompt, QStringLiteral("追加文字を入力して下さい。"));
  QCOMPARE(fx.Platform().TextQuestions[0].Initial, QString());
  // The range started at the second line: only it changes.
  QCOMPARE(fx.Text(), QByteArray("a\r\n") + want.mid(want.indexOf("\r\n") + 2));
  QVERIFY(fx.Action("A1")->isEnabled());
  QCOMPARE(RangeStart, 0);
  QCOMPARE(fm.ed1->text(), QStringLiteral("開始位置 : 1"));
  QCOMPARE(fm.Btext->SelStart(), 0);
}

void UnmeinEdgesTest::linesOutsideTheRangeAreUntouched_data() {
  QTest::addColumn<QByteArray>("command");
  for (const char* name : {"N22", "N23", "N24", "N59"}) QTest::newRow(name) << QByteArray(name);
}

void UnmeinEdgesTest::linesOutsideTheRangeAreUntouched() {
  QFETCH(QByteArray, command);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("four.txt"), " 1 \r\n\r\n 3 \r\n\r\n"));
  fx.CaretToLine(2);
  fx.Trigger("stpos");
  fx.Trigger("edpos");
  fx.Platform().TextAnswers.push_back(QStringLiteral(">"));
  fx.Trigger(command.constData());
  const QByteArray middle = command == "N59"   ? QByteArray("> 3 ")
                            : command == "N23" ? QByteArray(" 3 ")
                                               : QByteArray("3");
  QCOMPARE(fx.Text(), " 1 \r\n\r\n" + middle + "\r\n\r\n");
}

// A character the document cannot hold is refused before anything changes.
void UnmeinEdgesTest::unmappableEntryChangesNothing() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.Platform().TextAnswers.push_back(QStringLiteral("€"));
  fx.Trigger("N59");
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QVERIFY(fx.Platform().Messages[0].Text.contains(QStringLiteral("U+20AC")));
  QCOMPARE(fx.Text(), QByteArray("a\r\n"));
  QVERIFY(!fx.Form().Btext->Modified());
  QVERIFY(!fx.Action("A1")->isEnabled());
}

QTEST_MAIN(UnmeinEdgesTest)
#include "UnmeinEdges_test.moc"
