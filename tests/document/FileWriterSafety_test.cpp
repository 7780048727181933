// Saving never loses a file: read-only targets are refused, hard links and unwritable folders
// are written in place with a backup, owner and mode survive, and neither the file-size limit
// nor a killed process leaves a half-written file or a stray temporary file.
//
// Cases that depend on privilege run twice when the tests run as root: once as root, once in a
// forked child that has become nobody. Checks made in a child are gathered in TFindings and
// sent back through a pipe, since the child's own gtest results are lost.
#include "document/FileIO.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "document/Failures.h"
#include "document/LightStr.h"
#include "tests/support/TempDir.h"

namespace {

constexpr uid_t kNobody = 65534;

class TFindings {
 public:
  void Expect(bool ok, const std::string& what) {
    if (!ok) failures_.push_back(what);
  }
  template <class T, class U>
  void Equal(const T& got, const U& want, const std::string& what) {
    if (got == want) return;
    std::ostringstream text;
    text << what << ": got [" << got << "], want [" << want << "]";
    failures_.push_back(text.str());
  }
  void Fail(const std::string& what) { failures_.push_back(what); }
  [[nodiscard]] const std::vector<std::string>& Failures() const { return failures_; }

 private:
  std::vector<std::string> failures_;
};

using TCase = std::function<void(TFindings&)>;

void SendAll(int fd, const std::string& bytes) {
  std::string_view rest(bytes);
  while (!rest.empty()) {
    const ssize_t n = ::write(fd, rest.data(), rest.size());
    if (n <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::string ReceiveAll(int fd) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

// Runs body in a forked child (as nobody when asked) and returns what it found, together with
// any abnormal end of the child. Each finding travels NUL-terminated.
std::vector<std::string> RunInChild(const TCase& body, bool asNobody) {
  int channel[2];
  if (::pipe(channel) != 0) return {"pipe failed"};
  const pid_t pid = ::fork();
  if (pid < 0) return {"fork failed"};
  if (pid == 0) {
    ::close(channel[0]);
    TFindings findings;
    if (asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                     ::setuid(kNobody) != 0)) {
      findings.Fail("cannot become nobody");
    } else {
      if (asNobody) ::setenv("TMPDIR", "/tmp", 1);
      try {
        body(findings);
      } catch (const std::exception& e) {
        findings.Fail(std::string("uncaught failure: ") + e.what());
      }
    }
    std::string report;
    for (const std::string& failure : findings.Failures()) report += failure + '\0';
    SendAll(channel[1], report);
    ::_exit(0);
  }
  ::close(channel[1]);
  const std::string report = ReceiveAll(channel[0]);
  ::close(channel[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  std::vector<std::string> failures;
  for (std::size_t at = 0; at < report.size();) {
    const std::size_t end = report.find('\0', at);
    failures.push_back(report.substr(at, end - at));
    at = end + 1;
  }
  if (WIFSIGNALED(status)) {
    failures.push_back("child killed by signal " + std::to_string(WTERMSIG(status)));
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) != 0) failures.push_back("child failed");
  return failures;
}

void ReportAll(const std::vector<std::string>& failures, const char* who) {
  for (const std::string& failure : failures) ADD_FAILURE() << who << ": " << failure;
}

// The case as the current user, and again as nobody when that user is root.
void RunAsRootAndAsNobody(const TCase& body) {
  TFindings findings;
  body(findings);
  ReportAll(findings.Failures(), ::geteuid() == 0 ? "as root" : "as this user");
  if (::geteuid() == 0) ReportAll(RunInChild(body, true), "as nobody");
}

std::size_t EntriesIn(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw std::runtime_error("cannot stat " + path);
  return info;
}

// Sets a folder's mode for the scope and gives it back its writable mode afterwards, so that
// the folder can be cleaned away by an unprivileged user too.
class TFolderMode {
 public:
  TFolderMode(std::string folder, mode_t mode) : folder_(std::move(folder)) {
    ::chmod(folder_.c_str(), mode);
  }
  ~TFolderMode() { ::chmod(folder_.c_str(), 0755); }
  TFolderMode(const TFolderMode&) = delete;
  TFolderMode& operator=(const TFolderMode&) = delete;

 private:
  std::string folder_;
};

// The backup folder for the scope; the process default again afterwards.
class TBackupFolder {
 public:
  TBackupFolder() { FileIO::SetBackupFolder(dir_.Path()); }
  ~TBackupFolder() { FileIO::SetBackupFolder(""); }
  TBackupFolder(const TBackupFolder&) = delete;
  TBackupFolder& operator=(const TBackupFolder&) = delete;
  [[nodiscard]] const std::string& Path() const { return dir_.Path(); }
  [[nodiscard]] std::size_t Entries() const { return EntriesIn(dir_.Path()); }

 private:
  TTempDir dir_;
};

// The two ways the program saves: bytes as they are, and a line list.
enum class TSaver { Bytes, Lines };

const char* NameOf(TSaver saver) { return saver == TSaver::Bytes ? "bytes" : "lines"; }

// Saves content, which ends every line with CR LF so that a line list writes it back unchanged.
void Save(TSaver saver, const std::string& path, const std::string& content) {
  if (saver == TSaver::Bytes) {
    FileIO::WriteFileAtomically(path, content);
    return;
  }
  TLightStrings lines;
  lines.SetText(content);
  lines.SaveToFile(path);
}

void SetFileSizeLimit(rlim_t bytes) {
  const struct rlimit limit {bytes, bytes};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
}

TEST(FileWriterReadOnly, TargetThatMayNotBeWrittenIsRefusedUntouched) {
  RunAsRootAndAsNobody([](TFindings& f) {
    struct Row { mode_t mode; TSaver saver; };
    const Row rows[] = {
        {0444, TSaver::Bytes}, {0400, TSaver::Lines}, {0555, TSaver::Bytes}, {0000, TSaver::Lines},
    };
    for (const Row& row : rows) {
      const std::string trace = "mode " + std::to_string(row.mode) + " " + NameOf(row.saver);
      TTempDir dir;
      TBackupFolder backups;
      const std::string path = dir.Write("doc.txt", "old\r\n");
      ::chmod(path.c_str(), row.mode);
      try {
        Save(row.saver, path, "new\r\n");
        f.Fail(trace + ": saved");
      } catch (const EFCreateError& e) {
        f.Equal(e.ErrorCode, EACCES, trace + " code");
        f.Equal(std::string(e.what()),
                "ﾌｧｲﾙ " + path + " を作成できません\n" + kReadOnlyFileReason, trace + " message");
      }
      f.Equal(StatOf(path).st_mode & 07777, row.mode, trace + " mode");
      ::chmod(path.c_str(), 0600);
      f.Equal(TTempDir::Read(path), "old\r\n", trace + " content");
      f.Equal(EntriesIn(dir.Path()), 1u, trace + " folder entries");
      f.Equal(backups.Entries(), 0u, trace + " backups");
    }
  });
}

TEST(FileWriterInPlace, FileInUnwritableFolderIsRewrittenWhereItIs) {
  RunAsRootAndAsNobody([](TFindings& f) {
    struct Row { const char* old; const char* now; TSaver saver; };
    const Row rows[] = {
        {"a long old content\r\nwith two lines\r\n", "short\r\n", TSaver::Bytes},
        {"x\r\n", "a longer new content\r\n", TSaver::Lines},
        {"", "from nothing\r\n", TSaver::Bytes},
        {"to nothing\r\n", "", TSaver::Bytes},
    };
    for (const Row& row : rows) {
      const std::string trace = std::string("old [") + row.old + "] " + NameOf(row.saver);
      TTempDir dir;
      TBackupFolder backups;
      const std::string path = dir.Write("doc.txt", row.old);
      const ino_t inode = StatOf(path).st_ino;
      {
        const TFolderMode readOnly(dir.Path(), 0555);
        try {
          Save(row.saver, path, row.now);
        } catch (const std::exception& e) {
          f.Fail(trace + ": " + e.what());
        }
      }
      f.Equal(TTempDir::Read(path), row.now, trace + " content");
      f.Equal(StatOf(path).st_ino, inode, trace + " inode");
      f.Equal(EntriesIn(dir.Path()), 1u, trace + " folder entries");
      f.Equal(backups.Entries(), 0u, trace + " backups");
    }
  });
}

TEST(FileWriterInPlace, HardLinkedFileStaysOneFileUnderBothNames) {
  struct Row { const char* savedName; TSaver saver; };
  const Row rows[] = {{"first.txt", TSaver::Bytes}, {"second.txt", TSaver::Lines}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.savedName);
    TTempDir dir;
    TBackupFolder backups;
    const std::string first = dir.Write("first.txt", "old content\r\n");
    const std::string second = dir.File("second.txt");
    ASSERT_EQ(::link(first.c_str(), second.c_str()), 0);
    Save(row.saver, dir.File(row.savedName), "new\r\n");
    EXPECT_EQ(TTempDir::Read(first), "new\r\n");
    EXPECT_EQ(TTempDir::Read(second), "new\r\n");
    EXPECT_EQ(StatOf(first).st_ino, StatOf(second).st_ino);
    EXPECT_EQ(StatOf(first).st_nlink, 2u);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
    EXPECT_EQ(backups.Entries(), 0u);
  }
}

// How a test sends a writer down the in-place route.
enum class TInPlaceCause { HardLink, UnwritableFolder };

TEST(FileWriterInPlace, TargetIsUntouchedUntilCommitAndAfterADroppedWriter) {
  struct Row { TInPlaceCause cause; const char* partial; };
  const Row rows[] = {
      {TInPlaceCause::HardLink, "a new beginning that is longer than the old content"},
      {TInPlaceCause::HardLink, "n"},
      {TInPlaceCause::UnwritableFolder, "a new beginning that is longer than the old content"},
      {TInPlaceCause::UnwritableFolder, ""},
      {TInPlaceCause::UnwritableFolder, nullptr},  // no Write at all
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.partial == nullptr ? "no write" : row.partial);
    TTempDir dir;
    TBackupFolder backups;
    const std::string path = dir.Write("doc.txt", "old content\r\n");
    if (row.cause == TInPlaceCause::HardLink) {
      ASSERT_EQ(::link(path.c_str(), dir.File("other.txt").c_str()), 0);
    }
    {
      const bool unwritable = row.cause == TInPlaceCause::UnwritableFolder;
      const TFolderMode mode(dir.Path(), unwritable ? 0555 : 0755);
      FileIO::TAtomicFileWriter writer(path);
      if (row.partial != nullptr) writer.Write(row.partial);
      EXPECT_EQ(TTempDir::Read(path), "old content\r\n");
      EXPECT_EQ(backups.Entries(), 0u);  // the new content waits in an unnamed file
    }
    EXPECT_EQ(TTempDir::Read(path), "old content\r\n");
    EXPECT_EQ(backups.Entries(), 0u);
  }
}

// Where the file-size limit stops an in-place save, the target keeps its old content and no
// record is left: writing the new content, making the record, or overwriting the target.
TEST(FileWriterInPlace, FailuresAtEveryStepKeepTheOldContent) {
  enum class TStep { Staging, Record, Overwrite };
  struct Row { TStep step; std::size_t oldSize; const char* failure; };
  const Row rows[] = {
      {TStep::Staging, 1000, "EFWriteError"},     // the limit stops the new content
      {TStep::Record, 64 * 1024, "EFCreateError"},  // the old content does not fit a record
      {TStep::Overwrite, 1000, "EFWriteError"},   // the target stops at the limit; put back
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failure + std::to_string(row.oldSize));
    ReportAll(RunInChild([row](TFindings& f) {
      FileIO::IgnoreFileSizeSignal();
      TTempDir dir;
      TBackupFolder backups;
      const std::string old(row.oldSize, 'o');
      const std::string path = dir.Write("doc.txt", old);
      ::link(path.c_str(), dir.File("other.txt").c_str());
      FileIO::TAtomicFileWriter writer(path);
      const std::string now(100 * 1024, 'n');
      std::string failure = "none";
      std::string message;
      try {
        if (row.step == TStep::Staging) SetFileSizeLimit(4096);
        writer.Write(now);
        if (row.step != TStep::Staging) SetFileSizeLimit(4096);
        writer.Commit();
      } catch (const EFWriteError& e) {
        failure = "EFWriteError";
        message = e.what();
        f.Equal(e.ErrorCode, EFBIG, "code");
      } catch (const EFCreateError& e) {
        failure = "EFCreateError";
        message = e.what();
        f.Equal(e.ErrorCode, EFBIG, "code");
      } catch (const std::exception& e) {
        failure = e.what();
      }
      f.Equal(failure, std::string(row.failure), "failure");
      f.Expect(message.find(path) != std::string::npos, "the message names the file: " + message);
      // A failure in the backup folder names that folder, not only the file.
      if (row.step != TStep::Overwrite) {
        f.Expect(message.find(backups.Path()) != std::string::npos,
                 "the message names the folder: " + message);
      }
      f.Expect(TTempDir::Read(path) == old, "old content kept");
      f.Equal(backups.Entries(), 0u, "records left");
      try {
        writer.Commit();
        f.Fail("spent writer committed");
      } catch (const EInOutError& e) {
        f.Equal(e.ErrorCode, EBADF, "spent writer");
      }
    }, false), "child");
  }
}

// Names that are not regular files are never replaced by one; a dangling link gets the file it
// points at; a loop of links is refused.
TEST(FileWriterTargets, OnlyRegularFilesAreReplaced) {
  TTempDir dir;
  TBackupFolder backups;
  const std::string pipe = dir.File("pipe.txt");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  ASSERT_EQ(::link(pipe.c_str(), dir.File("pipe-link.txt").c_str()), 0);
  ASSERT_EQ(::symlink("/dev/null", dir.File("null-link.txt").c_str()), 0);
  ASSERT_EQ(::symlink("loop.txt", dir.File("loop.txt").c_str()), 0);
  ASSERT_EQ(::symlink("b-loop.txt", dir.File("a-loop.txt").c_str()), 0);
  ASSERT_EQ(::symlink("a-loop.txt", dir.File("b-loop.txt").c_str()), 0);
  const std::string notAFolder = dir.Write("not-a-folder", "");
  const std::string plain = dir.Write("plain.txt", "old");
  ASSERT_EQ(::link(plain.c_str(), dir.File("plain-link.txt").c_str()), 0);

  struct Row { std::string path; int code; std::string reason; };
  const std::string loop = "ｼﾝﾎﾞﾘｯｸ ﾘﾝｸがﾙｰﾌﾟしているか、多すぎます";
  const Row rows[] = {
      {pipe, EINVAL, "通常のﾌｧｲﾙではないため書き込めません（名前付きﾊﾟｲﾌﾟ）"},
      {dir.File("pipe-link.txt"), EINVAL, "通常のﾌｧｲﾙではないため書き込めません（名前付きﾊﾟｲﾌﾟ）"},
      {"/dev/null", EINVAL, "通常のﾌｧｲﾙではないため書き込めません（ﾃﾞﾊﾞｲｽ）"},
      {dir.File("null-link.txt"), EINVAL, "通常のﾌｧｲﾙではないため書き込めません（ﾃﾞﾊﾞｲｽ）"},
      {dir.File("loop.txt"), ELOOP, loop},
      {dir.File("a-loop.txt"), ELOOP, loop},
      {dir.File("no/such/folder.txt"), ENOENT, "ﾌｧｲﾙが見つかりません"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    try {
      FileIO::WriteFileAtomically(row.path, "new");
      ADD_FAILURE() << "saved";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.ErrorCode, row.code);
      EXPECT_EQ(e.what(), "ﾌｧｲﾙ " + row.path + " を作成できません\n" + row.reason);
    }
  }
  EXPECT_TRUE(S_ISFIFO(StatOf(pipe).st_mode));
  EXPECT_TRUE(S_ISCHR(StatOf("/dev/null").st_mode));
  struct stat link {};
  EXPECT_EQ(::lstat(dir.File("loop.txt").c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));

  // A backup folder that cannot be made is named in the refusal; the file stays as it was.
  FileIO::SetBackupFolder(notAFolder + "/backups");
  try {
    FileIO::WriteFileAtomically(plain, "new");
    ADD_FAILURE() << "saved";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.ErrorCode, ENOTDIR);
    EXPECT_EQ(e.what(), "ﾌｧｲﾙ " + plain + " を作成できません\n作業用のﾌｧｲﾙを ﾌｫﾙﾀﾞ " + notAFolder +
                            "/backups に書き込めません\nﾊﾟｽが見つかりません");
  }
  FileIO::SetBackupFolder(backups.Path());
  EXPECT_EQ(TTempDir::Read(plain), "old");

