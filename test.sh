#!/usr/bin/env bash
# Builds Veloran and runs every test: the unit, end-to-end and Xvfb tests,
# then the whole suite again under AddressSanitizer and UBSan, then the tests
# built with clang, then each fuzz target for a bounded time. The Windows
# stage cross-builds the program, its tests and installer, and runs them
# under wine and Xvfb (VELORAN_WINDOWS=0 leaves it out). The long soak is run
# by hand: scripts/soak.sh. Every build is a CMake preset (CMakePresets.json).
#   ./test.sh           everything (what CI runs)
#   ./test.sh --quick   only the first pass (no sanitizer or clang build, no fuzzing)
set -euo pipefail
cd "$(dirname "$0")"
quick=0
[ "${1:-}" = "--quick" ] && quick=1

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
scripts/render-voice.sh build/wave >/dev/null

echo "== Tests"
ctest --preset default
[ "$quick" = 1 ] && exit 0

if [ "${VELORAN_WINDOWS:-1}" != 0 ]; then
  echo "== Windows: cross-build, tests under wine, end to end and installer"
  scripts/build-windows.sh
  xvfb-run -a -s "-screen 0 1280x800x24" ctest --test-dir build-windows --output-on-failure --timeout 600
  tests/win32/e2e.sh build build-windows
fi

echo "== Tests under AddressSanitizer and UBSan"
scripts/sanitize.sh

echo "== Tests built with clang"
# The clang build folder is the fuzz targets' too (libFuzzer needs clang):
# the fuzzing below compiles nothing more.
cmake --preset clang >/dev/null
cmake --build --preset clang
[ -d build-clang/wave ] || cp -rp build/wave build-clang/wave
scripts/render-voice.sh build-clang/wave >/dev/null
ctest --preset clang

echo "== Fuzzing"
scripts/fuzz.sh "${VELORAN_FUZZ_SECONDS:-60}"

