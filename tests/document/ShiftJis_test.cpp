// Shift-JIS helpers: lead bytes, upper-casing that leaves second bytes alone, and searches that
// never match on a second byte.
#include "document/ShiftJis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ShiftJis::npos;

// CP932 bytes of a few characters.
const std::string kHyo = "\x95\x5C";        // 表, second byte is '\'
const std::string kJi = "\x8E\xA6";         // 示
const std::string kKatakanaA = "\x83\x41";  // ア, second byte is 'A'
const std::string kSmallYa = "\x83\x61";    // ャ, second byte is 'a'

TEST(ShiftJisLeadByte, RangesAndTheirEdges) {
  struct Row {
    unsigned char byte;
    bool lead;
  };
  const Row rows[] = {
      {0x00, false}, {0x40, false}, {0x5C, false}, {0x7F, false}, {0x80, false},
      {0x81, true},  {0x9F, true},  {0xA0, false}, {0xA1, false}, {0xDF, false},
      {0xE0, true},  {0xFC, true},  {0xFD, false}, {0xFF, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ShiftJis::IsLeadByte(row.byte), row.lead) << "byte 0x" << std::hex << +row.byte;
  }
}

TEST(ShiftJisUpperCase, OnlySingleByteLettersChange) {
  struct Row {
    const char* rule;
    std::string in;
    std::string out;
  };
  const std::vector<Row> rows = {
      {"ascii letters", "abc xyz ABC 09", "ABC XYZ ABC 09"},
      {"letters just outside a-z stay", "`{@[", "`{@["},
      {"second byte 'a' of ャ stays", "a" + kSmallYa + "z", "A" + kSmallYa + "Z"},
      {"every second byte 0x61-0x7A stays", "\x83\x61\x83\x7A\xE0\x6D", "\x83\x61\x83\x7A\xE0\x6D"},
      {"a lead-valued second byte still pairs", "\x81\x81" "a", "\x81\x81" "A"},
      {"lone lead byte at the end", "a\x81", "A\x81"},
      {"0x80, 0xA0 and 0xFD are single bytes", "\x80" "a\xA0" "b\xFD" "c", "\x80" "A\xA0" "B\xFD" "C"},
      {"half-width katakana are single bytes", "\xB1" "a", "\xB1" "A"},
      {"empty", "", ""},
  };
  for (const Row& row : rows) {
    const std::string upper = ShiftJis::UpperCase(row.in);
    EXPECT_EQ(upper, row.out) << row.rule;
    EXPECT_EQ(upper.size(), row.in.size()) << row.rule;
  }
}

struct FindRow {
  const char* rule;
  std::string text;
  std::string mark;
  bool ignoreCase;
  std::size_t expected;
};

TEST(ShiftJisFindMark, CharacterBoundaries) {
  const std::vector<FindRow> rows = {
      {"0x5C inside 表 is not a match", kHyo + kJi, "\\", false, npos},
      {"0x5C after 表 is a match", kHyo + "\\", "\\", false, 2},
      {"0x5C inside 表 skipped, later one found", "a" + kHyo + "b\\", "\\", false, 4},
      {"second byte 'A' of ア is not a match", kKatakanaA, "A", false, npos},
      {"a match that starts on a second byte is skipped", "\x81\x81x\x81", "\x81x", false, npos},
      {"even run of lead values: next byte starts a character", "\x81\x81\x81\x81" "a", "a", false, 4},
      {"odd run of lead values: next byte is a second byte", "\x81\x81\x81\x81\x81" "a", "a", false, npos},
      {"odd run, then a match after the pair", "\x81\x81\x81\x81\x81" "aa", "a", false, 6},
      {"lead-valued mark inside a run", "x\x81\x81\x81", "\x81\x81", false, 1},
      {"lone lead byte mark at the end", "ab\x81", "\x81", false, 2},
      {"double-byte mark", "x" + kHyo + kJi, kJi, false, 3},
      {"overlapping partial match", "ababc", "abc", false, 2},
      {"first of several", "a=b=c", "=", false, 1},
      {"mark at the start", "=ab", "=", false, 0},
      {"mark at the end", "ab=", "=", false, 2},
      {"mark longer than text", "ab", "abc", false, npos},
      {"empty mark", "abc", "", false, npos},
      {"empty text", "", "a", false, npos},
      {"both empty", "", "", true, npos},
  };
  for (const FindRow& row : rows) {
    EXPECT_EQ(ShiftJis::FindMark(row.text, row.mark, row.ignoreCase), row.expected) << row.rule;
    if (!row.ignoreCase) {
      EXPECT_EQ(ShiftJis::FindOnBoundary(row.text, row.mark), row.expected) << row.rule;
    }
  }
}

