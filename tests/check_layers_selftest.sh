#!/usr/bin/env bash
# The layering check against small trees of its own: one source file and one
# floor file each, and what the check must say about them.
# Usage: check_layers_selftest.sh CHECK_LAYERS_SCRIPT
set -euo pipefail
check=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

floors='floor 1 low
floor 1 low/inner
floor 2 mid on low
floor 2 side
floor 3 top on mid side
free free'

# file | its include | the floor file ("" for the one above) | what the check
# says ("" when it passes)
rows=(
  'low/a.cpp|low/x.h||'
  'mid/a.cpp|low/x.h||'
  'top/a.cpp|low/x.h||'
  'top/a.cpp|side/x.h||'
  'free/a.cpp|top/x.h||'
  "mid/known.cpp|top/t.h|$floors
except mid/known.cpp -> top/t.h|"
  'low/a.cpp|mid/x.h||low/a.cpp:1: #include "mid/x.h": low/ (floor 1) does not stand on mid/ (floor 2)'
  'mid/a.cpp|side/x.h||mid/a.cpp:1: #include "side/x.h": mid/ (floor 2) does not stand on side/'
  'side/a.cpp|low/x.h||side/a.cpp:1: #include "low/x.h": side/ (floor 2) does not stand on low/'
  'low/inner/a.cpp|low/x.h||low/inner/a.cpp:1: #include "low/x.h": low/inner/ (floor 1) does not'
  'top/a.cpp|nowhere/x.h||top/a.cpp:1: #include "nowhere/x.h": not a file of the floors'
  'other/a.cpp|low/x.h||other/a.cpp: not in a folder of the floors'
  'low/a.cpp|low/x.h|floor 1 low
except low/a.cpp -> low/x.h
except low/a.cpp -> low/y.h|layers.txt:3: the exception low/a.cpp -> low/y.h is no longer needed'
  'low/a.cpp|low/x.h|floor 1 low on high
floor 2 high|layers.txt:1: low stands on high of a higher floor'
  'low/a.cpp|low/x.h|floor 1 low on other
floor 1 other on low|stands on itself'
  'low/a.cpp|low/x.h|floor 1 low
floor one mid|layers.txt:2: not understood: floor one mid'
)

failures=0
for row in "${rows[@]}"; do
  IFS='|' read -r file include layers expected <<<"${row//$'\n'/$'\x1f'}"
  layers=${layers//$'\x1f'/$'\n'}
  tree="$scratch/tree"
  rm -rf "$tree"
  mkdir -p "$tree/$(dirname "$file")"
  printf '#include "%s"\n' "$include" >"$tree/$file"
  printf '%s\n' "${layers:-$floors}" >"$tree/layers.txt"
  status=0
  said=$(bash "$check" "$tree" layers.txt 2>&1) || status=$?
  if [ -z "$expected" ] && [ $status -ne 0 ]; then
    echo "FAIL: $file with \"$include\" should pass, but the check said: $said"
    failures=$((failures + 1))
  elif [ -n "$expected" ] && { [ $status -eq 0 ] || [[ "$said" != *"$expected"* ]]; }; then
    echo "FAIL: $file with \"$include\" should fail with: $expected"
    echo "      the check said (status $status): $said"
    failures=$((failures + 1))
  fi
done
echo "${#rows[@]} cases, $failures failed"
[ $failures -eq 0 ]
