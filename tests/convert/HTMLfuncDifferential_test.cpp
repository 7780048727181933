// The HTML functions against a literal, recursive transcription of their rules, on generated
// inputs; and on bad input: a huge entity name, unclosed tags, a 20 MB line of a million tags.
#include "convert/HTMLfunc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "convert/Strfunc.h"
#include "document/ShiftJis.h"
#include "tests/support/LineLists.h"
#include "tests/support/Printable.h"

namespace {

// ---- the rules step by step, each text taken as a string of its own ----

bool Holds(const std::string& s, std::string_view mark) {
  return ShiftJis::FindOnBoundary(s, mark) != ShiftJis::npos;
}
std::string Before(const std::string& s, std::string_view mark) {
  return Strfunc::StrBefore(s, mark, 1, false);
}
std::string After(const std::string& s, std::string_view mark) {
  return Strfunc::StrAfter(s, mark, 1, false);
}

std::string ModelLower(const std::string& s) {
  std::string out = s;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (ShiftJis::IsLeadByte(b)) {
      ++i;
    } else if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b + 32);
    }
  }
  return out;
}

std::string ModelTrim(const std::string& s) {
  std::size_t first = 0;
  std::size_t last = s.size();
  while (first < last && static_cast<unsigned char>(s[first]) <= 0x20) ++first;
  while (last > first && static_cast<unsigned char>(s[last - 1]) <= 0x20) --last;
  return s.substr(first, last - first);
}

void ModelSplitAtBr(const std::string& S, Lines& list) {
  const std::size_t P = ShiftJis::FindOnBoundary(ModelLower(S), "<br>");
  if (P == ShiftJis::npos) {
    list.push_back(S);
    return;
  }
  list.push_back(S.substr(0, P + 4));
  if (S.size() > P + 4) ModelSplitAtBr(S.substr(P + 4), list);
}

std::string ModelDecodeEntities(const std::string& S) {
  static const char* const table[][2] = {
      {"nbsp", " "}, {"quot", "\""}, {"amp", "&"},  {"lt", "<"},  {"gt", ">"},   {"yen", "\\"},
      {"#34", "\""}, {"#38", "&"},   {"#60", "<"},  {"#62", ">"}, {"#165", "\\"},
  };
  std::string Out;
  std::string T = S;
  while (Holds(T, "&") && Holds(After(T, "&"), ";")) {
    const std::string Name = Before(After(T, "&"), ";");
    const std::string Key = ModelLower(ModelTrim(Name));
    const std::string BeforeAmp = Before(T, "&");
    T = After(After(T, "&"), ";");
    std::string replacement = "&" + Key + ";";
    for (const auto& row : table) {
      if (Key == row[0]) {
        replacement = row[1];
        break;
      }
    }
    Out += BeforeAmp + replacement;
  }
  return Out + T;
}

std::string ModelStripTags(const std::string& S) {
  std::string Out;
  if (!Holds(S, "<") && !Holds(S, ">")) {
    Out = S;
  } else if (Holds(S, ">") && !Holds(S, "<")) {
    return "";
  } else {
    std::string T = S;
    while (Holds(T, "<")) {
      if (T[0] != '<') {
        std::string Piece = Before(T, "<");
        if (Holds(Piece, ">")) Piece = After(Piece, ">");
        Out += Piece;
        T = Strfunc::StrAfter(T, "<", 0, false);
      }
      if (!Holds(T, ">")) return Out;
      T = After(T, ">");
    }
    if (Holds(T, ">")) T = After(T, ">");
    Out += T;
  }
  if (Holds(Out, "&") && Holds(Out, ";")) Out = ModelDecodeEntities(Out);
  return Out;
}

struct ModelSplit {
  std::string Pre, Tag, Post;
};

ModelSplit ModelSplitFirstTag(const std::string& S) {
  ModelSplit r;
  if (S.empty()) return r;
  const bool lt = Holds(S, "<");
  const bool gt = Holds(S, ">");
  if (!lt && !gt) {
    r.Pre = S;
  } else if (!lt) {
    r.Pre = Strfunc::StrBefore(S, ">", 0, false);
    r.Post = After(S, ">");
  } else if (!gt) {
    r.Pre = Before(S, "<");
    r.Post = Strfunc::StrAfter(S, "<", 0, false);
  } else {
    r.Pre = Before(S, "<");
    const std::string FromLt = Strfunc::StrAfter(S, "<", 0, false);
    if (Holds(FromLt, ">")) {
      r.Tag = Strfunc::StrBefore(FromLt, ">", 0, false);
      r.Post = After(S, r.Tag);
    } else {
      r.Tag = FromLt + ">";
    }
  }
  return r;
}

void ModelBreakAtTags(const std::string& S, std::string& TagCarry, Lines& list) {
  if (S.empty()) return;
  const ModelSplit r = ModelSplitFirstTag(S);
  if (!r.Pre.empty()) list.push_back(r.Pre);
  if (!r.Tag.empty()) list.push_back(r.Tag);
  if (r.Post.empty()) return;
  if (!Holds(r.Post, "<")) {
    list.push_back(r.Post);
  } else if (!Holds(r.Post, ">")) {
    TagCarry = r.Post;
  } else {
    ModelBreakAtTags(r.Post, TagCarry, list);
  }
}

