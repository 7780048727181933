// Full-width to half-width conversion of the range.
#include <QAction>

#include "app/Unmein.h"
#include "convert/HenkanJ.h"

void TFmmein::WireWidthCommands() { Wire({N73, BtAnsi}, &TFmmein::N73Click); }

// The caret stays where it was; a failure leaves the range as the user set it.
void TFmmein::N73Click(QObject*) {
  ConvertRange(HenkanJ::HalfWidthRule(),
               {.ResetRangeOnFailure = false, .CaretAfter = std::nullopt, .Recipe = "half-width"});
}
