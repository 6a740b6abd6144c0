#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UBSan; the "fuzz"
# preset, in the clang build folder build-clang) and runs each target listed
# in fuzz/CMakeLists.txt for a bounded time on a copy of its seed corpus in
# fuzz/corpus/<target>. Any crash, hang (5 s per input), leak, memory blow-up
# or sanitizer report fails the run; the input that caused it is kept in
# build-clang/fuzz-artifacts/. Prints the executions of every target.
#
#   scripts/fuzz.sh [seconds-per-target]      (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
build=$root/build-clang

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ not found (scripts/install-deps.sh installs clang and libclang-rt)" >&2
  exit 1
fi
# A build folder configured with another compiler cannot be switched over.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang' "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
# The build writes the target list it was given.
mapfile -t targets <"$build/fuzz/targets.txt"

# Every input gets a fresh temporary folder for its files: keep them in
# memory when possible, and all in one place to remove at the end.
scratch_root=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_root=/dev/shm
work=$(mktemp -d "$scratch_root/veloran-fuzz-XXXXXX")
trap 'rm -rf "$work"' EXIT
artifacts=$build/fuzz-artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts"

dict_of() {
  case $1 in
    fuzz_config) echo "$root/fuzz/dict/config.dict" ;;
    fuzz_memory_file) echo "$root/fuzz/dict/memory.dict" ;;
    *) echo "$root/fuzz/dict/cat.dict" ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
summary=()
for t in "${targets[@]}"; do
  corpus=$work/corpus/$t
  mkdir -p "$corpus" "$work/tmp/$t"
  cp "$root/fuzz/corpus/$t/"* "$corpus/"
  log=$work/$t.log
  echo "== $t: ${seconds}s"
  start=$(date +%s)
  rc=0
  TMPDIR=$work/tmp/$t "$build/fuzz/$t" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
    -dict="$(dict_of "$t")" -artifact_prefix="$artifacts/$t-" -print_final_stats=1 \
    "$corpus" >"$log" 2>&1 || rc=$?
  took=$(( $(date +%s) - start ))
  runs=$(grep -o 'Done [0-9]* runs' "$log" | tail -1 | grep -o '[0-9]*' || true)
  if [ "$rc" -ne 0 ] || [ -z "$runs" ]; then
    echo "!! $t failed (exit $rc) after ${took}s; the end of its log:"
    grep -E 'invariant broken|ERROR|SUMMARY|runtime error|Test unit written|^\*\*\* ' "$log" | head -20 || true
    grep -E '^    #[0-9]+ ' "$log" | head -25 || true
    cp "$log" "$artifacts/$t.log"
    failed+=("$t")
    summary+=("$t: FAILED (exit $rc, ${runs:-?} runs)")
  else
    summary+=("$t: $runs runs in ${took}s, no fault")
  fi
done

echo
echo "Fuzzing summary (${seconds}s per target):"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed: ${failed[*]} (inputs and logs in $artifacts)"
  exit 1
fi
