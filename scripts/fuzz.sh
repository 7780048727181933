#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each for the given number of seconds, on a corpus seeded from samples/ and tests/data/
# and kept in build-fuzz/corpus/ from one run to the next.
#   scripts/fuzz.sh [seconds per target] [target...]      (make fuzz SECONDS=60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(page_text readers codec convert replace textbuffer recipe saverecord recovery)
if ! command -v clang++ >/dev/null; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends clang >/dev/null
fi
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -DKORVANE_CORE_ONLY=ON -DKORVANE_BENCH=OFF -DKORVANE_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzzer}"

seed() {  # seed <target> <files...>: copies what exists into the target's corpus
  local corpus=build-fuzz/corpus/$1
  shift
  mkdir -p "$corpus"
  for file in "$@"; do [ -f "$file" ] && cp "$file" "$corpus/" ; done
  return 0
}
shopt -s nullglob
seed page_text samples/*.html tests/data/pages/*.html tests/data/pages/encoded/*.utf8.html
seed readers samples/*.txt samples/*.html samples/*.URL tests/data/pages/encoded/*
seed codec samples/*.txt tests/data/pages/encoded/*
seed convert samples/*.txt samples/*.html
seed replace samples/*.txt samples/*.lst
seed textbuffer samples/sample.txt
seed recipe samples/*.recipe
seed saverecord
printf 'KORVANE-BACKUP-1\n' > build-fuzz/corpus/saverecord/magic
seed recovery
printf '\x20KORVANE-RECOVERY-1\n\x01\0\0\0\0\0\0\0KORVANE-JOURNAL-1\n\x01\0\0\0\0\0\0\0' > build-fuzz/corpus/recovery/magic

failed=0
for target in "${targets[@]}"; do
  echo "== ${target}_fuzzer, ${seconds} s"
  # Inputs that crash or run slowly are kept in build-fuzz/, not in the checkout.
  if ! build-fuzz/${target}_fuzzer "build-fuzz/corpus/$target" -max_total_time="$seconds" \
       -max_len=65536 -rss_limit_mb=4096 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/${target}-" 2> "build-fuzz/$target.log"; then
    tail -40 "build-fuzz/$target.log"
    failed=1
  else
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "build-fuzz/$target.log" | tr '\n' ' '
    echo
  fi
done
exit $failed
