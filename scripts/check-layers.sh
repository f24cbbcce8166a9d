#!/usr/bin/env bash
# Checks the include rules of the source tree:
#  - inside src/core the folders form layers, lowest first:
#      base -> serial -> network, program -> runner -> tools, onboard -> app
#    a folder includes only its own files and folders below it (never above, never a sibling);
#  - each folder of src/ui shows one core folder: ui/serial core/serial, ui/network core/network,
#    ui/editor core/program, ui/runner core/runner, ui/tools core/tools, ui/onboard core/onboard,
#    ui/app core/app. It includes that core folder and the core layers below it, and of core/app
#    only Core.h and SystemState.h (the main window hands each window the core and its state).
#    Of the other ui folders it includes ui/app (the shared dialogs and the main window) and the
#    ui folders of the core layers below its own. ui/app and the files directly in src/ui put the
#    program together: they include every ui folder and the whole core;
#  - the core includes no Qt; the simulator includes nothing of the core or the windows;
#    the command-line tools include nothing of the windows or the simulator;
#  - the simulated line the programs start (simline) includes the simulator and nothing of the
#    host: the host reaches it by a device path alone.
# Both forms of include count ("core/..." and <core/...>), in every C and C++ source, header and
# inline file. Prints every offending include and exits 1 when there is one.
# Usage: check-layers.sh [SRC]   (SRC: the include root to check; default the checkout's src/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "${1:-$root/src}"

declare -A rank=([base]=0 [serial]=1 [network]=2 [program]=2 [runner]=3 [tools]=4 [onboard]=4 [app]=5)
declare -A shows=([serial]=serial [network]=network [editor]=program [runner]=runner [tools]=tools
                  [onboard]=onboard [app]=app)
bad=0
report() { echo "layer check: $1"; bad=1; }

# The sources under a folder, sorted.
sources() {
  [ -d "$1" ] || return 0
  find "$1" -type f \( -name '*.h' -o -name '*.hh' -o -name '*.hpp' -o -name '*.hxx' \
    -o -name '*.h++' -o -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.cxx' \
    -o -name '*.c++' -o -name '*.cppm' -o -name '*.ixx' -o -name '*.inc' -o -name '*.inl' \
    -o -name '*.ipp' -o -name '*.tcc' -o -name '*.tpp' \) | sort
}
# The includes of a file, one a line, each with its form first: "path or <path.
includes() {
  sed -n -e 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/"\1/p' \
    -e 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/<\1/p' "$1"
}
# The core folder an include names ("?" for none).
core_folder() {
  case "$1" in core/*/*) local t=${1#core/}; echo "${t%%/*}" ;; *) echo "?" ;; esac
}

while IFS= read -r file; do
  folder=${file#core/}; folder=${folder%%/*}
  [ -n "${rank[$folder]+x}" ] || { report "$file: core folder '$folder' has no layer"; continue; }
  qt=0
  while IFS= read -r inc; do
    form=${inc:0:1}; inc=${inc:1}
    case "$form$inc" in
      ?core/*)
        target=$(core_folder "$inc")
        [ "$target" = "$folder" ] && continue
        if [ -z "${rank[$target]+x}" ]; then report "$file includes $inc (unknown core folder)"
        elif [ "${rank[$target]}" -ge "${rank[$folder]}" ]; then
          report "$file ($folder) includes $inc ($target): not a layer below"
        fi ;;
      ?ui/*|?sim/*|?cli/*) report "$file includes $inc: the core includes only the core" ;;
      "<Q"*)
        if [ "$qt" -eq 0 ]; then report "$file includes Qt: the core is standard C++ and POSIX only"; fi
        qt=1 ;;
      "<"*) ;;  # the standard library and the system
      *) report "$file includes \"$inc\": core includes say where they point (core/...)" ;;
    esac
  done < <(includes "$file")
done < <(sources core)

while IFS= read -r file; do
  rest=${file#ui/}
  case "$rest" in */*) folder=${rest%%/*} ;; *) folder=app ;; esac  # src/ui's own files: the program
  [ -n "${shows[$folder]+x}" ] || { report "$file: ui folder '$folder' shows no core folder"; continue; }
  own=${shows[$folder]}
  while IFS= read -r inc; do
    inc=${inc:1}
    case "$inc" in
      core/*)
        [ "$folder" = app ] && continue
        target=$(core_folder "$inc")
        if [ -z "${rank[$target]+x}" ]; then report "$file includes $inc (unknown core folder)"
        elif [ "$target" = app ]; then
          case "$inc" in
            core/app/Core.h|core/app/SystemState.h) ;;
            *) report "$file includes $inc: of core/app a window includes only Core.h and SystemState.h" ;;
          esac
        elif [ "$target" != "$own" ] && [ "${rank[$target]}" -ge "${rank[$own]}" ]; then
          report "$file ($folder shows core/$own) includes $inc ($target): not a layer below"
        fi ;;
      ui/*)
        [ "$folder" = app ] && continue
        target=${inc#ui/}; target=${target%%/*}
        if [ "$target" = "$folder" ] || [ "$target" = app ]; then continue; fi
        if [ -z "${shows[$target]+x}" ]; then report "$file includes $inc (unknown ui folder)"
        elif [ "${rank[${shows[$target]}]}" -ge "${rank[$own]}" ]; then
          report "$file ($folder) includes $inc ($target): a window includes ui/app and the windows of the layers below its own"
        fi ;;
      sim/*|cli/*) report "$file includes $inc: the windows build on the core alone" ;;
    esac
  done < <(includes "$file")
done < <(sources ui)

while IFS= read -r file; do
  while IFS= read -r inc; do
    inc=${inc:1}
    case "$inc" in core/*|ui/*|cli/*) report "$file includes $inc: the simulator shares no code with the host" ;; esac
  done < <(includes "$file")
done < <(sources sim)

while IFS= read -r file; do
  while IFS= read -r inc; do
    inc=${inc:1}
    case "$inc" in ui/*|sim/*) report "$file includes $inc: the command-line tools build on the core alone" ;; esac
  done < <(includes "$file")
done < <(sources cli)

while IFS= read -r file; do
  while IFS= read -r inc; do
    inc=${inc:1}
    case "$inc" in core/*|ui/*|cli/*) report "$file includes $inc: the simulated line knows nothing of the host" ;; esac
  done < <(includes "$file")
done < <(sources simline)

[ "$bad" -eq 0 ] && echo "layer check: every include runs downward"
exit "$bad"
