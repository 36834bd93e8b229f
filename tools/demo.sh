#!/usr/bin/env bash
# Flashes simulated printers end to end, the way an installation script would:
# installs what is missing, builds, starts printer-sim as an R241 on a pseudo-terminal
# named COM3 in a private settings directory, makes a main-firmware image, runs
#   KyvFlashCom R241 M COM3 115200 NONE 1 firmware.mfw RETSTAT
# and checks that the printer's flash now holds the image byte for byte; then the same
# over USB (an R242 on a simulated USB bus, IBM USB) and over Ethernet (an
# R451-2XX8/3XX8/4XX8/6XX8 on the loopback address 127.0.0.5, FTP upload in two parts).
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
# Stops the simulator; its exit status says whether its flash holds what --expect named.
stop_sim() {
  local status=0
  kill -TERM "$sim_pid"
  wait "$sim_pid" || status=$?
  sim_pid=""
  return "$status"
}
# Waits for the simulator's first line of output (where it serves) and prints it.
first_line() {
  for _ in $(seq 300); do
    if [ -s "$1" ]; then head -n 1 "$1"; return 0; fi
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "printer-sim did not come up:" >&2
  cat "$2" >&2
  return 1
}
# Random bytes with the type letter M at byte 1.
write_image() {
  head -c "$2" /dev/urandom >"$1"
  printf 'M' | dd of="$1" bs=1 seek=1 conv=notrunc status=none
}
# Runs KyvFlashCom in the work directory with the demo's settings; prints its exit status.
flash() {
  local status=0
  (cd "$work" && XDG_CONFIG_HOME="$work/config" KYVFLASH_TIME_SCALE="$scale" "$launcher" "$@") || status=$?
  echo
  echo "KyvFlashCom exit status: $status"
  return "$status"
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
else
  echo "The flash does not hold the image (exit status $status)." >&2
  tail -n 20 "$work/printer-sim.err" >&2
  exit 1
fi

say "Starting a simulated R242 on a simulated USB bus ($work/usb.sock), interface IBM USB"
usb_image="$work/usb-firmware.mfw"
write_image "$usb_image" $((2 * 65536))
# The simulator checks at its stop that its flash holds the image from sector 7 (the
# R242's main firmware) on, and exits 1 saying where it differs when it does not.
"$simulator" usb --bus "$work/usb.sock" --model R242 --interface IBMUSB --port 1-2 \
  --time-scale "$scale" --expect "$usb_image:7" >"$work/usb-sim.out" 2>"$work/usb-sim.err" &
sim_pid=$!
echo "printer-sim serves the bus $(first_line "$work/usb-sim.out" "$work/usb-sim.err")"
say "Running: KYVFLASH_USB_BUS=unix:$work/usb.sock KyvFlashCom R242 M IBMUSB usb-firmware.mfw RETSTAT"
export KYVFLASH_USB_BUS="unix:$work/usb.sock"
status=0
flash R242 M IBMUSB usb-firmware.mfw RETSTAT || status=$?
unset KYVFLASH_USB_BUS
if [ "$status" -eq 0 ] && stop_sim; then
  echo "The simulated R242's flash holds the image from sector 7 on: verified."
else
  echo "The USB flash failed (exit status $status)." >&2
  tail -n 20 "$work/usb-sim.err" >&2
  exit 1
fi

say "Starting a simulated R451-2XX8/3XX8/4XX8/6XX8 on the network at 127.0.0.5"
lan_image="$work/lan-firmware.mfw"
# Larger than 1 MB: it goes up by FTP in two parts, written at sectors 27 and 43.
write_image "$lan_image" $((1024 * 1024 + 65536))
"$simulator" lan --address 127.0.0.5 --mask 255.0.0.0 --model R451-2XX8/3XX8/4XX8/6XX8 \
  --raw-port 0 --status-port 0 --search-port 0 --ftp-port 0 --time-scale "$scale" \
  --expect "$lan_image:27" >"$work/lan-sim.out" 2>"$work/lan-sim.err" &
sim_pid=$!
service=$(first_line "$work/lan-sim.out" "$work/lan-sim.err")
echo "printer-sim serves $service"
read -r _ _ raw _ status_port _ search _ ftp <<<"$service"
# Its free ports, and the broadcast address of loopback, so that no search leaves the machine.
printf '[Network]\nRawPort=%s\nStatusPort=%s\nSearchPort=%s\nFtpPort=%s\nBroadcastAddress=127.255.255.255\n' \
  "$raw" "$status_port" "$search" "$ftp" >>"$work/config/KyvFlash/KyvFlash.ini"
say "Running: KyvFlashCom R451-2XX8/3XX8/4XX8/6XX8 M LAN 127.0.0.5 lan-firmware.mfw RETSTAT"
status=0
flash R451-2XX8/3XX8/4XX8/6XX8 M LAN 127.0.0.5 lan-firmware.mfw RETSTAT || status=$?
if [ "$status" -eq 0 ] && stop_sim; then
  echo "The simulated network printer's flash holds the image from sector 27 on: verified."
  exit 0
fi
echo "The LAN flash failed (exit status $status)." >&2
tail -n 20 "$work/lan-sim.err" >&2
exit 1
