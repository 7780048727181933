// The CP932 codec: known mappings both ways, escapes, losslessness over every byte and pair and
// over random byte strings, encoding failures and the editor's line-break forms.
#include "document/Cp932Codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using Cp932::kEscapeBase;
using Cp932::npos;

// Failure messages show bytes and units in hex.
std::string Hex(std::string_view bytes) {
  std::string s;
  char buffer[8];
  for (unsigned char b : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X ", b);
    s += buffer;
  }
  return s;
}

std::string Hex(std::u16string_view units) {
  std::string s;
  char buffer[8];
  for (char16_t u : units) {
    std::snprintf(buffer, sizeof buffer, "%04X ", static_cast<unsigned>(u));
    s += buffer;
  }
  return s;
}

// Decodes into a buffer with exactly the promised room and a guard unit after it.
std::u16string DecodeChecked(std::string_view bytes, bool editor = false) {
  constexpr char16_t kGuard = 0xFDD0;
  std::vector<char16_t> units(bytes.size() + 1, kGuard);
  const std::size_t n = editor ? Cp932::DecodeForEditor(bytes, units.data())
                               : Cp932::Decode(bytes, units.data());
  EXPECT_LE(n, bytes.size());
  EXPECT_EQ(units[bytes.size()], kGuard) << "wrote past the room for " << Hex(bytes);
  return std::u16string(units.data(), std::min(n, bytes.size()));
}

std::string EncodeAll(std::u16string_view text, bool editor = false) {
  std::string bytes;
  const std::size_t stop = editor ? Cp932::EncodeFromEditor(text, bytes)
                                  : Cp932::Encode(text, bytes);
  EXPECT_EQ(stop, npos) << "stopped at unit " << stop << " of " << Hex(text);
  return bytes;
}

char16_t Esc(unsigned char b) { return static_cast<char16_t>(kEscapeBase + b); }

struct Mapping {
  const char* rule;
  std::string bytes;
  std::u16string text;
};

TEST(Cp932Codec, KnownCharactersMapBothWays) {
  const Mapping rows[] = {
      {"ascii unchanged, incl. backslash and tilde", "A\\~z\x7F", u"A\\~z\x7F"},
      {"NUL is a character", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"half-width katakana", "\xB1", u"\uFF71"},                       // ｱ
      {"half-width range start", "\xA1", u"\uFF61"},                    // ｡
      {"half-width range end", "\xDF", u"\uFF9F"},                      // ﾟ
      {"hiragana", "\x82\xA0", u"\u3042"},                              // あ
      {"katakana", "\x83\x4B", u"\u30AC"},                              // ガ
      {"full-width backslash", "\x81\x5F", u"\uFF3C"},                  // ＼
      {"trail byte 0x5C", "\x95\x5C", u"\u8868"},                       // 表
      {"trail byte 0x7E", "\x83\x7E", u"\u30DF"},                       // ミ
      {"horizontal bar", "\x81\x5C", u"\u2015"},                        // ―
      {"full-width tilde", "\x81\x60", u"\uFF5E"},                      // ～
      {"NEC circled digit", "\x87\x40", u"\u2460"},                     // ①
      {"NEC roman numeral", "\x87\x54", u"\u2160"},                     // Ⅰ
      {"JIS row 2 wins over NEC row 13", "\x81\xE0", u"\u2252"},        // ≒
      {"JIS row 2 because", "\x81\xE6", u"\u2235"},                     // ∵
      {"JIS row 2 not sign", "\x81\xCA", u"\uFFE2"},                    // ¬
      {"IBM extension kanji", "\xFA\x5C", u"\u7E8A"},                   // 纊
      {"IBM small roman numeral", "\xFA\x40", u"\u2170"},               // ⅰ
      {"last IBM extension", "\xFC\x4B", u"\u9ED1"},                    // 黑
      {"user-defined start", "\xF0\x40", u"\uE000"},
      {"user-defined end", "\xF9\xFC", u"\uE757"},
      {"mixed line", "\x93\xFA\x96\x7B abc\xB1\r\n", u"\u65E5\u672C abc\uFF71\r\n"},  // 日本
  };
  for (const Mapping& row : rows) {
    EXPECT_EQ(Hex(DecodeChecked(row.bytes)), Hex(row.text)) << row.rule;
    EXPECT_EQ(Hex(EncodeAll(row.text)), Hex(row.bytes)) << row.rule;
  }
}

