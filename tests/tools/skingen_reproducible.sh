#!/usr/bin/env bash
# The skin generator gives the same bytes on every run: it draws the
# program's skin twice into two folders, then the two must not differ.
set -u
python=${1:-python3}
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for run in a b; do
  "$python" "$root/tools/skingen/skingen.py" "$tmp/$run" >/dev/null || { echo "FAIL: run $run"; exit 1; }
done
[[ -f $tmp/a/skin.ini ]] || { echo "FAIL: no skin.ini"; exit 1; }
if ! diff -r "$tmp/a" "$tmp/b" >/dev/null; then
  echo "FAIL: two runs differ:"; diff -rq "$tmp/a" "$tmp/b"; exit 1
fi
echo "ok: $(ls "$tmp/a" | wc -l) files alike"
