// Backup records of in-place saves: what the next run makes of a record in every state the
// file can be left in, and saves killed at random moments, which must never leave a file that
// is neither old nor new once the records are dealt with.
#include "document/SaveRecord.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "document/Failures.h"
#include "document/FileIO.h"
#include "tests/support/Records.h"
#include "tests/support/TempDir.h"

namespace {

std::uint64_t ChecksumOf(std::string_view bytes) {
  FileIO::TChecksum sum;
  sum.Add(bytes);
  return sum.Value();
}

// A record of rewriting path from its present content to `now`, as a writer makes it.
std::unique_ptr<FileIO::TSaveRecord> RecordFor(const std::string& folder, const std::string& path,
                                               const std::string& now) {
  const int old = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  auto record = std::make_unique<FileIO::TSaveRecord>(folder, FileIO::ResolvedTarget(path), path,
                                                      old, now.size(), ChecksumOf(now));
  ::close(old);
  return record;
}

TEST(SaveRecord, TheNextRunKeepsOnlyTheRecordsOfDamagedFiles) {
  const std::string old = "the old content\r\nof two lines\r\n";
  const std::string now = "the new content\r\n";
  struct Row {
    const char* name;
    std::optional<std::string> fileAfter;  // nothing: the file was removed
    bool found;
  };
  const Row rows[] = {
      {"killed before the first byte changed", old, false},
      {"killed after the last byte was flushed", now, false},
      {"killed while overwriting", now + old.substr(now.size()), true},
      {"killed while cutting the old tail", old.substr(0, now.size()), true},
      {"the file is gone", std::nullopt, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TTempDir dir;
    TTempDir records;
    const std::string path = dir.Write("doc.txt", old);
    RecordFor(records.Path(), path, now).reset();  // the writer died: the record stays
    if (row.fileAfter) {
      dir.Write("doc.txt", *row.fileAfter);
    } else {
      std::filesystem::remove(path);
    }
    const std::vector<FileIO::TInterruptedSave> found = FileIO::FindInterruptedSaves(records.Path());
    ASSERT_EQ(found.size(), row.found ? 1u : 0u);
    EXPECT_EQ(RecordsIn(records.Path()), found.size());
    if (!row.found) continue;
    EXPECT_EQ(found[0].Target, FileIO::ResolvedTarget(path));
    EXPECT_EQ(found[0].OldSize, static_cast<std::int64_t>(old.size()));
    EXPECT_EQ(found[0].TargetGone, !row.fileAfter);
    FileIO::RestoreInterruptedSave(found[0]);
    EXPECT_EQ(TTempDir::Read(path), old);
    EXPECT_EQ(RecordsIn(records.Path()), 0u);
  }
}

TEST(SaveRecord, RunningSavesForeignFilesAndOtherTargetsAreLeftAlone) {
  TTempDir dir;
  TTempDir records;
  const std::string a = dir.Write("a.txt", "a old");
  const std::string b = dir.Write("b.txt", "b old");
  RecordFor(records.Path(), a, "a new").reset();
  RecordFor(records.Path(), b, "b new").reset();
  dir.Write("a.txt", "a ne");
  dir.Write("b.txt", "b ne");
  const std::string foreign = records.Write("notes.korvane-backup-mine", "not a record");
  {
    // A save still running holds its record: nobody else takes it.
    const std::string c = dir.Write("c.txt", "c old");
    const auto running = RecordFor(records.Path(), c, "c new");
    dir.Write("c.txt", "c n");
    EXPECT_EQ(FileIO::FindInterruptedSaves(records.Path()).size(), 2u);
    running->Remove();
  }
  // Only the records of the target asked for, under any name of it.
  ASSERT_EQ(::symlink("a.txt", dir.File("link-to-a.txt").c_str()), 0);
  const auto ofA = FileIO::FindInterruptedSaves(records.Path(), dir.File("link-to-a.txt"));
  ASSERT_EQ(ofA.size(), 1u);
  EXPECT_EQ(ofA[0].Target, FileIO::ResolvedTarget(a));
  FileIO::DiscardInterruptedSave(ofA[0]);
  EXPECT_EQ(TTempDir::Read(a), "a ne");  // given up: the file stays as it is
  EXPECT_EQ(FileIO::FindInterruptedSaves(records.Path()).size(), 1u);
  EXPECT_EQ(TTempDir::Read(foreign), "not a record");
}

// A writer killed while it was still copying the old content had not touched its file: the
// half-made record is simply removed.
TEST(SaveRecord, HalfMadeRecordIsRemoved) {
  TTempDir dir;
  TTempDir records;
  const std::string path = dir.Write("doc.txt", "old");
  RecordFor(records.Path(), path, "new").reset();
  const std::string record = std::filesystem::directory_iterator(records.Path())->path().string();
  const int fd = ::open(record.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_EQ(::pwrite(fd, "KORVANE-PENDING1", 16, 0), 16);
  ::close(fd);
  dir.Write("doc.txt", "ne");
  EXPECT_TRUE(FileIO::FindInterruptedSaves(records.Path()).empty());
  EXPECT_EQ(RecordsIn(records.Path()), 0u);
}

// Saves of a hard-linked file, killed at random moments: once the records are dealt with, the
// file holds its old or its new content, and no record is left. Every other kill falls in the
// short time in which the file itself is overwritten, which the parent sees by the record
// appearing.
TEST(SaveRecord, KilledInPlaceSavesLeaveTheOldOrTheNewFile) {
  TTempDir dir;
  TTempDir records;
  const std::string path = dir.File("doc.txt");
  const std::string old(6 << 20, 'o');
  const std::string now(5 << 20, 'n');
  int restored = 0;
  KillSavesAtRandomMoments(
      30, records.Path(),
      [&] {
        std::filesystem::remove(path);
        std::filesystem::remove(dir.File("other.txt"));
        dir.Write("doc.txt", old);
        ASSERT_EQ(::link(path.c_str(), dir.File("other.txt").c_str()), 0);
      },
      [&] {
        const pid_t pid = ::fork();
        if (pid == 0) {
          FileIO::SetBackupFolder(records.Path());
          try {
            FileIO::WriteFileAtomically(path, now);
          } catch (...) {
            ::_exit(1);
          }
          ::_exit(0);
        }
        return pid;
      },
      [&](int run) {
        for (const FileIO::TInterruptedSave& interrupted :
             FileIO::FindInterruptedSaves(records.Path())) {
          FileIO::RestoreInterruptedSave(interrupted);
          ++restored;
        }
        const std::string after = TTempDir::Read(path);
        EXPECT_TRUE(after == old || after == now) << "run " << run << ": " << after.size() << " bytes";
        EXPECT_EQ(TTempDir::Read(dir.File("other.txt")), after) << "run " << run;
        EXPECT_EQ(RecordsIn(records.Path()), 0u) << "run " << run;
      });
  RecordProperty("restored", restored);
}

}  // namespace
