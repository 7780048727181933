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

// The slow way: every character boundary where mark starts, folded unless matchCase.
std::int64_t SlowCount(const std::string& text, const std::string& mark, bool matchCase) {
  const std::string t = matchCase ? text : ShiftJis::UpperCase(text);
  const std::string m = matchCase ? mark : ShiftJis::UpperCase(mark);
  std::int64_t count = 0;
  for (std::size_t at = 0; at < t.size() && !m.empty();) {
    if (t.compare(at, m.size(), m) == 0) {
      ++count;
      at += m.size();
    } else {
      at += ShiftJis::IsLeadByte(static_cast<unsigned char>(t[at])) && at + 1 < t.size() ? 2 : 1;
    }
  }
  return count;
}

// Long random texts of letters in both cases, punctuation and double-byte characters whose
// second bytes are letters: the fast paths (eight bytes at a time, an exact byte as the anchor)
// count what the slow way counts.
TEST(TextSearch, LongTextsCountAsTheSlowWay) {
  std::mt19937 random(3);
  const std::vector<std::string> pieces = {"a", "A", "b", "-", "x", "\x83\x61", "\x83\x41", "ab-", "\x95\x5C"};
  const std::vector<std::string> marks = {"a", "ab", "a-", "b-x", "-a", "AB-X", "\x83\x61", "x\x83\x41"};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 200);
    for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
    const std::string& mark = marks[random() % marks.size()];
    const bool matchCase = random() % 2;
    EXPECT_EQ(TextSearch::Count(text, mark, matchCase), SlowCount(text, mark, matchCase))
        << round << " " << mark;
  }
}

// Random documents of ASCII, kana, kanji whose second byte looks like the marks, and blank
// lines: the preview's counts are what the kind's run does to them.
TEST(TextSearch, PreviewCountsWhatTheRunDoes) {
  std::mt19937 random(7);
  const std::vector<std::string> pieces = {"a", "A", "b", "=", " ", "\x83\x61", "\x82\xA0", "ab", ""};
  const std::vector<std::string> marks = {"a", "b", "ab", "=", "\x82\xA0", "A"};
  for (int round = 0; round < 2000; ++round) {
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
    const ReplaceRules::TFields f{random() % 8 == 0 ? "" : marks[random() % marks.size()],
                                  random() % 2 ? marks[random() % marks.size()] : "",
                                  random() % 3 ? "x" : marks[random() % marks.size()]};
    ReplaceRules::TOptions o;
    o.MatchCase = random() % 2;
    o.DropEmptyLines = random() % 2;
    o.KeepMarkers = random() % 3 == 0;
    const ConversionRoad::TRange range{0, lines - 1};
    TLightStrings out;
    ReplaceRules::RunKind(document, lines, range, kind, f, o, out);

    ReplaceRules::TPreviewer preview(kind, f, o);
    for (int i = 0; i < lines; ++i) preview.Add(document.View(i));
    const ReplaceRules::TPreview& p = preview.Result();
    // The same lines joined, in pieces cut at line starts, judged at search speed.
    ReplaceRules::TPreviewer joined(kind, f, o);
    const std::string text = document.GetText();
    const std::size_t cut = text.find('\n', random() % (text.size() + 1));
    joined.AddLines(std::string_view(text).substr(0, cut == std::string::npos ? text.size() : cut + 1));
    if (cut != std::string::npos) joined.AddLines(std::string_view(text).substr(cut + 1));
    EXPECT_EQ(joined.Result().Lines, p.Lines) << round;
    EXPECT_EQ(joined.Result().Dropped, p.Dropped) << round;
    EXPECT_EQ(joined.Result().Places, p.Places) << round;
    EXPECT_EQ(joined.Result().Seen, p.Seen) << round;
    EXPECT_EQ(out.Count(), lines - p.Dropped) << round;
    if (p.Dropped == 0) {
      std::int64_t changed = 0;
      for (int i = 0; i < lines; ++i) changed += out.View(i) != document.View(i);
      EXPECT_EQ(p.Lines, changed) << round << " kind " << kind;
    }
    // Places: every boundary position where a searched string starts, counted the slow way.
    std::int64_t places = 0;
    for (const std::string& mark : preview.Marks()) {
      for (int i = 0; i < lines; ++i) places += SlowCount(std::string(document.View(i)), mark, o.MatchCase);
    }
    EXPECT_EQ(p.Places, places) << round;
  }
}

}  // namespace
