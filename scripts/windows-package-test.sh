#!/usr/bin/env bash
# Installs the Windows installer (build/windows/Vendra-Setup-<version>.exe, made by
# `make windows-package`) under wine in a throwaway prefix, as a user would, silently:
#  1. the installer holds what the build installs (cmake --install), and installs exactly that,
#     byte for byte, and its uninstaller: the programs, the examples and README.txt, no vendra-sim;
#  2. the Start-menu folder "Vendra" holds its shortcuts, each to an installed file, and "Apps"
#     lists Vendra with its version and uninstaller;
#  3. the installed vendra-run.exe answers --help and --list-devices; the installed window, when
#     the build has one, starts under a virtual X server, shows its main window and runs on;
#  4. the uninstaller, run silently, leaves nothing: not the install folder, the Start-menu folder
#     or the registry entries, and no other file or registry key that was not there before.
# Ends with "windows-package-test: N passed, M failed"; exit status 1 when anything failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win="$root/build/windows"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt" 2>/dev/null)
installer="$win/Vendra-Setup-$version.exe"
[ -n "$version" ] && [ -e "$installer" ] ||
  { echo "windows-package-test: $installer is missing (make windows-package makes it)"; exit 1; }

scratch=$(mktemp -d /tmp/vendra-windows-package-test.XXXXXX)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb=""
cleanup() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

passed=0
failed=0
pass() { echo "  ok   $*"; passed=$((passed + 1)); }
fail() { echo "  FAIL $*"; failed=$((failed + 1)); }
indent() { sed 's/^/       /'; }

# Every wine process of the prefix has ended and its server with them (an NSIS uninstaller hands
# over to a copy of itself and returns at once).
wine_settled() { timeout 120 wineserver -w; }

# What the installer must put in place: the files CPack packed (stripped: a stripped program's
# bytes differ from one strip to the next), which must be the files the build installs.
staged=("$win"/_CPack_Packages/*/NSIS/"Vendra-Setup-$version")
expected=${staged[0]}
[ ${#staged[@]} = 1 ] && [ -d "$expected" ] ||
  { echo "windows-package-test: CPack's staging folder for $version is missing"; exit 1; }
cmake --install "$win" --prefix "$scratch/build-install" >/dev/null ||
  { echo "windows-package-test: cmake --install failed"; exit 1; }
window=""
[ -e "$expected/bin/vendra.exe" ] && window=yes

# The window needs a display from the start: wine's desktop process, started by wineboot, draws
# for every program of the prefix.
if [ -n "$window" ]; then
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$scratch/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$scratch/display")"
fi

echo "== a new wine prefix in $WINEPREFIX"
timeout 300 wineboot -i >/dev/null 2>&1 || { echo "windows-package-test: wineboot failed"; exit 1; }
wine_settled

drive="$WINEPREFIX/drive_c"
instdir="$drive/Program Files/Vendra"
windir='C:\Program Files\Vendra'
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Vendra"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vendra'

# snapshot NAME: the prefix's files and the registry's software keys, to compare before and after.
# The copy of itself that an NSIS uninstaller runs from the user's Temp folder, left to be deleted
# at the next restart, is left out.
snapshot() {
  (cd "$drive" && find . | grep -v '^\./users/[^/]*/Temp/~nsu[^/]*\.tmp' | sort) \
    >"$scratch/$1.files"
  for hive in HKLM HKCU; do
    wine reg export "$hive\\Software" "$scratch/$1.$hive.reg" /y >/dev/null 2>&1
    iconv -f UTF-16 -t UTF-8 "$scratch/$1.$hive.reg" >"$scratch/$1.$hive.txt"
  done
  wine_settled
}
snapshot before

echo "== the installer, silently: $(basename "$installer") ($(stat -c %s "$installer") bytes)"
timeout 300 wine "$installer" /S
status=$?
wine_settled
if [ $status = 0 ] && [ -d "$instdir" ]; then
  pass "installed into $windir (status 0)"
else
  fail "installer (status $status)"
fi

echo "== the install folder"
(cd "$expected" && find . -type f | sort) >"$scratch/expected.list"
(cd "$scratch/build-install" && find . -type f | sort) >"$scratch/build.list"
if cmp -s "$scratch/expected.list" "$scratch/build.list"; then
  pass "the installer holds the $(grep -c . "$scratch/build.list") files the build installs"
