// The conversion road: lines before and after the range unchanged, each range line through
// the rule, lines past the document's end read as empty.
#include "convert/ConversionRoad.h"

#include <gtest/gtest.h>

#include <random>

#include <string>
#include <vector>

#include "tests/support/LineLists.h"

namespace {

using ConversionRoad::TRange;

void Upper(std::string_view line, TLightStrings& out) {
  std::string upper(line);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  out.Add(upper);
}
void Drop(std::string_view, TLightStrings&) {}
void Twice(std::string_view line, TLightStrings& out) {
  out.Add(line);
  out.Add(line);
}

TEST(ConversionRoadRun, RangeLinesThroughTheRuleOthersUnchanged) {
  struct Row {
    const char* name;
    Lines document;
    std::int32_t lineCount;
    TRange range;
    ConversionRoad::LineRule rule;
    Lines want;
  };
  const Lines abcd = {"a", "b", "c", "d"};
  const Row rows[] = {
      {"whole document", abcd, 4, {0, 3}, Upper, {"A", "B", "C", "D"}},
      {"middle lines", abcd, 4, {1, 2}, Upper, {"a", "B", "C", "d"}},
      {"one line", abcd, 4, {2, 2}, Upper, {"a", "b", "C", "d"}},
      {"deleting the range", abcd, 4, {1, 2}, Drop, {"a", "d"}},
      {"several lines per line", abcd, 4, {3, 3}, Twice, {"a", "b", "c", "d", "d"}},
      {"empty range converts nothing", abcd, 4, {3, 2}, Upper, {"a", "b", "c", "d"}},
      {"an end far before the start copies each line once", abcd, 4, {3, 0}, Upper,
       {"a", "b", "c", "d"}},
      {"start past the end reads empty lines", {"a"}, 1, {2, 3}, Upper, {"a", "", "", ""}},
      {"empty editor: one empty line through the rule", {""}, 0, {0, 0}, Twice, {"", ""}},
      {"empty editor after a line-count change", {""}, 0, {0, -1}, Twice, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TLightStrings document;
    for (const std::string& line : row.document) document.Add(line);
    TLightStrings out;
    ConversionRoad::Run(document, row.lineCount, row.range, row.rule, out);
    EXPECT_EQ(LinesOf(out), row.want);
  }
}

}  // namespace

// The road over the editor's text gives the bytes of the road over its lines, joined: random
// texts, ranges inside, across and past the end, empty ranges, line counts that differ from
// the text's, rules that drop, keep, split and add lines, with and without a tail.
TEST(ConversionRoadRunOnText, SameBytesAsTheListRoad) {
  std::mt19937 random(11);
  const ConversionRoad::LineRule rules[] = {
      [](std::string_view line, TLightStrings& out) { out.Add(line); },
      [](std::string_view, TLightStrings&) {},
      [](std::string_view line, TLightStrings& out) { out.Add(line, "+"); out.Add(line); },
      [](std::string_view line, TLightStrings& out) { out.Add(std::string(line) + "\r\nx"); },
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int lines = static_cast<int>(random() % 8);
    for (int i = 0; i < lines; ++i) {
      text += std::string(random() % 4, static_cast<char>('a' + i));
      if (i + 1 < lines || random() % 2 == 0) text += "\r\n";
    }
    TLightStrings document;
    document.SetText(text);
    const auto pick = [&](int below) { return static_cast<std::int32_t>(random() % below); };
    const std::int32_t lineCount = document.Count() + pick(3) - 1;
    const TRange range{pick(9), pick(10) - 1};
    const ConversionRoad::LineRule& rule = rules[random() % std::size(rules)];
    const ConversionRoad::RangeTail tail =
        random() % 2 == 0 ? ConversionRoad::RangeTail{}
                          : [](TLightStrings& out) { out.Add("tail"); };
    TLightStrings listed;
    ConversionRoad::Run(document, lineCount, range, rule, listed, tail);
    std::string joined;
    ConversionRoad::RunOnText(text, lineCount, range, rule, joined, tail);
    ASSERT_EQ(joined, listed.GetText())
        << round << " " << testing::PrintToString(text) << " count " << lineCount << " range "
        << range.Start << ".." << range.End;
    // A filter: lines whose length is odd go, and in every other round "" too.
    const bool keepEmpty = round % 2 == 0;
    const ConversionRoad::LineFilter keep = [keepEmpty](std::string_view line) {
      return (keepEmpty || !line.empty()) && line.size() % 2 == 0;
    };
    TLightStrings kept;
    const auto keepRule = [&keep](std::string_view line, TLightStrings& out) {
      if (keep(line)) out.Add(line);
    };
    ConversionRoad::Run(document, lineCount, range, keepRule, kept);
    std::string filtered;
    ConversionRoad::FilterOnText(text, lineCount, range, keep, filtered);
    ASSERT_EQ(filtered, kept.GetText()) << round << " " << testing::PrintToString(text);
  }
}
