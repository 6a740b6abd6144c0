#!/usr/bin/env bash
# A long soak run by hand (not part of the test suite): the real program in an
# X server of its own, random keys typed into its window, against the
# emulator program with its dial turning. Checks: the program lives on, says
# "refused" no more often than the radio refused, its
# resident memory stays flat, every command on the wire is ASCII ending in
# its only ";" and at most 255 characters, the orderly end leaves savmem.dat
# whole; then the kill-while-saving test repeated.
#
# usage: scripts/soak.sh [seconds] [seed]     (default 600 s, a random seed)
#   VELORAN_SOAK_SANITIZE=1   build and run with AddressSanitizer and UBSan
#                             (in build-soak-asan; slower, finds more)
#   VELORAN_SOAK_BUILD=dir    the build folder to use
#   VELORAN_SOAK_RSS_MB=n     allowed growth of the resident memory (20 MB;
#                             200 MB with the sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-600}
seed=${2:-$RANDOM}
if [ "${VELORAN_SOAK_SANITIZE:-0}" = 1 ]; then
  build=${VELORAN_SOAK_BUILD:-build-soak-asan}
  flags=(-DVELORAN_SANITIZE=ON -DVELORAN_BENCH=OFF)
  rss_mb=${VELORAN_SOAK_RSS_MB:-200}
  # A small quarantine: memory the sanitizer holds back would read as growth.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=8}
else
  build=${VELORAN_SOAK_BUILD:-build}
  flags=()
  rss_mb=${VELORAN_SOAK_RSS_MB:-20}
fi
for tool in Xvfb xdotool; do
  command -v $tool >/dev/null || { echo "soak.sh: $tool is needed (scripts/install-deps.sh)" >&2; exit 1; }
done
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$build" --target veloran veloran-emulator test_memory -- -j2  # two cores are usual
[ -d "$build/wave" ] || scripts/render-voice.sh "$build/wave" >/dev/null

work=$(mktemp -d /tmp/veloran-soak-XXXXXX)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM  # the clean-up runs when the soak is stopped too
fail() { echo "soak FAILED (seed $seed): $*" >&2; tail -20 "$work/transcript" >&2 || true; exit 1; }
# Waits up to a generous limit for a command to succeed: a busy machine is slow, not wrong.
wait_for() { for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done; return 1; }

cd "$work"
ln -s "$root/$build/wave" wave
printf 'COM  1\r\nSpeed 38400\r\nswr 0\r\ntun 0\r\nPowOff 0\r\n10mof -100\r\n6mof -500\r\n2mof -600\r\n70mof +5000\r\nPthru 0\r\nDebug 0\r\n' >veloran.cfg
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>display 2>/dev/null & pids+=($!)
wait_for test -s display || fail "Xvfb named no display"
export DISPLAY=:$(cat display) SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11
"$root/$build/veloran-emulator" --link COM1 --record radio.rec --dial-drift >emulator.out 2>emulator.err & pids+=($!)
wait_for grep -q '^pty: ' emulator.out || fail "the emulator made no link"
"$root/$build/veloran" --transcript >transcript 2>veloran.err & veloran=$!; pids+=($veloran)
wait_for grep -qx connected transcript || fail "the program never found the radio"
wait_for xdotool search --name 'Yaesu VLR' >window || fail "no window"
xdotool windowfocus --sync "$(head -1 window)"

rss() { awk '/^VmRSS/ { print int($2 / 1024) }' "/proc/$veloran/status"; }
echo "soak: $seconds s, seed $seed, in $build"
RANDOM=$seed
# The keys the program has a rule for, and Escape now and then; never q or Alt+F4.
keys=(a b c d e f g h i j k l m n o p r s t u v w x y z 0 1 2 3 4 5 6 7 8 9 period Return space
      Up Down Left Right Prior Next plus minus F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 Escape KP_0 KP_Decimal)
start_rss=
settle=$((SECONDS + (seconds > 120 ? 60 : seconds / 2)))  # memory is measured after the start-up
end=$((SECONDS + seconds))
while [ $SECONDS -lt $end ]; do
  batch=()
  for _ in $(seq 20); do batch+=("${keys[RANDOM % ${#keys[@]}]}"); done
  xdotool key --delay 30 "${batch[@]}"
  kill -0 $veloran 2>/dev/null || fail "the program ended"
  if [ -z "$start_rss" ] && [ $SECONDS -ge $settle ]; then start_rss=$(rss); fi
done
end_rss=$(rss)
[ $((end_rss - ${start_rss:-$end_rss})) -le "$rss_mb" ] || fail "memory grew from $start_rss MB to $end_rss MB"
kill -TERM $veloran
wait $veloran || fail "exit code $?"
# The record writes a byte outside printable ASCII (or a backslash) as \xNN.
LC_ALL=C awk 'length > 255 || /[^ -~]/ || index($0, "\\x") || !/;$/ || /;./ { print "bad command on line " NR ": " $0; bad = 1 }
  END { exit bad }' radio.rec || fail "a command broke the wire rules"
[ "$(grep -c $'\r$' savmem.dat)" = 115 ] || fail "savmem.dat is not whole"
# "refused" is said only for a command the radio refused (a frequency beyond
# its range): never more often than the emulator answered "?;".
said=$(grep -cx refused transcript || true) refusals=$(grep -c -- '-> ?;$' emulator.err || true)
[ "$said" -le "$refusals" ] || fail "said refused $said times, the radio refused $refusals commands"
echo "soak: $(wc -l <radio.rec) commands ($refusals refused), $(wc -l <transcript) words ($said refused), memory ${start_rss:-?} -> $end_rss MB"
cd "$root"
# Each round kills a save 200 times at random moments.
"$build/tests/test_memory" --gtest_filter='*Killed*' --gtest_repeat=5
