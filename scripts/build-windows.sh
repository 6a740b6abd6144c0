#!/usr/bin/env bash
# Builds Veloran for Windows on this Debian machine in one go: veloran.exe and
# its tests (mingw-w64, the "windows" preset), the rendered voice, the
# installer (NSIS) and a plain zip, all in build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-windows
version=$(sed -n 's/^project(veloran VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

cmake --preset windows >/dev/null
cmake --build --preset windows
scripts/render-voice.sh "$out/wave" >/dev/null

# What the installer and the zip carry: the program without its debug
# information, the words, the sample configuration and the README.
stage="$out/stage/Veloran"
rm -rf "$out/stage"
mkdir -p "$stage/wave"
x86_64-w64-mingw32-strip -o "$stage/veloran.exe" "$out/veloran.exe"
cp "$out"/wave/*.wav "$stage/wave/"
cp veloran.cfg.sample README.md "$stage/"
makensis -V2 -DSTAGE="$PWD/$stage" -DVERSION="$version" -DOUTFILE="$PWD/$out/veloran-$version-setup.exe" \
  packaging/windows/veloran.nsi
rm -f "$out/veloran-$version-windows-x64.zip"
(cd "$out/stage" && zip -qr "../veloran-$version-windows-x64.zip" Veloran)
echo "Built $out/veloran.exe, $out/veloran-$version-setup.exe and $out/veloran-$version-windows-x64.zip"
