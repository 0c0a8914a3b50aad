#!/bin/sh
# Builds the fuzzers and runs each for a short while over its committed corpus,
# one at a time at the lowest priority. Stops at the first finding, whose input
# is left as build-fuzz/<target>-crash-... (add it to fuzz/corpus/<target>/
# under a telling name once the parser is fixed; the replay test then keeps it).
# Usage: fuzz/run.sh [seconds per target, default 30] [target ...]
# New inputs go to a scratch folder; the committed corpus is only read.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export LSAN_OPTIONS="suppressions=$ROOT/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
SECONDS_EACH=${1:-30}
[ $# -gt 0 ] && shift
OUT=${FUZZ_OUT:-$ROOT/build-fuzz}
"$ROOT/fuzz/build.sh" "$OUT"
TARGETS=${*:-$(cat "$OUT/targets")}
for target in $TARGETS; do
  scratch=$(mktemp -d)
  echo "fuzzing $target for ${SECONDS_EACH}s"
  LLVM_PROFILE_FILE="$scratch/%p.profraw" nice -n 19 "$OUT/fuzz_$target" -max_total_time="$SECONDS_EACH" -max_len=8192 -timeout=10 \
    -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$OUT/$target-" \
    "$scratch" "$ROOT/fuzz/corpus/$target"
  rm -rf "$scratch"
done
echo "fuzzing finished without a finding"
