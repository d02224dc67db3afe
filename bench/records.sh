#!/usr/bin/env bash
# Encodes and decodes a 25-field message of 600 bytes in CCSID 037 with
# three contenders and prints one table: the record codec (record_bench), a
# Python script with the standard library only (bench/records.py), and the
# floor, the same record bytes through the conversion tables alone. Rates
# are by CPU time; MB/s counts record bytes.
# Usage: bench/records.sh [build-dir] [records]   (default: build, 50000)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
count=${2:-50000}
bench="$top/$build/bin/record_bench"
[ -x "$bench" ] || { echo "no $bench: build it first" >&2; exit 1; }
export VEXO_XLAT_PATH="$top/$build/share/xlat"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

{ "$bench" "$work" "$count" 2>/dev/null; python3 "$top/bench/records.py" "$work"; } > "$work/results"
awk '
  { rate[$1, $2] = $3 / $4; mbs[$1, $2] = $5 / 1e6 / $4; names[$1] = 1 }
  END {
    printf "%-14s %14s %10s %14s %10s\n", "", "encode rec/s", "MB/s", "decode rec/s", "MB/s"
    split("vexo-codec python-stdlib tables-alone", order, " ")
    for (i = 1; i <= 3; ++i) {
      n = order[i]
      printf "%-14s %14.0f %10.1f %14.0f %10.1f\n", n, rate[n, "encode"], mbs[n, "encode"], rate[n, "decode"], mbs[n, "decode"]
    }
    for (d = 1; d <= 2; ++d) {
      dir = d == 1 ? "encode" : "decode"
      printf "%s: %.1f times the Python rate, %.1f times the tables-alone time\n", dir,
        rate["vexo-codec", dir] / rate["python-stdlib", dir], rate["tables-alone", dir] / rate["vexo-codec", dir]
    }
  }' "$work/results"
