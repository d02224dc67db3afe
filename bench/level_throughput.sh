#!/usr/bin/env bash
# Times vexolev and a plain marker count with grep over one 200 MB file.
# Usage: bench/level_throughput.sh [build-dir]   (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
vexolev="$top/$build/bin/vexolev"
[ -x "$vexolev" ] || { echo "no $vexolev: build it first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/input.bin"

# 200 MB of program-like bytes: copies of vexolev itself (so real version
# strings are spread through the file) padded with pseudo-random data.
mib=200
head -c $((mib * 1024 * 1024)) < <(while :; do cat "$vexolev"; head -c 1048576 /dev/urandom; done) > "$file"
ls -l "$file" | awk '{print "file: " $5 " bytes"}'

TIMEFORMAT='%R'
vexolev_seconds=$( { time "$vexolev" "$file" > "$work/vexolev.out"; } 2>&1 )
grep_seconds=$( { time grep -c -a "@(#) " "$file" > "$work/grep.out"; } 2>&1 )

echo "vexolev: ${vexolev_seconds} s, $(($(wc -l < "$work/vexolev.out") - 1)) lines"
echo "grep -c -a: ${grep_seconds} s, $(cat "$work/grep.out") matching lines"
