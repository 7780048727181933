// Finding and counting a string in the document as every command finds it: only where it
// starts on a character boundary, never at a second byte, and with single-byte a–z folded
// unless the case must match. Text is CP932 bytes starting at a character boundary (a line
// start); matches never overlap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace TextSearch {

inline constexpr std::size_t npos = std::string_view::npos;

// The first match at or after from (a character boundary); npos when there is none or the
// string is empty.
[[nodiscard]] std::size_t Next(std::string_view text, std::size_t from, std::string_view mark,
                               bool matchCase);
// The last match that starts before `before`; npos when there is none.
[[nodiscard]] std::size_t Previous(std::string_view text, std::size_t before,
                                   std::string_view mark, bool matchCase);
// The matches in text, each counted once, the search going on after the end of each.
[[nodiscard]] std::int64_t Count(std::string_view text, std::string_view mark, bool matchCase);

}  // namespace TextSearch
