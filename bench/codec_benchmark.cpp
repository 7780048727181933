// Throughput of the CP932 codec on generated Japanese text, with glibc iconv over the same
// buffer as the peer. Every benchmark counts the document's CP932 bytes, so the reported
// bytes/s compare directly.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "document/Cp932Codec.h"

namespace {

constexpr std::size_t kDocumentBytes = 32 << 20;

const std::string& Document() {
  static const std::string bytes = BenchData::JapaneseText(kDocumentBytes);
  return bytes;
}

const std::u16string& DecodedDocument() {
  static const std::u16string text = Cp932::Decode(Document());
  return text;
}

const std::u16string& EditorDocument() {
  static const std::u16string text = [] {
    std::u16string units(Document().size(), u'\0');
    units.resize(Cp932::DecodeForEditor(Document(), units.data()));
    return units;
  }();
  return text;
}

template <std::size_t (*DecodeFn)(std::string_view, char16_t*) noexcept>
void BM_CodecDecode(benchmark::State& state) {
  const std::string& bytes = Document();
  std::vector<char16_t> units(bytes.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(DecodeFn(bytes, units.data()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

template <std::size_t (*EncodeFn)(std::u16string_view, std::string&)>
void BM_CodecEncode(benchmark::State& state, const std::u16string& (*text)()) {
  std::string bytes;
  for (auto _ : state) {
    bytes.clear();
    if (EncodeFn(text(), bytes) != Cp932::npos) state.SkipWithError("unencodable unit");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Document().size()));
}

void BM_CodecDecode_Plain(benchmark::State& state) { BM_CodecDecode<Cp932::Decode>(state); }
void BM_CodecDecode_Editor(benchmark::State& state) {
  BM_CodecDecode<Cp932::DecodeForEditor>(state);
}
void BM_CodecEncode_Plain(benchmark::State& state) {
  BM_CodecEncode<Cp932::Encode>(state, DecodedDocument);
}
void BM_CodecEncode_Editor(benchmark::State& state) {
  BM_CodecEncode<Cp932::EncodeFromEditor>(state, EditorDocument);
}

// The peer: one iconv() call over the whole buffer.
void BM_CodecPeer_IconvDecode(benchmark::State& state) {
  const std::string& bytes = Document();
  std::vector<char> units(bytes.size() * 2);
  iconv_t cd = iconv_open("UTF-16LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv cannot convert CP932");
    return;
  }
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* out = units.data();
    std::size_t outLeft = units.size();
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
      state.SkipWithError("iconv stopped");
    benchmark::ClobberMemory();
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_CodecPeer_IconvEncode(benchmark::State& state) {
  const std::u16string& text = DecodedDocument();
  std::vector<char> bytes(text.size() * 2);
  iconv_t cd = iconv_open("CP932", "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv cannot convert CP932");
    return;
  }
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    std::size_t inLeft = text.size() * 2;
    char* out = bytes.data();
    std::size_t outLeft = bytes.size();
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
      state.SkipWithError("iconv stopped");
    benchmark::ClobberMemory();
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Document().size()));
}

}  // namespace

BENCHMARK(BM_CodecDecode_Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecDecode_Editor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecEncode_Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecEncode_Editor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecPeer_IconvDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecPeer_IconvEncode)->Unit(benchmark::kMillisecond);
