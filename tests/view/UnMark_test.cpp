// Line marks in the window: placing marks in turn, the marks dialog with its labels and
// buttons, jumping to a mark, deleting one or all, and what closing the document does.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <array>
#include <cstdlib>
#include <functional>

#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"
#include "view/UnMark.h"

namespace {

using TSlots = std::array<std::int32_t, 5>;

QByteArray Lines(int count) {
  QByteArray text;
  for (int i = 1; i <= count; ++i) text += "L" + QByteArray::number(i) + "\r\n";
  return text;
}

// Opens a document of `count` lines.
void OpenLines(TWindowFixture& fx, int count) {
  fx.Open(fx.Write(QStringLiteral("doc.txt"), Lines(count)));
}

// JumpMark登録 with the caret inside each of these 0-based lines in turn.
void MarkLines(TWindowFixture& fx, std::initializer_list<int> lines) {
  TEditorControl* editor = fx.Form().Btext;
  for (const int line : lines) {
    editor->SetSelStart(editor->LineIndex(line) + 1);
    fx.Trigger("JumpMark2");
  }
}

QStringList Captions(const TFmMark& dialog) {
  return {dialog.Label1->text(), dialog.Label2->text(), dialog.Label3->text(),
          dialog.Label4->text(), dialog.Label5->text()};
}

// Opens the marks dialog and runs `script` in it.
void InDialog(TWindowFixture& fx, std::function<void(TFmMark&)> script,
              const char* command = "JumpMark1") {
  fx.Platform().DialogScripts.push_back(
      [&fx, script](QDialog&) { script(fx.Forms().Mark()); });
  fx.Trigger(command);
}

bool MarkCommandsEnabled(TWindowFixture& fx) {
  const bool tool = fx.Action("Mark")->isEnabled();
  const bool menu = fx.Action("JumpMark1")->isEnabled();
  if (tool != menu) QTest::qFail("Mark and JumpMark1 disagree", __FILE__, __LINE__);
  return tool;
}

const QString N = QStringLiteral("未登録");

}  // namespace

class UnMarkTest : public QObject {
  Q_OBJECT
 private slots:
  void startsWithoutMarks();
  void marksFillTheSlotsInTurn_data();
  void marksFillTheSlotsInTurn();
  void dialogShowsTheSlots();
  void jumpToAMark_data();
  void jumpToAMark();
  void deleteTheSelectedMark();
  void deleteTheOnlyMark();
  void deleteAllMarks();
  void marksPastAShorterDocument();
  void closingTheDialogChangesNothing();
  void labelsSelectTheirItem();
  void closingTheDocumentClearsMarks();
};

void UnMarkTest::startsWithoutMarks() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  QCOMPARE(fm.MarkLines, (TSlots{-1, -1, -1, -1, -1}));
  QCOMPARE(fm.LastMarkSlot, -1);
  QVERIFY(!MarkCommandsEnabled(fx));
  QVERIFY(fx.Action("JumpMark2")->isEnabled());
  TFmMark& dialog = fx.Forms().Mark();
  QCOMPARE(FmMark, &dialog);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("マーク処理"));
  QCOMPARE(dialog.size(), QSize(271, 151));
  QCOMPARE(dialog.MK1->title(), QStringLiteral("マーク選択"));
  QCOMPARE(dialog.MK1->Count(), 5);
  QCOMPARE(dialog.MK1->Item(2)->text(), QStringLiteral("マーク３"));
  QCOMPARE(dialog.MK1->ItemIndex(), 0);
  // Without a mark since start-up the dialog does not open.
  OpenLines(fx, 3);
  fm.JumpMark1Click(fm.JumpMark1);
  QVERIFY(fx.Platform().ModalTitles.isEmpty());
}

void UnMarkTest::marksFillTheSlotsInTurn_data() {
  QTest::addColumn<QList<int>>("marked");
  QTest::addColumn<QList<int>>("expected");
  QTest::addColumn<int>("last");
  QTest::newRow("one") << QList<int>{9} << QList<int>{9, -1, -1, -1, -1} << 0;
  QTest::newRow("five") << QList<int>{1, 2, 3, 4, 5} << QList<int>{1, 2, 3, 4, 5} << 4;
  QTest::newRow("the sixth replaces slot 0")
      << QList<int>{1, 2, 3, 4, 5, 6} << QList<int>{6, 2, 3, 4, 5} << 0;
  QTest::newRow("the seventh replaces slot 1")
      << QList<int>{1, 2, 3, 4, 5, 6, 7} << QList<int>{6, 7, 3, 4, 5} << 1;
  QTest::newRow("a line marked twice has two slots") << QList<int>{4, 4} << QList<int>{4, 4, -1, -1, -1} << 1;
}

