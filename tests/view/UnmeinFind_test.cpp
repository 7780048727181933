// The find bar: counts in the document and the range as the commands find, marks, movement
// round the ends, and the preview of the replace dialog against the run of its command.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <random>

#include "app/Globals.h"
#include "app/Unmein.h"
#include "document/editor/EditorControl.h"
#include "replace/ReplaceRules.h"
#include "replace/Unrep.h"
#include "tests/support/WindowFixture.h"
#include "view/FindBar.h"
#include "view/SliceWork.h"

class UnmeinFindTest : public QObject {
  Q_OBJECT
 private slots:
  void countsAndMovesAsCommandsFind();
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

QTEST_MAIN(UnmeinFindTest)
#include "UnmeinFind_test.moc"
