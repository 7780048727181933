// The editor control Btext: the document lives here between commands, as CP932 bytes (a gap
// buffer with an index of line starts). Only the visible part of the visible lines is decoded
// and painted, so a 100 MB document or a 50 MB line costs what a short one costs. Lines are the
// document's logical lines, also while word wrap is on; text crosses this boundary as CP932
// bytes with CR LF between lines; offsets are byte offsets, always on a character boundary.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QInputMethodEvent>

#include <any>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/Encodings.h"
#include "document/editor/TextBuffer.h"

class QMimeData;
class QPrinter;

class TEditorControl : public QAbstractScrollArea {
  Q_OBJECT
 public:
  using TOffset = TTextBuffer::TOffset;

  explicit TEditorControl(QWidget* parent = nullptr);
  ~TEditorControl() override;

  // The whole text, lines joined by CR LF (a final empty line gives a final CR LF).
  [[nodiscard]] std::string Text() const;
  // Replaces everything; CR LF, CR and LF each make a line break and the text ends at its first
  // NUL byte. The document counts as modified afterwards. The rvalue form takes the bytes'
  // storage.
  void SetText(std::string_view bytes);
  void SetText(std::string&& bytes);
  void SetText(const char* bytes) { SetText(std::string_view(bytes)); }
  // Empties the editor; the modified flag stays as it was.
  void ClearText();

  // Lines of the document: a final line break adds no line; an empty editor has 0 lines.
  [[nodiscard]] std::int32_t LineCount() const;
  // Line i without its break; "" for a line past the last.
  [[nodiscard]] std::string Line(std::int32_t i) const;
  // Puts text after the last line with one more line break: at the end followed by CR LF when
  // the document is empty or ends with a line break, otherwise after a CR LF. Text ends at its
  // first NUL. The document counts as modified afterwards.
  void AppendLines(std::string_view bytes);

  // The update bracket: painting is suspended from the outermost begin to the outermost end,
  // and change notices wait until that end, which sends one.
  void BeginUpdate();
  void EndUpdate();

  // The caret: the left end of the selection. Setting it clamps it to the text, moves it off
  // the second byte of a character and scrolls it into view.
  [[nodiscard]] TOffset SelStart() const;
  void SetSelStart(TOffset offset);
  // The 0-based line holding an offset (the last line for an offset past the end).
  [[nodiscard]] std::int32_t LineFromChar(TOffset offset) const;
  // The offset of a line's first byte; −1 asks for the caret's line; −1 past the last.
  [[nodiscard]] TOffset LineIndex(std::int32_t line) const;
  [[nodiscard]] TOffset TextLength() const;
  // Characters before an offset on its line (a double-byte character counts one).
  [[nodiscard]] std::int64_t CharactersBefore(TOffset offset) const;
  // The selected text as shown ("" when nothing is selected), lines split by '\n'.
  [[nodiscard]] QString SelectedText() const;
  // The pop-up editing calls, as the user's keys do them: the clipboard's text at the caret;
  // the selection to the clipboard (cut removes it); everything selected.
  void Paste();
  void Cut();
  void Copy();
  void SelectAll();

  // One undo history for typing, merged text and whole replacements (TTextBuffer's). ReplaceAll
  // puts a command's result in as one step that keeps the old text and the caller's note; it
  // returns false when the old text alone was over the history's budget and was not kept.
  // Undo and Redo (also Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z) say what they did with HistoryStep.
  // SetText and ClearText begin a new history.
  using TStepDone = TTextBuffer::TStepDone;
  bool ReplaceAll(std::string&& bytes, std::any note);
  std::optional<TStepDone> Undo();
  std::optional<TStepDone> Redo();
  [[nodiscard]] bool CanUndo() const noexcept { return buffer_.CanUndo(); }
  [[nodiscard]] bool CanRedo() const noexcept { return buffer_.CanRedo(); }
  [[nodiscard]] bool CanUndoWhole() const noexcept { return buffer_.CanUndoWhole(); }
  void SetHistoryBudget(std::size_t bytes) { buffer_.SetHistoryBudget(bytes); }
  // Told of every change of the text as it is made (for the crash-recovery record).
  void SetChangeObserver(TTextBuffer::TObserver observer) { buffer_.SetObserver(std::move(observer)); }
  [[nodiscard]] std::size_t HistoryBytes() const noexcept { return buffer_.HistoryBytes(); }
  // The selection's ends as offsets (equal when nothing is selected); the anchor is where the
  // selection began, so a selection made right to left has anchor > caret.
  void SetSelection(TOffset anchor, TOffset caret);
  [[nodiscard]] TOffset SelEnd() const;

  // The face and size of the whole text; the size in points. A face that does not put every
  // character in whole cells is not taken (the face stays as it was).
  [[nodiscard]] QString FontFace() const;
  void SetFontFace(const QString& face);
  [[nodiscard]] int FontSize() const;
  void SetFontSize(int points);
  // Whether the face puts every character in whole cells (a full-width character in two).
  [[nodiscard]] bool FontIsFixedPitch() const;