TEST(Cp932Codec, BytesWithoutTheirOwnCharacterDecodeToEscapes) {
  const Mapping rows[] = {
      {"lone lead byte at the end", "a\x81", {u'a', Esc(0x81)}},
      {"lone lead before CR LF keeps the line break", "\x88\r\n", {Esc(0x88), u'\r', u'\n'}},
      {"lone lead before LF", "\xE0\n", {Esc(0xE0), u'\n'}},
      {"lone lead before space", "\xFC ", {Esc(0xFC), u' '}},
      {"lone lead before DEL", "\x81\x7F", {Esc(0x81), u'\x7F'}},
      {"lone lead before 0xFD", "\x81\xFD", {Esc(0x81), Esc(0xFD)}},
      {"lead byte as a trail byte", "\x81\x81\x40", {u'\uFF1D', u'@'}},  // ＝@
      {"0x80", "\x80", {Esc(0x80)}},
      {"0xA0", "\xA0", {Esc(0xA0)}},
      {"0xFD 0xFE 0xFF", "\xFD\xFE\xFF", {Esc(0xFD), Esc(0xFE), Esc(0xFF)}},
      {"unmapped pair, both bytes", "\x85\x40", {Esc(0x85), Esc(0x40)}},
      {"unmapped pair in row 1", "\x81\xAD", {Esc(0x81), Esc(0xAD)}},
      {"NEC-selected IBM kanji", "\xED\x40", {Esc(0xED), Esc(0x40)}},       // 纊
      {"NEC-selected IBM not sign", "\xEE\xF9", {Esc(0xEE), Esc(0xF9)}},    // ￢
      {"NEC-selected small roman", "\xEE\xEF", {Esc(0xEE), Esc(0xEF)}},    // ⅰ
      {"NEC row 13 duplicate of JIS", "\x87\x90", {Esc(0x87), Esc(0x90)}},  // ≒
      {"NEC row 13 because", "\x87\x9A", {Esc(0x87), Esc(0x9A)}},          // ∵
      {"IBM duplicate of NEC roman", "\xFA\x4A", {Esc(0xFA), Esc(0x4A)}},  // Ⅰ
      {"IBM not sign", "\xFA\x54", {Esc(0xFA), Esc(0x54)}},                // ￢
      {"IBM because", "\xFA\x5B", {Esc(0xFA), Esc(0x5B)}},                 // ∵
  };
  for (const Mapping& row : rows) {
    EXPECT_EQ(Hex(DecodeChecked(row.bytes)), Hex(row.text)) << row.rule;
    EXPECT_EQ(Hex(EncodeAll(row.text)), Hex(row.bytes)) << row.rule;
  }
}

TEST(Cp932Codec, EveryEscapeUnitEncodesToItsByte) {
  for (unsigned b = 0; b < 256; ++b) {
    const std::u16string text = {u'x', Esc(static_cast<unsigned char>(b))};
    EXPECT_EQ(Hex(EncodeAll(text)), Hex(std::string{'x', static_cast<char>(b)})) << b;
  }
}

