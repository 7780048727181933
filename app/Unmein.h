// TFmmein, the main window: its components under their designer names, the document's state,
// and the declarations of its handlers, grouped by the family (and file) that defines them.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QStringList>

#include <array>
#include <initializer_list>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/FileDialog.h"
#include "convert/ConversionRoad.h"
#include "document/DocumentText.h"
#include "document/Encodings.h"
#include "document/ForeignChars.h"
#include "document/LightStr.h"
#include "document/Recovery.h"
#include "document/editor/TextBuffer.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolBar;
class TEditorControl;
class TStatusBar;
class TDropDst;
class TFindBar;
class TSliceWork;

// The save dialogs' 文字コード choices, in their order.
[[nodiscard]] QStringList SaveFormatNames();

class TFmmein : public QMainWindow {
  Q_OBJECT
 public:
  // Builds the window and runs its start-up (FormCreate). `commandLine` holds the program's
  // arguments without the program's own name; the first one is opened as the document.
  explicit TFmmein(const QStringList& commandLine = {}, QWidget* parent = nullptr);
  ~TFmmein() override;

  // ---- components (app/UnmeinCompose.cpp) ----
  QToolBar* ToolBar1 = nullptr;
  QAction *Make, *Fopen, *Fappend, *Fclose, *Fsave, *Mark, *wardw, *Btfontup, *Btfontdown,
      *BtFont10, *BtRet, *Btcut, *Btstops, *Btends, *tbTagCut, *tbTagSpCut, *BtAnsi, *prgend;
  // HTMLをテキストに変換, beside the tag commands: the button, the menu item, its option and the
  // address list.
  QAction *tbPageText = nullptr, *PageText1 = nullptr, *KeepLinks1 = nullptr, *PageLinks1 = nullptr;
  TEditorControl* Btext = nullptr;
  QLabel *Label1, *Label2;
  QLineEdit *ed1, *ed2, *ed3, *Edit2;
  QPushButton* Button1 = nullptr;
  TStatusBar* Bar = nullptr;
  QMenuBar* MainMenu1 = nullptr;
  QMenu *File1, *Edit1, *Show1, *N52, *Replace1, *Delete1, *Option1, *Help1;
  QAction *New1, *Open1, *N1, *Close1, *S1, *N46, *N35, *Print1, *Exit1;
  QAction *A1, *N22, *N23, *N24, *tagc1, *tagc2, *N42, *N59, *N66, *N50, *HTML2, *N73;
  QMenu *HTML1, *N7, *N11, *N8, *Font1;
  QAction *N10, *N15, *N16, *N17, *N18, *N19, *N20, *N21, *N14, *N12, *N13, *N26, *N27, *N9,
      *N3;
  QAction *N57, *N53, *N54, *N55, *N56, *JumpMark1;
  QAction *R1, *r2, *r3, *r4, *d1, *d2, *d3, *d4, *N63, *N62;
  QMenu *N61, *URL1;
  QMenu* Reopen1 = nullptr;
  QAction *N48, *Help2, *About1;
  QMenu* popMn = nullptr;
  QAction *JumpMark2, *pop1, *Redo1, *N67, *pop2, *pop3, *pop4, *N34, *N29, *N30, *N32, *stpos, *edpos,
      *N49;
  QMenu *N38, *N39;
  TFileDialog Fileop;
  TFileDialog Filesv;

  // ---- document state ----
  // The characters the document holds that CP932 lacks, and the format a Save proposes: the
  // format of the file opened, Shift-JIS for a new document.
  TForeignChars Foreign;
  Encodings::TFormat DocumentFormat;
  QString DocumentFile;  // the file the document was opened from; empty for a new one
  bool HasDocument = false;
  bool Appended = false;
  bool WrapOn = false;
  std::unique_ptr<TLightStrings> WorkList;
  std::unique_ptr<TLightStrings> UndoList;
  std::int64_t RangeCaretPos = 0;
  QString UndoFileName;
  std::int32_t UndoFilterIndex = 0;
  std::array<std::int32_t, 5> MarkLines{};
  std::int32_t LastMarkSlot = -1;
  int BottomGap = 0, LabelGap = 0, RowGap = 0;

