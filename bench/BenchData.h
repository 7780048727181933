// Generated benchmark input: Shift-JIS text that looks like the program's material (saved web
// pages and address lists), with a fixed seed so every run measures the same bytes.
#pragma once

#include <cstddef>
#include <string>

#include "document/LightStr.h"

namespace BenchData {

// About `bytes` bytes of CP932 text in lines of about `lineLength` bytes, each ended by CR LF:
// a mix of kanji, kana, half-width katakana, ASCII words, addresses and HTML tags.
[[nodiscard]] std::string JapaneseText(std::size_t bytes, std::size_t lineLength = 100);

// The lines of a text as a line list that lives for the whole run (made anew on each call:
// callers keep it in a static).
[[nodiscard]] const TLightStrings& LinesForTheRun(const std::string& text);

}  // namespace BenchData