// ---- generated inputs ----

class Generator {
 public:
  // Up to maxPieces pieces: markers, the letters of "<br>" in both cases, blanks, entity
  // fragments and whole references, double-byte characters (also with a second byte that is a
  // letter or a lead-byte value), lone lead bytes that swallow the next byte, and bytes that are
  // not Shift-JIS.
  std::string Text(std::size_t maxPieces) {
    static const std::vector<std::string> pieces = {
        "<", "<", ">", ">", "&", "&", ";", ";", "b", "r", "B", "R", " ", "\t", "x",
        "nbsp", "amp", "AMP", "lt", "#60", "#165", "<br>", "<BR>",
        "&amp;", "&Lt;", "& quot ;", "&#62;", "&copy;",
        "\x82\xa0",  // あ
        "\x83\x41",  // ア, second byte 'A'
        "\x81\x81",  // ＝, second byte a lead-byte value
        "\x81\x40",  // full-width space
        "\x81",      // lone lead byte
        "\xFF", "\x80",
    };
    std::string s;
    const std::size_t n = std::uniform_int_distribution<std::size_t>(0, maxPieces)(random_);
    for (std::size_t i = 0; i < n; ++i) {
      s += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random_)];
    }
    return s;
  }

  std::mt19937& random() { return random_; }

 private:
  std::mt19937 random_{20251109};
};

constexpr int kCases = 20000;

TEST(HTMLfuncDifferential, SplitAtBrAgreesWithRecursiveModel) {
  Generator gen;
  int split = 0;
  for (int i = 0; i < kCases; ++i) {
    const std::string S = gen.Text(16);
    Lines expected;
    ModelSplitAtBr(S, expected);
    TLightStrings list;
    HTMLfunc::SplitAtBr(S, list);
    ASSERT_EQ(LinesOf(list), expected) << "case " << i << ": \"" << Printable(S) << "\"";
    if (expected.size() > 1) ++split;
  }
  EXPECT_GT(split, kCases / 10);
}

TEST(HTMLfuncDifferential, StripTagsAgreesWithStepwiseModel) {
  Generator gen;
  int changed = 0;
  int decoded = 0;  // results holding "<" or ">", which only decoding can give
  for (int i = 0; i < kCases; ++i) {
    const std::string S = gen.Text(16);
    const std::string expected = ModelStripTags(S);
    ASSERT_EQ(HTMLfunc::StripTags(S), expected) << "case " << i << ": \"" << Printable(S) << "\"";
    if (!expected.empty() && expected != S) ++changed;
    if (expected.find_first_of("<>") != std::string::npos) ++decoded;
  }
  EXPECT_GT(changed, kCases / 10);
  EXPECT_GT(decoded, kCases / 100);
}

TEST(HTMLfuncDifferential, DecodeEntitiesAgreesWithStepwiseModel) {
  Generator gen;
  int changed = 0;
  for (int i = 0; i < kCases; ++i) {
    const std::string S = gen.Text(16);
    const std::string expected = ModelDecodeEntities(S);
    ASSERT_EQ(HTMLfunc::DecodeEntities(S), expected)
        << "case " << i << ": \"" << Printable(S) << "\"";
    if (expected != S) ++changed;
  }
  EXPECT_GT(changed, kCases / 5);
}

TEST(HTMLfuncDifferential, SplitFirstTagAgreesWithModel) {
  Generator gen;
  int closed = 0;
  for (int i = 0; i < kCases; ++i) {
    const std::string S = gen.Text(12);
    const ModelSplit expected = ModelSplitFirstTag(S);
    const HTMLfunc::TTagSplit actual = HTMLfunc::SplitFirstTag(S);
    SCOPED_TRACE("case " + std::to_string(i) + ": \"" + Printable(S) + "\"");
    ASSERT_EQ(actual.Pre, expected.Pre);
    ASSERT_EQ(actual.Tag, expected.Tag);
    ASSERT_EQ(actual.Post, expected.Post);
    if (!expected.Tag.empty() && expected.Post.empty()) ++closed;
  }
  EXPECT_GT(closed, kCases / 50);
}

TEST(HTMLfuncDifferential, BreakAtTagsAgreesWithRecursiveModel) {
  Generator gen;
  int carried = 0;
  for (int i = 0; i < kCases; ++i) {
    const std::string S = gen.Text(16);
    const std::string carryIn = (i % 4 == 0) ? "held" : "";
    Lines expected;
    std::string expectedCarry = carryIn;
    ModelBreakAtTags(S, expectedCarry, expected);
    TLightStrings list;
    std::string carry = carryIn;
    HTMLfunc::BreakAtTags(S, carry, list);
    SCOPED_TRACE("case " + std::to_string(i) + ": \"" + Printable(S) + "\"");
    ASSERT_EQ(LinesOf(list), expected);
    ASSERT_EQ(carry, expectedCarry);
    if (expectedCarry != carryIn) ++carried;
  }
  EXPECT_GT(carried, kCases / 20);
}

