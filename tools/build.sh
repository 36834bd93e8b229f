#!/usr/bin/env bash
# Configures and builds KyvFlash into a build directory (default: build/).
#   tools/build.sh [--sanitize] [--build-dir DIR] [--target T]...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$root/build"
sanitize=OFF
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) sanitize=ON; build_dir="$root/build-sanitize" ;;
    --build-dir) build_dir="$2"; shift ;;
    --target) targets+=(--target "$2"); shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
  shift
done
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$build_dir" -G Ninja -DKYV_SANITIZE="$sanitize" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}"
echo "$build_dir"
