#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, when they are missing.
# Runs apt-get as root, or through sudo for other users. With the argument "package", also the
# tools that build and check the Debian package.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  qt6-base-dev qt6-qpa-plugins libqt6printsupport6 qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev libuchardet-dev libxml2-dev
  fonts-ipafont-gothic fonts-ipafont-mincho
  poppler-utils
)
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev fakeroot lintian desktop-file-utils appstream man-db)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Root rights are needed to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  "${as_root[@]}" apt-get update
  "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
