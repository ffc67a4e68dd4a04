#!/usr/bin/env bash
# Checks that includes run one way:
#   - inside workbench/core, an area includes only itself and the areas after it in LAYERS;
#   - the core includes no Qt header and nothing of the window (ui/) or the command line (cli/);
#   - the engine, its kernels and formats/ include nothing of the workbench or the viewer;
#   - the viewer's core includes no Qt header.
# Prints every include that breaks a rule, with its file and line, and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

LAYERS=(session view run fit analysis export intake document model)
rank() { local i; for i in "${!LAYERS[@]}"; do [ "${LAYERS[$i]}" = "$1" ] && { echo "$i"; return; }; done; echo -1; }

bad=0
report() { echo "$1"; bad=1; }

# The area of a core file: the folder below workbench/core or workbench/core/include/vornel.
core_files=$(git ls-files 'workbench/core/*.cpp' 'workbench/core/*.h')
for file in $core_files; do
  rel=${file#workbench/core/}
  rel=${rel#include/vornel/}
  area=${rel%%/*}
  own=$(rank "$area")
  [ "$own" -ge 0 ] || { report "$file: not in an area of the core (${LAYERS[*]})"; continue; }
  while IFS= read -r hit; do
    line=${hit%%:*}
    text=${hit#*:}
    case "$text" in
      *'"vornel/'*)
        used=${text#*\"vornel/}; used=${used%%/*}
        other=$(rank "$used")
        if [ "$other" -lt 0 ]; then
          report "$file:$line: includes a header outside the areas: $text"
        elif [ "$other" -lt "$own" ]; then
          report "$file:$line: $area includes $used, an area above it: $text"
        fi ;;
      *'<Q'*|*'<qt'*)
        report "$file:$line: the core includes Qt: $text" ;;
      *'BatchMode.h"'*|*'"ui/'*|*'"cli/'*)
        report "$file:$line: the core includes a shell: $text" ;;
    esac
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" | sed 's/^\([0-9]*\):/\1:/')
done

for file in $(git ls-files 'engine/*.cpp' 'engine/*.h' 'formats/*.cpp' 'formats/*.h'); do
  while IFS= read -r hit; do
    report "$file:${hit%%:*}: the engine and the formats include nothing of the workbench or the viewer: ${hit#*:}"
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]\(vornel\|orbiq\)/' "$file" || true)
done

for file in $(git ls-files 'viewer/core/*.cpp' 'viewer/core/*.h'); do
  while IFS= read -r hit; do
    report "$file:${hit%%:*}: the viewer's core includes Qt: ${hit#*:}"
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file" || true)
done

if [ "$bad" -ne 0 ]; then
  echo "Includes run against the layers (see scripts/check-layers.sh)." >&2
  exit 1
fi
