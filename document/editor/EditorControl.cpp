// The editor control's interface: the document's text, lines, caret, selection, font, colour
// and the update bracket.
#include "document/editor/EditorControl.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QScrollBar>

#include <algorithm>
#include <cstring>

#include "document/Cp932Codec.h"
#include "document/FileIO.h"
#include "document/ShiftJis.h"
#include "document/TextSearch.h"

// EditorAccess.cpp
void InstallEditorAccessibility();
void NotifyEditorAccessibility(TEditorControl* editor, bool textChanged);

TEditorControl::TEditorControl(QWidget* parent) : QAbstractScrollArea(parent) {
  InstallEditorAccessibility();
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setAttribute(Qt::WA_KeyCompression, false);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  // Moves without a button pressed count too: the caret display follows the mouse.
  viewport()->setMouseTracking(true);
  UpdateMetrics();
}

TEditorControl::~TEditorControl() = default;

std::string TEditorControl::Text() const { return buffer_.Bytes(0, buffer_.Length()); }

void TEditorControl::SetText(std::string_view bytes) {
  // Spare capacity lets the first keystrokes open their gap without moving the text elsewhere.
  std::string copy;
  copy.reserve(bytes.size() + std::min<std::size_t>(bytes.size() / 64 + 4096, 4u << 20));
  copy.append(bytes);
  SetText(std::move(copy));
}

void TEditorControl::SetText(std::string&& bytes) {
  CommitPreedit();
  buffer_.SetBytes(std::move(bytes));
  AfterWholeText();
}

// A whole new text is shown from its start, caret there, and counts as a change.
void TEditorControl::AfterWholeText() {
  caret_ = anchor_ = 0;
  goalColumn_ = -1;
  topLine_ = 0;
  topRowStart_ = 0;
  horizontalScrollBar()->setValue(0);
  modified_ = true;
  AfterEdit();
}

void TEditorControl::ClearText() {
  const bool modified = modified_;
  SetText(std::string());
  modified_ = modified;
}

std::int32_t TEditorControl::LineCount() const {
  return static_cast<std::int32_t>(buffer_.DocumentLines());
}

std::string TEditorControl::Line(std::int32_t i) const {
  if (i < 0 || i >= buffer_.DocumentLines()) return {};
  return buffer_.Bytes(buffer_.LineStart(i), buffer_.LineEnd(i));
}

void TEditorControl::AppendLines(std::string_view bytes) {
  // The merged text gets the buffer's forms of line breaks, and goes in as one undo step;
  // text loaded into an empty editor is no step.
  TTextBuffer merged;
  merged.SetBytes(std::string(bytes));
  const TOffset end = buffer_.Length();
  const bool endsWithBreak = buffer_.LineStart(buffer_.ShownLines() - 1) == end;
  std::string text = endsWithBreak ? std::string() : std::string("\r\n");
  text.append(merged.Contiguous());
  if (endsWithBreak) text += "\r\n";
  if (end == 0) {
    buffer_.Insert(end, text);
  } else {
    buffer_.Edit(end, end, text, false);
    buffer_.BreakUndoMerge();
  }
  modified_ = true;
  AfterEdit();
}

void TEditorControl::BeginUpdate() {
  if (updateDepth_++ == 0) viewport()->setUpdatesEnabled(false);
}

void TEditorControl::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ > 0) return;
  viewport()->setUpdatesEnabled(true);
  viewport()->update();
  emit Changed();
}

// While the update bracket is held the notice waits: its end sends one for everything.
void TEditorControl::TextChangedNotice() {
  if (updateDepth_ == 0) emit Changed();
}

TEditorControl::TOffset TEditorControl::SelStart() const { return std::min(caret_, anchor_); }

void TEditorControl::SetSelStart(TOffset offset) { SetSelection(offset, offset); }

std::int32_t TEditorControl::LineFromChar(TOffset offset) const {
  return static_cast<std::int32_t>(
      buffer_.LineOf(std::clamp<TOffset>(offset, 0, buffer_.Length())));
}

