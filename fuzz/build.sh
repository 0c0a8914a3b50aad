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
SAN="-fsanitize=address,undefined -fno-sanitize-recover=all"
CXXFLAGS="-std=c++20 -O1 -g $SAN -pthread -I$ROOT/src -I$ROOT/fuzz"
LIBS="$(pkg-config --libs libmpg123 vorbisfile)"

# Compiles one source folder into an archive, rebuilding only changed files.
archive() {
  folder=$1
  mkdir -p "$OUT/obj/$folder"
  for src in $(find "$ROOT/src/$folder" -name '*.cpp' | sort); do
    obj="$OUT/obj/$folder/$(echo "${src#$ROOT/src/$folder/}" | tr / _).o"
    [ "$obj" -nt "$src" ] || echo "$src $obj"
  done | xargs -r -n 2 -P "$JOBS" sh -c \
    "clang++ $CXXFLAGS -fsanitize=fuzzer-no-link -c \"\$0\" -o \"\$1\""
  rm -f "$OUT/tw_$folder.a"
  ar qc "$OUT/tw_$folder.a" "$OUT"/obj/"$folder"/*.o
}

# Links target name from fuzz/targets/Fuzz<Source>.cpp (or an older folder) and archives.
fuzzer() {
  name=$1 source=$2
  shift 2
  archives=""
  for folder in "$@"; do archives="$archives $OUT/tw_$folder.a"; done
  clang++ $CXXFLAGS -fsanitize=fuzzer -o "$OUT/fuzz_$name" "$ROOT/fuzz/$source" \
    -Wl,--start-group $archives -Wl,--end-group $LIBS
  echo "$name" >>"$OUT/targets.new"
}

for folder in platform settings decoders cdda player audiodb karaoke; do archive "$folder"; done
rm -f "$OUT/targets.new"
ALL="decoders cdda settings platform"
fuzzer decoders targets/FuzzDecoders.cpp $ALL
fuzzer id3 targets/FuzzId3.cpp $ALL
fuzzer settings targets/FuzzSettings.cpp settings platform
fuzzer playlists targets/FuzzPlaylists.cpp player $ALL
fuzzer cdtext targets/FuzzCdText.cpp $ALL
fuzzer cddrive targets/FuzzCdDrive.cpp $ALL
fuzzer args targets/FuzzArgs.cpp platform
fuzzer audiodb audiodb/FuzzAudioDb.cpp audiodb settings platform
fuzzer lyrics lyrics/FuzzLyrics.cpp karaoke platform
mv "$OUT/targets.new" "$OUT/targets"
echo "built:" $(cat "$OUT/targets")
