// The editor's document: a gap buffer of CP932 bytes with a line-start index.
//
// Line starts are the offsets right after a CR LF. Every edit removes the starts whose CR LF it
// touched and looks for new ones only in the bytes it wrote (and the byte on each side), so the
// index never depends on the edit keeping the breaks whole. Character boundaries come from the
// fact that a byte outside the lead range always ends a character: stepping back over the run of
// lead-range bytes before an offset gives a boundary, and the run's length gives the parity.
// Long lines keep marks of known boundaries (with their columns) and of row starts, built lazily
// by one forward pass and cut back when the line is edited, so no query rescans a giant line.
#include "document/editor/TextBuffer.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "document/ShiftJis.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using TOffset = TTextBuffer::TOffset;

constexpr bool IsLead(unsigned char b) noexcept { return ShiftJis::IsLeadByte(b); }

constexpr bool IsTrail(unsigned char b) noexcept { return ShiftJis::IsTrailByte(b); }

constexpr TOffset NextTabStop(TOffset column) noexcept {
  return (column / TTextBuffer::kTabCells + 1) * TTextBuffer::kTabCells;
}

// Character classes for word moves.
enum : int {
  kBlank,
  kWordChar,
  kSymbol,
  kHalfKana,
  kHiragana,
  kKatakana,
  kKanji,
  kWide,
};

// Bit i set when byte i of the n (at most 16) bytes at p is c.
inline unsigned BytesEqual(const char* p, std::size_t n, char c) noexcept {
#if defined(__SSE2__)
  if (n == 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
  }
#endif
  unsigned bits = 0;
  for (std::size_t i = 0; i < n; ++i) bits |= unsigned{p[i] == c} << i;
  return bits;
}

std::size_t CountByte(std::string_view text, char c) noexcept {
  std::size_t count = 0;
  std::size_t at = 0;
#if defined(__SSE2__)
  // Matches summed in byte lanes (at most 255 blocks at a time), then the lanes added up.
  const __m128i wanted = _mm_set1_epi8(c);
  while (text.size() - at >= 16) {
    __m128i lanes = _mm_setzero_si128();
    for (int block = 0; block < 255 && text.size() - at >= 16; ++block, at += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, wanted));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; at < text.size(); ++at) count += text[at] == c ? 1 : 0;
  return count;
}

// What one pass over a text finds: the line starts (0, and after each CR LF), the lines that
// hold a tab, and the most bytes in a line.
struct TLineScan {
  std::vector<std::uint32_t> Narrow;  // the starts while the text is under 4 GiB
  std::vector<std::int64_t> Wide;     // the starts of a larger text
  std::vector<std::int64_t> TabLines;
  TOffset Longest = 0;
};

// Fills scan from text sixteen bytes at a time. False, with scan incomplete, as soon as a lone
// CR or LF turns up: every CR must be followed by an LF and every LF follow a CR.
template <class T>
bool ScanLinesInto(std::string_view text, std::vector<T>& starts, TLineScan& scan) {
  starts.reserve(CountByte(text, '\n') + 1);
  starts.push_back(0);
  TOffset lineStart = 0;
  unsigned crCarry = 0;  // the byte before this block is a CR
  for (std::size_t at = 0; at < text.size(); at += 16) {
    const std::size_t n = std::min<std::size_t>(16, text.size() - at);
    const char* p = text.data() + at;
    unsigned lf = BytesEqual(p, n, '\n');
    const unsigned cr = BytesEqual(p, n, '\r');
    if (lf != (((cr << 1) & 0xFFFFu) | crCarry)) return false;
    crCarry = cr >> 15;
    if (unsigned tabs = BytesEqual(p, n, '\t'); tabs != 0) {
      const auto linesBefore = static_cast<std::int64_t>(starts.size()) - 1;
      for (; tabs != 0; tabs &= tabs - 1) {
        const unsigned before = lf & ((1u << __builtin_ctz(tabs)) - 1);
        const std::int64_t line = linesBefore + __builtin_popcount(before);
        if (scan.TabLines.empty() || scan.TabLines.back() != line) scan.TabLines.push_back(line);
      }
    }
    for (; lf != 0; lf &= lf - 1) {
      const auto next = static_cast<TOffset>(at) + __builtin_ctz(lf) + 1;
      scan.Longest = std::max(scan.Longest, next - 2 - lineStart);
      starts.push_back(static_cast<T>(next));
      lineStart = next;
    }
  }
  if (!text.empty() && text.back() == '\r') return false;
  scan.Longest = std::max(scan.Longest, static_cast<TOffset>(text.size()) - lineStart);
  return true;
}

bool ScanLines(std::string_view text, TLineScan& scan) {
  if (text.size() > std::size_t{UINT32_MAX}) return ScanLinesInto(text, scan.Wide, scan);
  return ScanLinesInto(text, scan.Narrow, scan);
}

// Text with every lone CR and lone LF made CR LF. Each of the two searches runs ahead only when
// the copy has passed its last hit, so the text is scanned once for each byte.
std::string WithCrLfBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 16);
  const char* p = text.data();
  const char* end = p + text.size();
  const auto next = [end](const char* from, char c) {
    const void* hit = std::memchr(from, c, static_cast<std::size_t>(end - from));
    return hit == nullptr ? end : static_cast<const char*>(hit);
  };
  const char* cr = next(p, '\r');
  const char* lf = next(p, '\n');
  while (p < end) {
    if (cr < p) cr = next(p, '\r');
    if (lf < p) lf = next(p, '\n');
    const char* brk = std::min(cr, lf);
    out.append(p, brk);
    if (brk == end) break;
    out += "\r\n";
    p = (brk[0] == '\r' && brk + 1 < end && brk[1] == '\n') ? brk + 2 : brk + 1;
  }
  return out;
}

}  // namespace

