// The editor over the document's bytes: keys and mouse never stop inside a double-byte
// character (whatever its second byte), selections cross line ends, bytes that do not decode
// keep their place and their value, tabs fill cells to the next stop, wrapped lines stay one
// line, the input method's text stays out of the document until committed, and assistive
// technology counts UTF-16 units.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextCharFormat>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>

#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"

namespace {

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

std::string Std(const QByteArray& bytes) { return bytes.toStdString(); }

// What the input method asks of the focused widget.
QVariant Query(const QWidget& editor, Qt::InputMethodQuery query) {
  return editor.inputMethodQuery(query);
}

struct TKey {
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
};

// The left edge of a cell on the viewport, for clicks.
QPoint CellPoint(const TEditorControl& editor, int row, qreal cells) {
  const qreal width = QFontMetricsF(editor.font()).horizontalAdvance(QLatin1Char('M'));
  const int height = QFontMetrics(editor.font()).lineSpacing();
  return QPoint(static_cast<int>(4 + cells * width), 4 + row * height + height / 2);
}

// The main window's editor at its real size, as the user sees it.
TEditorControl& ShownEditor(TWindowFixture& fx) {
  fx.Form().show();
  if (!QTest::qWaitForWindowExposed(&fx.Form())) qWarning("the window was not shown");
  return *fx.Form().Btext;
}

}  // namespace

Q_DECLARE_METATYPE(TKey)
Q_DECLARE_METATYPE(QList<TKey>)

class EditorViewTest : public QObject {
  Q_OBJECT
 private slots:
  void keysStepWholeCharacters_data();
  void keysStepWholeCharacters();
  void clicksLandOnCharacterEdges_data();
  void clicksLandOnCharacterEdges();
  void doubleAndTripleClickSelectWordAndLine();
  void dragSelectsAcrossLines();
  void draggingPastTheEdgeScrolls();
  void editingKeysAndTheirUndo_data();
  void editingKeysAndTheirUndo();
  void undecodableBytesKeepTheirPlaceAndValue();
  void copyAndPasteKeepBytes();
  void duplicateCodesShowTheirCharacters();
  void linesWiderThanPixelsCountScrollToTheirEnd();
  void tabsFillToTheNextStop();
  void wrappedLinesStayOneLine();
  void wrappedScrollFollowsTyping();
  void inputMethodComposesOutsideTheDocument();
  void inputMethodQueriesDescribeTheCaret();
  void accessibilityCountsUtf16Units();
  void farJumpShowsTheLineAndKeepsReadsExact();
  void charactersAreCountedOnLongLines();
  void onlyFacesOfWholeCellsAreTaken();
};

void EditorViewTest::keysStepWholeCharacters_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<int>("caret");
  QTest::addColumn<QList<TKey>>("keys");
  QTest::addColumn<int>("expected");
  QTest::addColumn<int>("anchor");
  const QByteArray soHyou = Sjis(QStringLiteral("aソ表b"));  // both second bytes are 0x5C
  const QByteArray alpha = Sjis(QStringLiteral("Ａー＼z"));   // second bytes 0x60, 0x5B, 0x5F
  using Keys = QList<TKey>;
  QTest::newRow("right over 0x5C second byte") << soHyou << 1 << Keys{{Qt::Key_Right}} << 3 << 3;
  QTest::newRow("right twice") << soHyou << 1 << Keys{{Qt::Key_Right}, {Qt::Key_Right}} << 5 << 5;
  QTest::newRow("left from after 表") << soHyou << 5 << Keys{{Qt::Key_Left}} << 3 << 3;
  QTest::newRow("right over 0x40-0x7E seconds")
      << alpha << 0 << Keys{{Qt::Key_Right}, {Qt::Key_Right}, {Qt::Key_Right}} << 6 << 6;
  QTest::newRow("left over ー") << alpha << 4 << Keys{{Qt::Key_Left}} << 2 << 2;
  QTest::newRow("CR LF is one step right") << QByteArray("a\r\nb") << 1 << Keys{{Qt::Key_Right}}
                                           << 3 << 3;
  QTest::newRow("CR LF is one step left") << QByteArray("a\r\nb") << 3 << Keys{{Qt::Key_Left}}
                                          << 1 << 1;
  QTest::newRow("shift+right selects across the line end")
      << QByteArray("ab\r\ncd") << 1
      << Keys{{Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}} << 4 << 1;
  QTest::newRow("down snaps left off a second byte")
      << Sjis(QStringLiteral("abc\r\n表示\r\nxyz")) << 1 << Keys{{Qt::Key_Down}} << 5 << 5;
  QTest::newRow("down twice keeps the goal column")
      << Sjis(QStringLiteral("abc\r\n表示\r\nxyz")) << 1 << Keys{{Qt::Key_Down}, {Qt::Key_Down}}
      << 12 << 12;
  QTest::newRow("up to a shorter line ends there")
      << QByteArray("ab\r\nwxyz") << 7 << Keys{{Qt::Key_Up}} << 2 << 2;
  QTest::newRow("end and home") << QByteArray("abc\r\nde") << 1 << Keys{{Qt::Key_End}} << 3 << 3;
  QTest::newRow("home") << QByteArray("abc\r\nde") << 6 << Keys{{Qt::Key_Home}} << 5 << 5;
  QTest::newRow("ctrl+shift+end selects to the end")
      << QByteArray("abc\r\nde\r\n") << 1
      << Keys{{Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier}} << 9 << 1;
  QTest::newRow("left with a selection goes to its left end")
      << QByteArray("abcd") << 1
      << Keys{{Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier},
              {Qt::Key_Left}}
      << 1 << 1;
  QTest::newRow("ctrl+right skips a word and its blanks")
      << QByteArray("abc def") << 0 << Keys{{Qt::Key_Right, Qt::ControlModifier}} << 4 << 4;
}

