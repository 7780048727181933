// The line-edge rules: trimming by blank bytes, dropping blank lines, adding a text at the
// start or end of every line.
#include "convert/LineEdges.h"

#include <gtest/gtest.h>

#include "tests/support/LineLists.h"

namespace {

Lines Apply(const ConversionRoad::LineRule& rule, const Lines& lines) {
  TLightStrings out;
  for (const std::string& line : lines) rule(line, out);
  return LinesOf(out);
}

TEST(LineEdges, TrimRemovesBlankBytesAtBothEndsOnly) {
  struct Row { std::string line; std::string want; };
  const Row rows[] = {
      {"  abc  ", "abc"},                          // the trailing blanks go too
      {"\tabc", "abc"},
      {"\x81\x40" "abc", "\x81\x40" "abc"},        // 　abc: the full-width space stays
      {" \t \r", ""},                              // only blanks
      {std::string("\0a\x1f", 3), "a"},            // every control byte is blank
      {"a b", "a b"},                              // inside blanks stay
      {"\x83\x41 ", "\x83\x41"},                   // ア: a second byte is never blank
      {"\x81", "\x81"},                            // a lone lead byte is not blank
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(LineEdges::Trim(row.line), row.want);
    EXPECT_EQ(LineEdges::IsBlank(row.line), row.want.empty());
  }
}

TEST(LineEdges, TrimModes) {
  const Lines lines = {"a", "", "   ", " b ", "\x81\x40"};  // the last: 　 alone
  struct Row { LineEdges::TTrimMode mode; Lines want; };
  const Row rows[] = {
      {LineEdges::TTrimMode::TrimEnds, {"a", "", "", "b", "\x81\x40"}},  // line count kept
      {LineEdges::TTrimMode::DropBlank, {"a", " b ", "\x81\x40"}},        // kept lines untrimmed
      {LineEdges::TTrimMode::TrimAndDrop, {"a", "b", "\x81\x40"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.mode));
    EXPECT_EQ(Apply(LineEdges::TrimRule(row.mode), lines), row.want);
  }
}

TEST(LineEdges, AddedTextGoesOnEveryLineByteForByte) {
  struct Row { std::string text; bool prefix; Lines want; };
  const Row rows[] = {
      {"x", true, {"xa", "x", "x\x95\x5C"}},
      {";", false, {"a;", ";", "\x95\x5C;"}},
      {"", true, {"a", "", "\x95\x5C"}},                     // nothing entered: unchanged
      {"\x81\x40 ", true, {"\x81\x40 a", "\x81\x40 ", "\x81\x40 \x95\x5C"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Apply(LineEdges::AddTextRule(row.text, row.prefix), {"a", "", "\x95\x5C"}),
              row.want);  // 表
  }
}

}  // namespace