// ---- TStepVector ----------------------------------------------------------------------------

std::size_t TTextBuffer::TStepVector::UpperBound(std::int64_t value) const noexcept {
  std::size_t lo = 0;
  std::size_t hi = Size();
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (Get(mid) <= value)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

std::size_t TTextBuffer::TStepVector::LowerBound(std::int64_t value) const noexcept {
  std::size_t lo = 0;
  std::size_t hi = Size();
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (Get(mid) < value)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void TTextBuffer::TStepVector::AddToStored(std::size_t first, std::size_t last,
                                            std::int64_t delta) {
  if (wide_) {
    for (std::size_t i = first; i < last; ++i) wideV_[i] += delta;
  } else {
    const auto d = static_cast<std::uint32_t>(delta);
    for (std::size_t i = first; i < last; ++i) narrowV_[i] += d;
  }
}

void TTextBuffer::TStepVector::MoveStep(std::size_t to) {
  if (step_ == 0) {
    stepFrom_ = to;
    return;
  }
  if (to >= stepFrom_) {
    AddToStored(stepFrom_, to, step_);
  } else if (stepFrom_ - to <= Size() - stepFrom_) {
    AddToStored(to, stepFrom_, -step_);
  } else {
    // Cheaper to settle the whole tail than to carry the step back so far.
    AddToStored(stepFrom_, Size(), step_);
    step_ = 0;
  }
  stepFrom_ = to;
}

void TTextBuffer::TStepVector::Shift(std::size_t from, std::int64_t delta) {
  if (delta == 0) return;
  MoveStep(from);
  step_ += delta;
}

void TTextBuffer::TStepVector::Erase(std::size_t first, std::size_t last) {
  if (first >= last) return;
  const auto eraseFrom = [first, last](auto& v) {
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(first),
            v.begin() + static_cast<std::ptrdiff_t>(last));
  };
  if (wide_) {
    eraseFrom(wideV_);
  } else {
    eraseFrom(narrowV_);
  }
  if (stepFrom_ >= last)
    stepFrom_ -= last - first;
  else if (stepFrom_ > first)
    stepFrom_ = first;
}

void TTextBuffer::TStepVector::Insert(std::size_t at, const std::vector<std::int64_t>& values) {
  if (values.empty()) return;
  // Entries past the step's start are stored short by it.
  const std::int64_t stored = at > stepFrom_ ? -step_ : 0;
  const auto insertInto = [&](auto& v) {
    using T = typename std::decay_t<decltype(v)>::value_type;
    const auto pos = v.insert(v.begin() + static_cast<std::ptrdiff_t>(at), values.size(), T{});
    std::transform(values.begin(), values.end(), pos,
                   [stored](std::int64_t value) { return static_cast<T>(value + stored); });
  };
  if (wide_) {
    insertInto(wideV_);
  } else {
    insertInto(narrowV_);
  }
  if (at <= stepFrom_) stepFrom_ += values.size();
}

void TTextBuffer::TStepVector::Assign(std::vector<std::int64_t> values) {
  if (!values.empty() && values.back() > std::int64_t{UINT32_MAX}) {
    wide_ = true;
    wideV_ = std::move(values);
    narrowV_ = {};
  } else {
    wide_ = false;
    narrowV_.assign(values.begin(), values.end());
    wideV_ = {};
  }
  stepFrom_ = Size();
  step_ = 0;
}

void TTextBuffer::TStepVector::Assign(std::vector<std::uint32_t> values) {
  wide_ = false;
  narrowV_ = std::move(values);
  wideV_ = {};
  stepFrom_ = Size();
  step_ = 0;
}

void TTextBuffer::TStepVector::Fit(std::int64_t most) {
  if (wide_ || most <= std::int64_t{UINT32_MAX}) return;
  wideV_.resize(narrowV_.size());
  for (std::size_t i = 0; i < narrowV_.size(); ++i) wideV_[i] = Get(i);
  narrowV_ = {};
  wide_ = true;
  stepFrom_ = wideV_.size();
  step_ = 0;
}

// ---- the text ---------------------------------------------------------------------------------

TTextBuffer::TTextBuffer() { Reset(); }

void TTextBuffer::Reset() {
  buf_.clear();
  gapStart_ = 0;
  gapLen_ = 0;
  starts_.Assign(std::vector<std::uint32_t>{0});
  tabLines_.Assign(std::vector<std::uint32_t>{});
  tabCells_.clear();
  longest_ = 0;
  longestDirty_ = false;
  longLines_.clear();
  mergeOpen_ = false;
}

void TTextBuffer::SetBytes(std::string bytes) {
  LoadText(std::move(bytes));
  undo_.clear();
  redo_.clear();
  historyBytes_ = 0;
}

void TTextBuffer::LoadText(std::string bytes) {
  if (const void* nul = std::memchr(bytes.data(), 0, bytes.size())) {
    bytes.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data()));
  }
  TLineScan scan;
  if (!ScanLines(bytes, scan)) {
    bytes = WithCrLfBreaks(bytes);
    scan = {};
    ScanLines(bytes, scan);
  }
  const auto size = static_cast<TOffset>(bytes.size());
  Reset();
  buf_ = std::move(bytes);
  gapStart_ = size;
  if (scan.Wide.empty()) {
    starts_.Assign(std::move(scan.Narrow));
  } else {
    starts_.Assign(std::move(scan.Wide));
  }
  tabCells_.assign(scan.TabLines.size(), -1);
  tabLines_.Assign(std::move(scan.TabLines));
  // Without tabs every line's cells are its bytes, and the scan saw them all.
  longest_ = scan.Longest;
  longestDirty_ = tabLines_.Size() != 0;
  if (observer_) observer_({.Whole = true, .At = 0, .Removed = 0, .Inserted = {}});
}

