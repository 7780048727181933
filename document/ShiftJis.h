// Shift-JIS (code page 932) byte helpers: lead bytes, searches that never match on the second
// byte of a double-byte character, and upper-casing that keeps every byte position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ShiftJis {

inline constexpr std::size_t npos = std::string_view::npos;

// True for a byte that starts a double-byte character: 0x81–0x9F or 0xE0–0xFC.
[[nodiscard]] constexpr bool IsLeadByte(unsigned char b) noexcept {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
// True for a byte that can follow a lead byte in a double-byte character: 0x40–0x7E or
// 0x80–0xFC.
[[nodiscard]] constexpr bool IsTrailByte(unsigned char b) noexcept {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// True when none of the eight bytes at p has its high bit set (all ASCII, no lead byte): loops
// over bytes step over such runs eight at a time.
[[nodiscard]] inline bool EightAscii(const unsigned char* p) noexcept {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return (w & 0x8080808080808080ull) == 0;
}

// Copies the run of ASCII at p, eight bytes at a time, to o; both move past it. Stops fewer
// than eight bytes before end or before the first eight that are not all ASCII.
inline void CopyAsciiRun(const unsigned char*& p, const unsigned char* end, char*& o) noexcept {
  while (end - p >= 8 && EightAscii(p)) {
    std::memcpy(o, p, 8);
    o += 8;
    p += 8;
  }
}

// S with single-byte a–z made A–Z. The second byte of a double-byte character is never
// changed (it may be 0x61–0x7A), so every byte keeps its position; characters are counted
// from S's first byte.             UpperCase("a\x83\x61z") == "A\x83\x61Z"
[[nodiscard]] std::string UpperCase(std::string_view s);

// Position of the first occurrence of Mark in S that starts on a character boundary, never
// on the second byte of a double-byte character (characters counted from S's first byte).
// npos when there is none, and when S or Mark is empty.
//                                  FindOnBoundary("\x95\x5C\x5C", "\x5C") == 2
[[nodiscard]] std::size_t FindOnBoundary(std::string_view s, std::string_view mark) noexcept;

// FindOnBoundary, comparing UpperCase(S) with UpperCase(Mark) when ignoreCase is set.
[[nodiscard]] std::size_t FindMark(std::string_view s, std::string_view mark, bool ignoreCase);

}  // namespace ShiftJis
