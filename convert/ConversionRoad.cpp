// The conversion road on line lists.
#include "convert/ConversionRoad.h"

#include <algorithm>

namespace ConversionRoad {

std::string_view LineOf(const TLightStrings& document, std::int32_t i) {
  return (i >= 0 && i < document.Count()) ? document.View(i) : std::string_view();
}

void CopyLinesBefore(const TLightStrings& document, TRange range, TLightStrings& out) {
  for (std::int32_t i = 0; i < range.Start; ++i) out.Add(LineOf(document, i));
}

void CopyLinesAfter(const TLightStrings& document, std::int32_t lineCount, TRange range,
                    TLightStrings& out) {
  // After an empty range, from its start: the lines before it were copied already.
  for (std::int32_t i = std::max(range.End + 1, range.Start); i < lineCount; ++i) {
    out.Add(LineOf(document, i));
  }
}

void ConvertLines(const TLightStrings& document, TRange range, const LineRule& rule,
                  TLightStrings& out, const RangeTail& tail) {
  if (range.End < range.Start) return;
  for (std::int32_t i = range.Start; i <= range.End; ++i) rule(LineOf(document, i), out);
  if (tail) tail(out);
}

void Run(const TLightStrings& document, std::int32_t lineCount, TRange range,
         const LineRule& rule, TLightStrings& out, const RangeTail& tail) {
  CopyLinesBefore(document, range, out);
  ConvertLines(document, range, rule, out, tail);
  CopyLinesAfter(document, lineCount, range, out);
}

}  // namespace ConversionRoad
