// Full-width to half-width conversion: the row/cell mapping, every kana, digit, letter and
// symbol, bytes that do not form characters, a step-by-step model on generated inputs, and the
// per-line rule of the command.
#include "convert/HenkanJ.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "convert/ConversionRoad.h"
#include "convert/Strfunc.h"
#include "document/Cp932Codec.h"
#include "tests/support/LineLists.h"
#include "tests/support/Printable.h"

namespace {

using HenkanJ::ZenToHan;

std::string Bytes(std::initializer_list<unsigned> values) {
  std::string s;
  for (const unsigned v : values) s += static_cast<char>(v);
  return s;
}

bool IsLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsSecond(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// JIS X 0208 row and cell to the two Shift-JIS bytes (the inverse of SjisToJis, written out
// here independently): two rows share a lead byte, the odd row takes 0x40–0x9E without 0x7F.
std::string SjisOf(unsigned row, unsigned cell) {
  const unsigned lead = (row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0);
  const unsigned second = (row % 2 == 1) ? cell + (cell >= 0x60 ? 0x20 : 0x1F) : cell + 0x7E;
  return Bytes({lead, second});
}

// Codes of rows 0x24 and 0x25 with a cell above 0x76: 0x82 0xF5–0xFC and 0x83 0x97–0x9E.
bool IsUnusedKanaCode(unsigned lead, unsigned second) {
  return (lead == 0x82 && second >= 0xF5 && second <= 0xFC) ||
         (lead == 0x83 && second >= 0x97 && second <= 0x9E);
}

std::string Cp932Of(std::u16string_view text) {
  std::string bytes;
  EXPECT_EQ(Cp932::Encode(text, bytes), Cp932::npos);
  return bytes;
}

// The conversion one step at a time, as the rules are written: W loses the bytes each step has
// dealt with. A lead byte at the end, or before a byte that cannot be a second byte, is copied
// alone.
std::string ModelZenToHan(std::string_view S) {
  std::string Out;
  std::string W(S);
  while (!W.empty()) {
    const auto c = static_cast<unsigned char>(W[0]);
    if (!IsLead(c)) {
      Out += W[0];
      W.erase(0, 1);
      continue;
    }
    if (W.size() == 1 || !IsSecond(static_cast<unsigned char>(W[1]))) {
      Out += W[0];
      W.erase(0, 1);
      continue;
    }
    const std::string two = W.substr(0, 2);
    const unsigned code = c * 256u + static_cast<unsigned char>(W[1]);
    const unsigned jis = HenkanJ::SjisToJis(static_cast<std::uint16_t>(code));
    const unsigned row = jis / 256;
    const unsigned cell = jis % 256;
    if (row == 0x24 || row == 0x25) {
      if (cell >= 0x21 && cell <= 0x76) {
        const unsigned v = HenkanJ::KanaTable[cell - 0x21];
        Out += static_cast<char>(v % 56 + 0xA6);
        if (v / 56 == 1) Out += '\xDE';
        if (v / 56 == 2) Out += '\xDF';
        W.erase(0, 2);
      } else {
        Out += W[0];
        W.erase(0, 1);
      }
      continue;
    }
    std::size_t symbol = std::string_view::npos;
    for (std::size_t i = 0; i < HenkanJ::HalfSymbols.size(); ++i) {
      if (HenkanJ::FullSymbols.substr(2 * i, 2) == two) symbol = i;
    }
    if (symbol != std::string_view::npos) {
      Out += HenkanJ::HalfSymbols[symbol];
    } else if (row == 0x23) {
      Out += static_cast<char>(cell);
    } else {
      Out += two;
    }
    W.erase(0, 2);
  }
  return Out;
}

// ZenToHan on a heap copy of exactly s.size() bytes, so that a read past the end is caught by
// the address sanitizer (a std::string keeps a terminating byte after its last).
std::string ZenToHanExact(std::string_view s) {
  const std::unique_ptr<char[]> copy(new char[s.size()]);
  std::copy(s.begin(), s.end(), copy.get());
  return ZenToHan(std::string_view(copy.get(), s.size()));
}

struct Row {
  const char* name;
  std::string in;
  std::string want;
};

void ExpectRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    EXPECT_EQ(Printable(ZenToHanExact(row.in)), Printable(row.want))
        << row.name << ": in \"" << Printable(row.in) << "\"";
    EXPECT_EQ(Printable(Strfunc::HankakuStr(row.in)), Printable(row.want)) << row.name;
  }
}

