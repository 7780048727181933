// HTML handling: "<br>" pieces, tag removal, entity decoding, the first tag of a text, tag
// line-breaking with a tag carried over lines, and the two per-line rules of the commands.
#include "convert/HTMLfunc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/ConversionRoad.h"
#include "tests/support/LineLists.h"

namespace {

using HTMLfunc::BreakAtTags;
using HTMLfunc::DecodeEntities;
using HTMLfunc::SplitAtBr;
using HTMLfunc::SplitFirstTag;
using HTMLfunc::StripTags;

struct TextRow {
  const char* rule;
  std::string s;
  std::string want;
};

TEST(HTMLfuncStripTags, TagsStrayEndsAndUnclosedTags) {
  const std::vector<TextRow> rows = {
      {"tags inside a line", "a<b>bold</b>c", "aboldc"},
      {"tags around the text", "<p>Hello</p>", "Hello"},
      {"no tags", "no tags", "no tags"},
      {"empty line", "", ""},
      {"a '>' without any '<' empties the line", "x > y", ""},
      {"unclosed tag and what follows are dropped", "see <a href=", "see "},
      {"a '<' at the very end", "abc<", "abc"},
      {"end of a tag begun on an earlier line", "tail of tag\">text<i>x</i>", "textx"},
      {"stray '>' between tags: only the text after it", "a<b>c>d<e>f", "adf"},
      {"stray '>' after the last tag", "<a>b>c", "c"},
      {"only the first stray '>' of a piece ends the tag", "<a>b>c>d", "c>d"},
      {"'<' inside a tag is part of it", "a<b<c>d", "ad"},
      {"double-byte text kept", "\x93\xfa<b>\x96\x7b", "\x93\xfa\x96\x7b"},  // 日<b>本 → 日本
      {"tag holding a character whose second byte is 'A'", "x<\x83\x41>y", "xy"},  // <ア>
      {"lead-byte value as second byte, then a tag", "\x81\x81<b>", "\x81\x81"},  // ＝<b>
      {"lone lead byte hides the '<', leaving a lone '>'", "a\x81<b>c", ""},
      {"lone lead byte at the end of the line", "ab<c>\x81", "ab\x81"},
      {"bytes that are not Shift-JIS pass", "\xFF<b>\x80\xA0\xFD", "\xFF\x80\xA0\xFD"},
  };
  for (const TextRow& row : rows) {
    EXPECT_EQ(StripTags(row.s), row.want) << row.rule;
  }
}

TEST(HTMLfuncStripTags, EntitiesDecodedAfterTheTagsGo) {
  const std::vector<TextRow> rows = {
      {"named reference", "A &amp; B", "A & B"},
      {"upper case and numeric", "&LT;&#60;", "<<"},
      {"unknown reference kept", "&copy;", "&copy;"},
      {"unknown reference lower-cased", "&FOO;", "&foo;"},
      {"blanks inside the reference trimmed", "&nbsp ;", " "},
      {"a reference cut by a tag is decoded whole", "&am<b>p;", "&"},
      {"an unclosed tag stops decoding", "&amp;<a", "&amp;"},
      {"no decoding of a line that only empties", "&amp;>", ""},
      {"lone lead byte hides the '&'", "\x81&amp;", "\x81&amp;"},
  };
  for (const TextRow& row : rows) {
    EXPECT_EQ(StripTags(row.s), row.want) << row.rule;
  }
}

TEST(HTMLfuncDecodeEntities, TableNamesAndUnknownReferences) {
  const std::vector<TextRow> rows = {
      {"every row of the table",
       "&nbsp;&quot;&amp;&lt;&gt;&yen;&#34;&#38;&#60;&#62;&#165;", " \"&<>\\\"&<>\\"},
      {"';' before the '&' is plain text", "a;b&amp;c", "a;b&c"},
      {"'&' without ';' after it", "R&D", "R&D"},
      {"';' then '&' only", ";&", ";&"},
      {"reference at the end without ';'", "x&amp", "x&amp"},
      {"replacements are not decoded again", "&amp;amp;", "&amp;"},
      {"the name runs from the first '&' to the first ';'", "&&amp;", "&&amp;"},
      {"empty name", "&;", "&;"},
      {"blank bytes trimmed, case folded", "& AMP ;", "&"},
      {"control bytes are blanks", "&\tquot\n;", "\""},
      {"unknown name comes back trimmed and lower-cased", "& Copy ;x", "&copy;x"},
      {"hexadecimal references are not known", "&#x26;", "&#x26;"},
      {"numeric references only as tabled", "&#039;&#60;", "&#039;<"},
      {"the full-width space is not trimmed", "&\x81\x40" "amp;", "&\x81\x40" "amp;"},
      {"second byte 'A' of ア is not lower-cased", "&\x83\x41" "B;", "&\x83\x41" "b;"},
      {"lone lead byte hides the ';'", "&amp\x81;", "&amp\x81;"},
      {"lone lead byte at the end", "&lt;\x81", "<\x81"},
      {"bytes that are not Shift-JIS", "\xFF&gt;\xFD", "\xFF>\xFD"},
      {"empty text", "", ""},
  };
  for (const TextRow& row : rows) {
    EXPECT_EQ(DecodeEntities(row.s), row.want) << row.rule;
  }
}

TEST(HTMLfuncSplitAtBr, PiecesEndAfterEachBr) {
  struct Row {
    const char* rule;
    std::string s;
    Lines want;
  };
  const std::vector<Row> rows = {
      {"letter case kept in each piece", "one<br>two<BR>three", {"one<br>", "two<BR>", "three"}},
      {"no tag: the line itself", "plain", {"plain"}},
      {"empty line: one empty piece", "", {""}},
      {"nothing after the last tag", "a<br>", {"a<br>"}},
      {"two tags only", "<br><br>", {"<br>", "<br>"}},
      {"mixed case", "<Br>a<bR>b", {"<Br>", "a<bR>", "b"}},
      {"only the exact four characters", "<br/>x<br >y<b r>", {"<br/>x<br >y<b r>"}},
      {"'<' before the tag", "<<br>>", {"<<br>", ">"}},
      {"double-byte text", "\x82\xa0<br>x", {"\x82\xa0<br>", "x"}},  // あ<br>x
      {"lone lead byte hides the '<'", "\x81<br>x", {"\x81<br>x"}},
      {"lone lead byte at the end", "a<br>\x81", {"a<br>", "\x81"}},
  };
  for (const Row& row : rows) {
    TLightStrings list;
    list.Add("before");
    SplitAtBr(row.s, list);
    Lines want = {"before"};
    want.insert(want.end(), row.want.begin(), row.want.end());
    EXPECT_EQ(LinesOf(list), want) << row.rule;
  }
}

TEST(HTMLfuncSplitFirstTag, PreTagPost) {
  struct Row {
    const char* rule;
    std::string s;
    std::string pre, tag, post;
  };
  const std::vector<Row> rows = {
      {"empty", "", "", "", ""},
      {"no marker", "abc", "abc", "", ""},
      {"only '>': it ends Pre", "x>y", "x>", "", "y"},
      {"'>' then '>'", "a>>", "a>", "", ">"},
      {"only '<': Post from it", "a<b", "a", "", "<b"},
      {"a tag", "a<b>c", "a", "<b>", "c"},
      {"a tag alone", "<b>", "", "<b>", ""},
      {"'>' before and after the '<'", ">a<b>c", ">a", "<b>", "c"},
      {"'>' only before the '<': tag closed for it", "a>b<c", "a>b", "<c>", ""},
      {"the tag runs to the first '>' after its '<'", "a<b<c>d", "a", "<b<c>", "d"},
      {"the same tag again later", "<i>x<i>", "", "<i>", "x<i>"},
      {"lone lead byte hides the '<'", "a\x81<b>c", "a\x81<b>", "", "c"},
  };
  for (const Row& row : rows) {
    const HTMLfunc::TTagSplit split = SplitFirstTag(row.s);
    EXPECT_EQ(split.Pre, row.pre) << row.rule;
    EXPECT_EQ(split.Tag, row.tag) << row.rule;
    EXPECT_EQ(split.Post, row.post) << row.rule;
  }
}

TEST(HTMLfuncBreakAtTags, TagsAndTextRunsOnLinesOfTheirOwn) {
  struct Row {
    const char* rule;
    std::string s;
    std::string carryIn;
    Lines want;
    std::string carryOut;
  };
  const std::vector<Row> rows = {
      {"tags and text", "text<b>bold</b>more", "", {"text", "<b>", "bold", "</b>", "more"}, ""},
      {"stray '>' ends a run", "x>y", "", {"x>", "y"}, ""},
      {"'<' with no '>' after it is closed", "a>b<c", "", {"a>b", "<c>"}, ""},
      {"unclosed tag is carried", "abc<a", "", {"abc"}, "<a"},
      {"text before an unclosed tag after a tag is carried too", "<b>x<i", "", {"<b>"}, "x<i"},
      {"text after the last tag may hold '>'", "<b>x>y", "", {"<b>", "x>y"}, ""},
      {"a later '<' whose '>' lies before it", "<b>x>y<z", "", {"<b>", "x>y", "<z>"}, ""},
      {"tags only", "<a><b>", "", {"<a>", "<b>"}, ""},
      {"empty line: nothing, carry kept", "", "old", {}, "old"},
      {"carry left alone when nothing is unclosed", "a<b>c", "old", {"a", "<b>", "c"}, "old"},
      {"double-byte text", "\x93\xfa<b>\x96\x7b", "", {"\x93\xfa", "<b>", "\x96\x7b"}, ""},
      {"lone lead byte hides the '<'", "a\x81<b>c", "", {"a\x81<b>", "c"}, ""},
      {"lone lead byte at the end", "<b>\x81", "", {"<b>", "\x81"}, ""},
      {"bytes that are not Shift-JIS", "\xFF<\xFD>\x80", "", {"\xFF", "<\xFD>", "\x80"}, ""},
  };
  for (const Row& row : rows) {
    TLightStrings list;
    std::string carry = row.carryIn;
    BreakAtTags(row.s, carry, list);
    EXPECT_EQ(LinesOf(list), row.want) << row.rule;
    EXPECT_EQ(carry, row.carryOut) << row.rule;
  }
}

TEST(HTMLfuncTagRemovalRule, PiecesAndBlankDropping) {
  struct Row {
    const char* rule;
    Lines lines;
    bool dropBlank;
    Lines want;
  };
  const std::vector<Row> rows = {
      {"a line per <br>", {"one<br>two<BR>three"}, false, {"one", "two", "three"}},
      {"a line per <br>, dropping blanks", {"one<br>two<BR>three"}, true, {"one", "two", "three"}},
      {"two tags: two empty lines", {"<br><br>"}, false, {"", ""}},
      {"two tags, dropping blanks: none", {"<br><br>"}, true, {}},
      {"empty lines kept", {"a", "", "b"}, false, {"a", "", "b"}},
      {"empty lines dropped", {"a", "", "b"}, true, {"a", "b"}},
      {"pieces are not trimmed", {" <b>x</b> "}, true, {" x "}},
      {"blank after tag removal, kept", {" <b> </b> "}, false, {"   "}},
      {"blank after tag removal, dropped", {" <b> </b> "}, true, {}},
      {"blank after decoding, dropped", {"a<br>&nbsp;\t"}, true, {"a"}},
      {"the full-width space is not blank", {"\x81\x40<br> "}, true, {"\x81\x40"}},
      {"an unclosed tag in a piece", {"x<br>see <a href="}, false, {"x", "see "}},
      {"a lone lead byte hides the '<' of a <br> but not its '>'", {"a\x81<br>b<br>\x81"}, false,
       {"b", "\x81"}},
  };
  for (const Row& row : rows) {
    const ConversionRoad::LineRule rule = HTMLfunc::TagRemovalRule(row.dropBlank);
    TLightStrings out;
    for (const std::string& line : row.lines) rule(line, out);
    EXPECT_EQ(LinesOf(out), row.want) << row.rule;
  }
}

TEST(HTMLfuncTagRemovalRule, LinesOutsideTheRangeUntouched) {
  TLightStrings document;
  for (const char* line : {"<b>keep</b>", "", "a<br>b", "", "<i></i>"}) document.Add(line);
  struct Row {
    bool dropBlank;
    Lines want;
  };
  const Row rows[] = {
      {false, {"<b>keep</b>", "", "a", "b", "", "<i></i>"}},
      {true, {"<b>keep</b>", "a", "b", "<i></i>"}},
  };
  for (const Row& row : rows) {
    TLightStrings out;
    ConversionRoad::Run(document, 5, {1, 3}, HTMLfunc::TagRemovalRule(row.dropBlank), out);
    EXPECT_EQ(LinesOf(out), row.want) << "dropBlank " << row.dropBlank;
  }
}

TEST(HTMLfuncTagBreaker, RangeRunsWithACarriedTag) {
  struct Row {
    const char* rule;
    Lines lines;
    Lines want;  // after Finish
  };
  const std::vector<Row> rows = {
      {"one line", {"text<b>bold</b>more"}, {"text", "<b>", "bold", "</b>", "more"}},
      {"tag carried to the next line",
       {"abc<a", " href=\"y\">link</a>"},
       {"abc", "<a href=\"y\">", "link", "</a>"}},
      {"empty lines dropped, the carry waits over them",
       {"", "abc<a", "", " href=\"y\">", ""},
       {"abc", "<a href=\"y\">"}},
      {"a tag over three lines", {"<a", "b", "c>"}, {"<abc>"}},
      {"stray '>' lines", {"x>y", "a>b<c"}, {"x>", "y", "a>b", "<c>"}},
      {"held tag emitted at the end", {"abc<a"}, {"abc", "<a"}},
      {"held text grows until the range ends", {"x<a", "b<c"}, {"x", "<ab<c"}},
      {"nothing held: nothing more", {"<a>"}, {"<a>"}},
      {"no lines", {}, {}},
  };
  for (const Row& row : rows) {
    HTMLfunc::TTagBreaker breaker;
    TLightStrings out;
    for (const std::string& line : row.lines) breaker.Line(line, out);
    breaker.Finish(out);
    EXPECT_EQ(LinesOf(out), row.want) << row.rule;
    EXPECT_EQ(breaker.Carry(), "") << row.rule;
  }
}

TEST(HTMLfuncTagBreaker, FinishEmitsTheHeldTagOnce) {
  HTMLfunc::TTagBreaker breaker;
  TLightStrings out;
  breaker.Line("abc<a", out);
  EXPECT_EQ(breaker.Carry(), "<a");
  breaker.Line("", out);
  EXPECT_EQ(breaker.Carry(), "<a");
  breaker.Finish(out);
  breaker.Finish(out);
  EXPECT_EQ(LinesOf(out), (Lines{"abc", "<a"}));
}

}  // namespace
