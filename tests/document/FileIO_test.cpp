// File access: failures carry their reason, and a save never leaves a half-written file.
#include "document/FileIO.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "document/Failures.h"
#include "tests/support/TempDir.h"

namespace {

std::size_t EntriesIn(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(FileIORead, FailuresNameTheirReason) {
  TTempDir dir;
  struct Row { std::string path; int code; const char* message; };
  const Row rows[] = {
      {dir.File("missing.txt"), ENOENT, "ﾌｧｲﾙが見つかりません"},
      {dir.Path(), EISDIR, "ﾌｫﾙﾀﾞはﾌｧｲﾙとして開けません"},
      {dir.Write("plain", "x") + "/below", ENOTDIR, "ﾊﾟｽが見つかりません"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    try {
      (void)FileIO::ReadWholeFile(row.path);
      ADD_FAILURE() << "no failure";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.ErrorCode, row.code);
      EXPECT_STREQ(e.what(), row.message);
    }
  }
}

TEST(FileIORead, WholeFileWithEveryByte) {
  TTempDir dir;
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i % 256);
  EXPECT_EQ(FileIO::ReadWholeFile(dir.Write("all.bin", bytes)), bytes);
  EXPECT_EQ(FileIO::ReadWholeFile(dir.Write("empty", "")), "");
}

TEST(FileIOWriteAtomically, ReplacesContentKeepsModeLeavesNoTemporaryFile) {
  TTempDir dir;
  const std::string path = dir.Write("doc.txt", "old content that is longer\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  FileIO::WriteFileAtomically(path, "new\r\n");
  EXPECT_EQ(TTempDir::Read(path), "new\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(FileIOWriteAtomically, SavingThroughALinkReplacesTheLinkedFile) {
  TTempDir dir;
  const std::string real = dir.Write("real.txt", "old");
  const std::string link = dir.File("link.txt");
  std::filesystem::create_symlink(real, link);
  FileIO::WriteFileAtomically(link, "new");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(TTempDir::Read(real), "new");
}

TEST(FileIOWriteAtomically, FailuresLeaveTheTargetAsItWas) {
  TTempDir dir;
  const std::string folderTarget = dir.File("sub");
  std::filesystem::create_directory(folderTarget);
  struct Row { std::string path; int code; };
  const Row rows[] = {
      {dir.File("missing/doc.txt"), ENOENT},
      {folderTarget, EISDIR},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    try {
      FileIO::WriteFileAtomically(row.path, "x");
      ADD_FAILURE() << "no failure";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.ErrorCode, row.code);
      EXPECT_EQ(std::string(e.what()).rfind("ﾌｧｲﾙ " + row.path + " を作成できません", 0), 0u);
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(folderTarget));
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(FileIOWriteAtomically, WriterDroppedBeforeCommitChangesNothing) {
  TTempDir dir;
  const std::string path = dir.Write("doc.txt", "old");
  {
    FileIO::TAtomicFileWriter writer(path);
    writer.Write("half of the new");
  }
  EXPECT_EQ(TTempDir::Read(path), "old");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(FailuresSystemErrorText, KnownCodesHaveTextsOthersTheirNumber) {
  struct Row { int code; const char* text; };
  const Row rows[] = {
      {ENOENT, "ﾌｧｲﾙが見つかりません"},
      {EACCES, "ﾌｧｲﾙ ｱｸｾｽが拒否されました"},
      {ENOSPC, "ﾃﾞｨｽｸがいっぱいです"},
      {EIO, "I/O ｴﾗｰ (5)"},
      {EXDEV, "I/O ｴﾗｰ (18)"},
  };
  for (const Row& row : rows) EXPECT_EQ(SystemErrorText(row.code), row.text);
}

}  // namespace
