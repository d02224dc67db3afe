#!/usr/bin/env bash
# Times vexosite over a document database of generated maps, imported with /a
# (screen texts and looks kept): the site of every map, index included.
# Usage: bench/site_throughput.sh [build-dir] [maps]   (defaults: build, 1000)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
maps=${2:-1000}
bin="$top/$build/bin"
for p in dossa vexopxm vexosite; do
  [ -x "$bin/$p" ] || { echo "no $bin/$p: build it first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VEXO_INI_PATH="$work" NDOSSA_DATA="$work"
printf '[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = maps.ndb\nServerName = Local\n' > "$work/vexo.ini"
"$bin/dossa" create "$work/maps.ndb" > /dev/null

# Each map: a heading and five captions, eight fields of mixed looks.
awk -v maps="$maps" 'BEGIN {
  print "GENSET   PXMSET TYPE=&SYSPARM,MODE=INOUT"
  for (m = 1; m <= maps; m++) {
    printf "G%05d   PXMMAP SIZE=(24,80)\n", m
    printf "         PXMFLD POS=(1,30),LENGTH=20,ATTRB=(ASKIP,BRT),INITIAL=%cMAP %05d%c\n", 39, m, 39
    for (f = 1; f <= 8; f++) {
      if (f <= 5) printf "         PXMFLD POS=(%d,2),LENGTH=12,ATTRB=ASKIP,COLOR=GREEN,INITIAL=%cCAPTION %d..:%c\n", f + 2, 39, f, 39
      attrb = (f % 3 == 0) ? "ASKIP" : ((f % 4 == 0) ? "(UNPROT,DRK)" : "UNPROT")
      printf "G%05dF%d PXMFLD POS=(%d,16),LENGTH=%d,ATTRB=%s,COLOR=YELLOW\n", m, f, f + 2, 10 + f * 3, attrb
    }
  }
  print "         PXMSET TYPE=FINAL"
  print "         END"
}' > "$work/gen.pxm"
"$bin/vexopxm" /a "$work/gen.pxm" > /dev/null

names=$(awk '/PXMMAP/ {print $1}' "$work/gen.pxm")
TIMEFORMAT='%R'
# shellcheck disable=SC2086
seconds=$( { time "$bin/vexosite" "$work/site" $names > /dev/null; } 2>&1 )
cpu=$( { TIMEFORMAT="%U+%S"; time "$bin/vexosite" "$work/site2" $names > /dev/null; } 2>&1 )
echo "vexosite: $maps maps, $(ls "$work/site" | wc -l) files, $(du -sk "$work/site" | cut -f1) KiB in ${seconds} s (a second run: ${cpu} s of user+system time)"
