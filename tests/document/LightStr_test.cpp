// Line list: splitting, joining, loading, saving, growth and its two failures.
#include "document/LightStr.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "document/Failures.h"
#include "tests/support/MappedReads.h"
#include "tests/support/TempDir.h"

#include "tests/support/LineLists.h"

namespace {

const char* const kIndexMessage = "インデックスがリストの範囲を超えています";

void Fill(TLightStrings& list, const Lines& lines) {
  list.Clear();
  for (const std::string& line : lines) list.Add(line);
}

bool AnyHoldsBreakOrNul(const Lines& lines) {
  using namespace std::string_literals;
  for (const std::string& line : lines) {
    if (line.find_first_of("\r\n\0"s) != std::string::npos) return true;
  }
  return false;
}

TEST(LightStrSetText, LineBreaksAndEnds) {
  using namespace std::string_literals;
  struct Row { std::string text; Lines want; };
  const Row rows[] = {
      {"", {""}},                                 // an empty text is one empty line
      {"a\r\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},                 // a final break adds no line
      {"a\n\rb", {"a", "", "b"}},                 // LF then CR is two line ends
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\rb\nc", {"a", "b", "c"}},               // lone CR and lone LF end lines
      {"a\0b"s, {"a"}},                           // the text ends at its first NUL
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"\x95\x5c\r\n\x83\x41", {"\x95\x5c", "\x83\x41"}},  // 表, ア
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.text));
    TLightStrings list;
    list.SetText(row.text);
    EXPECT_EQ(LinesOf(list), row.want);
    EXPECT_EQ(list.Capacity(), list.Count());
  }
}

TEST(LightStrGetText, EveryLineEndsWithCrLf) {
  struct Row { Lines lines; std::string want; };
  const Row rows[] = {
      {{}, ""},
      {{""}, "\r\n"},
      {{"a", "b"}, "a\r\nb\r\n"},
      {{"a", "", ""}, "a\r\n\r\n\r\n"},
  };
  for (const Row& row : rows) {
    TLightStrings list;
    Fill(list, row.lines);
    EXPECT_EQ(list.GetText(), row.want);
  }
}

TEST(LightStrLoadFromFile, OnlyCrEndsLinesAndEofByteEndsInput) {
  using namespace std::string_literals;
  struct Row { std::string bytes; Lines want; std::int32_t stoppedAt; };
  const Row rows[] = {
      {"", {}, -1},                               // an empty file is an empty list
      {"a\nb\r\n", {"a\nb"}, -1},                 // a lone LF stays inside the line
      {"a\r\n\x1A" "c", {"a"}, 1},                // 0x1A ends the input; "c" is left unread
      {"a\x1A" "b", {"a"}, 0},
      {"a\r\n\x1A", {"a"}, -1},                   // a final 0x1A leaves nothing unread
      {"\x1A", {}, -1},
      {"\x1Axyz", {}, 0},
      {"a\rb", {"a", "b"}, -1},
      {"a\r\r\nb", {"a", "", "b"}, -1},
      {"a\r\n", {"a"}, -1},
      {"a\0b\r\nc"s, {"a\0b"s, "c"}, -1},         // NUL bytes stay
      {"last", {"last"}, -1},
      {"\r\n\r\n", {"", ""}, -1},
  };
  // Each row alone, and after a first line long enough for the file to be mapped when mapping
  // is allowed, and read when it is not.
  const std::string lead(1 << 20, 'x');
  struct Way { const char* name; bool leadLine; bool mapped; };
  const Way ways[] = {
      {"small", false, false}, {"large, read", true, false}, {"large, mapped", true, true}};
  TTempDir dir;
  for (const Way& way : ways) {
    for (const Row& row : rows) {
      SCOPED_TRACE(way.name + (" " + testing::PrintToString(row.bytes)));
      Lines want = row.want;
      std::int32_t stoppedAt = row.stoppedAt;
      if (way.leadLine) {
        want.insert(want.begin(), lead);
        if (stoppedAt >= 0) ++stoppedAt;
      }
      const std::string path = dir.Write("in.txt", (way.leadLine ? lead + "\r\n" : "") + row.bytes);
      const TMappedReads mapped(way.mapped);
      TLightStrings list;
      list.LoadFromFile(path);
      EXPECT_EQ(LinesOf(list), want);
      EXPECT_EQ(list.Capacity(), list.Count());
      EXPECT_EQ(list.StoppedAtLine(), stoppedAt);
      EXPECT_EQ(list.AllLinesPlain(), !AnyHoldsBreakOrNul(want));
    }
  }
}

