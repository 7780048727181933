// The replace dialog in the window: how each command sets it up, execute and cancel, the
// histories and the memo clip with their files across a restart, and the pop-up commands that
// fill it from the editor's selection.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/Globals.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"

namespace {

const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);

QColor ColorOf(const QComboBox* field) { return field->palette().color(QPalette::Base); }

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

QStringList Six(const QStringList& first) {
  QStringList rows = first;
  while (rows.size() < 6) rows << QString();
  return rows;
}

// The user fills the fields in, sets the options and presses 実行.
void Execute(TWindowFixture& fx, const char* command, const QString& s1, const QString& s2 = {},
             const QString& s3 = {}, bool cb1 = false, bool cb2 = false) {
  fx.Platform().DialogScripts.push_back([=, &fx](QDialog&) {
    TFmrep& rep = fx.Rep();
    rep.e1->setEditText(s1);
    rep.e2->setEditText(s2);
    rep.e3->setEditText(s3);
    rep.cb1->setChecked(cb1);
    rep.cb2->setChecked(cb2);
    rep.BitBtn1->click();
  });
  fx.Trigger(command);
}

void TypeInMemo(TFmrep& rep, const QString& text) {
  for (const QChar c : text) QTest::keyClick(rep.Combo1->lineEdit(), c.toLatin1());
}

}  // namespace

class UnrepTest : public QObject {
  Q_OBJECT
 private slots:
  void createdEmptyWithItsComponents();
  void setUpPerCommand_data();
  void setUpPerCommand();
  void everyCommandRunsItsKind_data();
  void everyCommandRunsItsKind();
  void executeResetsOptionsAndRecordsHistory();
  void cancelKeepsEverything();
  void historySlotsAndFilesAcrossARestart();
  void longHistoryFileShowsItsFirstSixEntries();
  void clearedHistoryFileStaysDeletedUntilAnExecution();
  void damagedFilesKeepTheirBytes();
  void memoEditingInPlace();
  void clipboardAndClearButtons();
  void popupCopiesTheSelection();
  void markersMayHoldAnyCharacter();
  void memoAndHistoriesHoldAnyCharacter();
  void eachFileIsWrittenOnItsOwnAtExit();
};

void UnrepTest::createdEmptyWithItsComponents() {
  TWindowFixture fx;
  TFmrep& rep = fx.Rep();
  QCOMPARE(Fmrep, &rep);
  QCOMPARE(rep.RepKind, 0);
  QCOMPARE(rep.EditIndex, -100);
  QCOMPARE(rep.windowTitle(), QStringLiteral("Fmrep"));
  QCOMPARE(rep.size(), QSize(360, 405));  // with the preview line
  for (QComboBox* combo : {rep.e1, rep.e2, rep.e3, rep.Combo1}) {
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->currentText(), QString());
    QCOMPARE(combo->count(), 0);
  }
  const struct { QToolButton* button; const char* caption; int tag; } buttons[] = {
      {rep.sb1, "文字消去", 1}, {rep.sb2, "文字消去", 2}, {rep.sb3, "文字消去", 3},
      {rep.clr1, "履歴消去", 1}, {rep.clr2, "履歴消去", 2}, {rep.clr3, "履歴消去", 3},
      {rep.cp4, "Clipboard->", 4}, {rep.sb5, "Memo All Clear", 5}, {rep.sb4, "One Item Clear", 4},
  };
  for (const auto& b : buttons) {
    QCOMPARE(b.button->text(), QString::fromUtf8(b.caption));
    QCOMPARE(b.button->property("Tag").toInt(), b.tag);
    QCOMPARE(b.button->focusPolicy(), Qt::NoFocus);
  }
  QCOMPARE(rep.sb5->palette().color(QPalette::ButtonText), QColor(Qt::red));
  QCOMPARE(rep.l4->text(), QStringLiteral("メモクリップ"));
  QCOMPARE(rep.cb1->text(), QStringLiteral("空白行は削除"));
  QCOMPARE(rep.CB3->text(), QStringLiteral("大文字小文字を区別"));
  QCOMPARE(rep.cb2->text(), QStringLiteral("対象文字は変換しないで残す"));
  QCOMPARE(rep.BitBtn1->text(), QStringLiteral("実行"));
  QCOMPARE(rep.BitBtn2->text(), QStringLiteral("キャンセル"));
  for (QCheckBox* box : {rep.cb1, rep.CB3, rep.cb2}) QVERIFY(!box->isChecked());
  // The tab order starts at the execute button.
  QWidget* const order[] = {rep.BitBtn1, rep.BitBtn2, rep.cb1, rep.cb2, rep.Combo1,
                            rep.e1, rep.e2, rep.e3, rep.CB3};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QWidget* next = order[i - 1]->nextInFocusChain();
    // Speed buttons take no focus; an editable combo box hands it to its own line edit.
    while (next != order[i] && (next->focusPolicy() == Qt::NoFocus ||
                                qobject_cast<QComboBox*>(next->parentWidget()) != nullptr)) {
      next = next->nextInFocusChain();
    }
    QVERIFY2(next == order[i], qPrintable(order[i]->objectName()));
  }
}