// Whole ranges of short lines: the breaker's carry over lines and the removal rule's pieces.
TEST(HTMLfuncDifferential, RangeRulesAgreeWithModel) {
  Generator gen;
  for (int i = 0; i < kCases / 4; ++i) {
    Lines lines(std::uniform_int_distribution<int>(0, 5)(gen.random()));
    for (std::string& line : lines) line = gen.Text(6);
    std::string dump;
    for (const std::string& line : lines) dump += "\"" + Printable(line) + "\" ";
    SCOPED_TRACE("case " + std::to_string(i) + ": " + dump);

    Lines expected;
    std::string carry;
    for (const std::string& line : lines) {
      if (line.empty()) continue;
      const std::string T = carry + line;
      carry.clear();
      ModelBreakAtTags(T, carry, expected);
    }
    if (!carry.empty()) expected.push_back(carry);
    HTMLfunc::TTagBreaker breaker;
    TLightStrings out;
    for (const std::string& line : lines) breaker.Line(line, out);
    breaker.Finish(out);
    ASSERT_EQ(LinesOf(out), expected);

    for (const bool dropBlank : {false, true}) {
      Lines want;
      for (const std::string& line : lines) {
        Lines pieces;
        ModelSplitAtBr(line, pieces);
        for (const std::string& piece : pieces) {
          const std::string r = ModelStripTags(piece);
          if (!(dropBlank && ModelTrim(r).empty())) want.push_back(r);
        }
      }
      const ConversionRoad::LineRule rule = HTMLfunc::TagRemovalRule(dropBlank);
      TLightStrings removed;
      for (const std::string& line : lines) rule(line, removed);
      ASSERT_EQ(LinesOf(removed), want) << "dropBlank " << dropBlank;
    }
  }
}

// ---- bad input ----

TEST(HTMLfuncBadInput, EntityNameOfTenThousandBytes) {
  const std::string upper(10'000, 'A');
  const std::string lower(10'000, 'a');
  EXPECT_EQ(HTMLfunc::DecodeEntities("x&" + upper + ";y"), "x&" + lower + ";y");
  EXPECT_EQ(HTMLfunc::StripTags("<b>&" + upper + ";</b>"), "&" + lower + ";");
  EXPECT_EQ(HTMLfunc::DecodeEntities("&" + upper), "&" + upper);  // no ";": unchanged
}

TEST(HTMLfuncBadInput, UnclosedTagAtTheEnd) {
  const std::string text = "text<" + std::string(1'000'000, 'a');
  EXPECT_EQ(HTMLfunc::StripTags(text), "text");
  const HTMLfunc::TTagSplit split = HTMLfunc::SplitFirstTag(text);
  EXPECT_EQ(split.Pre, "text");
  EXPECT_EQ(split.Tag, "");
  EXPECT_EQ(split.Post.size(), text.size() - 4);
  TLightStrings list;
  std::string carry;
  HTMLfunc::BreakAtTags(text, carry, list);
  EXPECT_EQ(LinesOf(list), Lines{"text"});
  EXPECT_EQ(carry.size(), text.size() - 4);
}

TEST(HTMLfuncBadInput, TwentyMegabyteLineOfAMillionTags) {
  constexpr std::size_t count = 1'000'000;
  // 日本語plain text, 17 bytes
  const std::string text = "\x93\xfa\x96\x7b\x8c\xea" "plain text ";
  const std::string unit = "<b>" + text;
  std::string line;
  line.reserve(unit.size() * count);
  for (std::size_t i = 0; i < count; ++i) line += unit;
  ASSERT_EQ(line.size(), 20 * count);

  TLightStrings list;
  std::string carry;
  HTMLfunc::BreakAtTags(line, carry, list);
  ASSERT_EQ(list.Count(), static_cast<std::int32_t>(2 * count));
  EXPECT_EQ(list.View(0), "<b>");
  EXPECT_EQ(list.View(1), text);
  EXPECT_EQ(list.View(static_cast<std::int32_t>(2 * count - 2)), "<b>");
  EXPECT_EQ(list.View(static_cast<std::int32_t>(2 * count - 1)), text);
  EXPECT_EQ(carry, "");

  const std::string stripped = HTMLfunc::StripTags(line);
  EXPECT_EQ(stripped.size(), text.size() * count);
  EXPECT_EQ(stripped.substr(0, 2 * text.size()), text + text);

  std::string brs;
  brs.reserve(5 * count);
  for (std::size_t i = 0; i < count; ++i) brs += "x<BR>";
  TLightStrings pieces;
  HTMLfunc::SplitAtBr(brs, pieces);
  EXPECT_EQ(pieces.Count(), static_cast<std::int32_t>(count));

  std::string entities;
  entities.reserve(6 * count);
  for (std::size_t i = 0; i < count; ++i) entities += "&#60;b";
  EXPECT_EQ(HTMLfunc::DecodeEntities(entities).size(), 2 * count);
}

}  // namespace
