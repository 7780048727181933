// The main window as it starts: every component under its name, the start-up state, the
// enabling of the no-document state, and the top-level failure report.
#include <QAction>
#include <QDir>
#include <QHash>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include "app/Globals.h"
#include "app/StatusBar.h"
#include "app/ToolImages.h"
#include "document/editor/EditorControl.h"
#include "tests/support/WindowFixture.h"

class UnmeinComposeTest : public QObject {
  Q_OBJECT
 private slots:
  void toolBarButtonsInOrder();
  void menuItemsAndCaptions_data();
  void menuItemsAndCaptions();
  void startUpState();
  void noDocumentEnabling();
  void memoClipCreatedEmptyAndExistingKept();
  void failureInAHandlerIsShownAndTheWindowGoesOn();
  void programPictureIsEveryWindowsIcon();
  void toolImagesAreDrawn();
  void statusPanelsFitTheirTextsAndStayInPlace();
  void standardShortcuts();
  void shortcutsReachTheirCommands();
  void altLettersOpenMenusAndTypeNothing();
};

void UnmeinComposeTest::toolBarButtonsInOrder() {
  TWindowFixture fx;
  struct Button { const char* name; const char* hint; };
  const Button buttons[] = {
      {"Make", "新規作成"}, {"Fopen", "文書を開く"}, {"Fappend", "文書合成"},
      {"Fclose", "文書を閉じる"}, {"Fsave", "文書保存"}, {"Mark", "マークへジャンプ"},
      {"wardw", "画面左端で折り返し"}, {"Btfontup", "拡大表示"}, {"Btfontdown", "縮小表示"},
      {"BtFont10", "標準表示に戻す"}, {"BtRet", "編集取り消し"}, {"Btcut", "部分削除"},
      {"Btstops", "処理開始位置指定"}, {"Btends", "処理終了位置指定"},
      {"tbTagCut", "HTMLタグ除去"}, {"tbTagSpCut", "HTMLタグ除去（空白行削除)"},
      {"tbPageText", "HTMLをテキストに変換"},
      {"BtAnsi", "全角を半角に変換"}, {"prgend", "プログラム終了"},
  };
  QList<QAction*> shown;
  for (QAction* action : fx.Form().ToolBar1->actions()) {
    if (!action->isSeparator()) shown << action;
  }
  QCOMPARE(shown.size(), static_cast<qsizetype>(std::size(buttons)));
  for (qsizetype i = 0; i < shown.size(); ++i) {
    QCOMPARE(shown[i]->objectName(), QString::fromLatin1(buttons[i].name));
    QCOMPARE(shown[i]->toolTip(), QString::fromUtf8(buttons[i].hint));
    QVERIFY(!shown[i]->icon().isNull());
  }
  QVERIFY(fx.Action("wardw")->isCheckable());
}