TEST(HenkanJSjisToJis, KnownCodesAndEveryValidCode) {
  const struct {
    std::uint16_t sjis, jis;
    const char* name;
  } known[] = {
      {0x8140, 0x2121, "ideographic space"}, {0x829F, 0x2421, "ぁ"},
      {0x8340, 0x2521, "ァ"},                {0x8380, 0x2560, "ム"},
      {0x8394, 0x2574, "ヴ"},                {0x824F, 0x2330, "０"},
      {0x889F, 0x3021, "亜"},                {0x9FFC, 0x5E7E, "last code of lead 0x9F"},
      {0xE040, 0x5F21, "first code of lead 0xE0"}, {0xEAA4, 0x7426, "熙"},
  };
  for (const auto& k : known) EXPECT_EQ(HenkanJ::SjisToJis(k.sjis), k.jis) << k.name;

  // Rows 0x21–0x98 by cells 0x21–0x7E are the codes of all 60 lead bytes by all 188 second
  // bytes, each once.
  std::set<std::string> codes;
  for (unsigned row = 0x21; row <= 0x98; ++row) {
    for (unsigned cell = 0x21; cell <= 0x7E; ++cell) {
      const std::string code = SjisOf(row, cell);
      const auto lead = static_cast<unsigned char>(code[0]);
      const auto second = static_cast<unsigned char>(code[1]);
      ASSERT_TRUE(IsLead(lead) && IsSecond(second)) << Printable(code);
      EXPECT_EQ(HenkanJ::SjisToJis(static_cast<std::uint16_t>(lead * 256 + second)),
                row * 256 + cell)
          << Printable(code);
      codes.insert(code);
    }
  }
  EXPECT_EQ(codes.size(), 60u * 188u);
}

TEST(ZenToHan, SectionExamples) {
  ExpectRows({
      {"empty text", "", ""},
      // ＡＢＣ１２３ａｂｃ → ABC123abc
      {"digits and letters", "\x82\x60\x82\x61\x82\x62\x82\x50\x82\x51\x82\x52\x82\x81\x82\x82\x82\x83",
       "ABC123abc"},
      {"katakana", "\x83\x4A\x83\x5E\x83\x4A\x83\x69", "\xB6\xC0\xB6\xC5"},  // カタカナ → ｶﾀｶﾅ
      {"hiragana", "\x82\xD0\x82\xE7\x82\xAA\x82\xC8",                      // ひらがな
       "\xCB\xD7\xB6\xDE\xC5"},                                              // → ﾋﾗｶﾞﾅ
      {"voiced", "\x83\x4B", "\xB6\xDE"},                                   // ガ → ｶﾞ
      {"semi-voiced", "\x83\x70", "\xCA\xDF"},                              // パ → ﾊﾟ
      {"vu", "\x83\x94", "\xB3\xDE"},                                       // ヴ → ｳﾞ
      {"wo stays wo", "\x83\x92", "\xA6"},                                  // ヲ → ｦ
      {"hiragana wo too", "\x82\xF0", "\xA6"},                              // を → ｦ
      {"brackets and stop",                                                 // 「テスト」。
       "\x81\x75\x83\x65\x83\x58\x83\x67\x81\x76\x81\x42",
       "\xA2\xC3\xBD\xC4\xA3\xA1"},                                          // → ｢ﾃｽﾄ｣｡
      {"ideographic space", "\x81\x40", " "},                               // 　 → space
      {"long vowel mark", "\x81\x5B", "\xB0"},                              // ー → ｰ
      {"kanji", "\x8A\xBF\x8E\x9A", "\x8A\xBF\x8E\x9A"},                    // 漢字
      {"普 is not a symbol", "\x95\x81\x92\xCA", "\x95\x81\x92\xCA"},       // 普通
      {"star", "\x81\x99", "\x81\x99"},                                     // ☆
      {"reference mark", "\x81\xA6", "\x81\xA6"},                           // ※
      {"postal mark", "\x81\xA7", "\x81\xA7"},                              // 〒
      {"multiplication sign", "\x81\x7E", "\x81\x7E"},                      // ×
      {"ASCII and half-width kana", "abc \xB1\xB2\xB3", "abc \xB1\xB2\xB3"},  // abc ｱｲｳ
      {"Greek", "\x83\xBF", "\x83\xBF"},                                    // Α
      {"Cyrillic", "\x84\x40", "\x84\x40"},                                 // А
      {"mixed text", "x\x83\x65\x81\x40\x8A\xBF\x82\x60.",                  // xテ　漢Ａ.
       "x\xC3 \x8A\xBF" "A."},                                               // → xﾃ 漢A.
  });
}

