#!/usr/bin/env bash
# Checks the include rules of the source tree:
#  - inside src/core the folders form layers, lowest first:
#      base -> serial -> network, program -> runner -> tools, onboard -> app
#    a folder includes only its own files and folders below it (never above, never a sibling);
#  - the core includes no Qt; the simulator includes nothing of the core or the windows;
#    the command-line tools include nothing of the windows.
# Prints every offending include and exits 1 when there is one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root/src"

declare -A rank=([base]=0 [serial]=1 [network]=2 [program]=2 [runner]=3 [tools]=4 [onboard]=4 [app]=5)
bad=0
report() { echo "layer check: $1"; bad=1; }

while IFS= read -r file; do
  folder=${file#core/}; folder=${folder%%/*}
  [ -n "${rank[$folder]+x}" ] || { report "$file: core folder '$folder' has no layer"; continue; }
  while IFS= read -r inc; do
    case "$inc" in
      core/*)
        target=${inc#core/}; target=${target%%/*}
        [ "$target" = "$folder" ] && continue
        if [ -z "${rank[$target]+x}" ]; then report "$file includes $inc (unknown core folder)"
        elif [ "${rank[$target]}" -ge "${rank[$folder]}" ]; then
          report "$file ($folder) includes $inc ($target): not a layer below"
        fi ;;
      ui/*|sim/*|cli/*) report "$file includes $inc: the core includes only the core" ;;
      *) report "$file includes \"$inc\": core includes say where they point (core/...)" ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  if grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file"; then
    report "$file includes Qt: the core is standard C++ and POSIX only"
  fi
done < <(find core -name '*.h' -o -name '*.cpp' | sort)

while IFS= read -r file; do
  while IFS= read -r inc; do
    case "$inc" in core/*|ui/*|cli/*) report "$file includes $inc: the simulator shares no code with the host" ;; esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find sim -name '*.h' -o -name '*.cpp' | sort)

while IFS= read -r file; do
  while IFS= read -r inc; do
    case "$inc" in ui/*|sim/*) report "$file includes $inc: the command-line tools build on the core alone" ;; esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find cli -name '*.h' -o -name '*.cpp' | sort)

[ "$bad" -eq 0 ] && echo "layer check: every include runs downward"
exit "$bad"
