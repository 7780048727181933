// Line marks of the main window: placing a mark on the caret's line, the marks dialog and what
// its answer does.
#include <QAction>

#include "app/Platform.h"
#include "app/Unmein.h"
#include "document/editor/EditorControl.h"
#include "view/UnMark.h"

void TFmmein::WireMarkCommands() {
  Wire({JumpMark2}, &TFmmein::MarkClick);
  Wire({JumpMark1, Mark}, &TFmmein::JumpMark1Click);
}

void TFmmein::ClearMarks() {
  MarkLines.fill(-1);
  LastMarkSlot = -1;
}

// The slots are written in turn, so a sixth mark replaces the oldest.
void TFmmein::MarkClick(QObject*) {
  const std::int32_t line = Btext->LineFromChar(Btext->SelStart());
  const auto slotCount = static_cast<std::int32_t>(MarkLines.size());
  LastMarkSlot = LastMarkSlot + 1 >= slotCount ? 0 : LastMarkSlot + 1;
  MarkLines[static_cast<std::size_t>(LastMarkSlot)] = line;
  Mark->setEnabled(true);
  JumpMark1->setEnabled(true);
}

void TFmmein::JumpMark1Click(QObject*) {
  // Marks are line numbers: those past a document that has become shorter are dropped. A mark
  // on the line count itself (the empty line after a final break) stays.
  const std::int32_t lines = Btext->LineCount();
  for (std::int32_t& line : MarkLines) {
    if (line > lines) line = -1;
  }
  if (LastMarkSlot == -1 || FmMark == nullptr) return;
  FmMark->MarkChoice = -1;
  Platform().ShowModal(*FmMark);
  const std::int32_t choice = FmMark->MarkChoice;
  if (choice == -20) {
    ClearMarks();
    return;
  }
  if (choice < 0 || choice >= static_cast<std::int32_t>(MarkLines.size())) return;
  const std::int32_t line = MarkLines[static_cast<std::size_t>(choice)];
  if (line == -1) return;
  // A mark after a last line without a break has no start: the caret stays.
  const std::int64_t at = Btext->LineIndex(line);
  if (at >= 0) Btext->SetSelStart(at);
}