void UnrepTest::setUpPerCommand_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<int>("kind");
  QTest::addColumn<QStringList>("texts");  // title, l1, l2, l3
  QTest::addColumn<bool>("e2InUse");
  QTest::addColumn<bool>("e3InUse");
  QTest::addColumn<bool>("e2Kept");
  QTest::addColumn<bool>("e3Kept");
  const auto row = [](const char* cmd, int kind, QStringList texts, bool u2, bool u3, bool k2,
                      bool k3) {
    QTest::newRow(cmd) << QByteArray(cmd) << kind << texts << u2 << u3 << k2 << k3;
  };
  row("R1", 11, {"一般的な置換", "置換したい文字 １", "置換したい文字 ２", "置換後の文字"}, true, true, true, true);
  row("r2", 12, {"文字より前を置換", "置換したい文字", "", "置換後の文字"}, false, true, false, true);
  row("r3", 13, {"文字より後ろを置換", "置換したい文字", "", "置換後の文字"}, false, true, false, true);
  row("r4", 14, {"文字間を置換", "置換したい先頭文字", "置換したい末尾文字", "置換後の文字"}, true, true, true, true);
  row("d1", 21, {"一般的な削除", "削除したい文字 １", "削除したい文字 ２", "削除したい文字 ３"}, true, true, true, true);
  row("d2", 22, {"文字より前を削除", "削除したい文字", "", ""}, false, false, false, false);
  row("d3", 23, {"文字より後ろを削除", "削除したい文字", "", ""}, false, false, false, false);
  row("d4", 24, {"文字間を削除", "削除したい先頭文字", "削除したい末尾文字", ""}, true, false, true, false);
  row("N50", 50, {"改行挿入", "改行前位置の文字列", "改行後先頭の文字列", ""}, true, false, true, true);
  row("N62", 150, {"行削除", "文字列１", "文字列２", "文字列３"}, true, true, true, true);
  row("N63", 160, {"行削除", "文字列１", "文字列２", "文字列３"}, true, true, true, true);
}

// Fields not in use turn silver and, for some kinds, lose their text; the others keep theirs.
void UnrepTest::setUpPerCommand() {
  QFETCH(QByteArray, command);
  QFETCH(int, kind);
  QFETCH(QStringList, texts);
  QFETCH(bool, e2InUse);
  QFETCH(bool, e3InUse);
  QFETCH(bool, e2Kept);
  QFETCH(bool, e3Kept);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  TFmrep& rep = fx.Rep();
  fx.Platform().DialogScripts.push_back([&](QDialog&) { rep.BitBtn2->click(); });
  fx.Trigger("r4");  // every field in use and white first
  for (QComboBox* field : {rep.e1, rep.e2, rep.e3}) field->setEditText(QStringLiteral("kept"));
  bool shown = false;
  fx.Platform().DialogScripts.push_back([&](QDialog& dialog) {
    shown = dialog.isVisible();
    QCOMPARE(rep.RepKind, kind);
    QCOMPARE(rep.title->text(), texts[0]);
    QCOMPARE(rep.l1->text(), texts[1]);
    QCOMPARE(rep.l2->text(), texts[2]);
    QCOMPARE(rep.l3->text(), texts[3]);
    QCOMPARE(ColorOf(rep.e1), kWhite);
    QCOMPARE(ColorOf(rep.e2), e2InUse ? kWhite : kSilver);
    QCOMPARE(ColorOf(rep.e3), e3InUse ? kWhite : kSilver);
    QCOMPARE(rep.e1->currentText(), QStringLiteral("kept"));
    QCOMPARE(rep.e2->currentText(), e2Kept ? QStringLiteral("kept") : QString());
    QCOMPARE(rep.e3->currentText(), e3Kept ? QStringLiteral("kept") : QString());
    rep.BitBtn2->click();
  });
  fx.Trigger(command.constData());
  QVERIFY(shown);
  QCOMPARE(fx.Text(), QByteArray("a\r\n"));
}