void UnmeinComposeTest::menuItemsAndCaptions_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<int>("tag");
  const struct { const char* name; const char* caption; int tag; } items[] = {
      {"File1", "ﾌｧｲﾙ(&F)", 0}, {"New1", "新規作成(&N)", 0}, {"Open1", "開く(&O)", 0},
      {"N1", "合成(&A)", 0}, {"Close1", "閉じる(&C)", 0}, {"S1", "保存(S)", 0},
      {"N46", "範囲保存(&H)", 0}, {"N35", "ｴｸｽﾌﾟﾛｰﾗ", 0}, {"Print1", "印刷(&P)", 0},
      {"Exit1", "終了(&E)", 0}, {"Edit1", "編集(&E)", 0}, {"A1", "編集取り消し(&R)", 0},
      {"N22", "行頭の空白削除", 0}, {"N23", "空白行を削除", 0}, {"N24", "両者を同時実施", 0},
      {"HTML1", "HTMLタグ除去", 0}, {"tagc1", "タグ除去のみ", 0},
      {"tagc2", "変換後の空白は除去", 0}, {"PageText1", "HTMLをテキストに変換", 0},
      {"KeepLinks1", "リンク先も残す", 0}, {"PageLinks1", "リンク先の一覧", 0},
      {"N42", "指定範囲削除", 0},
      {"N59", "行頭に文字追加", 0}, {"N66", "行末に文字追加", 0},
      {"N50", "指定文字間で改行", 0}, {"HTML2", "HTMLタグで改行", 0},
      {"N73", "全角を半角に変換", 0}, {"Show1", "表示(&V)", 0}, {"N7", "拡大表示", 0},
      {"N10", "拡大", 0}, {"N11", "指定拡大", 0}, {"N15", "２倍 12P", 4}, {"N16", "３倍 14P", 5},
      {"N17", "４倍 16P", 6}, {"N18", "５倍 18P", 7}, {"N19", "６倍 20P", 8},
      {"N20", "７倍 22P", 9}, {"N21", "８倍 24P", 10}, {"N14", "最大表示", 3},
      {"N8", "縮小表示", 0}, {"N12", "縮小", 0}, {"N13", "最小表示", 2}, {"Font1", "フォント", 0},
      {"N26", "ＭＳゴシック", 0}, {"N27", "ＭＳ明朝", 0}, {"N9", "全て標準に戻す", 1},
      {"N3", "右端で折り返す", 0}, {"N52", "ｼﾞｬﾝﾌﾟ(&J)", 0}, {"N57", "任意行", 0},
      {"N53", "文頭", 0}, {"N54", "文末", 0}, {"N55", "範囲先頭", 0}, {"N56", "範囲末", 0},
      {"JumpMark1", "JumpMark処理", 0}, {"Replace1", "置換(&R)", 0}, {"R1", "一般的な置換", 11},
      {"r2", "文字より前を置換", 12}, {"r3", "文字より後ろを置換", 13}, {"r4", "文字間を置換", 14},
      {"Delete1", "削除(&D)", 0}, {"d1", "一般的な削除", 21}, {"d2", "文字より前を削除", 22},
      {"d3", "文字より後ろを削除", 23}, {"d4", "文字間を削除", 24}, {"N61", "行削除", 0},
      {"N63", "指定文字を含まない行を削除", 0}, {"N62", "指定文字を含む行を削除", 0},
      {"Option1", "ｵﾌﾟｼｮﾝ(&O)", 0}, {"URL1", "URL読み込みモード", 0},
      {"N48", "ファイル名を使う", 0}, {"Help1", "ﾍﾙﾌﾟ(&H)", 0}, {"Help2", "ﾍﾙﾌﾟ(&H)", 0},
      {"About1", "ﾊﾞｰｼﾞｮﾝ情報", 0}, {"JumpMark2", "JumpMark登録", 0}, {"pop1", "元に戻す", 0},
      {"N67", "全て選択", 0}, {"pop2", "切り取り", 0}, {"pop3", "コピー", 0},
      {"pop4", "張り付け", 0}, {"N38", "置換・削除設定", 0}, {"N34", "メモ欄にコピー", 104},
      {"N29", "第１欄にコピー", 101}, {"N30", "第２欄にコピー", 102},
      {"N32", "第３欄にコピー", 103}, {"N39", "変換範囲設定", 0}, {"stpos", "開始位置", 0},
      {"edpos", "終了位置", 0}, {"N49", "指定範囲削除", 0},
  };
  for (const auto& item : items) {
    QTest::newRow(item.name) << QString::fromLatin1(item.name) << QString::fromUtf8(item.caption)
                             << item.tag;
  }
}

void UnmeinComposeTest::menuItemsAndCaptions() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(int, tag);
  TWindowFixture fx;
  const QList<QAction*> found = fx.Form().findChildren<QAction*>(name);
  QCOMPARE(found.size(), 1);
  QCOMPARE(found.first()->text(), caption);
  QCOMPARE(found.first()->data().toInt(), tag);
}

