// Line marks of the main window.
#include "app/Unmein.h"

void TFmmein::ClearMarks() {
  MarkLines.fill(-1);
  LastMarkSlot = -1;
}
