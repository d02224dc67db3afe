#!/usr/bin/env bash
# Readers that are other users: one who may only read the database, one who
# may also make files in its folder. Each reads with every read command, while
# the owner's import runs and while it does not, and leaves no file behind; a
# refused change names what is missing; the owner imports before and after.
# Needs root (to run as other users with setpriv): exits 77 (skipped) otherwise.
set -euo pipefail
built=$1
maps=$2
[ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null || { echo "needs root and setpriv"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
# The programs, with the tables beside them, where other users may run them
# (a build tree under a private folder is out of their reach).
bin=$tmp/programs/bin
mkdir -p "$bin"
cp "$built/dossa" "$built/vexopxm" "$built/vexomap" "$bin/"
[ -d "$built/../share" ] && cp -r "$built/../share" "$tmp/programs/share"
chmod -R a+rX "$tmp/programs"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
as() { local uid=$1; shift; setpriv --reuid="$uid" --regid="$uid" --clear-groups "$@"; }
owner() { (cd "$tmp/db" && VEXO_INI_PATH=$PWD NDOSSA_DATA=$PWD "$@"); }

mkdir "$tmp/db"
printf '[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = defs.ndb\nServerName = Local\n' > "$tmp/db/vexo.ini"
owner "$bin/dossa" create defs.ndb >/dev/null
owner "$bin/vexopxm" "$maps/orders.pxm" >/dev/null
db=$tmp/db/defs.ndb
# Other users must reach the folder (a TMPDIR under a private home would hide it).
as 1000 test -r "$db" || { echo "other users cannot reach $tmp"; exit 77; }
message=$("$bin/dossa" list "$db" --form Message | head -1 | sed 's/.*MessageName=\([^	]*\).*/\1/')
big=$tmp/big.pxm
for i in $(seq 0 299); do
  printf 'BIG%03d   PXMMAP SIZE=(24,80)\n' "$i"
  for f in 1 2 3 4 5 6; do printf 'F%03d%d    PXMFLD POS=(%d,2),LENGTH=9\n' "$i" "$f" "$f"; done
done > "$big"

# reads FOLDERMODE LIVE: every read command as uid 1000 (and 1001) succeeds
# and leaves no file of theirs.
reads() {
  chmod "$1" "$tmp/db"
  local what="folder $1${2:+, owner importing}"
  for uid in 1000 1001; do
    for cmd in list dump check; do
      as $uid "$bin/dossa" $cmd "$db" >"$tmp/out" 2>"$tmp/err" || fail "$what: dossa $cmd as $uid: $(cat "$tmp/err")"
    done
    (cd "$tmp/db" && as $uid env VEXO_INI_PATH=$PWD NDOSSA_DATA=$PWD "$bin/vexomap" "$message" >"$tmp/out" 2>"$tmp/err") ||
      fail "$what: vexomap as $uid: $(cat "$tmp/err")"
  done
  left=$(find "$tmp/db" ! -user 0 | head -3)
  [ -z "$left" ] || fail "$what: readers left $left"
}

for mode in 755 777 1777; do
  reads $mode
  owner "$bin/vexopxm" /r "$big" > "$tmp/import" & importer=$!
  reads $mode live
  wait $importer || fail "folder $mode: the owner's import beside readers: $(tail -1 "$tmp/import")"
  owner "$bin/vexopxm" /r "$maps/orders.pxm" > "$tmp/import" || fail "folder $mode: the owner's import after readers"
  [ "$(owner "$bin/dossa" check "$db")" = ok ] || fail "folder $mode: check after readers"
done

# A refused change names what is missing.
refusal() {  # EXPECTED-HINT COMMAND...
  local expected=$1; shift
  if as 1000 "$@" >/dev/null 2>"$tmp/err"; then fail "a change as a reader was taken: $*"; fi
  grep -qF "  $expected" "$tmp/err" || fail "hint for '$*': expected '$expected', got: $(cat "$tmp/err")"
}
chmod 755 "$tmp/db"
refusal "$db is not writable by this user" "$bin/dossa" put "$db" Message MessageName=X
(cd "$tmp/db" && refusal "$db is not writable by this user" env VEXO_INI_PATH=$PWD NDOSSA_DATA=$PWD "$bin/vexopxm" /r "$maps/orders.pxm")
chmod 666 "$db"
refusal "the folder of $db is not writable by this user" "$bin/dossa" put "$db" Message MessageName=X
chmod 644 "$db"

[ "$failures" -eq 0 ] && echo "readers as other users: all cases held"
exit $((failures > 0))
