// Tag removal and entity decoding over every line of the generated Japanese text, and tag
// line-breaking of one long line of tags: its time should grow in step with the line's length.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchData.h"
#include "convert/HTMLfunc.h"
#include "convert/PageText.h"
#include "document/LightStr.h"

namespace {

// The lines of the text, without their CR LF.
std::vector<std::string_view> LinesOf(const std::string& text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back(text.data() + start, end - start);
    start = end + 2;
  }
  return lines;
}

// StripTags (which decodes the entities of lines that held tags) and DecodeEntities, line by
// line, over 100 MB. Rates are on wall-clock time, like the sed peer in bench/run.sh.
void BM_HTMLStripTagsAndDecodeEntities(benchmark::State& state) {
  const std::string text = BenchData::JapaneseText(static_cast<std::size_t>(state.range(0)));
  const std::vector<std::string_view> lines = LinesOf(text);
  for (auto _ : state) {
    std::size_t kept = 0;
    for (const std::string_view line : lines) {
      const std::string stripped = HTMLfunc::StripTags(line);
      const std::string decoded = HTMLfunc::DecodeEntities(stripped);
      kept += decoded.size();
    }
    benchmark::DoNotOptimize(kept);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_HTMLStripTagsAndDecodeEntities)
    ->Arg(100'000'000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One line of `count` stretches "<b>日本語plain text ", 20 bytes each.
std::string TagLine(std::int64_t count) {
  const std::string unit = "<b>\x93\xfa\x96\x7b\x8c\xea" "plain text ";
  std::string line;
  line.reserve(unit.size() * static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) line += unit;
  return line;
}

// 500,000 tags (10 MB) and 1,000,000 tags (20 MB) on one line, each tag and text a line.
void BM_HTMLBreakAtTagsOneLine(benchmark::State& state) {
  const std::string line = TagLine(state.range(0));
  TLightStrings out;
  for (auto _ : state) {
    out.Clear();
    std::string carry;
    HTMLfunc::BreakAtTags(line, carry, out);
    benchmark::DoNotOptimize(out.Count());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_HTMLBreakAtTagsOneLine)
    ->Arg(500'000)
    ->Arg(1'000'000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// StripTags of the same long lines.
void BM_HTMLStripTagsOneLine(benchmark::State& state) {
  const std::string line = TagLine(state.range(0));
  for (auto _ : state) {
    const std::string stripped = HTMLfunc::StripTags(line);
    benchmark::DoNotOptimize(stripped.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_HTMLStripTagsOneLine)
    ->Arg(500'000)
    ->Arg(1'000'000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// HTMLをテキストに変換 on a UTF-8 page of paragraphs, links and scripts, parse and layout only:
// the in-process rate (goal: at least 50 MB/s).
void BM_PageTextToText(benchmark::State& state) {
  const std::string paragraph =
      "<p>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x96\x87\xE7\xAB\xA0 market report "
      "&amp; <a href=\"/p/1\">link</a> <b>bold</b></p>\n<script>var x = 1;</script>\n";
  std::string page = "<html><head><title>t</title></head><body>";
  while (page.size() < static_cast<std::size_t>(state.range(0))) page += paragraph;
  page += "</body></html>";
  for (auto _ : state) benchmark::DoNotOptimize(PageText::ToText(page, {}).size());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_PageTextToText)->Arg(100'000'000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
