// Full-width to half-width conversion of Shift-JIS (CP932) text: full-width digits and Latin
// letters become ASCII, full-width katakana and hiragana become half-width katakana (voiced and
// semi-voiced marks as separate bytes), 39 full-width symbols become their half-width forms.
// Everything else, kanji included, passes through unchanged. Double-byte characters are
// classified by their JIS X 0208 row and cell. Nothing here fails or holds state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/ConversionRoad.h"

namespace HenkanJ {

// The arithmetic Shift-JIS to JIS X 0208 mapping of a two-byte code (lead × 256 + second
// byte) to row × 256 + cell, each 0x21–0x7E for a lead byte with a second byte 0x40–0x7E or
// 0x80–0xFC. Other codes give the same arithmetic's value, which names no character.
//      SjisToJis(0x8140) == 0x2121 (ideographic space)      SjisToJis(0x889F) == 0x3021 (亜)
[[nodiscard]] constexpr std::uint16_t SjisToJis(std::uint16_t code) noexcept {
  const unsigned lead = code >> 8;
  const unsigned second = code & 0xFFu;
  unsigned row = (lead - (lead <= 0x9F ? 0x70u : 0xB0u)) << 1;
  unsigned cell = 0;
  if (second >= 0x9F) {
    cell = second - 0x7E;  // even rows take second bytes 0x9F–0xFC
  } else {
    --row;  // odd rows take 0x40–0x7E and 0x80–0x9E, skipping 0x7F
    cell = second - (second >= 0x80 ? 0x20u : 0x1Fu);
  }
  return static_cast<std::uint16_t>(((row << 8) | (cell & 0xFFu)) & 0xFFFFu);
}

// Half-width katakana of cells 0x21–0x76 of rows 0x24 (hiragana) and 0x25 (katakana), indexed
// by cell − 0x21. A value v stands for the byte (v mod 56) + 0xA6, followed by ﾞ (0xDE) when
// v div 56 is 1 and by ﾟ (0xDF) when it is 2. ヲ and を become ｦ (0xA6), so that no word
// changes; ヰ → ｲ, ヱ → ｴ, ヮ → ﾜ, ヵ → ｶ, ヶ → ｹ, which have no half-width form of their own.
//      KanaTable[0x2B - 0x21] == 0x48: ガ (cell 0x2B) → 0xB6 0xDE (ｶﾞ)
inline constexpr auto KanaTable = std::to_array<std::uint8_t>({
    0x01, 0x0B, 0x02, 0x0C, 0x03, 0x0D, 0x04, 0x0E, 0x05, 0x0F, 0x10, 0x48, 0x11, 0x49, 0x12,
    0x4A, 0x13, 0x4B, 0x14, 0x4C, 0x15, 0x4D, 0x16, 0x4E, 0x17, 0x4F, 0x18, 0x50, 0x19, 0x51,
    0x1A, 0x52, 0x1B, 0x53, 0x09, 0x1C, 0x54, 0x1D, 0x55, 0x1E, 0x56, 0x1F, 0x20, 0x21, 0x22,
    0x23, 0x24, 0x5C, 0x94, 0x25, 0x5D, 0x95, 0x26, 0x5E, 0x96, 0x27, 0x5F, 0x97, 0x28, 0x60,
    0x98, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x06, 0x2E, 0x07, 0x2F, 0x08, 0x30, 0x31, 0x32, 0x33,
    0x34, 0x35, 0x36, 0x36, 0x0C, 0x0E, 0x00, 0x37, 0x45, 0x10, 0x13,
});
static_assert(KanaTable.size() == 86);

// The 39 convertible full-width symbols (two bytes each) and their half-width bytes, paired by
// position: FullSymbols[2i], FullSymbols[2i + 1] becomes HalfSymbols[i].
//      "\x81\x40" (ideographic space) → ' '     "\x81\x75" (「) → '\xA2' (｢)
inline constexpr std::string_view FullSymbols =
    "\x81\x40" "\x81\x49" "\x81\x68" "\x81\x94" "\x81\x90" "\x81\x93" "\x81\x95" "\x81\x66"
    "\x81\x69" "\x81\x6A" "\x81\x81" "\x81\x65" "\x81\x62" "\x81\x7C" "\x81\x4F" "\x81\x8F"
    "\x81\x50" "\x81\x6F" "\x81\x97" "\x81\x6D" "\x81\x7B" "\x81\x96" "\x81\x70" "\x81\x47"
    "\x81\x46" "\x81\x6E" "\x81\x83" "\x81\x84" "\x81\x48" "\x81\x51" "\x81\x41" "\x81\x42"
    "\x81\x45" "\x81\x43" "\x81\x44" "\x81\x5E" "\x81\x5B" "\x81\x75" "\x81\x76";
inline constexpr std::string_view HalfSymbols =
    " !\"#$%&'()=`|-^\\~{@[+*};:]<>?_" "\xA4\xA1\xA5" ",./" "\xB0\xA2\xA3";
static_assert(FullSymbols.size() == 78 && HalfSymbols.size() == 39);

// S with its full-width characters made half-width, in one pass:
//  - a single-byte character (any byte that is not a lead byte 0x81–0x9F, 0xE0–0xFC) is copied;
//  - a hiragana or katakana (rows 0x24, 0x25, cells 0x21–0x76) becomes its KanaTable bytes;
//  - a code of rows 0x24, 0x25 with a cell above 0x76 copies only its lead byte, and the byte
//    after it starts the next character;
//  - one of FullSymbols (matched as a whole character) becomes its HalfSymbols byte; any other
//    code of row 0x23 becomes the byte whose value is its cell (０ → '0', Ａ → 'A', ａ → 'a');
//    any other double-byte character is copied unchanged;
//  - a lead byte at the end of S, or before a byte that cannot be a second byte (below 0x40,
//    0x7F, above 0xFC), is copied alone, and that next byte is a character of its own.
// The result is never longer than S. Pure; cannot fail; never reads past the end of S.
//      ZenToHan("\x82\x60\x82\x50") == "A1"                              (Ａ１)
//      ZenToHan("\x83\x4B\x81\x40\x8A\xBF") == "\xB6\xDE \x8A\xBF"        (ガ　漢 → ｶﾞ 漢)
//      ZenToHan("\x82\x09") == "\x82\x09"                                (lead byte before a tab)
[[nodiscard]] std::string ZenToHan(std::string_view S);

// The per-line rule of the command "全角を半角に変換": appends exactly one line,
// Strfunc::HankakuStr(line), for every line; an empty line stays empty.
//      HalfWidthRule()("\x83\x65\x83\x58\x83\x67", out) adds "\xC3\xBD\xC4"  (テスト → ﾃｽﾄ)
[[nodiscard]] ConversionRoad::LineRule HalfWidthRule();

}  // namespace HenkanJ
