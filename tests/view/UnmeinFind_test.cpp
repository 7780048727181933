// The find bar: counts in the document and the range as the commands find, marks, movement
// round the ends, and the preview of the replace dialog against the run of its command.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <QRegularExpression>

#include <random>

#include "app/Globals.h"
#include "app/Unmein.h"
#include "document/LightStr.h"
#include "document/editor/EditorControl.h"
#include "document/editor/QtText.h"
#include "replace/ReplaceRules.h"
#include "replace/Unrep.h"
#include "tests/support/WindowFixture.h"
#include "view/FindBar.h"
#include "view/SliceWork.h"

class UnmeinFindTest : public QObject {
  Q_OBJECT
 private slots:
  void countsAndMovesAsCommandsFind();
  void previewCountsWhatTheCommandDoes();
};

namespace {

QString CountAfter(TFmmein& fm, const QString& typed) {
  fm.FindBar->FindEdit->setText(typed);
  fm.FindWork->Finish();
  return fm.FindBar->FindCount->text();
}

}  // namespace

// "ア" is 83 41 and "ヂ" 83 61: their second bytes look like "A" and "a" and are never found.
void UnmeinFindTest::countsAndMovesAsCommandsFind() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("find.txt"),
                   "a\x83\x41 A\r\n\x83\x61\x83\x61\r\nxa a\r\nA\r\n"));
  TFmmein& fm = fx.Form();
  QVERIFY(fm.FindBar->isHidden());
  fm.Btext->SetSelection(0, 1);  // "a" selected: the bar opens with it
  fx.Trigger("Find1");
  QVERIFY(!fm.FindBar->isHidden());
  QCOMPARE(fm.FindBar->FindEdit->text(), QStringLiteral("a"));
  QCOMPARE(fm.FindBar->y(), fm.Btext->y() + fm.Btext->height());
  struct Row {
    const char* typed;
    bool matchCase;
    const char* count;
  };
  const Row rows[] = {
      {"a", false, "5 件"}, {"a", true, "3 件"}, {"A", true, "2 件"},
      {"ヂ", false, "2 件"}, {"xa", false, "1 件"}, {"b", false, "0 件"}, {"", false, ""},
  };
  for (const Row& row : rows) {
    fm.FindBar->FindCase->setChecked(row.matchCase);
    QCOMPARE(CountAfter(fm, QString::fromUtf8(row.typed)), QString::fromUtf8(row.count));
  }

  // Moving: F3 forward round the end, Shift+F3 back, in document order.
  fm.FindBar->FindCase->setChecked(true);
  CountAfter(fm, QStringLiteral("a"));
  fm.Btext->SetSelStart(0);
  const std::int64_t matches[] = {0, 14, 16};  // "a" of line 1, the two of line 3
  for (const std::int64_t at : {matches[0], matches[1], matches[2], matches[0]}) {
    fx.Trigger("FindNext1");
    QCOMPARE(fm.Btext->SelStart(), at);
    QCOMPARE(fm.Btext->SelEnd(), at + 1);
  }
  fx.Trigger("FindPrev1");
  QCOMPARE(fm.Btext->SelStart(), matches[2]);  // back round the start
  fx.Trigger("FindPrev1");
  QCOMPARE(fm.Btext->SelStart(), matches[1]);

  // A range limits the count and the moves.
  fx.CaretToLine(2);
  fx.Trigger("stpos");
  fx.CaretToLine(2);
  fx.Trigger("edpos");
  fm.FindWork->Finish();
  QCOMPARE(fm.FindBar->FindCount->text(), QStringLiteral("範囲内 2 件"));
  fm.Btext->SetSelStart(0);
  fx.Trigger("FindNext1");
  QCOMPARE(fm.Btext->SelStart(), matches[1]);

  // Typing counts again; closing takes the marks away.
  fm.Btext->SetSelStart(fm.Btext->LineIndex(2));
  fm.Btext->setFocus();
  QTest::keyClicks(fm.Btext, QStringLiteral("a"));
  fm.FindWork->Finish();
  QCOMPARE(fm.FindBar->FindCount->text(), QStringLiteral("範囲内 3 件"));
  QTest::keyClick(fm.FindBar->FindEdit, Qt::Key_Escape);
  QVERIFY(fm.FindBar->isHidden());
  QCOMPARE(fm.Btext->y() + fm.Btext->height() + fm.BottomGap, fm.centralWidget()->height());
}

// Random documents and commands of the replace dialog: the preview's lines, places and
// remaining lines are what the command then does.
void UnmeinFindTest::previewCountsWhatTheCommandDoes() {
  std::mt19937 random(18);
  const QStringList pieces = {"a", "A", "=", " ", "ア", "ヂ", "ab", "あ"};
  const QStringList marks = {"a", "=", "ab", "ヂ", "A"};
  const struct { const char* action; int kind; } commands[] = {
      {"R1", 11}, {"r2", 12}, {"r3", 13}, {"r4", 14}, {"d1", 21}, {"d2", 22}, {"d3", 23},
      {"d4", 24}, {"N62", 150}, {"N63", 160}};
  for (int round = 0; round < 40; ++round) {
    QString text;
    const int lines = 1 + static_cast<int>(random() % 10);
    for (int i = 0; i < lines; ++i) {
      const int length = static_cast<int>(random() % 5);
      for (int j = 0; j < length; ++j) text += pieces[static_cast<int>(random() % pieces.size())];
      text += QStringLiteral("\r\n");
    }
    TWindowFixture fx;
    TFmmein& fm = fx.Form();
    fx.Open(fx.Write(QStringLiteral("doc.txt"), QtText::ToCp932Lossy(text).c_str()));
    const auto& command = commands[random() % std::size(commands)];
    const QString s1 = marks[static_cast<int>(random() % marks.size())];
    const QString s2 = random() % 2 ? marks[static_cast<int>(random() % marks.size())] : QString();
    const bool dropEmpty = random() % 3 == 0;
    QString preview;
    fx.Platform().DialogScripts.push_back([&](QDialog&) {
      TFmrep& rep = fx.Rep();
      rep.e1->setEditText(s1);
      rep.e2->setEditText(s2);
      rep.e3->setEditText(QStringLiteral("x"));
      rep.cb1->setChecked(dropEmpty);
      rep.FinishPreview();
      preview = rep.Preview->text();
      rep.BitBtn1->click();
    });
    const std::string before = fm.Btext->Text();
    const std::int32_t linesBefore = fm.Btext->LineCount();
    fx.Trigger(command.action);
    const std::string after = fm.Btext->Text();
    const std::int32_t linesAfter = fm.Btext->LineCount();
    // The run's own result: lines changed when none go, lines remaining when some do.
    const QRegularExpression shape(QStringLiteral("^該当: (\\d+) 行 / (\\d+) 箇所(（残り (\\d+) 行）)?$"));
    const QRegularExpressionMatch m = shape.match(preview);
    QVERIFY2(m.hasMatch(), qPrintable(preview));
    if (m.captured(4).isEmpty()) {
      QCOMPARE(linesAfter, linesBefore);
      TLightStrings a, b;
      a.SetText(before);
      b.SetText(after);
      int changed = 0;
      for (std::int32_t i = 0; i < linesBefore; ++i) changed += a.View(i) != b.View(i);
      QCOMPARE(m.captured(1).toInt(), changed);
    } else {
      QCOMPARE(m.captured(4).toInt(), linesAfter);
    }
  }
}

QTEST_MAIN(UnmeinFindTest)
#include "UnmeinFind_test.moc"