TEST(LightStrLoadFromFile, BreaksAcrossReadBuffers) {
  // Lines of every length around the read buffer's size put CR, LF and 0x1A on its edges.
  TTempDir dir;
  for (std::size_t length : {65534u, 65535u, 65536u, 131071u}) {
    SCOPED_TRACE(length);
    const std::string longLine(length, 'x');
    TLightStrings list;
    list.LoadFromFile(dir.Write("a.txt", longLine + "\r\nz\r\n"));
    EXPECT_EQ(LinesOf(list), (Lines{longLine, "z"}));
    list.LoadFromFile(dir.Write("b.txt", longLine + "\r\x1A" + "tail"));
    EXPECT_EQ(LinesOf(list), (Lines{longLine}));
    EXPECT_EQ(list.StoppedAtLine(), 1);
    list.LoadFromFile(dir.Write("c.txt", longLine + "\r\rq"));
    EXPECT_EQ(LinesOf(list), (Lines{longLine, "", "q"}));
  }
}

TEST(LightStrLoadFromFile, MissingFileFailsWithEmptyList) {
  TTempDir dir;
  TLightStrings list;
  list.Add("old");
  try {
    list.LoadFromFile(dir.File("missing.txt"));
    FAIL() << "no failure";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "ﾌｧｲﾙが見つかりません");
  }
  EXPECT_EQ(list.Count(), 0);
}

TEST(LightStrLoadFromStream, ReadsFromThePositionToTheEnd) {
  struct Row { std::string bytes; std::int64_t position; Lines want; };
  const Row rows[] = {
      {"a\r\nb", 0, {"a", "b"}},
      {"a\r\nb", 3, {"b"}},
      {"a\r\nb", 4, {}},           // nothing left: an empty list, not one empty line
      {"", 0, {}},
      {"x\ny", 0, {"x", "y"}},     // split as SetText: a lone LF ends a line here
  };
  for (const Row& row : rows) {
    TMemoryStream stream(row.bytes);
    stream.SetPosition(row.position);
    TLightStrings list;
    list.Add("old");
    list.LoadFromStream(stream);
    EXPECT_EQ(LinesOf(list), row.want);
  }
}

TEST(LightStrStreams, SaveToStreamWritesTheJoinedText) {
  TLightStrings list;
  Fill(list, {"a", "b"});
  TMemoryStream stream("XY");
  stream.SetPosition(1);
  list.SaveToStream(stream);
  EXPECT_EQ(stream.Bytes(), "Xa\r\nb\r\n");
}

TEST(LightStrCapacity, GrowsFromThirtyTwoAndTrimsAfterLoads) {
  TLightStrings list;
  EXPECT_EQ(list.Capacity(), 0);
  list.Add("1");
  EXPECT_EQ(list.Capacity(), 32);
  for (int i = 2; i <= 32; ++i) list.Add("x");
  EXPECT_EQ(list.Capacity(), 32);
  list.Add("33");
  EXPECT_EQ(list.Capacity(), 64);
  for (int i = 34; i <= 1000; ++i) list.Add("x");
  EXPECT_GE(list.Capacity(), 1000);
  EXPECT_LT(list.Capacity(), 2000);  // growth by half, not by doubling and not by 32
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(LightStrCapacity, SetCountAndSetCapacity) {
  TLightStrings list;
  Fill(list, {"a", "b", "c"});
  list.SetCount(5);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c", "", ""}));
  list.SetCount(2);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));
  list.SetCapacity(2);
  EXPECT_EQ(list.Capacity(), 2);
  list.SetCapacity(100);
  EXPECT_EQ(list.Capacity(), 100);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));
}

