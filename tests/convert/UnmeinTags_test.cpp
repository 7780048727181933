// The HTML commands in the window: tag removal in both variants from all four components, and
// tag line-breaking, which keeps the range and the caret.
#include <QAction>
#include <QLineEdit>
#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "app/Globals.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"

namespace {
const QColor kSilver(192, 192, 192);
const QColor kAqua(0, 255, 255);
}  // namespace

class UnmeinTagsTest : public QObject {
  Q_OBJECT
 private slots:
  void tagRemoval_data();
  void tagRemoval();
  void tagRemovalOnlyInTheRange();
  void tagLineBreaking_data();
  void tagLineBreaking();
  void tagLineBreakingKeepsRangeAndCaret();
  void pageMadeText();
};

void UnmeinTagsTest::tagRemoval_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QByteArray>("want");
  const QByteArray keep("one\r\ntwo\r\nthree\r\n\r\n\r\n\r\nHello & <x>\r\n");
  const QByteArray drop("one\r\ntwo\r\nthree\r\nHello & <x>\r\n");
  QTest::newRow("tagc1 keeps every piece") << QByteArray("tagc1") << keep;
  QTest::newRow("tbTagCut keeps every piece") << QByteArray("tbTagCut") << keep;
  QTest::newRow("tagc2 drops blank pieces") << QByteArray("tagc2") << drop;
  QTest::newRow("tbTagSpCut drops blank pieces") << QByteArray("tbTagSpCut") << drop;
}

void UnmeinTagsTest::tagRemoval() {
  QFETCH(QByteArray, command);
  QFETCH(QByteArray, want);
  TWindowFixture fx;
  const QByteArray before("one<br>two<BR>three\r\n\r\n<br><br>\r\n<p>Hello &amp; &lt;x&gt;</p>\r\n");
  fx.Open(fx.Write(QStringLiteral("page.txt"), before));
  TFmmein& fm = fx.Form();
  fm.Btext->SetSelStart(5);
  fx.Trigger(command.constData());
  QCOMPARE(fx.Text(), want);
  QVERIFY(fm.Btext->Modified());
  QCOMPARE(fm.Btext->SelStart(), 0);
  QCOMPARE(RangeEnd, fm.Btext->LineCount() - 1);
  QCOMPARE(fx.Platform().CursorChanges.mid(2), (QList<bool>{true, false}));
  fx.Trigger("BtRet");
  QCOMPARE(fx.Text(), before);
}

void UnmeinTagsTest::tagRemovalOnlyInTheRange() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("page.txt"), "<b>1</b>\r\n<b>2</b>\r\n<b>3</b>\r\n"));
  fx.CaretToLine(1);
  fx.Trigger("stpos");
  fx.Trigger("edpos");
  fx.Trigger("tagc2");
  QCOMPARE(fx.Text(), QByteArray("<b>1</b>\r\n2\r\n<b>3</b>\r\n"));
  QCOMPARE(RangeStart, 0);
  QCOMPARE(TWindowFixture::FieldColor(fx.Form().ed1), kSilver);
}

void UnmeinTagsTest::tagLineBreaking_data() {
  QTest::addColumn<QByteArray>("before");
  QTest::addColumn<QByteArray>("want");
  QTest::newRow("tags and text runs on lines of their own")
      << QByteArray("text<b>bold</b>more\r\n") << QByteArray("text\r\n<b>\r\nbold\r\n</b>\r\nmore\r\n");
  QTest::newRow("an unclosed tag goes on with the next line, empty lines dropped")
      << QByteArray("abc<a\r\n\r\n href=\"y\">link</a>\r\n")
      << QByteArray("abc\r\n<a href=\"y\">\r\nlink\r\n</a>\r\n");
  QTest::newRow("a stray end") << QByteArray("x>y\r\na>b<c\r\n")
                               << QByteArray("x>\r\ny\r\na>b\r\n<c>\r\n");
  QTest::newRow("a tag still open after the last line is kept")
      << QByteArray("one\r\nabc<a href=\r\n") << QByteArray("one\r\nabc\r\n<a href=\r\n");
}

void UnmeinTagsTest::tagLineBreaking() {
  QFETCH(QByteArray, before);
  QFETCH(QByteArray, want);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("page.txt"), before));
  fx.Trigger("HTML2");
  QCOMPARE(fx.Text(), want);
  QVERIFY(fx.Form().Btext->Modified());
  fx.Trigger("A1");
  QCOMPARE(fx.Text(), before);
}

// The start the user set stays, in aqua; the end follows the new line count; the caret stays.
void UnmeinTagsTest::tagLineBreakingKeepsRangeAndCaret() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("page.txt"), "<p>a</p>\r\n<i>b</i>\r\nc\r\n"));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(1);
  fx.Trigger("stpos");
  fm.Btext->SetSelStart(fm.Btext->LineIndex(1) + 2);
  const auto caret = fm.Btext->SelStart();
  fx.Trigger("HTML2");
  QCOMPARE(fx.Text(), QByteArray("<p>a</p>\r\n<i>\r\nb\r\n</i>\r\nc\r\n"));
  QCOMPARE(RangeStart, 1);
  QCOMPARE(fm.ed1->text(), QStringLiteral("開始位置 : 2"));
  QCOMPARE(TWindowFixture::FieldColor(fm.ed1), kAqua);
  QCOMPARE(RangeEnd, 4);
  QCOMPARE(fm.ed2->text(), QStringLiteral("終了位置 : 5"));
  QCOMPARE(fm.ed3->text(), QStringLiteral("5"));
  QCOMPARE(fm.Btext->SelStart(), caret);
  QVERIFY(!fx.Platform().Busy);
}

// HTMLをテキストに変換 on the range: the range's lines read as one page, one undo step, the
// range made the whole document again; リンク先も残す and リンク先の一覧 as the option says.
void UnmeinTagsTest::pageMadeText() {
  TWindowFixture fx;
  const QByteArray page = QStringLiteral(
      "before\r\n<html><head><title>題</title><script>var x;</script></head>\r\n"
      "<body><p>一段落<br />二行目</p><p>é <a href=\"a.html\">リンク</a></p>\r\n"
      "</body></html>\r\nafter\r\n").toUtf8();
  fx.Open(fx.Write(QStringLiteral("page.html"), page));
  TFmmein& fm = fx.Form();
  fx.CaretToLine(1);
  fx.Trigger("stpos");
  fx.CaretToLine(3);
  fx.Trigger("edpos");
  fx.Trigger("PageText1");
  fm.Btext->SelectAll();
  fm.Btext->Copy();
  QCOMPARE(QApplication::clipboard()->text(),
           QStringLiteral("before\n題\n\n一段落\n二行目\n\né リンク\nafter\n"));
  QCOMPARE(RangeStart, 0);
  QVERIFY(fm.Btext->Modified());
  fx.Trigger("A1");  // one step back to the page
  QCOMPARE(fx.Text().left(7), QByteArray("before\r"));
  QVERIFY(fx.Text().contains("<script>"));
  fx.Trigger("KeepLinks1");
  fx.Trigger("tbPageText");
  QVERIFY(fx.Text().contains(Sjis(QStringLiteral("リンク <a.html>"))));
  fx.Trigger("A1");
  fx.Trigger("PageLinks1");
  QCOMPARE(fx.Text(), QByteArray("a.html\r\n"));
}

QTEST_MAIN(UnmeinTagsTest)
#include "UnmeinTags_test.moc"
