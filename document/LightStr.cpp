// TLightStrings: joining, splitting, loading and saving of line lists.
#include "document/LightStr.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "document/Failures.h"
#include "document/FileIO.h"

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kEndOfFileByte = '\x1A';
// Loads reserve slots for the lines they expect, then trim to what was split: one slot per this
// many bytes for a small text, or as many as the first kSampledBytes of a larger one predict.
constexpr std::uint64_t kBytesPerLineEstimate = 28;
constexpr std::size_t kSampledBytes = 1 << 16;
constexpr std::size_t kWriteBufferSize = 1 << 16;
// Blocks for lines added one by one start small and double up to this size.
constexpr std::size_t kFirstBlockSize = 4096;
constexpr std::size_t kLargestBlockSize = 1 << 20;
constexpr std::string_view kQuotedItemStops("\r\0\"", 3);
constexpr std::string_view kItemStops("\r\0\",", 4);

bool NeedsQuotes(std::string_view line) {
  return line.find_first_of(" ,") != std::string_view::npos;
}

// The position of the next byte c at or after `from`, remembered between calls so that a text
// is scanned once for each of two bytes whatever their order.
class TNextByte {
 public:
  TNextByte(std::string_view text, char c) : text_(text), c_(c) {}
  std::size_t From(std::size_t from) {
    if (next_ < from || !valid_) {
      const void* found = from < text_.size()
                              ? std::memchr(text_.data() + from, c_, text_.size() - from)
                              : nullptr;
      next_ = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data())
                    : text_.size();
      valid_ = true;
    }
    return next_;
  }

 private:
  std::string_view text_;
  char c_;
  std::size_t next_ = 0;
  bool valid_ = false;
};

bool IsBreakOrNul(char c) { return c == kCR || c == kLF || c == '\0'; }

// The position of the first CR, LF or NUL at or after `from`, or npos.
std::size_t FindBreakOrNul(std::string_view text, std::size_t from) noexcept {
#if defined(__SSE2__)
  // Thirty-two bytes at a time, then sixteen; a last part shorter than that is looked at in
  // the last sixteen.
  if (text.size() >= 16) {
    const auto hits = [&text](std::size_t at) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
      const __m128i hit =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(kCR)),
                                    _mm_cmpeq_epi8(v, _mm_set1_epi8(kLF))),
                       _mm_cmpeq_epi8(v, _mm_setzero_si128()));
      return static_cast<std::uint32_t>(_mm_movemask_epi8(hit));
    };
    const auto at = [](std::size_t start, std::uint32_t found) {
      return found != 0 ? start + std::countr_zero(found) : std::string_view::npos;
    };
    for (; from + 32 <= text.size(); from += 32) {
      if (const std::uint32_t found = hits(from) | hits(from + 16) << 16; found != 0) {
        return at(from, found);
      }
    }
    if (from + 16 <= text.size()) {
      if (const std::uint32_t found = hits(from); found != 0) return at(from, found);
      from += 16;
    }
    if (from == text.size()) return std::string_view::npos;
    const std::size_t last = text.size() - 16;
    return at(from, hits(last) >> (from - last));
  }
#endif
  for (; from < text.size(); ++from) {
    if (IsBreakOrNul(text[from])) return from;
  }
  return std::string_view::npos;
}

}  // namespace

TLightStrings::~TLightStrings() { Clear(); }

bool TLightStrings::HoldsBreakOrNul(std::string_view line) noexcept {
  return FindBreakOrNul(line, 0) != std::string_view::npos;
}

std::int32_t TLightStrings::Add(std::string_view line) {
  if (joinTo_ != nullptr) {
    joinTo_->append(line).append("\r\n");
    return -1;
  }
  allPlain_ = allPlain_ && !HoldsBreakOrNul(line);
  return AddView(Store(line));
}

std::int32_t TLightStrings::Add(std::string_view first, std::string_view second) {
  if (joinTo_ != nullptr) {
    joinTo_->append(first).append(second).append("\r\n");
    return -1;
  }
  allPlain_ = allPlain_ && !HoldsBreakOrNul(first) && !HoldsBreakOrNul(second);
  return AddView(Store(first, second));
}

std::int32_t TLightStrings::AddView(std::string_view stored) {
  if (Count() == capacity_) {
    // Geometric growth keeps a list of millions of short lines linear to build.
    if (capacity_ >= kMaxListSize) Error();
    const std::int64_t grown = std::int64_t{capacity_} + std::max(32, capacity_ / 2);
    SetCapacity(static_cast<std::int32_t>(std::min<std::int64_t>(grown, kMaxListSize)));
  }
  lines_.push_back(stored);
  return Count() - 1;
}

