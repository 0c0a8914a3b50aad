#!/bin/bash
# Decoding speed of twdecode against the reference decoders on the same
# 10-minute files in one run: flac -d for 16-bit FLAC (native and Ogg), opusdec
# for Opus (48 kHz, no dither, as twdecode plays it). Prints the best of RUNS
# wall-clock times and the ratio (ours / theirs; below 1.0 means faster).
# Usage: decode_flac_opus_ratio.sh [BUILD_DIR] [SECONDS] [RUNS]
set -euo pipefail
build=${1:-build}
seconds=${2:-600}
runs=${3:-5}
twdecode=$build/tools/twdecode
[ -x "$twdecode" ] || { echo "no $twdecode: build the twdecode target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/src.wav" synth "$seconds" sine 200-4000 sine 660 vol 0.8
flac -s -o "$work/long.flac" "$work/src.wav"
flac -s --ogg -o "$work/long.oga" "$work/src.wav"
opusenc --quiet "$work/src.wav" "$work/long.opus"

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
  theirs=$(best "$@")
  awk -v n="$name" -v o="$ours" -v t="$theirs" \
    'BEGIN { printf "%-10s twdecode %.3fs  reference %.3fs  ratio %.3f\n", n, o, t, o / t }'
}

flac_raw=(flac -d -c -s --force-raw-format --endian=little --sign=signed)
echo "decoding ${seconds}s of 44.1 kHz stereo, best of $runs"
compare "FLAC" "$work/long.flac" "${flac_raw[@]}" "$work/long.flac"
compare "Ogg FLAC" "$work/long.oga" "${flac_raw[@]}" "$work/long.oga"
compare "Opus" "$work/long.opus" opusdec --quiet --rate 48000 --no-dither "$work/long.opus" -
