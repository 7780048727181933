// The line-edge rules.
#include "convert/LineEdges.h"

#include <utility>

namespace LineEdges {

std::string_view Trim(std::string_view S) noexcept {
  std::size_t first = 0;
  std::size_t last = S.size();
  while (first < last && IsBlankByte(static_cast<unsigned char>(S[first]))) ++first;
  while (last > first && IsBlankByte(static_cast<unsigned char>(S[last - 1]))) --last;
  return S.substr(first, last - first);
}

bool IsBlank(std::string_view S) noexcept { return Trim(S).empty(); }

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
  return [text = std::move(Text), Prefix, joined = std::string()](std::string_view line,
                                                                   TLightStrings& out) mutable {
    joined.clear();
    if (Prefix) {
      joined.append(text).append(line);
    } else {
      joined.append(line).append(text);
    }
    out.Add(joined);
  };
}

}  // namespace LineEdges
