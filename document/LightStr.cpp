// TLightStrings: joining, splitting, loading and saving of line lists.
#include "document/LightStr.h"

#include <algorithm>
#include <cstring>

#include "document/Failures.h"
#include "document/FileIO.h"

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kEndOfFileByte = '\x1A';
// Loads reserve one slot per this many bytes before reading, then trim to what was read.
constexpr std::uint64_t kBytesPerLineEstimate = 28;
constexpr std::size_t kReadBufferSize = 1 << 16;
constexpr std::string_view kQuotedItemStops("\r\0\"", 3);
constexpr std::string_view kItemStops("\r\0\",", 4);

bool NeedsQuotes(std::string_view line) {
  return line.find_first_of(" ,") != std::string_view::npos;
}

}  // namespace

TLightStrings::~TLightStrings() { Clear(); }

std::int32_t TLightStrings::Add(std::string line) {
  if (Count() == capacity_) {
    // Geometric growth keeps a list of millions of short lines linear to build.
    if (capacity_ >= kMaxListSize) Error();
    const std::int64_t grown = std::int64_t{capacity_} + std::max(32, capacity_ / 2);
    SetCapacity(static_cast<std::int32_t>(std::min<std::int64_t>(grown, kMaxListSize)));
  }
  lines_.push_back(std::move(line));
  return Count() - 1;
}

void TLightStrings::Clear() {
  if (capacity_ == 0) return;
  std::vector<std::string>().swap(lines_);
  capacity_ = 0;
}

std::string TLightStrings::Get(std::int32_t index) const { return std::string(View(index)); }

std::string_view TLightStrings::View(std::int32_t index) const {
  if (index < 0 || index >= Count()) Error();
  return lines_[static_cast<std::size_t>(index)];
}

std::string TLightStrings::GetText() const {
  std::size_t total = 0;
  for (const std::string& line : lines_) total += line.size() + 2;
  std::string text;
  text.reserve(total);
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TLightStrings::SetText(std::string_view text) {
  Clear();
  ReserveForBytes(text.size());
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::size_t pos = 0;
  for (;;) {
    const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    Add(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == kCR) ++pos;
    if (pos < text.size() && text[pos] == kLF) ++pos;
    if (pos >= text.size()) break;
  }
  TrimCapacity();
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
    std::vector<std::string>().swap(lines_);
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
  for (const std::string& line : lines_) {
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
  ReserveForBytes(static_cast<std::uint64_t>(file.Size()));

  std::string buffer(kReadBufferSize, '\0');
  std::string line;          // the line being read, across buffer boundaries
  bool inLine = false;       // bytes of an unfinished line have been read
  bool skipLF = false;       // the last byte read was a CR: one LF right after belongs to it
  for (;;) {
    const std::size_t n = file.Read(buffer.data(), buffer.size());
    if (n == 0) break;
    std::string_view chunk(buffer.data(), n);
    const std::size_t eof = chunk.find(kEndOfFileByte);
    if (eof != std::string_view::npos) chunk = chunk.substr(0, eof);

    std::size_t pos = 0;
    if (skipLF && !chunk.empty() && chunk[0] == kLF) pos = 1;
    skipLF = false;
    while (pos < chunk.size()) {
      const std::size_t cr = chunk.find(kCR, pos);
      if (cr == std::string_view::npos) {
        line.append(chunk.substr(pos));
        inLine = true;
        break;
      }
      line.append(chunk.substr(pos, cr - pos));
      Add(std::move(line));
      line.clear();
      inLine = false;
      pos = cr + 1;
      if (pos == chunk.size()) {
        skipLF = true;
      } else if (chunk[pos] == kLF) {
        ++pos;
      }
    }

    if (eof != std::string_view::npos) {
      const bool moreFollows = eof + 1 < n || file.Read(buffer.data(), 1) > 0;
      if (moreFollows) stoppedAtLine_ = Count();
      break;
    }
  }
  if (inLine) Add(std::move(line));
  TrimCapacity();
}

void TLightStrings::SaveToFile(const std::string& path) const {
  FileIO::TAtomicFileWriter writer(path);
  std::string buffer;
  buffer.reserve(kReadBufferSize + 2);
  for (const std::string& line : lines_) {
    if (buffer.size() + line.size() + 2 > kReadBufferSize) {
      writer.Write(buffer);
      buffer.clear();
    }
    if (line.size() + 2 > kReadBufferSize) {
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
  SetText(bytes);
}

std::int32_t TLightStrings::IndexOf(std::string_view s) const {
  const auto found = std::find(lines_.begin(), lines_.end(), s);
  return found == lines_.end() ? -1 : static_cast<std::int32_t>(found - lines_.begin());
}

void TLightStrings::ReserveForBytes(std::uint64_t byteCount) {
  const std::uint64_t estimate = byteCount / kBytesPerLineEstimate;
  if (estimate > static_cast<std::uint64_t>(kMaxListSize)) Error();
  SetCapacity(static_cast<std::int32_t>(estimate));
}

void TLightStrings::TrimCapacity() { SetCapacity(Count()); }
