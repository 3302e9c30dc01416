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
# The X window gets its name when it is made and is mapped a moment later:
# wait until a window of that name is viewable.
for _ in $(seq 1 300); do
  # Only the program's own window: a test program may show one of that name too.
  for id in $(xwininfo -root -children 2>/dev/null | grep -iE '"Tessavane": \("tessavane\.exe"' | awk '{print $1}'); do
    if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      echo "ok: viewable top-level window $id \"Tessavane\""
      exit 0
    fi
  done
  kill -0 $pid 2>/dev/null || { echo "FAIL: the program ended before showing its window"; exit 1; }
  sleep 0.1
done
echo "FAIL: no viewable top-level window titled Tessavane within 30 s"
exit 1
