#!/usr/bin/env bash
# The Wine session refuses a display it cannot use with one clear line and a
# non-zero exit, and never hangs.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
fail=0
check() {  # name, expected text, command...
  local name=$1 want=$2; shift 2
  local out rc
  out=$(timeout 60 "$@" 2>&1 </dev/null); rc=$?
  if [[ $rc == 0 || $rc == 124 ]]; then
    echo "FAIL $name: exit $rc"; fail=1
  elif [[ $(printf '%s\n' "$out" | wc -l) -ne 1 || $out != *"$want"* ]]; then
    echo "FAIL $name: got '$out'"; fail=1
  else
    echo "ok   $name: $out"
  fi
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A display that does not exist.
check "unreachable display" "cannot open X display ':4711'" \
  env -u TESS_WINE_SESSION DISPLAY=:4711 "$root/tools/wine-session" true

# An X server that dies at once.
mkdir -p "$tmp/bin"
printf '#!/bin/sh\necho "Fatal server error: no screens" >&2\nexit 1\n' >"$tmp/bin/Xvfb"
chmod +x "$tmp/bin/Xvfb"
check "failing Xvfb" "Xvfb failed to start" \
  env -u TESS_WINE_SESSION PATH="$tmp/bin:$PATH" TESS_BUILD_DIR="$tmp" "$root/tools/wine-session" --private-display true

# An X server that never opens its socket.
printf '#!/bin/sh\nexec sleep 120\n' >"$tmp/bin/Xvfb"
check "silent Xvfb" "did not open its socket" \
  env -u TESS_WINE_SESSION PATH="$tmp/bin:$PATH" TESS_BUILD_DIR="$tmp" "$root/tools/wine-session" --private-display true

# Running a program outside any session.
check "no session" "no Wine session" env -u TESS_WINE_SESSION "$root/tools/wine-exec" /nonexistent.exe.so

exit $fail
