// The window's view: display sizes and faces, word wrap, the caret display, the layout on
// resize, the pop-up editing commands, printing, the data folder, help and the version dialog.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include "app/Globals.h"
#include "app/HelpWindow.h"
#include "app/StatusBar.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"
#include "view/Unvar.h"

namespace {

// Runs a poppler tool on a PDF file and returns what it printed.
QString Poppler(const QString& tool, const QStringList& arguments) {
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(30000)) return QStringLiteral("<%1 did not finish>").arg(tool);
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class UnmeinViewTest : public QObject {
  Q_OBJECT
 private slots:
  void sizeSteps_data();
  void sizeSteps();
  void facesKeepTheSizeAndTheCells();
  void wrapKeepsTextFlagAndLines();
  void caretDisplay_data();
  void caretDisplay();
  void caretDisplayFitsLargeNumbers();
  void resizeKeepsTheGapsAndAMinimum();
  void popupEditingRules();
  void printsTheWholeTextToPdf();
  void printWrapsLongLinesAtThePageEdge();
  void cancelledPrintPrintsNothing();
  void dataFolderHelpAndVersion();
  void helpCoversEveryCommand();
};

void UnmeinViewTest::sizeSteps_data() {
  QTest::addColumn<QList<QByteArray>>("commands");
  QTest::addColumn<int>("size");
  QTest::addColumn<QString>("panel");
  using Commands = QList<QByteArray>;
  QTest::newRow("enlarge from 10") << Commands{"Btfontup"} << 12 << "表示サイズ　2倍  12Point";
  QTest::newRow("reduce from 10") << Commands{"Btfontdown"} << 8 << "表示サイズ　1/2倍   8 Point";
  QTest::newRow("menu steps like the buttons") << Commands{"N10", "N10", "N12"} << 12
                                               << "表示サイズ　2倍  12Point";
  QTest::newRow("size 16") << Commands{"N17"} << 16 << "表示サイズ　4倍  16Point";
  QTest::newRow("22 then enlarge reaches 24") << Commands{"N20", "Btfontup"} << 24
                                              << "表示サイズ　8倍  24Point";
  QTest::newRow("enlarge at 24 stays") << Commands{"N14", "Btfontup"} << 24
                                       << "表示サイズ　8倍  24Point";
  QTest::newRow("reduce at 6 stays") << Commands{"N13", "Btfontdown"} << 6
                                     << "表示サイズ　1/4倍   6 Point";
  QTest::newRow("6 then 12") << Commands{"N13", "N15"} << 12 << "表示サイズ　2倍  12Point";
  QTest::newRow("standard from the tool bar") << Commands{"N21", "BtFont10"} << 10
                                              << "表示サイズ　標準   10 Point";
  QTest::newRow("all to standard") << Commands{"N13", "N9"} << 10 << "表示サイズ　標準   10 Point";
}

void UnmeinViewTest::sizeSteps() {
  QFETCH(QList<QByteArray>, commands);
  QFETCH(int, size);
  QFETCH(QString, panel);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  TFmmein& fm = fx.Form();
  for (const QByteArray& command : commands) fx.Trigger(command.constData());
  QCOMPARE(fm.Btext->FontSize(), size);
  QCOMPARE(fm.Bar->PanelText(1), panel);
  QCOMPARE(fx.Action("Btfontup")->isEnabled(), size < 24);
  QCOMPARE(fm.N7->menuAction()->isEnabled(), size < 24);
  QCOMPARE(fx.Action("Btfontdown")->isEnabled(), size > 6);
  QCOMPARE(fm.N8->menuAction()->isEnabled(), size > 6);
  QCOMPARE(fm.WrapOn, false);
}

// Both faces are fixed-pitch fonts of this system: a full-width character takes two cells.
void UnmeinViewTest::facesKeepTheSizeAndTheCells() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  TEditorControl& editor = *fx.Form().Btext;
  QVERIFY(editor.FontIsFixedPitch());
  fx.Trigger("N16");
  for (const auto& [item, face] : {std::pair{"N27", "ＭＳ明朝"}, std::pair{"N26", "ＭＳゴシック"}}) {
    fx.Trigger(item);
    QCOMPARE(editor.FontFace(), QString::fromUtf8(face));
    QCOMPARE(editor.FontSize(), 14);
    QVERIFY2(editor.FontIsFixedPitch(), face);
    QVERIFY(!fx.Action(item)->isChecked());
  }
}

