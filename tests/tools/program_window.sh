#!/usr/bin/env bash
# The program starts inside the session and shows a top-level window titled
# "Tessavane". Test programs running beside it may show windows with that
# title too, so the window must belong to tessavane.exe (its X class).
set -u
bin=$1
[[ -n ${TESS_WINE_SESSION:-} ]] || { echo "needs a Wine session"; exit 1; }
"$TESS_WINELOADER" "$bin/tessavane.exe.so" </dev/null >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null' EXIT
for _ in $(seq 1 300); do
  pattern='"Tessavane": \("tessavane\.exe"'
  if xwininfo -root -children 2>/dev/null | grep -qiE "$pattern"; then
    line=$(xwininfo -root -children | grep -iE "$pattern" | head -n 1)
    echo "ok: top-level window $line"
    xwininfo -id "$(awk '{print $1}' <<<"$line")" | grep -q 'Map State: IsViewable' \
      || { echo "FAIL: the window is not viewable"; exit 1; }
    exit 0
  fi
  kill -0 $pid 2>/dev/null || { echo "FAIL: the program ended before showing its window"; exit 1; }
  sleep 0.1
done
echo "FAIL: no top-level window titled Tessavane within 30 s"
exit 1
