// Command lines of korvane-cli: words and quotes, recipes with their line numbers, UTF-8
// arguments as Shift-JIS, and how a line becomes a command.
#include "cli/Recipe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Commands.h"

namespace {

using Recipe::EUsageError;

std::vector<std::string> Texts(const std::vector<Recipe::TWord>& words) {
  std::vector<std::string> texts;
  for (const Recipe::TWord& word : words) texts.push_back(word.Text);
  return texts;
}

std::string FailureOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const EUsageError& failure) {
    return failure.what();
  }
  return "(no failure)";
}

TEST(RecipeSplitWords, BlanksSeparateQuotesKeep) {
  struct Row { const char* line; std::vector<std::string> words; std::vector<bool> quoted; };
  const Row rows[] = {
      {"replace a b", {"replace", "a", "b"}, {false, false, false}},
      {"  \ttrim\t ", {"trim"}, {false}},
      {R"(prefix "a b")", {"prefix", "a b"}, {false, true}},
      {R"(delete '' "")", {"delete", "", ""}, {false, true, true}},        // empty words
      {R"(x a"b c"d)", {"x", "ab cd"}, {false, true}},                      // parts join
      {R"(x "q\"r\\s\t")", {"x", R"(q"r\s\t)"}, {false, true}},             // two escapes only
      {R"(x 'a\"b')", {"x", R"(a\"b)"}, {false, true}},                     // single: as written
      {R"(x C:\dir\file)", {"x", R"(C:\dir\file)"}, {false, false}},
      {"x \"--keep-marks\"", {"x", "--keep-marks"}, {false, true}},
      {"x #not-a-comment", {"x", "#not-a-comment"}, {false, false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::vector<Recipe::TWord> words = Recipe::SplitWords(row.line, "t");
    EXPECT_EQ(Texts(words), row.words);
    for (std::size_t i = 0; i < words.size() && i < row.quoted.size(); ++i) {
      EXPECT_EQ(words[i].Quoted, row.quoted[i]) << i;
    }
  }
  EXPECT_EQ(FailureOf([] { (void)Recipe::SplitWords("prefix \"abc", "r.recipe:4"); }),
            "r.recipe:4: 8 文字目の引用符 \" が閉じていません");
}

TEST(RecipeParse, LinesCommentsAndLineNumbers) {
  const std::string text =
      "\xEF\xBB\xBF# a comment\r\n"
      "strip-tags\r\n"
      "\r\n"
      "   # indented comment\n"
      "prefix \"> \"\r"
      "\t \n"
      "suffix x";
  const std::vector<Recipe::TLine> lines = Recipe::Parse(text, "page.recipe");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Where, "page.recipe:2");
  EXPECT_EQ(Texts(lines[0].Words), (std::vector<std::string>{"strip-tags"}));
  EXPECT_EQ(lines[1].Where, "page.recipe:5");
  EXPECT_EQ(Texts(lines[1].Words), (std::vector<std::string>{"prefix", "> "}));
  EXPECT_EQ(lines[2].Where, "page.recipe:7");
  EXPECT_EQ(FailureOf([] { (void)Recipe::Parse("trim\nprefix a\xFF\n", "r"); }),
            "r:2: 9 バイト目 (0xFF) が UTF-8 として読めません。レシピは UTF-8 で保存してください");
}

TEST(RecipeUtf8, MalformedFormsAreFound) {
  struct Row { std::string text; std::size_t bad; };
  const Row rows[] = {
      {"abc", std::string::npos},
      {"表示ｱ😀", std::string::npos},
      {"a\xC0\x80", 1},          // overlong NUL
      {"a\xE0\x80\xAF", 1},      // overlong
      {"\xED\xA0\x80", 0},       // a surrogate
      {"ok\xF4\x90\x80\x80", 2}, // past U+10FFFF
      {"\xE8\xA1", 0},           // cut short
      {"x\x80", 1},              // a stray continuation byte
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.text));
    EXPECT_EQ(Recipe::FindInvalidUtf8(row.text), row.bad);
  }
}

TEST(RecipeToCp932, CharactersShiftJisHoldsAndTheOnesItCannot) {
  struct Row { const char* utf8; std::string cp932; };
  const Row ok[] = {
      {"abc", "abc"},
      {"表示", "\x95\x5C\x8E\xA6"},           // 表 has 0x5C as its second byte
      {"ｱﾞ", "\xB1\xDE"},                      // half-width kana
      {"～", "\x81\x60"},                       // the full-width tilde (U+FF5E)
      {"a\tb", "a\tb"},
      {"", ""},
  };
  for (const Row& row : ok) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(Recipe::ToCp932(row.utf8, "arg"), row.cp932);
  }
  struct Bad { const char* utf8; const char* message; };
  const Bad bad[] = {
      {"ab♥", "x の 1 番目の引数の 3 文字目の文字 「♥」(U+2665) は Shift-JIS で表せないため、使えません"},
      {"〜", "x の 1 番目の引数の 1 文字目の文字 「〜」(U+301C) は Shift-JIS で表せないため、使えません"},
      {"¥", "x の 1 番目の引数の 1 文字目の文字 「¥」(U+00A5) は Shift-JIS で表せないため、使えません"},
      {"表😀", "x の 1 番目の引数の 2 文字目の文字 「😀」(U+1F600) は Shift-JIS で表せないため、使えません"},
      {"a\nb", "x の 1 番目の引数の 2 文字目に U+000A があります。改行と NUL 文字は文書の行に入れられません"},
      {"a\xFF", "x の 1 番目の引数の 2 文字目が UTF-8 として読めません"},
  };
  for (const Bad& row : bad) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(FailureOf([&] { (void)Recipe::ToCp932(row.utf8, "x の 1 番目の引数"); }), row.message);
  }
}

