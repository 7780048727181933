// Crash recovery: while a document has unsaved changes, a record in the data folder holds what
// rebuilds it (a snapshot of its bytes after the last command, and a journal of the edits
// since), written by a worker thread so that the user interface never waits for the disk. A
// normal end removes the record; the next start offers the records of runs that did not end
// normally. A running program holds a lock on its record, so two at once never take each
// other's.
//
// Record: <data folder>/recovery/<id>/ with `lock`, `snapshot` and `journal`.
//   snapshot: "KORVANE-RECOVERY-1\n", then little-endian fields: u64 generation, i64 time,
//     u32 format, u32 foreign entries (u8 is-byte, u32 value each), u32 + bytes of the shown
//     name, u32 + bytes of the file name, u64 text size, u64 text checksum (FNV-1a over
//     eight-byte words); then the text.
//   journal: "KORVANE-JOURNAL-1\n", u64 generation; then edits: u32 mark, i64 at, i64 removed,
//     u32 inserted size, the inserted bytes, u64 checksum of all of it. A journal of another
//     generation than the snapshot's, and a torn last edit, are left out.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "document/ForeignChars.h"

namespace Recovery {

// What the window needs besides the bytes to rebuild the document.
struct TMeta {
  std::string Shown;     // the name the status bar shows (UTF-8)
  std::string FileName;  // the name a save proposes (UTF-8)
  std::uint32_t Format = 0;  // the encoding to save in, as the window numbers it
  std::vector<TForeignChars::TEntry> Foreign;
  std::int64_t Time = 0;  // seconds since 1970, when the snapshot was taken
};

class TWriter {
 public:
  // A record in folder (the recovery folder of the data folder), made on the first snapshot.
  explicit TWriter(std::string folder);
  // Ends the worker after what is queued; the record stays (see Discard).
  ~TWriter();
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  // The whole text as it is now, and what rebuilds it; later edits go into a new journal.
  void Snapshot(std::shared_ptr<const std::string> text, TMeta meta);
  // An edit since the snapshot: bytes [at, at + removed) became inserted.
  void Edit(std::int64_t at, std::int64_t removed, std::string_view inserted);
  // The document is saved or gone: the record goes.
  void Discard();
  [[nodiscard]] bool HasRecord() const;
  // Waits until everything queued is written.
  void Flush();
  // Writes what is queued, then lets go of the record as a crash would (for tests).
  void Abandon();
  // The last failure to write the record ("" when none), once.
  [[nodiscard]] std::string TakeFailure();

 private:
  struct TTask;
  void Work();
  void Do(TTask& task);
  void Fail(const std::string& what, int code);

  std::string folder_;
  std::string record_;  // "" until the first snapshot
  int lock_ = -1;
  int journal_ = -1;
  std::uint64_t generation_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::unique_ptr<TTask>> tasks_;
  bool busy_ = false;
  bool stop_ = false;
  std::string failure_;
  std::thread worker_;
};

// A record of a run that did not end normally.
struct TFound {
  std::string Record;  // its folder
  TMeta Meta;
  std::string Text;         // the document rebuilt (empty when Problem is set)
  std::int64_t Edits = 0;   // journal edits applied
  std::string Problem;      // why it cannot be restored ("" when it can)
};

// The records in folder that no running program holds, oldest first. Records that are not
// whole say so in Problem; a folder that cannot be read gives none.
[[nodiscard]] std::vector<TFound> FindRecords(const std::string& folder);
// Removes a record's folder (never one a running program holds).
void RemoveRecord(const std::string& record);

}  // namespace Recovery
