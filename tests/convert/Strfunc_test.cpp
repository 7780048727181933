// Substring primitives: text before/after a marker, and replacement between markers.
#include "convert/Strfunc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kHyoji = "\x95\x5C\x8E\xA6";  // 表示: the second byte of 表 is 0x5C
const std::string kKatakanaA = "\x83\x41";      // ア, second byte 'A'
const std::string kSmallYa = "\x83\x61";        // ャ, second byte 'a'

struct SplitRow {
  const char* rule;
  std::string s;
  std::string mark;
  std::uint8_t mode;
  bool ignoreCase;
  std::string before;  // StrBefore
  std::string after;   // StrAfter
};

TEST(StrBeforeAfter, MarkersAndModes) {
  const std::vector<SplitRow> rows = {
      {"missing marker", "abc", "x", 1, false, "abc", ""},
      {"missing marker, mode 0", "abc", "x", 0, false, "abc", ""},
      {"only the first marker counts", "a=b=c", "=", 1, false, "a", "b=c"},
      {"mode 0 keeps the marker", "a=b", "=", 0, false, "a=", "=b"},
      {"any mode but 1 keeps the marker", "a=b", "=", 7, false, "a=", "=b"},
      {"marker at the end", "ab=", "=", 1, false, "ab", ""},
      {"marker at the start", "=ab", "=", 1, false, "", "ab"},
      {"marker is the whole text", "=", "=", 0, false, "=", "="},
      {"empty marker never found", "abc", "", 1, false, "abc", ""},
      {"empty marker never found, mode 0", "abc", "", 0, true, "abc", ""},
      {"empty text", "", "=", 0, false, "", ""},
      {"multi-byte marker", "key::value::x", "::", 1, false, "key", "value::x"},
      {"ignore case, marker put in is the argument", "Hello World", "WORLD", 0, true,
       "Hello WORLD", "WORLD"},
      {"ignore case, tail cut from the text", "Hello World!", "world", 1, true, "Hello ", "!"},
      {"case matters without ignore case", "Hello World", "WORLD", 0, false, "Hello World", ""},
      {"0x5C marker not found inside 表", kHyoji, "\\", 1, false, kHyoji, ""},
      {"0x5C marker found after 表示", kHyoji + "\\x", "\\", 1, false, kHyoji, "x"},
      {"'A' ignoring case skips the second byte of ア", kKatakanaA + "b", "A", 1, true,
       kKatakanaA + "b", ""},
      {"'A' ignoring case skips ャ, finds the letter after", kSmallYa + "xaY", "A", 0, true,
       kSmallYa + "xA", "AY"},
  };
  for (const SplitRow& row : rows) {
    EXPECT_EQ(Strfunc::StrBefore(row.s, row.mark, row.mode, row.ignoreCase), row.before)
        << row.rule;
    EXPECT_EQ(Strfunc::StrAfter(row.s, row.mark, row.mode, row.ignoreCase), row.after)
        << row.rule;
  }
}

TEST(StrfuncLeftRightOf, CaseSensitiveWithoutMarker) {
  const std::vector<SplitRow> rows = {
      {"first marker", "a=b=c", "=", 1, false, "a", "b=c"},
      {"missing marker", "abc", "=", 1, false, "abc", ""},
      {"case matters", "aXb", "x", 1, false, "aXb", ""},
      {"marker at the end", "ab=", "=", 1, false, "ab", ""},
      {"0x5C inside 表 skipped", kHyoji + "\\z", "\\", 1, false, kHyoji, "z"},
  };
  for (const SplitRow& row : rows) {
    EXPECT_EQ(Strfunc::LeftOf(row.s, row.mark), row.before) << row.rule;
    EXPECT_EQ(Strfunc::RightOf(row.s, row.mark), row.after) << row.rule;
  }
}

struct ReplaceRow {
  const char* rule;
  std::string s;
  std::string start;
  std::string end;
  std::string repl;
  std::uint8_t mode;
  bool ignoreCase;
  std::string expected;
};

