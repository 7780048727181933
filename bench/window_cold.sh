#!/usr/bin/env bash
# The window as a user meets it: from a fresh process to the first painted frame of a document,
# against a bare Qt window (an empty QMainWindow) in the same run, and one command on a file of
# millions of short lines. Each figure is the median of five whole runs (/usr/bin/time); the
# document's frame counts from the process's start, as the user's wait does.
#   bench/window_cold.sh [build folder]
# Under an X display when DISPLAY is set (Xvfb will do), else on the offscreen platform.
set -euo pipefail
build=${1:-build}
frame=$(realpath "$build/first_frame" 2>/dev/null || echo "$build/first_frame")
[ -x "$frame" ] || { echo "no $frame: build it first (cmake --build $build --target first_frame)" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(dirname "$0")
python3 "$here/make_document.py" "$work/lines.txt" 100 54       # 100 MB, about 1.5 M lines
python3 "$here/make_document.py" "$work/short.txt" 300 short    # 300 MB, about 27 M lines

# Median wall seconds and peak MiB of five runs of a command: "seconds MiB".
median() {
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -1
  done | python3 -c 'import statistics, sys
rows = [l.split() for l in sys.stdin if l.strip()]
print(statistics.median(float(r[0]) for r in rows), statistics.median(float(r[1]) for r in rows) / 1024)'
}
facts() {  # bytes and lines of a file
  python3 -c "import sys; d = open(sys.argv[1], 'rb').read(); print(len(d), d.count(b'\n'))" "$1"
}

read -r bare bareMiB < <(median "$frame" --bare)
read -r empty _ < <(median "$frame")
echo "Platform: ${QT_QPA_PLATFORM:-xcb}; a bare Qt window shows in $bare s ($(printf %.0f "$bareMiB") MiB), ours without a document in $empty s."
echo
printf '  %-44s %8s %8s %9s  %s\n' "document" "shown" "beyond" "peak" "goal"
for name in lines short; do
  read -r bytes lines < <(facts "$work/$name.txt")
  read -r wall mib < <(median "$frame" "$work/$name.txt")
  beyond=$(python3 -c "print(f'{$wall - $bare:.2f}')")
  if [ "$name" = lines ]; then
    goal="beyond <= 0.35 s"
  else
    goal=$(python3 -c "print(f'beyond <= 1.2 s, peak <= {($bytes + 4 * $lines) / 2**20 + 64:.0f} MiB')")
  fi
  printf '  %-44s %7.2fs %7.2fs %6.0f MiB  %s\n' \
    "$(python3 -c "print(f'{$bytes / 1e6:.0f} MB, {$lines / 1e6:.1f} M lines')")" "$wall" "$beyond" "$mib" "$goal"
done

echo
read -r bytes lines < <(facts "$work/short.txt")
goal=$(python3 -c "print(f'<= 1.5 s, peak <= {(2 * $bytes + 8 * $lines) / 2**20 + 64:.0f} MiB')")
echo "A command on the 300 MB document, after its first frame (median of three; goal $goal):"
for command in half-width strip-tags "replace e E" "delete-lines-with abc"; do
  for _ in 1 2 3; do
    "$frame" --command "$command" "$work/short.txt" 2>&1 >/dev/null | grep '^command'
  done | python3 -c 'import re, statistics, sys
rows = [list(map(float, re.findall(r"[0-9.]+", l)))[:2] for l in sys.stdin]
print(f"  {sys.argv[1]:<28} {statistics.median(r[0] for r in rows):6.0f} ms  peak {statistics.median(r[1] for r in rows):5.0f} MiB")' "$command"
done
