#!/bin/bash
# Decoding speed of twdecode against each codec's reference decoder on the same
# files in one run: mpg123 -s for MPEG layer III and II, oggdec -R for Ogg
# Vorbis, flac -d for FLAC (native and in Ogg), opusdec for Opus (48 kHz, no
# dither, as twdecode plays it). Prints the best of RUNS wall-clock times and
# the ratio (ours / theirs; below 1.0 means faster).
# Usage: decode_codecs_ratio.sh [BUILD_DIR] [SECONDS] [RUNS] [CODEC...]
#        CODEC is mp3, mp2, ogg, flac, oga or opus; all of them by default.
set -euo pipefail
build=${1:-build}
seconds=${2:-600}
runs=${3:-5}
shift $(($# < 3 ? $# : 3))
codecs=("${@:-mp3 mp2 ogg flac oga opus}")
codecs=(${codecs[*]})
twdecode=$build/tools/twdecode
[ -x "$twdecode" ] || { echo "no $twdecode: build the twdecode target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/src.wav" synth "$seconds" sine 200-4000 sine 660 vol 0.8

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

# compare NAME FILE REFERENCE...: the reference command reads FILE where "@" stands.
compare() {
  local name=$1 file=$2
  shift 2
  local ours theirs reference=("${@/#@/$file}")
  ours=$(best "$twdecode" "$file")
  theirs=$(best "${reference[@]}")
  awk -v n="$name" -v o="$ours" -v t="$theirs" \
    'BEGIN { printf "%-10s twdecode %.3fs  reference %.3fs  ratio %.3f\n", n, o, t, o / t }'
}

flac_raw=(flac -d -c -s --force-raw-format --endian=little --sign=signed @)
echo "decoding ${seconds}s of 44.1 kHz stereo, best of $runs"
for codec in "${codecs[@]}"; do
  file=$work/long.$codec
  case $codec in
    mp3) lame --quiet -b 192 "$work/src.wav" "$file"
         compare "MPEG L3" "$file" mpg123 -q -s @ ;;
    mp2) twolame --quiet -b 192 "$work/src.wav" "$file"
         compare "MPEG L2" "$file" mpg123 -q -s @ ;;
    ogg) oggenc -Q -q 5 -o "$file" "$work/src.wav"
         compare "Ogg" "$file" oggdec -Q -R -o /dev/null @ ;;
    flac) flac -s -o "$file" "$work/src.wav"
          compare "FLAC" "$file" "${flac_raw[@]}" ;;
    oga) flac -s --ogg -o "$file" "$work/src.wav"
         compare "Ogg FLAC" "$file" "${flac_raw[@]}" ;;
    opus) opusenc --quiet "$work/src.wav" "$file"
          compare "Opus" "$file" opusdec --quiet --rate 48000 --no-dither @ - ;;
    *) echo "unknown codec $codec" >&2; exit 2 ;;
  esac
done
