#!/bin/sh
# Remakes the seed files of the format corpora: short files from sox, ffmpeg,
# lame, oggenc, flac and opusenc in every encoding the modules read, and by hand the kinds no
# tool writes (8SVX Fibonacci, AIFF ADP4, CD tables of contents, port sessions).
# Usage: fuzz/make-seeds.sh [corpus folder, default fuzz/corpus]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
C=${1:-$ROOT/fuzz/corpus}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
mkdir -p "$C/wave" "$C/8svx" "$C/aiff" "$C/au" "$C/mpeg" "$C/ogg" "$C/flac" "$C/opus" "$C/toc" "$C/port"
tone() { rate=$1 channels=$2; shift 2; sox -n -r "$rate" -c "$channels" "$@"; }  # rate channels [options] file synth ...
sine() { seconds=$1 rate=$2; shift 2; ffmpeg -loglevel error -y -f lavfi -i "sine=f=300:d=$seconds:r=$rate" "$@"; }

tone 8000 1 -b 16 "$C/wave/s16.wav" synth 0.05 sine 440
tone 11025 2 -b 8 "$C/wave/u8.wav" synth 0.05 sine 440
tone 8000 2 -b 24 "$C/wave/s24.wav" synth 0.03 sine 440
tone 8000 1 -b 32 "$C/wave/s32.wav" synth 0.03 sine 440
tone 8000 1 -e floating-point -b 32 "$C/wave/f32.wav" synth 0.03 sine 440
tone 8000 1 -e a-law "$C/wave/al.wav" synth 0.05 sine 440
tone 8000 1 -e u-law "$C/wave/ul.wav" synth 0.05 sine 440
tone 8000 1 -e ima-adpcm "$C/wave/ima.wav" synth 0.1 sine 440
tone 8000 1 -e ms-adpcm "$C/wave/ms.wav" synth 0.1 sine 440
sine 0.05 8000 -ac 3 -c:a pcm_s16le "$C/wave/ext3.wav"
sine 0.05 8000 -rf64 always -c:a pcm_s16le "$C/wave/rf64.wav"
sine 0.02 8000 -ac 6 -c:a pcm_s24le "$C/wave/ext6s24.wav"
sine 0.02 8000 -ac 2 -c:a pcm_f64le "$C/wave/f64.wav"
sine 0.02 96000 -c:a pcm_s16le "$C/wave/ext96k.wav"

tone 8000 1 -b 8 "$C/8svx/m.8svx" synth 0.1 sine 440
tone 8000 2 -b 8 "$C/8svx/st.8svx" synth 0.05 sine 440

tone 8000 1 -b 16 "$C/aiff/a16.aiff" synth 0.05 sine 440
tone 22050 2 -b 8 "$C/aiff/a8.aiff" synth 0.03 sine 440
tone 8000 1 -b 24 "$C/aiff/a24.aiff" synth 0.03 sine 440
tone 8000 1 -b 16 "$C/aiff/a16.aifc" synth 0.05 sine 440
sine 0.05 8000 -c:a pcm_s16le -f aiff "$C/aiff/sowt.aifc"
sine 0.05 8000 -c:a adpcm_ima_qt -f aiff "$C/aiff/ima.aifc"
sine 0.05 8000 -ac 2 -c:a adpcm_ima_qt -f aiff "$C/aiff/ima2.aifc"
tone 8000 2 -e floating-point -b 32 "$C/aiff/fl32.aifc" synth 0.02 sine 440
tone 8000 1 -e floating-point -b 64 "$C/aiff/fl64.aifc" synth 0.02 sine 440
tone 8000 6 -b 16 "$C/aiff/six.aiff" synth 0.02 sine 440

tone 8000 1 -e u-law "$C/au/u.au" synth 0.05 sine 440
tone 8000 1 -e a-law "$C/au/a.au" synth 0.05 sine 440
tone 8000 2 -b 16 "$C/au/s16.au" synth 0.03 sine 440
tone 8000 1 -b 8 "$C/au/s8.au" synth 0.05 sine 440
tone 8000 1 -b 32 "$C/au/s32.au" synth 0.02 sine 440
tone 8000 1 -e floating-point -b 32 "$C/au/f.au" synth 0.02 sine 440
tone 8000 1 -e floating-point -b 64 "$C/au/d.au" synth 0.01 sine 440
tone 8000 2 -b 24 "$C/au/s24.au" synth 0.02 sine 440
tone 8000 5 -b 16 "$C/au/five.au" synth 0.02 sine 440