  // ---- start-up (app/UnmeinStartup.cpp) ----
  void FormCreate(const QStringList& commandLine);
  void FormDestroy();
  void OpenCommandLineFile(const QString& Argument);
  // The encoding panel: the document's format, or what the last load converted from.
  void ShowEncoding(const DocumentLoad::TConversionNotices& Conversions = {});
  // The save dialog's 文字コード choice proposes the document's format; false when the user
  // cancels, or declines to write characters the chosen format cannot hold as references.
  bool ChooseSaveFile(std::optional<std::string_view> Bytes, Encodings::TFormat& Format);
  // Offers back the old content of files whose save an earlier run did not finish.
  void OfferInterruptedSaves();
  // Top-left corners of the loading/lifecycle boxes and of the range boxes.
  [[nodiscard]] QPoint PromptPoint() const;
  [[nodiscard]] QPoint MessagePoint() const;
  // 1: the hourglass; 2: the normal cursor; any other value does nothing.
  void mousechenge(int kind);

  // ---- loading and merging (document/UnmeinLoad.cpp) ----
  void FopenClick(QObject* Sender);      // 開く
  void FappendClick(QObject* Sender);    // 合成
  void DropDst1FileDrop(QObject* Sender, const QStringList& Files, QPoint At);
  // Opens a file in its own encoding, or in From.
  void OpenDocument(const QString& FileName,
                    std::optional<Encodings::TEncoding> From = std::nullopt);
  // 文字コードを指定して開き直す: the document's file again, in the encoding the item names.
  void ReopenClick(QObject* Sender);
  void AppendDocument(const QString& FileName);
  void MergeFileList(const QStringList& Files);
  void AfterLoad(const QString& FileName, int Kind);
  void ShowDocumentName(const QString& FileName);
  void BringToFront();

  // ---- lifecycle (document/UnmeinDocument.cpp) ----
  void New1Click(QObject* Sender);       // 新規作成
  void FsaveClick(QObject* Sender);      // 保存
  void FcloseClick(QObject* Sender);     // 閉じる
  void prgendClick(QObject* Sender);     // 終了
  [[nodiscard]] bool ConfirmDiscard(int Kind);
  void SetDocumentCommands(bool On);
  void SetOpenCommands(bool On);

  // ---- conversion range and undo (convert/UnmeinRange.cpp) ----
  void ResetRange();
  void stposClick(QObject* Sender);      // 開始位置 / 終了位置
  // Sets the start (or end) bound to line (0-based) as the caret commands do, with their
  // messages; caret is where a range deletion leaves the caret.
  void SetBound(bool Start, std::int32_t Line, std::int64_t Caret);
  // A line number typed into ed1 or ed2: digits start the typing, Enter sets that bound,
  // Escape or leaving the field gives its text back.
  bool TypedBoundEvent(QLineEdit* Field, QEvent* Event);
  void ApplyTypedBound(QLineEdit* Field);
  void EndTypedBound(QLineEdit* Field);
  // The lines of a user-set range, tinted in the editor.
  void ShowRangeInEditor();
  void Button1Click(QObject* Sender);    // 範囲解除
  void N46Click(QObject* Sender);        // 範囲保存 / 指定範囲削除
  void SaveRange();
  void DeleteRange();
  void A1Click(QObject* Sender);         // 編集取り消し
  // What undoing a command restores beside the text: the file name and type of that moment.
  struct TCommandNote {
    QString FileName;
    std::int32_t FilterIndex = 0;
  };
  // A command's step of the history undone or redone (by any of its keys or items).
  void AfterHistoryStep(const TTextBuffer::TStepDone& Step, bool Undone);
  // 編集取り消し, its tool button, 元に戻す and やり直し as the history allows.
  void UpdateUndoCommands();
  void Redo1Click(QObject* Sender);      // やり直し
  // How a command goes down the conversion road.
  struct TRoadOptions {
    bool Busy = true;                 // hourglass and suspended painting while it runs
    bool ResetRangeAfter = true;      // the range becomes the whole document afterwards
    bool ResetRangeOnFailure = true;  // ... even when the command failed
    std::optional<std::int64_t> CaretAfter = 0;  // where the caret goes; nothing: it stays
    // Lines the command adds after the range's last line (what a rule still held).
    ConversionRoad::RangeTail AfterLastLine = {};
    // The command as a recipe line (UTF-8), kept while a recipe is being recorded.
    std::string Recipe;
    // A command that only keeps or drops lines says so here (the rule is then not used):
    // the kept lines are copied in runs.
    ConversionRoad::LineFilter Keep = {};
  };
  // The common road of every range command: undo copy, lines before the range, the rule's
  // lines for each range line, lines after, one replacement of the editor's text, range reset.
  void ConvertRange(const ConversionRoad::LineRule& Rule, const TRoadOptions& Options);

