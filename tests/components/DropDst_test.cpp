// The drop target and the hook under it: one event per drop with the names and the point,
// sorting, acceptance switched off and on, attaching again to a replaced widget, failures of
// the handler; and on the main window, files dropped on the editor and nowhere else.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include <unistd.h>

#include <memory>

#include "app/StatusBar.h"
#include "components/DropDst.h"
#include "document/editor/EditorControl.h"
#include "document/Failures.h"
#include "tests/support/WindowFixture.h"

namespace {

struct TDrop {
  QObject* Sender;
  QStringList Files;
  QPoint At;
};

// A form with one control under a drop target that records what it is given.
struct TDropForm {
  QWidget form;
  QWidget* control = new QLabel(QStringLiteral("drop here"), &form);
  TDropDst* target = new TDropDst(&form);
  QList<TDrop> drops;

  TDropForm() {
    control->setGeometry(20, 20, 200, 100);
    target->SetOnFileDrop(
        [this](QObject* sender, const QStringList& files, QPoint at) { drops.append({sender, files, at}); });
    target->SetControl(control);
    target->Loaded();
  }
};

QStringList Names(const QStringList& paths) {
  QStringList names;
  for (const QString& path : paths) names << QFileInfo(path).fileName();
  return names;
}

}  // namespace

class DropDstTest : public QObject {
  Q_OBJECT
 private slots:
  void createdAcceptingAndSorting();
  void oneEventPerDrop_data();
  void oneEventPerDrop();
  void dragsThatAreNotFilesAreLeftToTheWidget();
  void acceptanceOffAndOn();
  void attachesAgainToAReplacedWidget();
  void controlThatGoesIsNotHookedAgain();
  void formTarget();
  void failingHandler();
  void editorTakesDroppedFiles();
  void onlyTheEditorTakesFiles_data();
  void onlyTheEditorTakesFiles();
  void textDropOnTheEditorIsNotAFileDrop();
  void dropAfterWrapSwitchedTwice();
  void failedDropLeavesTheDocument_data();
  void failedDropLeavesTheDocument();
  void hundredsOfFiles();
  void destroyingTheWindowsShowsNothing();
};

void DropDstTest::createdAcceptingAndSorting() {
  TDropDst target;
  QVERIFY(target.AcceptDrop());
  QVERIFY(target.Sort());
  QCOMPARE(target.Target(), TControlHook::htControl);
  QCOMPARE(target.Control(), nullptr);
  QCOMPARE(target.HookedWidget(), nullptr);
  // The published properties, by name, as a form's designer sets them.
  QWidget control;
  QVERIFY(target.setProperty("Control", QVariant::fromValue(&control)));
  QVERIFY(target.setProperty("Sort", false));
  QCOMPARE(target.HookedWidget(), &control);
  QVERIFY(control.acceptDrops());
  QVERIFY(!target.Sort());
}

void DropDstTest::oneEventPerDrop_data() {
  QTest::addColumn<bool>("sort");
  QTest::addColumn<QStringList>("dropped");
  QTest::addColumn<QStringList>("received");
  const QStringList shell = {"c.txt", "A.txt", "b.txt"};
  QTest::newRow("as delivered") << false << shell << shell;
  QTest::newRow("sorted without regard to case")
      << true << shell << QStringList{"A.txt", "b.txt", "c.txt"};
  QTest::newRow("one file") << true << QStringList{"x.txt"} << QStringList{"x.txt"};
  QTest::newRow("names in Japanese") << false << QStringList{"新規.txt", "a.txt"}
                                     << QStringList{"新規.txt", "a.txt"};
}

void DropDstTest::oneEventPerDrop() {
  QFETCH(bool, sort);
  QFETCH(QStringList, dropped);
  QFETCH(QStringList, received);
  TWindowFixture fx;
  TDropForm f;
  f.target->SetSort(sort);
  QStringList paths;
  for (const QString& name : dropped) paths << fx.FilePath(name);
  QVERIFY(DragAndDrop(f.control, *FileDrag(paths), QPoint(12, 34)));
  QCOMPARE(f.drops.size(), 1);
  QCOMPARE(f.drops[0].Sender, static_cast<QObject*>(f.target));
  QCOMPARE(Names(f.drops[0].Files), received);
  QCOMPARE(QFileInfo(f.drops[0].Files[0]).path(), fx.Folder());
  QCOMPARE(f.drops[0].At, QPoint(12, 34));  // in the hooked widget's coordinates
}

