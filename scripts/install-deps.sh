#!/usr/bin/env bash
# Installs what Tunewright needs to build and test on Debian 12 (missing packages only).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev llvm-14
  libgtest-dev libgmock-dev libbenchmark-dev
  libmpg123-dev libvorbis-dev libflac-dev libopusfile-dev libtag1-dev libasound2-dev libsdbus-c++-dev libsystemd-dev
  alsa-utils libasound2-plugins gettext
  sox libsox-fmt-all ffmpeg mpg123 vorbis-tools flac opus-tools lame twolame python3-mutagen id3v2
  libcdio-utils bchunk dbus util-linux
  qt6-base-dev qt6-svg-dev xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