TTextBuffer::TOffset TTextBuffer::Length() const noexcept {
  return static_cast<TOffset>(buf_.size()) - gapLen_;
}

std::string_view TTextBuffer::Contiguous() {
  MoveGap(Length());
  return {buf_.data(), static_cast<std::size_t>(Length())};
}

std::string TTextBuffer::TakeBytes() {
  std::string out = TakeText();
  undo_.clear();
  redo_.clear();
  historyBytes_ = 0;
  return out;
}

std::string TTextBuffer::TakeText() {
  MoveGap(Length());
  buf_.resize(static_cast<std::size_t>(Length()));
  std::string out = std::move(buf_);
  Reset();
  return out;
}

std::string TTextBuffer::Bytes(TOffset from, TOffset to) const {
  from = std::clamp<TOffset>(from, 0, Length());
  to = std::clamp<TOffset>(to, from, Length());
  std::string out(static_cast<std::size_t>(to - from), '\0');
  CopyBytes(from, to, out.data());
  return out;
}

void TTextBuffer::CopyBytes(TOffset from, TOffset to, char* out) const {
  from = std::clamp<TOffset>(from, 0, Length());
  to = std::clamp<TOffset>(to, from, Length());
  if (from == to) return;
  if (from < gapStart_) {
    const TOffset end = std::min(to, gapStart_);
    std::memcpy(out, buf_.data() + from, static_cast<std::size_t>(end - from));
    out += end - from;
    from = end;
  }
  if (from < to) {
    std::memcpy(out, buf_.data() + from + gapLen_, static_cast<std::size_t>(to - from));
  }
}

unsigned char TTextBuffer::At(TOffset offset) const noexcept {
  return (offset >= 0 && offset < Length()) ? B(offset) : 0;
}

void TTextBuffer::MoveGap(TOffset to) {
  char* data = buf_.data();
  if (to < gapStart_) {
    std::memmove(data + to + gapLen_, data + to, static_cast<std::size_t>(gapStart_ - to));
  } else if (to > gapStart_) {
    std::memmove(data + gapStart_, data + gapStart_ + gapLen_,
                 static_cast<std::size_t>(to - gapStart_));
  }
  gapStart_ = to;
}

void TTextBuffer::Reserve(TOffset bytes) {
  if (gapLen_ >= bytes) return;
  TOffset grow = bytes - gapLen_ + std::clamp<TOffset>(Length() / 16, 4096, TOffset{16} << 20);
  // Room the storage already has is taken first: growing past it copies the whole text into a
  // new allocation, which on a large document is the slowest part of a keystroke.
  const auto spare = static_cast<TOffset>(buf_.capacity() - buf_.size());
  if (spare >= bytes - gapLen_) grow = std::min(grow, spare);
  const std::size_t oldSize = buf_.size();
  const auto tailFrom = static_cast<std::size_t>(gapStart_ + gapLen_);
  buf_.resize(oldSize + static_cast<std::size_t>(grow));
  char* data = buf_.data();
  std::memmove(data + tailFrom + grow, data + tailFrom, oldSize - tailFrom);
  gapLen_ += grow;
}

// ---- lines ----------------------------------------------------------------------------------

TTextBuffer::TLine TTextBuffer::ShownLines() const noexcept {
  return static_cast<TLine>(starts_.Size());
}

TTextBuffer::TLine TTextBuffer::DocumentLines() const noexcept {
  if (Length() == 0) return 0;
  const TLine shown = ShownLines();
  return StartOf(shown - 1) == Length() ? shown - 1 : shown;
}

TTextBuffer::TLine TTextBuffer::ClampLine(TLine line) const noexcept {
  return std::clamp<TLine>(line, 0, ShownLines() - 1);
}

TTextBuffer::TOffset TTextBuffer::EndOf(TLine line) const noexcept {
  return line + 1 < ShownLines() ? StartOf(line + 1) - 2 : Length();
}

TTextBuffer::TOffset TTextBuffer::LineStart(TLine line) const { return StartOf(ClampLine(line)); }

TTextBuffer::TOffset TTextBuffer::LineEnd(TLine line) const { return EndOf(ClampLine(line)); }

TTextBuffer::TLine TTextBuffer::LineOf(TOffset offset) const {
  const std::size_t next = starts_.UpperBound(offset);
  return next == 0 ? 0 : static_cast<TLine>(next - 1);
}

bool TTextBuffer::HasTab(TLine line) const noexcept {
  const std::size_t i = tabLines_.LowerBound(line);
  return i < tabLines_.Size() && tabLines_.Get(i) == line;
}

TTextBuffer::TOffset TTextBuffer::LongestLineCells() const {
  if (!longestDirty_) return longest_;
  TOffset best = 0;
  const TLine lines = ShownLines();
  std::size_t tab = 0;
  TOffset start = StartOf(0);
  for (TLine line = 0; line < lines; ++line) {
    const TOffset next = line + 1 < lines ? StartOf(line + 1) : Length() + 2;
    TOffset cells = next - 2 - start;
    if (tab < tabLines_.Size() && tabLines_.Get(tab) == line) {
      if (tabCells_[tab] < 0) tabCells_[tab] = CellsFrom(0, start, next - 2);
      cells = tabCells_[tab++];
    }
    best = std::max(best, cells);
    start = next;
  }
  longest_ = best;
  longestDirty_ = false;
  return best;
}