TEditorControl::TOffset TEditorControl::LineIndex(std::int32_t line) const {
  if (line == -1) line = static_cast<std::int32_t>(buffer_.LineOf(caret_));
  if (line < 0 || line >= buffer_.ShownLines()) return -1;
  return buffer_.LineStart(line);
}

TEditorControl::TOffset TEditorControl::TextLength() const { return buffer_.Length(); }

// Counted in pieces of the raw bytes. The last answer is kept, so the caret display, asked on
// every mouse move, counts a long line once and then only what the caret moved over; marks
// every 64 KiB of the line let a move back start near its target too.
std::int64_t TEditorControl::CharactersBefore(TOffset offset) const {
  const TOffset at = buffer_.CharStart(std::clamp<TOffset>(offset, 0, buffer_.Length()));
  const TOffset lineStart = buffer_.LineStart(buffer_.LineOf(at));
  if (countMarks_.empty() || countMarks_.front().Revision != revision_ ||
      countMarks_.front().LineStart != lineStart) {
    countMarks_.assign(1, {revision_, lineStart, lineStart, 0});
  }
  const auto after = std::upper_bound(countMarks_.begin(), countMarks_.end(), at,
                                      [](TOffset v, const TCharacterCount& m) { return v < m.At; });
  TCharacterCount start = *(after - 1);
  if (counted_.Revision == revision_ && counted_.LineStart == lineStart && counted_.At <= at &&
      counted_.At > start.At) {
    start = counted_;
  }
  TOffset from = start.At;
  std::int64_t characters = start.Characters;
  char piece[64 * 1024];
  while (from < at) {
    const TOffset to = std::min<TOffset>(at, from + static_cast<TOffset>(sizeof piece));
    buffer_.CopyBytes(from, to, piece);
    const auto length = static_cast<std::size_t>(to - from);
    std::size_t i = 0;
    while (i < length) {
      // Eight ASCII bytes are eight characters.
      std::uint64_t word = 0;
      if (i + 8 <= length && (std::memcpy(&word, piece + i, 8), (word & 0x8080808080808080ull) == 0)) {
        i += 8;
        characters += 8;
        continue;
      }
      const auto b = static_cast<unsigned char>(piece[i]);
      const TOffset nextAt = from + static_cast<TOffset>(i) + 1;
      const auto next = i + 1 < length ? static_cast<unsigned char>(piece[i + 1])
                                       : (nextAt < at ? buffer_.At(nextAt) : 0);
      const bool pair = ShiftJis::IsLeadByte(b) && ShiftJis::IsTrailByte(next);
      i += pair ? 2 : 1;
      ++characters;
    }
    from += static_cast<TOffset>(i);
    if (from < at && from >= countMarks_.back().At + kCountMarkSpan) {
      countMarks_.push_back({revision_, lineStart, from, characters});
    }
  }
  counted_ = {revision_, lineStart, at, characters};
  return characters;
}

QString TEditorControl::SelectedText() const {
  const TOffset from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
  return DecodeRange(from, to);
}

QString TEditorControl::DecodeRange(TOffset from, TOffset to, bool shown) const {
  if (shown && foreign_ != nullptr && !foreign_->Empty()) return DecodeShownWithForeign(from, to);
  const std::string bytes = buffer_.Bytes(from, to);
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  auto* const out = reinterpret_cast<char16_t*>(text.data());
  const std::size_t units =
      shown ? Cp932::DecodeShownForEditor(bytes, out) : Cp932::DecodeForEditor(bytes, out);
  text.truncate(static_cast<qsizetype>(units));
  return text;
}

