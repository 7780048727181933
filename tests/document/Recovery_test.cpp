// The crash-recovery record: what a run left is found and rebuilt (snapshot and journal), a
// running program's record is never taken, and damaged records say so.
#include "document/Recovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tests/support/TempDir.h"

namespace {

using Recovery::FindRecords;

Recovery::TMeta Meta() {
  Recovery::TMeta meta;
  meta.Shown = "/doc/ページ.html";
  meta.FileName = "/doc/ページ.txt";
  meta.Format = 3;
  TForeignChars::TEntry e1;
  e1.CodePoint = U'é';
  TForeignChars::TEntry e2;
  e2.IsByte = true;
  e2.Byte = 0xFF;
  meta.Foreign = {e1, e2};
  meta.Time = 1765000000;
  return meta;
}

// A writer that took a snapshot and edits, then let go as a killed program would.
std::string LeaveRecord(const std::string& folder) {
  Recovery::TWriter writer(folder);
  writer.Snapshot(std::make_shared<const std::string>("old\r\n"), Meta());
  writer.Snapshot(std::make_shared<const std::string>("abc\r\ndef\r\n"), Meta());
  writer.Edit(0, 1, "X");          // Xbc
  writer.Edit(5, 0, "\x82\xA0\r\n");  // a line after the first
  writer.Edit(9, 3, "");               // "def" goes
  writer.Abandon();
  return std::filesystem::directory_iterator(folder)->path().string();
}

TEST(Recovery, AKilledRunsRecordIsRebuilt) {
  TTempDir dir;
  LeaveRecord(dir.Path());
  const std::vector<Recovery::TFound> found = FindRecords(dir.Path());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Problem, "");
  EXPECT_EQ(found[0].Text, "Xbc\r\n\x82\xA0\r\n\r\n");
  EXPECT_EQ(found[0].Edits, 3);
  EXPECT_EQ(found[0].Meta.Shown, Meta().Shown);
  EXPECT_EQ(found[0].Meta.FileName, Meta().FileName);
  EXPECT_EQ(found[0].Meta.Format, 3u);
  ASSERT_EQ(found[0].Meta.Foreign.size(), 2u);
  EXPECT_EQ(found[0].Meta.Foreign[0].CodePoint, U'é');
  EXPECT_TRUE(found[0].Meta.Foreign[1].IsByte);
  EXPECT_EQ(found[0].Meta.Time, 1765000000);
  Recovery::RemoveRecord(found[0].Record);
  EXPECT_TRUE(FindRecords(dir.Path()).empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(Recovery, RunningProgramsRecordsAreLeftAloneAndADiscardedOneIsGone) {
  TTempDir dir;
  Recovery::TWriter running(dir.Path());
  running.Snapshot(std::make_shared<const std::string>("mine\r\n"), Meta());
  running.Flush();
  ASSERT_TRUE(running.HasRecord());
  EXPECT_TRUE(FindRecords(dir.Path()).empty());
  running.Discard();
  running.Flush();
  EXPECT_FALSE(running.HasRecord());
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// Each kind of damage: the rest of the record, or a message, never a wrong document.
TEST(Recovery, DamagedRecordsSaySoOrKeepWhatIsWhole) {
  struct Row {
    const char* damage;
    const char* file;
    std::function<void(std::string&)> change;
    std::string text;     // rebuilt, when no problem
    std::string problem;  // else
  };
  const Row rows[] = {
      {"a torn last edit", "journal", [](std::string& b) { b.resize(b.size() - 3); },
       "Xbc\r\n\x82\xA0\r\ndef\r\n", ""},
      {"a changed edit", "journal", [](std::string& b) { b[b.size() - 12] ^= 1; },
       "Xbc\r\n\x82\xA0\r\ndef\r\n", ""},
      {"no journal", "journal", [](std::string& b) { b.clear(); }, "abc\r\ndef\r\n", ""},
      {"a changed text", "snapshot", [](std::string& b) { b[b.size() - 2] ^= 1; }, "",
       "記録が壊れています"},
      {"a cut snapshot", "snapshot", [](std::string& b) { b.resize(b.size() / 2); }, "",
       "記録が壊れています"},
      {"a newer version", "snapshot", [](std::string& b) { b[17] = '2'; }, "",
       "新しい版の Korvane が残した記録です"},
  };
  for (const Row& row : rows) {
    TTempDir dir;
    const std::string record = LeaveRecord(dir.Path());
    const std::string path = record + "/" + row.file;
    std::string bytes = TTempDir::Read(path);
    row.change(bytes);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    const std::vector<Recovery::TFound> found = FindRecords(dir.Path());
    ASSERT_EQ(found.size(), 1u) << row.damage;
    EXPECT_EQ(found[0].Problem, row.problem) << row.damage;
    EXPECT_EQ(found[0].Text, row.text) << row.damage;
  }
}

// A data folder where no record can be made (here a file stands where its folder would go):
// the failure is told once, and the writer goes on without a record.
TEST(Recovery, AFolderThatCannotBeMadeIsToldOnce) {
  TTempDir dir;
  const std::string blocked = dir.Write("data", "a file, not a folder");
  Recovery::TWriter writer(blocked + "/recovery");
  writer.Snapshot(std::make_shared<const std::string>("x\r\n"), Meta());
  writer.Edit(0, 0, "y");
  writer.Flush();
  EXPECT_NE(writer.TakeFailure(), "");
  EXPECT_EQ(writer.TakeFailure(), "");
  EXPECT_FALSE(writer.HasRecord());
}

}  // namespace
