// Document readers: golden files for the text and HTML paths, shortcuts, the NUL scrub and
// the file-name helpers that choose the reader.
#include "document/Readers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "document/DocumentText.h"
#include "document/editor/TextBuffer.h"

#include "document/Failures.h"
#include "tests/support/TempDir.h"

#include "tests/support/LineLists.h"

namespace {


TEST(ReadersFileNames, ExtensionNameAndChange) {
  struct Row { const char* path; const char* ext; const char* name; const char* txt; };
  const Row rows[] = {
      {"/a/page.htm", ".htm", "page.htm", "/a/page.txt"},
      {"/a.d/page", "", "page", "/a.d/page.txt"},          // a dot in the folder is no extension
      {"/a/arc.tar.gz", ".gz", "arc.tar.gz", "/a/arc.tar.txt"},
      {"site.URL", ".URL", "site.URL", "site.txt"},
      {"/a/.hidden", ".hidden", ".hidden", "/a/.txt"},
      {"新規文書", "", "新規文書", "新規文書.txt"},
      {"/a/b/", "", "", "/a/b/.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(Readers::ExtractFileExt(row.path), row.ext);
    EXPECT_EQ(Readers::ExtractFileName(row.path), row.name);
    EXPECT_EQ(Readers::ChangeFileExt(row.path, ".txt"), row.txt);
  }
}

TEST(ReadersFileNames, ReaderChoiceByExtensionInAnyCase) {
  struct Row { const char* path; bool shortcut; bool html; };
  const Row rows[] = {
      {"a.URL", true, false},   {"a.url", true, false},    {"a.Url", true, false},
      {"a.url.txt", false, false}, {"url", false, false},  {"/x.url/a", false, false},
      {"a.htm", false, true},   {"a.HTML", false, true},   {"a.shtml", false, true},
      {"a.xhtml", false, false}, {"a.html.bak", false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(Readers::IsShortcutFile(row.path), row.shortcut);
    EXPECT_EQ(Readers::IsHtmlFile(row.path), row.html);
  }
}

TEST(ReadersScrubNulBytes, AllButTheLastByteBecomeBlanks) {
  using namespace std::string_literals;
  struct Row { std::string in; bool ok; std::string out; };
  const Row rows[] = {
      {"", false, ""},
      {"\0"s, false, "\0"s},            // fewer than 2 bytes: untouched
      {"\0\0"s, true, " \0"s},
      {"a\0b"s, true, "a b"},
      {"\0ab\0"s, true, " ab\0"s},      // the last byte stays
  };
  for (const Row& row : rows) {
    TMemoryStream stream(row.in);
    stream.SetPosition(static_cast<std::int64_t>(row.in.size()));
    EXPECT_EQ(Readers::ScrubNulBytes(stream), row.ok);
    EXPECT_EQ(stream.Bytes(), row.out);
    if (row.ok) {
      EXPECT_EQ(stream.Position(), 0);
    }
  }
}

TEST(ReadersScrubNulBytes, LargeStreamAcrossChunks) {
  std::string bytes(200000, 'a');
  for (std::size_t i = 0; i < bytes.size(); i += 997) bytes[i] = '\0';
  bytes.back() = '\0';
  TMemoryStream stream(bytes);
  ASSERT_TRUE(Readers::ScrubNulBytes(stream));
  EXPECT_EQ(std::count(stream.Bytes().begin(), stream.Bytes().end(), '\0'), 1);
  EXPECT_EQ(stream.Bytes().back(), '\0');
}

TEST(ReadersReadDocumentFile, GoldenFiles) {
  struct Row { const char* folder; const char* input; std::int32_t stoppedAt; };
  const Row rows[] = {
      {"html-nul-scrubbed", "input.html", -1},
      {"text-nul-kept", "input.txt", -1},
      {"text-lf-only", "input.txt", -1},
      {"html-lf-only", "input.HTML", -1},
      {"html-one-byte", "input.htm", -1},
      {"html-empty", "input.html", -1},
      {"shtml-cr-only", "input.shtml", -1},
      {"text-eof-byte", "input.txt", 1},
      {"text-invalid-sjis", "input.txt", -1},
      {"no-extension", "input", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    const std::string folder = std::string(KORVANE_TEST_DATA) + "/readers/" + row.folder;
    TLightStrings list;
    list.Add("old");
    const Readers::TReadReport report = Readers::ReadDocumentFile(folder + "/" + row.input, list);
    EXPECT_FALSE(report.HtmlOpenFailed);
    EXPECT_EQ(report.StoppedAtLine, row.stoppedAt);
    EXPECT_EQ(list.GetText(), TTempDir::Read(folder + "/expected.sjis"));
  }
}

TEST(ReadersReadDocumentFile, OpenFailures) {
  TTempDir dir;
  TLightStrings list;
  // A page whose name exists but cannot be opened (here a link that loops) is reported, not
  // raised; the list is empty.
  ASSERT_EQ(::symlink("loop.html", dir.File("loop.html").c_str()), 0);
  list.Add("old");
  const Readers::TReadReport report = Readers::ReadDocumentFile(dir.File("loop.html"), list);
  EXPECT_TRUE(report.HtmlOpenFailed);
  EXPECT_EQ(report.HtmlOpenError, ELOOP);
  EXPECT_EQ(list.Count(), 0);
  // A missing name or a folder raises the input/output failure, for a page as for any file.
  const std::string folderPage = dir.File("folder.html");
  ASSERT_EQ(::mkdir(folderPage.c_str(), 0755), 0);
  for (const std::string& name : {dir.File("gone.html"), folderPage, dir.File("gone.txt"),
                                  dir.Path()}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(Readers::ReadDocumentFile(name, list), EInOutError);
  }
}

TEST(ReadersReadShortcutFile, AddressNameAndEmptyLine) {
  struct Row { std::string bytes; const char* name; bool useName; Lines want; };
  const Row rows[] = {
      {"[InternetShortcut]\r\nURL=http://x.jp/a\r\n", "site.URL", false, {"http://x.jp/a", ""}},
      {"[InternetShortcut]\r\nURL=http://x.jp/a\r\n", "site.URL", true,
       {"site", "http://x.jp/a", ""}},
      {"[InternetShortcut]\r\nURL=u\r\n", "site.url", true, {"site.url", "u", ""}},  // small .url stays
      {"[InternetShortcut]\r\nURL=u\r\n", "a.URL.URL", true, {"a", "u", ""}},        // before the first
      {"[S]\r\nIconIndex=0\r\nURL=u\r\n", "a.URL", false, {"IconIndex=0", ""}},      // always line 2
      {"[S]\r\nxURL=aURL=b\r\n", "a.URL", false, {"xab", ""}},                      // every URL= goes
  };
  TTempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bytes);
    const std::string path = dir.Write(row.name, row.bytes);
    TLightStrings list;
    Readers::ReadShortcutFile(path, row.name, row.useName, list);
    EXPECT_EQ(LinesOf(list), row.want);
  }
}

TEST(ReadersReadShortcutFile, FailuresAndNonShortcuts) {
  TTempDir dir;
  TLightStrings list;
  list.Add("old");
  Readers::ReadShortcutFile(dir.Write("a.txt", "x\r\nURL=y\r\n"), "a.txt", true, list);
  EXPECT_EQ(list.Count(), 0);  // not a shortcut: nothing added
  const std::string oneLine = dir.Write("one.URL", "[InternetShortcut]\r\n");
  try {
    Readers::ReadShortcutFile(oneLine, "one.URL", false, list);
    ADD_FAILURE() << "no failure";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "インデックスがリストの範囲を超えています");
  }
  EXPECT_THROW(Readers::ReadShortcutFile(dir.File("gone.URL"), "gone.URL", false, list),
               EInOutError);
}

TEST(ReadersFindNulCut, WhereTheEditorWouldEndTheText) {
  using namespace std::string_literals;
  struct Row { Lines lines; std::int32_t line; bool drops; };
  const Row rows[] = {
      {{"a", "b"}, -1, false},
      {{"a", "b\0"s}, 1, false},        // only the final line break follows the NUL
      {{"a\0"s, "b"}, 0, true},
      {{"a", "\0b"s}, 1, true},
      {{"x\0y\0"s}, 0, true},
  };
  for (const Row& row : rows) {
    TLightStrings list;
    for (const std::string& line : row.lines) list.Add(line);
    const Readers::TNulCut cut = Readers::FindNulCut(list);
    EXPECT_EQ(cut.Line, row.line);
    EXPECT_EQ(cut.DropsText, row.drops);
  }
}

}  // namespace