void UnrepTest::everyCommandRunsItsKind_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QStringList>("fields");
  QTest::addColumn<QByteArray>("before");
  QTest::addColumn<QByteArray>("after");
  const QByteArray doc("banana\r\na=b\r\nf(a)g(b)\r\n");
  QTest::newRow("R1") << QByteArray("R1") << QStringList{"a", "", "x"} << doc
                      << QByteArray("bxnxnx\r\nx=b\r\nf(x)g(b)\r\n");
  QTest::newRow("r2") << QByteArray("r2") << QStringList{"=", "", "key"} << doc
                      << QByteArray("key\r\nkeyb\r\nkey\r\n");
  QTest::newRow("r3") << QByteArray("r3") << QStringList{"=", "", "v"} << doc
                      << QByteArray("banana\r\nav\r\nf(a)g(b)\r\n");
  QTest::newRow("r4") << QByteArray("r4") << QStringList{"(", ")", "*"} << doc
                      << QByteArray("banana\r\na=b\r\nf*g*\r\n");
  QTest::newRow("d1") << QByteArray("d1") << QStringList{"a", "b", "g"} << doc
                      << QByteArray("nn\r\n=\r\nf()()\r\n");
  QTest::newRow("d2") << QByteArray("d2") << QStringList{"=", "", ""} << doc
                      << QByteArray("\r\nb\r\n\r\n");
  QTest::newRow("d3") << QByteArray("d3") << QStringList{"=", "", ""} << doc
                      << QByteArray("banana\r\na\r\nf(a)g(b)\r\n");
  QTest::newRow("d4") << QByteArray("d4") << QStringList{"(", ")", ""} << doc
                      << QByteArray("banana\r\na=b\r\nfg\r\n");
  QTest::newRow("N50") << QByteArray("N50") << QStringList{">", "<", ""}
                       << QByteArray("<a>x<b>y\r\nplain\r\n")
                       << QByteArray("<a>\r\nx\r\n<b>\r\ny\r\n\r\nplain\r\n");
  QTest::newRow("N62") << QByteArray("N62") << QStringList{"jpg", "", ""}
                       << QByteArray("a.JPG\r\nb.png\r\nc.jpg\r\n") << QByteArray("b.png\r\n");
  QTest::newRow("N63") << QByteArray("N63") << QStringList{"jpg", "", ""}
                       << QByteArray("a.JPG\r\nb.png\r\nc.jpg\r\n")
                       << QByteArray("a.JPG\r\nc.jpg\r\n");
}

// Each command reaches the dialog for its kind; a run takes the undo copy, rewrites the
// document once, marks it changed and resets the range.
void UnrepTest::everyCommandRunsItsKind() {
  QFETCH(QByteArray, command);
  QFETCH(QStringList, fields);
  QFETCH(QByteArray, before);
  QFETCH(QByteArray, after);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), before));
  TFmmein& fm = fx.Form();
  Execute(fx, command.constData(), fields[0], fields[1], fields[2]);
  QCOMPARE(fx.Text(), after);
  QVERIFY(fm.Btext->Modified());
  QCOMPARE(RangeStart, 0);
  QCOMPARE(RangeEnd, fm.Btext->LineCount() - 1);
  QVERIFY(fx.Action("A1")->isEnabled());
  QVERIFY(!fx.Platform().Busy);
  fx.Trigger("A1");
  QCOMPARE(fx.Text(), before);
}

void UnrepTest::executeResetsOptionsAndRecordsHistory() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "aAa\r\n\r\nbanana\r\n"));
  TFmrep& rep = fx.Rep();
  rep.CB3->setChecked(true);
  Execute(fx, "R1", QStringLiteral("a"), QString(), QStringLiteral("x"), true, true);
  // Case matched, markers kept, the empty line dropped.
  QCOMPARE(fx.Text(), QByteArray("axAax\r\nbaxnaxnax\r\n"));
  QVERIFY(!rep.cb1->isChecked());
  QVERIFY(!rep.cb2->isChecked());
  QVERIFY(rep.CB3->isChecked());
  QCOMPARE(Items(rep.e1), Six({"a"}));
  QCOMPARE(Items(rep.e2), Six({}));
  QCOMPARE(Items(rep.e3), Six({"x"}));
  QCOMPARE(rep.e1->currentText(), QStringLiteral("a"));  // the field keeps its text
  QCOMPARE(rep.result(), int(QDialog::Accepted));
  QCOMPARE(fx.Platform().ModalTitles, QStringList{QStringLiteral("Fmrep")});
}