void EditorViewTest::keysStepWholeCharacters() {
  QFETCH(QByteArray, text);
  QFETCH(int, caret);
  QFETCH(QList<TKey>, keys);
  QFETCH(int, expected);
  QFETCH(int, anchor);
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(Std(text));
  editor.SetSelStart(caret);
  for (const TKey& key : keys) QTest::keyClick(&editor, key.Key, key.Modifiers);
  const int left = std::min(expected, anchor), right = std::max(expected, anchor);
  QCOMPARE(editor.SelStart(), left);
  QCOMPARE(editor.SelEnd(), right);
  QCOMPARE(Bytes(editor.Text()), text);  // moving changes nothing
}

void EditorViewTest::clicksLandOnCharacterEdges_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<int>("row");
  QTest::addColumn<qreal>("cells");
  QTest::addColumn<int>("expected");
  const QByteArray text = Sjis(QStringLiteral("表示ab\r\nxソy"));
  QTest::newRow("left half of 表") << text << 0 << 0.4 << 0;
  QTest::newRow("right half of 表") << text << 0 << 1.7 << 2;
  QTest::newRow("between a and b") << text << 0 << 5.1 << 5;
  QTest::newRow("past the line's end") << text << 0 << 30.0 << 6;
  QTest::newRow("second line, inside ソ (0x5C second byte)") << text << 1 << 1.3 << 9;
  QTest::newRow("second line, right half of ソ") << text << 1 << 2.8 << 11;
  QTest::newRow("below the last line") << text << 5 << 0.0 << 8;
}

void EditorViewTest::clicksLandOnCharacterEdges() {
  QFETCH(QByteArray, text);
  QFETCH(int, row);
  QFETCH(qreal, cells);
  QFETCH(int, expected);
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(Std(text));
  QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier,
                    CellPoint(editor, row, cells));
  QCOMPARE(editor.SelStart(), expected);
  QCOMPARE(editor.SelEnd(), expected);
}

void EditorViewTest::doubleAndTripleClickSelectWordAndLine() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(Std(Sjis(QStringLiteral("abc 日本語です\r\nnext"))));
  const QPoint inKanji = CellPoint(editor, 0, 5.5);
  QTest::mouseDClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, inKanji);
  QCOMPARE(editor.SelectedText(), QStringLiteral("日本語"));
  QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, inKanji);
  QCOMPARE(editor.SelectedText(), QStringLiteral("abc 日本語です\n"));
  QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
  QTest::mouseDClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(editor, 0, 1));
  QCOMPARE(editor.SelectedText(), QStringLiteral("abc"));
}

