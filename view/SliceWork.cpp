#include "view/SliceWork.h"

#include <algorithm>
#include <cstring>

#include "document/editor/EditorControl.h"

namespace {

constexpr std::int64_t kPieceBytes = std::int64_t{1} << 20;

}  // namespace

TSliceWork::TSliceWork(TEditorControl& editor, QObject* parent) : QObject(parent), editor_(editor) {
  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
}

void TSliceWork::Start(std::int64_t from, std::int64_t to, TPiece piece, TDone done) {
  revision_ = editor_.Revision();
  at_ = std::max<std::int64_t>(from, 0);
  to_ = std::max(at_, to);
  piece_ = std::move(piece);
  done_ = std::move(done);
  timer_.start();
}

void TSliceWork::Stop() { timer_.stop(); }

void TSliceWork::Finish() {
  while (timer_.isActive()) Step();
}

void TSliceWork::Step() {
  if (editor_.Revision() != revision_) {  // the owner starts again on the new text
    timer_.stop();
    return;
  }
  const std::string_view text = editor_.ContiguousText();
  const std::int64_t end = std::min<std::int64_t>(to_, static_cast<std::int64_t>(text.size()));
  QElapsedTimer clock;
  clock.start();
  while (at_ < end) {
    // A piece ends after a line's LF, so that no match is cut in two.
    std::int64_t stop = std::min(end, at_ + kPieceBytes);
    if (stop < end) {
      const void* lf = std::memchr(text.data() + stop, '\n', static_cast<std::size_t>(end - stop));
      stop = lf == nullptr ? end : static_cast<const char*>(lf) - text.data() + 1;
    }
    piece_(text.substr(static_cast<std::size_t>(at_), static_cast<std::size_t>(stop - at_)));
    at_ = stop;
    if (clock.elapsed() >= kSliceMilliseconds) return;
  }
  timer_.stop();
  const TDone done = done_;  // done may start new work
  if (done) done();
}
