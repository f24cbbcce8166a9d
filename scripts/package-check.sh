#!/usr/bin/env bash
# Checks the Debian package that `make package` made, on this machine (as root, or with sudo):
# its file list and dependencies, `apt-get install ./<deb>` with what it needs, a start of the
# installed program through its desktop entry's command under a virtual X server (a screenshot in
# build/package/installed.png when ImageMagick is there), and `apt-get remove` leaving none of its
# files behind. A vendra package installed before is left alone: the check refuses to run then.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deb=$(ls -1 "$root"/build/package/vendra_*.deb 2>/dev/null | tail -1)
[ -n "$deb" ] || { echo "package-check: no package (make package makes it)"; exit 1; }
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if dpkg-query -W -f='${Status}' vendra 2>/dev/null | grep -q 'install ok installed'; then
  echo "package-check: a vendra package is installed already; remove it first"
  exit 1
fi
home=$(mktemp -d /tmp/vendra-package-check.XXXXXX)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT

echo "== $deb"
dpkg-deb -f "$deb" Package Version Depends Recommends
dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$'

echo "== apt-get install"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$deb" >/dev/null
dpkg -L vendra | grep -E '^/usr/(bin|lib/vendra)/'
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/vendra.desktop)
echo "desktop entry command: $exec_line"

echo "== the installed program, started as the desktop entry starts it"
Xvfb :97 -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
HOME="$home" DISPLAY=:97 timeout 8 $exec_line >"$home/out.txt" 2>&1 &
app=$!
sleep 5
started=no
if kill -0 "$app" 2>/dev/null; then started=yes; fi
if command -v import >/dev/null && [ "$started" = yes ]; then
  DISPLAY=:97 import -window root "$root/build/package/installed.png" 2>/dev/null || true
fi
wait "$app" 2>/dev/null || true
echo "running after 5 s: $started; its folder: $(cd "$home/Vendra" && find . -type f | sort | tr '\n' ' ')"
sed 's/^/  program: /' "$home/out.txt"

echo "== apt-get remove"
$sudo apt-get remove -y -qq vendra >/dev/null
left=$(for f in /usr/bin/vendra /usr/bin/vendra-sim /usr/bin/vendra-def /usr/lib/vendra \
  /usr/share/vendra /usr/share/applications/vendra.desktop \
  /usr/share/icons/hicolor/scalable/apps/vendra.svg /usr/share/doc/vendra; do
  [ -e "$f" ] && echo "$f"; done || true)
state=$(dpkg-query -W -f='${Status}' vendra 2>/dev/null || echo "not installed")
echo "package state: $state; files left: ${left:-none}"
[ "$started" = yes ] && [ -z "$left" ]
