#!/usr/bin/env bash
# Checks that every #include "..." of the sources keeps to the floors of
# layers.txt: its own folder, a folder on a lower floor, or an allowed folder
# of the same floor. Prints file, line and include of each one that does not,
# and fails then.
# Usage: check_layers.sh SOURCE_DIR [LAYERS_FILE (default SOURCE_DIR/layers.txt)]
set -euo pipefail
root=$1
layers=${2:-$root/layers.txt}
cd "$root"

# Every C++ source, build folders and hidden folders left out.
mapfile -t files < <(find . -mindepth 1 \( -name 'build*' -o -name '.*' \) -prune -o \
  -type f \( -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | LC_ALL=C sort)

awk -v layers="$layers" '
function fail(message) { print message; failed = 1 }

# The folder of the floors that holds path (the longest one), "" when none.
function folder_of(path,    f, best) {
    best = ""
    for (f in floor)
        if (index(path, f "/") == 1 && length(f) > length(best))
            best = f
    return best
}

function is_free(path,    f) {
    for (f in free)
        if (index(path, f "/") == 1)
            return 1
    return 0
}

FILENAME == layers {
    sub(/#.*/, "")
    if (NF == 0)
        next
    if ($1 == "floor" && NF >= 3 && $2 ~ /^[0-9]+$/ && (NF == 3 || $4 == "on")) {
        floor[$3] = $2 + 0
        line[$3] = FNR
        for (i = 5; i <= NF; i++)
            on[$3 " " $i] = 1
    } else if ($1 == "free" && NF >= 2) {
        for (i = 2; i <= NF; i++)
            free[$i] = 1
    } else if ($1 == "except" && NF == 4 && $3 == "->") {
        exception[$2 " " $4] = FNR
    } else {
        fail(layers ":" FNR ": not understood: " $0)
    }
    next
}

# Once the floors are read: each folder stands on folders of its own or lower
# floors, and on no folder that stands on it; then what each one reaches.
!checked {
    checked = 1
    for (pair in on) {
        split(pair, f, " ")
        if (!(f[2] in floor))
            fail(layers ":" line[f[1]] ": " f[2] " is not a floor")
        else if (floor[f[2]] > floor[f[1]])
            fail(layers ":" line[f[1]] ": " f[1] " stands on " f[2] " of a higher floor")
        reaches[pair] = 1
    }
    do {
        grown = 0
        for (pair in reaches) {
            split(pair, f, " ")
            for (g in floor)
                if ((f[2] " " g) in reaches && !((f[1] " " g) in reaches)) {
                    reaches[f[1] " " g] = 1
                    grown = 1
                }
        }
    } while (grown)
    for (g in floor)
        if ((g " " g) in reaches)
            fail(layers ":" line[g] ": " g " stands on itself through the folders it stands on")
}

FNR == 1 {
    here = folder_of(FILENAME)
    skip = is_free(FILENAME)
    if (here == "" && !skip) {
        fail(FILENAME ": not in a folder of the floors (" layers ")")
        skip = 1
    }
}

skip || !/^[ \t]*#[ \t]*include[ \t]*"/ { next }

{
    included = $0
    sub(/^[^"]*"/, "", included)
    sub(/".*/, "", included)
    # A name without a folder is one of the same folder (or generated beside it).
    if (index(included, "/") == 0)
        next
    if ((FILENAME " " included) in exception) {
        used[FILENAME " " included] = 1
        print FILENAME ":" FNR ": #include \"" included "\": a known exception (" layers \
            ":" exception[FILENAME " " included] ")"
        next
    }
    there = folder_of(included)
    if (there == "") {
        fail(FILENAME ":" FNR ": #include \"" included "\": not a file of the floors")
        next
    }
    if (there == here || (here " " there) in reaches)
        next
    fail(FILENAME ":" FNR ": #include \"" included "\": " here "/ (floor " floor[here] \
        ") does not stand on " there "/ (floor " floor[there] ")")
}

END {
    for (e in exception)
        if (!(e in used)) {
            split(e, f, " ")
            fail(layers ":" exception[e] ": the exception " f[1] " -> " f[2] \
                " is no longer needed: remove it")
        }
    exit failed
}
' "$layers" "${files[@]}"
echo "${#files[@]} files keep to the floors of $layers"
