#include "document/Recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "document/PosixFile.h"

namespace Recovery {

namespace {

constexpr std::string_view kSnapshotMagic = "KORVANE-RECOVERY-1\n";
constexpr std::string_view kSnapshotFamily = "KORVANE-RECOVERY-";
constexpr std::string_view kJournalMagic = "KORVANE-JOURNAL-1\n";
constexpr std::uint32_t kEditMark = 0x4B454431;  // "KED1"
constexpr std::string_view kMakingPrefix = "making-";

template <class T>
void Put(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));  // the machine's order: little-endian on our targets
  out.append(bytes, sizeof(T));
}

void PutString(std::string& out, std::string_view s) {
  Put<std::uint32_t>(out, static_cast<std::uint32_t>(s.size()));
  out.append(s);
}

// Reads fields from a byte range, failing (not throwing) on a short one.
class TReader {
 public:
  explicit TReader(std::string_view bytes) : rest_(bytes) {}
  template <class T>
  bool Get(T& value) {
    if (rest_.size() < sizeof(T)) return false;
    std::memcpy(&value, rest_.data(), sizeof(T));
    rest_.remove_prefix(sizeof(T));
    return true;
  }
  bool GetString(std::string& s, std::size_t most) {
    std::uint32_t size = 0;
    if (!Get(size) || size > most || size > rest_.size()) return false;
    s.assign(rest_.substr(0, size));
    rest_.remove_prefix(size);
    return true;
  }
  bool Take(std::size_t size, std::string_view& out) {
    if (size > rest_.size()) return false;
    out = rest_.substr(0, size);
    rest_.remove_prefix(size);
    return true;
  }
  [[nodiscard]] bool Empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// FNV-1a over eight bytes at a time (then the rest byte by byte): a snapshot of 100 MB is
// summed at memory speed, not at a byte a step.
std::uint64_t Checksum(std::string_view bytes) {
  constexpr std::uint64_t kPrime = 1099511628211ull;
  std::uint64_t sum = 14695981039346656037ull;
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    sum = (sum ^ word) * kPrime;
  }
  for (; i < bytes.size(); ++i) sum = (sum ^ static_cast<unsigned char>(bytes[i])) * kPrime;
  return sum;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

int OpenLock(const std::string& record) {
  return ::open((record + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

bool TryLock(int fd) { return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

void RemoveFiles(const std::string& record);

std::string NewRecordName() {
  static std::atomic<unsigned> counter{0};
  return std::to_string(std::time(nullptr)) + "-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter++);
}

}  // namespace

struct TWriter::TTask {
  enum class TKind { Snapshot, Edit, Discard, Abandon } Kind;
  std::shared_ptr<const std::string> Text;
  TMeta Meta;
  std::string Edit;  // the journal entry, ready to append
};

TWriter::TWriter(std::string folder) : folder_(std::move(folder)), worker_([this] { Work(); }) {}

TWriter::~TWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  worker_.join();
  if (journal_ >= 0) ::close(journal_);
  if (lock_ >= 0) ::close(lock_);
}

void TWriter::Snapshot(std::shared_ptr<const std::string> text, TMeta meta) {
  auto task = std::make_unique<TTask>(TTask{TTask::TKind::Snapshot, std::move(text), std::move(meta), {}});
  std::lock_guard lock(mutex_);
  // A snapshot makes the edits and snapshots still waiting before it needless.
  std::erase_if(tasks_, [](const std::unique_ptr<TTask>& t) {
    return t->Kind == TTask::TKind::Snapshot || t->Kind == TTask::TKind::Edit;
  });
  tasks_.push_back(std::move(task));
  wake_.notify_one();
}

void TWriter::Edit(std::int64_t at, std::int64_t removed, std::string_view inserted) {
  std::string entry;
  entry.reserve(36 + inserted.size());
  Put<std::uint32_t>(entry, kEditMark);
  Put<std::int64_t>(entry, at);
  Put<std::int64_t>(entry, removed);
  Put<std::uint32_t>(entry, static_cast<std::uint32_t>(inserted.size()));
  entry.append(inserted);
  Put<std::uint64_t>(entry, Checksum(entry));
  auto task = std::make_unique<TTask>(TTask{TTask::TKind::Edit, nullptr, {}, std::move(entry)});
  std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
  wake_.notify_one();
}

void TWriter::Discard() {
  std::lock_guard lock(mutex_);
  tasks_.clear();
  tasks_.push_back(std::make_unique<TTask>(TTask{TTask::TKind::Discard, nullptr, {}, {}}));
  wake_.notify_one();
}

bool TWriter::HasRecord() const { return !record_.empty(); }

void TWriter::Flush() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return tasks_.empty() && !busy_; });
}

