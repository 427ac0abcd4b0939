#!/usr/bin/env bash
# Builds Kestrune for Windows and runs its Windows tests and the download
# benchmark under Wine, headless, in a fresh Wine prefix under build-win/.
# The testers are Linux simulators on pseudo-terminals that the prefix sees as
# COM ports: COM5 (500 records, full speed) for the tests, registered in the
# registry's serial-port table with a Bluetooth entry COM7 beside it, and COM6
# (500 records at 9600-baud pace) for the benchmark. First of all, the
# installer package is installed, used through its Start menu entry on an
# X display of its own (Xvfb), upgraded and removed (tools/test-msi.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
bash "$root/tools/build.sh"          # the simulator and the Linux benchmark
bash "$root/tools/build-windows.sh"

build="$root/build-win"
qt=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=\(.*\)\/lib\/cmake\/Qt6\/qt.toolchain.cmake$/\1/p' \
  "$build/CMakeCache.txt")
wine=/usr/lib/wine/wine64
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no .NET or browser set-up in the prefix
winpath() { echo "Z:${1//\//\\}"; }
export WINEPATH="$(winpath "$qt/bin");$(winpath "$(echo /usr/lib/gcc/x86_64-w64-mingw32/*-posix)");$(winpath /usr/x86_64-w64-mingw32/lib)"
export KESTRUNE_TESTER_PORT=COM5

sims=()
xvfb=
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

# Starts a simulator with the given options and maps its terminal as port $1.
simulate() {
  local port=$1 log="$build/sim-$1.log"
  shift
  "$root/build/tools/kestrune-sim" "$@" > "$log" &
  sims+=($!)
  for _ in $(seq 50); do [ -s "$log" ] && break; sleep 0.1; done
  local pts
  pts=$(head -n1 "$log")
  [ -n "$pts" ] || { echo "The simulator for $port did not start." >&2; exit 1; }
  ln -sfn "/dev/$pts" "$WINEPREFIX/dosdevices/${port,,}"
}

# The installed program shows its windows here; Wine's desktop must know the
# display from the start.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null & echo "pid $!")
display=
for _ in 1 2; do
  read -r -t 30 line <&3 || { echo "Xvfb did not start." >&2; exit 1; }
  case $line in
    pid\ *) xvfb=${line#pid } ;;
    *) display=$line ;;
  esac
done
export DISPLAY=":$display"

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
boot_started=$SECONDS
wineserver -p   # stays up: the registry's hardware keys live as long as it does
timeout 300 "$wine" wineboot -i
echo "Wine prefix ready in $((SECONDS - boot_started)) s."
# Only the test's own ports, not the machine's serial ports Wine found itself.
rm -f "$WINEPREFIX"/dosdevices/com*
key='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
timeout 120 "$wine" reg delete "$key" /va /f >/dev/null
timeout 120 "$wine" reg add "$key" /v '\Device\VCP0' /t REG_SZ /d COM5 /f >/dev/null
timeout 120 "$wine" reg add "$key" /v '\Device\BthModem0' /t REG_SZ /d COM7 /f >/dev/null
simulate COM5 --records 500
simulate COM6 --records 500 --speed 960

failed=()
source "$root/tools/test-msi.sh"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
msi_started=$SECONDS
# Without the build's DLL folders: the installed program has to find its own.
(export WINEPATH=; msi_test "$build/Kestrune-$version-x64.msi" "$version") || failed+=(installer)
echo "Installer test took $((SECONDS - msi_started)) s."

# Wine hands the Qt variables of the Linux environment to no program; the
# prefix's own environment carries them.
env_key='HKCU\Environment'
timeout 120 "$wine" reg add "$env_key" /v QT_QPA_PLATFORM /t REG_SZ /d offscreen /f >/dev/null
timeout 120 "$wine" reg add "$env_key" /v QT_QPA_FONTDIR /t REG_SZ \
  /d "$(winpath /usr/share/fonts/truetype/dejavu)" /f >/dev/null

for test in tst_wincomport tst_winexchange tst_winprogram tst_workbook tst_reportfiles; do
  echo "== $test (Wine)"
  # A program under Wine without a console has no usable standard output.
  (cd "$build/tests" && timeout 600 "$wine" "$test.exe" -o "$test.txt,txt") || failed+=("$test")
  cat "$build/tests/$test.txt" 2>/dev/null || true
done

# The reports written under Wine, read back here: the prefix has no pdftotext.
echo "== Reports written under Wine, read back with pdftotext"
bash "$root/tests/check_report_text.sh" "$build/tests" || failed+=(report_text)

echo "== Download benchmark: Linux, then Wine"
"$root/build/tools/bench_exchange" | grep -A2 '^500-record'
timeout 300 "$wine" "$build/tools/bench_exchange_com.exe" COM6 || failed+=(bench_exchange_com)

wineserver -k
timeout 60 wineserver -w || true
echo "Windows build and Wine tests took $((SECONDS - started)) s."
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed under Wine: ${failed[*]}" >&2
  exit 1
fi
