#!/bin/sh
# Takes a screenshot of the main dialog and one of the progress dialog on a virtual X
# server, for people to look at. Usage: tools/screenshots.sh [build-dir] (default build).
# The pictures land in <build-dir>/screenshots/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
out="$build/screenshots"
mkdir -p "$out"
# The screen is grabbed with ImageMagick's import, which only this script needs.
if ! command -v import >/dev/null 2>&1; then
    apt-get install -y -qq imagemagick >/dev/null
fi
cmake --build "$build" --target ui_tests
KYV_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb KYVFLASH_TIME_SCALE=0.01 \
    xvfb-run -a -s "-screen 0 1280x800x24" \
    "$build/tests/ui_tests" --gtest_filter='Screenshot.*'
echo "screenshots in $out:"
ls -1 "$out"
