// The jump menu's caret commands of the main window: start and end of the text, first and last
// line of the conversion range, and any line chosen in the jump dialog.
#include <QAction>
#include <QLineEdit>

#include <algorithm>
#include <cstdint>

#include "app/Globals.h"
#include "app/Platform.h"
#include "app/Unmein.h"
#include "document/editor/EditorControl.h"
#include "view/Unline.h"

void TFmmein::WireJumpCommands() { Wire({N57, N53, N54, N55, N56}, &TFmmein::N53Click); }

void TFmmein::N53Click(QObject* Sender) {
  Btext->setFocus();
  std::optional<std::int64_t> caret;
  if (Sender == N53) caret = 0;
  if (Sender == N54) caret = EndOfTextOffset();
  if (Sender == N55) caret = Btext->LineIndex(RangeStart);
  if (Sender == N56) caret = Btext->LineIndex(RangeEnd);  // the start of the range's last line
  if (Sender == N57) caret = ChosenLineOffset();
  // A line the editor has no start for (−1) leaves the caret where it is.
  if (caret && *caret >= 0) Btext->SetSelStart(*caret);
}

// The end of the last line: before a final line break, otherwise the very end of the text.
std::int64_t TFmmein::EndOfTextOffset() const {
  const std::int64_t length = Btext->TextLength();
  const bool endsWithBreak = length > 0 && Btext->LineIndex(Btext->LineCount()) == length;
  return endsWithBreak ? length - 1 : length;
}

std::optional<std::int64_t> TFmmein::ChosenLineOffset() {
  if (Fmline == nullptr) return std::nullopt;
  const std::int32_t lines = Btext->LineCount();
  const std::int32_t caretLine = Btext->LineFromChar(Btext->SelStart()) + 1;
  Fmline->e1->setText(QString::number(lines));
  // A document without lines stops here: the bar cannot run from 1 to 0.
  Fmline->TrackBar1->SetParams(caretLine, 1, lines);
  Fmline->TrackBar1->setTickInterval(lines / 10);
  Fmline->LineRequest.clear();
  Platform().ShowModal(*Fmline);
  const QString request = Fmline->LineRequest;
  if (request.isEmpty()) return std::nullopt;  // closed without an entry
  std::int64_t line = 0;
  if (request.startsWith(u'+') || request.startsWith(u'-')) {
    line = std::clamp<std::int64_t>(std::int64_t{caretLine} + StrToInt(request), 1, lines);
  } else {
    line = StrToInt(request);
  }
  // Line 0 ("beyond the last line") asks for −1: the start of the caret's own line.
  if (line < 0) return std::nullopt;
  return Btext->LineIndex(static_cast<std::int32_t>(line - 1));
}
