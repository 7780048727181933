// Full-width to half-width in the window: both components, one line out per line in, the range
// and undo.
#include <QAction>
#include <QTest>

#include "app/Globals.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"

class UnmeinWidthTest : public QObject {
  Q_OBJECT
 private slots:
  void convertsTheRange_data();
  void convertsTheRange();
};

void UnmeinWidthTest::convertsTheRange_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<bool>("wholeDocument");
  QTest::newRow("N73, whole document") << QByteArray("N73") << true;
  QTest::newRow("BtAnsi, whole document") << QByteArray("BtAnsi") << true;
  QTest::newRow("N73, second line only") << QByteArray("N73") << false;
}

void UnmeinWidthTest::convertsTheRange() {
  QFETCH(QByteArray, command);
  QFETCH(bool, wholeDocument);
  TWindowFixture fx;
  const QByteArray first = Sjis(QStringLiteral("ＡＢＣ１２３ａｂｃ"));
  const QByteArray second = Sjis(QStringLiteral("「テスト」。ひらがな　漢字"));
  const QByteArray before = first + "\r\n" + second + "\r\n\r\n";
  fx.Open(fx.Write(QStringLiteral("wide.txt"), before));
  TFmmein& fm = fx.Form();
  if (!wholeDocument) {
    fx.CaretToLine(1);
    fx.Trigger("stpos");
    fx.Trigger("edpos");
  }
  const auto caret = fm.Btext->SelStart();
  fx.Trigger(command.constData());
  const QByteArray converted = Sjis(QStringLiteral("｢ﾃｽﾄ｣｡ﾋﾗｶﾞﾅ 漢字"));
  QCOMPARE(fx.Text(), (wholeDocument ? QByteArray("ABC123abc") : first) + "\r\n" + converted +
                          "\r\n\r\n");
  QCOMPARE(fm.Btext->LineCount(), 3);
  QCOMPARE(RangeStart, 0);
  QCOMPARE(RangeEnd, 2);
  QCOMPARE(fm.Btext->SelStart(), std::min(caret, fm.Btext->TextLength()));
  QVERIFY(fm.Btext->Modified());
  fx.Trigger("A1");
  QCOMPARE(fx.Text(), before);
}

QTEST_MAIN(UnmeinWidthTest)
#include "UnmeinWidth_test.moc"
