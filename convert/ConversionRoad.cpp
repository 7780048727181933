// The conversion road on line lists.
#include "convert/ConversionRoad.h"

#include <algorithm>
#include <cstring>

namespace ConversionRoad {

std::string_view LineOf(const TLightStrings& document, std::int32_t i) {
  return (i >= 0 && i < document.Count()) ? document.View(i) : std::string_view();
}

void CopyLinesBefore(const TLightStrings& document, TRange range, TLightStrings& out) {
  for (std::int32_t i = 0; i < range.Start; ++i) out.Add(LineOf(document, i));
}

void CopyLinesAfter(const TLightStrings& document, std::int32_t lineCount, TRange range,
                    TLightStrings& out) {
  // After an empty range, from its start: the lines before it were copied already.
  for (std::int32_t i = std::max(range.End + 1, range.Start); i < lineCount; ++i) {
    out.Add(LineOf(document, i));
  }
}

void ConvertLines(const TLightStrings& document, TRange range, const LineRule& rule,
                  TLightStrings& out, const RangeTail& tail) {
  if (range.End < range.Start) return;
  for (std::int32_t i = range.Start; i <= range.End; ++i) rule(LineOf(document, i), out);
  if (tail) tail(out);
}

void Run(const TLightStrings& document, std::int32_t lineCount, TRange range,
         const LineRule& rule, TLightStrings& out, const RangeTail& tail) {
  CopyLinesBefore(document, range, out);
  ConvertLines(document, range, rule, out, tail);
  CopyLinesAfter(document, lineCount, range, out);
}

namespace {

// The lines of a text with CR LF breaks, one after another, as SetText makes them: a final
// break adds no line and an empty text is one empty line; past the last, lines are "".
class TTextLines {
 public:
  explicit TTextLines(std::string_view text) : text_(text.empty() ? "\r\n" : text) {}

  std::string_view Next() {
    if (at_ >= text_.size()) return {};
    const std::size_t from = at_;
    const std::size_t lf = text_.find('\n', from);
    if (lf == std::string_view::npos) {
      at_ = text_.size();
      return text_.substr(from);
    }
    at_ = lf + 1;
    return text_.substr(from, lf - 1 - from);
  }

  // Appends those of the next count lines that keep accepts to out, each followed by CR LF:
  // each run of kept lines in one piece where it stands.
  void KeepTo(std::int64_t count, const LineFilter& keep, std::string& out) {
    const char* const end = text_.data() + text_.size();
    const char* runFrom = nullptr;
    const char* runTo = nullptr;
    const auto flush = [&] {
      if (runFrom == nullptr) return;
      out.append(runFrom, runTo);
      if (runTo == end && end[-1] != '\n') out += "\r\n";  // the last line had no break
      runFrom = nullptr;
    };
    for (; count > 0; --count) {
      const bool inText = at_ < text_.size();
      const std::string_view line = Next();
      if (!keep(line)) {
        flush();
      } else if (!inText) {
        flush();
        out += "\r\n";
      } else {
        if (runFrom == nullptr || line.data() != runTo) {
          flush();
          runFrom = line.data();
        }
        runTo = std::min(line.data() + line.size() + 2, end);
      }
    }
    flush();
  }

  // Appends the next count lines to out, each followed by CR LF, in one piece where they are.
  void CopyTo(std::int64_t count, std::string& out) {
    std::size_t end = at_;
    for (; count > 0 && end < text_.size(); --count) {
      const void* lf = std::memchr(text_.data() + end, '\n', text_.size() - end);
      end = lf == nullptr ? text_.size() : static_cast<std::size_t>(static_cast<const char*>(lf) - text_.data()) + 1;
    }
    out.append(text_.substr(at_, end - at_));
    if (end > at_ && text_[end - 1] != '\n') out += "\r\n";  // the last line had no break
    at_ = end;
    for (; count > 0; --count) out += "\r\n";
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};


}  // namespace

void FilterOnText(std::string_view text, std::int32_t lineCount, TRange range,
                  const LineFilter& keep, std::string& out) {
  TTextLines lines(text);
  lines.CopyTo(range.Start, out);
  if (range.End < range.Start) {
    lines.CopyTo(std::int64_t{lineCount} - range.Start, out);
    return;
  }
  lines.KeepTo(std::int64_t{range.End} - range.Start + 1, keep, out);
  lines.CopyTo(std::int64_t{lineCount} - 1 - range.End, out);
}

void RunOnText(std::string_view text, std::int32_t lineCount, TRange range,
               const LineRule& rule, std::string& out, const RangeTail& tail) {
  TTextLines lines(text);
  lines.CopyTo(range.Start, out);
  if (range.End < range.Start) {
    lines.CopyTo(std::int64_t{lineCount} - range.Start, out);
    return;
  }
  TLightStrings made;
  made.JoinInto(out);
  for (std::int32_t i = range.Start; i <= range.End; ++i) rule(lines.Next(), made);
  if (tail) tail(made);
  lines.CopyTo(std::int64_t{lineCount} - 1 - range.End, out);
}

}  // namespace ConversionRoad