// Lead bytes without a second byte are copied alone and never swallow the byte after them.
TEST(ZenToHan, LeadBytesThatStartNoCharacter) {
  ExpectRows({
      {"lone 0x81 at the end is not a space", "\x81", "\x81"},
      {"lone 0x82 at the end is not '!'", "\x82", "\x82"},
      {"lone 0x83 at the end is not a kana", "\x83", "\x83"},
      {"lone lead after text", "ab\xFC", "ab\xFC"},
      {"lead byte after a kana", "\x83\x4B\x83", "\xB6\xDE\x83"},  // ガ + 0x83
      {"lead byte before a tab", "\x82\x09", "\x82\x09"},
      {"lead byte before 0x7F", "\x81\x7F", "\x81\x7F"},
      {"lead byte before 0xFD", "\x83\xFD", "\x83\xFD"},
      {"lead byte before 0x3F", "\x82\x3F", "\x82\x3F"},
      {"lead byte before NUL", std::string("\x81\0z", 3), std::string("\x81\0z", 3)},
      {"tab, then a pair as usual", "\x82\x09\x83\x4B", "\x82\x09\xB6\xDE"},   // 0x82 tab ガ
      {"0xFD, then a pair as usual", "\x81\xFD\x81\x40", "\x81\xFD "},        // 0x81 0xFD 　
      {"0x7F, then a digit", "\x83\x7F\x82\x60", "\x83\x7F" "A"},             // 0x83 0x7F Ａ
      {"lead before a lead: read as one pair", "\x81\x83\x41", "<A"},         // ＜ then 'A'
      // Rows 0x24/0x25 past cell 0x76: the lead byte alone, its second byte starts the next
      // character (here a pair with 0x83), so ア is never read.
      {"unused katakana code", "\x83\x97\x83\x41", "\x83\x97\x83\x41"},
      {"unused hiragana code", "\x82\xF5\x83\x41", "\x82\xF5\x83\x41"},
      {"unused code at the end", "\x83\x9E", "\x83\x9E"},
  });
}

// The katakana mapping as written out for the command, one entry per cell from 0x21.
const char16_t kKanaMapping[] =
    u"ァ→ｧ, ア→ｱ, ィ→ｨ, イ→ｲ, ゥ→ｩ, ウ→ｳ, ェ→ｪ, エ→ｴ, ォ→ｫ, オ→ｵ, "
    u"カ→ｶ, ガ→ｶﾞ, キ→ｷ, ギ→ｷﾞ, ク→ｸ, グ→ｸﾞ, ケ→ｹ, ゲ→ｹﾞ, コ→ｺ, ゴ→ｺﾞ, "
    u"サ→ｻ, ザ→ｻﾞ, シ→ｼ, ジ→ｼﾞ, ス→ｽ, ズ→ｽﾞ, セ→ｾ, ゼ→ｾﾞ, ソ→ｿ, ゾ→ｿﾞ, "
    u"タ→ﾀ, ダ→ﾀﾞ, チ→ﾁ, ヂ→ﾁﾞ, ッ→ｯ, ツ→ﾂ, ヅ→ﾂﾞ, テ→ﾃ, デ→ﾃﾞ, ト→ﾄ, "
    u"ド→ﾄﾞ, ナ→ﾅ, ニ→ﾆ, ヌ→ﾇ, ネ→ﾈ, ノ→ﾉ, ハ→ﾊ, バ→ﾊﾞ, パ→ﾊﾟ, ヒ→ﾋ, "
    u"ビ→ﾋﾞ, ピ→ﾋﾟ, フ→ﾌ, ブ→ﾌﾞ, プ→ﾌﾟ, ヘ→ﾍ, ベ→ﾍﾞ, ペ→ﾍﾟ, ホ→ﾎ, ボ→ﾎﾞ, "
    u"ポ→ﾎﾟ, マ→ﾏ, ミ→ﾐ, ム→ﾑ, メ→ﾒ, モ→ﾓ, ャ→ｬ, ヤ→ﾔ, ュ→ｭ, ユ→ﾕ, "
    u"ョ→ｮ, ヨ→ﾖ, ラ→ﾗ, リ→ﾘ, ル→ﾙ, レ→ﾚ, ロ→ﾛ, ヮ→ﾜ, ワ→ﾜ, ヰ→ｲ, "
    u"ヱ→ｴ, ヲ→ｦ, ン→ﾝ, ヴ→ｳﾞ, ヵ→ｶ, ヶ→ｹ";