// ---- editing --------------------------------------------------------------------------------

void TTextBuffer::Insert(TOffset at, std::string_view text) {
  Replace(at, at, text);
  mergeOpen_ = false;
  ForgetRedo();
}

void TTextBuffer::Erase(TOffset from, TOffset to) {
  Replace(from, to, {});
  mergeOpen_ = false;
  ForgetRedo();
}

void TTextBuffer::Replace(TOffset from, TOffset to, std::string_view text) {
  from = std::clamp<TOffset>(from, 0, Length());
  to = std::clamp<TOffset>(to, from, Length());
  if (from == to && text.empty()) return;
  std::string own;
  if (std::less_equal<const char*>()(buf_.data(), text.data()) &&
      std::less<const char*>()(text.data(), buf_.data() + buf_.size())) {
    own.assign(text);  // the text is our own bytes, which the gap is about to move
    text = own;
  }
  const auto n = static_cast<TOffset>(text.size());

  // Old index: starts a..b-1 sit in [from+1, to+1], so their CR LF is touched; lines
  // first..last (= a-1..b-1) change.
  const std::size_t a = starts_.UpperBound(from);
  const std::size_t b = starts_.UpperBound(to + 1);
  const auto first = static_cast<TLine>(a - 1);
  const auto last = static_cast<TLine>(b - 1);
  const TOffset firstStart = StartOf(first);
  const bool tabFirst = HasTab(first);
  const bool tabLast = HasTab(last);
  const bool removedTab = FindByte(from, to, '\t') >= 0;
  const TOffset oldCells = longestDirty_ ? -1 : MaxCells(first, last);

  MoveGap(from);
  gapLen_ += to - from;
  Reserve(n);
  if (n > 0) std::memcpy(buf_.data() + gapStart_, text.data(), text.size());
  gapStart_ += n;
  gapLen_ -= n;

  // New starts: after each LF at [from, from+n] that follows a CR. Bytes before from+n are
  // before the gap; the one at from+n is just after it.
  std::vector<std::int64_t> added;
  const char* data = buf_.data();
  for (TOffset p = from; p < from + n;) {
    const void* lf = std::memchr(data + p, '\n', static_cast<std::size_t>(from + n - p));
    if (lf == nullptr) break;
    const TOffset at = static_cast<const char*>(lf) - data;
    if (at > 0 && data[at - 1] == '\r') added.push_back(at + 1);
    p = at + 1;
  }
  if (from + n < Length() && B(from + n) == '\n' && from + n > 0 && B(from + n - 1) == '\r') {
    added.push_back(from + n + 1);
  }
  starts_.Fit(Length());
  starts_.Erase(a, b);
  starts_.Shift(a, n - (to - from));
  starts_.Insert(a, added);

  const auto lineDelta = static_cast<std::int64_t>(added.size()) - static_cast<std::int64_t>(b - a);
  if (a == b && added.empty() && !removedTab && tabFirst) {
    tabCells_[tabLines_.LowerBound(first)] = -1;  // still a tab line, its width changed
  } else {
    UpdateTabLines(first, last, tabFirst, tabLast, firstStart, from, text, added);
  }
  UpdateLongLines(first, last, lineDelta, from);

  if (!longestDirty_) {
    // The other lines are as they were: the maximum moves with the edited lines, unless the
    // longest line may have been among them and shrank.
    const TOffset newCells =
        oldCells < 0 ? -1 : MaxCells(first, first + static_cast<TLine>(added.size()));
    if (newCells < 0 || (newCells < longest_ && oldCells >= longest_)) {
      longestDirty_ = true;
    } else {
      longest_ = std::max(longest_, newCells);
    }
  }
  if (observer_) observer_({.Whole = false, .At = from, .Removed = to - from, .Inserted = text});
}

// The most cells among lines first..last, or −1 when that would take long to count (many
// lines, or a long tab line not counted yet).
TTextBuffer::TOffset TTextBuffer::MaxCells(TLine first, TLine last) const {
  constexpr TLine kMaxLines = 64;
  if (last - first >= kMaxLines) return -1;
  TOffset most = 0;
  std::size_t tab = tabLines_.LowerBound(first);
  for (TLine line = first; line <= last; ++line) {
    const TOffset start = StartOf(line);
    const TOffset end = EndOf(line);
    TOffset cells = end - start;
    if (tab < tabLines_.Size() && tabLines_.Get(tab) == line) {
      if (tabCells_[tab] < 0) {
        if (end - start > kLongLine) return -1;
        tabCells_[tab] = CellsFrom(0, start, end);
      }
      cells = tabCells_[tab++];
    }
    most = std::max(most, cells);
  }
  return most;
}