TEST(LightStrFailures, IndexAndCapacityErrorsLeaveTheListAsItWas) {
  TLightStrings list;
  Fill(list, {"a", "b"});
  const std::int32_t capacity = list.Capacity();
  const std::function<void()> failing[] = {
      [&] { (void)list.Get(-1); },
      [&] { (void)list.Get(2); },
      [&] { (void)list.View(2); },
      [&] { list.SetCapacity(TLightStrings::kMaxListSize + 1); },
      [&] { list.SetCapacity(1); },
      [&] { list.SetCount(-1); },
      [&] { list.SetCount(TLightStrings::kMaxListSize + 1); },
      [&] { list.KeepLinesIf(1, 2, [](std::string_view) { return false; }); },
      [&] { list.KeepLinesIf(-1, 0, [](std::string_view) { return false; }); },
      [&] { list.Error(); },
  };
  for (std::size_t i = 0; i < std::size(failing); ++i) {
    SCOPED_TRACE(i);
    try {
      failing[i]();
      ADD_FAILURE() << "no failure";
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), kIndexMessage);
    }
    EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));
    EXPECT_EQ(list.Capacity(), capacity);
  }
}

TEST(LightStrKeepLinesIf, DropsRefusedLinesOfTheRangeOnly) {
  struct Row { std::int32_t first, last; Lines want; };
  const Row rows[] = {
      {0, 4, {"b", "b2"}},
      {1, 3, {"a", "b", "b2", "a3"}},
      {2, 2, {"a", "b", "b2", "a3"}},
      {3, 2, {"a", "b", "a2", "b2", "a3"}},  // an empty range drops nothing
      {4, 4, {"a", "b", "a2", "b2"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.want));
    TLightStrings list;
    Fill(list, {"a", "b", "a2", "b2", "a3"});
    list.KeepLinesIf(row.first, row.last, [](std::string_view line) { return line[0] == 'b'; });
    EXPECT_EQ(LinesOf(list), row.want);
  }
}

TEST(LightStrHoldsBreakOrNul, EveryByteAtEveryPlace) {
  using namespace std::string_literals;
  // Lengths around the sixteen bytes looked at together, filled with every other byte value.
  std::string others;
  for (int b = 1; b < 256; ++b) {
    if (b != '\r' && b != '\n') others += static_cast<char>(b);
  }
  for (std::size_t length = 0; length <= 50; ++length) {
    const std::string line = (others + others).substr(length % 7, length);
    ASSERT_FALSE(TLightStrings::HoldsBreakOrNul(line)) << length;
    for (std::size_t at = 0; at < length; ++at) {
      for (const char c : "\r\n\0"s) {
        std::string with = line;
        with[at] = c;
        ASSERT_TRUE(TLightStrings::HoldsBreakOrNul(with)) << length << " " << at << " " << int(c);
      }
    }
  }
}

