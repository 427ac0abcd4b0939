#!/usr/bin/env bash
# Builds Kestrune and runs every test, headless.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/build.sh" -DKESTRUNE_WERROR=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$root/build" --output-on-failure