void UnmeinComposeTest::startUpState() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  QCOMPARE(fm.windowTitle(), QStringLiteral("テキスト文書　合成・変換ソフト ＜Ｋｏｒｖａｎｅ＞"));
  QCOMPARE(fm.Bar->PanelText(0), QString());
  QCOMPARE(fm.Bar->PanelText(1), QStringLiteral("表示サイズ　標準   10 point"));
  QCOMPARE(fm.Bar->PanelText(2), QStringLiteral("折り返さない"));
  QCOMPARE(fm.Bar->PanelWidth(0), 300);
  QCOMPARE(fm.Bar->PanelWidth(1), 160);
  for (QLineEdit* field : {fm.ed1, fm.ed2, fm.ed3, fm.Edit2}) QVERIFY(field->text().isEmpty());
  QCOMPARE(fm.Label1->text(), QStringLiteral("変換範囲"));
  QCOMPARE(fm.Label2->text(), QStringLiteral("行数"));
  QCOMPARE(fm.Button1->text(), QStringLiteral("範囲解除"));
  QCOMPARE(VersionText, QStringLiteral("１．７８"));
  QCOMPARE(UpdateDateText, QStringLiteral("Last Up Date  02/11/29"));
  QVERIFY(!fm.HasDocument);
  QVERIFY(!fm.Appended);
  QVERIFY(!fm.Btext->Modified());
  QVERIFY(!fm.Btext->WordWrap());
  QCOMPARE(fm.Btext->Color(), fm.palette().color(QPalette::Button));
  QCOMPARE(fm.MarkLines, (std::array<std::int32_t, 5>{-1, -1, -1, -1, -1}));
  QCOMPARE(fm.LastMarkSlot, -1);
  QVERIFY(fm.WorkList && fm.WorkList->Count() == 0);
  QVERIFY(fm.UndoList && fm.UndoList->Count() == 0);
  QCOMPARE(fm.BottomGap, fm.centralWidget()->height() - (fm.Btext->y() + fm.Btext->height()));
  QVERIFY(fm.LabelGap > 0 && fm.RowGap > 0);
  QVERIFY(fx.Platform().Messages.isEmpty());
}

void UnmeinComposeTest::noDocumentEnabling() {
  TWindowFixture fx;
  const char* const enabled[] = {"Make", "Fopen", "New1", "Open1", "Exit1", "prgend", "N35",
                                 "Help2", "About1", "N48", "JumpMark2", "stpos", "edpos",
                                 "N34", "N29", "N30", "N32", "Option1", "Help1"};
  const char* const disabled[] = {
      "Fappend", "Fclose", "Fsave", "wardw", "Btfontup", "Btfontdown", "BtFont10", "Btstops",
      "Btends", "BtAnsi", "Btcut", "tbTagCut", "tbTagSpCut", "N1", "N3", "Close1", "S1", "N7",
      "N8", "N9", "N22", "N23", "N24", "Print1", "N26", "N27", "Font1", "R1", "r2", "r3", "r4",
      "d1", "d2", "d3", "d4", "HTML1", "N52", "N61", "N50", "N73", "HTML2", "N59", "N66",
      "pop1", "N67", "pop2", "pop3", "pop4", "BtRet", "A1", "N46", "N42", "N49", "Mark",
      "JumpMark1"};
  for (const char* name : enabled) QVERIFY2(fx.Action(name)->isEnabled(), name);
  for (const char* name : disabled) QVERIFY2(!fx.Action(name)->isEnabled(), name);
  QVERIFY(!fx.Form().Button1->isEnabled());
}

void UnmeinComposeTest::memoClipCreatedEmptyAndExistingKept() {
  {
    TWindowFixture fx;
    QCOMPARE(MemoClipPath, fx.Home() + QStringLiteral("/memoclip.kvn"));
    QVERIFY(QFile::exists(MemoClipPath));
    QCOMPARE(QFile(MemoClipPath).size(), 0);
  }
  TWindowFixture again;
  again.Write(QStringLiteral("home/memoclip.kvn"), "kept\r\n");
  TFmmein second;  // a second start over an existing file leaves it as it is
  QCOMPARE(TWindowFixture::Read(again.Home() + QStringLiteral("/memoclip.kvn")),
           QByteArray("kept\r\n"));
}