// Every code of rows 0x23 (digits, letters), 0x24 (hiragana) and 0x25 (katakana).
TEST(ZenToHan, EveryCodeOfRows23To25) {
  // Half-width result (CP932) by cell, from the mapping text.
  std::vector<std::string> kana;
  const std::u16string_view mapping(kKanaMapping);
  for (std::size_t at = 0; at < mapping.size();) {
    const std::size_t comma = std::min(mapping.find(u", ", at), mapping.size());
    const std::u16string_view entry = mapping.substr(at, comma - at);
    ASSERT_EQ(entry[1], u'→');
    const unsigned cell = 0x21 + static_cast<unsigned>(kana.size());
    ASSERT_EQ(entry[0] - 0x30A0u + 0x20u, cell) << "katakana out of cell order";
    EXPECT_EQ(Printable(Cp932Of(entry.substr(0, 1))), Printable(SjisOf(0x25, cell)));
    kana.push_back(Cp932Of(entry.substr(2)));
    at = comma + 2;
  }
  ASSERT_EQ(kana.size(), 86u);

  int rows = 0;
  for (unsigned row = 0x23; row <= 0x25; ++row) {
    for (unsigned cell = 0x21; cell <= 0x7E; ++cell) {
      std::string in = SjisOf(row, cell);
      std::string want;
      if (row == 0x23) {
        want = std::string(1, static_cast<char>(cell));
      } else if (cell <= 0x76) {
        want = kana[cell - 0x21];
      } else {
        // Lead byte alone; the second byte pairs with the 0x83 after it, and 'A' follows.
        in += "\x83\x41";
        want = in;
      }
      EXPECT_EQ(Printable(ZenToHanExact(in)), Printable(want))
          << "row " << std::hex << row << " cell " << cell;
      ++rows;
    }
  }
  EXPECT_EQ(rows, 3 * 94);
}

struct SymbolRow {
  std::string full;
  char half;
};

// The 39 symbols in their listed order, full-width bytes → half-width byte.
const SymbolRow kSymbols[] = {
    {"\x81\x40", ' '},    // ideographic space
    {"\x81\x49", '!'},    // ！
    {"\x81\x68", '"'},    // ”
    {"\x81\x94", '#'},    // ＃
    {"\x81\x90", '$'},    // ＄
    {"\x81\x93", '%'},    // ％
    {"\x81\x95", '&'},    // ＆
    {"\x81\x66", '\''},   // ’
    {"\x81\x69", '('},    // （
    {"\x81\x6A", ')'},    // ）
    {"\x81\x81", '='},    // ＝
    {"\x81\x65", '`'},    // ‘
    {"\x81\x62", '|'},    // ｜
    {"\x81\x7C", '-'},    // －
    {"\x81\x4F", '^'},    // ＾
    {"\x81\x8F", '\\'},   // ￥ → yen sign of Japanese fonts
    {"\x81\x50", '~'},    // ￣ → overline of Japanese fonts
    {"\x81\x6F", '{'},    // ｛
    {"\x81\x97", '@'},    // ＠
    {"\x81\x6D", '['},    // ［
    {"\x81\x7B", '+'},    // ＋
    {"\x81\x96", '*'},    // ＊
    {"\x81\x70", '}'},    // ｝
    {"\x81\x47", ';'},    // ；
    {"\x81\x46", ':'},    // ：
    {"\x81\x6E", ']'},    // ］
    {"\x81\x83", '<'},    // ＜
    {"\x81\x84", '>'},    // ＞
    {"\x81\x48", '?'},    // ？
    {"\x81\x51", '_'},    // ＿
    {"\x81\x41", '\xA4'}, // 、 → ､
    {"\x81\x42", '\xA1'}, // 。 → ｡
    {"\x81\x45", '\xA5'}, // ・ → ･
    {"\x81\x43", ','},    // ，
    {"\x81\x44", '.'},    // ．
    {"\x81\x5E", '/'},    // ／
    {"\x81\x5B", '\xB0'}, // ー → ｰ
    {"\x81\x75", '\xA2'}, // 「 → ｢
    {"\x81\x76", '\xA3'}, // 」 → ｣
};