void TLightStrings::KeepLinesIf(std::int32_t first, std::int32_t last,
                                const std::function<bool(std::string_view)>& keep) {
  if (last < first) return;
  if (first < 0 || last >= Count()) Error();
  const auto begin = lines_.begin() + first;
  const auto end = lines_.begin() + last + 1;
  lines_.erase(std::remove_if(begin, end, [&keep](std::string_view line) { return !keep(line); }),
               end);
}

std::string_view TLightStrings::Store(std::string_view bytes, std::string_view more) {
  const std::size_t size = bytes.size() + more.size();
  if (size == 0) return {};
  std::string* block = storeBlock_;
  if (block == nullptr || block->capacity() - block->size() < size) {
    nextBlockSize_ = std::clamp(nextBlockSize_ * 2, kFirstBlockSize, kLargestBlockSize);
    auto fresh = std::make_shared<std::string>();
    fresh->reserve(std::max(nextBlockSize_, size));
    block = storeBlock_ = fresh.get();
    blocks_.push_back(std::move(fresh));
  }
  // Appending within a block's capacity never moves it, so the views into it stay valid.
  const std::size_t at = block->size();
  block->append(bytes).append(more);
  return {block->data() + at, size};
}

std::string_view TLightStrings::Adopt(std::string&& bytes) {
  auto block = std::make_shared<std::string>(std::move(bytes));
  const std::string_view text(*block);
  blocks_.push_back(std::move(block));
  return text;
}

void TLightStrings::Reuse() {
  lines_.clear();
  const bool ownLast =
      storeBlock_ != nullptr && !blocks_.empty() && blocks_.back().get() == storeBlock_;
  if (ownLast) {
    std::shared_ptr<const void> kept = std::move(blocks_.back());
    blocks_.clear();
    storeBlock_->clear();
    blocks_.push_back(std::move(kept));
  } else {
    blocks_.clear();
    storeBlock_ = nullptr;
  }
  allPlain_ = true;
}

void TLightStrings::Clear() {
  if (capacity_ == 0 && blocks_.empty()) return;
  std::vector<std::string_view>().swap(lines_);
  blocks_.clear();
  storeBlock_ = nullptr;
  nextBlockSize_ = 0;
  capacity_ = 0;
  allPlain_ = true;
}

std::string TLightStrings::Get(std::int32_t index) const { return std::string(View(index)); }

std::string TLightStrings::GetText() const {
  std::size_t total = 0;
  for (std::string_view line : lines_) total += line.size() + 2;
  std::string text;
  // A little spare room, never touched unless used: the editor takes this storage as its
  // document, and its first keystrokes then need no copy of the whole text.
  text.reserve(total + std::min<std::size_t>(total / 64 + 4096, std::size_t{4} << 20));
  for (std::string_view line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TLightStrings::SetText(std::string_view text) { SetText(std::string(text)); }

void TLightStrings::SetText(std::string&& text) {
  Clear();
  ReserveForText(text);
  SplitText(Adopt(std::move(text)));
  TrimCapacity();
}

void TLightStrings::SetText(std::shared_ptr<const void> owner, std::string_view text) {
  Clear();
  ReserveForText(text);
  blocks_.push_back(std::move(owner));
  SplitText(text);
  TrimCapacity();
}

// CR LF, a lone CR and a lone LF each end a line; the text ends at its first NUL.
void TLightStrings::SplitText(std::string_view text) {
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  TNextByte nextCR(text, kCR);
  TNextByte nextLF(text, kLF);
  std::size_t pos = 0;
  for (;;) {
    const std::size_t end = std::min(nextCR.From(pos), nextLF.From(pos));
    AddView(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == kCR) ++pos;
    if (pos < text.size() && text[pos] == kLF) ++pos;
    if (pos >= text.size()) break;
  }
}

void TLightStrings::SetCount(std::int32_t n) {
  if (n < 0 || n > kMaxListSize) Error();
  if (n > capacity_) SetCapacity(n);
  lines_.resize(static_cast<std::size_t>(n));
}

void TLightStrings::SetCapacity(std::int32_t n) {
  if (n > kMaxListSize) Error();
  if (n == capacity_) return;
  if (n < Count()) Error();
  if (n == 0) {
    std::vector<std::string_view>().swap(lines_);
    blocks_.clear();
    storeBlock_ = nullptr;
    nextBlockSize_ = 0;
    allPlain_ = true;
  } else if (static_cast<std::size_t>(n) > lines_.capacity()) {
    lines_.reserve(static_cast<std::size_t>(n));
  } else if (n == Count()) {
    lines_.shrink_to_fit();
  }
  capacity_ = n;
}

void TLightStrings::SetCommaText(std::string_view text) {
  Clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const bool quoted = text[pos] == '"';
    if (quoted) ++pos;
    const std::size_t stop =
        std::min(text.find_first_of(quoted ? kQuotedItemStops : kItemStops, pos), text.size());
    Add(text.substr(pos, stop - pos));
    pos = stop + 1 + (quoted ? 1 : 0);
  }
}

std::string TLightStrings::GetCommaText() const {
  std::string text;
  for (std::string_view line : lines_) {
    if (NeedsQuotes(line)) {
      text += '"';
      text += line;
      text += '"';
    } else {
      text += line;
    }
    text += ',';
  }
  if (!text.empty()) text.pop_back();
  return text;
}

void TLightStrings::Error() const { throw EListError(); }

void TLightStrings::LoadFromFile(const std::string& path) {
  Clear();
  stoppedAtLine_ = -1;
  FileIO::TInputFile file(path);
  FileIO::TContent content = FileIO::ReadContent(file);
  ReserveForText(content.Bytes);
  blocks_.push_back(std::move(content.Owner));
  SplitFileBytes(content.Bytes);
  TrimCapacity();
}

void TLightStrings::LoadFromBytes(std::string&& bytes) {
  Clear();
  stoppedAtLine_ = -1;
  ReserveForText(bytes);
  SplitFileBytes(Adopt(std::move(bytes)));
  TrimCapacity();
}

// Only CR and CR LF end lines; a lone LF and NUL stay inside; the first 0x1A ends the input.
void TLightStrings::SplitFileBytes(std::string_view text) {
  const std::size_t eof = text.find(kEndOfFileByte);
  const bool bytesLeftUnread = eof != std::string_view::npos && eof + 1 < text.size();
  if (eof != std::string_view::npos) text = text.substr(0, eof);
  TNextByte nextCR(text, kCR);
  std::int32_t linesEndedByCR = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Until an LF or a NUL turns up, one scan finds a line's end and looks for them too.
    std::size_t cr = text.size();
    if (allPlain_) {
      cr = std::min(FindBreakOrNul(text, pos), text.size());
      if (cr < text.size() && text[cr] != kCR) allPlain_ = false;
    }
    if (!allPlain_) cr = nextCR.From(pos);
    AddView(text.substr(pos, cr - pos));
    if (cr < text.size()) ++linesEndedByCR;
    pos = cr + 1;
    if (pos < text.size() && text[pos] == kLF) ++pos;
  }
  // The 0x1A stands in the first line that no CR ended.
  if (bytesLeftUnread) stoppedAtLine_ = linesEndedByCR;
}

