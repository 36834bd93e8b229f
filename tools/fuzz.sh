#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/) and runs each for a bounded count
# of executions. Fails on any crash, leak, time-out or sanitizer report.
#   tools/fuzz.sh [RUNS] [TARGET...]     RUNS defaults to 100000; all targets unless named
#
# Each target starts from its seeds in fuzz/corpus/<target>/ and the inputs that once
# crashed it in fuzz/regressions/<target>/; both are only read. What the fuzzer finds new
# goes to build-fuzz/corpus/<target>/, which later runs go on from. An input that fails is
# written to build-fuzz/artifacts/<target>/: once its fault is mended, keep it in
# fuzz/regressions/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-100000}"
shift || true
all_targets=(hid_descriptor_fuzz bus_json_fuzz image_file_fuzz command_line_fuzz printer_replies_fuzz
             lan_replies_fuzz settings_file_fuzz)
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=("${all_targets[@]}")
fi
tools/install-deps.sh --fuzz

cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKYVFLASH_FUZZ=ON -DKYV_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]}"

# The network fuzzer's printer listens on loopback only, and nothing may leave it.
export KYVFLASH_NET_ALLOW=127.0.0.0/8

total_start=$(date +%s)
for target in "${targets[@]}"; do
  # Absolute paths: a fuzzer may change its working directory (the command-line one does).
  work="$PWD/build-fuzz/corpus/$target"
  artifacts="$PWD/build-fuzz/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  inputs=("$work")
  for kept in "$PWD/fuzz/corpus/$target" "$PWD/fuzz/regressions/$target"; do
    if [ -d "$kept" ]; then
      inputs+=("$kept")
    fi
  done
  echo "fuzzing $target for $runs runs"
  start=$(date +%s)
  if ! build-fuzz/fuzz/"$target" -runs="$runs" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "${inputs[@]}"; then
    echo "$target FAILED: the input is in $artifacts/; once mended, keep it in fuzz/regressions/$target/" >&2
    exit 1
  fi
  echo "$target: $runs runs in $(( $(date +%s) - start )) s"
done
echo "all targets: $runs runs each in $(( $(date +%s) - total_start )) s"