void EditorViewTest::dragSelectsAcrossLines() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(Std(Sjis(QStringLiteral("表示ab\r\nxyz\r\n"))));
  QTest::mousePress(editor.viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(editor, 0, 2));
  QMouseEvent move(QEvent::MouseMove, CellPoint(editor, 1, 2), editor.viewport()->mapToGlobal(CellPoint(editor, 1, 2)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(editor.viewport(), &move);
  QTest::mouseRelease(editor.viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(editor, 1, 2));
  QCOMPARE(editor.SelectedText(), QStringLiteral("示ab\nxy"));
  QCOMPARE(editor.SelStart(), 2);
  QCOMPARE(editor.SelEnd(), 10);
}

// Holding the button below the view scrolls it and takes the selection along.
void EditorViewTest::draggingPastTheEdgeScrolls() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  std::string text;
  for (int i = 0; i < 300; ++i) text += "row " + std::to_string(i) + "\r\n";
  editor.SetText(std::move(text));
  QTest::mousePress(editor.viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(editor, 0, 1));
  const QPoint below(20, editor.viewport()->height() + 30);
  QMouseEvent move(QEvent::MouseMove, below, editor.viewport()->mapToGlobal(below), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(editor.viewport(), &move);
  QTRY_VERIFY(editor.TopLine() >= 5);
  QTest::mouseRelease(editor.viewport(), Qt::LeftButton, Qt::NoModifier, below);
  const std::int64_t top = editor.TopLine();
  QTest::qWait(150);
  QCOMPARE(editor.TopLine(), top);  // the release stops the scrolling
  QCOMPARE(editor.SelStart(), 1);
  QVERIFY(editor.LineFromChar(editor.SelEnd()) > top);  // the selection reaches the shown rows
}

void EditorViewTest::editingKeysAndTheirUndo_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<int>("caret");
  QTest::addColumn<QList<TKey>>("keys");
  QTest::addColumn<QByteArray>("after");
  QTest::addColumn<QByteArray>("afterOneUndo");
  using Keys = QList<TKey>;
  const QByteArray hyou = Sjis(QStringLiteral("a表b"));
  QTest::newRow("backspace takes a whole character")
      << hyou << 3 << Keys{{Qt::Key_Backspace}} << QByteArray("ab") << hyou;
  QTest::newRow("delete takes a whole character")
      << hyou << 1 << Keys{{Qt::Key_Delete}} << QByteArray("ab") << hyou;
  QTest::newRow("backspace joins lines over CR LF")
      << QByteArray("a\r\nb") << 3 << Keys{{Qt::Key_Backspace}} << QByteArray("ab")
      << QByteArray("a\r\nb");
  QTest::newRow("a run of backspaces is one step")
      << QByteArray("abcd") << 4 << Keys{{Qt::Key_Backspace}, {Qt::Key_Backspace}, {Qt::Key_Backspace}}
      << QByteArray("a") << QByteArray("abcd");
  QTest::newRow("enter makes CR LF")
      << QByteArray("ab") << 1 << Keys{{Qt::Key_Return}} << QByteArray("a\r\nb") << QByteArray("ab");
  QTest::newRow("typing over a selection")
      << QByteArray("abcd") << 1
      << Keys{{Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_X}}
      << QByteArray("axd") << QByteArray("abcd");
  QTest::newRow("a caret move ends the typing step")
      << QByteArray("") << 0 << Keys{{Qt::Key_A}, {Qt::Key_B}, {Qt::Key_Left}, {Qt::Key_C}}
      << QByteArray("acb") << QByteArray("ab");
}

void EditorViewTest::editingKeysAndTheirUndo() {
  QFETCH(QByteArray, text);
  QFETCH(int, caret);
  QFETCH(QList<TKey>, keys);
  QFETCH(QByteArray, after);
  QFETCH(QByteArray, afterOneUndo);
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(Std(text));
  editor.SetSelStart(caret);
  for (const TKey& key : keys) QTest::keyClick(&editor, key.Key, key.Modifiers);
  QCOMPARE(Bytes(editor.Text()), after);
  editor.Undo();
  QCOMPARE(Bytes(editor.Text()), afterOneUndo);
}

