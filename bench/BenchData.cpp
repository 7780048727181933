// Generated benchmark input with a fixed seed.
#include "bench/BenchData.h"

#include <array>
#include <random>
#include <string_view>

namespace BenchData {

namespace {
// Pieces in CP932: 日本語の, テキスト, ﾃｷｽﾄ, ASCII, an address, a tag, 表示 (second byte 0x5C).
constexpr std::array<std::string_view, 8> kPieces = {
    "\x93\xfa\x96\x7b\x8c\xea\x82\xcc",
    "\x83\x65\x83\x4c\x83\x58\x83\x67",
    "\xc3\xb7\xbd\xc4",
    "plain ascii words ",
    "http://example.com/files/archive-0042.zip",
    "<a href=\"index.html\">",
    "\x95\x5c\x8e\xa6",
    "\x81\x40",
};
}  // namespace

std::string JapaneseText(std::size_t bytes, std::size_t lineLength) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() - 1);
  std::string text;
  text.reserve(bytes + lineLength + 64);
  std::size_t lineStart = 0;
  while (text.size() < bytes) {
    text += kPieces[pick(random)];
    if (text.size() - lineStart >= lineLength) {
      text += "\r\n";
      lineStart = text.size();
    }
  }
  if (text.size() != lineStart) text += "\r\n";
  return text;
}

const TLightStrings& LinesForTheRun(const std::string& text) {
  auto* lines = new TLightStrings;  // never freed: benchmarks share it until the process ends
  lines->SetText(text);
  return *lines;
}

}  // namespace BenchData
