// A recipe run in one pass over the document's lines: each command a stage that takes the lines
// one at a time and hands its own to the next, so that memory does not grow with the input. The
// output is byte for byte what Commands::TSession gives; recipes whose commands need the whole
// document (see Plan) run the whole-document way instead.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Commands.h"
#include "document/ForeignChars.h"

namespace Stream {

class TStage;

// Lines handed from the stages on one thread to those on another, in batches.
class THandoff {
 public:
  struct TBatch {
    std::string Bytes;
    std::vector<std::size_t> Ends;  // where each line ends in Bytes
    bool Last = false;                // the document has ended
    bool Aborted = false;             // the sending side failed: nothing more is to be done
  };
  void Line(std::string_view line);
  // Sends what is gathered and the end.
  void Finish();
  // Wakes and ends the receiving side at once (a failure on the sending side).
  void Abort();
  // The next batch; one with Last set ends the document (Abort gives one too).
  TBatch Receive();

 private:
  void Send(bool last);
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<TBatch> queue_;
  TBatch filling_;
  bool aborted_ = false;
};

class TPipeline {
 public:
  using TSink = std::function<void(std::string_view)>;

  // The commands as stages, or null when they cannot run in one pass: no command at all, a
  // command after break-at-tags that ran on a range the user set, and delete-range or
  // save-range without a range before it. Ranges given by line numbers stream; the output is
  // held back until the document has been seen to reach each of them.
  [[nodiscard]] static std::unique_ptr<TPipeline> Plan(
      const std::vector<Commands::TCommand>& commands, TForeignChars& foreign);
  ~TPipeline();
  TPipeline(const TPipeline&) = delete;
  TPipeline& operator=(const TPipeline&) = delete;

  // Where the output goes, in pieces; set before the first line.
  void SetSink(TSink sink) { sink_ = std::move(sink); }
  // One line of the loaded document (no CR, LF or NUL in it).
  void Line(std::string_view line);
  // The document has ended: the stages finish and the last output goes to the sink. Throws
  // Recipe::EUsageError, with nothing written, for a range beyond its document.
  void Finish();

  // A stage gives a line of the output: followed by CR LF unless a NUL ended the text in it.
  void Output(std::string_view line, bool withBreak);
  // A range has been seen to fit (or, unchecked is added, a range waits to be).
  void RangeChecked() { --unchecked_; }
  void RangeToCheck() { ++unchecked_; }

 private:
  TPipeline();
  void Flush();
  // With two or more stages that share nothing, the later half runs on a second thread.
  void Split();
  void StartSecondHalf();
  void StopSecondHalf();

  std::vector<std::unique_ptr<TStage>> stages_;
  TSink sink_;
  std::string piece_;  // output gathered before it goes to the sink
  std::atomic<int> unchecked_ = 0;  // ranges not yet seen to fit: the output waits in piece_
  std::size_t split_ = 0;           // the first stage of the second thread; 0: one thread
  THandoff handoff_;
  std::thread second_;
  std::exception_ptr secondFailure_;
};

}  // namespace Stream