void EditorViewTest::undecodableBytesKeepTheirPlaceAndValue() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  // 0x80, 0xA0 and 0xFD decode to nothing; 0x81 before a blank is a lone lead byte.
  const QByteArray text("a\x80\xA0\xFD\x81 b\x01", 8);
  editor.SetText(Std(text));
  QCOMPARE(Bytes(editor.Text()), text);
  editor.SetSelStart(1);
  for (int expected : {2, 3, 4, 5, 6}) {
    QTest::keyClick(&editor, Qt::Key_Right);
    QCOMPARE(editor.SelStart(), expected);  // one cell, one byte, each
  }
  // Each such byte is a boxed cell: ink in a cell that a blank would leave empty.
  const QImage frame = editor.viewport()->grab().toImage();
  const QPoint box = CellPoint(editor, 0, 1.5);
  bool inked = false;
  for (int y = box.y() - 4; y <= box.y() + 4; ++y) {
    for (int x = box.x() - 2; x <= box.x() + 2; ++x) inked |= qGray(frame.pixel(x, y)) < 128;
  }
  QVERIFY(inked);
  QTest::keyClicks(&editor, QStringLiteral("z"));
  QCOMPARE(Bytes(editor.Text()), QByteArray("a\x80\xA0\xFD\x81 zb\x01", 9));
}

// Pairs that CP932 holds twice (the NEC row-13 duplicates, the NEC-selected IBM extensions)
// look exactly like the codes that decode to the same characters, and keep their bytes; other
// programs get the characters through the clipboard.
void EditorViewTest::duplicateCodesShowTheirCharacters() {
  struct Row { const char* duplicate; const char* canonical; QString character; };
  const Row rows[] = {
      {"\x87\x90", "\x81\xE0", QStringLiteral("≒")}, {"\x87\x91", "\x81\xDF", QStringLiteral("≡")},
      {"\x87\x92", "\x81\xE7", QStringLiteral("∫")}, {"\x87\x95", "\x81\xE3", QStringLiteral("√")},
      {"\x87\x96", "\x81\xDB", QStringLiteral("⊥")}, {"\x87\x97", "\x81\xDA", QStringLiteral("∠")},
      {"\x87\x9A", "\x81\xE6", QStringLiteral("∵")}, {"\x87\x9B", "\x81\xBF", QStringLiteral("∩")},
      {"\x87\x9C", "\x81\xBE", QStringLiteral("∪")}, {"\xED\x40", "\xFA\x5C", QStringLiteral("纊")},
      {"\xEE\xEC", "\xFC\x4B", QStringLiteral("黑")},
  };
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  for (const Row& row : rows) {
    const QByteArray duplicate = QByteArray("a") + row.duplicate + "b\r\n";
    editor.SetText(Std(QByteArray("a") + row.canonical + "b\r\n"));
    const QImage canonical = editor.viewport()->grab().toImage();
    editor.SetText(Std(duplicate));
    QCOMPARE(editor.viewport()->grab().toImage(), canonical);
    QCOMPARE(Bytes(editor.Text()), duplicate);
    editor.SelectAll();
    editor.Copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("a") + row.character + QStringLiteral("b\n"));
    editor.SetSelStart(editor.TextLength());
    editor.Paste();  // inside the program the bytes themselves
    QCOMPARE(Bytes(editor.Text()), duplicate + duplicate);
  }
}

// A line wider than an int counts in pixels still scrolls to its end: the scroll bar's
// maximum shows the line's last cells, and End brings the caret there into view.
void EditorViewTest::linesWiderThanPixelsCountScrollToTheirEnd() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  QFont huge = editor.font();
  huge.setPixelSize(160);
  editor.setFont(huge);
  const qreal cell = QFontMetricsF(editor.font()).horizontalAdvance(QLatin1Char('M'));
  const auto cells = static_cast<std::size_t>(double(std::numeric_limits<int>::max()) / cell) + 4096;
  editor.SetText(std::string(cells, 'x') + "yz\r\nshort\r\n");
  QScrollBar* bar = editor.horizontalScrollBar();
  const auto lineEnd = static_cast<std::int64_t>(cells) + 2;
  // A click right of the line's end, in the view's last cells, puts the caret there.
  const QPoint rightEdge(editor.viewport()->width() - 8, CellPoint(editor, 0, 0).y());
  const auto clickAtRightEdge = [&] {
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, rightEdge);
    return editor.SelStart();
  };
  QVERIFY(bar->maximum() > 0);
  bar->setValue(bar->maximum());
  QCOMPARE(clickAtRightEdge(), lineEnd);
  editor.SetSelStart(0);
  QCOMPARE(bar->value(), 0);
  QTest::keyClick(&editor, Qt::Key_End);
  QCOMPARE(editor.SelStart(), lineEnd);
  QCOMPARE(bar->value(), bar->maximum());
  QTest::keyClick(&editor, Qt::Key_Home);
  QCOMPARE(bar->value(), 0);
}

