#!/usr/bin/env bash
# A long soak run by hand: random keys and timer ticks into the whole program
# against the emulated radio with its dial turning, then the checks of the
# soak test (no crash, memory flat, every command ASCII ending in ";" and at
# most 255 characters, savmem.dat loads again), and the kill-while-saving
# test repeated.
#
# usage: scripts/soak.sh [seconds] [seed]     (default 600 s, a random seed)
#   VELORAN_SOAK_SANITIZE=1   build and run with AddressSanitizer and UBSan
#                             (in build-soak-asan; slower, finds more)
#   VELORAN_SOAK_BUILD=dir    the build folder to use (default build, or
#                             build-soak-asan with the sanitizers)
#   VELORAN_SOAK_RSS_MB=n     allowed growth of the resident memory (20 MB;
#                             200 MB with the sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
seed=${2:-}
sanitize=${VELORAN_SOAK_SANITIZE:-0}
if [ "$sanitize" = 1 ]; then
  build=${VELORAN_SOAK_BUILD:-build-soak-asan}
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELORAN_SANITIZE=ON -DVELORAN_BENCH=OFF)
else
  build=${VELORAN_SOAK_BUILD:-build}
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
fi
# Two cores are shared on the usual machines: build no wider than that.
cmake --build "$build" --target test_e2e test_memory -- -j2

export VELORAN_SOAK_SECONDS=$seconds
[ -n "$seed" ] && export VELORAN_SOAK_SEED=$seed
export VELORAN_SOURCE_DIR=$PWD VELORAN_BINARY_DIR=$PWD/$build
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy
# A small quarantine: freed memory that the sanitizer holds back would
# otherwise read as growth of the resident memory.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=8}
# The sanitizer's allocation records grow with the run (some 13 MB in five
# minutes) while the plain build stays flat; leaks are its leak check's to find.
[ "$sanitize" = 1 ] && export VELORAN_SOAK_RSS_MB=${VELORAN_SOAK_RSS_MB:-200}

echo "soak: $seconds s in $build"
"$build/tests/test_e2e" --gtest_filter="Soak*"
# Each round kills a save 200 times at random moments.
"$build/tests/test_memory" --gtest_filter='*Killed*' --gtest_repeat=5
