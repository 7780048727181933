// The editor's reads agree whatever was typed or pasted: the whole text, the line count and
// each line describe the same lines, and a character that Shift-JIS cannot hold is refused as
// it is entered, with a message naming it and where it would have stood.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "document/editor/EditorControl.h"
#include "document/editor/QtText.h"
#include "tests/support/WindowFixture.h"

namespace {

enum class TEntry { Typed, Pasted, InputMethod };

void Enter(TEditorControl& editor, TEntry how, const QString& text) {
  switch (how) {
    case TEntry::Typed:
      // One key event per character, as a keyboard layout that has the character sends it.
      for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&editor, &press);
      }
      break;
    case TEntry::Pasted:
      QApplication::clipboard()->setText(text);
      editor.Paste();
      break;
    case TEntry::InputMethod: {
      QInputMethodEvent event;
      event.setCommitString(text);
      QApplication::sendEvent(&editor, &event);
      break;
    }
  }
}

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

Q_DECLARE_METATYPE(TEntry)

class EditorControlTest : public QObject {
  Q_OBJECT
 private slots:
  void readsAgree_data();
  void readsAgree();
  void shiftEnterMakesAnOrdinaryBreak_data();
  void shiftEnterMakesAnOrdinaryBreak();
  void unmappableIsRefusedOnEntry_data();
  void unmappableIsRefusedOnEntry();
  void refusalNamesThePlaceInTheDocument();
  void rangeDeleteAfterShiftEnterKeepsTheLastLine();
};

void EditorControlTest::readsAgree_data() {
  QTest::addColumn<TEntry>("how");
  QTest::addColumn<QString>("entered");
  QTest::addColumn<QList<QByteArray>>("lines");
  const QList<QByteArray> xy{"x", "y"};
  for (const auto& [how, name] : {std::pair{TEntry::Typed, "typed"},
                                  std::pair{TEntry::Pasted, "pasted"},
                                  std::pair{TEntry::InputMethod, "input method"}}) {
    const QByteArray tag(name);
    QTest::newRow(tag + ": line separator U+2028") << how << QStringLiteral("x\u2028y") << xy;
    QTest::newRow(tag + ": paragraph separator U+2029") << how << QStringLiteral("x\u2029y") << xy;
    QTest::newRow(tag + ": no-break space becomes a blank")
        << how << QStringLiteral("x\u00A0y") << QList<QByteArray>{"x y"};
    QTest::newRow(tag + ": Japanese text")
        << how << QStringLiteral("表示")
        << QList<QByteArray>{Sjis(QStringLiteral("表示"))};
  }
  QTest::newRow("pasted: CR LF") << TEntry::Pasted << QStringLiteral("x\r\ny") << xy;
  QTest::newRow("pasted: lone CR") << TEntry::Pasted << QStringLiteral("x\ry") << xy;
  QTest::newRow("pasted: final break adds no line")
      << TEntry::Pasted << QStringLiteral("x\u2028") << QList<QByteArray>{"x"};
}

void EditorControlTest::readsAgree() {
  QFETCH(TEntry, how);
  QFETCH(QString, entered);
  QFETCH(QList<QByteArray>, lines);
  TWindowFixture fx;
  TEditorControl& editor = *fx.Form().Btext;
  Enter(editor, how, entered);
  QCOMPARE(editor.LineCount(), lines.size());
  QByteArray joined;
  for (int i = 0; i < lines.size(); ++i) {
    QCOMPARE(Bytes(editor.Line(i)), lines[i]);
    joined += lines[i];
    if (i + 1 < lines.size()) joined += "\r\n";
  }
  if (entered.endsWith(QChar::LineSeparator)) joined += "\r\n";
  QCOMPARE(Bytes(editor.Text()), joined);
}

void EditorControlTest::shiftEnterMakesAnOrdinaryBreak_data() {
  QTest::addColumn<int>("key");
  QTest::newRow("Shift+Return") << int(Qt::Key_Return);
  QTest::newRow("Shift+Enter on the keypad") << int(Qt::Key_Enter);
}

void EditorControlTest::shiftEnterMakesAnOrdinaryBreak() {
  QFETCH(int, key);
  TWindowFixture fx;
  TEditorControl& editor = *fx.Form().Btext;
  QTest::keyClicks(&editor, QStringLiteral("a"));
  QTest::keyClick(&editor, static_cast<Qt::Key>(key), Qt::ShiftModifier);
  QTest::keyClicks(&editor, QStringLiteral("b"));
  QCOMPARE(Bytes(editor.Text()), QByteArray("a\r\nb"));
  QCOMPARE(editor.LineCount(), 2);
  QCOMPARE(Bytes(editor.Line(1)), QByteArray("b"));
}

