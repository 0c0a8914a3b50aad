#!/bin/sh
# Builds the reader fuzzers with clang's libFuzzer, AddressSanitizer and UBSan.
# Usage: fuzz/build.sh [output folder]   (default: build-fuzz beside the sources)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/build-fuzz}
mkdir -p "$OUT"
FLAGS="-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -pthread -I$ROOT/src"
PLATFORM="$ROOT/src/platform/*.cpp"

clang++ $FLAGS -o "$OUT/fuzz_audiodb" "$ROOT/fuzz/audiodb/FuzzAudioDb.cpp" \
  $ROOT/src/audiodb/*.cpp $ROOT/src/settings/*.cpp $PLATFORM
clang++ $FLAGS -o "$OUT/fuzz_lyrics" "$ROOT/fuzz/lyrics/FuzzLyrics.cpp" \
  $ROOT/src/karaoke/*.cpp $PLATFORM
echo "built $OUT/fuzz_audiodb $OUT/fuzz_lyrics"
