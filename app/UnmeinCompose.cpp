// The main window's composition: tool bar, editor, range row, status bar, main and pop-up menus.
#include <QAction>
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>

#include "app/StatusBar.h"
#include "app/ToolImages.h"
#include "app/Unmein.h"
#include "view/FindBar.h"
#include "app/Widgets.h"
#include "document/editor/EditorControl.h"

namespace {

// The designed client area and the range row under the editor.
constexpr int kClientWidth = 577;
constexpr int kEditorHeight = 300;
constexpr int kRowGap = 5;
constexpr int kLabelGap = 8;
constexpr int kRowHeight = 22;
constexpr int kBottomMargin = 5;

QAction* NewAction(QObject* owner, const char* name, const QString& caption,
                   const QString& hint = {}) {
  auto* action = new QAction(caption, owner);
  action->setObjectName(QString::fromLatin1(name));
  if (!hint.isEmpty()) action->setToolTip(hint);
  return action;
}

QAction* NewToolButton(QToolBar* bar, const char* name, const QString& caption,
                       const QString& hint, int image) {
  QAction* action = NewAction(bar, name, caption, hint);
  action->setIcon(ToolImage(image));
  bar->addAction(action);
  return action;
}

QAction* NewItem(QMenu* menu, const char* name, const QString& caption, int tag = 0) {
  QAction* action = NewAction(menu, name, caption);
  if (tag != 0) action->setData(tag);
  menu->addAction(action);
  return action;
}

// A submenu or top menu; its menu item carries the same name, so that both can be found and
// the item enabled like any other.
QMenu* NewMenu(QWidget* parent, const char* name, const QString& caption) {
  auto* menu = new QMenu(caption, parent);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  return menu;
}

QMenu* NewSubmenu(QMenu* parent, const char* name, const QString& caption) {
  QMenu* menu = NewMenu(parent, name, caption);
  parent->addMenu(menu);
  return menu;
}

QLineEdit* NewField(QWidget* parent, const char* name, QRect geometry) {
  auto* field = NewComponent<QLineEdit>(parent, name, geometry);
  field->setReadOnly(true);
  // A click gives the field the keyboard, where typing changes nothing; without the focus,
  // keystrokes would go on landing unseen in the editor.
  field->setFocusPolicy(Qt::ClickFocus);
  return field;
}

}  // namespace

void TFmmein::ComposeToolBar() {
  ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setIconSize(QSize(20, 20));
  ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
  ToolBar1->setContentsMargins(5, 0, 0, 0);
  addToolBar(Qt::TopToolBarArea, ToolBar1);

  QToolBar* b = ToolBar1;
  Make = NewToolButton(b, "Make", QStringLiteral("新規"), QStringLiteral("新規作成"), 9);
  Fopen = NewToolButton(b, "Fopen", QStringLiteral("開く"), QStringLiteral("文書を開く"), 0);
  Fappend = NewToolButton(b, "Fappend", QStringLiteral("合成"), QStringLiteral("文書合成"), 1);
  Fclose = NewToolButton(b, "Fclose", QStringLiteral("閉じる"), QStringLiteral("文書を閉じる"), 2);
  Fsave = NewToolButton(b, "Fsave", QStringLiteral("保存"), QStringLiteral("文書保存"), 3);
  b->addSeparator();
  Mark = NewToolButton(b, "Mark", QStringLiteral("Mark"), QStringLiteral("マークへジャンプ"), 18);
  Mark->setEnabled(false);
  wardw = NewToolButton(b, "wardw", QStringLiteral("折返し"), QStringLiteral("画面左端で折り返し"), 4);
  wardw->setCheckable(true);
  b->addSeparator();
  Btfontup = NewToolButton(b, "Btfontup", QStringLiteral("拡大"), QStringLiteral("拡大表示"), 6);
  Btfontdown = NewToolButton(b, "Btfontdown", QStringLiteral("縮小"), QStringLiteral("縮小表示"), 7);
  BtFont10 = NewToolButton(b, "BtFont10", QStringLiteral("標準"), QStringLiteral("標準表示に戻す"), 8);
  b->addSeparator();
  BtRet = NewToolButton(b, "BtRet", QStringLiteral("戻す"), QStringLiteral("編集取り消し"), 11);
  Btcut = NewToolButton(b, "Btcut", QStringLiteral("部分削除"), QStringLiteral("部分削除"), 13);
  Btstops = NewToolButton(b, "Btstops", QStringLiteral("処理開始位置指定"), QStringLiteral("処理開始位置指定"), 15);
  Btends = NewToolButton(b, "Btends", QStringLiteral("処理終了位置指定"), QStringLiteral("処理終了位置指定"), 16);
  b->addSeparator();
  tbTagCut = NewToolButton(b, "tbTagCut", QStringLiteral("HTMLタグ除去"), QStringLiteral("HTMLタグ除去"), 19);
  tbTagSpCut = NewToolButton(b, "tbTagSpCut", QStringLiteral("HTMLタグ除去（空白行削除)"),
                             QStringLiteral("HTMLタグ除去（空白行削除)"), 20);
  tbPageText = NewToolButton(b, "tbPageText", QStringLiteral("HTMLをテキストに変換"),
                             QStringLiteral("HTMLをテキストに変換"), 21);
  BtAnsi = NewToolButton(b, "BtAnsi", QStringLiteral("全角を半角に変換"), QStringLiteral("全角を半角に変換"), 17);
  b->addSeparator();
  prgend = NewToolButton(b, "prgend", QStringLiteral("終了"), QStringLiteral("プログラム終了"), 5);
}