void UnMarkTest::marksFillTheSlotsInTurn() {
  QFETCH(QList<int>, marked);
  QFETCH(QList<int>, expected);
  QFETCH(int, last);
  TWindowFixture fx;
  OpenLines(fx, 20);
  TEditorControl* editor = fx.Form().Btext;
  for (const int line : marked) {
    editor->SetSelStart(editor->LineIndex(line) + 1);
    fx.Trigger("JumpMark2");
  }
  for (int i = 0; i < 5; ++i) QCOMPARE(fx.Form().MarkLines[static_cast<std::size_t>(i)], expected[i]);
  QCOMPARE(fx.Form().LastMarkSlot, last);
  QVERIFY(MarkCommandsEnabled(fx));
}

void UnMarkTest::dialogShowsTheSlots() {
  TWindowFixture fx;
  OpenLines(fx, 20);
  MarkLines(fx, {9});
  bool shown = false;
  InDialog(fx, [&](TFmMark& dialog) {
    shown = true;
    QCOMPARE(dialog.MarkChoice, -1);
    QCOMPARE(Captions(dialog), (QStringList{QStringLiteral("10"), N, N, N, N}));
    dialog.Button3->click();
  });
  QVERIFY(shown);
  QCOMPARE(fx.Platform().ModalTitles, QStringList{QStringLiteral("マーク処理")});
  // The tool button opens the same dialog; the first line shows as 1, as the caret display
  // counts it.
  MarkLines(fx, {0});
  InDialog(fx, [&](TFmMark& dialog) {
    QCOMPARE(Captions(dialog), (QStringList{QStringLiteral("10"), QStringLiteral("1"), N, N, N}));
    dialog.Button3->click();
  }, "Mark");
  QCOMPARE(fx.Platform().ModalTitles.size(), 2);
}

void UnMarkTest::jumpToAMark_data() {
  QTest::addColumn<int>("item");
  QTest::addColumn<int>("line");  // −1: the caret stays
  QTest::newRow("a filled slot") << 1 << 14;
  QTest::newRow("another filled slot") << 0 << 4;
  QTest::newRow("an empty slot") << 3 << -1;
}

void UnMarkTest::jumpToAMark() {
  QFETCH(int, item);
  QFETCH(int, line);
  TWindowFixture fx;
  OpenLines(fx, 20);
  MarkLines(fx, {4, 14});
  TEditorControl* editor = fx.Form().Btext;
  const auto caret = editor->LineIndex(10) + 1;
  editor->SetSelStart(caret);
  InDialog(fx, [&](TFmMark& dialog) {
    dialog.MK1->SetItemIndex(item);
    dialog.Button1->click();
    QVERIFY(!dialog.isVisible());
  });
  QCOMPARE(fx.Forms().Mark().MarkChoice, item);
  QCOMPARE(editor->SelStart(), line < 0 ? caret : editor->LineIndex(line));
  QCOMPARE(fx.Form().MarkLines, (TSlots{4, 14, -1, -1, -1}));
}

void UnMarkTest::deleteTheSelectedMark() {
  TWindowFixture fx;
  OpenLines(fx, 20);
  MarkLines(fx, {1, 2, 3});
  InDialog(fx, [&](TFmMark& dialog) {
    dialog.MK1->SetItemIndex(1);
    dialog.Button2->click();
    QVERIFY(dialog.isVisible());  // the dialog stays open
    QCOMPARE(Captions(dialog), (QStringList{QStringLiteral("2"), N, QStringLiteral("4"), N, N}));
    QVERIFY(MarkCommandsEnabled(fx));
    dialog.Button3->click();
  });
  QCOMPARE(fx.Form().MarkLines, (TSlots{1, -1, 3, -1, -1}));
  // The next mark goes after the slot written last, not into the emptied one.
  MarkLines(fx, {7});
  QCOMPARE(fx.Form().MarkLines, (TSlots{1, -1, 3, 7, -1}));
}

void UnMarkTest::deleteTheOnlyMark() {
  TWindowFixture fx;
  OpenLines(fx, 20);
  MarkLines(fx, {5});
  InDialog(fx, [&](TFmMark& dialog) {
    dialog.Button2->click();
    QVERIFY(!MarkCommandsEnabled(fx));
    QCOMPARE(fx.Form().LastMarkSlot, 0);
    dialog.Button3->click();
  });
  MarkLines(fx, {8});
  QCOMPARE(fx.Form().MarkLines, (TSlots{-1, 8, -1, -1, -1}));  // slot 1, マーク２
  QVERIFY(MarkCommandsEnabled(fx));
}