void DropDstTest::dragsThatAreNotFilesAreLeftToTheWidget() {
  TWindowFixture fx;
  TDropForm f;
  QMimeData text;
  text.setText(QStringLiteral("just text"));
  QVERIFY(!DragAndDrop(f.control, text));  // a label takes no text
  QMimeData web;
  web.setUrls({QUrl(QStringLiteral("https://example.com/a.txt"))});
  QVERIFY(!DragAndDrop(f.control, web));
  // Among other addresses only the local files count.
  QMimeData mixed;
  mixed.setUrls({QUrl::fromLocalFile(fx.FilePath(QStringLiteral("a.txt"))),
                 QUrl(QStringLiteral("https://example.com/x")),
                 QUrl::fromLocalFile(fx.FilePath(QStringLiteral("b.txt")))});
  QVERIFY(DragAndDrop(f.control, mixed));
  QCOMPARE(f.drops.size(), 1);
  QCOMPARE(Names(f.drops[0].Files), (QStringList{"a.txt", "b.txt"}));
}

void DropDstTest::acceptanceOffAndOn() {
  TWindowFixture fx;
  TDropForm f;
  const auto files = FileDrag({fx.FilePath(QStringLiteral("a.txt"))});
  QVERIFY(f.control->acceptDrops());
  f.target->SetAcceptDrop(false);
  QVERIFY(!f.control->acceptDrops());  // the label's own setting again
  QVERIFY(!DragAndDrop(f.control, *files));
  QVERIFY(f.drops.isEmpty());
  QWidget* hooked = f.target->HookedWidget();
  f.target->SetAcceptDrop(true);
  QCOMPARE(f.target->HookedWidget(), hooked);  // no new attachment
  QVERIFY(DragAndDrop(f.control, *files));
  QCOMPARE(f.drops.size(), 1);
  // Detached, the widget is left as it was.
  f.target->SetControl(nullptr);
  QVERIFY(!f.control->acceptDrops());
  QVERIFY(!DragAndDrop(f.control, *files));
  QCOMPARE(f.drops.size(), 1);
}

void DropDstTest::attachesAgainToAReplacedWidget() {
  TWindowFixture fx;
  QWidget form;
  auto* area = new QScrollArea(&form);
  auto* target = new TDropDst(&form);
  int drops = 0;
  QPoint at;
  target->SetOnFileDrop([&](QObject*, const QStringList&, QPoint point) { ++drops, at = point; });
  target->SetControl(area);
  QCOMPARE(target->HookedWidget(), area->viewport());  // where a scroll area gets its drops
  QVERIFY(area->viewport()->acceptDrops());

  // The viewport is replaced twice before the queue is served: one attachment, to the last.
  area->setViewport(new QWidget);
  QCOMPARE(target->HookedWidget(), nullptr);
  area->setViewport(new QWidget);
  QCoreApplication::processEvents();
  QWidget* viewport = area->viewport();
  QCOMPARE(target->HookedWidget(), viewport);
  QVERIFY(viewport->acceptDrops());
  QVERIFY(DragAndDrop(viewport, *FileDrag({fx.FilePath(QStringLiteral("a.txt"))}), QPoint(3, 4)));
  QCOMPARE(drops, 1);
  QCOMPARE(at, QPoint(3, 4));
  QVERIFY(fx.Platform().Messages.isEmpty());
}

void DropDstTest::controlThatGoesIsNotHookedAgain() {
  TWindowFixture fx;
  auto control = std::make_unique<QScrollArea>();
  TDropDst target;  // owned by nothing
  target.SetControl(control.get());
  control.reset();
  QCOMPARE(target.Control(), nullptr);
  QCOMPARE(target.HookedWidget(), nullptr);
  QCoreApplication::processEvents();  // the queued attachment finds nothing
  QCOMPARE(target.HookedWidget(), nullptr);
  QVERIFY(fx.Platform().Messages.isEmpty());
}