// Lines first..last became first..first + newStarts.size(). Their tabs lie in the kept bytes
// before the edit (in line first), in the inserted text, or in the kept bytes after it (in the
// last new line).
void TTextBuffer::UpdateTabLines(TLine first, TLine last, bool tabFirst, bool tabLast,
                                 TOffset firstStart, TOffset from, std::string_view text,
                                 const std::vector<std::int64_t>& newStarts) {
  const auto newLast = first + static_cast<TLine>(newStarts.size());
  std::vector<std::int64_t> lines;
  if (tabFirst && FindByte(firstStart, from, '\t') >= 0) lines.push_back(first);
  for (std::size_t p = text.find('\t'); p != std::string_view::npos; p = text.find('\t', p + 1)) {
    const auto at = from + static_cast<TOffset>(p);
    const auto line =
        first + (std::upper_bound(newStarts.begin(), newStarts.end(), at) - newStarts.begin());
    if (lines.empty() || lines.back() != line) lines.push_back(line);
  }
  const TOffset after = from + static_cast<TOffset>(text.size());
  if (tabLast && FindByte(after, EndOf(newLast), '\t') >= 0 &&
      (lines.empty() || lines.back() != newLast)) {
    lines.push_back(newLast);
  }
  const std::size_t i0 = tabLines_.LowerBound(first);
  const std::size_t i1 = tabLines_.UpperBound(last);
  tabLines_.Erase(i0, i1);
  tabCells_.erase(tabCells_.begin() + static_cast<std::ptrdiff_t>(i0),
                  tabCells_.begin() + static_cast<std::ptrdiff_t>(i1));
  tabLines_.Shift(i0, newLast - last);
  tabLines_.Insert(i0, lines);
  tabCells_.insert(tabCells_.begin() + static_cast<std::ptrdiff_t>(i0), lines.size(), -1);
}

// Marks before the edit stay true: a mark's boundary depends on the bytes up to it, a row start
// on those up to the byte after it (the second byte of a pair that did not fit).
void TTextBuffer::UpdateLongLines(TLine first, TLine last, std::int64_t lineDelta, TOffset from) {
  const TOffset start = StartOf(first);
  for (auto it = longLines_.begin(); it != longLines_.end();) {
    if (it->Line == first) {
      const TOffset keep = from - start;
      std::erase_if(it->Marks, [keep](const TMark& m) { return m.At >= keep; });
      const TOffset rowKeep = keep - 1;
      std::erase_if(it->Rows, [rowKeep](const TRowMark& m) { return m.At >= rowKeep; });
    } else if (it->Line > first && it->Line <= last) {
      it = longLines_.erase(it);
      continue;
    } else if (it->Line > last) {
      it->Line += lineDelta;
    }
    ++it;
  }
}

TTextBuffer::TOffset TTextBuffer::Edit(TOffset from, TOffset to, std::string_view text,
                                       bool merge) {
  if (from > to) std::swap(from, to);
  from = std::clamp<TOffset>(from, 0, Length());
  to = std::clamp<TOffset>(to, from, Length());
  const TOffset end = from + static_cast<TOffset>(text.size());
  if (from == to && text.empty()) return from;
  std::string removed = Bytes(from, to);
  Replace(from, to, text);

  ForgetRedo();
  TEdit* last = (merge && mergeOpen_ && !undo_.empty()) ? &undo_.back() : nullptr;
  const std::size_t lastBytes = last != nullptr ? StepBytes(*last) : 0;
  if (last != nullptr && removed.empty() && !last->Inserted.empty() &&
      from == last->At + static_cast<TOffset>(last->Inserted.size())) {
    last->Inserted += text;  // typing on
  } else if (last != nullptr && text.empty() && last->Inserted.empty() && to == last->At) {
    last->Removed.insert(0, removed);  // Backspace on
    last->At = from;
  } else if (last != nullptr && text.empty() && last->Inserted.empty() && from == last->At) {
    last->Removed += removed;  // Delete on
  } else {
    last = nullptr;
    Remember({.At = from, .Removed = std::move(removed), .Inserted = std::string(text), .Whole = false, .Note = {}});
  }
  if (last != nullptr) {
    historyBytes_ += StepBytes(*last) - lastBytes;
    KeepBudget();
  }
  mergeOpen_ = true;
  return end;
}

bool TTextBuffer::ReplaceAll(std::string bytes, std::any note) {
  mergeOpen_ = false;
  std::string old = TakeText();
  LoadText(std::move(bytes));
  Remember({.At = 0, .Removed = std::move(old), .Inserted = {}, .Whole = true, .Note = std::move(note)});
  return !undo_.empty();
}

bool TTextBuffer::CanUndoWhole() const noexcept {
  return std::any_of(undo_.begin(), undo_.end(),
                     [](const TEdit& step) { return step.Whole && step.Note.has_value(); });
}

std::optional<TTextBuffer::TStepDone> TTextBuffer::Undo() { return Step(undo_, redo_, true); }

std::optional<TTextBuffer::TStepDone> TTextBuffer::Redo() { return Step(redo_, undo_, false); }

// Takes the last step of `from` back (undo) or again (redo) and puts it on `to`. A step's
// Removed and Inserted trade places between the two directions.
std::optional<TTextBuffer::TStepDone> TTextBuffer::Step(std::deque<TEdit>& from,
                                                         std::deque<TEdit>& to, bool undo) {
  mergeOpen_ = false;
  if (from.empty()) return std::nullopt;
  TEdit step = std::move(from.back());
  from.pop_back();
  historyBytes_ -= StepBytes(step);
  std::string& back = undo ? step.Removed : step.Inserted;  // the text this direction restores
  std::string& gone = undo ? step.Inserted : step.Removed;  // the text it takes away
  TStepDone done{.Whole = step.Whole, .Note = step.Note};
  if (step.Whole) {
    gone = TakeText();
    LoadText(std::exchange(back, std::string()));
  } else {
    Replace(step.At, step.At + static_cast<TOffset>(gone.size()), back);
    done.Caret = step.At + static_cast<TOffset>(back.size());
  }
  historyBytes_ += StepBytes(step);
  to.push_back(std::move(step));
  KeepBudget();
  return done;
}