else
  fail "the installer is not the build's (make windows-package again):"
  diff "$scratch/build.list" "$scratch/expected.list" | indent
fi
(echo ./Uninstall.exe; cat "$scratch/expected.list") | sort >"$scratch/wanted.list"
(cd "$instdir" 2>/dev/null && find . -type f | sort) >"$scratch/installed.list"
differing=""
while IFS= read -r f; do
  cmp -s "$expected/$f" "$instdir/$f" || differing="$differing $f"
done <"$scratch/expected.list"
if cmp -s "$scratch/wanted.list" "$scratch/installed.list" && [ -z "$differing" ]; then
  pass "every file in place, byte for byte, and Uninstall.exe"
else
  fail "the installed files"
  diff "$scratch/wanted.list" "$scratch/installed.list" | indent
  [ -n "$differing" ] && echo "differ:$differing" | indent
fi
missing=""
for f in bin/vendra-run.exe bin/vendra-def.exe README.txt; do
  [ -f "$instdir/$f" ] || missing="$missing $f"
done
for f in "$root"/examples/*; do
  cmp -s "$f" "$instdir/examples/${f##*/}" || missing="$missing examples/${f##*/}"
done
if [ -z "$missing" ] && ! grep -qi 'vendra-sim' "$scratch/installed.list"; then
  programs="vendra-run.exe, vendra-def.exe$([ -n "$window" ] && echo ", vendra.exe")"
  pass "$programs, README.txt, every example in examples\\, no vendra-sim"
else
  fail "the programs and examples (missing:${missing:- none})"
fi

echo "== the Start menu and Apps"
# A shortcut names its target's full path; "Vendra" starts the window where there is one.
links=("Examples.lnk|examples" "Read Me.lnk|README.txt" "Uninstall.lnk|Uninstall.exe")
[ -n "$window" ] && links+=("Vendra.lnk|bin\\vendra.exe")
links_ok=yes
for l in "${links[@]}"; do
  link=${l%%|*} target=${l#*|}
  if ! grep -qaF "$windir\\$target" "$menu/$link" 2>/dev/null ||
    [ ! -e "$instdir/${target//\\//}" ]; then
    links_ok=""
    echo "$link does not lead to $windir\\$target" | indent
  fi
done
found=$(cd "$menu" 2>/dev/null && ls -1)
if [ -n "$links_ok" ] && [ "$found" = "$(printf '%s\n' "${links[@]%%|*}" | sort)" ]; then
  pass "Start menu\\Vendra: $(echo "$found" | paste -sd, | sed 's/,/, /g')"
else
  fail "Start menu\\Vendra holds: $(echo "$found" | paste -sd, | sed 's/,/, /g')"
fi
# The window starts in the shared documents' Vendra folder, where its users may write.
if [ -n "$window" ]; then
  # (The shortcut keeps its folder in UTF-16.)
  if strings -el "$menu/Vendra.lnk" 2>/dev/null | grep -qF 'Documents\Vendra' &&
    [ -d "$drive/users/Public/Documents/Vendra" ]; then
    pass "Vendra.lnk starts the window in the shared Documents\\Vendra, which is there"
  else
    fail "Vendra.lnk's working folder (Documents\\Vendra)"
    strings -el "$menu/Vendra.lnk" 2>/dev/null | indent
  fi
fi
wine reg query "$uninstall_key" >"$scratch/entry.txt" 2>&1
entry() { tr -d '\r' <"$scratch/entry.txt" | sed -n "s/^ *$1 *REG_SZ *//p"; }
icon=$(entry DisplayIcon)
icon_file="$drive/${icon#C:\\}"
if [ "$(entry DisplayName)" = Vendra ] && [ "$(entry DisplayVersion)" = "$version" ] &&
  [ "$(entry UninstallString)" = "\"$windir\\Uninstall.exe\"" ] &&
  [ -f "${icon_file//\\//}" ]; then
  pass "Apps lists Vendra $version, its uninstaller and its icon ($icon)"
else
  fail "the uninstall entry"
  indent <"$scratch/entry.txt"
fi

echo "== the installed programs, started from their folder"
mkdir -p "$scratch/work"
# run_installed OUTPUT PROGRAM ARGS...: the installed bin\PROGRAM run in a folder of its own, its
# output (without CRs) in OUTPUT; returns its status.
run_installed() {
  local out=$1 program=$2
  shift 2
  (cd "$scratch/work" && timeout 120 wine "$windir\\bin\\$program" "$@") </dev/null >"$out.raw" 2>&1
  local status=$?
  tr -d '\r' <"$out.raw" >"$out"
  return $status
}
run_installed "$scratch/help.txt" vendra-run.exe --help
status=$?
usage="Usage: vendra-run [options] PROGRAM.def"
if [ "$status" = 0 ] && [ "$(head -1 "$scratch/help.txt")" = "$usage" ]; then
  pass "vendra-run.exe --help ($(grep -c . "$scratch/help.txt") lines, status 0)"
else
  fail "vendra-run.exe --help (status $status)"
  head -5 "$scratch/help.txt" | indent
fi
run_installed "$scratch/devices.txt" vendra-run.exe --list-devices
status=$?
devices=$(($(grep -c . "$scratch/devices.txt") - 1))
header='^PATH  *NAME  *MAKER  *PRODUCT  *SERIAL$'
if [ "$status" = 0 ] && head -1 "$scratch/devices.txt" | grep -q "$header"; then
  pass "vendra-run.exe --list-devices: $devices device(s), status 0"
else
  fail "vendra-run.exe --list-devices (status $status)"
  indent <"$scratch/devices.txt"
fi
if [ -n "$window" ]; then
  (cd "$scratch/work" && exec wine "$windir\\bin\\vendra.exe") </dev/null >"$scratch/window.txt" \
    2>&1 &
  app=$!
  # The main window, not a box that says why the program cannot start: its title is the
  # program's own.
  windows() {
    xwininfo -root -tree 2>/dev/null | sed -n 's/^ *0x[0-9a-f]* "\(.*\)": ("vendra.exe".*/\1/p'
  }
  shown=""
  for _ in $(seq 40); do
    windows | grep -q '^Vendra for Windows' && { shown=yes; break; }
    kill -0 "$app" 2>/dev/null || break
    sleep 0.5
  done
  if [ -n "$shown" ] && sleep 2 && kill -0 "$app" 2>/dev/null; then
    pass "vendra.exe shows its main window and runs on (windows: $(windows | paste -sd, |
      sed 's/,/, /g'))"
  elif kill -0 "$app" 2>/dev/null; then
    fail "vendra.exe runs, but no main window within 20 s (windows: $(windows | paste -sd,))"
  else
    wait "$app"
    fail "vendra.exe ended (status $?)"
    indent <"$scratch/window.txt"
  fi
  kill "$app" 2>/dev/null
  wait "$app" 2>/dev/null
  timeout 60 wine taskkill /f /im vendra.exe >/dev/null 2>&1
  wine_settled