void UnmeinViewTest::wrapKeepsTextFlagAndLines() {
  TWindowFixture fx;
  const QByteArray text = QByteArray("short\r\n") + QByteArray(600, 'x') + "\r\nend\r\n";
  fx.Open(fx.Write(QStringLiteral("long.txt"), text));
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fm));
  QTest::keyClicks(fm.Btext, QStringLiteral("y"));  // typed: the document is changed
  for (const bool on : {true, false}) {
    fx.Trigger(on ? "wardw" : "N3");
    QCOMPARE(fm.WrapOn, on);
    QCOMPARE(fm.Btext->WordWrap(), on);
    QCOMPARE(fx.Action("N3")->isChecked(), on);
    QCOMPARE(fx.Action("wardw")->isChecked(), on);
    QCOMPARE(fm.Bar->PanelText(2), on ? QStringLiteral("右端で折り返す") : QStringLiteral("折り返さない"));
    QCOMPARE(fx.Text(), "y" + text);
    QVERIFY(fm.Btext->Modified());
    QCOMPARE(fm.Btext->LineCount(), 3);  // a wrapped line is still one line
    QCOMPARE(fm.Btext->LineFromChar(fm.Btext->LineIndex(2)), 2);
  }
}

void UnmeinViewTest::caretDisplay_data() {
  QTest::addColumn<int>("anchor");
  QTest::addColumn<int>("caret");
  QTest::addColumn<QString>("shown");
  // Byte offsets in 表x, CR LF, abcd: the second line starts at 5; columns count characters.
  QTest::newRow("start of the document") << 0 << 0 << "行 : 1 / 列 : 1";
  QTest::newRow("after a double-byte character") << 2 << 2 << "行 : 1 / 列 : 2";
  QTest::newRow("second line") << 8 << 8 << "行 : 2 / 列 : 4";  // abc|d
  QTest::newRow("selection made right to left shows its left end") << 9 << 7 << "行 : 2 / 列 : 3";
}

void UnmeinViewTest::caretDisplay() {
  QFETCH(int, anchor);
  QFETCH(int, caret);
  QFETCH(QString, shown);
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), Sjis(QStringLiteral("表x\r\nabcd\r\n"))));
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fm));
  QCOMPARE(fm.Edit2->text(), QString());
  fm.Btext->SetSelection(anchor, caret);
  QCOMPARE(fm.Edit2->text(), QString());  // not until the mouse moves or a key is released
  QMouseEvent move(QEvent::MouseMove, QPointF(20, 10), fm.Btext->viewport()->mapToGlobal(QPointF(20, 10)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(fm.Btext->viewport(), &move);
  QCOMPARE(fm.Edit2->text(), shown);
  fm.Btext->SetSelection(0, 0);
  QTest::keyRelease(fm.Btext, Qt::Key_Shift);
  QCOMPARE(fm.Edit2->text(), QStringLiteral("行 : 1 / 列 : 1"));
}

// Line and column numbers of any size fit the caret display, which stays inside the window.
void UnmeinViewTest::caretDisplayFitsLargeNumbers() {
  TWindowFixture fx;
  QByteArray text = QByteArray("x\r\n").repeated(570816);
  text += QByteArray(14053081, 'y') + "\r\n";
  fx.Open(fx.Write(QStringLiteral("big.txt"), text));
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fm));
  fm.Btext->SetSelStart(fm.Btext->TextLength() - 2);
  QTest::keyRelease(fm.Btext, Qt::Key_End);
  QCOMPARE(fm.Edit2->text(), QStringLiteral("行 : 570817 / 列 : 14053082"));
  QVERIFY(fm.Edit2->fontMetrics().horizontalAdvance(fm.Edit2->text()) + 8 <= fm.Edit2->width());
  QVERIFY(fm.Edit2->geometry().right() < fm.centralWidget()->width());
}