void UnMarkTest::deleteAllMarks() {
  TWindowFixture fx;
  OpenLines(fx, 20);
  MarkLines(fx, {1, 2, 3});
  TEditorControl* editor = fx.Form().Btext;
  editor->SetSelStart(5);
  InDialog(fx, [&](TFmMark& dialog) {
    dialog.MK1->SetItemIndex(2);
    dialog.Button4->click();
    QVERIFY(!dialog.isVisible());
  });
  QCOMPARE(fx.Form().MarkLines, (TSlots{-1, -1, -1, -1, -1}));
  QCOMPARE(fx.Form().LastMarkSlot, -1);
  QVERIFY(!MarkCommandsEnabled(fx));
  QCOMPARE(fx.Forms().Mark().MK1->ItemIndex(), 0);
  QCOMPARE(editor->SelStart(), 5);
  MarkLines(fx, {6});
  QCOMPARE(fx.Form().MarkLines, (TSlots{6, -1, -1, -1, -1}));
}

void UnMarkTest::marksPastAShorterDocument() {
  TWindowFixture fx;
  OpenLines(fx, 25);
  MarkLines(fx, {20, 3, 15});
  TEditorControl* editor = fx.Form().Btext;
  editor->SetText(Lines(15).toStdString());  // ten lines deleted
  editor->SetSelStart(4);
  InDialog(fx, [&](TFmMark& dialog) {
    // Index 20 is gone; index 15, the empty line after the final break, stays.
    QCOMPARE(Captions(dialog), (QStringList{N, QStringLiteral("4"), QStringLiteral("16"), N, N}));
    dialog.MK1->SetItemIndex(0);
    dialog.Button1->click();
  });
  QCOMPARE(editor->SelStart(), 4);
  QCOMPARE(fx.Form().MarkLines[0], -1);
  // The mark on the line after the last one goes to the end of the text.
  InDialog(fx, [&](TFmMark& dialog) {
    dialog.MK1->SetItemIndex(2);
    dialog.Button1->click();
  });
  QCOMPARE(editor->SelStart(), editor->TextLength());
  // Without a final break that line does not exist: the caret stays.
  editor->SetText("a\r\nb");
  MarkLines(fx, {0});
  fx.Form().MarkLines[1] = 2;
  editor->SetSelStart(1);
  InDialog(fx, [&](TFmMark& dialog) {
    dialog.MK1->SetItemIndex(1);
    dialog.Button1->click();
  });
  QCOMPARE(editor->SelStart(), 1);
}

void UnMarkTest::closingTheDialogChangesNothing() {
  TWindowFixture fx;
  OpenLines(fx, 20);
  MarkLines(fx, {2, 4});
  TEditorControl* editor = fx.Form().Btext;
  const auto caret = editor->LineIndex(2) + 1;
  editor->SetSelStart(caret);
  InDialog(fx, [&](TFmMark& dialog) {
    dialog.MK1->SetItemIndex(1);
    dialog.Button3->click();
  });
  InDialog(fx, [&](TFmMark& dialog) {
    QCOMPARE(dialog.MK1->ItemIndex(), 1);  // the selection persists between showings
    dialog.close();                        // the close box
  });
  QCOMPARE(fx.Forms().Mark().MarkChoice, -1);
  QCOMPARE(fx.Form().MarkLines, (TSlots{2, 4, -1, -1, -1}));
  QCOMPARE(fx.Form().LastMarkSlot, 1);
  QCOMPARE(editor->SelStart(), caret);
  QVERIFY(MarkCommandsEnabled(fx));
}

void UnMarkTest::labelsSelectTheirItem() {
  TWindowFixture fx;
  OpenLines(fx, 5);
  MarkLines(fx, {1});
  InDialog(fx, [&](TFmMark& dialog) {
    QLabel* const labels[] = {dialog.Label1, dialog.Label2, dialog.Label3, dialog.Label4,
                              dialog.Label5};
    for (int i : {2, 4, 0, 3, 1}) {
      QTest::mouseClick(labels[i], Qt::LeftButton);
      QCOMPARE(dialog.MK1->ItemIndex(), i);
      // Each label stands beside its radio item.
      const QRadioButton* item = dialog.MK1->Item(i);
      const int itemMiddle = item->mapTo(&dialog, item->rect().center()).y();
      QVERIFY(std::abs(labels[i]->geometry().center().y() - itemMiddle) <= 6);
    }
    dialog.Button3->click();
  });
}

void UnMarkTest::closingTheDocumentClearsMarks() {
  TWindowFixture fx;
  OpenLines(fx, 5);
  MarkLines(fx, {1, 2});
  InDialog(fx, [&](TFmMark& dialog) {
    dialog.MK1->SetItemIndex(3);
    dialog.Button3->click();
  });
  fx.Trigger("Fclose");
  QCOMPARE(fx.Form().MarkLines, (TSlots{-1, -1, -1, -1, -1}));
  QCOMPARE(fx.Form().LastMarkSlot, -1);
  QCOMPARE(fx.Forms().Mark().MK1->ItemIndex(), 0);
  QVERIFY(!MarkCommandsEnabled(fx));
}

QTEST_MAIN(UnMarkTest)
#include "UnMark_test.moc"
