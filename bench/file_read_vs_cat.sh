#!/bin/bash
# The file layer's read throughput (RAM copy, read-ahead, stdio) against `cat`
# on the same 128 MB file from the page cache, in one run of file_read. Prints
# the best times and the ratios (ours / cat; below 1 is faster).
# Usage: file_read_vs_cat.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
program=$build/bench/file_read
[ -x "$program" ] || { echo "no $program: build the file_read target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c 134217728 /dev/urandom >"$work/data.bin"
cat "$work/data.bin" >/dev/null

TW_BENCH_FILE=$work/data.bin "$program" --benchmark_repetitions="$runs" \
  --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
runs = [b for b in json.load(sys.stdin)["benchmarks"] if b.get("run_type") == "iteration"]
best = {}
for b in runs:
    best[b["run_name"]] = min(best.get(b["run_name"], float("inf")), b["real_time"])
cat = best["BM_Cat"]
names = {"BM_FileLayer/0": "RAM copy", "BM_FileLayer/1": "read-ahead", "BM_FileLayer/2": "stdio"}
for key, label in names.items():
    print("128 MB read: %-10s %6.0f ms  cat %6.0f ms  ratio %.2f" % (label, best[key], cat, best[key] / cat))
'