void TWriter::Abandon() {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::make_unique<TTask>(TTask{TTask::TKind::Abandon, nullptr, {}, {}}));
    wake_.notify_one();
  }
  Flush();
}

std::string TWriter::TakeFailure() {
  std::lock_guard lock(mutex_);
  return std::exchange(failure_, std::string());
}

void TWriter::Work() {
  // The record is written behind the user's work: the worker yields the processor to it.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
  auto lastSync = std::chrono::steady_clock::now();
  std::unique_lock lock(mutex_);
  for (;;) {
    // Edits are written at once (a killed program loses none of them); they reach the disk
    // itself at least every second.
    wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_ || !tasks_.empty(); });
    if (tasks_.empty()) {
      if (journal_ >= 0 && std::chrono::steady_clock::now() - lastSync > std::chrono::seconds(1)) {
        ::fdatasync(journal_);
        lastSync = std::chrono::steady_clock::now();
      }
      if (stop_) return;
      idle_.notify_all();
      continue;
    }
    std::unique_ptr<TTask> task = std::move(tasks_.front());
    tasks_.pop_front();
    busy_ = true;
    lock.unlock();
    Do(*task);
    lock.lock();
    busy_ = false;
    if (tasks_.empty()) idle_.notify_all();
  }
}

void TWriter::Fail(const std::string& what, int code) {
  std::lock_guard lock(mutex_);
  failure_ = what + ": " + std::strerror(code);
}

