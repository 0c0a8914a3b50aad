#!/bin/bash
# Playing a whole 74-minute CD image (20 audio tracks in one BIN) through the CD
# module against `cat` of the BIN, both in one run of cdda_image_decode. Prints
# the best times and the ratio (ours / cat; cat reads the same bytes and does
# nothing else, so it is the floor). Usage: cdda_image_decode_ratio.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
program=$build/bench/cdda_image_decode
[ -x "$program" ] || { echo "no $program: build the cdda_image_decode target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sectors=333000  # 74 minutes
sox -n -r 44100 -c 2 -b 16 -e signed -L -t raw "$work/disc.bin" \
  synth "$((sectors / 75))" sine 200-4000 sine 660 vol 0.8
{
  echo 'FILE "disc.bin" BINARY'
  for n in $(seq 1 20); do
    start=$(((n - 1) * sectors / 20))
    printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n' "$n" \
      $((start / 4500)) $((start / 75 % 60)) $((start % 75))
  done
} >"$work/disc.cue"
cat "$work/disc.bin" >/dev/null  # both runs start from the page cache

TW_BENCH_CUE=$work/disc.cue "$program" --benchmark_repetitions="$runs" \
  --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
runs = [b for b in json.load(sys.stdin)["benchmarks"] if b.get("run_type") == "iteration"]
best = {}
for b in runs:
    name = b["name"].split("/")[0]
    best[name] = min(best.get(name, float("inf")), b["real_time"])
ours, cat = best["BM_DecodeImage"], best["BM_CatBin"]
print("74-minute image: CD module %.0f ms  cat %.0f ms  ratio %.2f" % (ours, cat, ours / cat))
'
