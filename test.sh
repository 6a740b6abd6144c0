#!/usr/bin/env bash
# Builds Veloran and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
[ -x scripts/render-voice.sh ] && scripts/render-voice.sh build/wave >/dev/null
cd build
ctest --output-on-failure -j2 --timeout 300