TEST(ZenToHan, EverySymbol) {
  ASSERT_EQ(std::size(kSymbols), 39u);
  ASSERT_EQ(HenkanJ::HalfSymbols.size(), 39u);
  ASSERT_EQ(HenkanJ::FullSymbols.size(), 78u);
  for (std::size_t i = 0; i < std::size(kSymbols); ++i) {
    const SymbolRow& s = kSymbols[i];
    SCOPED_TRACE(Printable(s.full));
    EXPECT_EQ(Printable(ZenToHanExact(s.full)), Printable(std::string(1, s.half)));
    EXPECT_EQ(Printable(ZenToHanExact("a" + s.full + s.full)),
              Printable(std::string("a") + s.half + s.half));
    EXPECT_EQ(Printable(HenkanJ::FullSymbols.substr(2 * i, 2)), Printable(s.full));
    EXPECT_EQ(HenkanJ::HalfSymbols[i], s.half);
  }
}

// A pair that appears in the symbol list only across two symbols (the second byte of one and
// the lead byte of the next, like 普 = 0x95 0x81 inside ＆＝) is no symbol and stays.
TEST(ZenToHan, SymbolsMatchWholeCharactersOnly) {
  std::string all;
  for (const SymbolRow& s : kSymbols) all += s.full;
  int checked = 0;
  for (std::size_t k = 1; k + 1 < all.size(); k += 2) {
    const std::string pair = all.substr(k, 2);
    const auto lead = static_cast<unsigned char>(pair[0]);
    if (!IsLead(lead) || lead == 0x82 || lead == 0x83) continue;  // not a pair, or kana rows
    bool isSymbol = false;
    for (const SymbolRow& s : kSymbols) isSymbol = isSymbol || s.full == pair;
    if (isSymbol) continue;
    EXPECT_EQ(Printable(ZenToHanExact(pair)), Printable(pair));
    ++checked;
  }
  EXPECT_GE(checked, 8);
}

// Inputs built from pieces that reach every rule: any bytes, pairs of the rows that convert,
// symbols, lead bytes before bytes that cannot follow them, ASCII runs, a lead byte at the end.
class TGenerator {
 public:
  explicit TGenerator(unsigned seed) : random_(seed) {}

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  char AnyByte() { return static_cast<char>(Pick(256)); }
  char Lead() {
    const int i = Pick(60);
    return static_cast<char>(i < 31 ? 0x81 + i : 0xE0 + (i - 31));
  }
  char Second() {
    const int i = Pick(188);
    return static_cast<char>(i < 63 ? 0x40 + i : 0x80 + (i - 63));
  }
  char NotSecond() {
    static const char bytes[] = {'\x00', '\x09', '\x0A', '\x0D', '\x20', '\x3F', '\x7F', '\xFD',
                                 '\xFE', '\xFF'};
    return bytes[Pick(static_cast<int>(std::size(bytes)))];
  }

  std::string Piece() {
    switch (Pick(9)) {
      case 0: return {AnyByte()};
      case 1: return {Lead(), AnyByte()};
      case 2: return {static_cast<char>(0x81 + Pick(3)), Second()};  // rows 0x21–0x26
      case 3: return {Lead(), Second()};
      case 4: return kSymbols[Pick(39)].full;
      case 5: return {Lead(), NotSecond()};
      case 6: return std::string(1 + Pick(12), static_cast<char>('a' + Pick(26)));
      case 7: return {static_cast<char>(0xA1 + Pick(63))};  // half-width katakana
      default: return SjisOf(0x24 + Pick(2), 0x21 + Pick(94));
    }
  }

  std::string Text(int maxPieces) {
    std::string s;
    for (int n = Pick(maxPieces + 1); n > 0; --n) s += Piece();
    if (Pick(3) == 0) s += Lead();
    return s;
  }

 private:
  std::mt19937 random_;
};

