#!/usr/bin/env bash
# Builds Kestrune and runs it. When no real tester's serial port is present,
# a simulated tester is started on a pseudo-terminal and the program finds it
# through the serial-port table file named by KESTRUNE_SERIALCOMM.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Run Kestrune under a virtual display instead:"
  echo "  xvfb-run -a -s '-screen 0 1280x800x24' bash tools/run.sh"
  exit 1
fi

bash "$root/tools/build.sh"

workdir="$root/build/run"   # Kestrune.CFG is kept here
mkdir -p "$workdir"
cd "$workdir"

sim_pid=""
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

real_ports=$(ls /dev/ttyUSB* /dev/ttyACM* /dev/rfcomm* 2>/dev/null || true)
if [ -z "${KESTRUNE_SERIALCOMM:-}" ] && [ -z "$real_ports" ]; then
  table="$workdir/serialcomm.txt"
  "$root/build/tools/kestrune-sim" --serialcomm "$table" > "$workdir/simulator.log" &
  sim_pid=$!
  for _ in $(seq 50); do [ -s "$table" ] && break; sleep 0.1; done
  echo "No tester attached: using the simulated tester on $(cut -f2 "$table" | head -n1)."
  export KESTRUNE_SERIALCOMM="$table"
fi
"$root/build/app/kestrune"
