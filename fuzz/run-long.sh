#!/bin/sh
# Long fuzzing sittings that resume where the last one stopped: each target's
# grown corpus is kept in a scratch folder outside the repository.
# Usage: fuzz/run-long.sh SECONDS TARGET...     fuzz for SECONDS per target
#        fuzz/run-long.sh --merge TARGET...     fold the grown corpus, minimised,
#                                               back into fuzz/corpus/TARGET
# FUZZ_STATE names the scratch folder (default ~/.cache/tunewright-fuzz).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${FUZZ_OUT:-$ROOT/build-fuzz}
STATE=${FUZZ_STATE:-$HOME/.cache/tunewright-fuzz}
[ $# -ge 2 ] || { sed -n '4,7p' "$0"; exit 2; }
MODE=$1
shift
"$ROOT/fuzz/build.sh" "$OUT" >/dev/null
for target in "$@"; do
  mkdir -p "$STATE/$target"
  if [ "$MODE" = --merge ]; then
    merged=$(mktemp -d)
    nice -n 19 "$OUT/fuzz_$target" -merge=1 -max_len=8192 -timeout=10 "$merged" \
      "$ROOT/fuzz/corpus/$target" "$STATE/$target"
    # Regression files keep their names; everything else is replaced by the merge.
    find "$ROOT/fuzz/corpus/$target" -type f ! -name 'regression-*' -delete
    cp "$merged"/* "$ROOT/fuzz/corpus/$target/" 2>/dev/null || true
    rm -rf "$merged"
  else
    nice -n 19 "$OUT/fuzz_$target" -max_total_time="$MODE" -max_len=8192 -timeout=10 \
      -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$STATE/$target-" \
      "$STATE/$target" "$ROOT/fuzz/corpus/$target"
  fi
done