std::size_t TTextBuffer::StepBytes(const TEdit& step) noexcept {
  return sizeof(TEdit) + step.Removed.capacity() + step.Inserted.capacity();
}

void TTextBuffer::Remember(TEdit step) {
  ForgetRedo();
  historyBytes_ += StepBytes(step);
  undo_.push_back(std::move(step));
  KeepBudget();
}

void TTextBuffer::ForgetRedo() {
  for (const TEdit& step : redo_) historyBytes_ -= StepBytes(step);
  redo_.clear();
}

// The oldest steps go first: undone steps waiting for redo are newer than every undo step.
void TTextBuffer::KeepBudget() {
  while (historyBytes_ > historyBudget_ && !undo_.empty()) {
    historyBytes_ -= StepBytes(undo_.front());
    undo_.pop_front();
  }
  while (historyBytes_ > historyBudget_ && !redo_.empty()) {
    historyBytes_ -= StepBytes(redo_.front());
    redo_.pop_front();
  }
}

void TTextBuffer::SetHistoryBudget(std::size_t bytes) {
  historyBudget_ = bytes;
  KeepBudget();
}

std::size_t TTextBuffer::DefaultHistoryBudget() {
  constexpr std::size_t kMost = std::size_t{1} << 30;
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return kMost;
  return std::min(kMost, static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) / 4);
}

// ---- bytes across the gap -------------------------------------------------------------------

TTextBuffer::TOffset TTextBuffer::FindByte(TOffset from, TOffset to, char c) const noexcept {
  const char* data = buf_.data();
  if (from < gapStart_ && from < to) {
    const TOffset end = std::min(to, gapStart_);
    if (const void* hit = std::memchr(data + from, c, static_cast<std::size_t>(end - from))) {
      return static_cast<const char*>(hit) - data;
    }
    from = end;
  }
  if (from < to) {
    if (const void* hit =
            std::memchr(data + from + gapLen_, c, static_cast<std::size_t>(to - from))) {
      return static_cast<const char*>(hit) - data - gapLen_;
    }
  }
  return -1;
}

// The column after the bytes [from, to), which start at column.
TTextBuffer::TOffset TTextBuffer::CellsFrom(TOffset column, TOffset from,
                                            TOffset to) const noexcept {
  for (TOffset tab = FindByte(from, to, '\t'); tab >= 0; tab = FindByte(from, to, '\t')) {
    column = NextTabStop(column + tab - from);
    from = tab + 1;
  }
  return column + std::max<TOffset>(to - from, 0);
}

TTextBuffer::TOffset TTextBuffer::LeadRunStart(TOffset floor, TOffset o) const noexcept {
  const auto* data = reinterpret_cast<const unsigned char*>(buf_.data());
  TOffset p = o;
  if (p > gapStart_) {
    const unsigned char* after = data + gapLen_;  // after[i] is byte i for i >= gapStart_
    const TOffset low = std::max(floor, gapStart_);
    while (p > low && IsLead(after[p - 1])) --p;
    if (p > low || low == floor) return p;
  }
  while (p > floor && IsLead(data[p - 1])) --p;
  return p;
}

// boundary is a boundary and [boundary, o) is all lead-range bytes: they pair up from the
// boundary, so o starts a character unless one byte is left over and pairs with the byte at o.
TTextBuffer::TOffset TTextBuffer::ResolveParity(TOffset boundary, TOffset o) const noexcept {
  if ((o - boundary) % 2 == 0) return o;
  return (o < Length() && IsTrail(B(o))) ? o - 1 : o;
}

TTextBuffer::TOffset TTextBuffer::CharLength(TOffset at) const noexcept {
  if (at >= Length()) return 0;
  return (IsLead(B(at)) && at + 1 < Length() && IsTrail(B(at + 1))) ? 2 : 1;
}

TTextBuffer::TOffset TTextBuffer::CharStartIn(TLine line, TOffset lineStart, TOffset lineEnd,
                                              TOffset o) const {
  if (o - lineStart <= 2 * kMarkSpan) return CharStartAbove(lineStart, o);
  const TOffset limit = o - kMarkSpan;
  const TOffset run = LeadRunStart(limit, o);
  if (run > limit) return ResolveParity(run, o);
  // A long run of lead-range bytes: go from the nearest known boundary.
  return CharStartAbove(lineStart + MarkBefore(line, lineStart, lineEnd, o).At, o);
}

TTextBuffer::TOffset TTextBuffer::CharStart(TOffset offset) const {
  const TOffset o = std::clamp<TOffset>(offset, 0, Length());
  if (o == 0 || o == Length()) return o;
  const TLine line = LineOf(o);
  const TOffset start = StartOf(line);
  if (o == start) return o;
  if (B(o) == '\n' && B(o - 1) == '\r') return o - 1;
  return CharStartIn(line, start, EndOf(line), o);
}

TTextBuffer::TOffset TTextBuffer::NextChar(TOffset offset) const {
  const TOffset o = CharStart(offset);
  if (o >= Length()) return Length();
  if (B(o) == '\r' && o + 1 < Length() && B(o + 1) == '\n') return o + 2;
  return o + CharLength(o);
}

// The boundary before a boundary. Inside a run of lead-range bytes it is two back: a byte in
// lead range followed by a trail byte cannot stand alone, so it ends a pair.
TTextBuffer::TOffset TTextBuffer::PrevBoundary(TOffset boundary) const {
  if (boundary >= 2 && B(boundary - 1) == '\n' && B(boundary - 2) == '\r') return boundary - 2;
  if (boundary >= 2 && boundary < Length() && IsLead(B(boundary - 1)) && IsTrail(B(boundary))) {
    return boundary - 2;
  }
  return CharStart(boundary - 1);
}

