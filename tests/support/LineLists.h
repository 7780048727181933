// Line lists as plain vectors, for comparing them in tests.
#pragma once

#include <string>
#include <vector>

#include "document/LightStr.h"

using Lines = std::vector<std::string>;

inline Lines LinesOf(const TLightStrings& list) {
  Lines lines;
  for (std::int32_t i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
  return lines;
}
