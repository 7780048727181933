// ReplaceBetween on single long lines: the time should grow in step with the line's length, also
// for inputs where every byte is a match.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/BenchData.h"
#include "convert/Strfunc.h"

namespace {

// One line of `count` stretches "[x]表示abc", 10 bytes each (表 has the second byte 0x5C).
std::string BracketLine(std::int64_t count) {
  const std::string unit = "[x]\x95\x5C\x8E\xA6" "abc";
  std::string line;
  line.reserve(unit.size() * static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) line += unit;
  return line;
}

// The generated Japanese text as one line: its CR LF removed.
std::string JapaneseLine(std::size_t bytes) {
  const std::string text = BenchData::JapaneseText(bytes);
  std::string line;
  line.reserve(text.size());
  for (const char c : text) {
    if (c != '\r' && c != '\n') line += c;
  }
  return line;
}

void RunReplaceBetween(benchmark::State& state, const std::string& line, const std::string& start,
                       const std::string& end, const std::string& repl, std::uint8_t mode,
                       bool ignoreCase) {
  for (auto _ : state) {
    std::string result = Strfunc::ReplaceBetween(line, start, end, repl, mode, ignoreCase);
    benchmark::DoNotOptimize(result.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}

// 1,000,000 stretches (10 MB) and 2,000,000 (20 MB), "[" to "]", case-sensitive.
void BM_ReplaceBetweenBracketStretches(benchmark::State& state) {
  const std::string line = BracketLine(state.range(0));
  RunReplaceBetween(state, line, "[", "]", "-", 1, false);
}
BENCHMARK(BM_ReplaceBetweenBracketStretches)
    ->Arg(1'000'000)
    ->Arg(2'000'000)
    ->Unit(benchmark::kMillisecond);

// Every byte 0x81 and the start marker a lone 0x81: each match leaves a rest whose character
// count starts over, ignoring case. 1 MB and 2 MB.
void BM_ReplaceBetweenLoneLeadBytesIgnoreCase(benchmark::State& state) {
  const std::string line(static_cast<std::size_t>(state.range(0)), '\x81');
  RunReplaceBetween(state, line, "\x81", "", "-", 1, true);
}
BENCHMARK(BM_ReplaceBetweenLoneLeadBytesIgnoreCase)
    ->Arg(1 << 20)
    ->Arg(2 << 20)
    ->Unit(benchmark::kMillisecond);

// Replace-all (empty end marker), case-sensitive, on 10 MB of Japanese text in one line.
void BM_ReplaceBetweenReplaceAll(benchmark::State& state) {
  const std::string line = JapaneseLine(static_cast<std::size_t>(state.range(0)));
  RunReplaceBetween(state, line, "ascii", "", "ASCII", 1, false);
}
BENCHMARK(BM_ReplaceBetweenReplaceAll)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
