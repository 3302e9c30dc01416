#!/usr/bin/env bash
# run.sh <build dir> [runs]: start-up of the program against Wine's notepad,
# both started the same way (the Wine loader on the program) in one run,
# from the start to the main window answering a message. Run inside a Wine
# session: tools/wine-session bench/startup/run.sh build 5
set -eu
build=$(cd "$1" && pwd)
runs=${2:-5}
waiter="$build/bench/startup_bench.exe.so"

# One start: prints the milliseconds until the window of class $1 answered.
measure() {
  local cls=$1; shift
  coproc WAIT { "$TESS_WINELOADER" "$waiter" --wait "$cls"; }
  local fd waiter_pid line
  exec {fd}<&"${WAIT[0]}"
  waiter_pid=$WAIT_PID
  read -r line <&"$fd"  # "ready"
  local t0 pid
  t0=$(date +%s%N)
  "$TESS_WINELOADER" "$@" >/dev/null 2>&1 &
  pid=$!
  read -r line <&"$fd"
  exec {fd}<&-
  wait "$waiter_pid" 2>/dev/null || true
  # Only the program this script started is ended.
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [[ $line == timeout ]]; then echo -1; else echo $(( (line - t0) / 1000000 )); fi
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }

ours=() theirs=()
for _ in $(seq 1 "$runs"); do
  ours+=("$(measure TMainForm "$build/bin/tessavane.exe.so")")
  sleep 0.5
  theirs+=("$(measure Notepad notepad)")
  sleep 0.5
done
a=$(median "${ours[@]}") b=$(median "${theirs[@]}")
echo "start-up to an answering main window, median of $runs runs (ms):"
echo "  tessavane (sixteen windows)  $a   (${ours[*]})"
echo "  notepad                      $b   (${theirs[*]})"
awk -v a="$a" -v b="$b" 'BEGIN { if (a > 0 && b > 0) printf "  ratio                        %.2f (goal <= 1.0)\n", a / b }'
