#!/bin/bash
# Long fuzzing sittings that resume where the last one stopped: each target's
# grown corpus is kept in a scratch folder outside the repository, and each
# sitting's CPU time is added to fuzz/sittings.tsv, so a budget can be spread
# over as many sittings as it takes.
# Usage: fuzz/run-long.sh CPU_SECONDS TARGET...  fuzz each target until the
#                                                 ledger holds CPU_SECONDS for it
#        fuzz/run-long.sh --merge TARGET...      fold the grown corpus, minimised,
#                                                 back into fuzz/corpus/TARGET
#        fuzz/run-long.sh --totals               CPU minutes per target so far
# FUZZ_STATE names the scratch folder (default ~/.cache/tunewright-fuzz);
# FUZZ_CHUNK bounds one sitting's wall time (default 600 s).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export LSAN_OPTIONS="suppressions=$ROOT/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
OUT=${FUZZ_OUT:-$ROOT/build-fuzz}
STATE=${FUZZ_STATE:-$HOME/.cache/tunewright-fuzz}
CHUNK=${FUZZ_CHUNK:-600}
LEDGER=$ROOT/fuzz/sittings.tsv
OPTIONS=(-max_len=8192 -timeout=10 -rss_limit_mb=1024)

cpu_seconds_so_far() {
  awk -F'\t' -v t="$1" '$2 == t { s += $4 } END { printf "%d", s }' "$LEDGER"
}

totals() {
  # A sitting stopped from outside ("interrupted") counts its CPU time but is no finding.
  awk -F'\t' 'NR > 1 { s[$2] += $4; n[$2] += $5; if ($6 != "clean" && $6 != "interrupted") bad[$2]++ }
    END { for (t in s) printf "%-10s %7.1f CPU-min %12d runs %s\n", t, s[t] / 60, n[t],
          bad[t] ? bad[t] " findings" : "clean" }' "$LEDGER" | sort
}

# One sitting: fuzz for at most CHUNK wall seconds; the CPU time is the child's.
sitting() {
  local target=$1 wall=$2 log start result cpu runs
  log=$(mktemp)
  start=$(date +%s)
  result=clean
  nice -n 19 "$OUT/fuzz_$target" -max_total_time="$wall" "${OPTIONS[@]}" -print_final_stats=1 \
    -artifact_prefix="$STATE/$target-" "$STATE/$target" "$ROOT/fuzz/corpus/$target" \
    >"$log" 2>&1 || result=$(grep -o 'ERROR: [a-zA-Z]*: [a-zA-Z-]*' "$log" | head -n 1)
  times >"$log.times"  # not in a pipeline: a forked builtin would report its own children
  cpu=$(awk 'END { gsub(/[ms]/, " "); split($0, a, " "); print int(a[1] * 60 + a[2] + a[3] * 60 + a[4]) }' "$log.times")
  rm -f "$log.times"
  result=${result:-failed}
  runs=$(awk '/stat::number_of_executed_units/ { print $2; exit }' "$log")
  printf '%s\t%s\t%d\t%d\t%s\t%s\n' "$(date -u +%FT%TZ)" "$target" "$(($(date +%s) - start))" \
    "$cpu" "${runs:-0}" "$result" >>"$LEDGER"
  [ "$result" = clean ] || { echo "$target: $result (log kept in $log)"; return 1; }
  rm -f "$log"
}

[ $# -ge 1 ] || { sed -n '6,13p' "$0"; exit 2; }
[ -f "$LEDGER" ] || printf 'finished\ttarget\twall_s\tcpu_s\truns\tresult\n' >"$LEDGER"
MODE=$1
shift
if [ "$MODE" = --totals ]; then totals; exit 0; fi
"$ROOT/fuzz/build.sh" "$OUT" >/dev/null
for target in "$@"; do
  mkdir -p "$STATE/$target"
  if [ "$MODE" = --merge ]; then
    merged=$(mktemp -d)
    nice -n 19 "$OUT/fuzz_$target" -merge=1 "${OPTIONS[@]}" "$merged" \
      "$ROOT/fuzz/corpus/$target" "$STATE/$target"
    # Regression files keep their names; everything else is replaced by the merge.
    find "$ROOT/fuzz/corpus/$target" -type f ! -name 'regression-*' -delete
    cp -n "$merged"/* "$ROOT/fuzz/corpus/$target/" 2>/dev/null || true
    rm -rf "$merged"
    continue
  fi
  while true; do
    left=$((MODE - $(cpu_seconds_so_far "$target")))
    [ "$left" -gt 0 ] || break
    ( sitting "$target" $((left < CHUNK ? left : CHUNK)) ) || break
  done
done