void UnrepTest::cancelKeepsEverything() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "banana\r\n"));
  TFmrep& rep = fx.Rep();
  fx.Platform().DialogScripts.push_back([&](QDialog&) {
    rep.e1->setEditText(QStringLiteral("a"));
    rep.cb1->setChecked(true);
    rep.cb2->setChecked(true);
    rep.CB3->setChecked(true);
    rep.BitBtn2->click();
  });
  fx.Trigger("R1");
  QCOMPARE(fx.Text(), QByteArray("banana\r\n"));
  QVERIFY(!fx.Form().Btext->Modified());
  QVERIFY(!rep.cb1->isChecked());
  QVERIFY(!rep.cb2->isChecked());
  QVERIFY(rep.CB3->isChecked());
  QCOMPARE(rep.e1->currentText(), QStringLiteral("a"));
  QCOMPARE(rep.e1->count(), 0);  // nothing recorded
  QCOMPARE(rep.result(), int(QDialog::Rejected));
}

// Six slots, oldest first; the same text is kept once; a seventh drops the oldest; an empty text
// never takes a free slot, but in a full history it drops the oldest and leaves slot 5 free.
void UnrepTest::historySlotsAndFilesAcrossARestart() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "x\r\n"));
  for (const char* text : {"a", "a", "b", "c", "d", "e", ""}) Execute(fx, "d1", QString::fromUtf8(text));
  QCOMPARE(Items(fx.Rep().e1), Six({"a", "b", "c", "d", "e"}));
  Execute(fx, "d1", QStringLiteral("f"));
  Execute(fx, "d1", QStringLiteral("g"));
  QCOMPARE(Items(fx.Rep().e1), (QStringList{"b", "c", "d", "e", "f", "g"}));
  Execute(fx, "d1", QString());
  QCOMPARE(Items(fx.Rep().e1), (QStringList{"c", "d", "e", "f", "g", ""}));
  fx.Rep().Combo1->addItem(QStringLiteral("memo 1"));
  fx.Rep().Combo1->addItem(QStringLiteral("メモ"));
  fx.Restart();
  QCOMPARE(TWindowFixture::Read(fx.Home() + QStringLiteral("/e1.tmp")),
           QByteArray("c\r\nd\r\ne\r\nf\r\ng\r\n\r\n"));
  QCOMPARE(TWindowFixture::Read(fx.Home() + QStringLiteral("/e2.tmp")), QByteArray("\r\n").repeated(6));
  QCOMPARE(TWindowFixture::Read(fx.Home() + QStringLiteral("/e3.tmp")), QByteArray("\r\n").repeated(6));
  QCOMPARE(TWindowFixture::Read(MemoClipPath), "memo 1\r\n" + Sjis(QStringLiteral("メモ")) + "\r\n");
  // The new run reads them back.
  QCOMPARE(Items(fx.Rep().e1), (QStringList{"c", "d", "e", "f", "g", ""}));
  QCOMPARE(Items(fx.Rep().Combo1), (QStringList{"memo 1", QStringLiteral("メモ")}));
  QCOMPARE(fx.Rep().History1[0], std::string("c"));
  QCOMPARE(fx.Rep().History1[5], std::string());
}

// Only the six entries a history keeps are read from a longer file; the file stays as it is
// until the history changes.
void UnrepTest::longHistoryFileShowsItsFirstSixEntries() {
  TWindowFixture fx;
  fx.Stop();
  const QByteArray eight("1\r\n2\r\n\r\n4\r\n5\r\n6\r\n7\r\n8\r\n");
  fx.Write(QStringLiteral("home/e1.tmp"), eight);
  fx.Start();
  QCOMPARE(Items(fx.Rep().e1), (QStringList{"1", "2", "", "4", "5", "6"}));
  fx.Restart();
  QCOMPARE(TWindowFixture::Read(fx.Home() + QStringLiteral("/e1.tmp")), eight);
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "x\r\n"));
  Execute(fx, "d1", QStringLiteral("new"));
  QCOMPARE(Items(fx.Rep().e1), (QStringList{"1", "2", "new", "4", "5", "6"}));
  fx.Restart();
  QCOMPARE(TWindowFixture::Read(fx.Home() + QStringLiteral("/e1.tmp")),
           QByteArray("1\r\n2\r\nnew\r\n4\r\n5\r\n6\r\n"));
}