void TWriter::Do(TTask& task) {
  switch (task.Kind) {
    case TTask::TKind::Snapshot: {
      if (record_.empty()) {
        // Made under a name FindRecords passes over, locked, and only then given its name,
        // so that no other reader ever sees it unlocked.
        std::error_code error;
        const std::string name = NewRecordName();
        const std::string making = folder_ + "/" + std::string(kMakingPrefix) + name;
        std::filesystem::create_directories(making, error);
        if (error) return Fail(making, error.value());
        if (lock_ >= 0) ::close(lock_);
        lock_ = OpenLock(making);
        if (!TryLock(lock_)) return Fail(making + "/lock", errno);
        const std::string record = folder_ + "/" + name;
        if (::rename(making.c_str(), record.c_str()) != 0) return Fail(record, errno);
        record_ = record;
      }
      ++generation_;
      std::string header(kSnapshotMagic);
      Put<std::uint64_t>(header, generation_);
      Put<std::int64_t>(header, task.Meta.Time);
      Put<std::uint32_t>(header, task.Meta.Format);
      Put<std::uint32_t>(header, static_cast<std::uint32_t>(task.Meta.Foreign.size()));
      for (const TForeignChars::TEntry& entry : task.Meta.Foreign) {
        Put<std::uint8_t>(header, entry.IsByte ? 1 : 0);
        Put<std::uint32_t>(header, entry.IsByte ? entry.Byte : static_cast<std::uint32_t>(entry.CodePoint));
      }
      PutString(header, task.Meta.Shown);
      PutString(header, task.Meta.FileName);
      Put<std::uint64_t>(header, task.Text->size());
      Put<std::uint64_t>(header, Checksum(*task.Text));
      const std::string temporary = record_ + "/snapshot.tmp";
      const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (fd < 0) return Fail(temporary, errno);
      int code = FileIO::Posix::WriteFullyAt(fd, header, 0);
      if (code == 0) code = FileIO::Posix::WriteFullyAt(fd, *task.Text, static_cast<std::int64_t>(header.size()));
      if (code == 0 && ::fdatasync(fd) != 0) code = errno;
      ::close(fd);
      if (code == 0 && ::rename(temporary.c_str(), (record_ + "/snapshot").c_str()) != 0) code = errno;
      if (code != 0) {
        ::unlink(temporary.c_str());
        return Fail(record_ + "/snapshot", code);
      }
      // A new journal for the edits after this snapshot.
      std::string journalHeader(kJournalMagic);
      Put<std::uint64_t>(journalHeader, generation_);
      const std::string journal = record_ + "/journal";
      if (journal_ >= 0) ::close(journal_);
      journal_ = ::open((journal + ".tmp").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
      if (journal_ < 0) return Fail(journal, errno);
      if ((code = FileIO::Posix::WriteFullyAt(journal_, journalHeader, 0)) != 0 ||
          ::rename((journal + ".tmp").c_str(), journal.c_str()) != 0) {
        return Fail(journal, code != 0 ? code : errno);
      }
      FileIO::Posix::FlushFolder(record_);
      return;
    }
    case TTask::TKind::Edit:
      if (journal_ < 0) return;  // no snapshot on disk: the next one holds this edit
      if (::write(journal_, task.Edit.data(), task.Edit.size()) !=
          static_cast<ssize_t>(task.Edit.size())) {
        return Fail(record_ + "/journal", errno);
      }
      return;
    case TTask::TKind::Discard:
      if (journal_ >= 0) ::close(journal_);
      journal_ = -1;
      if (!record_.empty()) RemoveFiles(record_);
      if (lock_ >= 0) ::close(lock_);
      lock_ = -1;
      record_.clear();
      return;
    case TTask::TKind::Abandon:
      if (journal_ >= 0) ::close(journal_);
      if (lock_ >= 0) ::close(lock_);
      journal_ = lock_ = -1;
      record_.clear();
      return;
  }
}

namespace {

// The snapshot's fields and text; Problem when they cannot be read.
TFound ReadSnapshot(const std::string& record, std::uint64_t& generation) {
  TFound found;
  found.Record = record;
  std::string bytes;
  if (!ReadWholeFile(record + "/snapshot", bytes)) {
    found.Problem = "記録を読めません";
    return found;
  }
  if (bytes.compare(0, kSnapshotMagic.size(), kSnapshotMagic) != 0) {
    found.Problem = bytes.compare(0, kSnapshotFamily.size(), kSnapshotFamily) == 0
                        ? "新しい版の Korvane が残した記録です"
                        : "記録が壊れています";
    return found;
  }
  const std::string_view all(bytes);
  TReader in(all.substr(kSnapshotMagic.size()));
  std::uint32_t foreignCount = 0;
  std::uint64_t size = 0, checksum = 0;
  bool ok = in.Get(generation) && in.Get(found.Meta.Time) && in.Get(found.Meta.Format) &&
            in.Get(foreignCount) && foreignCount <= TForeignChars::kCapacity;
  for (std::uint32_t i = 0; ok && i < foreignCount; ++i) {
    std::uint8_t isByte = 0;
    std::uint32_t value = 0;
    ok = in.Get(isByte) && in.Get(value);
    TForeignChars::TEntry entry;
    entry.IsByte = isByte != 0;
    if (entry.IsByte) entry.Byte = static_cast<unsigned char>(value);
    else entry.CodePoint = static_cast<char32_t>(value);
    found.Meta.Foreign.push_back(entry);
  }
  std::string_view text;
  ok = ok && in.GetString(found.Meta.Shown, 1 << 16) && in.GetString(found.Meta.FileName, 1 << 16) &&
       in.Get(size) && in.Get(checksum) && in.Take(size, text) && in.Empty() &&
       Checksum(text) == checksum;
  if (!ok) {
    found.Problem = "記録が壊れています";
    found.Meta = {};
    return found;
  }
  found.Text.assign(text);
  return found;
}

template <class T>
bool ReadAt(std::string_view all, std::size_t& pos, T& value) {
  if (all.size() - pos < sizeof(T)) return false;
  std::memcpy(&value, all.data() + pos, sizeof(T));
  pos += sizeof(T);
  return true;
}

// Applies the journal's whole edits of the snapshot's generation, up to a torn or foreign one.
void ApplyJournal(const std::string& record, std::uint64_t generation, TFound& found) {
  std::string bytes;
  if (!ReadWholeFile(record + "/journal", bytes)) return;
  if (bytes.compare(0, kJournalMagic.size(), kJournalMagic) != 0) return;
  const std::string_view all(bytes);
  std::size_t pos = kJournalMagic.size();
  std::uint64_t journalGeneration = 0;
  if (!ReadAt(all, pos, journalGeneration) || journalGeneration != generation) return;
  for (;;) {
    const std::size_t start = pos;
    std::uint32_t mark = 0, size = 0;
    std::int64_t at = 0, removed = 0;
    std::uint64_t checksum = 0;
    if (!ReadAt(all, pos, mark) || mark != kEditMark || !ReadAt(all, pos, at) ||
        !ReadAt(all, pos, removed) || !ReadAt(all, pos, size) || all.size() - pos < size) {
      return;
    }
    const std::string_view inserted = all.substr(pos, size);
    pos += size;
    const std::size_t end = pos;
    if (!ReadAt(all, pos, checksum) || Checksum(all.substr(start, end - start)) != checksum) return;
    if (at < 0 || removed < 0 ||
        static_cast<std::uint64_t>(at) + static_cast<std::uint64_t>(removed) > found.Text.size()) {
      return;
    }
    found.Text.replace(static_cast<std::size_t>(at), static_cast<std::size_t>(removed), inserted);
    ++found.Edits;
  }
}

void RemoveFiles(const std::string& record) {
  for (const char* name : {"/journal", "/journal.tmp", "/snapshot", "/snapshot.tmp", "/lock"}) {
    ::unlink((record + name).c_str());
  }
  ::rmdir(record.c_str());
}

}  // namespace

std::vector<TFound> FindRecords(const std::string& folder) {
  std::vector<TFound> records;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (!entry.is_directory(error)) continue;
    const std::string record = entry.path().string();
    if (entry.path().filename().string().starts_with(kMakingPrefix)) {
      // A record still being made, or one whose maker died before it had a name.
      const FileIO::Posix::TDescriptor lock(OpenLock(record));
      const auto age = std::filesystem::file_time_type::clock::now() -
                       std::filesystem::last_write_time(entry.path(), error);
      if (!error && age > std::chrono::minutes(1) && TryLock(lock.Get())) RemoveFiles(record);
      continue;
    }
    const FileIO::Posix::TDescriptor lock(OpenLock(record));
    if (lock.Get() < 0) continue;
    if (!TryLock(lock.Get())) continue;  // a running program's
    struct stat info {};
    if (::stat((record + "/snapshot").c_str(), &info) != 0) {
      RemoveFiles(record);  // made but never written: nothing to give back
      continue;
    }
    std::uint64_t generation = 0;
    TFound found = ReadSnapshot(record, generation);
    if (found.Problem.empty()) ApplyJournal(record, generation, found);
    records.push_back(std::move(found));
  }
  std::sort(records.begin(), records.end(),
            [](const TFound& a, const TFound& b) { return a.Meta.Time < b.Meta.Time; });
  return records;
}

void RemoveRecord(const std::string& record) {
  const FileIO::Posix::TDescriptor lock(OpenLock(record));
  if (TryLock(lock.Get())) RemoveFiles(record);
}

}  // namespace Recovery
