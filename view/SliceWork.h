// Work over the editor's text in slices between events, so that typing never waits for it: a
// count of matches in a 100 MB document runs a few milliseconds at a time. Each slice hands a
// piece of whole lines to the caller; a change of the text stops the work (its owner starts it
// again on the new text).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string_view>

class TEditorControl;

class TSliceWork : public QObject {
  Q_OBJECT
 public:
  using TPiece = std::function<void(std::string_view lines)>;
  using TDone = std::function<void()>;

  TSliceWork(TEditorControl& editor, QObject* parent);
  // Starts over on the bytes from..to (from at a line start): piece gets whole lines, each with
  // its CR LF, about kSliceMilliseconds of them at a time; done is called after the last.
  void Start(std::int64_t from, std::int64_t to, TPiece piece, TDone done);
  void Stop();
  [[nodiscard]] bool Running() const { return timer_.isActive(); }
  // Runs every remaining slice now (for tests and for a command that needs the answer).
  void Finish();

  static constexpr int kSliceMilliseconds = 8;

 private:
  // One slice; the last one stops the timer and calls done.
  void Step();

  TEditorControl& editor_;
  QTimer timer_;
  std::uint64_t revision_ = 0;
  std::int64_t at_ = 0;
  std::int64_t to_ = 0;
  TPiece piece_;
  TDone done_;
};
