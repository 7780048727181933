// The line list on a 100 MB document of 1,000,000 lines: loading a file and joining it, and
// splitting a text, with a plain read of the same file as the baseline in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchData.h"
#include "document/FileIO.h"
#include "document/LightStr.h"
#include "document/MemoryTuning.h"

namespace {

constexpr std::size_t kDocumentBytes = 100u << 20;

const std::string& Document() {
  static const std::string bytes = [] {
    KeepFreedMemoryForReuse();  // as the program does at start-up
    return BenchData::JapaneseText(kDocumentBytes, 100);
  }();
  return bytes;
}

// The document as a file, written once per run.
const std::string& DocumentFile() {
  static const std::string path = [] {
    const std::string name =
        (std::filesystem::temp_directory_path() / "korvane-bench-document.txt").string();
    std::ofstream(name, std::ios::binary).write(Document().data(),
                                                static_cast<std::streamsize>(Document().size()));
    return name;
  }();
  return path;
}

// Generates the input outside the timed loops.
void Prepare() { (void)DocumentFile(); }

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Document().size()));
}

// Baseline: the bytes of the file, read whole.
void BM_LightStr_ReadFileBaseline(benchmark::State& state) {
  Prepare();
  for (auto _ : state) benchmark::DoNotOptimize(FileIO::ReadWholeFile(DocumentFile()).size());
  SetBytes(state);
}
BENCHMARK(BM_LightStr_ReadFileBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LightStr_LoadFromFileThenGetText(benchmark::State& state) {
  Prepare();
  for (auto _ : state) {
    TLightStrings list;
    list.LoadFromFile(DocumentFile());
    benchmark::DoNotOptimize(list.GetText().size());
  }
  SetBytes(state);
}
BENCHMARK(BM_LightStr_LoadFromFileThenGetText)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LightStr_SetText(benchmark::State& state) {
  for (auto _ : state) {
    TLightStrings list;
    list.SetText(Document());
    benchmark::DoNotOptimize(list.Count());
  }
  SetBytes(state);
}
BENCHMARK(BM_LightStr_SetText)->Unit(benchmark::kMillisecond)->UseRealTime();

// Lines added one at a time, as conversions build their output.
void BM_LightStr_AddEveryLine(benchmark::State& state) {
  TLightStrings source;
  source.SetText(Document());
  for (auto _ : state) {
    TLightStrings out;
    for (std::int32_t i = 0; i < source.Count(); ++i) out.Add(source.View(i));
    benchmark::DoNotOptimize(out.Count());
  }
  SetBytes(state);
}
BENCHMARK(BM_LightStr_AddEveryLine)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