TEST(ShiftJisFindMark, IgnoreCase) {
  const std::vector<FindRow> rows = {
      {"text matched without regard to case", "Hello World", "WORLD", true, 6},
      {"mark upper-cased too", "HELLO WORLD", "world", true, 6},
      {"case matters without ignoreCase", "Hello World", "WORLD", false, npos},
      {"'A' never matches the second byte of ア", kKatakanaA, "A", true, npos},
      {"'A' never matches the second byte of ャ", kSmallYa, "A", true, npos},
      {"'a' never matches the second byte of ャ", kSmallYa, "a", true, npos},
      {"'A' found after ャ", kSmallYa + "a", "A", true, 2},
      {"ャ does not match ア", "x" + kKatakanaA, kSmallYa, true, npos},
      {"ア does not match ャ", "x" + kSmallYa, kKatakanaA, true, npos},
      {"ャ matches itself", "x" + kSmallYa, kSmallYa, true, 1},
      {"letters after a double-byte mark fold", kSmallYa + "b", kSmallYa + "B", true, 0},
      {"lone lead byte then letter in mark", "x\x81" "a", "\x81" "A", true, npos},
      {"letters around a skipped second byte", "a" + kSmallYa + "A", "aA", true, npos},
  };
  for (const FindRow& row : rows) {
    EXPECT_EQ(ShiftJis::FindMark(row.text, row.mark, row.ignoreCase), row.expected) << row.rule;
  }
}

// Model of the search: upper-case both strings, list the positions that start a character,
// and try each one in turn.
std::size_t ModelFind(const std::string& text, const std::string& mark, bool ignoreCase) {
  if (text.empty() || mark.empty()) return npos;
  const std::string t = ignoreCase ? ShiftJis::UpperCase(text) : text;
  const std::string u = ignoreCase ? ShiftJis::UpperCase(mark) : mark;
  std::vector<bool> starts(t.size(), false);
  for (std::size_t i = 0; i < t.size();) {
    starts[i] = true;
    i += ShiftJis::IsLeadByte(static_cast<unsigned char>(t[i])) ? 2 : 1;
  }
  for (std::size_t i = 0; i + u.size() <= t.size(); ++i) {
    if (starts[i] && t.compare(i, u.size(), u) == 0) return i;
  }
  return npos;
}

TEST(ShiftJisFindMark, AgreesWithModelOnGeneratedInputs) {
  const std::string alphabet = "\x81\x95\xE0\x5C" "aAbB[]." "\xB1";
  std::mt19937 random(932);
  auto make = [&](std::size_t maxLength) {
    std::string s(std::uniform_int_distribution<std::size_t>(0, maxLength)(random), ' ');
    for (char& c : s) {
      c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
    }
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string text = make(30);
    const std::string mark = make(3);
    const bool ignoreCase = (i % 2) != 0;
    ASSERT_EQ(ShiftJis::FindMark(text, mark, ignoreCase), ModelFind(text, mark, ignoreCase))
        << "case " << i << " ignoreCase " << ignoreCase;
  }
  // Longer texts searched for a part of themselves: matches fall anywhere in and across the
  // pieces of sixteen bytes a search looks at together, on second bytes too.
  for (int i = 0; i < 20000; ++i) {
    const std::string text = make(100);
    if (text.size() < 2) continue;
    using Pick = std::uniform_int_distribution<std::size_t>;
    const std::size_t length = Pick(2, std::min<std::size_t>(8, text.size()))(random);
    const std::size_t at = Pick(0, text.size() - length)(random);
    const std::string mark = text.substr(at, length);
    const bool ignoreCase = (i % 2) != 0;
    ASSERT_EQ(ShiftJis::FindMark(text, mark, ignoreCase), ModelFind(text, mark, ignoreCase))
        << "case " << i << " ignoreCase " << ignoreCase;
  }
}

}  // namespace
