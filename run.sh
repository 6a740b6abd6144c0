#!/usr/bin/env bash
# Builds Veloran, renders its voice, and runs it.
#   ./run.sh            the emulated radio (no radio needed), in build/demo/
#   ./run.sh FOLDER     your radio, with FOLDER/veloran.cfg as the configuration
#   ./run.sh --setup [FOLDER]   finds your radio and writes FOLDER/veloran.cfg by ear
#                               (FOLDER defaults to ~/veloran; --accept asks nothing)
#   ./run.sh --rate=200 [FOLDER]   renders the recorded words at 200 words a minute
#                                  (the same as VELORAN_RATE=200; default 260)
# Extra options after the folder go to the program (e.g. --transcript).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
if [ $# -gt 0 ] && [ "${1#--rate=}" != "$1" ]; then export VELORAN_RATE="${1#--rate=}"; shift; fi
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
scripts/render-voice.sh build/wave

folder=""
setup=()
if [ $# -gt 0 ] && [ "$1" = "--setup" ]; then
  setup=(--setup); shift
  if [ $# -eq 0 ] || [ "${1#--}" != "$1" ]; then set -- "${VELORAN_HOME:-$HOME/veloran}" "$@"; fi
  mkdir -p "$1"
fi
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then folder="$(cd "$1" && pwd)"; shift; fi

display=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running the window under Xvfb."
  display=(xvfb-run -a -s "-screen 0 1280x800x24")
fi

if [ -z "$folder" ]; then
  exec "${display[@]}" "$here/build/veloran" --demo "$@"
fi
cd "$folder"
[ -e wave ] || ln -s "$here/build/wave" wave
exec "${display[@]}" "$here/build/veloran" "${setup[@]}" "$@"