else
  echo "  (no vendra.exe in this build: the window is not started)"
fi

echo "== the uninstaller, silently"
timeout 120 wine "$windir\\Uninstall.exe" /S
status=$?
if wine_settled; then
  pass "Uninstall.exe /S ended (status $status), and the copy it hands over to"
else
  fail "the uninstaller did not end within 120 s"
fi
[ ! -e "$instdir" ] && pass "the install folder is gone" ||
  { fail "the install folder is left:"; (cd "$instdir" && find .) | indent; }
[ ! -e "$menu" ] && pass "the Start-menu folder is gone" ||
  { fail "the Start-menu folder is left:"; ls -1 "$menu" | indent; }
if wine reg query "$uninstall_key" >/dev/null 2>&1; then
  fail "the uninstall entry is left"
else
  pass "the uninstall entry is gone"
fi
snapshot after
left=""
for part in files HKLM.txt HKCU.txt; do
  if ! cmp -s "$scratch/before.$part" "$scratch/after.$part"; then
    left="$left $part"
    diff "$scratch/before.$part" "$scratch/after.$part" | head -20 | indent
  fi
done
if [ -z "$left" ]; then
  pass "nothing else left: the prefix's $(grep -c . "$scratch/after.files") files and software" \
    "registry keys as before"
else
  fail "left behind (${left# })"
fi

echo "windows-package-test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