  // Prints the whole text on the printer with the current font, page after page inside
  // margins of at least 15 mm, long lines wrapped; title at the top of every page and
  // "page / pages" at the bottom. Throws EKorvaneError when the printer cannot be started.
  void Print(QPrinter& printer, const QString& title) const;

  [[nodiscard]] bool Modified() const;
  void SetModified(bool modified);
  [[nodiscard]] bool WordWrap() const;
  void SetWordWrap(bool on);
  [[nodiscard]] QColor Color() const;
  void SetColor(const QColor& color);

  // Writes the whole text as the file's content, in format (characters it cannot hold as
  // numeric references); the old file stays until the new one is complete. Throws
  // EFCreateError or EInOutError.
  void SaveToFile(const QString& fileName, Encodings::TFormat format = {});
  // The characters of the text that format cannot hold.
  [[nodiscard]] Encodings::TUnwritable Unwritable(Encodings::TFormat format);

  // Marks every place the strings are found in the lines shown, as the commands find them
  // (TextSearch: on character boundaries, a–z folded unless matchCase); no strings, no marks.
  void SetSearchMarks(std::vector<std::string> marks, bool matchCase);
  // Tints the lines first..last (0-based; a user-set range); first < 0 tints none.
  void SetRangeTint(std::int64_t first, std::int64_t last);
  [[nodiscard]] std::pair<std::int64_t, std::int64_t> RangeTint() const { return {tintFirst_, tintLast_}; }
  // The next match of mark at or after from, or the last one that starts before it; −1 when
  // there is none.
  [[nodiscard]] TOffset FindNext(std::string_view mark, bool matchCase, TOffset from);
  [[nodiscard]] TOffset FindPrevious(std::string_view mark, bool matchCase, TOffset before);
  // The whole text in one piece, for work in slices between events: valid while Revision()
  // stays the same.
  [[nodiscard]] std::string_view ContiguousText() { return buffer_.Contiguous(); }
  [[nodiscard]] std::uint64_t Revision() const noexcept { return revision_; }

  // The document's table of characters CP932 lacks (TForeignChars): they are drawn, copied out,
  // typed and pasted as themselves. Without one such characters are refused as they are typed.
  void SetForeignChars(TForeignChars* foreign);

  // The first shown line and the caret's place on the viewport (for the input method, the
  // accessibility interface and tests).
  [[nodiscard]] std::int64_t TopLine() const { return topLine_; }
  [[nodiscard]] QRect CaretRect() const;
  [[nodiscard]] const TTextBuffer& Buffer() const { return buffer_; }

  // Copy and paste inside the program keep the bytes exactly, under this MIME type.
  static constexpr const char* kBytesMimeType = "application/x-korvane-cp932";

 signals:
  // The text changed (typing, pasting, a replacement of the whole text).
  void Changed();
  // A step of the history was undone (undone) or redone, by a key or a call.
  void HistoryStep(const TEditorControl::TStepDone& step, bool undone);
  // The mouse moved over the text; a key was released in the editor.
  void MouseMoved();
  void KeyReleased();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  bool viewportEvent(QEvent* event) override;
  bool event(QEvent* event) override;

  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  [[nodiscard]] QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 private:
  friend class TEditorAccessible;
  struct TRowSpan {
    std::int64_t Line = 0;
    TOffset From = 0;  // first byte of the row
    TOffset To = 0;    // after its last byte (before the CR LF on a line's last row)
  };

  // Geometry (EditorPaint.cpp).
  void UpdateMetrics();
  void UpdateScrollBars();
  [[nodiscard]] int VisibleRows() const;
  [[nodiscard]] TOffset WrapCells() const;
  [[nodiscard]] TRowSpan RowAt(std::int64_t line, TOffset rowStart) const;
  [[nodiscard]] bool NextRow(TRowSpan& row) const;
  [[nodiscard]] bool PrevRow(TRowSpan& row) const;
  [[nodiscard]] TRowSpan TopRow() const;
  void SetTop(const TRowSpan& row);
  void ScrollRows(std::int64_t rows);
  [[nodiscard]] TOffset OffsetAt(QPoint viewportPoint) const;
  [[nodiscard]] QPoint PointOf(TOffset offset) const;  // top-left of the offset's cell
  void EnsureCaretVisible();
  void RebuildWrapEstimate();
  void AdjustWrapEstimate(std::int64_t line, std::int64_t rows);
  [[nodiscard]] std::int64_t EstimatedRowsOf(std::int64_t line) const;
  [[nodiscard]] std::int64_t RowNumberOf(const TRowSpan& row) const;
  [[nodiscard]] TRowSpan RowFromNumber(std::int64_t number) const;
  // How cells are drawn: on the screen (with selection, caret and the input method's text) or
  // on a printer's page.
  struct TCellStyle {
    QFont Font;
    qreal CellWidth = 1;
    int RowHeight = 1;
    int Ascent = 0;
    qreal Left = 0;  // x of the row's first cell
    bool Screen = true;
  };
  [[nodiscard]] TCellStyle ScreenStyle() const;
  void PaintRow(QPainter& painter, const TRowSpan& row, int y, TOffset firstCell,
                TOffset lastCell, const TCellStyle& style) const;