// The shown form with the document's foreign characters as themselves: the bytes between them
// decode as usual; a byte that was no character in its file stays an escape unit.
QString TEditorControl::DecodeShownWithForeign(TOffset from, TOffset to) const {
  const std::string bytes = buffer_.Bytes(from, to);
  QString text;
  std::size_t segment = 0;
  const auto flush = [&](std::size_t end) {
    QString part(static_cast<qsizetype>(end - segment), Qt::Uninitialized);
    const std::size_t units = Cp932::DecodeShownForEditor(
        std::string_view(bytes).substr(segment, end - segment), reinterpret_cast<char16_t*>(part.data()));
    part.truncate(static_cast<qsizetype>(units));
    text += part;
  };
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const bool pair = ShiftJis::IsLeadByte(b) && i + 1 < bytes.size() &&
                      ShiftJis::IsTrailByte(static_cast<unsigned char>(bytes[i + 1]));
    const TForeignChars::TEntry* entry =
        pair ? foreign_->Find(b, static_cast<unsigned char>(bytes[i + 1])) : nullptr;
    if (entry == nullptr) {
      i += pair ? 2 : 1;
      continue;
    }
    flush(i);
    if (entry->IsByte) {
      text += QChar(static_cast<char16_t>(Cp932::kEscapeBase + entry->Byte));
    } else {
      text += QString::fromUcs4(&entry->CodePoint, 1);
    }
    i += 2;
    segment = i;
  }
  flush(bytes.size());
  return text;
}

void TEditorControl::Paste() {
  CommitPreedit();
  InsertFromMimeData(QApplication::clipboard()->mimeData());
}

void TEditorControl::Copy() {
  if (caret_ == anchor_) return;
  QApplication::clipboard()->setMimeData(SelectionMimeData());
}

void TEditorControl::Cut() {
  if (caret_ == anchor_) return;
  Copy();
  ReplaceSelection({}, false);
}

void TEditorControl::SetSearchMarks(std::vector<std::string> marks, bool matchCase) {
  std::erase_if(marks, [](const std::string& mark) { return mark.empty(); });
  if (marks == searchMarks_ && matchCase == searchMatchCase_) return;
  searchMarks_ = std::move(marks);
  searchMatchCase_ = matchCase;
  viewport()->update();
}

void TEditorControl::SetRangeTint(std::int64_t first, std::int64_t last) {
  if (first < 0) first = last = -1;
  if (first == tintFirst_ && last == tintLast_) return;
  tintFirst_ = first;
  tintLast_ = last;
  viewport()->update();
}

TEditorControl::TOffset TEditorControl::FindNext(std::string_view mark, bool matchCase,
                                                 TOffset from) {
  const std::size_t at = TextSearch::Next(buffer_.Contiguous(),
                                          static_cast<std::size_t>(buffer_.CharStart(from)),
                                          mark, matchCase);
  return at == TextSearch::npos ? -1 : static_cast<TOffset>(at);
}

TEditorControl::TOffset TEditorControl::FindPrevious(std::string_view mark, bool matchCase,
                                                     TOffset before) {
  const std::size_t at = TextSearch::Previous(buffer_.Contiguous(),
                                              static_cast<std::size_t>(std::max<TOffset>(before, 0)),
                                              mark, matchCase);
  return at == TextSearch::npos ? -1 : static_cast<TOffset>(at);
}

bool TEditorControl::ReplaceAll(std::string&& bytes, std::any note) {
  CommitPreedit();
  const bool kept = buffer_.ReplaceAll(std::move(bytes), std::move(note));
  AfterWholeText();
  return kept;
}

std::optional<TEditorControl::TStepDone> TEditorControl::Undo() {
  CommitPreedit();
  std::optional<TStepDone> step = buffer_.Undo();
  AfterHistoryStep(step, true);
  return step;
}

std::optional<TEditorControl::TStepDone> TEditorControl::Redo() {
  CommitPreedit();
  std::optional<TStepDone> step = buffer_.Redo();
  AfterHistoryStep(step, false);
  return step;
}

void TEditorControl::AfterHistoryStep(const std::optional<TStepDone>& step, bool undone) {
  if (!step) return;
  caret_ = anchor_ = step->Caret;
  goalColumn_ = -1;
  modified_ = true;
  AfterEdit();
  EnsureCaretVisible();
  emit HistoryStep(*step, undone);
}

void TEditorControl::SelectAll() {
  anchor_ = 0;
  caret_ = buffer_.Length();
  buffer_.BreakUndoMerge();
  viewport()->update();
}

