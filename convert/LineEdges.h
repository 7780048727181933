// The line-edge rules: blanks removed from both ends of a line, blank lines dropped, and a
// text added at the start or the end of every line. A blank byte is one of 0x00–0x20; the
// full-width space (0x81 0x40) is not blank, and no byte of a double-byte character is ever
// taken for one, since a second byte is at least 0x40.
#pragma once

#include <string>
#include <string_view>

#include "convert/ConversionRoad.h"

namespace LineEdges {

[[nodiscard]] constexpr bool IsBlankByte(unsigned char b) noexcept { return b <= 0x20; }

// S without the blank bytes at both of its ends.      Trim(" \tabc  ") == "abc"
[[nodiscard]] inline std::string_view Trim(std::string_view S) noexcept {
  std::size_t first = 0;
  std::size_t last = S.size();
  while (first < last && IsBlankByte(static_cast<unsigned char>(S[first]))) ++first;
  while (last > first && IsBlankByte(static_cast<unsigned char>(S[last - 1]))) --last;
  return S.substr(first, last - first);
}
// Trim leaves nothing.                                IsBlank(" \t") && !IsBlank("\x81\x40")
[[nodiscard]] inline bool IsBlank(std::string_view S) noexcept { return Trim(S).empty(); }

// The three trimming modes of the edit menu.
enum class TTrimMode {
  TrimEnds = 1,     // every line trimmed; a line that becomes empty stays, empty
  DropBlank = 2,    // blank lines dropped; the others stay untrimmed
  TrimAndDrop = 3,  // blank lines dropped, the others trimmed
};
[[nodiscard]] ConversionRoad::LineRule TrimRule(TTrimMode mode);

// Every line, empty ones included, with Text in front of it (prefix) or after it; Text is
// used byte for byte.                  AddTextRule("x", true) on "a", "" gives "xa", "x"
[[nodiscard]] ConversionRoad::LineRule AddTextRule(std::string Text, bool Prefix);

}  // namespace LineEdges
