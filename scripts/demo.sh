#!/usr/bin/env bash
# Installs what is missing, builds Tunewright and plays the demo song that the
# build makes with its own tool. Without a sound card (or with
# TUNEWRIGHT_OUTPUT=file:PATH) the song is rendered into a WAVE file instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tunewright twmkdemo
build/tools/twmkdemo build/demo.wav
if [ -z "${TUNEWRIGHT_OUTPUT:-}" ] && ! aplay -l 2>/dev/null | grep -q '^card '; then
  export TUNEWRIGHT_OUTPUT=file:build/demo-played.wav
  echo "No sound card here: rendering to build/demo-played.wav"
fi
build/tunewright build/demo.wav