namespace {

// The document a list of lines makes, in the editor's buffer and in the command line's text.
struct TMade {
  std::string Buffer;
  std::string Document;
};
TMade MadeOfText(std::string text) {
  TTextBuffer buffer;
  buffer.SetBytes(text);
  TDocumentText document;
  document.SetText(std::move(text));
  return {std::string(buffer.Contiguous()), document.Text()};
}
TMade MadeOfLines(TLightStrings& list) {
  TTextBuffer buffer;
  buffer.SetBytes(list.GetText());
  auto lines = std::make_unique<TLightStrings>();
  for (std::int32_t i = 0; i < list.Count(); ++i) lines->Add(list.View(i));
  TDocumentText document;
  document.SetLines(lines);
  return {std::string(buffer.Contiguous()), document.Text()};
}

}  // namespace

// A file read as one text makes the same document, the same 0x1A report and the same NUL cut
// as its list of lines, for text files and pages, from disk and from memory.
TEST(ReadersReadDocumentText, SameDocumentAsTheLines) {
  const std::string pieces[] = {"a", "bc", "\r", "\n", "\r\n", std::string(1, '\0'), "\x1A",
                                "\x82\xa0", " ", "\r\n"};
  TTempDir dir;
  std::mt19937 random(7);
  for (int round = 0; round < 4000; ++round) {
    std::string bytes;
    const int count = static_cast<int>(random() % 10);
    for (int i = 0; i < count; ++i) bytes += pieces[random() % std::size(pieces)];
    for (const bool html : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << round << (html ? " html " : " text ") << testing::PrintToString(bytes));
      const std::string path = dir.Write(html ? "r.html" : "r.txt", bytes);
      TLightStrings list;
      const Readers::TReadReport listed = Readers::ReadDocumentFile(path, list);
      const Readers::TNulCut listCut = Readers::FindNulCut(list);
      const TMade expected = MadeOfLines(list);
      for (const bool fromDisk : {true, false}) {
        const Readers::TReadText read =
            fromDisk ? Readers::ReadDocumentText(path) : Readers::DocumentBytesAsText(bytes, html);
        const TMade made = MadeOfText(read.Text);
        ASSERT_EQ(made.Buffer, expected.Buffer);
        ASSERT_EQ(made.Document, expected.Document);
        ASSERT_EQ(read.Report.StoppedAtLine, listed.StoppedAtLine);
        const Readers::TNulCut cut = Readers::FindNulCut(read.Text);
        ASSERT_EQ(cut.Line, listCut.Line);
        ASSERT_EQ(cut.DropsText, listCut.DropsText);
      }
    }
  }
}