void TEditorControl::SetSelection(TOffset anchor, TOffset caret) {
  const TOffset length = buffer_.Length();
  anchor_ = buffer_.CharStart(std::clamp<TOffset>(anchor, 0, length));
  caret_ = buffer_.CharStart(std::clamp<TOffset>(caret, 0, length));
  goalColumn_ = -1;
  buffer_.BreakUndoMerge();
  EnsureCaretVisible();
  viewport()->update();
}

TEditorControl::TOffset TEditorControl::SelEnd() const { return std::max(caret_, anchor_); }

QString TEditorControl::FontFace() const { return font().family(); }

void TEditorControl::SetFontFace(const QString& face) {
  // The view places characters by cells, so a face whose characters do not fill whole cells
  // would put the text and the caret in different places: such a face is not taken.
  const QFont before = font();
  QFont shown = before;
  shown.setFamily(face);
  setFont(shown);
  if (!FontIsFixedPitch()) setFont(before);
}

int TEditorControl::FontSize() const { return font().pointSize(); }

void TEditorControl::SetFontSize(int points) {
  QFont shown = font();
  shown.setPointSize(points);
  setFont(shown);
}

bool TEditorControl::FontIsFixedPitch() const {
  const QFontMetrics metrics(font());
  return metrics.horizontalAdvance(QStringLiteral("ＭＭ")) ==
             2 * metrics.horizontalAdvance(QStringLiteral("MM")) &&
         metrics.horizontalAdvance(QStringLiteral("il")) ==
             metrics.horizontalAdvance(QStringLiteral("MW"));
}

bool TEditorControl::Modified() const { return modified_; }

void TEditorControl::SetModified(bool modified) { modified_ = modified; }

bool TEditorControl::WordWrap() const { return wordWrap_; }

void TEditorControl::SetWordWrap(bool on) {
  if (on == wordWrap_) return;
  wordWrap_ = on;
  // The top line stays; its first row is the top row.
  topRowStart_ = buffer_.LineStart(topLine_);
  horizontalScrollBar()->setValue(0);
  estimateDirty_ = true;
  UpdateScrollBars();
  EnsureCaretVisible();
  viewport()->update();
}

QColor TEditorControl::Color() const { return palette().color(QPalette::Base); }

void TEditorControl::SetColor(const QColor& color) {
  QPalette colours = palette();
  colours.setColor(QPalette::Base, color);
  setPalette(colours);
  viewport()->update();
}

void TEditorControl::SaveToFile(const QString& fileName, Encodings::TFormat format) {
  static const TForeignChars none;
  Encodings::WriteFile(QFile::encodeName(fileName).toStdString(), buffer_.Contiguous(), format,
                       foreign_ != nullptr ? *foreign_ : none);
}

Encodings::TUnwritable TEditorControl::Unwritable(Encodings::TFormat format) {
  static const TForeignChars none;
  return Encodings::FindUnwritable(buffer_.Contiguous(), format,
                                   foreign_ != nullptr ? *foreign_ : none);
}

void TEditorControl::SetForeignChars(TForeignChars* foreign) {
  foreign_ = foreign;
  viewport()->update();
}

// Every change of the text ends here: the scroll ranges follow, the view repaints, and the
// window hears of it (once, at the bracket's end, while the bracket is held).
void TEditorControl::AfterEdit() {
  caret_ = std::min(caret_, buffer_.Length());
  anchor_ = std::min(anchor_, buffer_.Length());
  topLine_ = std::min<std::int64_t>(topLine_, buffer_.ShownLines() - 1);
  const TOffset lineStart = buffer_.LineStart(topLine_);
  if (topRowStart_ < lineStart || topRowStart_ > buffer_.LineEnd(topLine_) || !wordWrap_) {
    topRowStart_ = lineStart;
  } else {
    topRowStart_ = buffer_.RowOf(topRowStart_, WrapCells()).second;
  }
  estimateDirty_ = !estimateKept_;
  estimateKept_ = false;
  ++revision_;
  UpdateScrollBars();
  viewport()->update();
  NotifyEditorAccessibility(this, true);
  TextChangedNotice();
}
