#!/usr/bin/env bash
# Checks the Debian package `make package` built: lintian, the desktop entry and the AppStream
# metadata; the unpacked programs' versions against the package's; a recipe run from the
# unpacked files; an install into a prefix with spaces by a normal user; and that the installed
# programs write nothing outside the user's data folder.
# Usage: scripts/check-package.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
deb=$(ls "$build"/korvane_*_amd64.deb)
scratch=$(mktemp -d)
chmod 755 "$scratch"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

echo "== lintian"
lintian_output=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[ -z "$lintian_output" ] || echo "$lintian_output"
if grep -q '^E:' <<<"$lintian_output"; then fail "lintian reports errors"; fi

echo "== unpacked"
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root/usr
desktop-file-validate "$root/share/applications/org.korvane.Korvane.desktop"
appstreamcli validate --no-net "$root/share/metainfo/org.korvane.Korvane.metainfo.xml"
package_version=$(dpkg-deb -f "$deb" Version)
[ "$("$root/bin/korvane-cli" --version)" = "korvane-cli $package_version" ] ||
  fail "korvane-cli --version is not $package_version"
[ "$("$root/bin/korvane" --version)" = "korvane $package_version" ] ||
  fail "korvane --version is not $package_version"
for page in korvane korvane-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
    "$root/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# A user with no data folder yet, and XDG_DATA_HOME set (with a space in it).
home=$scratch/home
mkdir -p "$home"
run_as_user() { env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$scratch/data home" \
  XDG_CACHE_HOME="$scratch/cache" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run" \
  LANG=C.UTF-8 "$@"; }
mkdir -p "$scratch/run" && chmod 700 "$scratch/run"
run_as_user "$root/bin/korvane-cli" samples/news-page.html \
  -f "$root/share/doc/korvane/examples/clean-page.recipe" --to utf-8 -o "$scratch/news.txt"
"$build/korvane-cli" samples/news-page.html -f samples/clean-page.recipe --to utf-8 \
  -o "$scratch/news-built.txt"
cmp "$scratch/news.txt" "$scratch/news-built.txt" || fail "the unpacked korvane-cli differs"
echo "recipe from the package: $(wc -l < "$scratch/news.txt") lines, as the build's"

# The window, started on a file for a moment: its own files go to the data folder only.
run_as_user QT_QPA_PLATFORM=offscreen timeout -s TERM 3 "$root/bin/korvane" samples/sample.txt || true
[ -d "$scratch/data home/korvane" ] || fail "the window made no data folder under XDG_DATA_HOME"
stray=$(find "$home" -mindepth 1 | head -5)
[ -z "$stray" ] || fail "written outside the data folder: $stray"

echo "== DESTDIR install into a prefix with spaces, as a normal user"
stage=$scratch/stage
mkdir -p "$stage"
chown nobody "$stage"
# The user's own build would let them write its install manifest; ours is root's.
touch "$build/install_manifest.txt" && chown nobody "$build/install_manifest.txt"
runuser -u nobody -- env DESTDIR="$stage" \
  cmake --install "$build" --prefix "/opt/kor vane" > "$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log"; fail "cmake --install as a normal user failed"; }
for file in bin/korvane bin/korvane-cli share/applications/org.korvane.Korvane.desktop \
            share/man/man1/korvane-cli.1.gz share/icons/hicolor/scalable/apps/korvane.svg \
            share/doc/korvane/copyright; do
  [ -e "$stage/opt/kor vane/$file" ] || fail "not installed: $file"
done
[ "$(find "$stage" -mindepth 1 -maxdepth 1)" = "$stage/opt" ] || fail "installed outside the prefix"
echo "package checks passed: $deb"
