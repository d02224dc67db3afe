#!/usr/bin/env bash
# Times vexoconv and the iconv command on the same inputs: about 100 MiB (or
# VEXO_CONV_BENCH_MIB) of single-byte text (CCSID 37 to 1252) and of mixed
# Japanese text (930 to 943 and 943 to 930), and prints MB/s of input for
# each, by elapsed time and by CPU time (user + system; steadier on a busy
# machine).
# Usage: bench/conv_throughput.sh [build-dir]   (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
vexoconv="$top/$build/bin/vexoconv"
[ -x "$vexoconv" ] || { echo "no $vexoconv: build it first" >&2; exit 1; }
export VEXO_XLAT_PATH="$top/$build/share/xlat"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mib=${VEXO_CONV_BENCH_MIB:-100}
en='The quick brown fox jumps over the lazy dog. Invoice 2024-17: total 1234.56'
jp='ABC 123 日本語のテキスト 漢字とカタカナ 東京都 ｶﾀｶﾅ XYZ'
# Whole lines only, so that no double-byte character is cut at the end.
lines=$((mib * 1024 * 1024 / ${#en}))
{ yes "$en" || true; } | head -n "$lines" | iconv -f UTF-8 -t IBM037 > "$work/s37"
{ yes "$jp" || true; } | head -n "$lines" > "$work/jp.txt"
iconv -f UTF-8 -t IBM930 < "$work/jp.txt" > "$work/m930"
iconv -f UTF-8 -t IBM943 < "$work/jp.txt" > "$work/m943"

TIMEFORMAT='%R %U %S'
measure() { # measure LABEL FILE COMMAND...
  local label=$1 file=$2; shift 2
  local times bytes
  times=$( { time "$@" < "$file" > /dev/null; } 2>&1 )
  bytes=$(stat -c %s "$file")
  echo "$times" | awk -v l="$label" -v b="$bytes" '{
    cpu = $2 + $3
    printf "%-24s elapsed %7.2f s %8.1f MB/s   cpu %7.2f s %8.1f MB/s\n", l, $1, b / 1e6 / ($1 > 0 ? $1 : 1e-9), cpu, b / 1e6 / (cpu > 0 ? cpu : 1e-9)
  }'
}
measure "vexoconv 37 1252" "$work/s37" "$vexoconv" 37 1252
measure "iconv IBM037 CP1252" "$work/s37" iconv -f IBM037 -t CP1252
measure "vexoconv 930 943" "$work/m930" "$vexoconv" 930 943
measure "iconv IBM930 IBM943" "$work/m930" iconv -f IBM930 -t IBM943
measure "vexoconv 943 930" "$work/m943" "$vexoconv" 943 930
measure "iconv IBM943 IBM930" "$work/m943" iconv -f IBM943 -t IBM930
