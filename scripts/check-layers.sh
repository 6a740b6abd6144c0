#!/usr/bin/env bash
# Keeps the folder order true: a folder includes only folders listed before it
# (platform and emulator include nothing of the program's core; app/, where
# the entry points put the parts together, may start the emulator for the
# demo). Prints every include that reaches up, and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(platform base panel speech link memory radio commands app)
rank() {
  local i
  for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}
bad=0
for folder in "${order[@]}" emulator; do
  [ -d "$folder" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
    [ "$target" = "$folder" ] && continue
    if [ "$folder" = emulator ] || [ "$folder" = platform ]; then
      [ "$target" = platform ] && [ "$folder" = emulator ] && continue
      echo "$file includes $target/: $folder/ stands apart from the core"; bad=1; continue
    fi
    [ "$target" = emulator ] && [ "$folder" = app ] && continue  # --demo starts it
    if [ "$(rank "$target")" -gt "$(rank "$folder")" ] || [ "$(rank "$target")" -lt 0 ]; then
      echo "$file includes $target/, which comes after $folder/"; bad=1
    fi
  done < <(grep -rHn --include='*.cpp' --include='*.hpp' '^#include "[a-z_]*/' "$folder" || true)
done
[ "$bad" = 0 ] && echo "layers: every include goes down (${order[*]})"
exit "$bad"