// A mapped file (the command line maps large inputs) makes the same document without a copy:
// its end after a 0x1A, a NUL or a lone LF, or with no break at all.
TEST(ReadersReadDocumentText, MappedFilesMakeTheSameDocument) {
  const std::string tails[] = {"",          "b",         "b\n",
                               "b\r",       "b\r\n",     "b\n\r\n",
                               "b\x1A",     "b\x1A\r\nc", "\nb\nc\n",
                               std::string("b\0c", 3), std::string("b\0", 2),
                               std::string("b\0\r\n", 4), std::string("\0", 1)};
  TTempDir dir;
  FileIO::SetMapFilesForReading(true, std::nullopt);
  for (const std::string& tail : tails) {
    const std::string bytes = std::string(1 << 20, 'a') + "\r\n" + tail;
    SCOPED_TRACE(testing::PrintToString(tail));
    const std::string path = dir.Write("big.txt", bytes);
    TLightStrings list;
    const Readers::TReadReport listed = Readers::ReadDocumentFile(path, list);
    Readers::TReadText read = Readers::ReadDocumentText(path);
    ASSERT_TRUE(read.Mapped.has_value());
    const Readers::TNulCut cut = Readers::FindNulCut(read.Mapped->Bytes, read.BreakAfter);
    EXPECT_EQ(cut.Line, Readers::FindNulCut(list).Line);
    EXPECT_EQ(cut.DropsText, Readers::FindNulCut(list).DropsText);
    EXPECT_EQ(read.Report.StoppedAtLine, listed.StoppedAtLine);
    TDocumentText document;
    document.SetRead(std::move(read));
    EXPECT_EQ(document.Text(), MadeOfLines(list).Document);
  }
  FileIO::SetMapFilesForReading(false, std::nullopt);
}
