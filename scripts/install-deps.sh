#!/usr/bin/env bash
# Installs the Debian packages Veloran needs to build, run and test.
# Does nothing when they are all there already.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fontconfig fonts-liberation2
  libgtest-dev libbenchmark-dev
  espeak-ng sox speech-dispatcher libspeechd-dev
  xvfb xauth xdotool x11-apps imagemagick socat libhamlib-utils chirp
  clang libclang-rt-14-dev ccache
  # The Windows build and its tests under wine.
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 googletest
  wine wine64 nsis zip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
