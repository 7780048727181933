// libFuzzer target of the editor's text buffer: a sequence of edits, whole replacements, undos
// and redos; the line index agrees with the bytes, the history keeps to its budget, and undoing
// everything and redoing it again gives the same text.
#include <cstdlib>
#include <string>

#include "document/editor/TextBuffer.h"
#include "fuzz/FuzzInput.h"

namespace {

// The buffer's form of a text: CR LF breaks only, as SetBytes makes them.
std::string Normal(std::string_view bytes) {
  TTextBuffer buffer;
  buffer.SetBytes(std::string(bytes));
  return std::string(buffer.Contiguous());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  TTextBuffer buffer;
  buffer.SetBytes(input.String(64));
  const std::size_t budget = 1 + input.Byte() * std::size_t{64};
  buffer.SetHistoryBudget(budget);
  while (!input.Empty()) {
    const std::uint8_t op = input.Byte();
    const auto length = buffer.Length();
    const auto from = buffer.CharStart(input.Byte() % (length + 1));
    const auto to = buffer.CharStart(from + input.Byte() % (length - from + 1));
    switch (op % 5) {
      case 0:
      case 1: {
        const std::string text = Normal(input.String(8));
        if (from == to && text.empty()) break;
        buffer.Edit(from, to, text, op & 8);
        break;
      }
      case 2:
        buffer.ReplaceAll(input.String(32), op);
        break;
      case 3:
        buffer.Undo();
        break;
      default:
        buffer.Redo();
        break;
    }
    // The line index agrees with the bytes.
    const std::string_view text = buffer.Contiguous();
    std::int64_t breaks = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) breaks += text[i] == '\r' && text[i + 1] == '\n';
    if (buffer.ShownLines() != breaks + 1) std::abort();
    if (buffer.HistoryBytes() > budget) std::abort();
  }
  // Undo all the way and redo all the way again: the same text at the end, unless the budget
  // let some of the way go.
  const std::string last(buffer.Contiguous());
  int undone = 0, redone = 0;
  while (buffer.Undo()) ++undone;
  while (buffer.Redo()) ++redone;
  if (redone == undone && buffer.Contiguous() != last) std::abort();
  return 0;
}
