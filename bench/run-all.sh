#!/usr/bin/env bash
# Builds and runs every benchmark and prints a table of the figures.
#
#   bench/run-all.sh [--quick] [build-folder]
#
# The build folder defaults to ./build (configured RelWithDebInfo when it is
# not there yet). --quick shortens the long runs (10 s idle instead of 60 s,
# fewer key presses and dial turns) for a first look. Without a display the
# script runs itself under xvfb-run: the program's window is a real X11
# window, as on a desktop. Each benchmark's full output is kept in
# <build>/bench-results/.
set -euo pipefail

quick=0
if [ "${1:-}" = "--quick" ]; then
  quick=1
  shift
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac

if [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "run-all: no display and no xvfb-run" >&2; exit 2; }
  args=()
  [ "$quick" = 1 ] && args+=(--quick)
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "${BASH_SOURCE[0]}" "${args[@]}" "$build"
fi

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELORAN_BENCH=ON >/dev/null
fi
ninja -C "$build" -j2 veloran veloran-emulator bench_word_gap bench_idle_cpu bench_readout \
  bench_response bench_startup bench_program_idle bench_net_port >/dev/null
# The words are the rendered voice pack; an up-to-date pack is left as it is.
"$root/scripts/render-voice.sh" "$build/wave" >/dev/null

if [ "$quick" = 1 ]; then
  idle_seconds=10 presses=60 turns=20 startups=2 loop_seconds=5
else
  idle_seconds=60 presses=300 turns=80 startups=5 loop_seconds=10
fi

results="$build/bench-results"
mkdir -p "$results"
export VELORAN_WAVE="$build/wave"
export SDL_VIDEODRIVER=x11

declare -A value=()
failed=()
run() {  # name command...
  local name="$1"
  shift
  echo "run-all: $name ..."
  if ! "$@" >"$results/$name.txt" 2>"$results/$name.err"; then
    echo "run-all: $name failed (see $results/$name.err)" >&2
    failed+=("$name")
  fi
  local key number
  while read -r _ key number; do
    value[$key]="$number"
  done < <(grep '^RESULT ' "$results/$name.txt" || true)
}

run word_gap "$build/bench/bench_word_gap" 30
run readout "$build/bench/bench_readout" 5
# The same read-out with the seven words rendered at a faster speaking rate,
# to show what the voice pack's rate does to item 7.
fast_rate=260
fast="$results/wave-$fast_rate"
VELORAN_RATE=$fast_rate "$root/scripts/render-voice.sh" "$fast" 1 4 point 2 5 mhz usb.wav >/dev/null
VELORAN_WAVE="$fast" run readout_fast "$build/bench/bench_readout" 5
value[readout_fast_s]="${value[readout_s]:-}"
value[readout_s]="$(awk '$2 == "readout_s" { print $3 }' "$results/readout.txt")"
run loop_idle env SDL_AUDIODRIVER=dummy "$build/bench/bench_idle_cpu" "$loop_seconds"
run program_idle env SDL_AUDIODRIVER=dummy "$build/bench/bench_program_idle" "$idle_seconds"
run response env SDL_AUDIODRIVER=dummy "$build/bench/bench_response" "$presses" "$turns"
run startup env SDL_AUDIODRIVER=dummy "$build/bench/bench_startup" "$startups"
run net_port env SDL_AUDIODRIVER=dummy "$build/bench/bench_net_port" "$presses"

# verdict <value> <limit>: "ok" when value < limit.
verdict() {
  [ -n "$1" ] || { echo "-"; return; }
  awk -v v="$1" -v l="$2" 'BEGIN { print (v + 0 < l + 0) ? "ok" : "OVER" }'
}
row() {  # item measurement figure target verdict
  printf '| %-3s | %-44s | %-26s | %-9s | %-4s |\n' "$@"
}
v() { echo "${value[$1]:-?}"; }

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), Debian $(cat /etc/debian_version 2>/dev/null || echo '?'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
row "#" "measurement" "figure" "target" ""
row "---" "--------------------------------------------" "--------------------------" "---------" "----"
row 6 "gap between consecutive words (mean/longest)" "$(v word_gap_mean_ms) / $(v word_gap_longest_ms) ms" "< 2 ms" \
  "$(verdict "${value[word_gap_longest_ms]:-}" 2)"
row 7 "read-out 14.25 MHz USB, first to last sample" "$(v readout_s) s" "< 2.0 s" \
  "$(verdict "${value[readout_s]:-}" 2.0)"
row 7 "  the same, words rendered at $fast_rate wpm" "$(v readout_fast_s) s" "< 2.0 s" \
  "$(verdict "${value[readout_fast_s]:-}" 2.0)"
row 8 "idle CPU of the program, ${idle_seconds} s after connected" "$(v idle_cpu_pct) %" "< 0.5 %" \
  "$(verdict "${value[idle_cpu_pct]:-}" 0.5)"
row 8 "resident memory (highest seen)" "$(v idle_rss_mb) MB" "< 40 MB" \
  "$(verdict "${value[idle_rss_mb]:-}" 40)"
row 8 "idle CPU of the event loop alone" "$(v loop_idle_cpu_pct) %" "" ""
row 9 "key to wire (median / p99)" "$(v key_to_wire_median_ms) / $(v key_to_wire_p99_ms) ms" "< 1 ms" \
  "$(verdict "${value[key_to_wire_p99_ms]:-}" 1)"
row 9 "radio to panel (median / max)" "$(v radio_to_panel_median_ms) / $(v radio_to_panel_max_ms) ms" \
  "< 250 ms" "$(verdict "${value[radio_to_panel_max_ms]:-}" 250)"
row 10 "start-up to connected, overhead (median/max)" \
  "$(v startup_overhead_ms) / $(v startup_overhead_max_ms) ms" "< 300 ms" \
  "$(verdict "${value[startup_overhead_ms]:-}" 300)"
row net "network port: round trip f (median / p99)" "$(v net_f_median_ms) / $(v net_f_p99_ms) ms" \
  "< 5 ms" "$(verdict "${value[net_f_median_ms]:-}" 5)"
row net "  round trip v s f m t (median / p99)" "$(v net_poll_median_ms) / $(v net_poll_p99_ms) ms" \
  "< 5 ms" "$(verdict "${value[net_poll_median_ms]:-}" 5)"
row net "  client F to the radio's wire (median / p99)" \
  "$(v net_set_to_wire_median_ms) / $(v net_set_to_wire_p99_ms) ms" "< 50 ms" \
  "$(verdict "${value[net_set_to_wire_median_ms]:-}" 50)"
echo
echo "Full output: $results/"
[ ${#failed[@]} -eq 0 ] || { echo "run-all: failed: ${failed[*]}" >&2; exit 1; }