  // The line-count rule on every text change: the count display and the range end follow the
  // document; a start left past the new end returns to the first line.
  void ApplyLineCountRule();

  // ---- line edges (convert/UnmeinEdges.cpp) ----
  void N22Click(QObject* Sender);        // 行頭の空白削除 / 空白行を削除 / 両者を同時実施
  void TrimRangeLines(int Mode);
  void N59Click(QObject* Sender);        // 行頭に文字追加 / 行末に文字追加
  void AddToLines(QObject* Sender);

  // ---- HTML tags (convert/UnmeinTags.cpp) ----
  void HTML1Click(QObject* Sender);      // タグ除去のみ / 変換後の空白は除去
  void HTML2Click(QObject* Sender);      // HTMLタグで改行
  // HTMLをテキストに変換 (tool button, menu) and リンク先の一覧; リンク先も残す is its option.
  void PageTextClick(QObject* Sender);

  // ---- full width to half width (convert/UnmeinWidth.cpp) ----
  void N73Click(QObject* Sender);        // 全角を半角に変換

  // ---- replace and delete (replace/UnmeinReplace.cpp) ----
  void R1Click(QObject* Sender);         // 置換 / 削除: kinds 11–14, 21–24 by the item's Tag
  void N50Click(QObject* Sender);        // 指定文字間で改行
  void N62Click(QObject* Sender);        // 指定文字を含む行を削除 / 含まない行を削除
  void c29Click(QObject* Sender);        // the selection into a field or the memo clip
  // Sets the replace dialog up for a kind (heading, labels, fields in use) and shows it.
  void ConfigureReplaceDialog(int Kind);

  // ---- view (view/UnmeinView.cpp) ----
  void BtextChange(QObject* Sender);
  // The title: the document's file name, "*" while it has unsaved changes, and the program.
  void UpdateTitle();
  QString savedName_;  // the file the document was last saved as, since it was loaded
  void wardwClick(QObject* Sender);      // 右端で折り返す
  void SetWrap(bool On);
  void BtfontupClick(QObject* Sender);   // 拡大 / 縮小, one step
  void SiteiupClick(QObject* Sender);    // 標準, 最小, 最大 and the chosen sizes, by Tag
  void SetViewSize(int Points);
  void N26Click(QObject* Sender);        // ＭＳゴシック / ＭＳ明朝
  // Edit2 := "行 : L / 列 : C" of the selection's left end (on mouse move and key release).
  void ShowCaretPosition();
  void FormResize();
  void KeepLayoutVisible();

  // ---- pop-up editing, printing, folder, help, version (view/UnmeinTools.cpp) ----
  void pop1Click(QObject* Sender);       // 元に戻す
  void pop2Click(QObject* Sender);       // 切り取り
  void pop3Click(QObject* Sender);       // コピー
  void pop4Click(QObject* Sender);       // 張り付け
  void N67Click(QObject* Sender);        // 全て選択
  void Print1Click(QObject* Sender);     // 印刷
  void N35Click(QObject* Sender);        // ｴｸｽﾌﾟﾛｰﾗ
  void Help2Click(QObject* Sender);      // ﾍﾙﾌﾟ
  void About1Click(QObject* Sender);     // ﾊﾞｰｼﾞｮﾝ情報

