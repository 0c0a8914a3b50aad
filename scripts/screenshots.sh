#!/usr/bin/env bash
# Builds the screenshot test, runs it on an X server of its own (Xvfb) and copies
# the main window's picture to docs/screenshots/main-window.png for the README.
# Every picture it took stays in <build>/screenshots/ for review.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j2 --target test_gui_ScreenshotTest
output="$("$build/tests/gui/test_gui_ScreenshotTest" 2>&1)" || { echo "$output"; exit 1; }
if grep -q '^SKIP' <<<"$output"; then
  echo "$output" >&2
  exit 1
fi
mkdir -p "$root/docs/screenshots"
cp "$build/screenshots/main-window-default.png" "$root/docs/screenshots/main-window.png"
echo "docs/screenshots/main-window.png updated; all pictures are in $build/screenshots/"