void TLightStrings::SaveToFile(const std::string& path) const {
  FileIO::TAtomicFileWriter writer(path);
  std::string buffer;
  buffer.reserve(kWriteBufferSize + 2);
  for (std::string_view line : lines_) {
    if (buffer.size() + line.size() + 2 > kWriteBufferSize) {
      writer.Write(buffer);
      buffer.clear();
    }
    if (line.size() + 2 > kWriteBufferSize) {
      writer.Write(line);
      writer.Write("\r\n");
      continue;
    }
    buffer += line;
    buffer += "\r\n";
  }
  writer.Write(buffer);
  writer.Commit();
}

void TLightStrings::SaveToStream(TByteStream& stream) const {
  const std::string text = GetText();
  stream.Write(text.data(), text.size());
}

void TLightStrings::LoadFromStream(TByteStream& stream) {
  Clear();
  const std::int64_t n = stream.Size() - stream.Position();
  if (n <= 0) return;
  std::string bytes(static_cast<std::size_t>(n), '\0');
  bytes.resize(stream.Read(bytes.data(), bytes.size()));
  SetText(std::move(bytes));
}

std::int32_t TLightStrings::IndexOf(std::string_view s) const {
  const auto found = std::find(lines_.begin(), lines_.end(), s);
  return found == lines_.end() ? -1 : static_cast<std::int32_t>(found - lines_.begin());
}

void TLightStrings::ReserveForText(std::string_view text) {
  constexpr auto kMax = static_cast<std::uint64_t>(kMaxListSize);
  if (text.size() <= kSampledBytes) {
    SetCapacity(static_cast<std::int32_t>(text.size() / kBytesPerLineEstimate));
    return;
  }
  // The sample's lines for every sample's worth of bytes, and a fifth more, so that a text of
  // like lines is split without the list growing or being copied when it is trimmed.
  const std::string_view sample = text.substr(0, kSampledBytes);
  const auto breaks = std::max(std::ranges::count(sample, kCR), std::ranges::count(sample, kLF));
  const std::uint64_t estimate =
      static_cast<std::uint64_t>(breaks + 1) * (text.size() / kSampledBytes + 1);
  if (estimate > kMax) Error();
  SetCapacity(static_cast<std::int32_t>(std::min(estimate + estimate / 5, kMax)));
}

void TLightStrings::TrimCapacity() {
  if (Count() > 0 && lines_.capacity() - lines_.size() <= lines_.size() / 4) {
    capacity_ = Count();  // too few spare slots to be worth copying the list to free them
    return;
  }
  SetCapacity(Count());
}
