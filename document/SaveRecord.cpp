// Backup records of files rewritten in place, and their recovery.
//
// A record is a text header, then the old content as it was:
//   "KORVANE-BACKUP-1\n" (a writer still copying has "KORVANE-PENDING1\n" there)
//   start time, old size, old checksum, new size, new checksum, length of the target's name,
//   each on a line of fixed width (decimal, checksums in hexadecimal)
//   the target's name, "\n"
//   the old content.
#include "document/SaveRecord.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "document/Failures.h"
#include "document/FileIO.h"
#include "document/PosixFile.h"

namespace FileIO {

namespace {

using Posix::TDescriptor;

constexpr std::string_view kMagic = "KORVANE-BACKUP-1";
constexpr std::string_view kPendingMagic = "KORVANE-PENDING1";
constexpr std::string_view kRecordMark = ".korvane-backup-";
constexpr std::size_t kNumberWidth = 20;
constexpr std::size_t kChecksumWidth = 16;
constexpr std::size_t kLongestTarget = 4096;
constexpr std::size_t kFixedHeader = kMagic.size() + 1 + 4 * (kNumberWidth + 1) + 2 * (kChecksumWidth + 1);

struct THeader {
  bool Pending = false;
  std::int64_t Started = 0;
  std::int64_t OldSize = 0;
  std::uint64_t OldChecksum = 0;
  std::int64_t NewSize = 0;
  std::uint64_t NewChecksum = 0;
  std::string Target;
  [[nodiscard]] std::int64_t ContentOffset() const {
    return static_cast<std::int64_t>(kFixedHeader + Target.size() + 1);
  }
};

void PutNumber(std::string& out, std::uint64_t value, int base, std::size_t width) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value, base).ptr;
  out.append(width - static_cast<std::size_t>(end - digits), '0');
  out.append(digits, end);
  out += '\n';
}

std::string HeaderText(const THeader& header) {
  std::string text(header.Pending ? kPendingMagic : kMagic);
  text += '\n';
  PutNumber(text, static_cast<std::uint64_t>(header.Started), 10, kNumberWidth);
  PutNumber(text, static_cast<std::uint64_t>(header.OldSize), 10, kNumberWidth);
  PutNumber(text, header.OldChecksum, 16, kChecksumWidth);
  PutNumber(text, static_cast<std::uint64_t>(header.NewSize), 10, kNumberWidth);
  PutNumber(text, header.NewChecksum, 16, kChecksumWidth);
  PutNumber(text, header.Target.size(), 10, kNumberWidth);
  text += header.Target;
  text += '\n';
  return text;
}

// Reads one fixed-width field and its line end at `at`; false when it is not one.
template <class T>
bool TakeNumber(std::string_view text, std::size_t& at, int base, std::size_t width, T& value) {
  if (text.size() < at + width + 1 || text[at + width] != '\n') return false;
  std::uint64_t number = 0;
  const char* const first = text.data() + at;
  const auto [end, error] = std::from_chars(first, first + width, number, base);
  if (error != std::errc() || end != first + width) return false;
  value = static_cast<T>(number);
  at += width + 1;
  return true;
}