  // Editing (EditorInput.cpp).
  void MoveCaret(TOffset to, bool extend);
  void ReplaceSelection(std::string_view bytes, bool merge);
  void InsertTyped(const QString& text, bool merge);
  [[nodiscard]] bool EncodeInput(const QString& text, std::string& bytes) const;
  void InsertFromMimeData(const QMimeData* source);
  [[nodiscard]] QMimeData* SelectionMimeData() const;
  void DeleteBackward();
  void DeleteForward();
  [[nodiscard]] TOffset VerticalTarget(TOffset from, std::int64_t rows);
  bool MoveByKey(QKeyEvent* event);
  bool EditByKey(QKeyEvent* event);
  void CommitPreedit();
  void AfterEdit();
  void TextChangedNotice();
  void AfterHistoryStep(const std::optional<TStepDone>& step, bool undone);
  void AfterWholeText();
  // The bytes from .. to as text; shown: pairs CP932 holds twice as their characters
  // (Cp932::DecodeShownForEditor) instead of escape units.
  [[nodiscard]] QString DecodeRange(TOffset from, TOffset to, bool shown = false) const;
  [[nodiscard]] QString DecodeShownWithForeign(TOffset from, TOffset to) const;
  // The rows the whole text takes when printed cells wide.
  [[nodiscard]] std::int64_t PrintedRows(TOffset cells) const;

  TTextBuffer buffer_;
  TOffset caret_ = 0;
  TOffset anchor_ = 0;
  TOffset goalColumn_ = -1;  // the column ↑/↓ keep while moving over shorter lines
  std::int64_t topLine_ = 0;
  TOffset topRowStart_ = 0;  // first byte of the top row (its line's start without wrap)
  bool modified_ = false;
  bool wordWrap_ = false;
  int updateDepth_ = 0;
  std::uint64_t revision_ = 0;  // counts changes of the text, for caches kept outside
  struct TCharacterCount {
    std::uint64_t Revision = ~std::uint64_t{0};
    TOffset LineStart = 0;
    TOffset At = 0;
    std::int64_t Characters = 0;
  };
  mutable TCharacterCount counted_;  // the last answer of CharactersBefore
  // Counts at character boundaries about every kCountMarkSpan bytes of the line last counted,
  // so that a move back in a long line counts only from the mark before it.
  static constexpr TOffset kCountMarkSpan = 64 * 1024;
  mutable std::vector<TCharacterCount> countMarks_;
  TForeignChars* foreign_ = nullptr;
  // The horizontal scroll bar counts steps of hScale_ pixels, so that lines wider than an int
  // counts in pixels can be scrolled to their end.
  static constexpr std::int64_t kMostScrollSteps = std::int64_t{1} << 30;
  std::int64_t hScale_ = 1;
  [[nodiscard]] std::int64_t HorizontalOffset() const;
  void SetHorizontalOffset(std::int64_t pixels);
  // The change of revision Revision stayed inside this line (caches per line need only it).
  struct TLineEdit {
    std::uint64_t Revision = 0;
    std::int64_t Line = -1;
  };
  TLineEdit lineEdited_;

  // Cells and rows in pixels.
  qreal cellWidth_ = 1;
  int rowHeight_ = 1;
  int ascent_ = 0;
  static constexpr int kMargin = 4;

  // Wrapped rows estimated per line, with sums every kEstimateStride lines for the scroll bar.
  static constexpr std::int64_t kEstimateStride = 256;
  std::vector<std::int64_t> estimateSums_;
  std::int64_t estimateTotal_ = 0;
  bool estimateDirty_ = true;
  bool estimateKept_ = false;  // the last edit corrected the estimate itself
  bool settingScrollBars_ = false;

  // Caret blink, drag autoscroll, and the clicks of a double or triple click.
  QBasicTimer blinkTimer_;
  QBasicTimer dragTimer_;
  bool caretShown_ = true;
  bool dragging_ = false;
  QPoint dragPoint_;
  int clickCount_ = 0;
  qint64 lastClickTime_ = 0;
  QPoint lastClickPoint_;
  std::pair<TOffset, TOffset> selectUnit_{0, 0};  // word or line of a double/triple click drag

  std::vector<std::string> searchMarks_;
  bool searchMatchCase_ = false;
  std::int64_t tintFirst_ = -1;
  std::int64_t tintLast_ = -1;
  // The places marked in bytes starting at from (a character boundary), in painting order.
  [[nodiscard]] std::vector<std::pair<TOffset, TOffset>> MarkedPlaces(std::string_view bytes,
                                                                      TOffset from) const;

  // The input method's text being composed: shown at the caret, never in the document.
  QString preedit_;
  QList<QInputMethodEvent::Attribute> preeditAttributes_;
};

// Holds the editor's update bracket for a scope, closing it on every path.
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TEditorControl& editor) : editor_(editor) { editor_.BeginUpdate(); }
  ~TUpdateGuard() { editor_.EndUpdate(); }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TEditorControl& editor_;
};
