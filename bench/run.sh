#!/usr/bin/env bash
# Measures Korvane against its peers on one generated 100 MB / 1,000,000-line Shift-JIS file:
# wc -l, cat and iconv set the scale; the core benchmarks and the window-open benchmark follow.
#   bench/run.sh [build folder]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/core_benchmark" --benchmark_filter=NONE >/dev/null  # warms the binary
python3 "$(dirname "$0")/make_document.py" "$work/doc.txt"
size=$(stat -c %s "$work/doc.txt")
mb() { python3 -c "print(f'{$size / 1e6 / $1:8.0f} MB/s')"; }
best() {  # best of three runs of a command, in seconds
  local best=999
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N)
    best=$(python3 -c "print(min($best, $end - $start))")
  done
  echo "$best"
}
echo "Peers on $(python3 -c "print(round($size / 1e6, 1))") MB:"
t=$(best wc -l "$work/doc.txt");                      echo "  wc -l            $(mb "$t")"
t=$(best cp "$work/doc.txt" "$work/copy.txt");        echo "  cat (copy)       $(mb "$t")"
t=$(best iconv -f CP932 -t UTF-8 "$work/doc.txt");    echo "  iconv decode     $(mb "$t")"
echo
echo "Core (bytes/s per benchmark; iconv peers measured in the same run):"
"$build/core_benchmark" --benchmark_filter='LightStr|Codec|ReplaceBetween' \
  --benchmark_format=console 2>/dev/null | grep -E '^BM_'
echo
echo "Tag removal (MB/s; ours line by line on 100 MB of the same kind of text, goal: 2x sed):"
t=$(best env LC_ALL=C sed -e 's/<[^>]*>//g' "$work/doc.txt")
echo "  sed 's/<[^>]*>//g'                                      $(mb "$t")"
"$build/core_benchmark" --benchmark_filter='BM_HTML' --benchmark_format=json 2>/dev/null |
  python3 -c 'import json, sys
sed = float(sys.argv[1]) / 1e6 / float(sys.argv[2])
for b in json.load(sys.stdin)["benchmarks"]:
    name, rate, ms = b["name"], b["bytes_per_second"] / 1e6, b["real_time"]
    ratio = f"{rate / sed:6.1f}x sed" if "AndDecode" in name else ""
    print(f"  {name:<55} {rate:8.0f} MB/s {ms:8.1f} ms {ratio}")' "$size" "$t"
echo
echo "Full-width to half-width (MB/s; ours line by line on 100 MB of the same kind of text, goal: 10x nkf):"
if ! command -v nkf >/dev/null; then  # the peer is installed here when missing, as root or via sudo
  as_root=()
  [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null && as_root=(sudo)
  apt_nkf() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@" >/dev/null 2>&1; }
  apt_nkf install -y --no-install-recommends nkf || { apt_nkf update && apt_nkf install -y nkf; } || true
fi
if command -v nkf >/dev/null; then
  t=$(best nkf -S -s -x -Z4 "$work/doc.txt")
  nkf_mb=$(python3 -c "print($size / 1e6 / $t)")
  echo "  nkf -S -s -x -Z4                           $(mb "$t")"
else
  nkf_mb=0
  echo "  nkf -S -s -x -Z4                           (nkf could not be installed)"
fi
"$build/core_benchmark" --benchmark_filter='BM_ZenToHan' --benchmark_format=json 2>/dev/null |
  NKF_MB=$nkf_mb python3 -c 'import json, os, sys
peer = float(os.environ["NKF_MB"])
for b in json.load(sys.stdin)["benchmarks"]:
    ours = b["bytes_per_second"] / 1e6
    ratio = f"{ours / peer:6.1f}x nkf" if peer else ""
    name, ms = b["name"], b["real_time"]
    print(f"  {name:<42} {ours:8.0f} MB/s {ms:8.1f} ms {ratio}")'
echo
echo "Line edges (100 MB; goal: at least the throughput of a plain copy of the text):"
"$build/core_benchmark" --benchmark_filter='BM_LineEdges' --benchmark_format=console 2>/dev/null |
  grep -E '^BM_'
echo
echo "Replace and delete (MB/s; ours line by line on 100 MB of the same kind of text, goals: kind 11 2x sed, kind 150 grep):"
grep_peer() {  # into a file: grep writing to /dev/null stops at the first line it would print
  LC_ALL=C grep -v -i -F -e 'Words Plain' -e $'INDEX.HTML">\x95\x5c' -e $'\xb7\xbd\xc4http' \
    "$work/doc.txt" >"$work/grep.txt" || true
}
t=$(best env LC_ALL=C sed -e 's/e/E/g' "$work/doc.txt");   sed1=$t; echo "  sed 's/e/E/g'                                $(mb "$t")"
t=$(best env LC_ALL=C sed -e 's/zip/rar/g' "$work/doc.txt"); sed3=$t; echo "  sed 's/zip/rar/g'                            $(mb "$t")"
t=$(best grep_peer);                                          grep3=$t; echo "  grep -v -i -F -e A -e B -e C                 $(mb "$t")"
python3 - "$work/doc.txt" e zip <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
lead = [0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC for b in range(256)]
for pat in sys.argv[2:]:
    needle, total, false = pat.encode(), 0, 0
    p = data.find(needle)
    while p != -1:  # a match starts on a second byte when an odd run of lead-byte values precedes it
        run = p
        while run > 0 and lead[data[run - 1]]: run -= 1
        total += 1; false += (p - run) % 2
        p = data.find(needle, p + len(needle))
    print(f"  sed's matches of '{pat}' that start on a second byte: {false:,} of {total:,}")
PY
"$build/core_benchmark" --benchmark_filter='BM_RepKind' --benchmark_format=json 2>/dev/null |
  python3 -c 'import json, sys
size = float(sys.argv[1]) / 1e6
peers = {"BM_RepKind11_ReplaceOneByte": ("sed", sys.argv[2]), "BM_RepKind11_ReplaceThreeBytes": ("sed", sys.argv[3]),
         "BM_RepKind150_ThreeStringsIgnoreCase": ("grep", sys.argv[4])}
for b in json.load(sys.stdin)["benchmarks"]:
    name, rate, ms = b["name"], b["bytes_per_second"] / 1e6, b["real_time"]
    peer = peers.get(name.split("/")[0])
    ratio = f"{rate / (size / float(peer[1])):6.1f}x {peer[0]}" if peer else ""
    print(f"  {name:<45} {rate:8.0f} MB/s {ms:8.1f} ms {ratio}")' "$size" "$sed1" "$sed3" "$grep3"
echo
echo "Editor view (100 MB, lines of 100 bytes; a 50 MB single line; a 300 MB file):"
"$build/view_benchmark" 100 50 5 2>/dev/null
