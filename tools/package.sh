#!/usr/bin/env bash
# Builds the Debian package of KyvFlash (KyvFlash, KyvFlashCom, printer-sim, manual pages,
# bash completion, desktop entry, udev rules, documents) and checks it with lintian.
#   tools/package.sh [--build-dir DIR]    the .deb's path is the last line printed
# Install it with: sudo apt install ./build/kyvflash_<version>_<arch>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$root/build"
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="$2"; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
  shift
done
"$root/tools/install-deps.sh" --package
"$root/tools/build.sh" --build-dir "$build_dir" >/dev/null
rm -f "$build_dir"/kyvflash_*.deb
cmake --build "$build_dir" --target package >&2
deb=$(ls "$build_dir"/kyvflash_*.deb)
# Errors fail the build; warnings and notes are shown for people to read.
lintian --fail-on error --info "$deb" >&2
echo "$deb"
