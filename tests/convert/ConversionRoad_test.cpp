// The conversion road: lines before and after the range unchanged, each range line through
// the rule, lines past the document's end read as empty.
#include "convert/ConversionRoad.h"

#include <gtest/gtest.h>

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