// Whether a list may hold CR, LF or NUL after each way of filling it: every way that looks at
// what it adds answers exactly.
TEST(LightStrAllLinesPlain, EveryWayOfFillingAList) {
  using namespace std::string_literals;
  TTempDir dir;
  struct Row { const char* name; std::function<void(TLightStrings&)> fill; };
  const Row rows[] = {
      {"Add", [](TLightStrings& l) { l.Add("abc"); l.Add(""); l.Add(std::string(40, 'x')); }},
      {"Add with LF", [](TLightStrings& l) { l.Add("a"); l.Add(std::string(20, 'x') + "\n"); }},
      {"Add with NUL", [](TLightStrings& l) { l.Add("a\0b"s); }},
      {"Add of two parts", [](TLightStrings& l) { l.Add("ab", "cd"); }},
      {"Add of two parts, CR", [](TLightStrings& l) { l.Add("ab", "\r"); }},
      {"SetText", [](TLightStrings& l) { l.SetText("a\r\nb\nc\rd\0e"s); }},
      {"SetText after a break", [](TLightStrings& l) { l.Add("\n"); l.SetText("a"s); }},
      {"LoadFromFile", [&](TLightStrings& l) { l.LoadFromFile(dir.Write("a", "a\r\nb")); }},
      {"LoadFromFile, LF", [&](TLightStrings& l) { l.LoadFromFile(dir.Write("b", "a\nb\r\n")); }},
      {"LoadFromFile, NUL", [&](TLightStrings& l) { l.LoadFromFile(dir.Write("c", "a\r\n\0"s)); }},
      {"LoadFromBytes, LF", [](TLightStrings& l) { l.LoadFromBytes("x\r\ny\nz"); }},
      {"LoadFromBytes after a break", [](TLightStrings& l) { l.Add("\r"); l.LoadFromBytes("x"); }},
      {"SetCommaText, LF", [](TLightStrings& l) { l.SetCommaText("\"a\nb\",c"); }},
      {"SetCount", [](TLightStrings& l) { l.Add("a"); l.SetCount(3); }},
      {"Clear", [](TLightStrings& l) { l.Add("\n"); l.Clear(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TLightStrings list;
    row.fill(list);
    EXPECT_EQ(list.AllLinesPlain(), !AnyHoldsBreakOrNul(LinesOf(list)));
  }
}

TEST(LightStrCommaText, QuotesItemsWithBlanksOrCommas) {
  struct Row { Lines lines; std::string text; };
  const Row rows[] = {
      {{"a b", "c"}, "\"a b\",c"},
      {{"x,y"}, "\"x,y\""},
      {{"a", "", "b"}, "a,,b"},
      {{}, ""},
      {{"\x95\x5c\x8e\xa6"}, "\x95\x5c\x8e\xa6"},  // 表示
  };
  for (const Row& row : rows) {
    TLightStrings list;
    Fill(list, row.lines);
    EXPECT_EQ(list.GetCommaText(), row.text);
    TLightStrings back;
    back.SetCommaText(row.text);
    EXPECT_EQ(LinesOf(back), row.lines);
  }
}

TEST(LightStrCommaText, ParsesItems) {
  using namespace std::string_literals;
  struct Row { std::string text; Lines want; };
  const Row rows[] = {
      {"a,", {"a"}},                       // a trailing comma adds no item
      {" a , b", {" a ", " b"}},           // blanks stay in the items
      {"a\rb,c", {"a", "b", "c"}},         // CR ends an item like a comma
      {"a\0b,c"s, {"a", "b", "c"}},
      {"\"q\"", {"q"}},
      {"a\nb", {"a\nb"}},                  // LF does not end an item
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.text));
    TLightStrings list;
    list.SetCommaText(row.text);
    EXPECT_EQ(LinesOf(list), row.want);
  }
}

TEST(LightStrIndexOf, CaseSensitiveFirstMatch) {
  TLightStrings list;
  Fill(list, {"Abc", "abc", "abc"});
  EXPECT_EQ(list.IndexOf("abc"), 1);
  EXPECT_EQ(list.IndexOf("ABC"), -1);
  EXPECT_EQ(list.IndexOf(""), -1);
}

TEST(LightStrSaveToFile, WritesExactlyTheJoinedText) {
  TTempDir dir;
  TLightStrings list;
  std::string longLine(70000, 'y');
  Fill(list, {"a", "", longLine, "\x95\x5c"});
  const std::string path = dir.File("out.lst");
  list.SaveToFile(path);
  EXPECT_EQ(TTempDir::Read(path), list.GetText());
  EXPECT_EQ(list.Count(), 4);
}

TEST(LightStrSaveToFile, FailureLeavesTheOldFile) {
  TTempDir dir;
  TLightStrings list;
  Fill(list, {"new"});
  EXPECT_THROW(list.SaveToFile(dir.File("no-such-folder/out.txt")), EFCreateError);
  const std::string existing = dir.Write("keep.txt", "old\r\n");
  EXPECT_THROW(list.SaveToFile(dir.Path()), EFCreateError);  // a folder as the target
  EXPECT_EQ(TTempDir::Read(existing), "old\r\n");
}

}  // namespace