void EditorViewTest::copyAndPasteKeepBytes() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  const QByteArray text("x\x80y\xFD\r\n", 6);
  editor.SetText(Std(text));
  editor.SelectAll();
  editor.Copy();
  // Outside the program the bytes travel as escape units of the text.
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("x") + QChar(0xDC80) + QStringLiteral("y") + QChar(0xDCFD) + QStringLiteral("\n"));
  editor.SetSelStart(editor.TextLength());
  editor.Paste();
  QCOMPARE(Bytes(editor.Text()), text + text);
  // Text that only carries escape units comes back as the same bytes.
  QApplication::clipboard()->setText(QString(QChar(0xDC80)) + QStringLiteral("z"));
  editor.Paste();
  QCOMPARE(Bytes(editor.Text()), text + text + QByteArray("\x80z"));
}

void EditorViewTest::tabsFillToTheNextStop() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(std::string("ab\tc\r\n\t\td"));
  QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(editor, 0, 8.2));
  QCOMPARE(editor.SelStart(), 3);  // the tab fills cells 2 to 7; c is in cell 8
  QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(editor, 1, 16.2));
  QCOMPARE(editor.SelStart(), 8);
  QTest::keyClick(&editor, Qt::Key_Up);
  QCOMPARE(editor.SelStart(), 4);  // column 16 is past the first line's end
}

void EditorViewTest::wrappedLinesStayOneLine() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.setFixedWidth(300);
  QApplication::processEvents();
  // An odd first byte puts every later pair across an even edge unless the row gives way.
  std::string line = "a";
  for (int i = 0; i < 400; ++i) line += "\x95\x5C";  // 表
  editor.SetText(line + "\r\nnext\r\n");
  editor.SetWordWrap(true);
  QCOMPARE(editor.LineCount(), 2);
  QCOMPARE(editor.Line(0), line);
  editor.SetSelStart(0);
  QTest::keyClick(&editor, Qt::Key_Down);
  const int second = editor.SelStart();
  QVERIFY(second > 2);
  QVERIFY((second - 1) % 2 == 0);  // a character's start, never its second byte
  QCOMPARE(editor.LineFromChar(second), 0);
  int rows = 1;
  for (; editor.LineFromChar(editor.SelStart()) == 0 && rows < 1000; ++rows) {
    QTest::keyClick(&editor, Qt::Key_Down);
  }
  QCOMPARE(editor.SelStart(), editor.LineIndex(1));
  const qreal cell = QFontMetricsF(editor.font()).horizontalAdvance(QLatin1Char('M'));
  const int cellsPerRow = static_cast<int>((editor.viewport()->width() - 8) / cell);
  QVERIFY2(rows - 1 >= static_cast<int>(line.size()) / cellsPerRow, qPrintable(QString::number(rows)));
  QCOMPARE(editor.horizontalScrollBar()->maximum(), 0);
  editor.SetWordWrap(false);
  QVERIFY(editor.horizontalScrollBar()->maximum() > 0);
  QCOMPARE(editor.Line(0), line);
}

namespace {

// Dark pixels in a band of columns of the first row.
int InkBetween(const QImage& frame, const TEditorControl& editor, qreal left, qreal right) {
  const int height = QFontMetrics(editor.font()).lineSpacing();
  int ink = 0;
  for (int y = 4; y < 4 + height; ++y) {
    for (int x = static_cast<int>(left); x < static_cast<int>(right); ++x) {
      ink += qGray(frame.pixel(x, y)) < 128;
    }
  }
  return ink;
}

}  // namespace

// Typing into a wrapped line corrects the scroll bar's count of rows in place; it must agree
// with a count made afresh, also for lines far below the edit.
void EditorViewTest::wrappedScrollFollowsTyping() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  std::string text;
  for (int i = 0; i < 700; ++i) text += "line " + std::to_string(i) + "\r\n";
  editor.SetText(std::move(text));
  editor.SetWordWrap(true);
  const int untyped = editor.verticalScrollBar()->maximum();
  editor.SetSelStart(editor.LineIndex(10));
  for (int i = 0; i < 300; ++i) QTest::keyClick(&editor, Qt::Key_X);
  QTest::keyClick(&editor, Qt::Key_Backspace);
  const auto scrolled = [&] {
    editor.SetSelStart(0);
    editor.SetSelStart(editor.LineIndex(650));
    return std::pair{editor.verticalScrollBar()->value(), editor.verticalScrollBar()->maximum()};
  };
  const auto kept = scrolled();
  editor.SetWordWrap(false);
  editor.SetWordWrap(true);
  QCOMPARE(scrolled(), kept);
  QVERIFY(kept.second > untyped + 2);  // the typed line takes several rows
}

