// libFuzzer target of the line conversions: tag removal, tag line-breaking with its carry,
// breaking between marks and full width to half width, over the lines of any bytes.
#include <string>

#include "convert/ConversionRoad.h"
#include "convert/HTMLfunc.h"
#include "convert/HenkanJ.h"
#include "document/LightStr.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  const std::string after = input.String(4);
  const std::string before = input.String(4);
  TLightStrings document;
  document.SetText(std::string(input.Rest()));
  const ConversionRoad::TRange all{0, document.Count() - 1};
  for (const bool dropBlank : {false, true}) {
    TLightStrings out;
    ConversionRoad::Run(document, document.Count(), all, HTMLfunc::TagRemovalRule(dropBlank), out);
  }
  TLightStrings out;
  ConversionRoad::Run(document, document.Count(), all, HenkanJ::HalfWidthRule(), out);
  std::string carry;
  TLightStrings broken;
  TLightStrings pieces;
  for (std::int32_t i = 0; i < document.Count(); ++i) {
    HTMLfunc::BreakAtTags(document.View(i), carry, broken);
    (void)HTMLfunc::BreakAtMarks(document.View(i), after, before, pieces);
  }
  return 0;
}
