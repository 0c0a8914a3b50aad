#!/bin/sh
# Runs a test program with a TMPDIR of its own and fails when the run leaves
# anything in it.   leaves-no-temporaries.sh TEST_PROGRAM GTEST_FILTER
set -u
dir=$(mktemp -d)
TMPDIR=$dir "$1" --gtest_filter="$2" >/dev/null
status=$?
left=$(ls -A "$dir")
rm -rf "$dir"
if [ -n "$left" ]; then
  echo "left behind in TMPDIR:" $left
  exit 1
fi
exit $status
