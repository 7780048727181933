// The document text with the editor's rules, and the loads that fill it: Open, Append, a drop,
// the notices of cut text, and every failure path.
#include "document/DocumentText.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "convert/ConversionRoad.h"
#include "tests/support/LineLists.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::string_literals;

Lines LinesOf(const TDocumentText& document) {
  Lines lines;
  for (std::int32_t i = 0; i < document.LineCount(); ++i) lines.emplace_back(document.Line(i));
  return lines;
}

void ExpectSameDocument(const TDocumentText& got, const TDocumentText& want) {
  EXPECT_EQ(got.Text(), want.Text());
  EXPECT_EQ(LinesOf(got), LinesOf(want));
  EXPECT_EQ(got.EndsWithBreak(), want.EndsWithBreak());
}

TDocumentText DocumentOf(std::string_view text) {
  TDocumentText document;
  document.SetText(text);
  return document;
}

TEST(DocumentText, SetTextTakesTheEditorsLines) {
  struct Row { std::string text; Lines lines; std::string whole; bool endsWithBreak; };
  const Row rows[] = {
      {"", {}, "", true},                                  // an empty editor has no line
      {"a\r\nb\r\n", {"a", "b"}, "a\r\nb\r\n", true},      // a final break adds no line
      {"a\r\nb", {"a", "b"}, "a\r\nb", false},             // nor does a missing one
      {"a\rb\n", {"a", "b"}, "a\r\nb\r\n", true},          // lone CR and LF become CR LF
      {"a\n\rb", {"a", "", "b"}, "a\r\n\r\nb", false},     // LF then CR: two breaks
      {"a\r\r\nb", {"a", "", "b"}, "a\r\n\r\nb", false},
      {"a\r\n\r\n", {"a", ""}, "a\r\n\r\n", true},
      {"\r\n", {""}, "\r\n", true},
      {"a\0b\r\n"s, {"a"}, "a", false},                     // the text ends at its first NUL
      {"a\r\n\0b"s, {"a"}, "a\r\n", true},
      {"\0a"s, {}, "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.text));
    const TDocumentText document = DocumentOf(row.text);
    EXPECT_EQ(LinesOf(document), row.lines);
    EXPECT_EQ(document.LineCount(), static_cast<std::int32_t>(row.lines.size()));
    EXPECT_EQ(document.Text(), row.whole);
    EXPECT_EQ(document.EndsWithBreak(), row.endsWithBreak);
    EXPECT_EQ(document.Line(document.LineCount()), "");  // past the last line
  }
}

TEST(DocumentText, AppendLinesGoesAfterTheLastLine) {
  struct Row { std::string document; std::string appended; std::string want; };
  const Row rows[] = {
      {"a\r\nb\r\n", "c\r\nd\r\n", "a\r\nb\r\nc\r\nd\r\n\r\n"},  // one empty line follows
      {"", "c\r\nd\r\n", "c\r\nd\r\n\r\n"},
      {"x", "y\r\n", "x\r\ny\r\n"},              // no final break: a CR LF comes first
      {"x", "", "x\r\n"},
      {"a\r\n", "", "a\r\n\r\n"},
      {"", "", "\r\n"},
      {"a", "b\0c\r\n"s, "a\r\nb"},               // the appended text ends at its NUL
      {"a\r\n", "\nb", "a\r\n\r\nb\r\n"},
      {"a\r\n", "b\rc", "a\r\nb\r\nc\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.document + " + " + row.appended));
    TDocumentText document = DocumentOf(row.document);
    document.AppendLines(row.appended);
    ExpectSameDocument(document, DocumentOf(row.want));
  }
}

// Taking a list over must give exactly what joining it and setting the text gives, whatever
// bytes its lines hold.
TEST(DocumentText, SetLinesIsSetTextOfTheJoinedLines) {
  std::mt19937 random(20261208);
  const std::string alphabet = "ab \r\n\0\x1A\x81\x5C\xE0"s;
  for (int round = 0; round < 400; ++round) {
    auto lines = std::make_unique<TLightStrings>();
    const int count = static_cast<int>(random() % 6);
    for (int i = 0; i < count; ++i) {
      std::string line;
      const int length = static_cast<int>(random() % 20);  // past a word of eight bytes
      // Most rounds hold plain lines only, the rest bytes that end or break lines.
      const std::size_t letters = round % 3 == 0 ? alphabet.size() : 3;
      for (int j = 0; j < length; ++j) line += alphabet[random() % letters];
      lines->Add(line);
    }
    const std::string joined = lines->GetText();
    SCOPED_TRACE(testing::PrintToString(joined));
    TDocumentText document = DocumentOf("old\r\n");
    document.SetLines(lines);
    ExpectSameDocument(document, DocumentOf(joined));
    EXPECT_EQ(lines->Count(), 0);
  }
}

// Keeping some lines in place gives what the conversion road and SetLines give with a rule that
// appends the lines it keeps: also for a range past the last line, an empty range and an empty
// document.
TEST(DocumentText, KeepLinesIfIsSetLinesOfTheKeptLines) {
  const std::function<bool(std::string_view)> keeps[] = {
      [](std::string_view line) { return line.find('a') != std::string_view::npos; },
      [](std::string_view line) { return line.empty(); },
      [](std::string_view) { return false; },
      [](std::string_view) { return true; },
  };
  std::mt19937 random(1208);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 6);
    for (int i = 0; i < count; ++i) {
      for (unsigned n = random() % 3; n > 0; --n) text += "ab"[random() % 2];
      text += "\r\n";
    }
    const std::int32_t first = static_cast<std::int32_t>(random() % 4);
    const std::int32_t last = static_cast<std::int32_t>(random() % 6) - 1;
    const auto& keep = keeps[round % std::size(keeps)];
    SCOPED_TRACE(testing::PrintToString(text) + " " + std::to_string(first) + ".." +
                 std::to_string(last) + " keep " + std::to_string(round % std::size(keeps)));
    TDocumentText document = DocumentOf(text);
    auto converted = std::make_unique<TLightStrings>();
    ConversionRoad::Run(document.Lines(), document.LineCount(), {first, last},
                        [&keep](std::string_view line, TLightStrings& out) {
                          if (keep(line)) out.Add(line);
                        },
                        *converted);
    TDocumentText want = DocumentOf(text);
    want.SetLines(converted);
    document.KeepLinesIf(first, last, keep);
    ExpectSameDocument(document, want);
  }
}

