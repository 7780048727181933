// File access: failures carry their reason, and a save never leaves a half-written file.
#include "document/FileIO.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "document/Failures.h"
#include "document/LightStr.h"
#include "document/Readers.h"
#include "tests/support/MappedReads.h"
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

// The rest of a file, whether it is mapped or read, and also when part of it was read before.
TEST(FileIORead, ContentIsTheRestOfTheFileMappedOrRead) {
  TTempDir dir;
  std::string bytes;
  for (int i = 0; i < (1 << 20) + 70000; ++i) bytes += static_cast<char>(i * 7 % 256);
  struct Row { const char* name; std::string bytes; bool mapped; std::size_t readFirst; };
  const Row rows[] = {
      {"large, read", bytes, false, 0},
      {"large, mapped", bytes, true, 0},
      {"large, mapped, after a read", bytes, true, 10},
      {"small, mapped", bytes.substr(0, 5000), true, 0},
      {"empty, mapped", "", true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const TMappedReads mapped(row.mapped);
    FileIO::TInputFile file(dir.Write("in.bin", row.bytes));
    std::string first(row.readFirst, '\0');
    ASSERT_EQ(file.Read(first.data(), first.size()), row.readFirst);
    const FileIO::TContent content = FileIO::ReadContent(file);
    EXPECT_TRUE(content.Bytes == std::string_view(row.bytes).substr(row.readFirst));
    char more = 0;
    EXPECT_EQ(file.Read(&more, 1), 0u);  // nothing is left to read
  }
}

// Leaves a Unix socket file at path; the socket itself is closed, the name stays.
void BindSocketFile(const std::string& path) {
  sockaddr_un address {};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

// Ends the test process when a read blocks, instead of letting the run hang.
class TDeadline {
 public:
  explicit TDeadline(unsigned seconds) { ::alarm(seconds); }
  ~TDeadline() { ::alarm(0); }
  TDeadline(const TDeadline&) = delete;
  TDeadline& operator=(const TDeadline&) = delete;
};

TEST(FileIORead, PipesSocketsAndDevicesAreRefusedAtOnce) {
  TTempDir dir;
  struct Kind { const char* name; ENotRegularFile::TKind kind; const char* message; };
  const Kind kinds[] = {
      {"pipe", ENotRegularFile::TKind::NamedPipe, "通常のﾌｧｲﾙではないため読み込めません（名前付きﾊﾟｲﾌﾟ）"},
      {"socket", ENotRegularFile::TKind::Socket, "通常のﾌｧｲﾙではないため読み込めません（ｿｹｯﾄ）"},
      {"null", ENotRegularFile::TKind::Device, "通常のﾌｧｲﾙではないため読み込めません（ﾃﾞﾊﾞｲｽ）"},
  };
  for (const char* ext : {".txt", ".html"}) {
    const std::string stem = dir.File("");
    ASSERT_EQ(::mkfifo((stem + "pipe" + ext).c_str(), 0644), 0);
    BindSocketFile(stem + "socket" + ext);
    std::filesystem::create_symlink("/dev/null", stem + "null" + ext);
  }
  struct Reader { const char* name; std::function<void(const std::string&)> read; };
  const Reader readers[] = {
      {"ReadWholeFile", [](const std::string& path) { (void)FileIO::ReadWholeFile(path); }},
      {"LoadFromFile", [](const std::string& path) { TLightStrings().LoadFromFile(path); }},
      {"ReadDocumentFile", [](const std::string& path) {
         TLightStrings list;
         (void)Readers::ReadDocumentFile(path, list);
       }},
  };
  const TDeadline deadline(10);
  for (const Kind& kind : kinds) {
    for (const char* ext : {".txt", ".html"}) {
      for (const Reader& reader : readers) {
        const std::string path = dir.File(std::string(kind.name) + ext);
        SCOPED_TRACE(std::string(reader.name) + " " + path);
        try {
          reader.read(path);
          ADD_FAILURE() << "read";
        } catch (const ENotRegularFile& e) {
          EXPECT_EQ(e.Kind, kind.kind);
          EXPECT_STREQ(e.what(), kind.message);
        }
      }
    }
  }
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
      {EFBIG, "ﾌｧｲﾙｻｲｽﾞの上限を超えたため書き込めません"},
      {EIO, "I/O ｴﾗｰ (5)"},
      {EXDEV, "I/O ｴﾗｰ (18)"},
  };
  for (const Row& row : rows) EXPECT_EQ(SystemErrorText(row.code), row.text);
}

}  // namespace
