#!/usr/bin/env bash
# Checks the built layer libraries: no library may need a symbol that only a
# library above it defines. The stated link dependencies already make such a
# call fail to link in most programs; this finds it even where the link order
# happens to hide it (a declaration written by hand instead of an include).
#   NM  the nm program   arguments: the layer libraries, lowest first
set -euo pipefail
NM=${NM:-nm}
[ $# -gt 0 ] || { echo "usage: NM=nm $0 lowest.a ... highest.a" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Strong definitions only: inline functions and template instances are weak
# and may be emitted by every library that uses them.
defined() { "$NM" -g --defined-only "$1" 2>/dev/null | awk 'NF >= 3 && $2 ~ /^[TDBR]$/ {print $3}' | sort -u; }
needed() { "$NM" -u "$1" 2>/dev/null | awk 'NF >= 2 {print $2}' | sort -u; }

libs=("$@")
for i in "${!libs[@]}"; do
    [ -f "${libs[$i]}" ] || { echo "FAIL: no library ${libs[$i]}"; exit 1; }
    defined "${libs[$i]}" >"$work/defined.$i"
    needed "${libs[$i]}" >"$work/needed.$i"
    # Every layer defines something: an empty list means nm's output was not read.
    [ -s "$work/defined.$i" ] || { echo "FAIL: found no definitions in ${libs[$i]}"; exit 1; }
done

failures=0
for i in "${!libs[@]}"; do
    for ((j = i + 1; j < ${#libs[@]}; j++)); do
        comm -12 "$work/needed.$i" "$work/defined.$j" >"$work/upward"
        [ -s "$work/upward" ] || continue
        echo "FAIL: $(basename "${libs[$i]}") needs what only $(basename "${libs[$j]}") above it defines:"
        c++filt <"$work/upward" | sed 's/^/    /'
        failures=$((failures + 1))
    done
done
[ "$failures" -eq 0 ] || exit 1
echo "PASS: ${#libs[@]} libraries, none needs a library above it"