void UnmeinViewTest::resizeKeepsTheGapsAndAMinimum() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fm));
  const int bottomGap = fm.BottomGap;
  const int rowGap = fm.RowGap;
  const auto checkGaps = [&] {
    const int bottom = fm.Btext->y() + fm.Btext->height();
    QCOMPARE(fm.centralWidget()->height() - bottom, bottomGap);
    QCOMPARE(fm.ed1->y() - bottom, rowGap);
    QCOMPARE(fm.Edit2->y() - bottom, rowGap);
    QCOMPARE(fm.Label1->y() - bottom, fm.LabelGap);
    QCOMPARE(fm.Btext->width(), fm.centralWidget()->width());
  };
  fm.resize(700, 700);
  QTRY_COMPARE(fm.height(), 700);
  checkGaps();
  const int ed1X = fm.ed1->x();
  fm.resize(50, 50);  // far too small: the minimum holds
  QTest::qWait(50);
  checkGaps();
  QVERIFY(fm.Btext->height() >= 4 * fm.Btext->fontMetrics().lineSpacing());
  QVERIFY(fm.Edit2->geometry().right() < fm.centralWidget()->width());
  QVERIFY(fm.Bar->isVisible());
  QCOMPARE(fm.ed1->x(), ed1X);
}

void UnmeinViewTest::popupEditingRules() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  QVERIFY(!fx.Action("pop1")->isEnabled());  // no document: all five off
  fx.Trigger("New1");
  fx.Trigger("N67");  // select all on an empty document does nothing
  QCOMPARE(fm.Btext->SelectedText(), QString());
  QTest::keyClicks(fm.Btext, QStringLiteral("abc"));
  fm.Btext->SetSelection(1, 3);
  fx.Trigger("pop2");
  QCOMPARE(fx.Text(), QByteArray("a"));
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("bc"));
  QVERIFY(fx.Action("pop1")->isEnabled());
  QVERIFY(fx.Action("pop4")->isEnabled());
  fx.Trigger("pop1");  // the undo gives the cut text back, and can go further back
  QCOMPARE(fx.Text(), QByteArray("abc"));
  QVERIFY(fx.Action("pop1")->isEnabled());
  QVERIFY(fx.Action("Redo1")->isEnabled());
  fx.Trigger("N67");
  QCOMPARE(fm.Btext->SelectedText(), QStringLiteral("abc"));
  fx.Trigger("pop3");
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("abc"));
  fm.Btext->SetSelStart(3);
  fx.Trigger("pop4");
  QCOMPARE(fx.Text(), QByteArray("abcabc"));
  QVERIFY(fx.Action("pop1")->isEnabled());
  QVERIFY(!fx.Action("A1")->isEnabled());  // none of this is a document command to undo
}

