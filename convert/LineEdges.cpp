// The line-edge rules.
#include "convert/LineEdges.h"

#include <utility>

namespace LineEdges {

ConversionRoad::LineRule TrimRule(TTrimMode mode) {
  switch (mode) {
    case TTrimMode::TrimEnds:
      return [](std::string_view line, TLightStrings& out) { out.Add(Trim(line)); };
    case TTrimMode::DropBlank:
      return [](std::string_view line, TLightStrings& out) {
        if (!IsBlank(line)) out.Add(line);
      };
    case TTrimMode::TrimAndDrop:
      return [](std::string_view line, TLightStrings& out) {
        const std::string_view trimmed = Trim(line);
        if (!trimmed.empty()) out.Add(trimmed);
      };
  }
  return [](std::string_view line, TLightStrings& out) { out.Add(line); };
}

ConversionRoad::LineRule AddTextRule(std::string Text, bool Prefix) {
  if (Prefix) {
    return [text = std::move(Text)](std::string_view line, TLightStrings& out) {
      out.Add(text, line);
    };
  }
  return [text = std::move(Text)](std::string_view line, TLightStrings& out) {
    out.Add(line, text);
  };
}

}  // namespace LineEdges
