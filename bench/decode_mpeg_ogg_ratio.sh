#!/bin/bash
# Decoding speed of twdecode against the reference decoders on the same files in
# one run: mpg123 -s for MPEG layer III and II, oggdec -R for Ogg Vorbis.
# Prints the best of several runs of each and the ratio (ours / theirs; below
# 1.0 means faster). Usage: decode_mpeg_ogg_ratio.sh [BUILD_DIR] [SECONDS] [RUNS]
set -euo pipefail
build=${1:-build}
seconds=${2:-120}
runs=${3:-5}
twdecode=$build/tools/twdecode
[ -x "$twdecode" ] || { echo "no $twdecode: build the twdecode target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/src.wav" synth "$seconds" sine 200-4000 sine 660 vol 0.8
lame --quiet -b 192 "$work/src.wav" "$work/l3.mp3"
twolame --quiet -b 192 "$work/src.wav" "$work/l2.mp2"
oggenc -Q -q 5 -o "$work/v.ogg" "$work/src.wav"

# Best wall time in seconds of RUNS runs of a command (output discarded).
best() {
  local best_time=
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    best_time=$(echo "$start $end ${best_time:-}" |
      awk '{t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3}')
  done
  echo "$best_time"
}

compare() {
  local name=$1 file=$2
  shift 2
  local ours theirs
  ours=$(best "$twdecode" "$file")
  theirs=$(best "$@" "$file")
  awk -v n="$name" -v o="$ours" -v t="$theirs" \
    'BEGIN { printf "%-10s twdecode %.3fs  reference %.3fs  ratio %.3f\n", n, o, t, o / t }'
}

echo "decoding ${seconds}s of 44.1 kHz stereo, best of $runs"
compare "MPEG L3" "$work/l3.mp3" mpg123 -q -s
compare "MPEG L2" "$work/l2.mp2" mpg123 -q -s
compare "Ogg" "$work/v.ogg" oggdec -Q -R -o /dev/null
