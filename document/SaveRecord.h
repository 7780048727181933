// Backup records of files rewritten in place, and the recovery of those whose rewriting was
// cut short.
//
// A file that a rename cannot replace (it has several hard links, or its folder may not be
// written) is rewritten where it is. Before its first byte changes, its old content is copied
// into a record in the backup folder, flushed to disk, together with the size and checksum of
// both the old and the new content. The record goes once the new content is on disk. A process
// that dies in between leaves the record behind: the next run finds it, removes it when the
// file is whole (it holds its old or its new content), and otherwise offers the old content
// back. A running save holds a lock on its record, so no other process takes it meanwhile.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace FileIO {

// A 64-bit checksum (FNV-1a) of bytes fed in pieces.
class TChecksum {
 public:
  void Add(std::string_view bytes);
  [[nodiscard]] std::uint64_t Value() const { return state_; }

 private:
  std::uint64_t state_ = 14695981039346656037ull;
};

// The record of one rewriting in place, held (and locked) while it runs.
class TSaveRecord {
 public:
  // Copies the content of the open file source (read from offset 0) into a new record in
  // folder and flushes it, naming target (an absolute name) and the new content's size and
  // checksum. Throws EFCreateError for shownTarget, with a reason that names the folder;
  // nothing is left in the folder then.
  TSaveRecord(const std::string& folder, const std::string& target,
              const std::string& shownTarget, int source, std::int64_t newSize,
              std::uint64_t newChecksum);
  // Closes the record (and so releases its lock); the file stays unless Remove ran.
  ~TSaveRecord();
  TSaveRecord(const TSaveRecord&) = delete;
  TSaveRecord& operator=(const TSaveRecord&) = delete;

  // The record's descriptor, and where in it the old content starts.
  [[nodiscard]] int Fd() const { return fd_; }
  [[nodiscard]] std::int64_t ContentOffset() const { return contentOffset_; }
  [[nodiscard]] std::int64_t OldSize() const { return oldSize_; }
  [[nodiscard]] const std::string& Path() const { return path_; }
  // The new content is on disk, or the old one back: the record goes.
  void Remove() noexcept;

 private:
  int fd_ = -1;
  std::string path_;
  std::int64_t contentOffset_ = 0;
  std::int64_t oldSize_ = 0;
};

// A rewriting in place that was cut short, leaving its file neither old nor new.
struct TInterruptedSave {
  std::string Record;        // the record file, which holds the old content
  std::string Target;        // the file that was being rewritten
  std::int64_t OldSize = 0;  // bytes of the old content
  std::int64_t Started = 0;  // when the rewriting began, in seconds since 1970
  bool TargetGone = false;   // the file no longer exists
};

// The records in folder of rewritings cut short whose file is now damaged or gone (only
// those of target, when it is given: a name as the writer would be given it), oldest first.
// Records whose file is whole again are removed, and so are the records of writers that died
// before their file was touched. Records of running saves, and files in the folder that are
// not records, are left alone. A folder that cannot be read gives none.
[[nodiscard]] std::vector<TInterruptedSave> FindInterruptedSaves(
    const std::string& folder, const std::optional<std::string>& target = std::nullopt);

// Writes the record's old content back into its file (safely, as every save) and removes the
// record. Throws EFCreateError / EInOutError; the record then stays.
void RestoreInterruptedSave(const TInterruptedSave& save);
// Removes the record: the old content is given up.
void DiscardInterruptedSave(const TInterruptedSave& save);

}  // namespace FileIO
