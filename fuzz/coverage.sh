#!/bin/sh
# Line coverage of each binary-format parser from replaying its committed corpus
# (llvm-cov). Prints a table and exits 1 when a parser is under the bar.
# Usage: fuzz/coverage.sh [minimum percent, default 80]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${FUZZ_COV_OUT:-$ROOT/build-fuzz-cov}
MINIMUM=${1:-80}
LLVM_PROFDATA=$(command -v llvm-profdata-14 || command -v llvm-profdata)
LLVM_COV=$(command -v llvm-cov-14 || command -v llvm-cov)
# A build made for the sanitizers as well (FUZZ_FLAVOUR=both) serves too.
FUZZ_FLAVOUR=${FUZZ_FLAVOUR:-coverage} "$ROOT/fuzz/build.sh" "$OUT" >/dev/null
export LSAN_OPTIONS="suppressions=$ROOT/fuzz/lsan.supp"
D=$ROOT/src/decoders C=$ROOT/src/cdda

# target: the parser sources its corpus must cover
sources() {
  case $1 in
    wave) echo "$D/Wave.cpp $D/PcmTrack.cpp" ;;
    8svx) echo "$D/Iff8svx.cpp $D/IffReader.cpp" ;;
    aiff) echo "$D/Aiff.cpp $D/IffReader.cpp" ;;
    au) echo "$D/Au.cpp" ;;
    mpeg) echo "$D/Mpeg.cpp $D/MpegStream.cpp $D/StreamSource.cpp" ;;
    ogg) echo "$D/Ogg.cpp $D/StreamSource.cpp $D/ProbeMagic.cpp $D/VorbisComments.cpp $D/EmbeddedLyrics.cpp" ;;
    flac) echo "$D/Flac.cpp $D/FrameQueue.cpp $D/ProbeMagic.cpp $D/VorbisComments.cpp" ;;
    opus) echo "$D/Opus.cpp $D/FrameQueue.cpp $D/ProbeMagic.cpp $D/VorbisComments.cpp" ;;
    id3) echo "$D/Id3v1.cpp" ;;
    toc) echo "$C/CdToc.cpp $C/CDDrive.cpp" ;;
    *) ;;
  esac
}

# The registry and scripted-drive corpora reach the same parsers; their replay counts too.
TARGETS="wave 8svx aiff au mpeg ogg flac opus id3 toc decoders cddrive"
rm -f "$OUT"/*.profraw "$OUT"/*.profdata
objects=""
for target in $TARGETS; do
  LLVM_PROFILE_FILE="$OUT/$target.profraw" "$OUT/fuzz_$target" -runs=0 \
    "$ROOT/fuzz/corpus/$target" >/dev/null 2>&1
  objects="$objects -object $OUT/fuzz_$target"
done
"$LLVM_PROFDATA" merge -sparse "$OUT"/*.profraw -o "$OUT/corpus.profdata"
files=$(for target in $TARGETS; do sources "$target"; done | tr ' ' '\n' | sort -u)
# shellcheck disable=SC2086
"$LLVM_COV" report ${objects# -object } -instr-profile="$OUT/corpus.profdata" $files | awk -v min="$MINIMUM" '
  BEGIN { printf "%-16s %8s %8s\n", "parser", "lines", "covered" }
  $1 ~ /\.cpp$/ { n = split($1, p, "/"); pct = $(NF - 3); sub(/%/, "", pct)
    printf "%-16s %8d %7.1f%%\n", p[n], $(NF - 5), pct
    if (pct + 0 < min) bad = 1 }
  END { exit bad }'