std::optional<THeader> ReadHeader(int fd) {
  std::string bytes(kFixedHeader + kLongestTarget + 1, '\0');
  ssize_t got = 0;
  do {
    got = ::pread(fd, bytes.data(), bytes.size(), 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(got));
  const std::string_view text(bytes);
  THeader header;
  // A writer killed before its first header was written leaves an empty file.
  if (text.empty()) {
    header.Pending = true;
    return header;
  }
  if (text.size() < kMagic.size() + 1 || text[kMagic.size()] != '\n') return std::nullopt;
  const std::string_view magic = text.substr(0, kMagic.size());
  if (magic != kMagic && magic != kPendingMagic) return std::nullopt;
  header.Pending = magic == kPendingMagic;
  std::size_t at = kMagic.size() + 1;
  std::size_t targetLength = 0;
  if (!TakeNumber(text, at, 10, kNumberWidth, header.Started) ||
      !TakeNumber(text, at, 10, kNumberWidth, header.OldSize) ||
      !TakeNumber(text, at, 16, kChecksumWidth, header.OldChecksum) ||
      !TakeNumber(text, at, 10, kNumberWidth, header.NewSize) ||
      !TakeNumber(text, at, 16, kChecksumWidth, header.NewChecksum) ||
      !TakeNumber(text, at, 10, kNumberWidth, targetLength)) {
    return std::nullopt;
  }
  if (targetLength == 0 || targetLength > kLongestTarget || text.size() < at + targetLength + 1 ||
      text[at + targetLength] != '\n') {
    return std::nullopt;
  }
  header.Target = std::string(text.substr(at, targetLength));
  return header;
}

int ReadFully(int fd, char* buffer, std::size_t count, std::int64_t offset, std::size_t& got) {
  got = 0;
  while (got < count) {
    const ssize_t n = ::pread(fd, buffer + got, count - got, static_cast<off_t>(offset) + got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

// The checksum of a whole open file; nothing when it cannot be read.
std::optional<std::uint64_t> ChecksumOf(int fd) {
  TChecksum sum;
  std::string buffer(1 << 16, '\0');
  for (std::int64_t at = 0;;) {
    std::size_t got = 0;
    if (ReadFully(fd, buffer.data(), buffer.size(), at, got) != 0) return std::nullopt;
    if (got == 0) return sum.Value();
    sum.Add(std::string_view(buffer.data(), got));
    at += static_cast<std::int64_t>(got);
  }
}

// Whether the file holds the old or the new content of its record, whole.
bool TargetIsWhole(const THeader& header, bool& gone) {
  const TDescriptor fd(::open(header.Target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  gone = fd.Get() < 0 && errno == ENOENT;
  if (fd.Get() < 0) return false;
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size != header.NewSize && info.st_size != header.OldSize) return false;
  const std::optional<std::uint64_t> sum = ChecksumOf(fd.Get());
  if (!sum) return false;
  return (info.st_size == header.NewSize && *sum == header.NewChecksum) ||
         (info.st_size == header.OldSize && *sum == header.OldChecksum);
}

// Opens a record and takes its lock; -1 when it is not a regular file or a running save holds
// it.
int OpenRecord(const std::string& path) {
  TDescriptor fd(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Get() < 0) return -1;
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return -1;
  return fd.Release();
}

std::string FolderReason(const std::string& folder, int code) {
  return "元の内容を控えるﾌｫﾙﾀﾞ " + folder + " に書き込めません\n" + SystemErrorText(code);
}

struct TSumContext {
  TChecksum* Sum;
};

void AddToSum(void* context, std::string_view piece) {
  static_cast<TSumContext*>(context)->Sum->Add(piece);
}

}  // namespace

void TChecksum::Add(std::string_view bytes) {
  std::uint64_t h = state_;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  state_ = h;
}

TSaveRecord::TSaveRecord(const std::string& folder, const std::string& target,
                         const std::string& shownTarget, int source, std::int64_t newSize,
                         std::uint64_t newChecksum) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  path_ = folder + "/" + Posix::NamePrefix(target) + std::string(kRecordMark) + "XXXXXX";
  TDescriptor fd(::mkostemp(path_.data(), O_CLOEXEC));
  if (fd.Get() < 0) throw EFCreateError(shownTarget, errno, FolderReason(folder, errno));

  THeader header;
  header.Pending = true;
  header.Started = static_cast<std::int64_t>(std::time(nullptr));
  header.NewSize = newSize;
  header.NewChecksum = newChecksum;
  header.Target = target;
  contentOffset_ = header.ContentOffset();
  // Locked before anything else can see it, so that no other process takes it for a record
  // left behind; marked as half made before the copying begins.
  int code = ::flock(fd.Get(), LOCK_EX) == 0 ? 0 : errno;
  if (code == 0) code = Posix::WriteFullyAt(fd.Get(), HeaderText(header), 0);
  TChecksum oldSum;
  TSumContext context{&oldSum};
  if (code == 0) {
    code = Posix::CopyContent(source, 0, fd.Get(), contentOffset_, oldSize_, AddToSum, &context);
  }
  header.OldSize = oldSize_;
  header.OldChecksum = oldSum.Value();
  // The content is on disk before the record says it is whole.
  if (code == 0) code = Posix::WriteFullyAt(fd.Get(), HeaderText(header), 0);
  if (code == 0 && ::fsync(fd.Get()) != 0) code = errno;
  if (code == 0) code = Posix::WriteFullyAt(fd.Get(), kMagic, 0);
  if (code == 0 && ::fsync(fd.Get()) != 0) code = errno;
  if (code == 0) code = Posix::FlushFolder(folder);
  if (code != 0) {
    ::unlink(path_.c_str());
    throw EFCreateError(shownTarget, code, FolderReason(folder, code));
  }
  fd_ = fd.Release();
}

TSaveRecord::~TSaveRecord() {
  if (fd_ >= 0) ::close(fd_);
}

void TSaveRecord::Remove() noexcept {
  if (path_.empty()) return;
  ::unlink(path_.c_str());
  path_.clear();
}

std::vector<TInterruptedSave> FindInterruptedSaves(const std::string& folder,
                                                   const std::optional<std::string>& target) {
  const std::optional<std::string> wanted =
      target ? std::optional<std::string>(ResolvedTarget(*target)) : std::nullopt;
  std::vector<TInterruptedSave> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string path = entry.path().string();
    if (entry.path().filename().string().find(kRecordMark) == std::string::npos) continue;
    const TDescriptor fd(OpenRecord(path));
    if (fd.Get() < 0) continue;
    const std::optional<THeader> header = ReadHeader(fd.Get());
    if (!header) continue;
    // A writer that died while copying had not touched its file yet.
    if (header->Pending) {
      ::unlink(path.c_str());
      continue;
    }
    if (wanted && header->Target != *wanted) continue;
    bool gone = false;
    if (TargetIsWhole(*header, gone)) {
      ::unlink(path.c_str());
      continue;
    }
    found.push_back({path, header->Target, header->OldSize, header->Started, gone});
  }
  std::sort(found.begin(), found.end(), [](const TInterruptedSave& a, const TInterruptedSave& b) {
    return a.Started < b.Started;
  });
  return found;
}

void RestoreInterruptedSave(const TInterruptedSave& save) {
  const TDescriptor fd(OpenRecord(save.Record));
  if (fd.Get() < 0) throw EInOutError(EBUSY);
  const std::optional<THeader> header = ReadHeader(fd.Get());
  if (!header || header->Pending || header->Target != save.Target) throw EInOutError(EINVAL);
  TAtomicFileWriter writer(save.Target);
  std::string buffer(1 << 20, '\0');
  std::int64_t copied = 0;
  while (copied < header->OldSize) {
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), header->OldSize - copied));
    std::size_t got = 0;
    if (const int code = ReadFully(fd.Get(), buffer.data(), want, header->ContentOffset() + copied,
                                   got);
        code != 0) {
      throw EInOutError(code);
    }
    if (got == 0) throw EInOutError(EIO);  // the record was cut short
    writer.Write(std::string_view(buffer.data(), got));
    copied += static_cast<std::int64_t>(got);
  }
  writer.Commit();
  ::unlink(save.Record.c_str());
}

void DiscardInterruptedSave(const TInterruptedSave& save) {
  const TDescriptor fd(OpenRecord(save.Record));
  if (fd.Get() >= 0) ::unlink(save.Record.c_str());
}

}  // namespace FileIO