tone 8000 1 -b 16 "$T/t.wav" synth 0.2 sine 440
lame --quiet -b 8 "$T/t.wav" "$C/mpeg/l3.mp3"
lame --quiet -b 8 --tt Title --ta Art --ty 1999 --tg Rock --add-id3v2 "$T/t.wav" "$C/mpeg/tagged.mp3"
lame --quiet -b 8 --id3v1-only --tt T "$T/t.wav" "$C/mpeg/v1.mp3"
sine 0.1 32000 -c:a mp2 -b:a 32k "$C/mpeg/l2.mp2"
sine 0.1 16000 -c:a libmp3lame -b:a 8k -id3v2_version 0 -write_xing 0 "$C/mpeg/mpeg2.mp3"

# ID3v2 and APEv2 tags over one short MP3, each kind on its own; ID3v2.2 and an
# unsynchronised ID3v2.3 tag by hand, since mutagen writes neither.
mkdir -p "$C/tags"
tag() { name=$1; shift; head -c 600 "$C/mpeg/l3.mp3" >"$C/tags/$name"; /usr/bin/python3 "$ROOT/tests/support/tagmp3.py" "$C/tags/$name" "$@"; }
tag v23-utf16.mp3 id3 3 utf16 TIT2=Titel TPE1=Ärtist TCON='(17)' 'TXXX:REPLAYGAIN_TRACK_GAIN=-4.37 dB' 'TXXX:REPLAYGAIN_TRACK_PEAK=0.9'
tag v24-utf8.mp3 id3 4 utf8 TIT2=Четыре TALB=Album TCON=8 TDRC=2001-02 COMM=Note
tag ape.mp3 ape Title=T Artist=A Genre='(13)' REPLAYGAIN_ALBUM_GAIN='+2 dB' Year=1999 -- v1 One Two Three
printf 'ID3\002\000\000\000\000\000\020TT2\000\000\006\000Title' >"$C/tags/v22.mp3"
printf 'ID3\003\000\200\000\000\000\030TIT2\000\000\000\006\000\000\000\377\000\377\000xTPE1\000\000\000\002\000\000\000A' >"$C/tags/unsync.mp3"

tone 8000 1 -b 16 "$T/o.wav" synth 0.1 sine 440
tone 11025 2 -b 16 "$T/o2.wav" synth 0.2 sine 440
oggenc -Q -q -1 "$T/o.wav" -o "$C/ogg/o.ogg"
oggenc -Q -q -1 "$T/o2.wav" -o "$C/ogg/o2.ogg"
oggenc -Q -q 0 -t T -a A --resample 8000 "$C/wave/s16.wav" -o "$C/ogg/s.ogg"
tone 8000 6 -b 16 "$T/o6.wav" synth 0.1 sine 440
oggenc -Q -q -1 "$T/o6.wav" -o "$C/ogg/o6.ogg"
# A chain whose second link changes rate and channels.
oggenc -Q -q -1 "$T/o.wav" -o "$T/a.ogg"
oggenc -Q -q -1 "$T/o2.wav" -o "$T/b.ogg"
cat "$T/a.ogg" "$T/b.ogg" > "$C/ogg/chain.ogg"

# FLAC without padding, so a seed stays within the fuzzers' 8192 bytes.
tone 8000 1 -b 16 "$T/f1.wav" synth 0.1 sine 440
tone 8000 2 -b 24 "$T/f2.wav" synth 0.05 sine 440 sine 660
tone 8000 6 -b 16 "$T/f6.wav" synth 0.03 sine 440
flac -s --no-padding -T TITLE=T -T DATE=1999 -o "$C/flac/m16.flac" "$T/f1.wav"
flac -s --no-padding -o "$C/flac/s24.flac" "$T/f2.wav"
flac -s --no-padding --ogg -o "$C/flac/ogg.oga" "$T/f1.wav"
flac -s --no-padding -o "$C/flac/six.flac" "$T/f6.wav"
tone 8000 1 -b 8 "$C/flac/u8.flac" synth 0.1 sine 440
# The same FLAC behind an ID3v2 tag.
{ printf 'ID3\003\000\000\000\000\000\020'; head -c 16 /dev/zero; cat "$C/flac/m16.flac"; } >"$C/flac/id3.flac"
opusenc --quiet --bitrate 8 --title T --date 2011 "$T/f1.wav" "$C/opus/m.opus"
opusenc --quiet --bitrate 16 --framesize 60 "$T/f2.wav" "$C/opus/s.opus"
opusenc --quiet --bitrate 24 "$T/f6.wav" "$C/opus/six.opus"
# Two links, mono then stereo.
opusenc --quiet --bitrate 8 "$T/f2.wav" "$T/s.opus"
cat "$C/opus/m.opus" "$T/s.opus" >"$C/opus/chain.opus"

python3 "$ROOT/fuzz/make-seeds.py" "$C"
