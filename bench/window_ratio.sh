#!/bin/bash
# The windowed player against the headless one, in one run:
#  1. start-up to the first frame of sound (file sink; the window on Qt's
#     offscreen platform), median of 10 starts each (bench/first_frame);
#  2. the CPU share of one core while each plays the same song on the null
#     sink (real time), the window idle: user + system time over 10 s after a
#     2 s settling, from /proc.
# Goals: first frame under 100 ms, the idle window under 1 % of a core.
# Usage: window_ratio.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build=${1:-build}
seconds=${2:-10}
program=$(realpath "$build/tunewright")
bench=$build/bench/first_frame
[ -x "$program" ] && [ -x "$bench" ] || { echo "build the tunewright and first_frame targets first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export TUNEWRIGHT_HOME=$work/home XDG_RUNTIME_DIR=$work/run
unset DBUS_SESSION_BUS_ADDRESS
song=$work/song.wav
sox -n -b 16 -r 44100 -c 2 "$song" synth 120 sine 440 vol 0.5

TW_BENCH_PROGRAM=$program TW_BENCH_SONG=$song "$bench" --benchmark_format=json 2>/dev/null |
  python3 -c '
import json, sys
times = {b["name"].split("/")[0]: b["real_time"] for b in json.load(sys.stdin)["benchmarks"]}
h, w = times["BM_FirstFrameHeadless"], times["BM_FirstFrameWindowed"]
print("first frame: headless %.1f ms  windowed %.1f ms  ratio %.2f" % (h, w, w / h))
'

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Percent of one core used by the program playing the song, started with "$@".
cpu_share() {
  TUNEWRIGHT_OUTPUT=null "$program" "$@" "$song" >/dev/null 2>&1 &
  local pid=$!
  pids+=("$pid")
  sleep 2
  local before after
  before=$(cpu_ticks "$pid")
  sleep "$seconds"
  after=$(cpu_ticks "$pid")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  python3 -c "print('%.2f' % (100.0 * ($after - $before) / $ticks / $seconds))"
}
headless=$(cpu_share --headless)
windowed=$(QT_QPA_PLATFORM=offscreen cpu_share GUI)
python3 -c "
h, w = $headless, $windowed
print('CPU while playing: headless %.2f %%  windowed %.2f %%  ratio %s  (window alone %.2f %% of a core)'
      % (h, w, '%.2f' % (w / h) if h > 0 else 'n/a', w - h))
"