Commands::TCommand CommandOf(const std::string& line) {
  return Commands::Parse({"t:1", Recipe::SplitWords(line, "t:1")});
}

TEST(CommandsParse, ArgumentsOptionsAndRanges) {
  struct Row {
    const char* line;
    std::vector<std::string> strings;
    bool dropEmpty, matchCase, keepMarkers;
    std::int32_t first, last;
  };
  const Row rows[] = {
      {"replace a b", {"a", "b"}, false, false, false, 0, 0},
      {"replace --match-case a b c", {"a", "b", "c"}, false, true, false, 0, 0},
      {"delete --drop-empty --keep-marks x", {"x"}, true, false, true, 0, 0},
      {"delete -- --drop-empty", {"--drop-empty"}, false, false, false, 0, 0},
      {"delete \"--drop-empty\"", {"--drop-empty"}, false, false, false, 0, 0},
      {"一般的な削除 表", {"\x95\x5C"}, false, false, false, 0, 0},  // the window's caption
      {"range 3", {}, false, false, false, 3, 0},
      {"range 2 2", {}, false, false, false, 2, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Commands::TCommand command = CommandOf(row.line);
    EXPECT_EQ(command.Strings, row.strings);
    EXPECT_EQ(command.Options.DropEmptyLines, row.dropEmpty);
    EXPECT_EQ(command.Options.MatchCase, row.matchCase);
    EXPECT_EQ(command.Options.KeepMarkers, row.keepMarkers);
    EXPECT_EQ(command.First, row.first);
    EXPECT_EQ(command.Last, row.last);
  }
  struct Bad { const char* line; const char* message; };
  const Bad bad[] = {
      {"frob", "t:1: 「frob」という命令はありません（korvane-cli --help で一覧）"},
      {"\"trim\"", "t:1: 「trim」という命令はありません（korvane-cli --help で一覧）"},
      {"replace a", "t:1: replace の引数の数が違います（1 個）。引数は FROM [FROM2] TO"},
      {"trim x", "t:1: trim の引数の数が違います（1 個）。引数をとりません"},
      {"prefix --match-case x", "t:1: --match-case（大文字小文字を区別）は prefix には使えません"},
      {"break-between --match-case a b",
       "t:1: --match-case（大文字小文字を区別）は break-between には使えません"},
      {"delete --frob x", "t:1: 「--frob」というオプションはありません"},
      {"range 0", "t:1: range の開始行は 1 から数えた行番号で指定してください（「0」）"},
      {"range 2x", "t:1: range の開始行は 1 から数えた行番号で指定してください（「2x」）"},
      {"range 5 3", "t:1: range の終了行 (3) が開始行 (5) より前です"},
      {"prefix ♥", "t:1: 1 番目の引数の 1 文字目の文字 「♥」(U+2665) は Shift-JIS で表せないため、使えません"},
  };
  for (const Bad& row : bad) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(FailureOf([&] { (void)CommandOf(row.line); }), row.message);
  }
}

TEST(CommandsParse, ARangeIsFollowedByItsCommandAndSaveRangeComesLast) {
  const auto parseAll = [](const std::vector<std::string>& texts) {
    std::vector<Recipe::TLine> lines;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const std::string where = "r:" + std::to_string(i + 1);
      lines.push_back({where, Recipe::SplitWords(texts[i], where)});
    }
    (void)Commands::ParseAll(lines);
  };
  EXPECT_EQ(FailureOf([&] { parseAll({"range 2 3", "trim", "range 1", "save-range"}); }),
            "(no failure)");
  EXPECT_EQ(FailureOf([&] { parseAll({"trim", "range 2"}); }),
            "r:2: range の後ろに、その範囲で実行する命令がありません");
  EXPECT_EQ(FailureOf([&] { parseAll({"range 2", "range 3", "trim"}); }),
            "r:1: range の後ろに、その範囲で実行する命令がありません");
  EXPECT_EQ(FailureOf([&] { parseAll({"range 2", "save-range", "trim"}); }),
            "r:2: save-range は最後の命令にしてください");
}

}  // namespace
