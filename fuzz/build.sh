#!/bin/sh
# Builds the reader fuzzers with clang's libFuzzer, AddressSanitizer and UBSan.
# The program's sources are compiled once into archives shared by every target.
# Usage: fuzz/build.sh [output folder]   (default: build-fuzz beside the sources)
# Prints the names of the targets built, one a line, on the last line.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/build-fuzz}
JOBS=${FUZZ_JOBS:-2}
mkdir -p "$OUT/obj"
# FUZZ_FLAVOUR=coverage builds for llvm-cov instead of the sanitizers; "both"
# builds for the two at once (slower fuzzing, but one build serves CI's fuzz run
# and its coverage report).
COVERAGE="-fprofile-instr-generate -fcoverage-mapping"
SANITIZERS="-fsanitize=address,undefined -fno-sanitize-recover=all"
case "${FUZZ_FLAVOUR:-}" in
  coverage) SAN=$COVERAGE ;;
  both) SAN="$SANITIZERS $COVERAGE" ;;
  *) SAN=$SANITIZERS ;;
esac
# Objects of another flavour must not be mixed in: a changed flavour starts afresh.
if [ "$(cat "$OUT/flavour" 2>/dev/null)" != "$SAN" ]; then
  rm -rf "$OUT/obj" "$OUT"/tw_*.a "$OUT"/fuzz_*
  mkdir -p "$OUT/obj"
  echo "$SAN" >"$OUT/flavour"
fi
CXXFLAGS="-std=c++20 -O1 -g $SAN -pthread -I$ROOT/src -I$ROOT/fuzz $(pkg-config --cflags opusfile)"
LIBS="$(pkg-config --libs libmpg123 vorbisfile flac opusfile taglib)"
# What CMake defines for the program (its version, where its catalogues lie),
# escaped for the sh -c that compiles.
VERSION=$(sed -n 's/^project(Tunewright VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
DEFS="-DTUNEWRIGHT_VERSION=\\\"$VERSION\\\" -DTUNEWRIGHT_LOCALEDIR_FROM_BIN=\\\"../share/locale\\\""

# Objects are not tracked per header: one older than any header is rebuilt, so a
# changed record layout never links against stale code.
NEWEST_HEADER=$(ls -t $(find "$ROOT/src" -name '*.h') | head -n 1)

# Compiles one source folder (or its files named like PATTERN) into the archive
# tw_NAME.a, rebuilding only changed files. Usage: archive FOLDER [PATTERN NAME]
archive() {
  folder=$1 pattern=${2:-*.cpp} name=${3:-$1}
  mkdir -p "$OUT/obj/$name"
  for src in $(find "$ROOT/src/$folder" -name "$pattern" | sort); do
    obj="$OUT/obj/$name/$(echo "${src#$ROOT/src/$folder/}" | tr / _).o"
    [ "$obj" -nt "$src" ] && [ "$obj" -nt "$NEWEST_HEADER" ] || echo "$src $obj"
  done | xargs -r -n 2 -P "$JOBS" sh -c \
    "clang++ $CXXFLAGS $DEFS -fsanitize=fuzzer-no-link -c \"\$0\" -o \"\$1\""
  lib="$OUT/tw_$name.a"
  [ -f "$lib" ] && [ -z "$(find "$OUT/obj/$name" -name '*.o' -newer "$lib")" ] && return
  rm -f "$lib"
  ar qc "$lib" "$OUT"/obj/"$name"/*.o
}

# Links target name from fuzz/targets/<source> and the archives of the folders
# named; ENTRY picks the entry of a source that holds several.
fuzzer() {
  name=$1 source=$2
  shift 2
  archives=""
  for folder in "$@"; do archives="$archives $OUT/tw_$folder.a"; done
  entry=${ENTRY:+-DTW_FUZZ_FORMAT=$ENTRY}
  binary="$OUT/fuzz_$name"
  newest=$(ls -t "$ROOT/fuzz/targets/$source" "$ROOT"/fuzz/targets/*.h $archives | head -n 1)
  [ -x "$binary" ] && [ "$binary" -nt "$newest" ] ||
    clang++ $CXXFLAGS $entry -fsanitize=fuzzer -o "$binary" "$ROOT/fuzz/targets/$source" \
      -Wl,--start-group $archives -Wl,--end-group $LIBS
  echo "$name" >>"$OUT/targets.new"
}

for folder in platform settings decoders cdda player audiodb karaoke port; do archive "$folder"; done
archive shell Texts.cpp texts  # the player's texts, without the rest of the shell
rm -f "$OUT/targets.new"
ALL="decoders cdda settings platform"
# The binary formats, each alone, then all of them through the registry.
ENTRY=FuzzWave fuzzer wave FuzzFormats.cpp $ALL
ENTRY=FuzzIff8svx fuzzer 8svx FuzzFormats.cpp $ALL
ENTRY=FuzzAiff fuzzer aiff FuzzFormats.cpp $ALL
ENTRY=FuzzAu fuzzer au FuzzFormats.cpp $ALL
ENTRY=FuzzMpeg fuzzer mpeg FuzzFormats.cpp $ALL
ENTRY=FuzzOgg fuzzer ogg FuzzFormats.cpp $ALL
ENTRY=FuzzFlac fuzzer flac FuzzFormats.cpp $ALL
ENTRY=FuzzOpus fuzzer opus FuzzFormats.cpp $ALL
fuzzer decoders FuzzDecoders.cpp $ALL
fuzzer id3 FuzzId3.cpp $ALL
fuzzer tags FuzzTags.cpp $ALL
fuzzer toc FuzzToc.cpp $ALL
fuzzer cddrive FuzzCdDrive.cpp $ALL
# The text formats.
fuzzer settings FuzzSettings.cpp settings platform
fuzzer playlists FuzzPlaylists.cpp player texts $ALL
fuzzer cdtext FuzzCdText.cpp $ALL
fuzzer args FuzzArgs.cpp platform
fuzzer port FuzzPort.cpp port player texts $ALL
fuzzer audiodb FuzzAudioDb.cpp audiodb settings platform
fuzzer lyrics FuzzLyrics.cpp karaoke platform
mv "$OUT/targets.new" "$OUT/targets"
echo "built:" $(cat "$OUT/targets")