void UnmeinComposeTest::failureInAHandlerIsShownAndTheWindowGoesOn() {
  TWindowFixture fx;
  fx.Open(fx.FilePath(QStringLiteral("missing.txt")));
  QCOMPARE(fx.Platform().Messages.size(), 1);
  QCOMPARE(fx.Platform().Messages[0].Kind, TMessageKind::Error);
  QCOMPARE(fx.Platform().Messages[0].Text,
           ReadFailure(fx.FilePath(QStringLiteral("missing.txt")),
                       QStringLiteral("ﾌｧｲﾙが見つかりません")));
  QVERIFY(!fx.Platform().Busy);  // the cursor came back
  QVERIFY(!fx.Form().HasDocument);
  QVERIFY(fx.Action("Fopen")->isEnabled());
  fx.Open(fx.Write(QStringLiteral("a.txt"), "a\r\n"));
  QVERIFY(fx.Form().HasDocument);
}

void UnmeinComposeTest::programPictureIsEveryWindowsIcon() {
  TWindowFixture fx;
  for (QWidget* window : std::initializer_list<QWidget*>{&fx.Form(), &fx.Rep()}) {
    const QIcon icon = window->windowIcon();
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
    // The very pictures the desktop entry installs.
    for (const int size : {16, 48, 256}) {
      const QImage installed(QStringLiteral(KORVANE_SOURCE "/packaging/icons/%1x%1/korvane.png").arg(size));
      QVERIFY(!installed.isNull());
      QCOMPARE(icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
               installed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
  }
}

void UnmeinComposeTest::toolImagesAreDrawn() {
  for (int i = 0; i <= 21; ++i) QVERIFY(!ToolImage(i).isNull());
  QVERIFY(ToolImage(22).isNull());
}

// Whole texts are shown (the 48 pixels New gives panel 0 are too narrow for "  新規文書");
// a long name is shortened in the middle with the whole name as tooltip; the panels after
// the first keep their places from one name to the next.
void UnmeinComposeTest::statusPanelsFitTheirTextsAndStayInPlace() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fm));
  auto* panel1 = fm.Bar->findChild<QLabel*>(QStringLiteral("Panel1"));
  auto* panel2 = fm.Bar->findChild<QLabel*>(QStringLiteral("Panel2"));
  const int panel1Left = panel1->x();
  for (const int panel : {1, 2}) {
    auto* label = panel == 1 ? panel1 : panel2;
    QCOMPARE(fm.Bar->ShownText(panel), fm.Bar->PanelText(panel));
    QVERIFY(label->contentsRect().width() >=
            label->fontMetrics().horizontalAdvance(fm.Bar->PanelText(panel)));
  }

  fx.Trigger("New1");
  QTRY_COMPARE(fm.Bar->ShownText(0), QStringLiteral("  新規文書"));
  auto* panel0 = fm.Bar->findChild<QLabel*>(QStringLiteral("Panel0"));
  QVERIFY(panel0->contentsRect().width() >=
          panel0->fontMetrics().horizontalAdvance(QStringLiteral("  新規文書")));
  QCOMPARE(fm.Bar->PanelWidth(0), 48);
  QCOMPARE(panel1->x(), panel1Left);
  fx.Trigger("Close1");

  const QString deep = QStringLiteral("a-long-folder-name-").repeated(12);
  QVERIFY(QDir(fx.Folder()).mkpath(deep));
  const QString longName = fx.Write(deep + QStringLiteral("/last.txt"), "x\r\n");
  fx.Open(longName);
  QTRY_VERIFY(fm.Bar->ShownText(0).contains(QChar(0x2026)));  // …
  QVERIFY(fm.Bar->ShownText(0).endsWith(QStringLiteral("last.txt")));
  QCOMPARE(fm.Bar->PanelText(0), longName);
  QCOMPARE(fm.Bar->PanelToolTip(0), longName);
  QCOMPARE(panel1->x(), panel1Left);
  QVERIFY(panel0->geometry().right() < panel1Left);
}