TEST(ReplaceBetween, Examples) {
  const std::vector<ReplaceRow> rows = {
      {"every pair, markers dropped", "x[a]y[b]z", "[", "]", "-", 1, false, "x-y-z"},
      {"every pair, markers kept", "x[a]y[b]z", "[", "]", "-", 0, false, "x[-]y[-]z"},
      {"any mode but 1 keeps markers", "x[a]y[b]z", "[", "]", "-", 3, false, "x[-]y[-]z"},
      {"end before start: unchanged", "]x[a]", "[", "]", "-", 1, false, "]x[a]"},
      {"end before start: unchanged, mode 0", "]x[a]", "[", "]", "-", 0, false, "]x[a]"},
      {"stray end in the rest stops the scan", "[a]b][c]", "[", "]", "-", 1, false, "-b][c]"},
      {"stray end in the rest stops the scan, mode 0", "[a]b][c]", "[", "]", "-", 0, false,
       "[-]b][c]"},
      {"same start and end never pair", "|a|", "|", "|", "-", 1, false, "|a|"},
      {"same start and end never pair, mode 0", "|a|", "|", "|", "-", 0, false, "|a|"},
      {"empty end: replace all", "a.b.c", ".", "", "::", 1, false, "a::b::c"},
      {"empty end: insert after each start", "a.b.c", ".", "", "::", 0, false, "a.::b.::c"},
      {"empty end, adjacent starts", "..", ".", "", "-", 1, false, "--"},
      {"empty start: unchanged", "x[a]y", "", "]", "-", 1, false, "x[a]y"},
      {"empty start and end: unchanged", "x[a]y", "", "", "-", 0, false, "x[a]y"},
      {"empty text", "", "[", "]", "-", 1, false, ""},
      {"empty text, empty end", "", ".", "", "-", 0, false, ""},
      {"no start", "abc]", "[", "]", "-", 1, false, "abc]"},
      {"start without end", "a[bc", "[", "]", "-", 1, false, "a[bc"},
      {"later pair after an unmatched start", "a[b[c]d", "[", "]", "-", 1, false, "a-d"},
      {"empty replacement", "x[a]y", "[", "]", "", 1, false, "xy"},
      {"adjacent markers", "[]", "[", "]", "-", 1, false, "-"},
      {"multi-byte markers", "a<!--x-->b<!---->c", "<!--", "-->", "", 1, false, "abc"},
      {"end marker overlapping the start marker still pairs", "<!-->x-->", "<!--", "-->", "",
       1, false, "x-->"},
      {"0x5C inside 表 is no start", "\x95\x5C" "\\a]", "\\", "]", "-", 1, false, "\x95\x5C-"},
      {"0x5C inside 表 is no end", "[" + kHyoji + "\\", "[", "\\", "-", 0, false, "[-\\"},
      {"ignore case finds markers, mode 0 puts the arguments", "x<A>y<a>z", "<a", ">", "-", 0,
       true, "x<a->y<a->z"},
      {"ignore case, replace all", "aXbxc", "x", "", "-", 1, true, "a-b-c"},
      {"case sensitive replace all", "aXbxc", "x", "", "-", 1, false, "aXb-c"},
      {"ignore case never matches the second byte of ャ", kSmallYa + "[a]", "A", "]", "-", 1,
       true, kSmallYa + "[-"},
  };
  for (const ReplaceRow& row : rows) {
    EXPECT_EQ(Strfunc::ReplaceBetween(row.s, row.start, row.end, row.repl, row.mode,
                                      row.ignoreCase),
              row.expected)
        << row.rule;
  }
}

// After each replacement the rest of the line counts its characters, and upper-cases, from its
// own first byte. This only shows when a marker ends in a lead byte whose second byte lies
// beyond the marker.
TEST(ReplaceBetween, RestCountsCharactersFromItsOwnStart) {
  const std::vector<ReplaceRow> rows = {
      {"lone lead start marker, replace all", "\x81\x81\x81", "\x81", "", "-", 1, false, "---"},
      {"lone lead start marker, insert", "\x81\x81", "\x81", "", "-", 0, false,
       "\x81-\x81-"},
      {"lone lead start marker, ignore case", "\x81\x81\x81", "\x81", "", "-", 1, true, "---"},
      {"end marker ending in a lead byte", "[x\x81[yx\x81", "[", "x\x81", "-", 1, false, "--"},
      {"rest's first byte is upper-cased", "A\x81" "a\x81z", "A", "\x81", "-", 1, true, "--z"},
      {"same without ignore case", "A\x81" "a\x81z", "A", "\x81", "-", 1, false,
       "-a\x81z"},
  };
  for (const ReplaceRow& row : rows) {
    EXPECT_EQ(Strfunc::ReplaceBetween(row.s, row.start, row.end, row.repl, row.mode,
                                      row.ignoreCase),
              row.expected)
        << row.rule;
  }
}

}  // namespace
