// The editor's document as CP932 bytes: a gap buffer with an index of line starts, character
// boundaries, columns, wrapped rows and the undo history. No Qt: the editor widget paints and
// edits through it, and it is tested on its own.
//
// Inside the buffer every line break is CR LF and there is no NUL: SetBytes makes a lone CR
// and a lone LF into CR LF and ends the text at its first NUL, and inserted text must already
// be in that form. So the whole text reads out as it is held, with no conversion.
//
// A character is a lead byte (0x81–0x9F, 0xE0–0xFC) with the trail byte after it (0x40–0x7E,
// 0x80–0xFC), or any other single byte; a lead byte without a trail byte after it stands alone.
// Offsets are byte offsets, 64-bit; lines are 0-based. Queries fill caches (the longest line,
// places in long lines), so one thread at a time.
#pragma once

#include <any>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TTextBuffer {
 public:
  using TOffset = std::int64_t;
  using TLine = std::int64_t;

  TTextBuffer();

  // Replaces the whole text, taking the bytes' storage when no line break needs changing.
  void SetBytes(std::string bytes);
  [[nodiscard]] TOffset Length() const noexcept;
  [[nodiscard]] bool Empty() const noexcept { return Length() == 0; }

  // The whole text in one piece (the gap is moved to the end first). Valid until the next
  // change.
  [[nodiscard]] std::string_view Contiguous();
  // The whole text, handing over the storage: the buffer is empty afterwards.
  [[nodiscard]] std::string TakeBytes();
  // Bytes [from, to) copied out (to is clamped to the length).
  [[nodiscard]] std::string Bytes(TOffset from, TOffset to) const;
  // Copies [from, to) into out, which has room for to − from bytes.
  void CopyBytes(TOffset from, TOffset to, char* out) const;
  [[nodiscard]] unsigned char At(TOffset offset) const noexcept;

  // Lines as the editor shows them: a final CR LF is followed by one more, empty, line, and an
  // empty text is one empty line. The document's own count (a final break adds no line, an
  // empty text has none) is DocumentLines.
  [[nodiscard]] TLine ShownLines() const noexcept;
  [[nodiscard]] TLine DocumentLines() const noexcept;
  // First byte of a shown line; the end of a line is before its CR LF (a line out of range is
  // taken as the nearest shown line).
  [[nodiscard]] TOffset LineStart(TLine line) const;
  [[nodiscard]] TOffset LineEnd(TLine line) const;
  // The shown line holding an offset (a CR LF belongs to the line it ends; offsets past the
  // end give the last line).
  [[nodiscard]] TLine LineOf(TOffset offset) const;
  // Bytes of the longest line, for the horizontal range (tabs counted as the cells they fill).
  [[nodiscard]] TOffset LongestLineCells() const;

  // Inserts text (CR LF breaks, no NUL) at a character boundary; erases [from, to). Called
  // directly they are not recorded for undo, and end the current typing step.
  void Insert(TOffset at, std::string_view text);
  void Erase(TOffset from, TOffset to);

  // Character boundaries. CharStart is the start of the character holding offset (offset itself
  // on a boundary; between CR and LF it is the CR). NextChar and PrevChar step one character, a
  // CR LF counting as one; they stop at the text's ends.
  [[nodiscard]] TOffset CharStart(TOffset offset) const;
  [[nodiscard]] TOffset NextChar(TOffset offset) const;
  [[nodiscard]] TOffset PrevChar(TOffset offset) const;
  // Word moves and the word under a position, by character class (blanks, ASCII letters and
  // digits with '_', other ASCII, half-width kana, hiragana, katakana with 'ー', kanji, other
  // full-width). NextWord skips the rest of the word and the blanks after it; PrevWord goes to
  // the start of the word before; both stop at line ends.
  [[nodiscard]] TOffset NextWord(TOffset offset) const;
  [[nodiscard]] TOffset PrevWord(TOffset offset) const;
  [[nodiscard]] std::pair<TOffset, TOffset> WordAt(TOffset offset) const;

  // Columns in half-width cells from the line start: a double-byte character takes two, a tab
  // reaches the next multiple of kTabCells, every other byte one.
  static constexpr TOffset kTabCells = 8;
  [[nodiscard]] TOffset ColumnOf(TOffset offset) const;
  // The character boundary of a line at a column: the start of the character that covers the
  // column (rounded to the nearer edge when nearest is set), clamped to the line's end.
  [[nodiscard]] TOffset OffsetAtColumn(TLine line, TOffset column, bool nearest = false) const;

  // Wrapped rows: with rows of `cells` cells, the first byte of the row after the row starting
  // at rowStart in its line (never splitting a character; a row holds at least one character;
  // the line's end when the rest fits). Tabs keep their line columns, so a row holds the
  // characters from ColumnOf(rowStart) to ColumnOf(rowStart) + cells. Row starts of a line from
  // its start are what the editor paints; RowOf gives the row holding an offset (0-based within
  // its line; a row's end belongs to the next row, the line's end to its last row) and its
  // first byte.
  [[nodiscard]] TOffset NextRowStart(TOffset rowStart, TOffset cells) const;
  [[nodiscard]] std::pair<TOffset, TOffset> RowOf(TOffset offset, TOffset cells) const;
  // Rows of a line (at least 1).
  [[nodiscard]] TOffset RowsOfLine(TLine line, TOffset cells) const;

  // Told of every change of the text once it is made: [At, At + Removed) became Inserted, or
  // (Whole) the text was replaced as a whole.
  struct TChange {
    bool Whole = false;
    TOffset At = 0;
    TOffset Removed = 0;
    std::string_view Inserted;
  };
  using TObserver = std::function<void(const TChange&)>;
  void SetObserver(TObserver observer) { observer_ = std::move(observer); }

  // The undo history, one for typing and whole replacements alike. Each Insert/Erase made
  // through Edit is a step; consecutive typing (each insertion where the last ended) and
  // consecutive deletion by Backspace or Delete merge into one step. ReplaceAll (a command's
  // result) is a step that keeps the whole old text, moved, not copied, with a note the caller
  // gets back when it is undone. Undone steps wait for Redo until the next change. The history
  // holds at most its budget in bytes, dropping the oldest steps first. SetBytes forgets it.
  struct TEdit {
    TOffset At = 0;
    std::string Removed;
    std::string Inserted;
    bool Whole = false;  // Removed and Inserted are whole texts
    std::any Note;
  };
  struct TStepDone {
    TOffset Caret = 0;  // after the step: the end of the text it put back (0 for a whole text)
    bool Whole = false;
    std::any Note;
  };
  // Replaces [from, to) with text and records it for undo; merge allows joining the last step.
  // Returns the offset after the inserted text.
  TOffset Edit(TOffset from, TOffset to, std::string_view text, bool merge);
  // Replaces the whole text as one step (its line breaks and NUL taken as SetBytes takes them).
  // Returns false when the old text alone is over the budget: it is not kept, and the
  // history is empty afterwards.
  bool ReplaceAll(std::string bytes, std::any note);
  [[nodiscard]] bool CanUndo() const noexcept { return !undo_.empty(); }
  [[nodiscard]] bool CanRedo() const noexcept { return !redo_.empty(); }
  // Whether a whole replacement with a note is among the steps that can be undone.
  [[nodiscard]] bool CanUndoWhole() const noexcept;
  // Undoes the last step or redoes the last undone one; nothing when there is none.
  std::optional<TStepDone> Undo();
  std::optional<TStepDone> Redo();
  // Ends the current typing step, so the next edit starts a new one (after a caret move).
  void BreakUndoMerge() noexcept { mergeOpen_ = false; }
  // The bytes the history may hold (by default a quarter of the machine's memory, at most
  // 1 GiB) and the bytes it holds.
  void SetHistoryBudget(std::size_t bytes);
  [[nodiscard]] std::size_t HistoryBytes() const noexcept { return historyBytes_; }
  [[nodiscard]] static std::size_t DefaultHistoryBudget();

 private:
  // Sorted values (line starts; lines that hold a tab) with one pending step: the entries
  // from stepFrom_ on are stored short by step_. Edits at one place shift everything after it in
  // O(1), and the step only travels as far as the next edit's place. While every value is
  // below 2^32 they are kept in 32 bits, 4 bytes a line, with the step applied modulo 2^32
  // (exact for values in that range); Fit widens them to 64 bits before a value could pass it.
  class TStepVector {
   public:
    [[nodiscard]] std::size_t Size() const noexcept {
      return wide_ ? wideV_.size() : narrowV_.size();
    }
    [[nodiscard]] std::int64_t Get(std::size_t i) const noexcept {
      if (wide_) return wideV_[i] + (i >= stepFrom_ ? step_ : 0);
      return i >= stepFrom_ ? std::uint32_t(narrowV_[i] + std::uint32_t(step_)) : narrowV_[i];
    }
    // Index of the first entry above (UpperBound) or not below (LowerBound) value.
    [[nodiscard]] std::size_t UpperBound(std::int64_t value) const noexcept;
    [[nodiscard]] std::size_t LowerBound(std::int64_t value) const noexcept;
    // Adds delta to the entries [from, Size()).
    void Shift(std::size_t from, std::int64_t delta);
    void Erase(std::size_t first, std::size_t last);
    void Insert(std::size_t at, const std::vector<std::int64_t>& values);
    void Assign(std::vector<std::int64_t> values);
    void Assign(std::vector<std::uint32_t> values);
    // Makes room for values up to most.
    void Fit(std::int64_t most);

   private:
    void MoveStep(std::size_t to);
    // Adds delta to the stored entries [first, last).
    void AddToStored(std::size_t first, std::size_t last, std::int64_t delta);
    std::vector<std::uint32_t> narrowV_;
    std::vector<std::int64_t> wideV_;
    bool wide_ = false;
    std::size_t stepFrom_ = 0;
    std::int64_t step_ = 0;
  };

  // Known places in a long line, relative to its start. Marks[i] is the first character
  // boundary at or after (i + 1) × kMarkSpan, with its column; Rows are row starts for rows of
  // RowCells cells, one at least kMarkSpan after the one before.
  struct TMark {
    TOffset At;
    TOffset Column;
  };
  struct TRowMark {
    TOffset At;
    TOffset Row;
    TOffset Column;
  };
  struct TLongLine {
    TLine Line = 0;
    std::vector<TMark> Marks;
    TOffset RowCells = 0;
    std::vector<TRowMark> Rows;
    std::uint64_t Used = 0;
  };
  static constexpr TOffset kMarkSpan = 4096;
  static constexpr TOffset kLongLine = 4 * kMarkSpan;
  static constexpr std::size_t kLongLinesKept = 4;

  [[nodiscard]] unsigned char B(TOffset i) const noexcept {
    return static_cast<unsigned char>(
        buf_[static_cast<std::size_t>(i < gapStart_ ? i : i + gapLen_)]);
  }
  [[nodiscard]] TOffset StartOf(TLine line) const noexcept {
    return starts_.Get(static_cast<std::size_t>(line));
  }
  [[nodiscard]] TOffset EndOf(TLine line) const noexcept;
  [[nodiscard]] TLine ClampLine(TLine line) const noexcept;
  [[nodiscard]] bool HasTab(TLine line) const noexcept;

  void MoveGap(TOffset to);
  void Reserve(TOffset bytes);
  void Replace(TOffset from, TOffset to, std::string_view text);
  void UpdateTabLines(TLine first, TLine last, bool tabFirst, bool tabLast, TOffset firstStart,
                      TOffset from, std::string_view text,
                      const std::vector<std::int64_t>& newStarts);
  void UpdateLongLines(TLine first, TLine last, std::int64_t lineDelta, TOffset from);
  [[nodiscard]] TOffset MaxCells(TLine first, TLine last) const;
  void Reset();  // the text only

  // Byte searches and counts across the gap.
  [[nodiscard]] TOffset FindByte(TOffset from, TOffset to, char c) const noexcept;
  [[nodiscard]] TOffset CellsFrom(TOffset column, TOffset from, TOffset to) const noexcept;
  // Character parsing: the bytes of [result, o) are all in lead range and result is floor or
  // follows a byte that is not; the start of the character holding o given such a run.
  [[nodiscard]] TOffset LeadRunStart(TOffset floor, TOffset o) const noexcept;
  [[nodiscard]] TOffset ResolveParity(TOffset boundary, TOffset o) const noexcept;
  [[nodiscard]] TOffset CharStartAbove(TOffset floor, TOffset o) const noexcept {
    return ResolveParity(LeadRunStart(floor, o), o);
  }
  [[nodiscard]] TOffset CharStartIn(TLine line, TOffset lineStart, TOffset lineEnd,
                                    TOffset o) const;
  [[nodiscard]] TOffset CharLength(TOffset at) const noexcept;
  [[nodiscard]] TOffset PrevBoundary(TOffset boundary) const;
  [[nodiscard]] int ClassAt(TOffset at) const noexcept;
  [[nodiscard]] TOffset ColumnIn(TLine line, TOffset lineStart, TOffset lineEnd, TOffset o) const;
  // The row after the one starting at rowStart (a boundary at column): its start and column.
  [[nodiscard]] std::pair<TOffset, TOffset> RowEnd(TOffset rowStart, TOffset column,
                                                   TOffset lineEnd, TOffset cells,
                                                   bool tabs) const noexcept;

  // The cached places of a long line, made on first use (a few lines are kept).
  TLongLine& LongLine(TLine line) const;
  void AddMark(TLongLine& entry, TOffset lineStart, bool tabs) const;
  [[nodiscard]] TMark MarkBefore(TLine line, TOffset lineStart, TOffset lineEnd, TOffset o) const;

  std::string buf_;
  TOffset gapStart_ = 0;
  TOffset gapLen_ = 0;
  TStepVector starts_;
  TStepVector tabLines_;
  mutable std::vector<TOffset> tabCells_;  // each tab line's cells, −1 until counted
  mutable TOffset longest_ = 0;
  mutable bool longestDirty_ = false;
  mutable std::vector<TLongLine> longLines_;
  mutable std::uint64_t useClock_ = 0;
  // Deques: steps are never moved once in (a string moved into an older one would keep that
  // one's buffer, and the bytes counted would drift from the bytes held).
  TObserver observer_;
  std::deque<TEdit> undo_;
  std::deque<TEdit> redo_;
  bool mergeOpen_ = false;
  std::size_t historyBytes_ = 0;
  std::size_t historyBudget_ = DefaultHistoryBudget();
  [[nodiscard]] static std::size_t StepBytes(const TEdit& step) noexcept;
  void Remember(TEdit step);  // pushes an undo step, forgets the redo steps, keeps the budget
  std::optional<TStepDone> Step(std::deque<TEdit>& from, std::deque<TEdit>& to, bool undo);
  void ForgetRedo();
  void KeepBudget();
  // The text without the history: LoadText takes bytes in the buffer's form, TakeText hands
  // over the storage and leaves the buffer empty.
  void LoadText(std::string bytes);
  std::string TakeText();
};