void UnmeinComposeTest::standardShortcuts() {
  TWindowFixture fx;
  const struct { const char* item; const char* keys; } shortcuts[] = {
      {"New1", "Ctrl+N"}, {"Open1", "Ctrl+O"}, {"S1", "Ctrl+S"},
      {"Print1", "Ctrl+P"}, {"Exit1", "Ctrl+Q"},
      // Shown in the editor's pop-up menu; the editor takes the keys before any item.
      {"pop1", "Ctrl+Z"}, {"Redo1", "Ctrl+Y"},
      {"Find1", "Ctrl+F"}, {"FindNext1", "F3"}, {"FindPrev1", "Shift+F3"},
  };
  for (const auto& s : shortcuts) {
    QCOMPARE(fx.Action(s.item)->shortcut(), QKeySequence(QString::fromLatin1(s.keys)));
  }
  QHash<QKeySequence, QString> taken;
  for (QAction* action : fx.Form().findChildren<QAction*>()) {
    for (const QKeySequence& keys : action->shortcuts()) {
      QVERIFY2(!taken.contains(keys), qPrintable(keys.toString() + QStringLiteral(" twice")));
      taken.insert(keys, action->objectName());
    }
  }
  QCOMPARE(taken.size(), static_cast<qsizetype>(std::size(shortcuts)));
}

// The keys work from the editor, and Ctrl+Z there undoes the typing.
void UnmeinComposeTest::shortcutsReachTheirCommands() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowActive(&fm));
  fm.Btext->setFocus();
  QTest::keyClicks(fm.Btext, QStringLiteral("ab"));
  QTest::keyClick(fm.Btext, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(fx.Text(), QByteArray());
  QVERIFY(!fm.HasDocument);
  QTest::keyClick(fm.Btext, Qt::Key_N, Qt::ControlModifier);
  QVERIFY(fm.HasDocument);
  QTest::keyClicks(fm.Btext, QStringLiteral("x"));
  fx.ChooseFile(fx.FilePath(QStringLiteral("x.txt")));
  QTest::keyClick(fm.Btext, Qt::Key_S, Qt::ControlModifier);
  QCOMPARE(TWindowFixture::Read(fx.FilePath(QStringLiteral("x.txt"))), QByteArray("x"));
}

// With the editor focused, Alt and a menu's letter opens that menu; no key held with Alt, Ctrl
// or Meta ever puts its letter into the document.
void UnmeinComposeTest::altLettersOpenMenusAndTypeNothing() {
  TWindowFixture fx;
  TFmmein& fm = fx.Form();
  fm.show();
  QVERIFY(QTest::qWaitForWindowActive(&fm));
  fm.Btext->setFocus();
  fx.Trigger("New1");
  struct Row { Qt::Key key; QMenu* menu; };
  const Row rows[] = {{Qt::Key_F, fm.File1},   {Qt::Key_E, fm.Edit1},    {Qt::Key_V, fm.Show1},
                      {Qt::Key_J, fm.N52},     {Qt::Key_R, fm.Replace1}, {Qt::Key_D, fm.Delete1},
                      {Qt::Key_O, fm.Option1}, {Qt::Key_H, fm.Help1}};
  for (const Row& row : rows) {
    QTest::keyClick(fm.Btext, row.key, Qt::AltModifier);
    QTRY_VERIFY2(row.menu->isVisible(), qPrintable(row.menu->title()));
    QTest::keyClick(row.menu, Qt::Key_Escape);  // the menu closes
    QTest::keyClick(fm.menuBar(), Qt::Key_Escape);  // the menu bar gives the keyboard back
    QTRY_VERIFY(!row.menu->isVisible());
    fm.activateWindow();
    fm.Btext->setFocus();
  }
  for (const Qt::KeyboardModifiers held :
       {Qt::KeyboardModifiers(Qt::AltModifier), Qt::KeyboardModifiers(Qt::MetaModifier),
        Qt::KeyboardModifiers(Qt::AltModifier | Qt::ShiftModifier)}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, held, QStringLiteral("q"));
    QApplication::sendEvent(fm.Btext, &press);
  }
  QCOMPARE(fx.Text(), QByteArray());
}

QTEST_MAIN(UnmeinComposeTest)
#include "UnmeinCompose_test.moc"
