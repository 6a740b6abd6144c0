#!/usr/bin/env bash
# Renders the spoken words of voice/words.tsv into wave files.
#
#   scripts/render-voice.sh [outdir] [word ...]
#
# outdir defaults to ./wave. With words given, only those rows are rendered
# (names as in the first column, any case, with or without ".wav").
# Each file is <name>.wav in lower case (a name that already ends in ".wav"
# keeps it): 16-bit mono 22050 Hz, leading and trailing silence trimmed so
# that words join without gaps, level normalised to -3 dBFS so that no word
# stands out. A file newer than words.tsv and this script is kept, so a
# re-run only renders what changed. Exits non-zero when anything fails.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
table="$here/../voice/words.tsv"
outdir="${1:-wave}"
[ $# -gt 0 ] && shift
voice="${VELORAN_VOICE:-en}"
rate="${VELORAN_RATE:-260}"

for tool in espeak-ng sox; do
  command -v "$tool" >/dev/null || { echo "render-voice: $tool is not installed" >&2; exit 2; }
done
[ -r "$table" ] || { echo "render-voice: cannot read $table" >&2; exit 2; }
mkdir -p "$outdir"

file_of() {
  local name="${1,,}"
  [[ "$name" == *.wav ]] || name="$name.wav"
  printf '%s' "$name"
}

declare -A wanted=()
for w in "$@"; do wanted["$(file_of "$w")"]=1; done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
format=(-r 22050 -c 1 -b 16 -e signed-integer)

render() {  # text target
  local text="$1" target="$2" raw="$work/raw.wav" tmp="$work/out.wav"
  case "$text" in
    "@silence "*)
      local ms="${text#@silence }"
      sox -n "${format[@]}" "$tmp" trim 0 "$(awk "BEGIN{print $ms/1000}")"
      ;;
    "@tone "*)
      local hz ms
      read -r hz ms <<<"${text#@tone }"
      # Short fades keep the tone free of clicks at its edges.
      sox -n "${format[@]}" "$tmp" synth "$(awk "BEGIN{print $ms/1000}")" sine "$hz" \
        fade t 0.005 0 0.005 norm -3
      ;;
    *)
      printf '%s' "$text" | espeak-ng -v "$voice" -s "$rate" -w "$raw"
      sox "$raw" "${format[@]}" "$tmp" \
        silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse norm -3 rate 22050
      ;;
  esac
  [ -s "$tmp" ] || return 1
  mv -f "$tmp" "$target"
}

# Words rendered with another voice or rate are all rendered again.
stamp="$outdir/.voice-settings"
settings="$voice $rate"
fresh=0
if [ -e "$stamp" ]; then
  [ "$(cat "$stamp")" = "$settings" ] && fresh=1
elif ! compgen -G "$outdir/*.wav" >/dev/null; then
  fresh=1  # an empty folder: whatever is rendered now is at these settings
fi

declare -A seen=()
rendered=0 kept=0 failed=0
while IFS=$'\t' read -r name text || [ -n "$name" ]; do
  [[ -z "$name" || "$name" == \#* ]] && continue
  file="$(file_of "$name")"
  if [ -n "${seen[$file]:-}" ]; then
    echo "render-voice: $file is listed twice (row \"$name\")" >&2
    failed=$((failed + 1))
    continue
  fi
  seen["$file"]=1
  if [ -z "$text" ]; then
    echo "render-voice: row \"$name\" says nothing" >&2
    failed=$((failed + 1))
    continue
  fi
  if [ $# -gt 0 ] && [ -z "${wanted[$file]:-}" ]; then continue; fi
  target="$outdir/$file"
  if [ "$fresh" -eq 1 ] && [ "$target" -nt "$table" ] && [ "$target" -nt "${BASH_SOURCE[0]}" ]; then
    kept=$((kept + 1))
    continue
  fi
  if render "$text" "$target"; then
    rendered=$((rendered + 1))
  else
    echo "render-voice: could not render $file" >&2
    failed=$((failed + 1))
  fi
done <"$table"

for w in "${!wanted[@]}"; do
  if [ -z "${seen[$w]:-}" ]; then
    echo "render-voice: no row for $w in words.tsv" >&2
    failed=$((failed + 1))
  fi
done

# The folder is marked as rendered at these settings once all of it is.
[ "$failed" -eq 0 ] && { [ "$fresh" -eq 1 ] || [ $# -eq 0 ]; } && printf '%s\n' "$settings" >"$stamp"
echo "render-voice: $rendered rendered, $kept up to date, $failed failed, into $outdir"
[ "$failed" -eq 0 ]
