#!/bin/bash
# twdecode against sox on the same 8SVX, AIFF and AIFF-C files in one run: the
# fastest of RUNS wall times of each, and the ratio (ours / sox; below 1.0 means
# faster). Usage: decode_8svx_aiff_ratio.sh [BUILD_DIR] [SECONDS] [RUNS]
set -euo pipefail
build=${1:-build}
seconds=${2:-300}
runs=${3:-5}
twdecode=$build/tools/twdecode
[ -x "$twdecode" ] || { echo "no $twdecode: build the twdecode target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
synth="synth $seconds sine 200-4000 sine 660 vol 0.8"
sox -n -r 44100 -c 2 -b 8 "$work/s.8svx" $synth
sox -n -r 44100 -c 2 -b 16 "$work/s.aiff" $synth
sox -n -r 44100 -c 2 -b 16 "$work/s.aifc" $synth

# Fastest wall time in seconds of RUNS runs of a command, its output dropped.
fastest() {
  local TIMEFORMAT=%R times=()
  for _ in $(seq "$runs"); do
    times+=("$({ time "$@" >/dev/null 2>&1; } 2>&1)")
  done
  printf '%s\n' "${times[@]}" | sort -g | head -n 1
}

echo "decoding ${seconds}s of 44.1 kHz stereo, fastest of $runs"
for file in s.8svx s.aiff s.aifc; do
  bits=16
  [ "$file" = s.8svx ] && bits=8
  ours=$(fastest "$twdecode" "$work/$file")
  theirs=$(fastest sox "$work/$file" -t raw -e signed -b "$bits" -)
  awk -v n="$file" -v o="$ours" -v t="$theirs" \
    'BEGIN { printf "%-8s twdecode %.3fs  sox %.3fs  ratio %.3f\n", n, o, t, o / t }'
done