void UnrepTest::clearedHistoryFileStaysDeletedUntilAnExecution() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "x\r\n"));
  Execute(fx, "d1", QStringLiteral("a"));
  fx.Restart();
  const QString file = fx.Home() + QStringLiteral("/e1.tmp");
  QVERIFY(QFile::exists(file));
  fx.Rep().e1->setEditText(QStringLiteral("typed"));
  fx.Rep().clr1->click();
  QVERIFY(!QFile::exists(file));
  QCOMPARE(fx.Rep().e1->count(), 0);
  QCOMPARE(fx.Rep().e1->currentText(), QStringLiteral("typed"));
  fx.Restart();
  QVERIFY(!QFile::exists(file));  // not written again at the end
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "x\r\n"));
  fx.Rep().clr1->click();
  Execute(fx, "d1", QStringLiteral("b"));
  QCOMPARE(Items(fx.Rep().e1), Six({"b"}));
  fx.Restart();
  QCOMPARE(TWindowFixture::Read(file), QByteArray("b\r\n") + QByteArray("\r\n").repeated(5));
}

// Bytes that are not Shift-JIS, and lines without a final break, come back exactly.
void UnrepTest::damagedFilesKeepTheirBytes() {
  TWindowFixture fx;
  fx.Stop();
  const QByteArray odd("\x80\xFD\xA0 ok\r\n\x81\r\n", 11);
  fx.Write(QStringLiteral("home/e2.tmp"), odd);
  fx.Write(QStringLiteral("home/memoclip.kvn"), QByteArray("one\rtwo\nthree\0gone", 18));
  fx.Start();
  QCOMPARE(Items(fx.Rep().Combo1), (QStringList{"one", "two", "three"}));
  fx.Restart();
  QCOMPARE(TWindowFixture::Read(fx.Home() + QStringLiteral("/e2.tmp")), odd);
  QCOMPARE(TWindowFixture::Read(MemoClipPath), QByteArray("one\r\ntwo\r\nthree\r\n"));
}

void UnrepTest::memoEditingInPlace() {
  TWindowFixture fx;
  TFmrep& rep = fx.Rep();
  rep.Combo1->addItems({QStringLiteral("first"), QStringLiteral("second")});
  rep.show();
  rep.Combo1->setCurrentIndex(1);
  rep.Combo1->lineEdit()->selectAll();
  TypeInMemo(rep, QStringLiteral("2nd"));
  rep.Combo1->setCurrentIndex(0);  // the selection moved meanwhile: the entry of the start counts
  rep.Combo1->setEditText(QStringLiteral("2nd"));
  QTest::keyClick(rep.Combo1->lineEdit(), Qt::Key_Return);
  QCOMPARE(Items(rep.Combo1), (QStringList{"first", "2nd"}));
  QCOMPARE(rep.EditIndex, -100);
  QVERIFY(rep.isVisible());  // Enter edits the memo; it does not execute
  rep.Combo1->setCurrentIndex(-1);
  rep.Combo1->clearEditText();
  TypeInMemo(rep, QStringLiteral("new"));
  QTest::keyClick(rep.Combo1->lineEdit(), Qt::Key_Enter);
  QCOMPARE(Items(rep.Combo1), (QStringList{"first", "2nd", "new"}));
  rep.hide();
}

void UnrepTest::clipboardAndClearButtons() {
  TWindowFixture fx;
  TFmrep& rep = fx.Rep();
  fx.Platform().Clipboard = QStringLiteral("http://example.jp/");
  rep.cp4->click();
  QCOMPARE(rep.Combo1->currentText(), QStringLiteral("http://example.jp/"));
  fx.Platform().Clipboard.clear();
  rep.cp4->click();
  QCOMPARE(Items(rep.Combo1), (QStringList{"http://example.jp/", ""}));
  rep.Combo1->setCurrentIndex(-1);
  rep.Combo1->setEditText(QStringLiteral("typed"));
  rep.sb4->click();  // nothing selected: nothing deleted, the text goes
  QCOMPARE(rep.Combo1->count(), 2);
  QCOMPARE(rep.Combo1->currentText(), QString());
  rep.Combo1->setCurrentIndex(0);
  rep.sb4->click();
  QCOMPARE(Items(rep.Combo1), QStringList{""});
  rep.sb5->click();
  QCOMPARE(rep.Combo1->count(), 0);
  for (QComboBox* field : {rep.e1, rep.e2, rep.e3}) field->setEditText(QStringLiteral("t"));
  rep.sb2->click();
  QCOMPARE(rep.e1->currentText(), QStringLiteral("t"));
  QCOMPARE(rep.e2->currentText(), QString());
  QCOMPARE(rep.e3->currentText(), QStringLiteral("t"));
}

