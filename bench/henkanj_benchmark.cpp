// Full-width to half-width conversion over every line of 100 MB of generated Japanese text, as
// the command converts a document; bench/run.sh runs nkf over a document of the same make.
// Bytes/s count the whole document, line breaks included, as a peer reading the file would.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchData.h"
#include "convert/ConversionRoad.h"
#include "convert/HenkanJ.h"
#include "document/LightStr.h"

namespace {

constexpr std::size_t kDocumentBytes = 100'000'000;

const std::string& Document() {
  static const std::string text = BenchData::JapaneseText(kDocumentBytes);
  return text;
}

// The document's lines without their CR LF.
const std::vector<std::string_view>& Lines() {
  static const std::vector<std::string_view> lines = [] {
    std::vector<std::string_view> out;
    const std::string_view text = Document();
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = std::min(text.find("\r\n", start), text.size());
      out.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return out;
  }();
  return lines;
}

void BM_ZenToHanEveryLine(benchmark::State& state) {
  const std::vector<std::string_view>& lines = Lines();
  for (auto _ : state) {
    for (const std::string_view line : lines) {
      std::string converted = HenkanJ::ZenToHan(line);
      benchmark::DoNotOptimize(converted.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Document().size()));
}
BENCHMARK(BM_ZenToHanEveryLine)->Unit(benchmark::kMillisecond);

// The command's core share: every line through its rule into an output list.
void BM_ZenToHanHalfWidthRuleToList(benchmark::State& state) {
  TLightStrings document;
  document.SetText(std::string_view(Document()));
  const ConversionRoad::LineRule rule = HenkanJ::HalfWidthRule();
  for (auto _ : state) {
    TLightStrings out;
    ConversionRoad::ConvertLines(document, {0, document.Count() - 1}, rule, out);
    benchmark::DoNotOptimize(out.Count());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Document().size()));
}
BENCHMARK(BM_ZenToHanHalfWidthRuleToList)->Unit(benchmark::kMillisecond);

}  // namespace