TTextBuffer::TOffset TTextBuffer::PrevChar(TOffset offset) const {
  const TOffset o = std::clamp<TOffset>(offset, 0, Length());
  if (o == 0) return 0;
  const TOffset start = CharStart(o);
  return start < o ? start : PrevBoundary(o);
}

// ---- words ----------------------------------------------------------------------------------

int TTextBuffer::ClassAt(TOffset at) const noexcept {
  const unsigned char b = B(at);
  if (CharLength(at) == 2) {
    const unsigned code = (unsigned{b} << 8) | B(at + 1);
    if (code == 0x8140) return kBlank;
    if (code >= 0x829F && code <= 0x82F1) return kHiragana;
    if ((code >= 0x8340 && code <= 0x8396) || code == 0x815B) return kKatakana;
    if (code >= 0x889F && b <= 0xEA) return kKanji;
    return kWide;
  }
  if (b == ' ' || b == '\t') return kBlank;
  if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_') {
    return kWordChar;
  }
  if (b >= 0xA1 && b <= 0xDF) return kHalfKana;
  return kSymbol;
}

TTextBuffer::TOffset TTextBuffer::NextWord(TOffset offset) const {
  TOffset o = CharStart(offset);
  if (o >= Length()) return Length();
  const TOffset end = EndOf(LineOf(o));
  if (o >= end) return NextChar(o);  // at a line's end: over the break
  const int cls = ClassAt(o);
  if (cls != kBlank) {
    while (o < end && ClassAt(o) == cls) o += CharLength(o);
  }
  while (o < end && ClassAt(o) == kBlank) o += CharLength(o);
  return o;
}

TTextBuffer::TOffset TTextBuffer::PrevWord(TOffset offset) const {
  TOffset o = CharStart(offset);
  const TOffset start = StartOf(LineOf(o));
  if (o == start) return PrevChar(o);  // at a line's start: over the break
  while (o > start && ClassAt(PrevBoundary(o)) == kBlank) o = PrevBoundary(o);
  if (o == start) return o;
  const int cls = ClassAt(PrevBoundary(o));
  while (o > start) {
    const TOffset p = PrevBoundary(o);
    if (ClassAt(p) != cls) break;
    o = p;
  }
  return o;
}

std::pair<TTextBuffer::TOffset, TTextBuffer::TOffset> TTextBuffer::WordAt(TOffset offset) const {
  TOffset o = CharStart(offset);
  const TLine line = LineOf(o);
  const TOffset start = StartOf(line);
  const TOffset end = EndOf(line);
  if (start == end) return {start, start};
  if (o >= end) o = PrevBoundary(end);  // past the last character: its word
  const int cls = ClassAt(o);
  TOffset first = o;
  while (first > start) {
    const TOffset p = PrevBoundary(first);
    if (ClassAt(p) != cls) break;
    first = p;
  }
  TOffset after = o + CharLength(o);
  while (after < end && ClassAt(after) == cls) after += CharLength(after);
  return {first, after};
}

// ---- columns and rows -----------------------------------------------------------------------

TTextBuffer::TLongLine& TTextBuffer::LongLine(TLine line) const {
  ++useClock_;
  for (TLongLine& entry : longLines_) {
    if (entry.Line == line) {
      entry.Used = useClock_;
      return entry;
    }
  }
  TLongLine* entry = nullptr;
  if (longLines_.size() < kLongLinesKept) {
    entry = &longLines_.emplace_back();
  } else {  // the least recently used one goes
    entry = &*std::min_element(
        longLines_.begin(), longLines_.end(),
        [](const TLongLine& x, const TLongLine& y) { return x.Used < y.Used; });
    *entry = TLongLine{};
  }
  entry->Line = line;
  entry->Used = useClock_;
  return *entry;
}

// The next mark: the first boundary at or after its target, found from the mark before it.
void TTextBuffer::AddMark(TLongLine& entry, TOffset lineStart, bool tabs) const {
  const auto i = static_cast<TOffset>(entry.Marks.size());
  const TOffset target = lineStart + (i + 1) * kMarkSpan;
  const TOffset before = i == 0 ? lineStart : lineStart + entry.Marks.back().At;
  const TOffset beforeColumn = i == 0 ? 0 : entry.Marks.back().Column;
  const TOffset at = CharStartAbove(before, target) == target ? target : target + 1;
  const TOffset column = tabs ? CellsFrom(beforeColumn, before, at) : at - lineStart;
  entry.Marks.push_back({at - lineStart, column});
}

// The last mark at or before o (the line's start when there is none), marks made as far as o.
TTextBuffer::TMark TTextBuffer::MarkBefore(TLine line, TOffset lineStart, TOffset lineEnd,
                                           TOffset o) const {
  TLongLine& entry = LongLine(line);
  const bool tabs = HasTab(line);
  for (;;) {
    const TOffset target = lineStart + (static_cast<TOffset>(entry.Marks.size()) + 1) * kMarkSpan;
    if (target > o || target >= lineEnd) break;
    AddMark(entry, lineStart, tabs);
  }
  const auto after = std::upper_bound(entry.Marks.begin(), entry.Marks.end(), o - lineStart,
                                      [](TOffset v, const TMark& m) { return v < m.At; });
  return after == entry.Marks.begin() ? TMark{0, 0} : *(after - 1);
}

