// The line-edge rules over every line of a 100 MB document, each measured against plain copies
// of the same text in the same run: the bytes copied whole, and every line copied into a new
// line list the way the conversion road builds its output.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench/BenchData.h"
#include "convert/ConversionRoad.h"
#include "convert/LineEdges.h"
#include "document/LightStr.h"
#include "document/MemoryTuning.h"

namespace {

constexpr std::size_t kDocumentBytes = 100u << 20;

// The document with blanks at both ends of every third line, so that trimming has work to do.
const std::string& Document() {
  static const std::string text = [] {
    KeepFreedMemoryForReuse();  // as the program does at start-up
    const std::string plain = BenchData::JapaneseText(kDocumentBytes, 100);
    std::string padded;
    padded.reserve(plain.size() + plain.size() / 40);
    std::size_t start = 0;
    for (int n = 0; start < plain.size(); ++n) {
      const std::size_t end = plain.find("\r\n", start);
      const std::string_view line(plain.data() + start, end - start);
      if (n % 3 == 0) padded.append(" \t").append(line).append("  \r\n");
      else if (n % 7 == 0) padded.append("   \r\n");
      else padded.append(line).append("\r\n");
      start = end + 2;
    }
    return padded;
  }();
  return text;
}

const TLightStrings& DocumentLines() {
  static const TLightStrings& lines = BenchData::LinesForTheRun(Document());
  return lines;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Document().size()));
}

void RunRule(benchmark::State& state, const ConversionRoad::LineRule& rule) {
  const TLightStrings& lines = DocumentLines();
  const ConversionRoad::TRange all{0, lines.Count() - 1};
  for (auto _ : state) {
    TLightStrings out;
    ConversionRoad::Run(lines, lines.Count(), all, rule, out);
    benchmark::DoNotOptimize(out.Count());
  }
  SetBytes(state);
}

// Baseline: the text copied whole in memory.
void BM_LineEdges_CopyTextBaseline(benchmark::State& state) {
  const std::string& text = Document();
  std::string copy(text.size(), '\0');
  for (auto _ : state) {
    std::memcpy(copy.data(), text.data(), text.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}
BENCHMARK(BM_LineEdges_CopyTextBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: every line copied unchanged into a new list along the road.
void BM_LineEdges_CopyLinesBaseline(benchmark::State& state) {
  RunRule(state, [](std::string_view line, TLightStrings& out) { out.Add(line); });
}
BENCHMARK(BM_LineEdges_CopyLinesBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LineEdges_Trim(benchmark::State& state) {
  RunRule(state, LineEdges::TrimRule(LineEdges::TTrimMode::TrimEnds));
}
BENCHMARK(BM_LineEdges_Trim)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LineEdges_DropBlankLines(benchmark::State& state) {
  RunRule(state, LineEdges::TrimRule(LineEdges::TTrimMode::DropBlank));
}
BENCHMARK(BM_LineEdges_DropBlankLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LineEdges_AddPrefix(benchmark::State& state) {
  RunRule(state, LineEdges::AddTextRule("\x81\x9C ", true));  // "● "
}
BENCHMARK(BM_LineEdges_AddPrefix)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