void UnrepTest::popupCopiesTheSelection() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), Sjis(QStringLiteral("表示 abc\r\n"))));
  TFmmein& fm = fx.Form();
  TFmrep& rep = fx.Rep();
  fm.Btext->SetSelStart(0);
  QTest::keyClick(fm.Btext, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(fm.Btext, Qt::Key_Right, Qt::ShiftModifier);
  fx.Trigger("N29");
  fx.Trigger("N32");
  fx.Trigger("N34");
  QCOMPARE(rep.e1->currentText(), QStringLiteral("表示"));
  QCOMPARE(rep.e3->currentText(), QStringLiteral("表示"));
  QCOMPARE(Items(rep.Combo1), QStringList{QStringLiteral("表示")});
  QCOMPARE(rep.Combo1->currentText(), QString());
  rep.e2->setEditText(QStringLiteral("old"));
  fm.Btext->SetSelStart(0);  // nothing selected
  fx.Trigger("N30");
  QCOMPARE(rep.e2->currentText(), QString());
  QVERIFY(fx.Platform().ModalTitles.isEmpty());  // the dialog is not shown
}

// Markers may hold characters Shift-JIS lacks: they match the same characters of a document
// read from UTF-8.
void UnrepTest::markersMayHoldAnyCharacter() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.html"), "<p>café 5€</p>\r\n"));
  TFmrep& rep = fx.Rep();
  fx.Platform().DialogScripts.push_back([&](QDialog&) {
    rep.e1->setEditText(QStringLiteral("€"));
    rep.e3->setEditText(QStringLiteral(" euro"));
    rep.BitBtn1->click();
  });
  fx.Trigger("R1");
  QVERIFY(fx.Platform().Messages.isEmpty());
  const QString saved = fx.FilePath(QStringLiteral("saved.html"));
  fx.ChooseFile(saved, 1, -1);  // the document's own encoding, UTF-8
  fx.Trigger("Fsave");
  QCOMPARE(TWindowFixture::Read(saved), QByteArray("<p>café 5 euro</p>\r\n"));
}

// The memo clip and the histories hold any character: what Shift-JIS lacks comes back after a
// restart, and files of Shift-JIS entries stay as they were.
void UnrepTest::memoAndHistoriesHoldAnyCharacter() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "x\r\n"));
  TFmrep& rep = fx.Rep();
  rep.Combo1->addItem(QStringLiteral("kept"));
  fx.Platform().Clipboard = QStringLiteral("café");
  rep.cp4->click();
  Execute(fx, "d1", QStringLiteral("naïve 😀"));
  QVERIFY(fx.Platform().Messages.isEmpty());
  fx.Restart();
  QCOMPARE(Items(fx.Rep().Combo1), (QStringList{QStringLiteral("kept"), QStringLiteral("café")}));
  QCOMPARE(Items(fx.Rep().e1).first(), QStringLiteral("naïve 😀"));
  QVERIFY(TWindowFixture::Read(MemoClipPath).startsWith("kept\r\n\xEF\xBB\xBF" "caf\xC3\xA9\r\n"));
}

// A file that cannot be written is told while the window is still there, and the other files
// are written all the same.
void UnrepTest::eachFileIsWrittenOnItsOwnAtExit() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("doc.txt"), "x\r\n"));
  Execute(fx, "d1", QStringLiteral("a"));
  fx.Rep().Combo1->addItem(QStringLiteral("memo"));
  QFile::remove(MemoClipPath);
  QVERIFY(QDir().mkdir(MemoClipPath));  // a folder where the memo file should be
  TFmmein& fm = fx.Form();
  fm.show();
  fx.Platform().Answers.push_back(TAnswer::Yes);  // the unsaved changes go
  QVERIFY(fm.close());
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QVERIFY(fx.Platform().Messages[0].Text.startsWith(QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(MemoClipPath)));
  QCOMPARE(TWindowFixture::Read(fx.Home() + QStringLiteral("/e1.tmp")),
           QByteArray("a\r\n") + QByteArray("\r\n").repeated(5));
  fx.Stop();
  QCOMPARE(fx.Platform().Messages.size(), 1);  // told once
}

QTEST_MAIN(UnrepTest)
#include "Unrep_test.moc"