void TFmmein::ComposeMainMenu() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  setMenuBar(MainMenu1);

  File1 = NewMenu(MainMenu1, "File1", QStringLiteral("ﾌｧｲﾙ(&F)"));
  New1 = NewItem(File1, "New1", QStringLiteral("新規作成(&N)"));
  File1->addSeparator();
  Open1 = NewItem(File1, "Open1", QStringLiteral("開く(&O)"));
  N1 = NewItem(File1, "N1", QStringLiteral("合成(&A)"));
  Reopen1 = NewSubmenu(File1, "Reopen1", QStringLiteral("文字コードを指定して開き直す(&K)"));
  Recent1 = NewSubmenu(File1, "Recent1", QStringLiteral("最近使ったファイル"));
  const std::pair<const char*, Encodings::TEncoding> reopen[] = {
      {"Shift-JIS", Encodings::TEncoding::Cp932},   {"UTF-8", Encodings::TEncoding::Utf8},
      {"UTF-16LE", Encodings::TEncoding::Utf16Le},  {"UTF-16BE", Encodings::TEncoding::Utf16Be},
      {"EUC-JP", Encodings::TEncoding::EucJp},      {"ISO-2022-JP", Encodings::TEncoding::Iso2022Jp}};
  for (const auto& [caption, encoding] : reopen) {
    QAction* item = NewItem(Reopen1, "", QString::fromLatin1(caption));
    item->setData(static_cast<int>(encoding));
  }
  Close1 = NewItem(File1, "Close1", QStringLiteral("閉じる(&C)"));
  File1->addSeparator();
  S1 = NewItem(File1, "S1", QStringLiteral("保存(S)"));
  N46 = NewItem(File1, "N46", QStringLiteral("範囲保存(&H)"));
  File1->addSeparator();
  N35 = NewItem(File1, "N35", QStringLiteral("ｴｸｽﾌﾟﾛｰﾗ"));
  File1->addSeparator();
  Print1 = NewItem(File1, "Print1", QStringLiteral("印刷(&P)"));
  File1->addSeparator();
  Exit1 = NewItem(File1, "Exit1", QStringLiteral("終了(&E)"));

  Edit1 = NewMenu(MainMenu1, "Edit1", QStringLiteral("編集(&E)"));
  A1 = NewItem(Edit1, "A1", QStringLiteral("編集取り消し(&R)"));
  Edit1->addSeparator();
  N22 = NewItem(Edit1, "N22", QStringLiteral("行頭の空白削除"));
  N23 = NewItem(Edit1, "N23", QStringLiteral("空白行を削除"));
  N24 = NewItem(Edit1, "N24", QStringLiteral("両者を同時実施"));
  Edit1->addSeparator();
  HTML1 = NewSubmenu(Edit1, "HTML1", QStringLiteral("HTMLタグ除去"));
  tagc1 = NewItem(HTML1, "tagc1", QStringLiteral("タグ除去のみ"));
  tagc2 = NewItem(HTML1, "tagc2", QStringLiteral("変換後の空白は除去"));
  PageText1 = NewItem(Edit1, "PageText1", QStringLiteral("HTMLをテキストに変換"));
  KeepLinks1 = NewItem(Edit1, "KeepLinks1", QStringLiteral("リンク先も残す"));
  KeepLinks1->setCheckable(true);
  PageLinks1 = NewItem(Edit1, "PageLinks1", QStringLiteral("リンク先の一覧"));
  Edit1->addSeparator();
  N42 = NewItem(Edit1, "N42", QStringLiteral("指定範囲削除"));
  Edit1->addSeparator();
  N59 = NewItem(Edit1, "N59", QStringLiteral("行頭に文字追加"));
  N66 = NewItem(Edit1, "N66", QStringLiteral("行末に文字追加"));
  Edit1->addSeparator();
  N50 = NewItem(Edit1, "N50", QStringLiteral("指定文字間で改行"));
  HTML2 = NewItem(Edit1, "HTML2", QStringLiteral("HTMLタグで改行"));
  Edit1->addSeparator();
  N73 = NewItem(Edit1, "N73", QStringLiteral("全角を半角に変換"));
  Edit1->addSeparator();
  Find1 = NewItem(Edit1, "Find1", QStringLiteral("検索(&F)"));
  FindNext1 = NewItem(Edit1, "FindNext1", QStringLiteral("次を検索"));
  FindPrev1 = NewItem(Edit1, "FindPrev1", QStringLiteral("前を検索"));
  Find1->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
  FindNext1->setShortcut(QKeySequence(QStringLiteral("F3")));
  FindPrev1->setShortcut(QKeySequence(QStringLiteral("Shift+F3")));

  Show1 = NewMenu(MainMenu1, "Show1", QStringLiteral("表示(&V)"));
  N7 = NewSubmenu(Show1, "N7", QStringLiteral("拡大表示"));
  N10 = NewItem(N7, "N10", QStringLiteral("拡大"));
  N11 = NewSubmenu(N7, "N11", QStringLiteral("指定拡大"));
  N15 = NewItem(N11, "N15", QStringLiteral("２倍 12P"), 4);
  N16 = NewItem(N11, "N16", QStringLiteral("３倍 14P"), 5);
  N17 = NewItem(N11, "N17", QStringLiteral("４倍 16P"), 6);
  N18 = NewItem(N11, "N18", QStringLiteral("５倍 18P"), 7);
  N19 = NewItem(N11, "N19", QStringLiteral("６倍 20P"), 8);
  N20 = NewItem(N11, "N20", QStringLiteral("７倍 22P"), 9);
  N21 = NewItem(N11, "N21", QStringLiteral("８倍 24P"), 10);
  N14 = NewItem(N7, "N14", QStringLiteral("最大表示"), 3);
  N8 = NewSubmenu(Show1, "N8", QStringLiteral("縮小表示"));
  N12 = NewItem(N8, "N12", QStringLiteral("縮小"));
  N13 = NewItem(N8, "N13", QStringLiteral("最小表示"), 2);
  Font1 = NewSubmenu(Show1, "Font1", QStringLiteral("フォント"));
  N26 = NewItem(Font1, "N26", QStringLiteral("ＭＳゴシック"));
  N27 = NewItem(Font1, "N27", QStringLiteral("ＭＳ明朝"));
  Show1->addSeparator();
  N9 = NewItem(Show1, "N9", QStringLiteral("全て標準に戻す"), 1);
  Show1->addSeparator();
  N3 = NewItem(Show1, "N3", QStringLiteral("右端で折り返す"));
  N3->setCheckable(true);

  N52 = NewMenu(MainMenu1, "N52", QStringLiteral("ｼﾞｬﾝﾌﾟ(&J)"));
  N57 = NewItem(N52, "N57", QStringLiteral("任意行"));
  N52->addSeparator();
  N53 = NewItem(N52, "N53", QStringLiteral("文頭"));
  N54 = NewItem(N52, "N54", QStringLiteral("文末"));
  N55 = NewItem(N52, "N55", QStringLiteral("範囲先頭"));
  N56 = NewItem(N52, "N56", QStringLiteral("範囲末"));
  N52->addSeparator();
  JumpMark1 = NewItem(N52, "JumpMark1", QStringLiteral("JumpMark処理"));
  JumpMark1->setEnabled(false);

  Replace1 = NewMenu(MainMenu1, "Replace1", QStringLiteral("置換(&R)"));
  R1 = NewItem(Replace1, "R1", QStringLiteral("一般的な置換"), 11);
  r2 = NewItem(Replace1, "r2", QStringLiteral("文字より前を置換"), 12);
  r3 = NewItem(Replace1, "r3", QStringLiteral("文字より後ろを置換"), 13);
  Replace1->addSeparator();
  r4 = NewItem(Replace1, "r4", QStringLiteral("文字間を置換"), 14);

  Delete1 = NewMenu(MainMenu1, "Delete1", QStringLiteral("削除(&D)"));
  d1 = NewItem(Delete1, "d1", QStringLiteral("一般的な削除"), 21);
  d2 = NewItem(Delete1, "d2", QStringLiteral("文字より前を削除"), 22);
  d3 = NewItem(Delete1, "d3", QStringLiteral("文字より後ろを削除"), 23);
  Delete1->addSeparator();
  d4 = NewItem(Delete1, "d4", QStringLiteral("文字間を削除"), 24);
  Delete1->addSeparator();
  N61 = NewSubmenu(Delete1, "N61", QStringLiteral("行削除"));
  N63 = NewItem(N61, "N63", QStringLiteral("指定文字を含まない行を削除"));
  N62 = NewItem(N61, "N62", QStringLiteral("指定文字を含む行を削除"));

  Option1 = NewMenu(MainMenu1, "Option1", QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
  URL1 = NewSubmenu(Option1, "URL1", QStringLiteral("URL読み込みモード"));
  N48 = NewItem(URL1, "N48", QStringLiteral("ファイル名を使う"));
  N48->setCheckable(true);

  Recipe1 = NewMenu(MainMenu1, "Recipe1", QStringLiteral("レシピ(&C)"));
  RecStart1 = NewItem(Recipe1, "RecStart1", QStringLiteral("記録開始"));
  RecStop1 = NewItem(Recipe1, "RecStop1", QStringLiteral("記録終了"));
  RecSave1 = NewItem(Recipe1, "RecSave1", QStringLiteral("レシピを保存..."));
  RecRun1 = NewItem(Recipe1, "RecRun1", QStringLiteral("レシピを実行..."));
  RecentRecipes1 = NewSubmenu(Recipe1, "RecentRecipes1", QStringLiteral("最近使ったレシピ"));
  Recipe1->addSeparator();
  DropRecipe1 = NewItem(Recipe1, "DropRecipe1", QStringLiteral("ドロップ時にレシピを実行"));
  DropRecipe1->setCheckable(true);
  RecStop1->setEnabled(false);
  RecSave1->setEnabled(false);

  Help1 = NewMenu(MainMenu1, "Help1", QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  Help2 = NewItem(Help1, "Help2", QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  About1 = NewItem(Help1, "About1", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

  for (QMenu* menu : {File1, Edit1, Show1, N52, Replace1, Delete1, Option1, Help1}) {
    MainMenu1->addMenu(menu);
  }
  // The usual keys, shown in the menus. Ctrl+Z stays the editor's own undo of typing.
  New1->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
  Open1->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
  S1->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
  Print1->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
  Exit1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
  for (QAction* item : {A1, N46, N42}) item->setEnabled(false);
}

void TFmmein::ComposePopupMenu() {
  popMn = NewMenu(this, "popMn", QString());
  JumpMark2 = NewItem(popMn, "JumpMark2", QStringLiteral("JumpMark登録"));
  popMn->addSeparator();
  pop1 = NewItem(popMn, "pop1", QStringLiteral("元に戻す"));
  Redo1 = NewItem(popMn, "Redo1", QStringLiteral("やり直し"));
  // Shown beside the items; the editor itself takes these keys.
  pop1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
  Redo1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Y")));
  Redo1->setEnabled(false);
  popMn->addSeparator();
  N67 = NewItem(popMn, "N67", QStringLiteral("全て選択"));
  popMn->addSeparator();
  pop2 = NewItem(popMn, "pop2", QStringLiteral("切り取り"));
  pop3 = NewItem(popMn, "pop3", QStringLiteral("コピー"));
  pop4 = NewItem(popMn, "pop4", QStringLiteral("張り付け"));
  popMn->addSeparator();
  N38 = NewSubmenu(popMn, "N38", QStringLiteral("置換・削除設定"));
  N34 = NewItem(N38, "N34", QStringLiteral("メモ欄にコピー"), 104);
  N38->addSeparator();
  N29 = NewItem(N38, "N29", QStringLiteral("第１欄にコピー"), 101);
  N30 = NewItem(N38, "N30", QStringLiteral("第２欄にコピー"), 102);
  N32 = NewItem(N38, "N32", QStringLiteral("第３欄にコピー"), 103);
  N39 = NewSubmenu(popMn, "N39", QStringLiteral("変換範囲設定"));
  stpos = NewItem(N39, "stpos", QStringLiteral("開始位置"));
  edpos = NewItem(N39, "edpos", QStringLiteral("終了位置"));
  popMn->addSeparator();
  N49 = NewItem(popMn, "N49", QStringLiteral("指定範囲削除"));
  N49->setEnabled(false);
}

void TFmmein::ComposeClientArea() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);

  Btext = new TEditorControl(client);
  FindBar = new TFindBar(client);
  FindBar->hide();
  Btext->setObjectName(QStringLiteral("Btext"));
  Btext->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 10));
  Btext->setGeometry(0, 0, kClientWidth, kEditorHeight);
  Btext->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Btext, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popMn->popup(Btext->viewport()->mapToGlobal(at)); });

  const int bottom = kEditorHeight;
  const int row = bottom + kRowGap;
  const int labels = bottom + kLabelGap;
  Label1 = NewLabel(client, "Label1", QStringLiteral("変換範囲"), QRect(6, labels, 52, 16));
  ed1 = NewField(client, "ed1", QRect(60, row, 110, kRowHeight));
  ed2 = NewField(client, "ed2", QRect(174, row, 110, kRowHeight));
  Button1 = new QPushButton(QStringLiteral("範囲解除"), client);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(288, row, 66, kRowHeight);
  Label2 = NewLabel(client, "Label2", QStringLiteral("行数"), QRect(362, labels, 28, 16));
  ed3 = NewField(client, "ed3", QRect(392, row, 64, kRowHeight));
  Edit2 = NewField(client, "Edit2", QRect(462, row, 112, kRowHeight));
  QPalette caretColours = Edit2->palette();
  caretColours.setColor(QPalette::Base, Qt::blue);
  caretColours.setColor(QPalette::Text, Qt::white);
  Edit2->setPalette(caretColours);
  client->resize(kClientWidth, row + kRowHeight + kBottomMargin);
  client->installEventFilter(this);
  // A line number typed into a bound field sets that bound.
  for (QLineEdit* bound : {ed1, ed2}) {
    bound->installEventFilter(this);
    bound->setToolTip(QStringLiteral("行番号を入力して Enter で設定"));
  }

  // The fourth panel, beside the three of old, shows the document's encoding.
  Bar = new TStatusBar({300, 160, 50, 90}, this);
  Bar->setObjectName(QStringLiteral("Bar"));
  setStatusBar(Bar);
}
