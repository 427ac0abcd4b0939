#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang's libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer into build-fuzz/, and runs each for the given
# number of seconds (default 30), starting from seeds made from the simulated
# tester's replies. New inputs found are kept in build-fuzz/corpus/, inputs
# that break a target in build-fuzz/artifacts/. Targets named after the
# seconds (archiveverify, ...) are the only ones run.
set -euo pipefail
seconds=${1:-30}
shift $(($# > 0 ? 1 : 0))
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
bash "$root/tools/deps.sh" clang libclang-rt-14-dev
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKESTRUNE_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$build" --target fuzz_all -j"$(nproc)"
"$build/fuzz/make_seeds" "$build/corpus"
mkdir -p "$build/artifacts"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
targets=(identification information download clock datafile settingsfile serialcomm
  searchfilter archivelocation archiveimport archiveverify)
[ $# -gt 0 ] && targets=("$@")
failed=()
for target in "${targets[@]}"; do
  log="$build/artifacts/$target.log"
  if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$target-" "$build/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: ${runs:-?} executions in ${seconds} s, no failure"
  else
    echo "fuzz_$target: FAILED, see $log"
    tail -n 30 "$log"
    failed+=("$target")
  fi
done
[ ${#failed[@]} -eq 0 ]
