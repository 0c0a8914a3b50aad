#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, then the threaded tests under
# ThreadSanitizer. Warnings stop every build here (TUNEWRIGHT_WERROR).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# Every test program makes and removes a temporary root of its own; this one
# catches what a crashed or killed test leaves, so /tmp ends as it began.
run_root=$(mktemp -d "${TMPDIR:-/tmp}/tunewright-test-run-XXXXXX")
trap 'rm -rf "$run_root"' EXIT
chmod 0711 "$run_root"  # other users pass through, as in /tmp (the port's uid check)
# Qt insists on a private runtime folder; the programs' command ports live there.
mkdir -m 0700 "$run_root/runtime"
export TMPDIR="$run_root" XDG_RUNTIME_DIR="$run_root/runtime"

configure_and_build() {  # folder, targets ("all" or a list), cmake options...
  local folder=$1 targets=$2; shift 2
  cmake -S . -B "$folder" -G Ninja -DTUNEWRIGHT_WERROR=ON "$@" >/dev/null
  if [ "$targets" = all ]; then
    cmake --build "$folder" -j "$jobs"
  else
    # shellcheck disable=SC2086
    cmake --build "$folder" -j "$jobs" --target $targets
  fi
}

# Line tables (-g1) are all a failure's stack trace needs here, and build much
# faster than full debug information.
lines_only=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_DEBUG=-g1)
configure_and_build build all -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines_only[@]}"
ctest --test-dir build -j "$jobs" --output-on-failure

# The benchmarks are built (and so kept compiling) by the normal build alone.
configure_and_build build-asan all -DCMAKE_BUILD_TYPE=Debug "${lines_only[@]}" \
  -DTUNEWRIGHT_SANITIZE=ON -DTUNEWRIGHT_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp" ctest --test-dir build-asan -j "$jobs" --output-on-failure

# Threads: the audio engine, the voice layer, the CD poll, the levels task, the player and the port
# are the concurrent parts; only their tests are built under ThreadSanitizer, and
# without the windows (ThreadSanitizer cannot see Qt's own locks).
tsan_labels=(audio cdda levels player port shell)
configure_and_build build-tsan "${tsan_labels[*]/#/test_} tunewright twdecode" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lines_only[@]}" -DTUNEWRIGHT_TSAN=ON -DTUNEWRIGHT_GUI=OFF
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -j "$jobs" --output-on-failure \
  -L "$(IFS='|'; echo "${tsan_labels[*]}")"

# Each test program removes its own temporaries; anything here is a test's leak.
# (ccache-tmp is ccache's own, where a developer builds through it.)
left=$(ls -A "$run_root" | grep -v -x -e runtime -e ccache-tmp || true)
if [ -n "$left" ]; then
  echo "tests left temporaries behind:" >&2
  echo "$left" >&2
  exit 1
fi
