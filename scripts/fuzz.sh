#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each for the given number of seconds on a corpus seeded from samples/ and tests/data/.
#   scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
command -v clang++ >/dev/null || { echo "clang++ is needed: apt-get install clang" >&2; exit 1; }
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -DKORVANE_CORE_ONLY=ON -DKORVANE_BENCH=OFF -DKORVANE_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j2 --target page_text_fuzzer
corpus=build-fuzz/corpus/page_text
mkdir -p "$corpus"
cp samples/*.html tests/data/pages/*.html tests/data/pages/encoded/*.utf8.html "$corpus"/ 2>/dev/null || true
build-fuzz/page_text_fuzzer "$corpus" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096