void EditorViewTest::inputMethodComposesOutsideTheDocument() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(std::string("ab"));
  editor.SetSelStart(1);
  const qreal cell = QFontMetricsF(editor.font()).horizontalAdvance(QLatin1Char('M'));
  const QImage before = editor.viewport()->grab().toImage();
  QVERIFY(InkBetween(before, editor, 4 + cell, 4 + 2 * cell) > 0);  // b
  QList<QInputMethodEvent::Attribute> attributes{
      {QInputMethodEvent::Cursor, 1, 1, QVariant()},
      {QInputMethodEvent::TextFormat, 0, 2, QVariant(QTextCharFormat())}};
  QInputMethodEvent composing(QStringLiteral("にほ"), attributes);
  QApplication::sendEvent(&editor, &composing);
  QCOMPARE(Bytes(editor.Text()), QByteArray("ab"));
  // The composition is drawn at the caret and pushes b to the right instead of covering it.
  const QImage shown = editor.viewport()->grab().toImage();
  const qreal pushed = QFontMetrics(editor.font()).horizontalAdvance(QStringLiteral("にほ"));
  QVERIFY(InkBetween(shown, editor, 4 + cell + 1, 4 + cell + pushed - 1) >
          InkBetween(before, editor, 4 + cell + 1, 4 + cell + pushed - 1));
  QVERIFY(InkBetween(shown, editor, 4 + cell + pushed + 1, 4 + 2 * cell + pushed) > 0);
  QCOMPARE(Query(editor, Qt::ImCursorRectangle).toRect(), editor.CaretRect());
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("日本"));
  QApplication::sendEvent(&editor, &commit);
  QCOMPARE(Bytes(editor.Text()), QByteArray("a") + Sjis(QStringLiteral("日本")) + "b");
  QCOMPARE(editor.SelStart(), 5);
  QTest::keyClicks(&editor, QStringLiteral("x"));
  editor.Undo();
  editor.Undo();
  QCOMPARE(Bytes(editor.Text()), QByteArray("ab"));  // the commit was one step
}

void EditorViewTest::inputMethodQueriesDescribeTheCaret() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(Std(Sjis(QStringLiteral("一\r\n表示ab"))));
  editor.SetSelection(editor.LineIndex(1) + 2, editor.LineIndex(1) + 5);
  QCOMPARE(Query(editor, Qt::ImSurroundingText).toString(), QStringLiteral("表示ab"));
  QCOMPARE(Query(editor, Qt::ImCursorPosition).toInt(), 3);
  QCOMPARE(Query(editor, Qt::ImAnchorPosition).toInt(), 1);
  QCOMPARE(Query(editor, Qt::ImCurrentSelection).toString(), QStringLiteral("示a"));
  QCOMPARE(Query(editor, Qt::ImCursorRectangle).toRect(), editor.CaretRect());
  const QRect caret = editor.CaretRect();
  QCOMPARE(caret.top(), 4 + QFontMetrics(editor.font()).lineSpacing());
  QVERIFY(Query(editor, Qt::ImEnabled).toBool());
}

