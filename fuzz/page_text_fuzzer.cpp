// libFuzzer target of HTMLをテキストに変換: any bytes, as a UTF-8 page and as the CP932 lines of a
// conversion range, with each option. Build with scripts/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/ConversionRoad.h"
#include "convert/PageText.h"
#include "document/ForeignChars.h"
#include "document/LightStr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const PageText::TOptions options{.KeepLinks = (data[0] & 1) != 0,
                                   .LinksOnly = (data[0] & 2) != 0};
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  (void)PageText::ToText(bytes, options);

  TLightStrings document;
  document.SetText(std::string(bytes));
  TForeignChars foreign;
  const PageText::TRoadRule rule = PageText::PageTextRule(options, foreign);
  TLightStrings out;
  ConversionRoad::Run(document, document.Count(), {0, document.Count() - 1}, rule.Rule, out,
                      rule.Tail);
  return 0;
}