// Whole regions of the character set, so that a codec that escapes everything cannot pass.
TEST(Cp932Codec, RegionsDecodeAsTheyShould) {
  auto isCharacter = [](std::u16string_view units) {
    return units.size() == 1 && (units[0] < kEscapeBase || units[0] > kEscapeBase + 0xFF);
  };
  auto trails = [](unsigned lead, auto check) {
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
      check(pair, (lead << 8) | trail, DecodeChecked(pair));
    }
  };
  // JIS level 1 and 2 kanji rows that are full: 0x89–0x97, 0x99–0x9F, 0xE0–0xE9.
  for (unsigned lead : {0x89u, 0x90u, 0x97u, 0x99u, 0x9Fu, 0xE0u, 0xE9u})
    trails(lead, [&](const std::string&, unsigned code, const std::u16string& units) {
      EXPECT_TRUE(isCharacter(units)) << std::hex << code;
    });
  // User-defined area: consecutive private-use characters from U+E000.
  char16_t expected = 0xE000;
  for (unsigned lead = 0xF0; lead <= 0xF9; ++lead)
    trails(lead, [&](const std::string&, unsigned code, const std::u16string& units) {
      EXPECT_EQ(Hex(units), Hex(std::u16string(1, expected))) << std::hex << code;
      ++expected;
    });
  // NEC-selected IBM extensions all repeat IBM extensions: never a character of their own.
  for (unsigned lead : {0xEDu, 0xEEu})
    trails(lead, [&](const std::string& pair, unsigned code, const std::u16string& units) {
      EXPECT_EQ(Hex(units), Hex(std::u16string{Esc(pair[0]), Esc(pair[1])})) << std::hex << code;
    });
}

TEST(Cp932Codec, EverySingleByteAndPairRoundTrips) {
  for (unsigned first = 0; first < 256; ++first) {
    const std::string alone(1, static_cast<char>(first));
    EXPECT_EQ(Hex(EncodeAll(DecodeChecked(alone))), Hex(alone));
    const bool lead = (first >= 0x81 && first <= 0x9F) || (first >= 0xE0 && first <= 0xFC);
    for (unsigned second = 0; second < 256; ++second) {
      const std::string bytes = {static_cast<char>(first), static_cast<char>(second)};
      const std::u16string units = DecodeChecked(bytes);
      EXPECT_EQ(Hex(EncodeAll(units)), Hex(bytes));
      const std::u16string followed = DecodeChecked(bytes + 'a');
      EXPECT_EQ(Hex(EncodeAll(followed)), Hex(bytes + 'a'));
      // After a lead byte the two bytes decode the same whatever follows them.
      if (lead) {
        EXPECT_EQ(Hex(followed), Hex(units + u'a'));
      }
    }
  }
}

TEST(Cp932Codec, RandomByteStringsRoundTrip) {
  // Bytes that stress the pairing: lead bytes, trail-only bytes, line breaks, NUL, bytes with
  // no character, and ASCII runs long enough for the block copies.
  const std::string alphabet = std::string("\x81\x82\x88\x9F\xE0\xED\xEE\xF0\xFA\xFC", 10) +
                               std::string("\x40\x5C\x7E\x7F\x80\xA0\xB1\xFD\xFF", 9) +
                               std::string("\r\n\0 a", 5);
  std::mt19937 random(932);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<std::size_t> length(0, 80);
  for (int i = 0; i < 4000; ++i) {
    std::string bytes;
    for (std::size_t n = length(random); n > 0; --n) {
      if (pick(random) == 0) bytes += "0123456789abcdef";
      bytes += alphabet[pick(random)];
    }
    EXPECT_EQ(Hex(EncodeAll(DecodeChecked(bytes))), Hex(bytes));
  }
}

TEST(Cp932Codec, EncodeStopsAtTheFirstUnitWithoutCp932Form) {
  struct Row {
    const char* rule;
    std::u16string text;
    std::size_t stop;
    std::string before;
  } rows[] = {
      {"Latin letter outside CP932", u"ab\u00E9cd", 2, "ab"},
      {"astral character (surrogate pair)", u"\u3042\U0001F600x", 1, "\x82\xA0"},  // あ
      {"lone high surrogate", u"x\xD800", 1, "x"},
      {"high surrogate before an escape unit", u"\xDBFF\xDC80", 0, ""},
      {"low surrogate outside the escape range", u"x\xDD00y", 1, "x"},
      {"yen sign (0x5C is backslash)", u"a\u00A5", 1, "a"},
      {"wave dash (0x8160 is full-width tilde)", u"\u301C", 0, ""},
      {"em dash (0x815C is horizontal bar)", u"\u3042\u2014", 1, "\x82\xA0"},
      {"paragraph separator in the plain form", u"a\u2029", 1, "a"},
      {"past the user-defined area", u"\uE757\uE758", 1, "\xF9\xFC"},
      {"after a long ASCII run", std::u16string(100, u'a') + u'\u00E9', 100,
       std::string(100, 'a')},
      {"beyond 64 K units", std::u16string(70000, u'a') + u"\u3042\u00E9", 70001,
       std::string(70000, 'a') + "\x82\xA0"},
  };
  for (const Row& row : rows) {
    std::string out = "<";
    EXPECT_EQ(Cp932::Encode(row.text, out), row.stop) << row.rule;
    EXPECT_EQ(Hex(out), Hex("<" + row.before)) << row.rule;
  }
}