void DropDstTest::formTarget() {
  TWindowFixture fx;
  QWidget form;
  auto* panel = new QWidget(&form);
  auto* control = new QLabel(panel);
  TDropDst target;
  target.SetControl(control);
  target.SetTarget(TControlHook::htForm);
  QCOMPARE(target.HookedWidget(), &form);
  // Without a control the owners of the component are searched; here there are none.
  TDropDst orphan;
  try {
    orphan.SetTarget(TControlHook::htForm);
    QFAIL("hooked without a form");
  } catch (const EKorvaneError& failure) {
    QCOMPARE(QString::fromUtf8(failure.what()), QStringLiteral("フック先を特定できません。"));
  }
  QCOMPARE(orphan.HookedWidget(), nullptr);
  auto* owned = new TDropDst(panel);
  owned->SetTarget(TControlHook::htForm);
  QCOMPARE(owned->HookedWidget(), &form);
}

void DropDstTest::failingHandler() {
  TWindowFixture fx;
  TDropForm f;
  int calls = 0;
  f.target->SetOnFileDrop([&](QObject*, const QStringList&, QPoint) {
    if (++calls == 1) throw EKorvaneError("読み込めません");
  });
  const auto files = FileDrag({fx.FilePath(QStringLiteral("a.txt"))});
  QVERIFY(DragAndDrop(f.control, *files));  // the drop itself is finished
  QCOMPARE(fx.Platform().MessageTexts(), QStringList{QStringLiteral("読み込めません")});
  QVERIFY(DragAndDrop(f.control, *files));
  QCOMPARE(calls, 2);
  QCOMPARE(fx.Platform().Messages.size(), 1);
}

void DropDstTest::editorTakesDroppedFiles() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  QCOMPARE(fm.DropDst1->Control(), static_cast<QWidget*>(fm.Btext));
  QCOMPARE(fm.DropDst1->Target(), TControlHook::htControl);
  QVERIFY(!fm.DropDst1->Sort());
  QVERIFY(fm.DropDst1->AcceptDrop());
  QWidget* viewport = fm.DropDst1->HookedWidget();
  QVERIFY(viewport != nullptr && viewport->parentWidget() == fm.Btext);
  // Merged in the order delivered, not sorted.
  const QStringList files = {fx.Write(QStringLiteral("b.txt"), "y\r\n"),
                             fx.Write(QStringLiteral("A.txt"), "x\r\n")};
  QVERIFY(DragAndDrop(viewport, *FileDrag(files)));
  QCOMPARE(fx.Text(), QByteArray("y\r\n\r\nx\r\n\r\n"));
  QVERIFY(fm.HasDocument);
  QVERIFY(fm.Appended);

  // Switched off, a drop is refused and the document stays; on again, it merges.
  fm.DropDst1->SetAcceptDrop(false);
  const auto more = FileDrag({fx.Write(QStringLiteral("c.txt"), "z\r\n")});
  QVERIFY(!DragAndDrop(viewport, *more));
  QCOMPARE(fx.Text(), QByteArray("y\r\n\r\nx\r\n\r\n"));
  fm.DropDst1->SetAcceptDrop(true);
  QCOMPARE(fm.DropDst1->HookedWidget(), viewport);
  QVERIFY(DragAndDrop(viewport, *more));
  QCOMPARE(fx.Text(), QByteArray("y\r\n\r\nx\r\n\r\nz\r\n\r\n"));
  QVERIFY(fx.Platform().Messages.isEmpty());
}

void DropDstTest::onlyTheEditorTakesFiles_data() {
  QTest::addColumn<QByteArray>("widget");
  for (const char* name : {"ToolBar1", "Label1", "ed1", "ed2", "Button1", "Label2", "ed3",
                           "Edit2", "Bar", "ClientArea", "Fmmein"}) {
    QTest::newRow(name) << QByteArray(name);
  }
}

void DropDstTest::onlyTheEditorTakesFiles() {
  QFETCH(QByteArray, widget);
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  QWidget* onto = widget == "Fmmein" ? &fm : fm.findChild<QWidget*>(QString::fromLatin1(widget));
  QVERIFY(onto != nullptr);
  const QString file = fx.Write(QStringLiteral("a.txt"), "a\r\n");
  QVERIFY(!DragAndDrop(onto, *FileDrag({file})));
  QVERIFY(!fm.HasDocument);
  QCOMPARE(fx.Text(), QByteArray());
}

