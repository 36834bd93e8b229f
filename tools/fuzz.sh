#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/) and runs each for a bounded count
# of executions. Fails on any crash, leak or sanitizer report.
#   tools/fuzz.sh [RUNS]     RUNS defaults to 200000
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-200000}"
tools/install-deps.sh --fuzz

cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKYVFLASH_FUZZ=ON -DKYV_WITH_UI=OFF -DKYV_BENCHMARKS=OFF >/dev/null
targets=(hid_descriptor_fuzz bus_json_fuzz)
cmake --build build-fuzz -j2 --target "${targets[@]}"

for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzzing $target for $runs runs"
  start=$(date +%s)
  build-fuzz/fuzz/"$target" -runs="$runs" -max_len=4096 -print_final_stats=1 "$corpus"
  echo "$target: $runs runs in $(( $(date +%s) - start )) s"
done
