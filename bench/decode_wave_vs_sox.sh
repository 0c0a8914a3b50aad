#!/bin/bash
# twdecode against sox decoding the same 10-minute files to raw samples, in one
# run: a 44.1 kHz 16-bit stereo WAVE and an 8 kHz mu-law AU. Prints the best of
# RUNS wall-clock times and the ratio (twdecode / sox; below 1 is faster).
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

for file in long.wav long.au; do
  cat "$work/$file" >/dev/null
  ours=$(best_ms "$twdecode" "$work/$file")
  sox_ms=$(best_ms sox "$work/$file" -t s16 -L -)
  python3 -c "import sys; o, s = int(sys.argv[2]), int(sys.argv[3]);
print('%s (10 min): twdecode %d ms  sox %d ms  ratio %.2f' % (sys.argv[1], o, s, o / max(s, 1)))" \
    "$file" "$ours" "$sox_ms"
done
