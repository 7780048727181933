// Finding and counting strings as the commands do, and the preview of a replace kind against
// the run of that kind itself.
#include "document/TextSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "document/LightStr.h"
#include "document/ShiftJis.h"
#include "replace/ReplaceRules.h"

namespace {

TEST(TextSearch, MatchesOnlyOnCharacterBoundaries) {
  struct Row {
    const char* rule;
    std::string text, mark;
    bool matchCase;
    std::vector<std::size_t> matches;  // every match, in order
  };
  const Row rows[] = {
      {"plain", "abcabc", "bc", true, {1, 4}},
      {"a second byte is no match", "\x95\x5C\x5C", "\x5C", true, {2}},
      {"second byte 'a' of a kanji", "\x83\x61" "a", "a", true, {2}},
      {"folded case", "ABab", "ab", false, {0, 2}},
      {"matched case", "ABab", "ab", true, {2}},
      {"no folding of a second byte", "\x83\x61", "\x83\x41", false, {}},
      {"double-byte marks", "\x82\xA0\x82\xA0\r\n\x82\xA0", "\x82\xA0", true, {0, 2, 6}},
      {"no overlap", "aaaa", "aa", true, {0, 2}},
      {"empty mark", "abc", "", true, {}},
  };
  for (const Row& row : rows) {
    std::vector<std::size_t> found;
    for (std::size_t at = TextSearch::Next(row.text, 0, row.mark, row.matchCase);
         at != TextSearch::npos; at = TextSearch::Next(row.text, at + row.mark.size(), row.mark, row.matchCase)) {
      found.push_back(at);
    }
    EXPECT_EQ(found, row.matches) << row.rule;
    EXPECT_EQ(TextSearch::Count(row.text, row.mark, row.matchCase),
              static_cast<std::int64_t>(row.matches.size())) << row.rule;
    // Backwards from the end, the same matches in reverse (they do not overlap here).
    std::vector<std::size_t> back;
    for (std::size_t at = TextSearch::Previous(row.text, row.text.size(), row.mark, row.matchCase);
         at != TextSearch::npos; at = TextSearch::Previous(row.text, at, row.mark, row.matchCase)) {
      back.insert(back.begin(), at);
    }
    if (row.rule != std::string("no overlap")) EXPECT_EQ(back, row.matches) << row.rule;
  }
}

// Random documents of ASCII, kana, kanji whose second byte looks like the marks, and blank
// lines: the preview's counts are what the kind's run does to them.
TEST(TextSearch, PreviewCountsWhatTheRunDoes) {
  std::mt19937 random(7);
  const std::vector<std::string> pieces = {"a", "A", "b", "=", " ", "\x83\x61", "\x82\xA0", "ab", ""};
  const std::vector<std::string> marks = {"a", "b", "ab", "=", "\x82\xA0", "A"};
  for (int round = 0; round < 300; ++round) {
    TLightStrings document;
    const int lines = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < lines; ++i) {
      std::string line;
      const int length = static_cast<int>(random() % 6);
      for (int j = 0; j < length; ++j) line += pieces[random() % pieces.size()];
      document.Add(line);
    }
    const int kinds[] = {11, 12, 13, 14, 21, 22, 23, 24, 150, 160};
    const int kind = kinds[random() % std::size(kinds)];
    const ReplaceRules::TFields f{marks[random() % marks.size()],
                                  random() % 2 ? marks[random() % marks.size()] : "", "x"};
    ReplaceRules::TOptions o;
    o.MatchCase = random() % 2;
    o.DropEmptyLines = random() % 2;
    const ConversionRoad::TRange range{0, lines - 1};
    TLightStrings out;
    ReplaceRules::RunKind(document, lines, range, kind, f, o, out);

    ReplaceRules::TPreviewer preview(kind, f, o);
    for (int i = 0; i < lines; ++i) preview.Add(document.View(i));
    const ReplaceRules::TPreview& p = preview.Result();
    EXPECT_EQ(out.Count(), lines - p.Dropped) << round;
    if (p.Dropped == 0) {
      std::int64_t changed = 0;
      for (int i = 0; i < lines; ++i) changed += out.View(i) != document.View(i);
      EXPECT_EQ(p.Lines, changed) << round << " kind " << kind;
    }
    // Places: every boundary position where a searched string starts, counted the slow way.
    std::int64_t places = 0;
    for (const std::string& mark : preview.Marks()) {
      for (int i = 0; i < lines; ++i) {
        const std::string line = o.MatchCase ? std::string(document.View(i)) : ShiftJis::UpperCase(document.View(i));
        const std::string m = o.MatchCase ? mark : ShiftJis::UpperCase(mark);
        for (std::size_t at = 0; at < line.size();) {
          if (line.compare(at, m.size(), m) == 0) {
            ++places;
            at += m.size();
          } else {
            at += ShiftJis::IsLeadByte(static_cast<unsigned char>(line[at])) && at + 1 < line.size() ? 2 : 1;
          }
        }
      }
    }
    EXPECT_EQ(p.Places, places) << round;
  }
}

}  // namespace