TEST(Cp932Codec, EditorDecodeMakesEveryLineBreakOneNewline) {
  const Mapping rows[] = {
      {"CR LF", "a\r\nb", u"a\nb"},
      {"lone CR", "a\rb", u"a\nb"},
      {"lone LF", "a\nb", u"a\nb"},
      {"LF CR is two breaks", "a\n\rb", u"a\n\nb"},
      {"CR CR LF is two breaks", "a\r\r\nb", u"a\n\nb"},
      {"CR at the end", "a\r", u"a\n"},
      {"CR LF at the start", "\r\nb", u"\nb"},
      {"CR inside a long ASCII run", "0123456789abcdef\r\n0123456789",
       u"0123456789abcdef\n0123456789"},
      {"CR after a lone lead byte", "\x81\r\n", {Esc(0x81), u'\n'}},
      {"double-byte text", "\x82\xA0\r\n\x82\xA2", u"\u3042\n\u3044"},  // あ い
  };
  for (const Mapping& row : rows)
    EXPECT_EQ(Hex(DecodeChecked(row.bytes, true)), Hex(row.text)) << row.rule;
}

TEST(Cp932Codec, EditorEncodeWritesCrLf) {
  const Mapping rows[] = {
      {"newline", "a\r\nb", u"a\nb"},
      {"paragraph separator", "a\r\nb", u"a\u2029b"},
      {"empty lines", "\r\n\r\n", u"\n\n"},
      {"newline inside a long ASCII run", "0123456789\r\n0123456789", u"0123456789\n0123456789"},
      {"a CR stays a CR", "a\rb", u"a\rb"},
      {"double-byte text", "\x82\xA0\r\n", u"\u3042\n"},  // あ
  };
  for (const Mapping& row : rows)
    EXPECT_EQ(Hex(EncodeAll(row.text, true)), Hex(row.bytes)) << row.rule;

  std::string out = "<";
  EXPECT_EQ(Cp932::EncodeFromEditor(u"a\n\u00E9", out), 2u);
  EXPECT_EQ(Hex(out), Hex("<a\r\n"));
}

// The ASCII runs are copied in blocks; a line break must be found at every offset in a block.
TEST(Cp932Codec, EditorFormsFindLineBreaksAnywhereInAsciiRuns) {
  const std::string line = "0123456789abcdefghijklmnopqrstuv";
  for (std::size_t at = 0; at <= line.size(); ++at) {
    const std::string bytes = line.substr(0, at) + "\r\n" + line.substr(at);
    std::u16string text(line.begin(), line.end());
    text.insert(at, 1, u'\n');
    EXPECT_EQ(Hex(DecodeChecked(bytes, true)), Hex(text)) << "break at " << at;
    EXPECT_EQ(Hex(EncodeAll(text, true)), Hex(bytes)) << "break at " << at;
  }
}

TEST(Cp932Codec, EditorFormsRoundTripCrLfText) {
  std::string bytes;
  for (int line = 0; line < 50; ++line) {
    bytes += "\x93\xFA\x96\x7B line ";  // 日本
    bytes += std::string(line, 'x');
    bytes += line % 7 == 0 ? "\xED\x40\x81" : "\xB1\x80";  // escapes at the line's end
    bytes += "\r\n";
  }
  bytes += "\r\n";
  EXPECT_EQ(Hex(EncodeAll(DecodeChecked(bytes, true), true)), Hex(bytes));
}

}  // namespace