void EditorControlTest::unmappableIsRefusedOnEntry_data() {
  QTest::addColumn<TEntry>("how");
  QTest::addColumn<QString>("entered");
  QTest::addColumn<int>("line");    // 1-based, as the message says; 0: the entry is taken
  QTest::addColumn<int>("column");
  QTest::addColumn<uint>("codePoint");
  // Characters Shift-JIS lacks are taken as themselves (the document keeps them through its
  // table); only a NUL, which would cut the text, is refused.
  QTest::newRow("typed euro sign") << TEntry::Typed << QStringLiteral("a€") << 0 << 0 << 0u;
  QTest::newRow("pasted euro on line 2") << TEntry::Pasted << QStringLiteral("ab\ncd€") << 0 << 0 << 0u;
  QTest::newRow("pasted after U+2029") << TEntry::Pasted << QStringLiteral("a\u2029é") << 0 << 0 << 0u;
  QTest::newRow("pasted emoji") << TEntry::Pasted << QStringLiteral("x\U0001F600") << 0 << 0 << 0u;
  QTest::newRow("input method commit") << TEntry::InputMethod << QStringLiteral("x€") << 0 << 0 << 0u;
  QTest::newRow("pasted NUL") << TEntry::Pasted << QStringLiteral("ab") + QChar(0) << 1 << 3 << 0u;
}

void EditorControlTest::unmappableIsRefusedOnEntry() {
  QFETCH(TEntry, how);
  QFETCH(QString, entered);
  QFETCH(int, line);
  QFETCH(int, column);
  QFETCH(uint, codePoint);
  TWindowFixture fx;
  TEditorControl& editor = *fx.Form().Btext;
  Enter(editor, how, entered);
  if (line == 0) {
    QVERIFY(fx.Platform().Messages.isEmpty());
    editor.SelectAll();
    editor.Copy();
    QCOMPARE(QApplication::clipboard()->text(), QString(entered).replace(QChar(0x2029), QLatin1Char('\n')));
    return;
  }
  QCOMPARE(Bytes(editor.Text()), QByteArray());
  QCOMPARE(fx.Platform().Messages.size(), 1);
  const QString number =
      QStringLiteral("U+") + QString::number(codePoint, 16).toUpper().rightJustified(4, '0');
  const QString message = fx.Platform().Messages.first().Text;
  QVERIFY2(message.startsWith(QStringLiteral("%1 行 %2 列の文字").arg(line).arg(column)),
           qPrintable(message));
  QVERIFY2(message.contains(number), qPrintable(message));
}

// A refused character stands where the caret was: the message counts the document's lines and
// the characters before the caret on its line.
void EditorControlTest::refusalNamesThePlaceInTheDocument() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("two.txt"), Sjis(QStringLiteral("一行目\r\n表示ab\r\n"))));
  TEditorControl& editor = *fx.Form().Btext;
  editor.SetSelStart(editor.LineIndex(1) + 5);  // after 表示a
  Enter(editor, TEntry::Pasted, QString(QChar(0)));
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QVERIFY2(fx.Platform().Messages.first().Text.startsWith(QStringLiteral("2 行 4 列の文字")),
           qPrintable(fx.Platform().Messages.first().Text));
  QCOMPARE(Bytes(editor.Text()), Sjis(QStringLiteral("一行目\r\n表示ab\r\n")));
}

// The reported fault: after a Shift+Enter a range delete removed the document's last line.
void EditorControlTest::rangeDeleteAfterShiftEnterKeepsTheLastLine() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("abc.txt"), "a\r\nb\r\nc\r\n"));
  TFmmein& fm = fx.Form();
  fm.Btext->SetSelStart(1);  // the end of line a
  QTest::keyClick(fm.Btext, Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClicks(fm.Btext, QStringLiteral("x"));
  QCOMPARE(fm.Btext->LineCount(), 4);
  fx.CaretToLine(1);
  fx.Trigger("stpos");
  fx.Trigger("edpos");
  fx.Trigger("N42");
  QCOMPARE(fx.Text(), QByteArray("a\r\nb\r\nc\r\n"));
}

QTEST_MAIN(EditorControlTest)
#include "EditorControl_test.moc"
