// korvane-cli from the outside: the built program run on files in a temporary folder, its
// output bytes, exit status and messages compared.
#include <fstream>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli/Commands.h"
#include "cli/Recipe.h"
#include "document/Failures.h"
#include "tests/support/Records.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace {

using namespace std::string_literals;

constexpr int kUsage = 2;
constexpr int kInputOutput = 3;

struct TResult {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// Runs korvane-cli in dir (names in args are relative to it) with args, its standard input
// read from the file in.
TResult RunCliFrom(const TTempDir& dir, const std::vector<std::string>& args,
                   const std::string& in) {
  const std::string out = dir.File(".stdout");
  const std::string err = dir.File(".stderr");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.Path().c_str());
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> words = {KORVANE_CLI};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  TResult result;
  if (posix_spawn(&pid, KORVANE_CLI, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  result.Out = TTempDir::Read(out);
  result.Err = TTempDir::Read(err);
  for (const std::string& name : {out, err}) std::filesystem::remove(name);
  return result;
}

// Starts korvane-cli in dir with args, its output thrown away; returns its process.
pid_t StartCli(const TTempDir& dir, const std::vector<std::string>& args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.Path().c_str());
  for (const int fd : {0, 1, 2}) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  std::vector<std::string> words = {KORVANE_CLI};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, KORVANE_CLI, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The program's data folder, where saves keep their backup records, is a folder of the tests'
// own for the whole run.
class TDataFolder : public ::testing::Environment {
 public:
  void SetUp() override { ::setenv("KORVANE_HOME", folder_.Path().c_str(), 1); }
  [[nodiscard]] const std::string& Path() const { return folder_.Path(); }

 private:
  TTempDir folder_;
};
TDataFolder* const dataFolder =
    static_cast<TDataFolder*>(::testing::AddGlobalTestEnvironment(new TDataFolder));

// RunCliFrom with a standard input that holds input.
TResult RunCli(const TTempDir& dir, const std::vector<std::string>& args,
               const std::string& input = {}) {
  const std::string in = dir.Write(".stdin", input);
  TResult result = RunCliFrom(dir, args, in);
  std::filesystem::remove(in);
  return result;
}

std::vector<std::string> FilesIn(const TTempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct TFile {
  std::string name;
  std::string bytes;
};

const std::string kShortcut = "[InternetShortcut]\r\nURL=http://a.jp/x.zip\r\n";

TEST(CliLoad, FilesAreJoinedAsTheWindowJoinsThem) {
  struct Row {
    const char* name;
    std::vector<TFile> files;
    std::vector<std::string> args;
    std::string input;
    std::string want;
  };
  const Row rows[] = {
      {"one file as Open", {{"ab.txt", "a\r\nb\r\n"}}, {"ab.txt"}, "", "a\r\nb\r\n"},
      {"further files as Append: one empty line after each",
       {{"ab.txt", "a\r\nb\r\n"}, {"cd.txt", "c\r\nd\r\n"}, {"e.txt", "e"}},
       {"ab.txt", "cd.txt", "e.txt"}, "", "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\n"},
      {"--drop: every file followed by an empty line", {{"x.txt", "x\r\n"}, {"y.txt", "y\r\n"}},
       {"--drop", "y.txt", "x.txt"}, "", "y\r\n\r\nx\r\n\r\n"},
      {"--drop of one file", {{"x.txt", "x\r\n"}}, {"--drop", "x.txt"}, "", "x\r\n\r\n"},
      {"standard input among files", {{"a.txt", "a\r\n"}}, {"-", "a.txt"}, "in\nput\r\n",
       "in\r\nput\r\na\r\n\r\n"},
      {"html: NUL a blank, LF a break", {{"p.html", "a\0b\nc\n"s}}, {"p.html"}, "",
       "a b\r\nc\r\n"},
      {"shortcut: its address", {{"s.URL", kShortcut}}, {"s.URL"}, "",
       "http://a.jp/x.zip\r\n\r\n"},
      {"shortcuts with ファイル名を使う",
       {{"サイト.URL", kShortcut}, {"b.url", kShortcut}},
       {"--use-file-name", "--drop", "サイト.URL", "b.url"}, "",
       "\x83\x54\x83\x43\x83\x67\r\nhttp://a.jp/x.zip\r\n\r\n\r\nb.url\r\nhttp://a.jp/x.zip\r\n\r\n\r\n"},
      {"an empty file", {{"empty.txt", ""}}, {"empty.txt"}, "", ""},
      {"bytes that are not Shift-JIS survive", {{"odd.txt", "\x81\r\n\x80\xa0\xfd\xff\r\n"}},
       {"odd.txt"}, "", "\x81\r\n\x80\xa0\xfd\xff\r\n"},
      {"-- ends the options", {{"-e", "dash\r\n"}}, {"--", "-e"}, "", "dash\r\n"},
      {"a name starting with a dash after --", {{"-x.txt", "x\r\n"}, {"y.txt", "y\r\n"}},
       {"y.txt", "--", "-x.txt"}, "", "y\r\nx\r\n\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    for (const TFile& file : row.files) dir.Write(file.name, file.bytes);
    const TResult result = RunCli(dir, row.args, row.input);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, row.want);
    // Bytes that fit no encoding are read as Shift-JIS, as they stand, and said to be unsure.
    const bool unsure = std::string_view(row.name).starts_with("bytes that are not");
    EXPECT_EQ(result.Err, unsure ? "korvane-cli: 警告: odd.txt: Shift-JIS として読みました "
                                   "(文字コードの判定が確かではありません)\n"
                                 : "");
  }
}

// Files in other encodings are converted, said so on standard error, and written in the
// encoding asked for; characters Shift-JIS lacks survive a round trip and match in commands.
TEST(CliEncodings, ConvertedInAndWrittenOut) {
  const std::string page = "<p>今日は<strong>晴れ</strong>のち曇り</p>\r\n";
  const std::string pageSjis = "\x8D\xA1\x93\xFA\x82\xCD\x90\xB0\x82\xEA\x82\xCC\x82\xBF\x93\xDC\x82\xE8\r\n";
  const std::string eucLine = "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\r\n";  // 日本語のテキスト
  const std::string sjisLine = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\r\n";
  struct Row {
    const char* name;
    std::string bytes;  // of in.html
    std::vector<std::string> args;
    std::string want;
    std::string told;  // standard error
  };
  const Row rows[] = {
      {"a UTF-8 page keeps its words through tag removal", page, {"-e", "strip-tags"}, pageSjis,
       "警告: in.html: UTF-8 から変換"},
      {"EUC-JP by its JIS codes", eucLine, {}, sjisLine, "警告: in.html: EUC-JP から変換"},
      {"--from cp932 reads the bytes as they are", page, {"--from", "cp932"}, page, ""},
      {"--from with an alias", eucLine, {"--from", "x-euc-jp"}, sjisLine, "警告: in.html: EUC-JP から変換"},
      {"foreign characters come back in UTF-8", "café 😀 𠮷\r\n", {"--to", "utf-8"}, "café 😀 𠮷\r\n",
       "警告: in.html: UTF-8 から変換"},
      {"and match in commands", "café naïve\r\n", {"-e", "replace é e", "--to", "utf-8"}, "cafe naïve\r\n",
       "警告: in.html: UTF-8 から変換"},
      {"--refs writes them as references in Shift-JIS", "café\r\n", {"--refs"}, "caf&#233;\r\n",
       "警告: in.html: UTF-8 から変換"},
      {"UTF-8 with a mark", "abc\r\n", {"--to", "utf-8-bom"}, "\xEF\xBB\xBF" "abc\r\n", ""},
      {"UTF-16LE with a mark", "a\r\n", {"--to", "utf-16le"}, std::string("\xFF\xFE" "a\0\r\0\n\0", 8), ""},
      {"EUC-JP out", sjisLine, {"--to", "euc-jp"}, eucLine, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    dir.Write("in.html", row.bytes);
    std::vector<std::string> args = {"in.html"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const TResult result = RunCli(dir, args);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, row.want);
    EXPECT_EQ(result.Err, row.told.empty() ? "" : "korvane-cli: " + row.told + "\n");
  }
}

// The corpus of pages, each also saved in UTF-8, EUC-JP, ISO-2022-JP and UTF-16LE: every copy
// is detected and gives the very text of the Shift-JIS page through the page recipe.
TEST(CliEncodings, EveryEncodingOfAPageGivesTheSameText) {
  const std::string pages = std::string(KORVANE_TEST_DATA) + "/pages/";
  const std::string recipe = std::string(KORVANE_SAMPLES) + "/clean-page.recipe";
  struct Copy { const char* suffix; const char* told; };
  const Copy copies[] = {{"utf8", "UTF-8"}, {"euc", "EUC-JP"}, {"jis", "ISO-2022-JP"},
                         {"utf16", "UTF-16LE (BOM 付き)"}};
  for (const char* page : {"shop-news", "company-blog", "price-list"}) {
    TTempDir dir;
    const TResult original = RunCli(dir, {pages + page + ".html", "-f", recipe, "--to", "utf-8"});
    ASSERT_EQ(original.Status, 0) << original.Err;
    for (const Copy& copy : copies) {
      SCOPED_TRACE(std::string(page) + "." + copy.suffix);
      const std::string name = std::string(page) + "." + copy.suffix + ".html";
      const TResult result = RunCli(dir, {pages + "encoded/" + name, "-f", recipe, "--to", "utf-8"});
      EXPECT_EQ(result.Status, 0) << result.Err;
      EXPECT_EQ(result.Out, original.Out);
      EXPECT_EQ(result.Err, "korvane-cli: 警告: " + name + ": " + copy.told + " から変換\n");
    }
  }
}

// Files large enough to be mapped rather than read give the same document as small ones.
TEST(CliLoad, LargeFilesAsSmallOnes) {
  const std::string big(3 << 20, 'x');
  struct Row {
    const char* name;
    std::vector<TFile> files;
    std::vector<std::string> args;
    std::string want;
  };
  const Row rows[] = {
      {"Open: LF and CR lone breaks, CR LF one", {{"big.txt", big + "\ra\nb\r\nc"}}, {"big.txt"},
       big + "\r\na\r\nb\r\nc\r\n"},
      {"Open: the text ends at a NUL", {{"big.txt", big + "\r\na\0b\r\nc\r\n"s}}, {"big.txt"},
       big + "\r\na"},
      {"Open: 0x1A ends the file", {{"big.txt", big + "\r\na\x1A" "b\r\n"}}, {"big.txt"},
       big + "\r\na\r\n"},
      {"Open and Append", {{"big.txt", big}, {"e.txt", "e"}}, {"big.txt", "e.txt"},
       big + "\r\ne\r\n\r\n"},
      {"Append", {{"e.txt", "e"}, {"big.txt", big}}, {"e.txt", "big.txt"},
       "e\r\n" + big + "\r\n\r\n"},
      {"--drop", {{"big.txt", big + "\r\n"}, {"e.txt", "e\r\n"}}, {"--drop", "big.txt", "e.txt"},
       big + "\r\n\r\ne\r\n\r\n"},
      {"lines kept in place", {{"big.txt", "a\r\n" + big + "\r\nab\r\nb\r\n"}},
       {"big.txt", "-e", "delete-lines-with a"}, big + "\r\nb\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    for (const TFile& file : row.files) dir.Write(file.name, file.bytes);
    const TResult result = RunCli(dir, row.args);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_TRUE(result.Out == row.want) << result.Out.size() << " bytes";
  }
}

TEST(CliLoad, TextNotLoadedIsToldOnStandardError) {
  struct Row { const char* name; std::string bytes; std::string want; std::string told; };
  const Row rows[] = {
      {"0x1A with bytes after it", "a\r\nb\r\nc\x1A" "d\r\n", "a\r\nb\r\nc\r\n",
       "cut.txt の 3 行目にあるファイル終端文字 (0x1A) より後ろ"},
      {"NUL in the middle", "a\r\nb\0c\r\n"s, "a\r\nb", "cut.txt の 2 行目にある NUL 文字 (0x00) より後ろ"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    const TResult result = RunCli(dir, {dir.Write("cut.txt", row.bytes)});
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Out, row.want);
    EXPECT_TRUE(result.Err.starts_with("korvane-cli: 警告: 次のファイルは途中までしか読み込まれて"))
        << result.Err;
    EXPECT_NE(result.Err.find(row.told), std::string::npos) << result.Err;
  }
}

// One row per command, with the examples of the window's commands.
TEST(CliCommands, EachCommandOverTheWholeDocument) {
  struct Row { std::string input; std::vector<std::string> commands; std::string want; };
  const Row rows[] = {
      {"banana\r\n", {"replace a x"}, "bxnxnx\r\n"},
      {"banana\r\n", {"replace --keep-marks a x"}, "baxnaxnax\r\n"},
      {"aAa\r\n", {"replace A x"}, "xxx\r\n"},
      {"aAa\r\n", {"replace --match-case A x"}, "axa\r\n"},
      {"a\r\n", {"replace --keep-marks a b b"}, "abb\r\n"},
      {"a=b\r\nabc\r\n", {"replace-before = key"}, "keyb\r\nkey\r\n"},
      {"a=b\r\n=b\r\n", {"replace-before --keep-marks = key"}, "key=b\r\n=b\r\n"},
      {"a=b\r\nabc\r\n", {"replace-after = v"}, "av\r\nabc\r\n"},
      {"f(a)g(b)\r\nx)y(z)\r\n", {"replace-between ( ) *"}, "f*g*\r\nx)y(z)\r\n"},
      {"f(a)g(b)\r\n", {"replace-between --keep-marks ( ) *"}, "f(*)g(*)\r\n"},
      {"a1b2c3\r\n", {"delete 1 2 3"}, "abc\r\n"},
      {"ab:cd\r\nabcd\r\n", {"delete-before :"}, "cd\r\n\r\n"},
      {"ab:cd\r\n", {"delete-before --keep-marks :"}, ":cd\r\n"},
      {"ab:cd\r\nabcd\r\n", {"delete-after :"}, "ab\r\nabcd\r\n"},
      {"a<b>c<d>e\r\n", {"delete-between < >"}, "ace\r\n"},
      {"<a>x<b>y\r\nplain\r\n", {"break-between > <"}, "<a>\r\nx\r\n<b>\r\ny\r\n\r\nplain\r\n"},
      {"a.jpg\r\nb.JPG\r\nc.png\r\n\r\n", {"delete-lines-with jpg"}, "c.png\r\n\r\n"},
      {"a.jpg\r\nb.JPG\r\nc.png\r\n", {"delete-lines-without --match-case jpg"}, "a.jpg\r\n"},
      {"a\r\n\r\nb\r\n", {"delete --drop-empty x"}, "a\r\nb\r\n"},
      {"one<br>two<BR>three\r\n<br><br>\r\n<p>A &amp; B</p>\r\n", {"strip-tags"},
       "one\r\ntwo\r\nthree\r\n\r\n\r\nA & B\r\n"},
      {"one<br>two\r\n<br><br>\r\n\r\n", {"strip-tags-drop-blank"}, "one\r\ntwo\r\n"},
      {"text<b>bold</b>more\r\n\r\nabc<a\r\n href=\"y\">link</a>\r\n", {"break-at-tags"},
       "text\r\n<b>\r\nbold\r\n</b>\r\nmore\r\nabc\r\n<a href=\"y\">\r\nlink\r\n</a>\r\n"},
      {"\x82\x60\x82\x61\x82\x50\r\n\x83\x4B\x81\x75\x8A\xBF\r\n", {"half-width"},
       "AB1\r\n\xB6\xDE\xA2\x8A\xBF\r\n"},  // ＡＢ１, ガ「漢
      {"  abc  \r\n\t\r\n\x81\x40x\r\n", {"trim"}, "abc\r\n\r\n\x81\x40x\r\n"},
      {"a\r\n\r\n   \r\n b \r\n", {"drop-blank-lines"}, "a\r\n b \r\n"},
      {"a\r\n\r\n   \r\n b \r\n", {"trim-and-drop"}, "a\r\nb\r\n"},
      {"a\r\n\r\n", {"prefix x"}, "xa\r\nx\r\n"},
      {"a\r\n\r\n", {"suffix ;"}, "a;\r\n;\r\n"},
      {"a\r\n", {"prefix \"\""}, "a\r\n"},
      {"a\r\n", {"prefix 表"}, "\x95\x5C" "a\r\n"},
      {"\x82\x60\x82\x61\r\n", {"全角を半角に変換"}, "AB\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.commands.front());
    TTempDir dir;
    std::vector<std::string> args = {dir.Write("in.txt", row.input)};
    for (const std::string& command : row.commands) {
      args.push_back("-e");
      args.push_back(command);
    }
    const TResult result = RunCli(dir, args);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, row.want);
  }
}

TEST(CliCommands, RangeForTheNextCommand) {
  const std::string five = "1\r\n2\r\n3\r\n4\r\n5\r\n";
  struct Row { const char* name; std::vector<std::string> commands; std::string want; };
  const Row rows[] = {
      {"the range, then the whole document again", {"range 2 3", "prefix >", "suffix ;"},
       "1;\r\n>2;\r\n>3;\r\n4;\r\n5;\r\n"},
      {"a start alone runs to the last line", {"range 4", "prefix >"},
       "1\r\n2\r\n3\r\n>4\r\n>5\r\n"},
      {"one line", {"range 5 5", "suffix !"}, "1\r\n2\r\n3\r\n4\r\n5!\r\n"},
      {"range delete", {"range 2 4", "delete-range"}, "1\r\n5\r\n"},
      {"range save: only the range's lines", {"range 2 3", "save-range"}, "2\r\n3\r\n"},
      {"a conversion before the range save", {"delete 3", "range 3", "save-range"},
       "\r\n4\r\n5\r\n"},
      {"line deletes shorten the range's document", {"range 1 3", "delete-lines-with 2", "trim"},
       "1\r\n3\r\n4\r\n5\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    std::vector<std::string> args = {dir.Write("in.txt", five)};
    for (const std::string& command : row.commands) args.insert(args.end(), {"-e", command});
    const TResult result = RunCli(dir, args);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, row.want);
  }
}

// As in the window, tag line-breaking keeps the range: its start stays and its end follows the
// new line count, so the next command works on the same start again.
TEST(CliCommands, TagLineBreakingKeepsTheRange) {
  TTempDir dir;
  const std::string page = dir.Write("p.txt", "head\r\n<b>x</b>\r\ntail\r\n");
  const TResult kept = RunCli(dir, {page, "-e", "range 2 2", "-e", "break-at-tags", "-e", "prefix >"});
  EXPECT_EQ(kept.Out, "head\r\n><b>\r\n>x\r\n></b>\r\n>tail\r\n");
  const TResult saved =
      RunCli(dir, {page, "-e", "range 2 2", "-e", "break-at-tags", "-e", "save-range"});
  EXPECT_EQ(saved.Out, "<b>\r\nx\r\n</b>\r\ntail\r\n");
  // The line count did not change: the range stays exactly as it was set.
  const std::string one = dir.Write("one.txt", "a\r\n<b>\r\nc\r\n");
  const TResult same =
      RunCli(dir, {one, "-e", "range 2 2", "-e", "break-at-tags", "-e", "delete-range"});
  EXPECT_EQ(same.Out, "a\r\nc\r\n");
}

TEST(CliRecipe, CommandsFromARecipeFileInOrderWithCommandLineOnes) {
  TTempDir dir;
  const std::string recipe = dir.Write("clean.recipe",
                                       "\xEF\xBB\xBF# 保存したページを本文に\r\n"
                                       "strip-tags-drop-blank\r\n"
                                       "\r\n"
                                       "  # 広告の行を削除\r\n"
                                       "delete-lines-with 広告 'PR:'\r\n"
                                       "replace \"　\" \" \"\r\n"
                                       "trim-and-drop\r\n");
  const std::string page = dir.Write(
      "page.html",
      "<html><body>\r\n<p>\x96\x7B\x95\xB6\x81\x40\x82\xA0</p>\r\n"  // 本文　あ
      "<div>\x8D\x4C\x8D\x90</div>\r\n<p> PR: x</p>\r\n<p>&lt;end&gt;</p></body></html>\r\n");  // 広告
  // The first command removes a line that the recipe's tag removal would have changed.
  const TResult result = RunCli(
      dir, {"-e", "delete-lines-with </p></body>", page, "-f", recipe, "-e", "suffix ]"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "\x96\x7B\x95\xB6 \x82\xA0]\r\n");  // 本文 あ]
}

TEST(CliErrors, UsageAndInputOutputFailuresAreToldWithTheirStatus) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string message;  // standard error, after "korvane-cli: "
  };
  const Row rows[] = {
      {"no file", {"-e", "trim"}, kUsage,
       "読み込むファイルを指定してください (標準入力は -)。説明は korvane-cli --help"},
      {"unknown flag", {"in.txt", "--frob"}, kUsage,
       "不明なオプションです: --frob (説明は korvane-cli --help)"},
      {"flag without its value", {"in.txt", "-e"}, kUsage,
       "オプション -e には値が要ります (説明は korvane-cli --help)"},
      {"flag with a value it does not take", {"--drop=yes", "in.txt"}, kUsage,
       "オプション --drop は値を取りません (説明は korvane-cli --help)"},
      {"unknown command", {"in.txt", "-e", "trim", "-e", "frobnicate x"}, kUsage,
       "-e 2: 「frobnicate」という命令はありません（korvane-cli --help で一覧）"},
      {"missing argument", {"in.txt", "-e", "replace-between a b"}, kUsage,
       "-e 1: replace-between の引数の数が違います（2 個）。引数は START END TO"},
      {"character the output cannot hold", {"in.txt", "-e", "suffix \"OK ✓\""}, kInputOutput,
       "Shift-JIS で表せない文字が 3 個あります (1 行目から。U+2713、U+2713、U+2713)。"
       "--refs で文字参照 (&#...;) にして書けます"},
      {"unknown input encoding", {"in.txt", "--from", "latin1"}, kUsage,
       "--from に知らない文字コード latin1 が指定されました (説明は korvane-cli --help)"},
      {"unknown output encoding", {"in.txt", "--to", "iso-2022-jp"}, kUsage,
       "--to には cp932、utf-8、utf-8-bom、utf-16le、euc-jp のどれかを指定してください "
       "(iso-2022-jp) (説明は korvane-cli --help)"},
      {"range past the document", {"in.txt", "-e", "range 2 9", "-e", "trim"}, kUsage,
       "-e 1: 範囲 2–9 が文書の行数 (3) を超えています"},
      {"range delete without a range", {"in.txt", "-e", "delete-range"}, kUsage,
       "-e 1: 範囲が設定されていません（delete-range の前に range を置いてください）"},
      {"standard input twice", {"-", "-"}, kUsage, "標準入力 (-) は一度しか読み込めません"},
      {"bad recipe line", {"in.txt", "-f", "bad.recipe"}, kUsage,
       "bad.recipe:3: 「strip」という命令はありません（korvane-cli --help で一覧）"},
      {"recipe not UTF-8", {"in.txt", "-f", "sjis.recipe"}, kUsage,
       "sjis.recipe:1: 8 バイト目 (0x8D) が UTF-8 として読めません。レシピは UTF-8 で保存してください"},
      {"missing file", {"in.txt", "missing.txt"}, kInputOutput,
       "ﾌｧｲﾙ missing.txt を読み込めません\nﾌｧｲﾙが見つかりません"},
      {"missing page", {"in.txt", "typo.html"}, kInputOutput,
       "ﾌｧｲﾙ typo.html を読み込めません\nﾌｧｲﾙが見つかりません"},
      {"folder as a page", {"--drop", "in.txt", "folder.html"}, kInputOutput,
       "ﾌｧｲﾙ folder.html を読み込めません\nﾌｫﾙﾀﾞはﾌｧｲﾙとして開けません"},
      {"page that cannot be opened", {"loop.html", "-o", "out.txt"}, kInputOutput,
       "ﾌｧｲﾙ loop.html を読み込めません\n" + SystemErrorText(ELOOP)},
      {"missing recipe", {"in.txt", "-f", "none.recipe"}, kInputOutput,
       "ﾌｧｲﾙ none.recipe を読み込めません\nﾌｧｲﾙが見つかりません"},
      {"shortcut of one line", {"one.URL"}, kInputOutput,
       "ﾌｧｲﾙ one.URL を読み込めません\nインデックスがリストの範囲を超えています"},
      {"output into a missing folder", {"in.txt", "-o", "no/such/out.txt"}, kInputOutput,
       "ﾌｧｲﾙ no/such/out.txt を作成できません\nﾌｧｲﾙが見つかりません"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    dir.Write("in.txt", "a\r\nb\r\nc\r\n");
    dir.Write("one.URL", "[InternetShortcut]\r\n");
    dir.Write("bad.recipe", "# one\ntrim\nstrip\n");
    dir.Write("sjis.recipe", "delete \x8D\x4C\x8D\x90\n");
    ::mkdir(dir.File("folder.html").c_str(), 0755);
    ::symlink("loop.html", dir.File("loop.html").c_str());
    const TResult result = RunCli(dir, row.args);
    EXPECT_EQ(result.Status, row.status);
    EXPECT_EQ(result.Err, "korvane-cli: " + row.message + "\n");
    EXPECT_EQ(result.Out, "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.txt")));
  }
}

// Standard input longer than the part its encoding is told by: read on as one pass goes, or
// whole when the commands or its encoding want the whole document; the bytes of the same file.
TEST(CliLoad, StandardInputReadOnAsThePassGoes) {
  TTempDir dir;
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "<b>line " + std::to_string(i) + "</b>  \r\n";
  const std::string shiftJis = dir.Write("in.txt", text);
  const std::string utf8 = dir.Write("in8.txt", "\xE3\x81\x82\r\n" + text);
  const std::vector<std::vector<std::string>> jobs = {
      {"-e", "strip-tags", "-e", "trim"},
      {"-e", "range 5 7", "-e", "save-range"},
      {"-e", "delete-range"},  // refused without a range: the whole-document way says so
  };
  for (const std::string& input : {shiftJis, utf8}) {
    for (const std::vector<std::string>& job : jobs) {
      std::vector<std::string> fromFile = {input};
      std::vector<std::string> fromStandardInput = {"-"};
      fromFile.insert(fromFile.end(), job.begin(), job.end());
      fromStandardInput.insert(fromStandardInput.end(), job.begin(), job.end());
      const TResult file = RunCliFrom(dir, fromFile, "/dev/null");
      const TResult piped = RunCliFrom(dir, fromStandardInput, input);
      EXPECT_EQ(piped.Status, file.Status) << input << " " << job[1];
      EXPECT_EQ(piped.Out, file.Out) << input << " " << job[1];
      EXPECT_GT(file.Out.size() + file.Err.size(), 0u);
    }
  }
}

// An endless standard input ends in a message at the documented limit, not in memory running
// out; nothing is written.
TEST(CliLoad, StandardInputHasALimit) {
  TTempDir dir;
  const TResult result = RunCliFrom(dir, {"-", "-o", "out.txt"}, "/dev/zero");
  EXPECT_EQ(result.Status, kInputOutput);
  EXPECT_EQ(result.Err, "korvane-cli: 標準入力が 1 GiB を超えたため、読み込みを中止しました。"
                        "大きな入力はファイル名で指定してください\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.txt")));
}

// The output file is written whole or not at all, and never when a step before it failed.
TEST(CliOutput, WrittenAtomicallyAndOnlyAfterEverythingSucceeded) {
  TTempDir dir;
  const std::string in = dir.Write("in.txt", "a\r\nb\r\n");
  const std::string out = dir.Write("out.txt", "old\r\n");
  const std::vector<std::string> before = FilesIn(dir);
  const std::vector<std::vector<std::string>> failing = {
      {in, "-o", out, "-e", "range 3 4", "-e", "trim"},   // a range checked after the load
      {in, dir.File("missing.txt"), "-o", out},           // a file that cannot be read
      {in, "-o", out, "-e", "frob"},                      // a command that does not exist
  };
  for (const std::vector<std::string>& args : failing) {
    SCOPED_TRACE(args.back());
    const TResult result = RunCli(dir, args);
    EXPECT_NE(result.Status, 0);
    EXPECT_EQ(TTempDir::Read(out), "old\r\n");
    EXPECT_EQ(FilesIn(dir), before);
  }
  const TResult written = RunCli(dir, {in, "-e", "suffix !", "--output=" + out});
  EXPECT_EQ(written.Status, 0) << written.Err;
  EXPECT_EQ(written.Out, "");
  EXPECT_EQ(TTempDir::Read(out), "a!\r\nb!\r\n");
  EXPECT_EQ(FilesIn(dir), before);
  // The input itself can be the output.
  EXPECT_EQ(RunCli(dir, {in, "-e", "prefix >", "-o", in}).Status, 0);
  EXPECT_EQ(TTempDir::Read(in), ">a\r\n>b\r\n");
  chmod(out.c_str(), 0444);
  const TResult readOnly = RunCli(dir, {in, "-o", out});
  EXPECT_EQ(readOnly.Status, kInputOutput);
  EXPECT_EQ(readOnly.Err, "korvane-cli: ﾌｧｲﾙ " + out + " を作成できません\n読み取り専用のﾌｧｲﾙです\n");
  EXPECT_EQ(TTempDir::Read(out), "a!\r\nb!\r\n");
}

// An output that is the input under another name is written in place (a hard link), piece by
// piece: what the document still needs of the input must not be read from the file meanwhile.
TEST(CliOutput, AnInputWrittenInPlaceUnderAnotherName) {
  TTempDir dir;
  std::string text;
  std::string want;
  for (int i = 0; want.size() < (4 << 20); ++i) {
    const std::string line = "line " + std::to_string(i);
    text += line + "\r";  // every line grows by the LF it gets
    want += line + "\r\n";
  }
  const std::string in = dir.Write("in.txt", text);
  const std::string link = dir.File("link.txt");
  std::filesystem::create_hard_link(in, link);
  for (const std::vector<std::string>& commands :
       {std::vector<std::string>{}, {"-e", "delete-lines-with 表"}}) {
    SCOPED_TRACE(commands.size());
    dir.Write("in.txt", text);
    std::vector<std::string> args = {in, "-o", link};
    args.insert(args.end(), commands.begin(), commands.end());
    const TResult result = RunCli(dir, args);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_TRUE(TTempDir::Read(in) == want);
  }
}

// A run killed while it overwrites a hard-linked output in place leaves the file's old content
// in a record of the data folder; the next run on that output puts it back before it reads
// anything, so the file is always its old or its new content. Every other kill falls in the
// overwriting itself, which begins when a whole record appears.
TEST(CliOutput, KilledInPlaceSavesAreRecoveredByTheNextRun) {
  TTempDir dir;
  std::string old;
  std::string now;
  for (int i = 0; old.size() < (6 << 20); ++i) old += "old line " + std::to_string(i) + "\r\n";
  for (int i = 0; now.size() < (5 << 20); ++i) now += "new " + std::to_string(i) + "\r\n";
  dir.Write("new.txt", now);
  const std::string path = dir.File("doc.txt");
  int recovered = 0;
  KillSavesAtRandomMoments(
      30, dataFolder->Path(),
      [&] {
        std::filesystem::remove(path);
        std::filesystem::remove(dir.File("other.txt"));
        dir.Write("doc.txt", old);
        std::filesystem::create_hard_link(path, dir.File("other.txt"));
      },
      [&] { return StartCli(dir, {"new.txt", "-o", "doc.txt"}); },
      [&](int run) {
        // The next run reads the file and writes it back as it is.
        const TResult next = RunCli(dir, {"doc.txt", "-o", "doc.txt"});
        EXPECT_EQ(next.Status, 0) << next.Err;
        if (!next.Err.empty()) {
          ++recovered;
          EXPECT_EQ(next.Err, "korvane-cli: ﾌｧｲﾙ doc.txt の保存が前回途中で中断されていたため、"
                              "保存前の内容に戻しました\n");
        }
        const std::string after = TTempDir::Read(path);
        EXPECT_TRUE(after == old || after == now) << "run " << run << ": " << after.size() << " bytes";
        EXPECT_EQ(TTempDir::Read(dir.File("other.txt")), after) << "run " << run;
        EXPECT_EQ(RecordsIn(dataFolder->Path()), 0u) << "run " << run;
      });
  RecordProperty("recovered", recovered);
}

// The README's examples on the shipped samples: the recipes still parse and do their job.
TEST(CliSamples, RecipesCleanThePageAndListTheArchives) {
  TTempDir dir;
  const std::string samples = KORVANE_SAMPLES;
  const TResult page = RunCli(
      dir, {samples + "/news-page.html", "-f", samples + "/clean-page.recipe", "--to", "utf-8"});
  EXPECT_EQ(page.Status, 0) << page.Err;
  EXPECT_EQ(page.Err, "");
  EXPECT_NE(page.Out.find("\r\n新着情報\r\n"), std::string::npos);
  EXPECT_NE(page.Out.find("© サンプル商店\r\n"), std::string::npos);
  for (const char* gone : {"<p>", "</", "<a ", "&nbsp;", "&copy;", "広告", "PR:", "\r\n\r\n", " \r\n"}) {
    EXPECT_EQ(page.Out.find(gone), std::string::npos) << gone;  // tags, entities, ads, blanks
  }
  std::vector<std::string> args = {"--drop"};
  for (const auto& entry : std::filesystem::directory_iterator(samples)) {
    if (entry.path().extension() == ".URL") args.push_back(entry.path().string());
  }
  std::sort(args.begin() + 1, args.end());
  args.insert(args.end(), {"-f", samples + "/url-list.recipe"});
  const TResult list = RunCli(dir, args);
  EXPECT_EQ(list.Status, 0) << list.Err;
  EXPECT_EQ(list.Out,
            "https://www.example.jp/files/manual.zip\r\n"
            "https://download.example.jp/tool/tool-v2.lzh\r\n");
}

// The sample recipe for saved pages on pages with numeric references, '&' and ';' in their
// text: every word a reader sees of the content stays; only the menu and ad lines it is meant
// for, and the scripts, go.
TEST(CliSamples, PageRecipeKeepsEveryWordOfTheContent) {
  struct Row { const char* page; std::vector<std::string> words; };
  const Row rows[] = {
      {"shop-news.html",
       {"提携のお知らせ - 技術ニュース", "海外企業と提携", "当社は AT&T と提携; 詳細は後日お知らせします。",
        "IBM: 人工知能の共同研究を始めます）", "研究費は 1,000 万円 & 人員は 5 名です。",
        "対象: C&C; R&D; Q&A の三部門", "価格は ¥500 から。", "© 2024 技術ニュース"}},
      {"company-blog.html",
       {"今日の献立", "材料：卵 2 個; 砂糖 大さじ 1; 塩 少々", "手順 1 > 卵を割る  手順 2 > 混ぜる",
        "コツ: 火加減は弱火 & ゆっくり。", "焼き時間は 3 分 ― 様子を見て調整。",
        "コメント (3) «前の記事 | 次の記事»"}},
      {"price-list.html",
       {"品名\t価格", "ノート A&B\t¥120;税込", "ペン \"黒\"\t¥80; 在庫あり",
        "注意：&記号; と ;区切り; はそのまま残ります", "<重要> 返品は 7 日以内 & 未開封のみ"}},
  };
  const std::string samples = KORVANE_SAMPLES;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.page);
    TTempDir dir;
    const TResult result = RunCli(dir, {std::string(KORVANE_TEST_DATA) + "/pages/" + row.page, "-f",
                                        samples + "/clean-page.recipe", "--to", "utf-8"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    for (const std::string& words : row.words) {
      EXPECT_NE(result.Out.find(words + "\r\n"), std::string::npos) << words << "\n" << result.Out;
    }
    for (const char* gone : {"トップ", "広告", "PR:", "firstView", "<p>", "&amp;", "&#"}) {
      EXPECT_EQ(result.Out.find(gone), std::string::npos) << gone;
    }
  }
}

TEST(CliHelp, ListsEveryCommandAndTheRecipeFormat) {
  TTempDir dir;
  const TResult help = RunCli(dir, {"--help"});
  EXPECT_EQ(help.Status, 0);
  for (const Commands::TInfo& info : Commands::Table()) {
    const std::string head = "\n  " + std::string(info.Name) + (info.Arguments.empty() ? " " : " " + std::string(info.Arguments));
    const std::size_t at = help.Out.find(head);
    ASSERT_NE(at, std::string::npos) << info.Name;
    const std::size_t end = help.Out.find('\n', at + 1);
    const std::string line = help.Out.substr(at, end - at);
    EXPECT_NE(line.find(std::string(info.Caption) + ": " + std::string(info.Description)),
              std::string::npos) << line;
  }
  for (const char* topic : {"-f, --recipe", "レシピ:", "--drop-empty", "--match-case",
                            "--keep-marks", "--use-file-name", "終了ステータス"}) {
    EXPECT_NE(help.Out.find(topic), std::string::npos) << topic;
  }
}

// The manual page and the shell completion list what the program itself knows: every command
// by name, every option --help lists, and each exit status.
TEST(CliHelp, ManualAndCompletionKnowEveryCommandAndOption) {
  TTempDir dir;
  const TResult names = RunCli(dir, {"--list-commands"});
  ASSERT_EQ(names.Status, 0);
  std::string expected;
  for (const Commands::TInfo& info : Commands::Table()) (expected += info.Name) += '\n';
  EXPECT_EQ(names.Out, expected);

  const auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string manual = read(KORVANE_SOURCE "/packaging/man/korvane-cli.1");
  const std::string bash = read(KORVANE_SOURCE "/packaging/completion/korvane-cli.bash");
  const std::string zsh = read(KORVANE_SOURCE "/packaging/completion/_korvane-cli");
  ASSERT_FALSE(manual.empty());
  for (const Commands::TInfo& info : Commands::Table()) {
    EXPECT_NE(manual.find("\n.B" + std::string(info.Arguments.empty() ? " " : "I \"") +
                          std::string(info.Name)),
              std::string::npos) << info.Name;
  }
  // Every long option of --help, in the manual (where groff wants "\-\-") and both completions.
  const TResult help = RunCli(dir, {"--help"});
  std::size_t options = 0;
  for (std::size_t at = help.Out.find("\n  "); at != std::string::npos;
       at = help.Out.find("\n  ", at + 1)) {
    const std::size_t dash = help.Out.find("--", at);
    if (dash == std::string::npos || help.Out.find('\n', at + 1) < dash) continue;
    const std::size_t end = help.Out.find_first_of(" \n", dash);
    const std::string option = help.Out.substr(dash, end - dash);
    if (option == "--") continue;
    ++options;
    const std::string escaped = "\\-\\-" + option.substr(2);
    EXPECT_NE(manual.find(escaped), std::string::npos) << option;
    const bool commandOption = option == "--drop-empty" || option == "--match-case" ||
                               option == "--keep-marks" || option == "--keep-links";
    if (!commandOption) {
      EXPECT_NE(bash.find(option), std::string::npos) << option;
      EXPECT_NE(zsh.find(option), std::string::npos) << option;
    }
  }
  EXPECT_GE(options, 14u);
  for (const char* status : {".B 0\n", ".B 1\n", ".B 2\n", ".B 3\n"}) {
    EXPECT_NE(manual.find(status), std::string::npos) << status;
  }
}

}  // namespace
