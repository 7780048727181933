// The six-slot input histories and the history and memo files: slots taken and dropped, the
// file's lines as entries, every byte kept, damaged files, and writes that fail or replace.
#include "replace/History.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "document/Failures.h"
#include "document/FileIO.h"
#include "tests/support/Printable.h"
#include "tests/support/TempDir.h"

namespace {

using History::TSlots;
using Entries = std::vector<std::string>;

std::size_t EntriesIn(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(HistoryAddHistory, SlotsTakenInOrderOldestDropped) {
  struct Row {
    const char* rule;
    TSlots slots;
    std::string text;
    TSlots want;
  };
  const TSlots full = {"a", "b", "c", "d", "e", "f"};
  const Row rows[] = {
      {"first text into slot 0", {}, "a", {"a", "", "", "", "", ""}},
      {"the same text twice is added once", {"a", "", "", "", "", ""}, "a",
       {"a", "", "", "", "", ""}},
      {"compared byte for byte", {"a", "", "", "", "", ""}, "A", {"a", "A", "", "", "", ""}},
      {"slot 5 free: taken, nothing dropped", {"a", "b", "c", "d", "e", ""}, "f", full},
      {"full: the oldest dropped, the text in slot 5", full, "g",
       {"b", "c", "d", "e", "f", "g"}},
      {"full and already held: unchanged", full, "d", full},
      {"the lowest free slot, even between entries", {"a", "", "c", "", "e", "f"}, "x",
       {"a", "x", "c", "", "e", "f"}},
      {"empty text with a free slot: unchanged", {"a", "b", "", "", "", ""}, "",
       {"a", "b", "", "", "", ""}},
      {"empty text in a full history: oldest dropped, slot 5 free", full, "",
       {"b", "c", "d", "e", "f", ""}},
      {"double-byte text", {}, "\x95\x5C", {"\x95\x5C", "", "", "", "", ""}},  // 表
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    TSlots slots = row.slots;
    History::AddHistory(row.text, slots);
    EXPECT_EQ(slots, row.want);
  }
}

TEST(HistoryAddHistory, SeventhDistinctTextDropsTheFirst) {
  TSlots slots;
  for (const char* text : {"1", "2", "3", "4", "5", "6", "3", "7"}) History::AddHistory(text, slots);
  EXPECT_EQ(slots, (TSlots{"2", "3", "4", "5", "6", "7"}));
}

TEST(HistoryReadEntries, LinesOfTheFile) {
  struct Row {
    const char* rule;
    std::string bytes;
    Entries want;
  };
  const Row rows[] = {
      {"CR LF after every line", "a\r\nb\r\n", {"a", "b"}},
      {"last line without a break", "a\r\nb", {"a", "b"}},
      {"lone LF", "a\nb\n", {"a", "b"}},
      {"lone CR", "a\rb\r", {"a", "b"}},
      {"empty lines are entries", "a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"six empty lines", "\r\n\r\n\r\n\r\n\r\n\r\n", {"", "", "", "", "", ""}},
      {"CR then CR LF", "a\r\r\n", {"a", ""}},
      {"LF then CR is two breaks", "a\n\rb", {"a", "", "b"}},
      {"empty file", "", {}},
      {"NUL ends the text", std::string("a\r\nb\0c\r\nd\r\n", 11), {"a", "b"}},
      {"NUL first", std::string("\0a\r\n", 4), {}},
      {"spaces kept", " a \r\n\t\r\n", {" a ", "\t"}},
      {"a lone lead byte does not swallow the CR", "\x81\r\nx", {"\x81", "x"}},
      {"double-byte text", "\x95\x5C\x8E\xA6\r\n", {"\x95\x5C\x8E\xA6"}},  // 表示
      {"bytes that are not Shift-JIS", "\xFF\x80\xA0\xFD\r\n", {"\xFF\x80\xA0\xFD"}},
  };
  TTempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    const std::string path = dir.Write("e1.tmp", row.bytes);
    EXPECT_EQ(History::ReadEntries(path), row.want);
    // The first entries only, as far as they go.
    for (std::size_t most = 0; most <= row.want.size(); ++most) {
      EXPECT_EQ(History::ReadEntries(path, most), Entries(row.want.begin(), row.want.begin() + most));
    }
  }
}

// Files read in pieces: a CR LF, a NUL or an entry across a piece's edge reads as in one piece,
// and a limit stops early in a file of millions of lines.
TEST(HistoryReadEntries, PiecesOfTheFileJoinExactly) {
  TTempDir dir;
  const std::string head(65535, 'a');
  const std::string big(3 << 20, 'b');
  struct Row { const char* rule; std::string bytes; Entries want; };
  const Row rows[] = {
      {"CR LF across the edge", head + "\r\nz", {head, "z"}},
      {"CR at the edge, then text", head + "\rz", {head, "z"}},
      {"CR, CR LF across the edge", head.substr(1) + "\r\r\nz", {head.substr(1), "", "z"}},
      {"NUL after the edge", head + "xy" + std::string(1, '\0') + "\r\nz", {head + "xy"}},
      {"one entry of megabytes", big + "\r\n" + big, {big, big}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    EXPECT_EQ(History::ReadEntries(dir.Write("e1.tmp", row.bytes)), row.want);
  }
  std::string lines;
  for (int i = 0; i < 2'000'000; ++i) lines += std::to_string(i) + "\r\n";
  const std::string path = dir.Write("e2.tmp", lines);
  EXPECT_EQ(History::ReadEntries(path, History::kSlots), (Entries{"0", "1", "2", "3", "4", "5"}));
}

TEST(HistoryReadEntries, MissingFileHasNoEntriesOtherFailuresThrow) {
  TTempDir dir;
  EXPECT_EQ(History::ReadEntries(dir.File("e1.tmp")), Entries{});
  EXPECT_EQ(History::ReadEntries(dir.File("missing/e1.tmp")), Entries{});
  try {
    (void)History::ReadEntries(dir.Path());
    ADD_FAILURE() << "a folder was read";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, EISDIR);
  }
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW((void)History::ReadEntries(fifo), ENotRegularFile);
}

TEST(HistorySlotsFrom, FirstSixNonEmptyEntries) {
  struct Row {
    const char* rule;
    Entries entries;
    TSlots want;
  };
  const Row rows[] = {
      {"no entries", {}, {}},
      {"fewer than six", {"a", "b"}, {"a", "b", "", "", "", ""}},
      {"empty entries are free slots", {"", "b", "", "d"}, {"", "b", "", "d", "", ""}},
      {"eight entries: the first six", {"1", "2", "3", "4", "5", "6", "7", "8"},
       {"1", "2", "3", "4", "5", "6"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    EXPECT_EQ(History::SlotsFrom(row.entries), row.want);
  }
}

// A hand-edited file of eight lines: all eight are read; after an execution only the first six
// remain, and the file written at the end holds six lines.
TEST(HistoryFiles, EightLineFileBecomesSixSlots) {
  TTempDir dir;
  const std::string path = dir.Write("e1.tmp", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n");
  const Entries shown = History::ReadEntries(path);
  EXPECT_EQ(shown.size(), 8u);
  TSlots slots = History::SlotsFrom(shown);
  History::AddHistory("3", slots);
  History::WriteEntries(path, Entries(slots.begin(), slots.end()));
  EXPECT_EQ(TTempDir::Read(path), "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n");
}

TEST(HistoryFiles, FreeSlotsWrittenAsEmptyLines) {
  TTempDir dir;
  const std::string path = dir.File("e2.tmp");
  TSlots slots;
  History::AddHistory("a", slots);
  History::WriteEntries(path, Entries(slots.begin(), slots.end()));
  EXPECT_EQ(TTempDir::Read(path), "a\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_EQ(History::SlotsFrom(History::ReadEntries(path)), slots);
  History::WriteEntries(path, {});
  EXPECT_EQ(TTempDir::Read(path), "");
  EXPECT_EQ(History::ReadEntries(path), Entries{});
}

TEST(HistoryFiles, EveryByteButLineBreaksAndNulRoundTrips) {
  Entries entries;
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b == '\0' || b == '\r' || b == '\n') continue;
    entries.emplace_back(1, static_cast<char>(b));
    all += static_cast<char>(b);
  }
  entries.push_back(all);
  entries.push_back("");
  entries.push_back(all + all);
  entries.push_back("");
  std::string expected;
  for (const std::string& entry : entries) expected += entry + "\r\n";

  TTempDir dir;
  const std::string path = dir.File("memoclip.kvn");
  History::WriteEntries(path, entries);
  EXPECT_EQ(Printable(TTempDir::Read(path)), Printable(expected));
  EXPECT_EQ(History::ReadEntries(path), entries);
}

// Damaged files are read whole, quickly, and never give an entry holding a line break or NUL.
TEST(HistoryFiles, DamagedFilesAreRead) {
  std::mt19937 random(20260315);
  std::string randomBytes(1 << 20, ' ');
  for (char& c : randomBytes) c = static_cast<char>(random() & 0xFF);
  std::string noNul = randomBytes;
  for (char& c : noNul) {
    if (c == '\0') c = '\x81';
  }
  std::string manyLines;
  for (int i = 0; i < 10'000; ++i) manyLines += "line " + std::to_string(i) + "\r\n";

  struct Row {
    const char* rule;
    std::string bytes;
    std::size_t entries;  // 0: not checked
  };
  const Row rows[] = {
      {"NUL in the middle", std::string("a\r\nb\0\r\nc\r\n", 9), 2},
      {"one line of 1 MB", std::string(1 << 20, 'x'), 1},
      {"one line of 1 MB of lone lead bytes", std::string(1 << 20, '\x81'), 1},
      {"10,000 lines", manyLines, 10'000},
      {"1 MB of random bytes", randomBytes, 0},
      {"1 MB of random bytes without NUL", noNul, 0},
  };
  TTempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    const Entries entries = History::ReadEntries(dir.Write("e3.tmp", row.bytes));
    if (row.entries != 0) {
      EXPECT_EQ(entries.size(), row.entries);
    }
    std::size_t bytes = 0;
    for (const std::string& entry : entries) {
      EXPECT_EQ(entry.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
      bytes += entry.size();
    }
    EXPECT_LE(bytes, row.bytes.size());
    EXPECT_LE(History::SlotsFrom(entries).size(), 6u);
  }
  // Without a NUL every byte that is not a line break stays in some entry.
  const Entries entries = History::ReadEntries(dir.Write("e3.tmp", noNul));
  std::size_t kept = 0;
  for (const std::string& entry : entries) kept += entry.size();
  std::size_t breaks = 0;
  for (const char c : noNul) breaks += (c == '\r' || c == '\n');
  EXPECT_EQ(kept + breaks, noNul.size());
}

TEST(HistoryWriteEntries, MissingFolderFailsAndLeavesNothing) {
  TTempDir dir;
  const std::string path = dir.File("gone/e1.tmp");
  try {
    History::WriteEntries(path, {"a"});
    ADD_FAILURE() << "written into a missing folder";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.ErrorCode, ENOENT);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("gone")));
  EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

// The old file is replaced by a complete new one: a reader that opened the old file still sees
// its whole old content, and no temporary file stays behind.
TEST(HistoryWriteEntries, ExistingFileReplacedWhole) {
  TTempDir dir;
  const std::string path = dir.Write("memoclip.kvn", "old 1\r\nold 2\r\n");
  const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  History::WriteEntries(path, {"new"});
  char buffer[64] = {};
  const ssize_t n = ::pread(reader, buffer, sizeof buffer, 0);
  ::close(reader);
  EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "old 1\r\nold 2\r\n");
  EXPECT_EQ(TTempDir::Read(path), "new\r\n");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

// A write that fails part-way (here at the file-size limit, in a child process so that the
// limit stays there) leaves the old file as it was.
TEST(HistoryWriteEntries, FailedWriteKeepsTheOldFile) {
  TTempDir dir;
  const std::string path = dir.Write("memoclip.kvn", "old\r\n");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    FileIO::IgnoreFileSizeSignal();
    const struct rlimit limit {4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
    try {
      History::WriteEntries(path, Entries(1000, "an entry of the memo clip"));
    } catch (const EInOutError& e) {
      ::_exit(e.ErrorCode == EFBIG ? 0 : 2);
    } catch (...) {
      ::_exit(4);
    }
    ::_exit(1);  // written past the limit
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(TTempDir::Read(path), "old\r\n");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

}  // namespace
