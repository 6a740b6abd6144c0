#!/usr/bin/env bash
# Builds Veloran and runs every test: the unit, end-to-end and Xvfb tests,
# then the whole suite again under AddressSanitizer and UBSan, then each fuzz
# target for a bounded time. The long soak is run by hand: scripts/soak.sh.
#   ./test.sh           everything (what CI runs)
#   ./test.sh --quick   only the first pass (no sanitizer build, no fuzzing)
set -euo pipefail
cd "$(dirname "$0")"
quick=0
[ "${1:-}" = "--quick" ] && quick=1

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -- -j2
scripts/render-voice.sh build/wave >/dev/null

echo "== Tests"
ctest --test-dir build --output-on-failure -j2 --timeout 600
[ "$quick" = 1 ] && exit 0

echo "== Tests under AddressSanitizer and UBSan"
scripts/sanitize.sh

echo "== Fuzzing"
scripts/fuzz.sh "${VELORAN_FUZZ_SECONDS:-60}"

