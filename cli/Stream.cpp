// The one-pass way of running commands.
#include "cli/Stream.h"

#include <algorithm>
#include <optional>

#include "convert/ConversionRoad.h"
#include "document/LightStr.h"

namespace Stream {

namespace {

constexpr std::size_t kOutputPiece = std::size_t{1} << 20;
constexpr std::int32_t kBatchLines = 4096;  // a rule's lines handed on together

// A range as the whole-document way keeps it; End −1 is the document's last line.
struct TLines {
  std::int64_t Start = 0;
  std::int64_t End = -1;
  std::optional<Commands::TCommand> SetBy;  // the range command; none for the whole document
};

}  // namespace

// One command over the lines it is handed; its lines go to the next stage, or out.
class TStage {
 public:
  TStage(TPipeline& pipeline, Commands::TWork work, TLines lines, bool selectOnly)
      : pipeline_(pipeline), work_(std::move(work)), lines_(lines), selectOnly_(selectOnly) {
    if (lines_.SetBy) pipeline_.RangeToCheck();
  }

  void SetNext(TStage* next) { next_ = next; }
  // The lines go to another thread's stages.
  void SetHandoff(THandoff* handoff) { handoff_ = handoff; }
  // This stage's command follows break-at-tags, whose range followed the line count: an empty
  // document is no line to it, unless break-at-tags had been handed an empty document too.
  void FollowLineCountOf(const TStage* breaker) { breaker_ = breaker; }

  void Line(std::string_view line) {
    const std::int64_t i = received_++;
    if (lines_.SetBy && !checked_ && received_ >= Needed()) {
      checked_ = true;
      pipeline_.RangeChecked();
    }
    if (i < lines_.Start || (lines_.End >= 0 && i > lines_.End)) {
      if (!selectOnly_) Pass(line);
      return;
    }
    InRange(line);
    if (i == lines_.End) EndOfRange();
  }

  void Finish() {
    if (lines_.SetBy && !checked_) {
      throw Recipe::EUsageError(Commands::RangeTooLargeText(*lines_.SetBy, Count()));
    }
    // An empty document is one empty line to a command on the whole of it.
    if (received_ == 0 && (breaker_ == nullptr || breaker_->received_ == 0)) InRange({});
    if (lines_.End < 0) EndOfRange();
    Drain();
    if (next_ != nullptr) next_->Finish();
    if (handoff_ != nullptr) handoff_->Finish();
  }

 private:
  [[nodiscard]] std::int64_t Needed() const {
    return std::max<std::int64_t>(lines_.SetBy->First, lines_.SetBy->Last);
  }
  [[nodiscard]] std::int32_t Count() const {
    return static_cast<std::int32_t>(std::min<std::int64_t>(received_, INT32_MAX));
  }

  void InRange(std::string_view line) {
    if (selectOnly_) {
      Pass(line);
    } else if (work_.Kind == Commands::TWork::TKind::Filter) {
      if (work_.Keep(line)) Pass(line);
    } else {
      work_.Rule(line, made_);
      if (made_.Count() >= kBatchLines) Drain();
    }
  }

  void EndOfRange() {
    if (work_.Tail) work_.Tail(made_);
    Drain();
  }

  // A line of the document as it is (lines the rule made go on before it).
  void Pass(std::string_view line) {
    if (made_.Count() != 0) Drain();
    if (!ended_) Next(line, true);
  }

  void Drain() {
    const bool plain = made_.AllLinesPlain();
    for (std::int32_t i = 0; i < made_.Count(); ++i) {
      if (plain && !ended_) {
        Next(made_.View(i), true);
      } else {
        Give(made_.View(i));
      }
    }
    made_.Reuse();
  }

  // A made line holding a break is several lines of the document, and a NUL ends the
  // document's text: what the document would make of the lines joined.
  void Give(std::string_view line) {
    if (ended_) return;
    if (!TLightStrings::HoldsBreakOrNul(line)) {
      Next(line, true);
      return;
    }
    const std::size_t nul = line.find('\0');
    const std::string_view kept = line.substr(0, nul);
    std::size_t from = 0;
    for (std::size_t at = 0; at < kept.size(); ++at) {
      if (kept[at] != '\r' && kept[at] != '\n') continue;
      Next(kept.substr(from, at - from), true);
      if (kept[at] == '\r' && at + 1 < kept.size() && kept[at + 1] == '\n') ++at;
      from = at + 1;
    }
    if (nul == std::string_view::npos) {
      // The line's own break follows: a break at its very end makes one more, empty, line.
      Next(kept.substr(from), true);
      return;
    }
    ended_ = true;
    if (from < kept.size()) Next(kept.substr(from), false);
  }

  void Next(std::string_view line, bool withBreak) {
    if (next_ != nullptr) {
      next_->Line(line);
    } else if (handoff_ != nullptr) {
      handoff_->Line(line);  // a NUL ended the text before, if !withBreak: nothing follows
    } else {
      pipeline_.Output(line, withBreak);
    }
  }