void EditorViewTest::accessibilityCountsUtf16Units() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  editor.SetText(Std(Sjis(QStringLiteral("表示\r\nab")) + QByteArray("\x80")));
  QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&editor);
  QVERIFY(shown != nullptr);
  QCOMPARE(shown->role(), QAccessible::EditableText);
  QAccessibleTextInterface* text = shown->textInterface();
  QVERIFY(text != nullptr);
  QCOMPARE(text->characterCount(), 6);  // 表示 \n a b and one escape unit
  QCOMPARE(text->text(0, 6), QStringLiteral("表示\nab") + QChar(0xDC80));
  editor.SetSelStart(editor.LineIndex(1) + 1);
  QCOMPARE(text->cursorPosition(), 4);
  text->setCursorPosition(1);
  QCOMPARE(editor.SelStart(), 2);  // after 表: two bytes, one unit
  text->setSelection(0, 1, 4);
  QCOMPARE(editor.SelectedText(), QStringLiteral("示\na"));
  int start = 0, end = 0;
  QCOMPARE(text->textAtOffset(4, QAccessible::LineBoundary, &start, &end), QStringLiteral("ab") + QChar(0xDC80));
  QCOMPARE(start, 3);
  // Typing inside one line moves the later lines' offsets; the counts agree with a fresh count.
  editor.SetText(Std(Sjis(QStringLiteral("表示\r\nab\r\ncd"))));
  QCOMPARE(text->characterCount(), 8);
  editor.SetSelStart(2);
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("日本語"));
  QApplication::sendEvent(&editor, &commit);
  QCOMPARE(text->characterCount(), 11);
  QTest::keyClick(&editor, Qt::Key_Backspace);
  QCOMPARE(text->characterCount(), 10);
  QCOMPARE(text->textAtOffset(9, QAccessible::LineBoundary, &start, &end), QStringLiteral("cd"));
  QCOMPARE(start, 8);
  QCOMPARE(text->text(0, 10), QStringLiteral("表日本示\nab\ncd"));
  const int cursor = text->cursorPosition();
  editor.SetText(editor.Text());  // counted afresh
  editor.SetSelStart(2 + 4);
  QCOMPARE(text->cursorPosition(), cursor);
  QCOMPARE(text->characterCount(), 10);
}

void EditorViewTest::farJumpShowsTheLineAndKeepsReadsExact() {
  TWindowFixture fx;
  TEditorControl& editor = ShownEditor(fx);
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "line " + std::to_string(i) + "\r\n";
  editor.SetText(std::move(text));
  QCOMPARE(editor.LineCount(), 200000);
  QCOMPARE(editor.Line(199999), std::string("line 199999"));
  editor.SetSelStart(editor.LineIndex(150000));
  QVERIFY(editor.TopLine() <= 150000);
  QVERIFY(editor.TopLine() > 150000 - 100);
  QTest::keyClicks(&editor, QStringLiteral("x"));
  QCOMPARE(editor.Line(150000), std::string("xline 150000"));
  QCOMPARE(editor.LineIndex(150001), editor.LineIndex(150000) + 14);
  QCOMPARE(editor.LineFromChar(editor.TextLength()), 200000);
}

// The caret display's column on a line far longer than the pieces it is counted in, asked in
// the orders the display asks: forward, back, after an edit.
void EditorViewTest::charactersAreCountedOnLongLines() {
  TWindowFixture fx;
  TEditorControl& editor = *fx.Form().Btext;
  std::string line = "a";
  for (int i = 0; i < 100000; ++i) line += i % 3 == 0 ? std::string("x") : std::string("\x95\x5C");
  editor.SetText("top\r\n" + line + "\r\n");
  const auto start = editor.LineIndex(1);
  using TOffset = TEditorControl::TOffset;
  const auto model = [&](TOffset offset) {  // characters before offset, stepping the bytes
    std::int64_t count = 0;
    for (TOffset at = start; at < offset;
         at += line[static_cast<std::size_t>(at - start)] == 'x' || line[static_cast<std::size_t>(at - start)] == 'a' ? 1 : 2) {
      ++count;
    }
    return count;
  };
  const TOffset end = start + static_cast<TOffset>(line.size());
  for (const TOffset offset : {end, start + 70001, end, start + 65537, start + 1, start}) {
    QCOMPARE(editor.CharactersBefore(offset), model(editor.Buffer().CharStart(offset)));
  }
  editor.SetSelStart(start);
  QTest::keyClick(&editor, Qt::Key_Delete);  // the a: every later character moves one byte left
  line.erase(0, 1);
  QCOMPARE(editor.CharactersBefore(end - 1), model(end - 1));
}

void EditorViewTest::onlyFacesOfWholeCellsAreTaken() {
  if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) {
    QSKIP("no proportional face to try");
  }
  TWindowFixture fx;
  TEditorControl& editor = *fx.Form().Btext;
  const QString face = editor.FontFace();
  editor.SetFontFace(QStringLiteral("DejaVu Sans"));
  QCOMPARE(editor.FontFace(), face);
  QVERIFY(editor.FontIsFixedPitch());
  editor.SetFontFace(QStringLiteral("ＭＳ明朝"));
  QCOMPARE(editor.FontFace(), QStringLiteral("ＭＳ明朝"));
}

QTEST_MAIN(EditorViewTest)
#include "EditorView_test.moc"
