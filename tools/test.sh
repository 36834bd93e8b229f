#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
#   tools/test.sh                       normal build in build/
#   tools/test.sh --sanitize            address + undefined-behaviour sanitizers in build-sanitize/
#   tools/test.sh [--sanitize] --faults only the fault matrix (label faults), building only its program
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_args=()
ctest_args=()
faults=no
for arg in "$@"; do
  case "$arg" in
    --faults) faults=yes ;;
    *) build_args+=("$arg") ;;
  esac
done
if [ "$faults" = yes ]; then
  build_args+=(--target fault_tests)
  ctest_args+=(-L faults)
fi
build_dir=$("$root/tools/build.sh" "${build_args[@]}" | tail -n 1)
cd "$build_dir"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
ctest --output-on-failure -j"$(nproc)" --timeout 300 "${ctest_args[@]}"

# Pictures of the main and progress dialogs on a virtual X server, kept in the build
# directory for people to look at; not an assertion, so a machine without X only warns.
# (The sanitizer build skips them: Qt's X libraries are not built for the sanitizers.)
case " $* " in *" --sanitize "* | *" --faults "*) exit 0 ;; esac
if ! "$root/tools/screenshots.sh" "$build_dir" >/dev/null 2>&1; then
  echo "warning: could not take the dialog screenshots" >&2
fi
