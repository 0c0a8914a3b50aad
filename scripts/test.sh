#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, then the threaded tests under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

configure_and_build() {  # folder, cmake options...
  local folder=$1; shift
  cmake -S . -B "$folder" -G Ninja "$@" >/dev/null
  cmake --build "$folder" -j "$jobs"
}

configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build -j "$jobs" --output-on-failure

configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DTUNEWRIGHT_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -j "$jobs" --output-on-failure

# Threads: the audio engine, the voice layer and the CD poll are the concurrent parts.
configure_and_build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNEWRIGHT_TSAN=ON
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -j "$jobs" --output-on-failure \
  -L 'audio|cdda|shell'
