// The CP932 (Shift-JIS) codec at the editor's boundary: document bytes to UTF-16 and back.
//
// Decoding is lossless: a byte sequence whose character would not encode back to the very same
// bytes (a lone lead byte, 0x80, 0xA0, 0xFD–0xFF, an unmapped pair, the second of two byte pairs
// that CP932 maps to one character) becomes one escape unit per byte, U+DC00 + byte, and every
// escape unit encodes back to its byte. So Encode(Decode(b)) == b for every byte string b.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Cp932 {

inline constexpr std::size_t npos = std::string_view::npos;
inline constexpr char16_t kEscapeBase = 0xDC00;

// Decodes bytes into out, which has room for bytes.size() units (a byte never yields more than
// one unit). Returns the number of units written.
std::size_t Decode(std::string_view bytes, char16_t* out) noexcept;
[[nodiscard]] std::u16string Decode(std::string_view bytes);

// Encodes text, appending to out. A unit with no CP932 form (a character outside CP932, or a
// surrogate that is not an escape unit) stops the encoding: the result is its index in text,
// and out holds the bytes of the units before it. npos when everything was encoded.
// A character that CP932 holds only as a look-alike (U+00A5 as 0x5C, U+301C as 0x8160) counts
// as outside CP932: writing it would change it when read back.
std::size_t Encode(std::u16string_view text, std::string& out);

// The editor's forms. DecodeForEditor: CR LF, a lone CR and a lone LF each become one '\n'
// (a line break of the editor); out needs room for bytes.size() units.
// EncodeFromEditor: '\n' and U+2029 (the editor's paragraph separator) become CR LF.
std::size_t DecodeForEditor(std::string_view bytes, char16_t* out) noexcept;
std::size_t EncodeFromEditor(std::u16string_view text, std::string& out);

// The encoder's table, for loops that encode a character at a time: by UTF-16 unit, 0 when the
// unit has no CP932 form, kSingleForm | byte for a single byte, lead << 8 | trail otherwise
// (at least kFirstPairForm).
inline constexpr std::uint16_t kSingleForm = 0x0100;
inline constexpr std::uint16_t kFirstPairForm = 0x8100;
[[nodiscard]] const std::uint16_t* EncodeTable() noexcept;

// The CP932 bytes of one UTF-16 unit (as Encode writes them): the byte count (0 when the unit
// has no CP932 form, 1 or 2) with the bytes in out.
std::size_t EncodeUnit(char16_t unit, char (&out)[2]) noexcept;

// What is shown for bytes: a pair that CP932 holds twice (the NEC row-13 duplicates such as
// 0x8790 ≒, the NEC-selected IBM extensions 0xED40–0xEEFC) is the character it stands for,
// although decoding keeps it as escape units so that it survives. These forms are for eyes
// and other programs, not for a round trip.
// DecodeShownForEditor: DecodeForEditor with such pairs as their characters.
std::size_t DecodeShownForEditor(std::string_view bytes, char16_t* out) noexcept;
// The character of the pair lead, trail, canonical or not; 0 when it stands for none.
[[nodiscard]] char16_t ShownCharacter(unsigned char lead, unsigned char trail) noexcept;

}  // namespace Cp932