  // ---- jump (view/UnmeinJump.cpp) ----
  void N53Click(QObject* Sender);        // 任意行 / 文頭 / 文末 / 範囲先頭 / 範囲末

  // ---- marks (view/UnmeinMarks.cpp) ----
  void ClearMarks();
  void MarkClick(QObject* Sender);       // JumpMark登録
  void JumpMark1Click(QObject* Sender);  // JumpMark処理 / Mark

  // ---- recipes in the window (convert/UnmeinRecipe.cpp) ----
  QMenu* Recipe1 = nullptr;  // レシピ
  QAction *RecStart1 = nullptr, *RecStop1 = nullptr, *RecSave1 = nullptr, *RecRun1 = nullptr,
          *DropRecipe1 = nullptr;
  QMenu* RecentRecipes1 = nullptr;
  std::optional<std::vector<std::string>> Recording;  // the lines recorded since 記録開始
  bool recordingOn_ = false;
  QString DropRecipe;  // the recipe ドロップ時にレシピを実行 runs
  static constexpr std::size_t kRecentRecipes = 5;
  void RecStart1Click(QObject* Sender);   // 記録開始 / 記録終了
  void RecSave1Click(QObject* Sender);    // レシピを保存...
  void RecRun1Click(QObject* Sender);     // レシピを実行...
  void DropRecipe1Click(QObject* Sender); // ドロップ時にレシピを実行
  // A command that ran, as recipe lines: its range (when the user set one) and itself.
  void RecordCommand(const std::string& RangeLine, const std::string& Line);
  [[nodiscard]] std::string RangeRecipeLine() const;
  // Runs a recipe file on the document as one undo step; on any failure the document stays
  // as it was and the recipe's message (file and line) is shown.
  void RunRecipeFile(const QString& FileName);
  void FillRecentRecipes();
  [[nodiscard]] static QString RecentRecipesPath();
  [[nodiscard]] static QString DropRecipePath();

  // ---- crash recovery (document/UnmeinRecovery.cpp) ----
  std::unique_ptr<Recovery::TWriter> RecoveryWriter;
  [[nodiscard]] static QString RecoveryFolder();
  void StartRecovery();
  // A change of the text: a whole new text (or the first change since the document was
  // saved) is snapshotted once the event is done, an edit goes into the journal.
  void NoteChange(const TTextBuffer::TChange& Change);
  void TakeSnapshot();
  // Copies the text for the snapshot a slice at a time, so the user interface never waits for
  // a whole 100 MB copy; a change of the text starts the copy again.
  void CopySnapshotSlice();
  // Saved, closed or ended normally: the record goes.
  void DiscardRecovery();
  // Offers the documents of runs that did not end normally, one after the other.
  void OfferRecovery();
  // Lets go of the record as a crash would (for tests).
  void AbandonRecoveryForTest();
  bool snapshotTaken_ = false;
  bool snapshotPending_ = false;
  bool snapshotting_ = false;  // a copy for the snapshot is under way
  std::shared_ptr<std::string> snapshotCopy_;
  std::uint64_t snapshotRevision_ = 0;
  bool recoveryFailureTold_ = false;

  // ---- recently used documents (document/UnmeinRecent.cpp) ----
  QMenu* Recent1 = nullptr;  // 最近使ったファイル
  static constexpr std::size_t kRecentFiles = 10;
  // The file that keeps the list, beside the histories.
  [[nodiscard]] static QString RecentPath();
  // Puts a document opened or saved at the top of the list (kept in its file).
  void RememberRecent(const QString& FileName);
  // Fills the submenu from the list; an item opens its document (the current one is closed
  // first, asking as Close does).
  void FillRecentMenu();
  void OpenRecent(const QString& FileName);

