#!/usr/bin/env bash
# Whole runs of korvane-cli against the peers doing the same job in the same run, on the
# generated 100 MB Shift-JIS file of bench/run.sh, every program under LC_ALL=C and writing its
# result to a file through standard output; one more row shows the cost of -o, which writes a
# temporary file, puts it on disk and renames it over the target. Each time is the best of three.
#   bench/cli_bench.sh [build folder]
# Goals: every single-pass job at least 2x faster than its sed or grep peer (ours/peer <= 0.5),
# and as fast as nkf; a five-command recipe within 1.5x the slowest single command; trim of a
# 1 GB file within 2x of cat piped the same way, in under 64 MiB; joining 10,000 small files
# within 2x of cat; peak memory under 4x the file's size.
set -euo pipefail
build=${1:-build}
cli=$(realpath "$build/korvane-cli" 2>/dev/null || echo "$build/korvane-cli")
[ -x "$cli" ] || { echo "no $cli: build it first (cmake --build $build --target korvane-cli)" >&2; exit 1; }
export LC_ALL=C
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

as_root=()
[ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null && as_root=(sudo)
install_missing() {  # a Debian package, when its program is missing, as bench/run.sh does
  local program=$1 package=$2
  command -v "$program" >/dev/null && return 0
  apt_quiet() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@" >/dev/null 2>&1; }
  apt_quiet install -y --no-install-recommends "$package" ||
    { apt_quiet update && apt_quiet install -y --no-install-recommends "$package"; } || true
}
install_missing nkf nkf
[ -x /usr/bin/time ] || install_missing /usr/bin/time time

# The document of bench/run.sh: the same pieces, the same seed.
python3 "$(dirname "$0")/make_document.py" "$work/doc.txt"
doc="$work/doc.txt"
size=$(stat -c %s "$doc")
lines=$(wc -l <"$doc")

best() {  # best of three whole runs of a shell command, in seconds
  local best=999 start end
  for _ in 1 2 3; do
    start=$(date +%s.%N); bash -c "$1" >/dev/null 2>&1; end=$(date +%s.%N)
    best=$(python3 -c "print(min($best, $end - $start))")
  done
  echo "$best"
}
verdict() {  # ours, theirs, allowed factor: "yes"/"NO" and the ratio
  python3 -c "r = $1 / $2; print(f'{r:5.2f}x  {\"yes\" if r <= $3 else \"NO\"}')"
}
row() { printf '  %-34s %7.2f s  %-28s %7.2f s  %s\n' "$1" "$2" "$3" "$4" "$5"; }

echo "korvane-cli against its peers: $(python3 -c "print(round($size / 1e6, 1))") MB, $lines lines;"
echo "$(nproc) cores, shared with whatever else runs on this machine; best of 3 runs each."
echo
printf '  %-34s %9s  %-28s %9s  %s\n' "job (korvane-cli)" "time" "peer" "time" "ours/peer  goal (<= 0.5x)"

k=$(best "'$cli' '$doc' -e strip-tags >'$work/k.txt'")
p=$(best "sed -e 's/<[^>]*>//g' '$doc' >'$work/p.txt'")
row "strip-tags" "$k" "sed 's/<[^>]*>//g'" "$p" "$(verdict "$k" "$p" 0.5)"
slowest=$k
o=$(best "'$cli' '$doc' -e strip-tags -o '$work/k.txt'")
row "strip-tags -o (atomic, on disk)" "$o" "sed 's/<[^>]*>//g'" "$p" "$(verdict "$o" "$p" 0.5)"

k=$(best "'$cli' '$doc' -e 'delete-lines-with --match-case index.html' >'$work/k.txt'")
p=$(best "grep -v -F index.html '$doc' >'$work/p.txt' || true")
row "delete-lines-with index.html" "$k" "grep -v -F index.html" "$p" "$(verdict "$k" "$p" 0.5)"
slowest=$(python3 -c "print(max($slowest, $k))")

k=$(best "'$cli' '$doc' -e 'replace --match-case zip rar' >'$work/k.txt'")
p=$(best "sed 's/zip/rar/g' '$doc' >'$work/p.txt'")
row "replace zip rar" "$k" "sed 's/zip/rar/g'" "$p" "$(verdict "$k" "$p" 0.5)"
slowest=$(python3 -c "print(max($slowest, $k))")

k=$(best "'$cli' '$doc' -e half-width >'$work/k.txt'")
if command -v nkf >/dev/null; then
  p=$(best "nkf -S -s -x -Z4 '$doc' >'$work/p.txt'")
  row "half-width" "$k" "nkf -S -s -x -Z4" "$p" "$(verdict "$k" "$p" 1)"
else
  row "half-width" "$k" "nkf (could not be installed)" 0 "-"
fi
slowest=$(python3 -c "print(max($slowest, $k))")

cat >"$work/five.recipe" <<'EOF'
strip-tags
delete-lines-with --match-case index.html
replace --match-case zip rar
half-width
trim-and-drop
EOF
k=$(best "'$cli' '$doc' -f '$work/five.recipe' >'$work/k.txt'")
row "five-command recipe" "$k" "slowest single command" "$slowest" "$(verdict "$k" "$slowest" 1.5) (goal <= 1.5x)"

# A 1 GB file: the document ten times over, trimmed through a pipe as cat copies it.
for _ in 1 2 3 4 5 6 7 8 9 10; do cat "$doc"; done >"$work/big.txt"
k=$(best "'$cli' '$work/big.txt' -e trim | cat >'$work/k.txt'")
p=$(best "cat '$work/big.txt' | cat >'$work/p.txt'")
row "trim of 1 GB, piped" "$k" "cat, piped" "$p" "$(verdict "$k" "$p" 2) (goal <= 2x)"
kb=$(/usr/bin/time -f %M "$cli" "$work/big.txt" -e trim 2>&1 >/dev/null | tail -1)
echo "  trim of 1 GB: peak $((kb / 1024)) MiB (goal < 64 MiB)"
rm -f "$work/big.txt"

# 10,000 small files of about 1 kB, cut from the document.
mkdir "$work/small"
python3 - "$doc" "$work/small" <<'PY'
import sys
data = open(sys.argv[1], "rb").read(12_000_000).split(b"\r\n")
for i in range(10_000):
    open(f"{sys.argv[2]}/f{i:05d}.txt", "wb").write(b"\r\n".join(data[i * 10:i * 10 + 10]) + b"\r\n")
PY
k=$(best "cd '$work/small' && '$cli' f*.txt >'$work/k.txt'")
p=$(best "cd '$work/small' && cat f*.txt >'$work/p.txt'")
row "join 10,000 files (Open + Append)" "$k" "cat" "$p" "$(verdict "$k" "$p" 2) (goal <= 2x)"
k=$(best "cd '$work/small' && '$cli' --drop f*.txt >'$work/k.txt'")
row "join 10,000 files (--drop)" "$k" "cat" "$p" "$(verdict "$k" "$p" 2) (goal <= 2x)"

echo
echo "Encodings: the same document as UTF-8 and EUC-JP, read into Shift-JIS (detection and"
echo "conversion), and written as UTF-8 (goals: at least as fast as iconv, 3x faster than nkf)."
iconv -f CP932 -t UTF-8 "$doc" >"$work/doc-utf8.txt"
iconv -f CP932 -t EUC-JP-MS "$doc" >"$work/doc-euc.txt"
for from in utf8:UTF-8:--ic=UTF-8 euc:EUC-JP-MS:-E; do
  IFS=: read -r name encoding nkfflag <<<"$from"
  k=$(best "'$cli' '$work/doc-$name.txt' >'$work/k.txt'")
  p=$(best "iconv -f $encoding -t CP932 '$work/doc-$name.txt' >'$work/p.txt'")
  row "read $encoding, detected" "$k" "iconv -f $encoding -t CP932" "$p" "$(verdict "$k" "$p" 1)"
  if command -v nkf >/dev/null; then
    n=$(best "nkf $nkfflag --oc=CP932 '$work/doc-$name.txt' >'$work/p.txt'")
    row "read $encoding, detected" "$k" "nkf $nkfflag --oc=CP932" "$n" "$(verdict "$k" "$n" 0.34) (goal <= 1/3)"
  fi
done
k=$(best "'$cli' --from cp932 '$doc' --to utf-8 >'$work/k.txt'")
p=$(best "iconv -f CP932 -t UTF-8 '$doc' >'$work/p.txt'")
row "write UTF-8" "$k" "iconv -f CP932 -t UTF-8" "$p" "$(verdict "$k" "$p" 1)"
k=$(best "'$cli' '$doc' >'$work/k.txt'")
p=$(best "'$cli' --from cp932 '$doc' >'$work/k.txt'")
row "Shift-JIS, detected" "$k" "Shift-JIS, --from cp932" "$p" "$(verdict "$k" "$p" 1.05) (goal <= 1.05x)"

echo
echo "Peak memory (maximum resident set size from /usr/bin/time -v; goal: under 4x the file):"
peak() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk '/Maximum resident set size/ {print $NF}'
}
kb=$(peak "$cli" "$work/doc-utf8.txt" -o "$work/k.txt")
usize=$(stat -c %s "$work/doc-utf8.txt")
python3 -c "kb = $kb; allowed = 2 * $usize + 64 * 2**20
print(f'  {\"UTF-8 read and converted\":<34} {kb / 1024:7.0f} MB  goal <= 2x the file + 64 MiB = {allowed / 2**20:.0f} MB  {\"yes\" if kb * 1024 <= allowed else \"NO\"}')"
for job in "-e strip-tags" "-f $work/five.recipe"; do
  # shellcheck disable=SC2086  # the job's words are meant to split
  kb=$(peak "$cli" "$doc" $job -o "$work/k.txt")
  python3 -c "kb = $kb; r = kb * 1024 / $size
print(f'  {\"$job\".replace(\"$work/\", \"\"):<34} {kb / 1024:7.0f} MB  {r:4.2f}x the file  {\"yes\" if r < 4 else \"NO\"}')"
done