void DropDstTest::textDropOnTheEditorIsNotAFileDrop() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  QMimeData text;
  text.setText(QStringLiteral("dropped words"));
  QVERIFY(DragAndDrop(fm.DropDst1->HookedWidget(), text));
  QCOMPARE(fx.Text(), QByteArray("dropped words"));  // the editor's own text drop
  QVERIFY(!fm.HasDocument);
  QCOMPARE(fx.Platform().BroughtToFront, 0);  // nothing was merged
}

void DropDstTest::dropAfterWrapSwitchedTwice() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.Trigger("wardw");
  fx.Trigger("wardw");
  QVERIFY(!fm.Btext->WordWrap());
  QCoreApplication::processEvents();
  QWidget* viewport = fm.DropDst1->HookedWidget();
  QVERIFY(viewport != nullptr && viewport->parentWidget() == fm.Btext);
  QVERIFY(viewport->acceptDrops());
  QVERIFY(DragAndDrop(viewport, *FileDrag({fx.Write(QStringLiteral("b.txt"), "b\r\n")})));
  QCOMPARE(fx.Text(), QByteArray("a\r\nb\r\n\r\n"));
}

void DropDstTest::failedDropLeavesTheDocument_data() {
  QTest::addColumn<QString>("bad");
  QTest::newRow("a folder") << "folder";
  QTest::newRow("a file that is gone") << "gone.txt";
}

void DropDstTest::failedDropLeavesTheDocument() {
  QFETCH(QString, bad);
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  QVERIFY(QDir(fx.Folder()).mkdir(QStringLiteral("folder")));
  QWidget* viewport = fm.DropDst1->HookedWidget();
  const QString good = fx.Write(QStringLiteral("b.txt"), "b\r\n");
  QVERIFY(DragAndDrop(viewport, *FileDrag({good, fx.FilePath(bad)})));
  QCOMPARE(fx.Text(), QByteArray("a\r\n"));
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QVERIFY(fx.Platform().Messages[0].Text.startsWith(
      QStringLiteral("ﾌｧｲﾙ %1 を読み込めません\n").arg(fx.FilePath(bad))));
  QVERIFY(!fm.Appended);
  QVERIFY(!fx.Platform().Busy);
  // The window keeps working: the next drop merges.
  QVERIFY(DragAndDrop(viewport, *FileDrag({good})));
  QCOMPARE(fx.Text(), QByteArray("a\r\nb\r\n\r\n"));
}

void DropDstTest::hundredsOfFiles() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  QStringList files;
  QByteArray expected;
  for (int i = 0; i < 300; ++i) {
    const QByteArray line = "file" + QByteArray::number(i);
    files << fx.Write(QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')), line + "\r\n");
    expected += line + "\r\n\r\n";
  }
  // An HTML file that cannot be opened is told while the drop reads: the box shows what the
  // window shows meanwhile. It contributes one empty line.
  files << fx.FilePath(QStringLiteral("lost.html"));
  QCOMPARE(::symlink("lost.html", QFile::encodeName(files.last()).constData()), 0);
  expected += "\r\n";
  QString panelWhileReading;
  bool busyWhileReading = false;
  fx.Platform().OnMessage = [&](const TScriptedPlatform::TShownMessage&) {
    panelWhileReading = fm.Bar->PanelText(0);
    busyWhileReading = fx.Platform().Busy;
  };
  QVERIFY(DragAndDrop(fm.DropDst1->HookedWidget(), *FileDrag(files)));
  QCOMPARE(panelWhileReading, QStringLiteral("Reading ....."));
  QVERIFY(busyWhileReading);
  QCOMPARE(fx.Platform().CursorChanges, (QList<bool>{true, false}));
  QCOMPARE(fx.Text(), expected);  // every file once, in the order delivered
  QCOMPARE(fm.Bar->PanelText(0), files.last());
  QCOMPARE(fx.Platform().BroughtToFront, 1);
}

void DropDstTest::destroyingTheWindowsShowsNothing() {
  TWindowFixture fx;
  {
    QWidget form;
    auto* control = new QScrollArea(&form);
    auto* onControl = new TDropDst(&form);
    onControl->SetControl(control);
    auto* onForm = new TDropDst(&form);
    onForm->SetControl(control);
    onForm->SetTarget(TControlHook::htForm);
  }
  fx.Stop();
  QCoreApplication::processEvents();
  QVERIFY(fx.Platform().Messages.isEmpty());
}

QTEST_MAIN(DropDstTest)
#include "DropDst_test.moc"