TEST(ZenToHanDifferential, AgreesWithStepwiseModel) {
  TGenerator gen(20240932);
  int changed = 0;
  int endsInLead = 0;
  for (int i = 0; i < 60000; ++i) {
    std::string S;
    if (i % 4 == 0) {
      S.resize(gen.Pick(32));
      for (char& c : S) c = gen.AnyByte();
    } else {
      S = gen.Text(16);
    }
    const std::string expected = ModelZenToHan(S);
    ASSERT_EQ(Printable(ZenToHanExact(S)), Printable(expected)) << "case " << i << ": \""
                                                                << Printable(S) << "\"";
    if (expected != S) ++changed;
    if (!S.empty() && IsLead(static_cast<unsigned char>(S.back()))) ++endsInLead;
  }
  EXPECT_GT(changed, 60000 / 2);
  EXPECT_GT(endsInLead, 60000 / 5);
}

// Bytes the conversion writes of its own: ASCII from digits, letters and symbols, half-width
// katakana with their marks and punctuation. Every other output byte must come from the input.
bool CanBeWritten(unsigned b) { return (b >= 0x20 && b <= 0x7E) || (b >= 0xA1 && b <= 0xDF); }

TEST(ZenToHanProperties, RandomBytesOnlyYieldBytesTheRulesCanWrite) {
  std::mt19937 random(932);
  std::size_t total = 0;
  while (total < 500'000) {
    std::string in(std::uniform_int_distribution<std::size_t>(0, 40)(random), '\0');
    for (char& c : in) c = static_cast<char>(random());
    const std::string out = ZenToHanExact(in);
    ASSERT_LE(out.size(), in.size());
    std::array<int, 256> countIn{}, countOut{};
    for (const char c : in) ++countIn[static_cast<unsigned char>(c)];
    for (const char c : out) ++countOut[static_cast<unsigned char>(c)];
    for (unsigned b = 0; b < 256; ++b) {
      if (!CanBeWritten(b)) {
        ASSERT_LE(countOut[b], countIn[b]) << "byte " << b << " in \"" << Printable(in) << "\"";
      }
    }
    total += in.size();
  }
}

// Text split where characters begin converts piece by piece: single-byte characters come out
// as they went in, and no character reaches into its neighbours.
TEST(ZenToHanProperties, SingleByteCharactersCopiedAndCharactersIndependent) {
  TGenerator gen(7);
  std::size_t total = 0;
  while (total < 300'000) {
    std::string in, want;
    for (int n = gen.Pick(24); n > 0; --n) {
      std::string piece;
      bool single = false;
      switch (gen.Pick(3)) {
        case 0: {
          unsigned b = 0;
          do b = static_cast<unsigned char>(gen.AnyByte()); while (IsLead(b));
          piece = Bytes({b});
          single = true;
          break;
        }
        case 1: {
          do piece = {gen.Lead(), gen.Second()};
          while (IsUnusedKanaCode(static_cast<unsigned char>(piece[0]),
                                  static_cast<unsigned char>(piece[1])));
          break;
        }
        default: piece = {gen.Lead(), gen.NotSecond()};
      }
      in += piece;
      want += single ? piece : ZenToHanExact(piece);
    }
    if (gen.Pick(2) == 0) {
      const char lead = gen.Lead();
      in += lead;
      want += lead;
    }
    ASSERT_EQ(Printable(ZenToHanExact(in)), Printable(want)) << "in \"" << Printable(in) << "\"";
    total += in.size();
  }
}

TEST(HenkanJHalfWidthRule, OneConvertedLinePerRangeLine) {
  const Lines document = {
      "\x82\x60\x82\x61",  // ＡＢ
      "",
      "\x83\x65\x83\x58\x83\x67",  // テスト
      "\x8A\xBF\x82\x81\x82",      // 漢ａ + lone lead byte
      "\x81\x40",                  // ideographic space
  };
  const struct {
    const char* name;
    ConversionRoad::TRange range;
    Lines want;
  } rows[] = {
      {"whole document", {0, 4}, {"AB", "", "\xC3\xBD\xC4", "\x8A\xBF" "a\x82", " "}},
      {"middle lines only", {1, 3}, {document[0], "", "\xC3\xBD\xC4", "\x8A\xBF" "a\x82", document[4]}},
      {"empty range", {3, 2}, document},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TLightStrings in;
    for (const std::string& line : document) in.Add(line);
    TLightStrings out;
    ConversionRoad::Run(in, in.Count(), row.range, HenkanJ::HalfWidthRule(), out);
    EXPECT_EQ(LinesOf(out), row.want);
  }
}

}  // namespace