void UnmeinViewTest::printsTheWholeTextToPdf() {
  TWindowFixture fx;
  QByteArray text;
  for (int i = 1; i <= 150; ++i) text += Sjis(QStringLiteral("第%1行　日本語のテキスト\r\n").arg(i));
  fx.Open(fx.Write(QStringLiteral("long.txt"), text));
  fx.Trigger("N18");
  const QString pdf = fx.FilePath(QStringLiteral("out.pdf"));
  fx.Platform().PrintToPdf = pdf;
  fx.Trigger("Print1");
  QCOMPARE(fx.Platform().PrinterDialogs, 1);
  QVERIFY(fx.Platform().Messages.isEmpty());
  const QString info = Poppler(QStringLiteral("pdfinfo"), {pdf});
  const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
  QVERIFY2(pages.hasMatch(), qPrintable(info));
  QVERIFY2(pages.captured(1).toInt() >= 3, qPrintable(info));  // 150 lines at 16 points
  const QString printed = Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  QVERIFY(printed.contains(QStringLiteral("第1行")));
  QVERIFY2(printed.contains(QStringLiteral("第150行")), qPrintable(printed.right(200)));
  QVERIFY(printed.contains(QStringLiteral("日本語のテキスト")));
  QCOMPARE(fx.Text(), text);
  QVERIFY(!fx.Form().Btext->Modified());

  // Every page: the document's name at the top and "n / N" at the bottom; every word inside
  // margins of 15 mm (42.5 points).
  const int pageCount = pages.captured(1).toInt();
  const QString name = fx.FilePath(QStringLiteral("long.txt"));
  QCOMPARE(printed.count(name), pageCount);
  for (int page = 1; page <= pageCount; ++page) {
    QVERIFY2(printed.contains(QStringLiteral("%1 / %2").arg(page).arg(pageCount)), qPrintable(printed));
  }
  const QRegularExpressionMatch size =
      QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
  QVERIFY(size.hasMatch());
  const double width = size.captured(1).toDouble();
  const double height = size.captured(2).toDouble();
  const QString boxes = Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  const QRegularExpression word(QStringLiteral(
      "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""));
  int words = 0;
  for (auto it = word.globalMatch(boxes); it.hasNext(); ++words) {
    const QRegularExpressionMatch m = it.next();
    const double margin = 42.0;
    QVERIFY2(m.captured(1).toDouble() >= margin && m.captured(2).toDouble() >= margin &&
                 m.captured(3).toDouble() <= width - margin && m.captured(4).toDouble() <= height - margin,
             qPrintable(m.captured(0)));
  }
  QVERIFY(words > 300);
}

// A line longer than the page is wide goes on in the next rows, not off the page's edge.
void UnmeinViewTest::printWrapsLongLinesAtThePageEdge() {
  TWindowFixture fx;
  QByteArray line;
  for (int i = 1; i <= 60; ++i) line += Sjis(QStringLiteral("語%1 ").arg(i, 3, 10, QLatin1Char('0')));
  fx.Open(fx.Write(QStringLiteral("wide.txt"), line + "\r\nnext\r\n"));
  const QString pdf = fx.FilePath(QStringLiteral("wide.pdf"));
  fx.Platform().PrintToPdf = pdf;
  fx.Trigger("Print1");
  QVERIFY(fx.Platform().Messages.isEmpty());
  const QString printed = Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  QVERIFY2(printed.contains(QStringLiteral("語001")), qPrintable(printed));
  QVERIFY2(printed.contains(QStringLiteral("語060")), qPrintable(printed));
  QVERIFY(printed.indexOf(QStringLiteral("語060")) < printed.indexOf(QStringLiteral("next")));
  // The line took more than one row: its first and last words are on different rows.
  const QStringList rows = printed.split(QLatin1Char('\n'));
  const auto rowOf = [&](const QString& word) {
    for (int i = 0; i < rows.size(); ++i) {
      if (rows[i].contains(word)) return i;
    }
    return -1;
  };
  QVERIFY2(rowOf(QStringLiteral("語060")) > rowOf(QStringLiteral("語001")), qPrintable(printed));
}

void UnmeinViewTest::cancelledPrintPrintsNothing() {
  TWindowFixture fx;
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  fx.Trigger("Print1");  // no PDF prepared: the user cancels
  QCOMPARE(fx.Platform().PrinterDialogs, 1);
  QVERIFY(fx.Platform().Messages.isEmpty());
  QVERIFY(QDir(fx.Folder()).entryList({QStringLiteral("*.pdf")}).isEmpty());
  // A printer that fails is told by the general error report; the document is untouched.
  fx.Platform().PrintToPdf = fx.FilePath(QStringLiteral("no/such/folder/out.pdf"));
  fx.Trigger("Print1");
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QCOMPARE(fx.Platform().Messages[0].Kind, TMessageKind::Error);
  QVERIFY(fx.Platform().Messages[0].Text.contains(QStringLiteral("印刷")));
  QCOMPARE(fx.Text(), QByteArray("a\r\n"));
  QVERIFY(!fx.Platform().Busy);
}

void UnmeinViewTest::dataFolderHelpAndVersion() {
  TWindowFixture fx;
  fx.Trigger("N35");
  QCOMPARE(fx.Platform().Explored, QStringList{DataFolder()});
  QVERIFY(fx.Platform().Explored[0].endsWith(QStringLiteral("home/")));
  QVERIFY(fx.Platform().Messages.isEmpty());
  // Without a file manager the user is told where the folder is.
  fx.Platform().FileManagerInstalled = false;
  fx.Trigger("N35");
  QCOMPARE(fx.Platform().MessageTexts(),
           QStringList{QStringLiteral("ﾌｫﾙﾀﾞを開くﾌｧｲﾙ ﾏﾈｰｼﾞｬが見つかりません。\n"
                                      "このﾌﾟﾛｸﾞﾗﾑのﾌｧｲﾙはﾌｫﾙﾀﾞ %1 にあります。")
                           .arg(DataFolder())});
  fx.Trigger("Help2");
  QCOMPARE(fx.Platform().HelpShown.size(), 1);
  QCOMPARE(fx.Platform().HelpShown[0].first, HelpFile);
  QCOMPARE(fx.Platform().HelpShown[0].second, 10000);

  TFmvar& var = fx.Forms().Var();
  QCOMPARE(var.windowTitle(), QStringLiteral("バージョン情報"));
  QCOMPARE(var.size(), QSize(310, 221));
  QCOMPARE(var.Label4->text(), QStringLiteral("１．７８"));
  QCOMPARE(var.Label7->text(), QStringLiteral("Last Up Date  02/11/29"));
  QCOMPARE(var.Label2->palette().color(QPalette::WindowText), QColor(128, 0, 0));
  QVERIFY(var.Label1->font().italic() && var.Label1->font().bold());
  QVERIFY(var.Label5->text().contains(QStringLiteral("Korvane")));
  QCOMPARE(var.Image1->pixmap().size(), QSize(41, 41));
  fx.Platform().DialogScripts.push_back([&](QDialog&) { var.Button1->click(); });
  fx.Trigger("About1");
  QCOMPARE(fx.Platform().ModalTitles, QStringList{QStringLiteral("バージョン情報")});
  QCOMPARE(var.result(), int(QDialog::Accepted));
}

// The help page opens at its contents and names every command of the menus.
void UnmeinViewTest::helpCoversEveryCommand() {
  TWindowFixture fx;
  THelpWindow::Show(&fx.Form(), HelpFile, 10000);
  THelpWindow* help = THelpWindow::Current();
  QVERIFY(help != nullptr);
  QCOMPARE(help->Browser()->source().fragment(), QStringLiteral("context10000"));
  const QString page = help->Browser()->toPlainText();
  QVERIFY(page.contains(QStringLiteral("Korvane ヘルプ")));
  QStringList missing;
  for (QMenu* menu : fx.Form().MainMenu1->findChildren<QMenu*>()) {
    for (QAction* item : menu->actions()) {
      if (item->isSeparator() || item->menu() != nullptr) continue;
      QString caption = item->text();
      caption.remove(QRegularExpression(QStringLiteral("\\(&?.\\)$")));
      if (!page.contains(caption)) missing << caption;
    }
  }
  QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
  help->close();
}

QTEST_MAIN(UnmeinViewTest)
#include "UnmeinView_test.moc"