TTextBuffer::TOffset TTextBuffer::ColumnIn(TLine line, TOffset lineStart, TOffset lineEnd,
                                           TOffset o) const {
  if (!HasTab(line)) return o - lineStart;
  if (lineEnd - lineStart <= kLongLine) return CellsFrom(0, lineStart, o);
  const TMark mark = MarkBefore(line, lineStart, lineEnd, o);
  return CellsFrom(mark.Column, lineStart + mark.At, o);
}

TTextBuffer::TOffset TTextBuffer::ColumnOf(TOffset offset) const {
  const TOffset o = std::clamp<TOffset>(offset, 0, Length());
  const TLine line = LineOf(o);
  return ColumnIn(line, StartOf(line), EndOf(line), o);
}

TTextBuffer::TOffset TTextBuffer::OffsetAtColumn(TLine line, TOffset column, bool nearest) const {
  line = ClampLine(line);
  const TOffset start = StartOf(line);
  const TOffset end = EndOf(line);
  if (column <= 0) return start;
  if (!HasTab(line)) {
    const TOffset target = start + column;
    if (target >= end) return end;
    const TOffset at = CharStartIn(line, start, end, target);
    if (nearest && at < target && 2 * (target - at) >= CharLength(at)) return at + CharLength(at);
    return at;
  }
  TOffset pos = start;
  TOffset col = 0;
  if (end - start > kLongLine) {
    TLongLine& entry = LongLine(line);
    while ((entry.Marks.empty() || entry.Marks.back().Column <= column) &&
           start + (static_cast<TOffset>(entry.Marks.size()) + 1) * kMarkSpan < end) {
      AddMark(entry, start, true);
    }
    const auto after = std::upper_bound(entry.Marks.begin(), entry.Marks.end(), column,
                                        [](TOffset v, const TMark& m) { return v < m.Column; });
    if (after != entry.Marks.begin()) {
      pos = start + (after - 1)->At;
      col = (after - 1)->Column;
    }
  }
  while (pos < end && col < column) {
    const TOffset length = CharLength(pos);
    const TOffset width = B(pos) == '\t' ? NextTabStop(col) - col : length;
    if (col + width > column) {
      return (nearest && 2 * (column - col) >= width) ? pos + length : pos;
    }
    col += width;
    pos += length;
  }
  return pos;
}

std::pair<TTextBuffer::TOffset, TTextBuffer::TOffset> TTextBuffer::RowEnd(
    TOffset rowStart, TOffset column, TOffset lineEnd, TOffset cells, bool tabs) const noexcept {
  if (rowStart >= lineEnd) return {lineEnd, column};
  if (!tabs) {
    if (rowStart + cells >= lineEnd) return {lineEnd, column + lineEnd - rowStart};
    TOffset next = CharStartAbove(rowStart, rowStart + cells);
    if (next == rowStart) next += CharLength(rowStart);  // one character at least
    return {next, column + next - rowStart};
  }
  TOffset pos = rowStart;
  TOffset col = column;
  while (pos < lineEnd) {
    const TOffset length = CharLength(pos);
    const TOffset width = B(pos) == '\t' ? NextTabStop(col) - col : length;
    if (pos > rowStart && col + width - column > cells) break;
    col += width;
    pos += length;
  }
  return {pos, col};
}

TTextBuffer::TOffset TTextBuffer::NextRowStart(TOffset rowStart, TOffset cells) const {
  const TOffset o = std::clamp<TOffset>(rowStart, 0, Length());
  const TLine line = LineOf(o);
  const TOffset start = StartOf(line);
  const TOffset end = EndOf(line);
  if (o >= end) return end;
  const bool tabs = HasTab(line);
  return RowEnd(o, tabs ? ColumnIn(line, start, end, o) : o - start, end,
                std::max<TOffset>(cells, 1), tabs)
      .first;
}

std::pair<TTextBuffer::TOffset, TTextBuffer::TOffset> TTextBuffer::RowOf(TOffset offset,
                                                                         TOffset cells) const {
  cells = std::max<TOffset>(cells, 1);
  const TOffset o = std::clamp<TOffset>(offset, 0, Length());
  const TLine line = LineOf(o);
  const TOffset start = StartOf(line);
  const TOffset end = EndOf(line);
  const bool tabs = HasTab(line);
  TOffset rowStart = start;
  TOffset row = 0;
  TOffset column = 0;
  std::vector<TRowMark>* marks = nullptr;  // set while walking past the last mark
  if (end - start > kLongLine) {
    TLongLine& entry = LongLine(line);
    if (entry.RowCells != cells) {
      entry.Rows.clear();
      entry.RowCells = cells;
    }
    const auto after = std::upper_bound(entry.Rows.begin(), entry.Rows.end(), o - start,
                                        [](TOffset v, const TRowMark& m) { return v < m.At; });
    if (after != entry.Rows.begin()) {
      rowStart = start + (after - 1)->At;
      row = (after - 1)->Row;
      column = (after - 1)->Column;
    }
    if (after == entry.Rows.end()) marks = &entry.Rows;
  }
  for (;;) {
    const auto [next, nextColumn] = RowEnd(rowStart, column, end, cells, tabs);
    if (next >= end || next > o) return {row, rowStart};
    rowStart = next;
    column = nextColumn;
    ++row;
    if (marks != nullptr &&
        rowStart - start >= (marks->empty() ? 0 : marks->back().At) + kMarkSpan) {
      marks->push_back({rowStart - start, row, column});
    }
  }
}

TTextBuffer::TOffset TTextBuffer::RowsOfLine(TLine line, TOffset cells) const {
  return RowOf(LineEnd(line), cells).first + 1;
}
