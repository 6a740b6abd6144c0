#!/usr/bin/env bash
# Builds everything with AddressSanitizer + UBSan in build-asan and runs the
# whole test suite there, the end-to-end tests included (they start the
# sanitized programs). Any sanitizer report fails its test, and so the run.
#
#   scripts/sanitize.sh            (CXX=clang++ to build with clang instead of g++)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build-asan  # the "sanitize" preset's folder
cxx=${CXX:-g++}

# A build folder configured with another compiler cannot be switched over.
if [ -f "$build/CMakeCache.txt" ] &&
  ! grep -q "^CMAKE_CXX_COMPILER:.*$(basename "$cxx")" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
cmake --preset sanitize -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build --preset sanitize

# The programs started by the end-to-end tests speak from the rendered words.
if [ -x scripts/render-voice.sh ]; then
  [ -d build/wave ] && [ ! -d "$build/wave" ] && cp -rp build/wave "$build/wave"
  scripts/render-voice.sh "$build/wave" >/dev/null
fi

# The slow unwinder sees through libraries built without frame pointers, so
# that their own leaks can be told apart (scripts/lsan.supp).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Leaks inside the system's libraries are theirs, not ours (scripts/lsan.supp).
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
ctest --preset sanitize