TEST(DocumentText, WriteTextHandsOverTheWholeTextInPieces) {
  const std::string longLine(3'000'000, 'x');
  TLightStrings list;
  for (int i = 0; i < 50'000; ++i) list.Add("line " + std::to_string(i));
  list.Add(longLine);
  list.Add("");
  list.Add("last");
  const std::string joined = list.GetText();
  for (const std::string& text : {joined, joined.substr(0, joined.size() - 2)}) {
    const TDocumentText document = DocumentOf(text);
    std::string written;
    std::size_t pieces = 0;
    document.WriteText([&](std::string_view piece) {
      written += piece;
      ++pieces;
    });
    EXPECT_EQ(written, text);
    EXPECT_GT(pieces, 2u);
  }
}

// ---- loads ----

struct TFile {
  std::string name;
  std::string bytes;
};

DocumentLoad::TSource SourceOf(const TTempDir& dir, const std::string& name) {
  const std::string path = dir.File(name);
  return {.Path = path, .Shown = path, .FileName = name, .FileNameCp932 = name, .Content = {}};
}

// Writes the files into the folder, as sources in their order.
std::vector<DocumentLoad::TSource> WrittenSources(const TTempDir& dir, const std::vector<TFile>& files) {
  std::vector<DocumentLoad::TSource> sources;
  for (const TFile& file : files) {
    dir.Write(file.name, file.bytes);
    sources.push_back(SourceOf(dir, file.name));
  }
  return sources;
}

TEST(DocumentLoad, OpenAppendAndDropJoinAsTheWindowDoes) {
  enum class TWay { OpenThenAppend, Drop, DropOnDocument };
  struct Row {
    const char* name;
    std::vector<TFile> files;
    TWay way;
    bool useFileName;
    std::string want;
  };
  const std::string shortcut = "[InternetShortcut]\r\nURL=http://a.jp/x\r\n";
  const Row rows[] = {
      {"open", {{"ab.txt", "a\r\nb\r\n"}}, TWay::OpenThenAppend, false, "a\r\nb\r\n"},
      {"open and append: one empty line after the appended lines",
       {{"ab.txt", "a\r\nb\r\n"}, {"cd.txt", "c\r\nd\r\n"}}, TWay::OpenThenAppend, false,
       "a\r\nb\r\nc\r\nd\r\n\r\n"},
      {"drop of two: each followed by an empty line", {{"x.txt", "x\r\n"}, {"y.txt", "y\r\n"}},
       TWay::Drop, false, "x\r\n\r\ny\r\n\r\n"},
      {"drop of one: an empty line that Open would not add", {{"x.txt", "x\r\n"}}, TWay::Drop,
       false, "x\r\n\r\n"},
      {"drop on a document: right after its text", {{"b.txt", "b\r\n"}}, TWay::DropOnDocument,
       false, "doc\r\nb\r\n\r\n"},
      {"html: NUL made a blank, LF a break", {{"p.html", "a\0b\nc"s}}, TWay::OpenThenAppend,
       false, "a b\r\nc\r\n"},
      {"text: NUL ends the document", {{"p.txt", "a\0b\r\nc\r\n"s}}, TWay::OpenThenAppend, false,
       "a"},
      {"text: a lone LF stays in the line, the editor breaks it", {{"p.txt", "x\ny\n"}},
       TWay::OpenThenAppend, false, "x\r\ny\r\n\r\n"},
      {"shortcut: its address and an empty line", {{"s.URL", shortcut}}, TWay::OpenThenAppend,
       false, "http://a.jp/x\r\n\r\n"},
      {"shortcut with its file name", {{"site.URL", shortcut}}, TWay::OpenThenAppend, true,
       "site\r\nhttp://a.jp/x\r\n\r\n"},
      {"shortcuts dropped with their names", {{"a.URL", shortcut}, {"b.url", shortcut}},
       TWay::Drop, true, "a\r\nhttp://a.jp/x\r\n\r\n\r\nb.url\r\nhttp://a.jp/x\r\n\r\n\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    std::vector<DocumentLoad::TSource> sources = WrittenSources(dir, row.files);
    DocumentLoad::TLoader loader(row.useFileName, {});
    TDocumentText document;
    if (row.way == TWay::OpenThenAppend) {
      loader.Open(document, sources[0]);
      for (std::size_t i = 1; i < sources.size(); ++i) loader.Append(document, sources[i]);
    } else {
      const bool onDocument = row.way == TWay::DropOnDocument;
      if (onDocument) document.SetText("doc\r\n"s);
      loader.Merge(document, sources, onDocument);
    }
    EXPECT_EQ(document.Text(), row.want);
  }
}

TEST(DocumentLoad, CutTextIsNoted) {
  struct Row {
    const char* name;
    std::vector<TFile> files;
    bool drop;
    std::vector<DocumentLoad::TCutNotice> want;
  };
  const Row rows[] = {
      {"0x1A with bytes after it", {{"cut.txt", "a\r\nb\r\nc\x1A" "d\r\n"}}, false,
       {{"cut.txt", 2, false, false}}},
      {"NUL in the middle", {{"cut.txt", "a\r\nb\0c\r\n"s}}, false, {{"cut.txt", 1, true, false}}},
      {"a final 0x1A cuts nothing", {{"end.txt", "a\r\n\x1A"}}, false, {}},
      {"a final NUL cuts nothing", {{"end.txt", "a\0"s}}, false, {}},
      {"a NUL in an appended file", {{"a.txt", "a\r\n"}, {"b.txt", "b\0c"s}}, false,
       {{"b.txt", 0, true, false}}},
      {"a final NUL in a drop cuts the files after it",
       {{"a.txt", "a\0"s}, {"b.txt", "b\r\n"}}, true, {{"a.txt", 0, true, true}}},
      {"the last file of a drop", {{"a.txt", "a\r\n"}, {"b.txt", "b\0"s}}, true, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    std::vector<DocumentLoad::TSource> sources = WrittenSources(dir, row.files);
    DocumentLoad::TLoader loader(false, {});
    TDocumentText document;
    if (row.drop) {
      loader.Merge(document, sources, false);
    } else {
      loader.Open(document, sources[0]);
      for (std::size_t i = 1; i < sources.size(); ++i) loader.Append(document, sources[i]);
    }
    ASSERT_EQ(loader.Notices().size(), row.want.size());
    for (std::size_t i = 0; i < row.want.size(); ++i) {
      const DocumentLoad::TCutNotice& got = loader.Notices()[i];
      EXPECT_EQ(got.FileName, row.want[i].FileName);
      EXPECT_EQ(got.Line, row.want[i].Line);
      EXPECT_EQ(got.AtNul, row.want[i].AtNul);
      EXPECT_EQ(got.LaterFilesToo, row.want[i].LaterFilesToo);
    }
  }
}

TEST(DocumentLoad, CutNoticeTextNamesTenFilesAtMost) {
  DocumentLoad::TCutNotices notices;
  notices.push_back({"文書.txt", 2, false, false});
  notices.push_back({"b.txt", 0, true, true});
  const std::string two = DocumentLoad::CutNoticeText(notices);
  EXPECT_TRUE(two.starts_with("次のファイルは途中までしか読み込まれていません。")) << two;
  EXPECT_NE(two.find("\n・文書.txt の 3 行目にあるファイル終端文字 (0x1A) より後ろ"), std::string::npos);
  EXPECT_NE(two.find("\n・b.txt の 1 行目にある NUL 文字 (0x00) より後ろ（後に続くファイルを含む）"),
            std::string::npos);
  for (int i = 0; i < 10; ++i) notices.push_back({"n" + std::to_string(i), i, true, false});
  const std::string many = DocumentLoad::CutNoticeText(notices);
  EXPECT_NE(many.find("n7"), std::string::npos);
  EXPECT_EQ(many.find("n8"), std::string::npos);
  EXPECT_TRUE(many.ends_with("\nほか 2 件")) << many;
  EXPECT_EQ(DocumentLoad::CutNoticeText({}), "");
}

TEST(DocumentLoad, StandardInputIsReadAsATextFile) {
  DocumentLoad::TSource input{.Path = "標準入力", .Shown = "標準入力", .FileName = "標準入力",
                              .FileNameCp932 = "", .Content = "a\nb\r\nc\x1A" "d"s};
  DocumentLoad::TLoader loader(false, {});
  TDocumentText document;
  loader.Open(document, std::move(input));
  EXPECT_EQ(document.Text(), "a\r\nb\r\nc\r\n");
  ASSERT_EQ(loader.Notices().size(), 1u);
  EXPECT_EQ(loader.Notices()[0].FileName, "標準入力");
  EXPECT_EQ(loader.Notices()[0].Line, 1);
}

TEST(DocumentLoad, LostHtmlIsToldAndGivesNoLines) {
  TTempDir dir;
  dir.Write("x.txt", "x\r\n");
  ASSERT_EQ(::symlink("lost.html", dir.File("lost.html").c_str()), 0);  // exists, cannot be opened
  std::vector<std::string> told;
  DocumentLoad::TLoader loader(false, [&](const std::string& message) { told.push_back(message); });
  TDocumentText document;
  loader.Merge(document, {SourceOf(dir, "lost.html"), SourceOf(dir, "x.txt")}, false);
  EXPECT_EQ(told, std::vector<std::string>{DocumentLoad::HtmlLostText("lost.html")});
  EXPECT_EQ(told[0],
            "指定ファイル lost.htmlは保存の途中でした。処理により当該ファイルは失われたため、"
            "再度保存を実行してください。");
  EXPECT_EQ(document.Text(), "\r\nx\r\n\r\n");

  // Without a way to tell it, the lost page fails the load and names the file.
  DocumentLoad::TLoader strict(false, nullptr);
  TDocumentText untouched;
  untouched.SetText(std::string_view("keep\r\n"));
  try {
    strict.Merge(untouched, {SourceOf(dir, "x.txt"), SourceOf(dir, "lost.html")}, true);
    ADD_FAILURE() << "the lost page was taken as read";
  } catch (const DocumentLoad::ELoadError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("ﾌｧｲﾙ " + dir.File("lost.html") + " を読み込めません", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(untouched.Text(), "keep\r\n");
}

TEST(DocumentLoad, FailuresNameTheFileAndLeaveTheDocument) {
  enum class TWay { Open, Append, Drop };
  struct Row { const char* name; TWay way; const char* file; const char* reason; std::string after; };
  const Row rows[] = {
      {"open missing", TWay::Open, "missing.txt", "ﾌｧｲﾙが見つかりません", ""},
      {"append missing", TWay::Append, "missing.txt", "ﾌｧｲﾙが見つかりません", "doc\r\n"},
      {"drop with a one-line shortcut", TWay::Drop, "one.URL",
       "インデックスがリストの範囲を超えています", "doc\r\n"},
      {"open a folder", TWay::Open, "folder", "ﾌｫﾙﾀﾞはﾌｧｲﾙとして開けません", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    dir.Write("ok.txt", "ok\r\n");
    dir.Write("one.URL", "[InternetShortcut]\r\n");
    std::filesystem::create_directory(dir.File("folder"));
    DocumentLoad::TLoader loader(false, {});
    TDocumentText document;
    document.SetText("doc\r\n"s);
    const DocumentLoad::TSource source = SourceOf(dir, row.file);
    try {
      if (row.way == TWay::Open) loader.Open(document, source);
      if (row.way == TWay::Append) loader.Append(document, source);
      if (row.way == TWay::Drop) loader.Merge(document, {SourceOf(dir, "ok.txt"), source}, true);
      FAIL() << "no failure";
    } catch (const DocumentLoad::ELoadError& failure) {
      EXPECT_EQ(std::string(failure.what()),
                "ﾌｧｲﾙ " + dir.File(row.file) + " を読み込めません\n" + row.reason);
    }
    EXPECT_EQ(document.Text(), row.after);
  }
}

}  // namespace