  // A dangling link, relative or absolute, is followed: its file is created, the link stays.
  const std::string made = dir.File("made/later.txt");
  ASSERT_EQ(::mkdir(dir.File("made").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("made/later.txt", dir.File("relative.txt").c_str()), 0);
  FileIO::WriteFileAtomically(dir.File("relative.txt"), "via a relative link");
  EXPECT_EQ(TTempDir::Read(made), "via a relative link");
  ASSERT_EQ(::symlink(dir.File("made/absolute.txt").c_str(), dir.File("absolute.txt").c_str()), 0);
  FileIO::WriteFileAtomically(dir.File("absolute.txt"), "via an absolute link");
  EXPECT_EQ(TTempDir::Read(dir.File("made/absolute.txt")), "via an absolute link");
  for (const char* name : {"relative.txt", "absolute.txt"}) {
    EXPECT_EQ(::lstat(dir.File(name).c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << name;
  }
  EXPECT_EQ(backups.Entries(), 0u);
}

TEST(FileWriterOwnership, OwnerGroupAndModeSurviveTheSave) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another owner needs root";
  const mode_t modes[] = {0640, 0600, 02750, 04755, 06711};
  for (const mode_t mode : modes) {
    SCOPED_TRACE(mode);
    TTempDir dir;
    const std::string path = dir.Write("doc.txt", "old");
    ASSERT_EQ(::chown(path.c_str(), 1234, 1234), 0);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    FileIO::WriteFileAtomically(path, "new");
    const struct stat info = StatOf(path);
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 1234u);
    EXPECT_EQ(info.st_mode & 07777, mode);
    EXPECT_EQ(TTempDir::Read(path), "new");
  }
}

TEST(FileWriterLimits, FileSizeLimitFailsTheSaveAndKeepsTheOldFile) {
  const TSaver savers[] = {TSaver::Bytes, TSaver::Lines};
  for (const TSaver saver : savers) {
    SCOPED_TRACE(NameOf(saver));
    ReportAll(RunInChild([saver](TFindings& f) {
      FileIO::IgnoreFileSizeSignal();
      TTempDir dir;
      const std::string path = dir.Write("doc.txt", "old\r\n");
      SetFileSizeLimit(4096);
      std::string content;
      while (content.size() < 20000) content += "a line of the new content\r\n";
      try {
        Save(saver, path, content);
        f.Fail("saved past the limit");
      } catch (const EInOutError& e) {
        f.Equal(e.ErrorCode, EFBIG, "code");
        f.Equal(std::string(e.what()),
                "ﾌｧｲﾙ " + path + " に書き込めません\nﾌｧｲﾙｻｲｽﾞの上限を超えたため書き込めません",
                "message");
      }
      f.Equal(TTempDir::Read(path), "old\r\n", "content");
      f.Equal(EntriesIn(dir.Path()), 1u, "folder entries");
    }, false), "child");
  }
}

bool FolderHasUnnamedFiles(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

TEST(FileWriterLimits, KilledSaveLeavesOnlyTheOriginalFile) {
  TTempDir dir;
  if (!FolderHasUnnamedFiles(dir.Path())) {
    GTEST_SKIP() << "the file system of " << dir.Path() << " has no unnamed temporary files";
  }
  const std::string path = dir.Write("doc.txt", "the original\r\n");
  int channel[2];
  ASSERT_EQ(::pipe(channel), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(channel[0]);
    try {
      FileIO::TAtomicFileWriter writer(path);
      writer.Write(std::string(4 << 20, 'x'));
      SendAll(channel[1], "w");
      ::sleep(60);
    } catch (...) {
    }
    ::_exit(1);
  }
  ::close(channel[1]);
  char signal = 0;  // the child keeps its end open while it sleeps: read the one byte only
  while (::read(channel[0], &signal, 1) < 0 && errno == EINTR) {
  }
  ::close(channel[0]);
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_EQ(signal, 'w') << "the child did not start writing";
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
  EXPECT_EQ(TTempDir::Read(path), "the original\r\n");
}

}  // namespace
