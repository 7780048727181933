// The replace and delete kinds: each kind's rule with and without its options, the empty-line
// rule, line breaking between marks and line deletion over a document, character boundaries,
// and one long line with a million matches.
#include "replace/ReplaceRules.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/LineLists.h"
#include "tests/support/Printable.h"

namespace {

using ReplaceRules::TFields;
using ReplaceRules::TOptions;

constexpr TOptions kPlain{};
constexpr TOptions kKeep{false, false, true};
constexpr TOptions kMatchCase{false, true, false};
constexpr TOptions kDrop{true, false, false};

struct LineRow {
  const char* rule;
  int kind;
  TFields f;
  TOptions o;
  std::string line;
  std::string want;
};

void CheckLines(const std::vector<LineRow>& rows) {
  for (const LineRow& row : rows) {
    SCOPED_TRACE(std::string(row.rule) + " (kind " + std::to_string(row.kind) + ")");
    EXPECT_EQ(Printable(ReplaceRules::RepLine(row.kind, row.line, row.f, row.o)),
              Printable(row.want));
  }
}

TEST(ReplaceRulesRepLine, ReplaceKinds) {
  CheckLines({
      {"every S1 replaced", 11, {"a", "", "x"}, kPlain, "banana", "bxnxnx"},
      {"S3 after every S1", 11, {"a", "", "x"}, kKeep, "banana", "baxnaxnax"},
      {"letter case ignored", 11, {"A", "", "x"}, kPlain, "aAa", "xxx"},
      {"letter case matched", 11, {"A", "", "x"}, kMatchCase, "aAa", "axa"},
      {"kept marker is the field's text", 11, {"A", "", "x"}, kKeep, "aAa", "AxAxAx"},
      {"second pass on the first's result", 11, {"a", "b", "b"}, kKeep, "a", "abb"},
      {"second pass replaces what the first inserted", 11, {"a", "x", "xy"}, kPlain, "ab",
       "xyyb"},
      {"S1 empty: S2 still applies", 11, {"", "n", "-"}, kPlain, "banana", "ba-a-a"},
      {"S1 not in the line", 11, {"q", "", "x"}, kPlain, "banana", "banana"},
      {"replacement not searched again", 11, {"a", "", "aa"}, kPlain, "aa", "aaaa"},

      {"before S1 and S1 become S3", 12, {"=", "", "key"}, kPlain, "a=b", "keyb"},
      {"before S1 becomes S3, S1 stays", 12, {"=", "", "key"}, kKeep, "a=b", "key=b"},
      {"line beginning with S1 kept", 12, {"=", "", "key"}, kKeep, "=b", "=b"},
      {"line beginning with S1, S1 dropped", 12, {"=", "", "key"}, kPlain, "=b", "keyb"},
      {"no S1: the whole line becomes S3", 12, {"=", "", "key"}, kPlain, "abc", "key"},
      {"only the first S1", 12, {"=", "", "k"}, kPlain, "a=b=c", "kb=c"},
      {"S1 empty: the line becomes S3", 12, {"", "", "key"}, kPlain, "abc", "key"},
      {"S1 empty, S3 empty: the line empties", 12, {"", "", ""}, kPlain, "abc", ""},
      {"'differs' compares bytes: the kept S1 is the field's text", 12, {"x", "", "k"}, kKeep,
       "Xb", "kxb"},

      {"S1 and after it become S3", 13, {"=", "", "v"}, kPlain, "a=b", "av"},
      {"after S1 becomes S3, S1 stays", 13, {"=", "", "v"}, kKeep, "a=b", "a=v"},
      {"line ending with S1 kept", 13, {"=", "", "v"}, kKeep, "a=", "a="},
      {"no S1: unchanged", 13, {"=", "", "v"}, kPlain, "abc", "abc"},
      {"only the first S1", 13, {"=", "", "v"}, kPlain, "a=b=c", "av"},
      {"S1 empty: unchanged", 13, {"", "", "v"}, kPlain, "abc", "abc"},
      {"'differs' compares bytes: the kept S1 is the field's text", 13, {"x", "", "v"}, kKeep,
       "aX", "axv"},

      {"every stretch becomes S3", 14, {"(", ")", "*"}, kPlain, "f(a)g(b)", "f*g*"},
      {"inside every stretch becomes S3", 14, {"(", ")", "*"}, kKeep, "f(a)g(b)", "f(*)g(*)"},
      {"end before the first start: unchanged", 14, {"(", ")", "*"}, kPlain, "x)y(z)", "x)y(z)"},
      {"S2 empty: every S1 alone", 14, {".", "", "-"}, kPlain, "a.b.c", "a-b-c"},
      {"S1 empty: unchanged", 14, {"", ")", "*"}, kPlain, "f(a)", "f(a)"},
      {"letter case of the markers ignored", 14, {"<b>", "</B>", "-"}, kPlain, "x<B>y</b>z",
       "x-z"},
      {"letter case matched", 14, {"<b>", "</B>", "-"}, kMatchCase, "x<B>y</b>z", "x<B>y</b>z"},
  });
}

TEST(ReplaceRulesRepLine, DeleteKinds) {
  CheckLines({
      {"S1, S2 and S3 deleted in turn", 21, {"a", "n", "b"}, kPlain, "banana", ""},
      {"S2 and S3 skipped when empty", 21, {"a", "", ""}, kPlain, "banana", "bnn"},
      {"markers kept: nothing changes", 21, {"a", "n", "b"}, kKeep, "banana", "banana"},
      {"S1 empty: S2 and S3 still apply", 21, {"", "n", "b"}, kPlain, "banana", "aaa"},
      {"a later pass sees the joins of an earlier one", 21, {"x", "ab", ""}, kPlain, "axb", ""},
      {"letter case matched", 21, {"A", "", ""}, kMatchCase, "aAa", "aa"},

      {"up to and including S1", 22, {":", "", ""}, kPlain, "ab:cd", "cd"},
      {"before S1", 22, {":", "", ""}, kKeep, "ab:cd", ":cd"},
      {"no S1: the line empties", 22, {":", "", ""}, kPlain, "abcd", ""},
      {"S1 empty: the line empties", 22, {"", "", ""}, kPlain, "abcd", ""},
      {"S3 ignored", 22, {":", "", "zz"}, kPlain, "ab:cd", "cd"},

      {"S1 and after it", 23, {":", "", ""}, kPlain, "ab:cd", "ab"},
      {"after S1", 23, {":", "", ""}, kKeep, "ab:cd", "ab:"},
      {"no S1: unchanged", 23, {":", "", ""}, kPlain, "abcd", "abcd"},
      {"S1 empty: unchanged", 23, {"", "", ""}, kPlain, "abcd", "abcd"},

      {"every stretch deleted", 24, {"<", ">", ""}, kPlain, "a<b>c<d>e", "ace"},
      {"inside every stretch deleted", 24, {"<", ">", ""}, kKeep, "a<b>c<d>e", "a<>c<>e"},
      {"S2 empty: every S1 deleted", 24, {"<", "", ""}, kPlain, "a<b<c", "abc"},
      {"S3 ignored", 24, {"<", ">", "zz"}, kPlain, "a<b>c", "ac"},
      {"S1 empty: unchanged", 24, {"", ">", ""}, kPlain, "a<b>c", "a<b>c"},
  });
}

TEST(ReplaceRulesRepLine, MarkersNeverMatchSecondBytes) {
  CheckLines({
      // 表 is 0x95 0x5C; ヂ is 0x83 0x61 (second byte 'a'); ィ is 0x83 0x42 (second byte 'B').
      {"'\\' against 表", 11, {"\\", "", "/"}, kPlain, "\x95\x5C\\", "\x95\x5C/"},
      {"'a' against ヂ", 21, {"a", "", ""}, kPlain, "\x83\x61" "a", "\x83\x61"},
      {"'A' ignoring case against ヂ", 21, {"A", "", ""}, kPlain, "\x83\x61" "a", "\x83\x61"},
      {"'b' ignoring case against ィ", 21, {"b", "", ""}, kPlain, "\x83\x42" "B", "\x83\x42"},
      {"before a second-byte 'a': no S1, the line becomes S3", 12, {"a", "", "k"}, kPlain,
       "x\x83\x61y", "k"},
      {"after a second-byte '\\': no S1, unchanged", 13, {"\\", "", "v"}, kPlain,
       "x\x95\x5Cy", "x\x95\x5Cy"},
      {"stretch ends only on a boundary", 14, {"(", "\\", "*"}, kPlain, "(\x95\x5C)\\x",
       "*x"},
      {"delete before S1 on a boundary", 22, {"a", "", ""}, kPlain, "\x83\x61" "bab", "b"},
      {"delete after S1 on a boundary", 23, {"a", "", ""}, kPlain, "\x83\x61" "bab", "\x83\x61" "b"},
      {"stretch start only on a boundary", 24, {"\\", ">", ""}, kPlain, "\x95\x5Cx\\y>z",
       "\x95\x5Cxz"},
      // Ignoring case never upper-cases a second byte: ヂ's 'a' stays, the last 'a' becomes 'A'.
      {"upper-casing keeps second bytes", 11, {"a", "", "A"}, kKeep, "\x83\x61" "a",
       "\x83\x61" "aA"},
  });
}

// With S3 empty the replace kinds give the delete kinds' results.
TEST(ReplaceRulesRepLine, ReplaceWithEmptyS3IsDelete) {
  const std::vector<std::string> lines = {"banana", "a=b=c", "f(a)g(b)", "x)y(z)", "(a(b))c",
                                          "\x95\x5C(a)\\", "aAa", "=", "abc"};
  const std::vector<TFields> fields = {{"a", "", ""}, {"a", "n", ""}, {"(", ")", ""},
                                       {"=", "", ""}, {"\\", "a", ""}, {"", "b", ""}};
  const std::pair<int, int> pairs[] = {{11, 21}, {12, 22}, {13, 23}, {14, 24}};
  for (const TOptions& o : {kPlain, kKeep, kMatchCase}) {
    for (const TFields& f : fields) {
      for (const std::string& line : lines) {
        for (const auto& [replace, erase] : pairs) {
          SCOPED_TRACE(line + " S1=" + f.S1 + " S2=" + f.S2 + " kind " + std::to_string(replace));
          EXPECT_EQ(ReplaceRules::RepLine(replace, line, f, o),
                    ReplaceRules::RepLine(erase, line, f, o));
        }
      }
    }
  }
}

TEST(ReplaceRulesContainsAny, AnyOfThreeStrings) {
  struct Row {
    const char* rule;
    std::string line, s1, s2, s3;
    bool ignoreCase;
    bool want;
  };
  const Row rows[] = {
      {"first string", "photo.jpg", "jpg", "", "", true, true},
      {"upper-cased line", "PHOTO.JPG", "jpg", "", "", true, true},
      {"mixed case string", "photo.jpg", "JpG", "", "", true, true},
      {"case matched", "PHOTO.JPG", "jpg", "", "", false, false},
      {"second string", "a.png", "jpg", "png", "", false, true},
      {"third string", "a.gif", "jpg", "png", "gif", false, true},
      {"none of them", "a.txt", "jpg", "png", "gif", true, false},
      {"all empty", "anything", "", "", "", true, false},
      {"empty line", "", "a", "", "", true, false},
      {"string longer than the line", "ab", "abc", "", "", true, false},
      {"'\\' against 表", "\x95\x5C", "\\", "", "", false, false},
      {"'\\' after 表", "\x95\x5C\\", "\\", "", "", false, true},
      {"ヂ's second byte is no 'A'", "\x83\x61", "A", "a", "", true, false},
      {"ィ's second byte is no 'b'", "\x83\x42", "b", "", "", true, false},
      {"double-byte string", "x\x95\x5Cy", "\x95\x5C", "", "", true, true},  // 表
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    // Each string is tried in each of the three places.
    EXPECT_EQ(ReplaceRules::ContainsAny(row.line, row.s1, row.s2, row.s3, row.ignoreCase),
              row.want);
    EXPECT_EQ(ReplaceRules::ContainsAny(row.line, row.s2, row.s3, row.s1, row.ignoreCase),
              row.want);
    EXPECT_EQ(ReplaceRules::ContainsAny(row.line, row.s3, row.s1, row.s2, row.ignoreCase),
              row.want);
  }
}

// The line-deletion rules look at folded lines first; they must keep and drop exactly the lines
// ContainsAny tells, on lines of letters in both cases, characters whose second byte is a
// letter, lead bytes and other bytes.
TEST(ReplaceRulesContainsAny, LineDeletionAgreesOnGeneratedLines) {
  const std::vector<std::string> pieces = {
      "a", "A", "z", "Z", "@", "[", "`", "{", " ", ".", "jpg", "JPG",
      "\x83\x61",  // ヂ, second byte 'a'
      "\x83\x5A",  // second byte 'Z'
      "\x95\x5C",  // 表
      "\x81", "\xFF", "\xE0",
      "\xC1", "\xE1\x41",  // ﾁ and a lead byte whose low seven bits are letters
  };
  std::mt19937 random(20260316);
  auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  auto text = [&](std::size_t maxPieces) {
    std::string s;
    for (std::size_t n = pick(maxPieces + 1); n > 0; --n) s += pieces[pick(pieces.size())];
    return s;
  };
  auto mark = [&](const std::string& line) {
    if (line.empty() || pick(3) == 0) return text(2);
    return line.substr(pick(line.size()), 1 + pick(4));
  };
  int found = 0, cases = 0;
  for (int i = 0; i < 2000; ++i) {
    const TFields f{text(2), text(2), text(2)};
    for (const bool matchCase : {false, true}) {
      const TOptions o{false, matchCase, false};
      const ConversionRoad::LineRule drop = ReplaceRules::KindRule(150, f, o);
      const ConversionRoad::LineRule keep = ReplaceRules::KindRule(160, f, o);
      for (int j = 0; j < 10; ++j) {
        const std::string line = text(24);
        if (line.empty()) continue;
        TFields g = f;
        if (j % 3 == 0) g.S2 = mark(line);  // often present, often on a second byte
        const bool contains = ReplaceRules::ContainsAny(line, g.S1, g.S2, g.S3, !matchCase);
        const ConversionRoad::LineRule& dropRule =
            j % 3 == 0 ? ReplaceRules::KindRule(150, g, o) : drop;
        const ConversionRoad::LineRule& keepRule =
            j % 3 == 0 ? ReplaceRules::KindRule(160, g, o) : keep;
        TLightStrings dropped, kept;
        dropRule(line, dropped);
        keepRule(line, kept);
        ASSERT_EQ(dropped.Count(), contains ? 0 : 1)
            << "line \"" << Printable(line) << "\" S1 \"" << Printable(g.S1) << "\" S2 \""
            << Printable(g.S2) << "\" S3 \"" << Printable(g.S3) << "\" matchCase " << matchCase;
        ASSERT_EQ(kept.Count(), contains ? 1 : 0);
        found += contains;
        ++cases;
      }
    }
  }
  EXPECT_GT(found, cases / 5);
  EXPECT_LT(found, cases - cases / 5);
}

// ---- the per-line rule and the run over a document ----

void Fill(TLightStrings& document, const Lines& lines) {
  for (const std::string& line : lines) document.Add(line);
}

Lines RunLines(const Lines& lines, ConversionRoad::TRange range, int kind, const TFields& f,
               const TOptions& o) {
  TLightStrings document;
  Fill(document, lines);
  TLightStrings out;
  ReplaceRules::RunKind(document, document.Count(), range, kind, f, o, out);
  return LinesOf(out);
}

TEST(ReplaceRulesKindRule, EmptyRangeLinesKeptOrDropped) {
  const int kinds[] = {11, 12, 13, 14, 21, 22, 23, 24, 50, 150, 160};
  const TFields f{"a", "b", "c"};
  for (const int kind : kinds) {
    SCOPED_TRACE(kind);
    const ConversionRoad::LineRule keep = ReplaceRules::KindRule(kind, f, kPlain);
    const ConversionRoad::LineRule drop = ReplaceRules::KindRule(kind, f, kDrop);
    TLightStrings kept, dropped;
    keep("", kept);
    drop("", dropped);
    EXPECT_EQ(LinesOf(kept), Lines{""});
    EXPECT_EQ(LinesOf(dropped), Lines{});
    // A line of spaces is not empty: with the strings absent it stays, even when dropping.
    TLightStrings spaces;
    drop("  ", spaces);
    EXPECT_EQ(LinesOf(spaces), kind == 12   ? Lines{"c"}
                               : kind == 22 ? Lines{""}
                               : kind == 160 ? Lines{}
                                             : Lines{"  "});
  }
}

TEST(ReplaceRulesRunKind, DocumentsThroughTheKinds) {
  struct Row {
    const char* rule;
    Lines document;
    ConversionRoad::TRange range;
    int kind;
    TFields f;
    TOptions o;
    Lines want;
  };
  const Row rows[] = {
      {"empty lines stay", {"a=b", "", "c=d"}, {0, 2}, 22, {"=", "", ""}, kPlain, {"b", "", "d"}},
      {"empty lines dropped", {"a=b", "", "c=d"}, {0, 2}, 22, {"=", "", ""}, kDrop, {"b", "d"}},
      {"a line emptied by the kind stays", {"abcd", "", "x:y"}, {0, 2}, 22, {":", "", ""}, kDrop,
       {"", "y"}},
      {"S1 empty empties every non-empty range line", {"ab", "", "cd", "ef"}, {0, 2}, 22,
       {"", "", ""}, kPlain, {"", "", "", "ef"}},
      {"S1 empty makes every non-empty range line S3", {"ab", "", "cd"}, {0, 2}, 12,
       {"", "", "k"}, kPlain, {"k", "", "k"}},
      {"lines outside the range unchanged", {"a", "a", "a", "a"}, {1, 2}, 11, {"a", "", "x"},
       kDrop, {"a", "x", "x", "a"}},
      {"empty lines outside the range kept", {"", "a", ""}, {1, 1}, 11, {"a", "", "x"}, kDrop,
       {"", "x", ""}},
      {"empty range converts nothing", {"a", "", "a"}, {2, 1}, 11, {"a", "", "x"}, kDrop,
       {"a", "", "a"}},
      {"empty range in an empty document", {}, {0, -1}, 22, {"", "", ""}, kPlain, {}},

      {"150 removes the lines holding a string in any case", {"a.jpg", "b.JPG", "c.Jpg", "d.png"},
       {0, 3}, 150, {"jpg", "", ""}, kPlain, {"d.png"}},
      {"150 with case matched", {"a.jpg", "b.JPG"}, {0, 1}, 150, {"jpg", "", ""}, kMatchCase,
       {"b.JPG"}},
      {"160 keeps only the lines holding a string", {"a.jpg", "b.png", "c.gif"}, {0, 2}, 160,
       {"gif", "JPG", ""}, kPlain, {"a.jpg", "c.gif"}},
      {"150 with the third string alone", {"a.jpg", "b.png"}, {0, 1}, 150, {"", "", "PNG"},
       kPlain, {"a.jpg"}},
      {"160 with the third string alone", {"a.jpg", "b.png"}, {0, 1}, 160, {"", "", "PNG"},
       kPlain, {"b.png"}},
      {"150 with every string empty removes none", {"a", "", "b"}, {0, 2}, 150, {"", "", ""},
       kPlain, {"a", "", "b"}},
      {"160 with every string empty removes every non-empty line", {"a", "", "b"}, {0, 2}, 160,
       {"", "", ""}, kPlain, {""}},
      {"160 with every string empty, empty lines dropped", {"a", "", "b"}, {0, 2}, 160,
       {"", "", ""}, kDrop, {}},
      {"line deletion inside the range only", {"x", "x", "x"}, {1, 1}, 150, {"x", "", ""},
       kPlain, {"x", "x"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    EXPECT_EQ(RunLines(row.document, row.range, row.kind, row.f, row.o), row.want);
  }
}

// Kind 50: a broken line is one entry holding its pieces, each followed by CR LF; the joined
// document therefore shows the pieces as lines and then one empty line.
TEST(ReplaceRulesRunKind, LineBreaksBetweenMarks) {
  struct Row {
    const char* rule;
    std::string line, a, b;
    TOptions o;
    std::string entry;     // what the rule appends for the line
    std::string document;  // the joined text of a document of that line and "end"
  };
  const Row rows[] = {
      {"tags", "<a>x<b>y", ">", "<", kPlain, "<a>\r\nx\r\n<b>\r\ny\r\n",
       "<a>\r\nx\r\n<b>\r\ny\r\n\r\nend\r\n"},
      // あ。「い」 → あ。 / (empty) / 「い」
      {"empty piece between the marks", "\x82\xa0\x81\x42\x81\x75\x82\xa2\x81\x76", "\x81\x42",
       "\x81\x75", kPlain, "\x82\xa0\x81\x42\r\n\r\n\x81\x75\x82\xa2\x81\x76\r\n",
       "\x82\xa0\x81\x42\r\n\r\n\x81\x75\x82\xa2\x81\x76\r\n\r\nend\r\n"},
      // 「あ。「い。 → 「あ。 / 「い。
      {"no empty piece when the line starts with B",
       "\x81\x75\x82\xa0\x81\x42\x81\x75\x82\xa2\x81\x42", "\x81\x42", "\x81\x75", kPlain,
       "\x81\x75\x82\xa0\x81\x42\r\n\x81\x75\x82\xa2\x81\x42\r\n",
       "\x81\x75\x82\xa0\x81\x42\r\n\x81\x75\x82\xa2\x81\x42\r\n\r\nend\r\n"},
      {"B empty: unchanged, no empty line", "<a>x<b>", ">", "", kPlain, "<a>x<b>",
       "<a>x<b>\r\nend\r\n"},
      {"no B: unchanged, no empty line", "a>b>c", ">", "<", kPlain, "a>b>c", "a>b>c\r\nend\r\n"},
      {"blank rest dropped", "<a>   ", ">", "<", kPlain, "<a>\r\n", "<a>\r\n\r\nend\r\n"},
      {"A empty: only the first B breaks", "x<a<b", "", "<", kPlain, "x\r\n<a<b\r\n",
       "x\r\n<a<b\r\n\r\nend\r\n"},
      {"a line starting with B stays one piece, then the empty line", "<a<b", "", "<", kPlain,
       "<a<b\r\n", "<a<b\r\n\r\nend\r\n"},
      {"case-sensitive although case is ignored elsewhere", "<A>x", "a>", "<a", kPlain, "<A>x",
       "<A>x\r\nend\r\n"},
      {"case-sensitive with case matched too", "<a>x", ">", "<A", kMatchCase, "<a>x",
       "<a>x\r\nend\r\n"},
      {"markers kept or not: the same", "<a>x", ">", "<", kKeep, "<a>\r\nx\r\n",
       "<a>\r\nx\r\n\r\nend\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    const TFields f{row.a, row.b, "ignored"};
    TLightStrings entry;
    ReplaceRules::KindRule(50, f, row.o)(row.line, entry);
    EXPECT_EQ(LinesOf(entry), Lines{row.entry});

    TLightStrings document;
    Fill(document, {row.line, "end"});
    TLightStrings out;
    ReplaceRules::RunKind(document, 2, {0, 1}, 50, f, row.o, out);
    EXPECT_EQ(Printable(out.GetText()), Printable(row.document));
  }
}

TEST(ReplaceRulesKinds, OnlyTheDialogsKindsExist) {
  struct Row {
    int kind;
    bool isKind;
    bool isLineKind;
  };
  const Row rows[] = {
      {11, true, true},   {12, true, true},   {13, true, true},   {14, true, true},
      {21, true, true},   {22, true, true},   {23, true, true},   {24, true, true},
      {50, true, false},  {150, true, false}, {160, true, false}, {0, false, false},
      {10, false, false}, {15, false, false}, {20, false, false}, {25, false, false},
      {49, false, false}, {51, false, false}, {149, false, false}, {151, false, false},
      {159, false, false}, {161, false, false}, {-11, false, false},
  };
  const TFields f{"a", "b", "c"};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    EXPECT_EQ(ReplaceRules::IsKind(row.kind), row.isKind);
    if (row.isKind) {
      EXPECT_NO_THROW((void)ReplaceRules::KindRule(row.kind, f, kPlain));
    } else {
      EXPECT_THROW((void)ReplaceRules::KindRule(row.kind, f, kPlain), std::invalid_argument);
      TLightStrings document, out;
      document.Add("a");
      out.Add("before");
      EXPECT_THROW(ReplaceRules::RunKind(document, 1, {0, 0}, row.kind, f, kPlain, out),
                   std::invalid_argument);
      EXPECT_EQ(LinesOf(out), Lines{"before"});
    }
    if (row.isLineKind) {
      EXPECT_NO_THROW((void)ReplaceRules::RepLine(row.kind, "abc", f, kPlain));
    } else {
      EXPECT_THROW((void)ReplaceRules::RepLine(row.kind, "abc", f, kPlain),
                   std::invalid_argument);
    }
  }
}

// 20 MB on one line, a million stretches: each kind runs as a loop, not as a recursion that
// would need a level per match.
TEST(ReplaceRulesLongLine, MillionMatchesOnOneLine) {
  const std::string unit = "<b>\x93\xfa\x96\x7b\x8c\xea" "plain text ";  // <b>日本語plain text
  ASSERT_EQ(unit.size(), 20u);
  std::string line;
  for (int i = 0; i < 1'000'000; ++i) line += unit;
  const std::string text = unit.substr(3);
  struct Row {
    int kind;
    TFields f;
    std::size_t entries;
    std::size_t size;
  };
  const Row rows[] = {
      {11, {"<b>", "", "[]"}, 1, line.size() - 1'000'000},
      {14, {"<", ">", ""}, 1, line.size() - 3'000'000},
      {24, {"<", ">", ""}, 1, line.size() - 3'000'000},
      {50, {">", "<", ""}, 1, line.size() + 4'000'000},  // 2,000,000 pieces, each with CR LF
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind);
    TLightStrings out;
    ReplaceRules::KindRule(row.kind, row.f, kPlain)(line, out);
    ASSERT_EQ(static_cast<std::size_t>(out.Count()), row.entries);
    const std::string_view result = out.View(0);
    EXPECT_EQ(result.size(), row.size);
    const std::string lastUnit = row.kind == 11   ? "[]" + text
                                 : row.kind == 50 ? "<b>\r\n" + text + "\r\n"
                                                  : text;
    EXPECT_EQ(result.substr(result.size() - lastUnit.size()), lastUnit);
  }
}

}  // namespace
