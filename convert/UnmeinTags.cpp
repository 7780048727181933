// HTML tag removal (keeping every piece, or dropping those left blank), tag line-breaking, and
// a page made readable text.
#include <QAction>

#include <memory>

#include "app/Unmein.h"
#include "convert/HTMLfunc.h"
#include "convert/PageText.h"

void TFmmein::WireTagCommands() {
  Wire({tagc1, tbTagCut, tagc2, tbTagSpCut}, &TFmmein::HTML1Click);
  Wire({HTML2}, &TFmmein::HTML2Click);
  Wire({tbPageText, PageText1, PageLinks1}, &TFmmein::PageTextClick);
}

void TFmmein::PageTextClick(QObject* Sender) {
  const PageText::TRoadRule rule = PageText::PageTextRule(
      {.KeepLinks = KeepLinks1->isChecked(), .LinksOnly = Sender == PageLinks1}, Foreign);
  ConvertRange(rule.Rule, {.AfterLastLine = rule.Tail,
                           .Recipe = Sender == PageLinks1      ? "page-links"
                                     : KeepLinks1->isChecked() ? "page-text --keep-links"
                                                               : "page-text"});
}

void TFmmein::HTML1Click(QObject* Sender) {
  const bool keepEveryPiece = Sender == tagc1 || Sender == tbTagCut;
  ConvertRange(HTMLfunc::TagRemovalRule(!keepEveryPiece),
               {.Recipe = keepEveryPiece ? "strip-tags" : "strip-tags-drop-blank"});
}

// The range and the caret stay as they were; the range end follows the new line count.
void TFmmein::HTML2Click(QObject*) {
  auto breaker = std::make_shared<HTMLfunc::TTagBreaker>();
  ConvertRange(
      [breaker](std::string_view line, TLightStrings& out) { breaker->Line(line, out); },
      {.ResetRangeAfter = false,
       .ResetRangeOnFailure = false,
       .CaretAfter = std::nullopt,
       .AfterLastLine = [breaker](TLightStrings& out) { breaker->Finish(out); },
       .Recipe = "break-at-tags"});
}
