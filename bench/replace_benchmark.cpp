// The replace and delete kinds over every line of a 100 MB document, as a run of the dialog
// converts it (bench/run.sh runs sed and grep over a document of the same make), and line
// breaking and stretch deletion on one long line: their time should grow in step with its length.
// Bytes/s count the whole document, line breaks included, as a peer reading the file would.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/BenchData.h"
#include "convert/ConversionRoad.h"
#include "document/LightStr.h"
#include "document/MemoryTuning.h"
#include "replace/ReplaceRules.h"

namespace {

constexpr std::size_t kDocumentBytes = 100u << 20;

const std::string& Document() {
  static const std::string text = [] {
    KeepFreedMemoryForReuse();  // as the program does at start-up
    return BenchData::JapaneseText(kDocumentBytes, 100);
  }();
  return text;
}

const TLightStrings& DocumentLines() {
  static const TLightStrings& lines = BenchData::LinesForTheRun(Document());
  return lines;
}

void RunOverDocument(benchmark::State& state, int kind, const ReplaceRules::TFields& f,
                     const ReplaceRules::TOptions& o) {
  const TLightStrings& lines = DocumentLines();
  const ConversionRoad::TRange all{0, lines.Count() - 1};
  std::int64_t kept = 0;
  for (auto _ : state) {
    TLightStrings out;
    ReplaceRules::RunKind(lines, lines.Count(), all, kind, f, o, out);
    kept = out.Count();
    benchmark::DoNotOptimize(kept);
  }
  state.counters["lines_out"] = static_cast<double>(kept);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Document().size()));
}

// sed 's/e/E/g': 'e' is also the second byte of テ (0x83 0x65), where sed matches and we do not.
void BM_RepKind11_ReplaceOneByte(benchmark::State& state) {
  RunOverDocument(state, 11, {"e", "", "E"}, {false, true, false});
}
BENCHMARK(BM_RepKind11_ReplaceOneByte)->Unit(benchmark::kMillisecond)->UseRealTime();

// sed 's/zip/rar/g'.
void BM_RepKind11_ReplaceThreeBytes(benchmark::State& state) {
  RunOverDocument(state, 11, {"zip", "", "rar"}, {false, true, false});
}
BENCHMARK(BM_RepKind11_ReplaceThreeBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// grep -v -i -F -e 'Words Plain' -e 'INDEX.HTML">表' -e 'ｷｽﾄhttp'.
void BM_RepKind150_ThreeStringsIgnoreCase(benchmark::State& state) {
  RunOverDocument(state, 150,
                  {"Words Plain", "INDEX.HTML\">\x95\x5c", "\xb7\xbd\xc4http"},
                  {false, false, false});
}
BENCHMARK(BM_RepKind150_ThreeStringsIgnoreCase)->Unit(benchmark::kMillisecond)->UseRealTime();

// One line of `count` units "<i>日本abc", 10 bytes each: a million markers in 10 MB.
std::string MarkedLine(std::int64_t count) {
  const std::string unit = "<i>\x93\xfa\x96\x7b" "abc";
  std::string line;
  line.reserve(unit.size() * static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) line += unit;
  return line;
}

void RunOneLine(benchmark::State& state, int kind, const ReplaceRules::TFields& f) {
  const std::string line = MarkedLine(state.range(0));
  const ConversionRoad::LineRule rule = ReplaceRules::KindRule(kind, f, {});
  for (auto _ : state) {
    TLightStrings out;
    rule(line, out);
    benchmark::DoNotOptimize(out.View(0).size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}

// Breaks after every '>' and before every '<': two million pieces from 10 MB.
void BM_RepKind50_OneLine(benchmark::State& state) { RunOneLine(state, 50, {">", "<", ""}); }
BENCHMARK(BM_RepKind50_OneLine)
    ->Arg(1'000'000)
    ->Arg(2'000'000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Deletes every stretch from '<' to '>'.
void BM_RepKind24_OneLine(benchmark::State& state) { RunOneLine(state, 24, {"<", ">", ""}); }
BENCHMARK(BM_RepKind24_OneLine)
    ->Arg(1'000'000)
    ->Arg(2'000'000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