  TPipeline& pipeline_;
  Commands::TWork work_;
  TLines lines_;
  bool selectOnly_;  // save-range: the range's lines are the output
  TStage* next_ = nullptr;
  THandoff* handoff_ = nullptr;
  const TStage* breaker_ = nullptr;
  TLightStrings made_;
  std::int64_t received_ = 0;
  bool checked_ = false;
  bool ended_ = false;  // a NUL ended this command's text
};

constexpr std::size_t kHandoffBatch = std::size_t{256} << 10;
constexpr std::size_t kBatchesWaiting = 4;

void THandoff::Line(std::string_view line) {
  filling_.Bytes += line;
  filling_.Ends.push_back(filling_.Bytes.size());
  if (filling_.Bytes.size() >= kHandoffBatch) Send(false);
}

void THandoff::Finish() { Send(true); }

void THandoff::Send(bool last) {
  filling_.Last = last;
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [this] { return queue_.size() < kBatchesWaiting || aborted_; });
  if (aborted_) return;
  queue_.push_back(std::move(filling_));
  filling_ = {};
  filling_.Bytes.reserve(kHandoffBatch + 4096);
  changed_.notify_all();
}

void THandoff::Abort() {
  const std::lock_guard<std::mutex> hold(lock_);
  aborted_ = true;
  changed_.notify_all();
}

THandoff::TBatch THandoff::Receive() {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [this] { return !queue_.empty() || aborted_; });
  if (aborted_) return {.Last = true, .Aborted = true};
  TBatch batch = std::move(queue_.front());
  queue_.pop_front();
  changed_.notify_all();
  return batch;
}

TPipeline::TPipeline() { piece_.reserve(kOutputPiece + 2); }

TPipeline::~TPipeline() { StopSecondHalf(); }

void TPipeline::Split() {
  if (stages_.size() < 2 || std::thread::hardware_concurrency() < 2) return;
  split_ = stages_.size() / 2;
  stages_[split_ - 1]->SetNext(nullptr);
  stages_[split_ - 1]->SetHandoff(&handoff_);
}

void TPipeline::StartSecondHalf() {
  if (split_ == 0 || second_.joinable()) return;
  second_ = std::thread([this] {
    try {
      TStage& first = *stages_[split_];
      for (;;) {
        THandoff::TBatch batch = handoff_.Receive();
        if (batch.Aborted) return;
        std::size_t from = 0;
        for (const std::size_t end : batch.Ends) {
          first.Line(std::string_view(batch.Bytes).substr(from, end - from));
          from = end;
        }
        if (batch.Last) break;
      }
      first.Finish();
    } catch (...) {
      secondFailure_ = std::current_exception();
      handoff_.Abort();  // the first half stops sending
    }
  });
}

void TPipeline::StopSecondHalf() {
  if (!second_.joinable()) return;
  handoff_.Abort();
  second_.join();
}

std::unique_ptr<TPipeline> TPipeline::Plan(const std::vector<Commands::TCommand>& commands,
                                           TForeignChars& foreign) {
  using TKind = Commands::TWork::TKind;
  if (commands.empty()) return nullptr;
  std::unique_ptr<TPipeline> pipeline(new TPipeline());
  std::optional<TLines> set;  // a range for the next command
  bool afterRangedBreak = false;
  bool afterBreak = false;
  bool sharesForeign = false;  // a stage adds to the table the output is written with
  for (const Commands::TCommand& command : commands) {
    if (afterRangedBreak) return nullptr;  // its range would follow the line count
    Commands::TWork work = Commands::WorkOf(command, foreign);
    if (work.Kind == TKind::SetRange) {
      set = TLines{command.First - 1, command.Last == 0 ? -1 : command.Last - 1, command};
      continue;
    }
    if ((work.Kind == TKind::SaveRange || work.NeedsSetRange) && !set) return nullptr;
    afterRangedBreak = work.KeepsRange && set;
    sharesForeign = sharesForeign || work.AddsForeign;
    const bool keepsRange = work.KeepsRange;
    const bool selectOnly = work.Kind == TKind::SaveRange;
    auto stage =
        std::make_unique<TStage>(*pipeline, std::move(work), set.value_or(TLines{}), selectOnly);
    if (afterBreak && !set) stage->FollowLineCountOf(pipeline->stages_.back().get());
    pipeline->stages_.push_back(std::move(stage));
    afterBreak = keepsRange;
    set.reset();
  }
  for (std::size_t i = 0; i + 1 < pipeline->stages_.size(); ++i) {
    pipeline->stages_[i]->SetNext(pipeline->stages_[i + 1].get());
  }
  if (!sharesForeign) pipeline->Split();
  return pipeline;
}

void TPipeline::Line(std::string_view line) {
  StartSecondHalf();
  stages_.front()->Line(line);
}

void TPipeline::Finish() {
  StartSecondHalf();
  try {
    stages_.front()->Finish();
  } catch (...) {
    StopSecondHalf();
    throw;
  }
  if (second_.joinable()) second_.join();
  if (secondFailure_) std::rethrow_exception(secondFailure_);
  sink_(piece_);
  piece_.clear();
}

void TPipeline::Output(std::string_view line, bool withBreak) {
  piece_ += line;
  if (withBreak) piece_ += "\r\n";
  if (piece_.size() >= kOutputPiece && unchecked_ == 0) Flush();
}

void TPipeline::Flush() {
  sink_(piece_);
  piece_.clear();
}

}  // namespace Stream
