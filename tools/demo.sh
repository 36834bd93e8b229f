#!/usr/bin/env bash
# Flashes a simulated printer end to end, the way an installation script would:
# installs what is missing, builds, starts printer-sim as an R241 on a pseudo-terminal
# named COM3 in a private settings directory, makes a main-firmware image, runs
#   KyvFlashCom R241 M COM3 115200 NONE 1 firmware.mfw RETSTAT
# and checks that the printer's flash now holds the image byte for byte.
#   tools/demo.sh [--build-dir DIR]
# DEMO_TIME_SCALE (default 0.01) shrinks every protocol wait of printer and host alike.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scale=${DEMO_TIME_SCALE:-0.01}
# Network traffic of the programs stays on this machine.
export KYVFLASH_NET_ALLOW=127.0.0.0/8

say() { printf '\n\033[1m== %s\033[0m\n' "$*"; }
[ -t 1 ] && [ -z "${NO_COLOR:-}" ] || say() { printf '\n== %s\n' "$*"; }

work=$(mktemp -d /tmp/kyvflash-demo.XXXXXX)
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

say "Installing what is missing and building (tools/build.sh)"
# The build's output is shown as it comes and kept in a file for its last line, the build
# directory. (Teeing to /dev/stderr would reopen, and so truncate, a log file the demo's
# output is redirected to.)
"$root/tools/build.sh" "$@" | tee "$work/build.out"
build_dir=$(tail -n 1 "$work/build.out")
launcher="$build_dir/src/launcher/KyvFlashCom"
simulator="$build_dir/sim/printer-sim"

say "Starting a simulated R241 printer on $work/COM3"
"$simulator" serial --model R241 --link "$work/COM3" --time-scale "$scale" \
  --flash-dump "$work/flash.bin" >"$work/printer-sim.out" 2>"$work/printer-sim.err" &
sim_pid=$!
for _ in $(seq 100); do
  [ -L "$work/COM3" ] && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$work/printer-sim.err" >&2; exit 1; }
  sleep 0.1
done
[ -L "$work/COM3" ] || { echo "printer-sim did not come up" >&2; exit 1; }
echo "printer-sim plays the printer on $(head -n 1 "$work/printer-sim.out")"

# KyvFlash maps COM names to devices through its settings store.
mkdir -p "$work/config/KyvFlash"
printf '[Ports]\nCOM3=%s\n' "$work/COM3" >"$work/config/KyvFlash/KyvFlash.ini"
echo "Settings: $work/config/KyvFlash/KyvFlash.ini maps COM3 to $work/COM3"

# Main firmware: three 64 KB sectors of random bytes, type letter M at byte 1.
image="$work/firmware.mfw"
head -c $((3 * 65536)) /dev/urandom >"$image"
printf 'M' | dd of="$image" bs=1 seek=1 conv=notrunc status=none
echo "Image: $image ($(stat -c %s "$image") bytes, type letter M)"

say "Running: KyvFlashCom R241 M COM3 115200 NONE 1 firmware.mfw RETSTAT"
status=0
(cd "$work" && XDG_CONFIG_HOME="$work/config" KYVFLASH_TIME_SCALE="$scale" \
  "$launcher" R241 M COM3 115200 NONE 1 firmware.mfw RETSTAT) || status=$?
echo
echo "KyvFlashCom exit status: $status"
[ -f "$work/KyvFlashConsoleLog.txt" ] && echo "KyvFlashConsoleLog.txt: $(cat "$work/KyvFlashConsoleLog.txt")"
if [ -f "$work/BREVANT_LOG.txt" ]; then
  say "What KyvFlash did (its session log, BREVANT_LOG.txt)"
  tr -d '\r' <"$work/BREVANT_LOG.txt" | grep -v '^[[:space:]]*$' || true
fi

say "Checking the printer's flash"
kill -TERM "$sim_pid"
wait "$sim_pid" || true
sim_pid=""
# The R241's main firmware starts at flash sector 6; the printer numbers its sectors from 1,
# and sectors 1 to 5 hold 16, 8, 8, 32 and 64 KB.
offset=$(((16 + 8 + 8 + 32 + 64) * 1024))
size=$(stat -c %s "$image")
if [ "$status" -eq 0 ] && [ -f "$work/flash.bin" ] &&
   cmp -n "$size" -i "$offset:0" "$work/flash.bin" "$image"; then
  echo "The simulated printer's flash holds the image from sector 6 (offset $offset) on: verified."
  exit 0
fi
echo "The flash does not hold the image (exit status $status)." >&2
tail -n 20 "$work/printer-sim.err" >&2
exit 1
