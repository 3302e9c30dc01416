#!/usr/bin/env bash
# run.sh <build dir> [runs] [jobs]: conversion from the main window against
# the ffmpeg tool, in one run (jobs: any of OneClip FourClips Responsiveness,
# all by default). Run inside a Wine session:
#   TESS_BUILD_DIR=$PWD/build tools/wine-session --private-display bench/conversion/run.sh build 3
#
# 1. one 60 s 1280x720 H.264/AAC clip to the default format (MP4 H.264/AAC
#    640x480), from the click on Convert to the rows marked done, against
#    the tool with the same options;
# 2. four such clips on two threads against four tool runs, two at a time;
# 3. two clips on two threads: round trips of an empty message to the main
#    window, and the intervals between the progress texts' changes on screen.
# Both sides use their codecs' automatic thread counts; the tool's process
# start is left out as ours is. Medians of the runs; ours and the tool's runs
# alternate.
set -eu
build=$(cd "$1" && pwd)
runs=${2:-3}
jobs=" ${3:-OneClip FourClips Responsiveness} "
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
driver="$build/bin/conversion_bench.exe.so"
media="$build/bench/conversion-media"
work="$build/bench/conversion-work"
[[ -f $driver ]] || { echo "run.sh: $driver is not built" >&2; exit 2; }
[[ -n ${TESS_WINELOADER:-} ]] || { echo "run.sh: no Wine session; run it through tools/wine-session" >&2; exit 2; }
mkdir -p "$media" "$work"

# The clips: made once, the same picture in four files.
if [[ ! -f $media/clip4.mp4 ]]; then
  ffmpeg -y -v error -f lavfi -i testsrc2=size=1280x720:rate=25:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=60 \
    -c:v libx264 -preset fast -pix_fmt yuv420p -c:a aac -ac 2 -shortest "$media/clip1.mp4"
  for n in 2 3 4; do cp "$media/clip1.mp4" "$media/clip$n.mp4"; done
fi
export TESS_BENCH_MEDIA=$media

# The program's option text for the default format and this clip (what it
# gives its engine): the 16:9 picture padded to 4:3 and scaled, 25 fps,
# 1 Mbit/s; AAC stereo 44.1 kHz 128 kbit/s; the clip's whole length.
tool_options=(-pix_fmt yuv420p -c:a aac -ac 2 -ar 44100 -b:a 128000 -c:v libx264 -r 25 -b:v 1000000
              -vf "pad=1280:960:0:120:black,scale=640:480" -t 60)

# The reference of the responsiveness job: the tool converting two clips at
# once while the program idles (the driver runs it).
pair=""
for n in 1 2; do pair+="ffmpeg -y -v error -ss 0 -i $(printf '%q ' "$media/clip$n.mp4" "${tool_options[@]}" "$work/pair$n.mp4") </dev/null & "; done
export TESS_BENCH_TOOL_PAIR="${pair}wait"

# The tool's runs carry a preloaded timer (bench/engine/ToolTimer.c) that
# logs the end of each run's start-up and its exit, so that its process start
# is left out as ours is (ours is timed from the click on Convert).
timer="$build/bin/tess_tool_timer.so"
[[ -f $timer ]] || { echo "run.sh: $timer is not built" >&2; exit 2; }
tool_log="$work/tool_times.txt"
tool_one() {
  TESS_TOOL_TIME=$tool_log LD_PRELOAD=$timer \
    ffmpeg -y -v error -ss 0 -i "$media/clip$1.mp4" "${tool_options[@]}" "$work/tool$1.mp4" </dev/null
}
# The span of the runs logged since the log was emptied: first start-up end
# to last exit, in milliseconds.
tool_span() { awk 'NR == 1 || $1 < s { s = $1 } NR == 1 || $2 > e { e = $2 } END { printf "%d", e - s }' "$tool_log"; }

# The tool: one clip; four clips two at a time (the two waves' spans added).
# Prints milliseconds.
tool_job() {
  local first second
  : >"$tool_log"
  if [[ $1 == OneClip ]]; then
    tool_one 1
    tool_span
    return
  fi
  tool_one 1 & tool_one 2 & wait
  first=$(tool_span)
  : >"$tool_log"
  tool_one 3 & tool_one 4 & wait
  second=$(tool_span)
  echo $(( first + second ))
}

# Ours: one start of the driver with the program; its "bench" lines go to
# the file $2.
ours_job() {
  "$TESS_WINELOADER" "$driver" --gtest_color=no --gtest_filter="ConversionBench.$1" </dev/null >"$work/driver.log" 2>&1 || true
  grep '^bench ' "$work/driver.log" >"$2" || { echo "run.sh: the $1 job failed:" >&2; tail -n 20 "$work/driver.log" >&2; exit 1; }
}
value() { awk -v k="$2" '$2 == k { print $3 }' "$1"; }
median() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

for job in OneClip FourClips; do
  [[ $jobs == *" $job "* ]] || continue
  ours=() theirs=()
  for _ in $(seq 1 "$runs"); do
    ours_job "$job" "$work/$job.txt"
    ours+=("$(value "$work/$job.txt" ours_ms)")
    theirs+=("$(tool_job "$job")")
  done
  a=$(median "${ours[@]}") b=$(median "${theirs[@]}")
  echo "$job: from Convert to the rows marked done, median of $runs runs (ms):"
  echo "  tessavane  $a   (${ours[*]})"
  echo "  ffmpeg     $b   (${theirs[*]})"
  echo "  ratio      $(ratio "$a" "$b") (goal <= 1.05)"
done

[[ $jobs == *" Responsiveness "* ]] || exit 0
keys=(trip_p50_ms trip_p95_ms trip_max_ms ref_p50_ms ref_p95_ms ref_max_ms
      refresh_p50_ms refresh_min_ms refresh_max_ms refresh_inside_pct refresh_count)
declare -A seen
for _ in $(seq 1 "$runs"); do
  ours_job Responsiveness "$work/Responsiveness.txt"
  for k in "${keys[@]}"; do seen[$k]="${seen[$k]:-} $(value "$work/Responsiveness.txt" "$k")"; done
done
echo "Responsiveness while two tasks convert, median of $runs runs (values of each run);"
echo "ref_*: the same probe while the tool converts the two clips beside the idle program:"
for k in "${keys[@]}"; do
  # shellcheck disable=SC2086
  printf '  %-20s %8s   (%s)\n' "$k" "$(median ${seen[$k]})" "${seen[$k]# }"
done
echo "  goals: trip_p95_ms <= 16, trip_max_ms <= 100, refresh intervals 500 +- 150 ms"
