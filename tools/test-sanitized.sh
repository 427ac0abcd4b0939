#!/usr/bin/env bash
# Builds Kestrune with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs every test there; any sanitizer report fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/deps.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRUNE_SANITIZE=ON -DKESTRUNE_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build "$root/build-sanitize" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$root/build-sanitize" --output-on-failure -E '^(package|format)$'
