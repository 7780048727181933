#include "document/TextSearch.h"

#include <cstring>

#include "document/ShiftJis.h"

namespace TextSearch {

std::size_t Next(std::string_view text, std::size_t from, std::string_view mark, bool matchCase) {
  if (from >= text.size()) return npos;
  const std::size_t at = ShiftJis::FindMark(text.substr(from), mark, !matchCase);
  return at == ShiftJis::npos ? npos : from + at;
}

std::size_t Previous(std::string_view text, std::size_t before, std::string_view mark,
                     bool matchCase) {
  if (mark.empty()) return npos;
  before = std::min(before, text.size());
  // Line by line backwards: a line start (after LF, or the text's start) is a boundary.
  std::size_t lineEnd = before;
  for (;;) {
    std::size_t lineStart = lineEnd;
    while (lineStart > 0 && text[lineStart - 1] != '\n') --lineStart;
    std::size_t last = npos;
    const std::string_view line = text.substr(0, lineEnd + mark.size() - 1 < text.size()
                                                     ? lineEnd + mark.size() - 1
                                                     : text.size());
    for (std::size_t at = Next(line, lineStart, mark, matchCase); at != npos && at < lineEnd;
         at = Next(line, at + mark.size(), mark, matchCase)) {
      last = at;
    }
    if (last != npos) return last;
    if (lineStart == 0) return npos;
    lineEnd = lineStart - 1;  // before the LF
  }
}

std::int64_t Count(std::string_view text, std::string_view mark, bool matchCase) {
  std::int64_t count = 0;
  for (std::size_t at = Next(text, 0, mark, matchCase); at != npos;
       at = Next(text, at + mark.size(), mark, matchCase)) {
    ++count;
  }
  return count;
}

}  // namespace TextSearch
