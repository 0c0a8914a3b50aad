#!/bin/bash
# twdecode against sox decoding the same 10-minute files to raw samples, in one
# run: a 44.1 kHz 16-bit stereo WAVE, an 8 kHz mu-law AU, and the reductions to
# 16 bits (sox -D): 24-bit and float stereo WAVE, and a 24-bit 5.1 WAVE that sox
# mixes down to stereo as we do. Prints the best of RUNS wall-clock times and the
# ratio (twdecode / sox; below 1 is faster).
# Usage: decode_wave_vs_sox.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
twdecode=$build/tools/twdecode
[ -x "$twdecode" ] || { echo "no $twdecode: build the twdecode target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -D -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 600 whitenoise vol 0.5
sox -D -n -r 8000 -c 1 -e u-law "$work/long.au" synth 600 whitenoise vol 0.5
sox -D -n -r 44100 -c 2 -b 24 "$work/long24.wav" synth 600 whitenoise vol 0.5
sox -D -n -r 44100 -c 2 -e floating-point -b 32 "$work/longf.wav" synth 600 whitenoise vol 0.5
sox -D -n -r 48000 -c 6 -b 24 "$work/long51.wav" synth 600 whitenoise vol 0.3

best_ms() {  # best wall time of a command over $runs runs, in milliseconds
  local best=999999999
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    local ms=$(((end - start) / 1000000))
    ((ms < best)) && best=$ms
  done
  echo "$best"
}

# What sox is asked to do with each file: the same output as twdecode's.
sox_args() {
  case $1 in
    long51.wav) echo "-D -b 16 -t s16 -L - remix 1,3v0.7071,5v0.7071 2,3v0.7071,6v0.7071" ;;
    *) echo "-D -b 16 -t s16 -L -" ;;
  esac
}

for file in long.wav long.au long24.wav longf.wav long51.wav; do
  cat "$work/$file" >/dev/null
  ours=$(best_ms "$twdecode" "$work/$file")
  # shellcheck disable=SC2046
  sox_ms=$(best_ms sox "$work/$file" $(sox_args "$file"))
  python3 -c "import sys; o, s = int(sys.argv[2]), int(sys.argv[3]);
print('%s (10 min): twdecode %d ms  sox %d ms  ratio %.2f' % (sys.argv[1], o, s, o / max(s, 1)))" \
    "$file" "$ours" "$sox_ms"
done
