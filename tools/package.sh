#!/usr/bin/env bash
# Builds Kestrune and its Debian package into build/package/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/build.sh"
cpack -G DEB --config "$root/build/CPackConfig.cmake" -B "$root/build/package" >/dev/null
ls "$root"/build/package/kestrune_*_amd64.deb