  // ---- find (view/UnmeinFind.cpp) ----
  QAction *Find1 = nullptr, *FindNext1 = nullptr, *FindPrev1 = nullptr;
  TFindBar* FindBar = nullptr;
  TSliceWork* FindWork = nullptr;
  std::int64_t FindTotal = 0;  // matches counted so far
  void Find1Click(QObject* Sender);      // 検索 (Ctrl+F)
  void FindNext1Click(QObject* Sender);  // 次を検索 (F3), 前を検索 (Shift+F3)
  // Selects the next (or previous) match in the document or the range, going round at its end.
  void FindMove(bool Backwards);
  void CloseFindBar();
  // The find bar's marks in the editor again (after the replace dialog's), or none.
  void RestoreFindMarks();
  // Counts the matches again and marks them in the editor (after a keystroke, a change of the
  // text or of the range).
  void CountMatches();
  // The text looked for as the document's bytes; empty when there is none.
  [[nodiscard]] std::string FindBytes() const;
  // The bytes the find and the preview look at: the range's lines when the user set one.
  [[nodiscard]] std::pair<std::int64_t, std::int64_t> SearchedBytes() const;

  // ---- file drops on the editor (document/UnmeinLoad.cpp: DropDst1FileDrop) ----
  TDropDst* DropDst1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // app/UnmeinCompose.cpp
  void ComposeToolBar();
  void ComposeMainMenu();
  void ComposePopupMenu();
  void ComposeClientArea();
  // Wiring, one family each, in the file of the family.
  void WireDocumentCommands();
  void WireLoadCommands();
  void WireRangeCommands();
  void WireViewCommands();
  void WireToolCommands();
  void WireEdgeCommands();
  void WireTagCommands();
  void WireWidthCommands();
  void WireReplaceCommands();
  // Jump and marks (view/UnmeinJump.cpp, view/UnmeinMarks.cpp).
  void WireJumpCommands();
  void WireMarkCommands();
  void WireFindCommands();
  void WireRecipeCommands();
  [[nodiscard]] std::int64_t EndOfTextOffset() const;
  // The jump dialog's line as an offset; nothing when no line was chosen. Throws for a
  // document without lines and for a request that is not an integer.
  [[nodiscard]] std::optional<std::int64_t> ChosenLineOffset();
  // Runs a handler, showing what it raises in an error box.
  template <class Handler>
  void Run(Handler&& handler);
  // Connects each item's click to a handler that receives the item as its sender.
  void Wire(std::initializer_list<QAction*> items, void (TFmmein::*handler)(QObject*));
  // Loading helpers (document/UnmeinLoad.cpp): a file under the names a load uses, and a load
  // with the window's option and its message box for a lost HTML file.
  [[nodiscard]] DocumentLoad::TSource LoadSource(const QString& FileName) const;
  [[nodiscard]] DocumentLoad::TLoader Loader(std::optional<Encodings::TEncoding> From = std::nullopt);
  // The guard before Exit (kind 1) and Close (kind 2): false when the user keeps the document.
  bool PassUnsavedGuard(int Kind);
  // A range field in silver (the bound is at its default) or aqua (the user has set it).
  static void SetBoundColor(QLineEdit* Field, bool SetByUser);
  // The range-dependent commands follow whether the user has set a bound.
  void SetRangeCommands(bool On);
  [[nodiscard]] bool BoundSetByUser() const;

  void ShowCutNotices(const DocumentLoad::TCutNotices& Notices);
  void ShowRangeMessage(const QString& Text, TMessageKind Kind = TMessageKind::Information);

  class TLoadScope;
  int busyDepth_ = 0;
  bool exitConfirmed_ = false;
  QString startupFailure_;  // told once the window is shown
  QStringList startupDrop_;  // several files named at start, merged once the window is shown
  bool shownOnce_ = false;

  friend class TBusyCursor;
};

// The hourglass for a scope (mousechenge 1, then 2 on every path); nested scopes keep it until
// the outermost ends.
class TBusyCursor {
 public:
  explicit TBusyCursor(TFmmein& form);
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TFmmein& form_;
};

#include "app/FailureReport.h"

template <class Handler>
void TFmmein::Run(Handler&& handler) {
  Guarded(this, std::forward<Handler>(handler));
}
