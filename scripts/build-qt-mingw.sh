#!/usr/bin/env bash
# Builds Qt 6's base module for 64-bit Windows (mingw-w64) from Debian's source package, once per
# machine, and prints the folder it is installed in (a CMake prefix for the window's Windows build).
#   scripts/build-qt-mingw.sh            build when the cache is missing or half-built, then print it
#   scripts/build-qt-mingw.sh --print    print the folder only when it is complete (else status 1)
#
# The result is kept outside the source tree, in a folder named with Qt's version and this script's
# version (raise QT_MINGW_SCRIPT_VERSION whenever what is built changes), so every later build on
# the machine reuses it. It is complete once its stamp file is written last; a folder without the
# stamp is removed and built again. A lock keeps two builds from colliding. The build tree (about
# 2.5 GB) is removed when done.
#
# Shared libraries: the Qt DLLs ship beside vendra.exe, which keeps the LGPL's terms simple (the
# user can replace them). The compiler's runtime DLLs go with them.
#
# Only what the window needs is built: Core, Gui, Widgets, PrintSupport, Test (the window's tests),
# the Windows and offscreen platform plugins. Debian's cleaned sources lack the Windows tablet
# headers, so tablet events are off; Direct2D 1.1 is off (turning Direct2D off as a whole fails to
# link in this version). The host tools (moc, rcc, uic) come from Debian's Linux Qt of the same
# version (QT_HOST_PATH).
set -euo pipefail

QT_VERSION=6.4.2
QT_MINGW_SCRIPT_VERSION=1
MINGW=x86_64-w64-mingw32

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/vendra
prefix=$cache_root/qt-$QT_VERSION-mingw-$QT_MINGW_SCRIPT_VERSION
stamp=$prefix/.vendra-qt-complete
work=$prefix.build
# The logs of the last build stay beside the cache, so a failure can be read after the tree is gone.
logs=$prefix.logs

if [ "${1:-}" = --print ]; then
  [ -f "$stamp" ] || exit 1
  echo "$prefix"
  exit 0
fi

log() { echo "build-qt-mingw: $*" >&2; }
# Standard output carries the folder alone (callers take it with $(...)): what the tools print
# (apt-get, dpkg-source) goes to standard error.
exec 3>&1 1>&2

mkdir -p "$cache_root"
# One build at a time; a second caller waits and then finds the cache complete.
exec 9>"$prefix.lock"
if ! flock -n 9; then
  log "another build of Qt holds $prefix.lock; waiting for it"
  flock 9
fi

if [ -f "$stamp" ]; then
  echo "$prefix" >&3
  exit 0
fi

# --- What the build needs, installed only when missing ---------------------------------------
# The Linux Qt must be the same version as the one built: its tools generate the code.
needs=(qt6-base-dev qt6-base-dev-tools dpkg-dev g++-mingw-w64-x86-64-posix cmake ninja-build perl
       xz-utils)
missing=()
for p in "${needs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
host_cmake=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
case "$host_version" in
  "$QT_VERSION"+*|"$QT_VERSION"-*) ;;
  *) log "the Linux qt6-base-dev is $host_version, not $QT_VERSION: its tools cannot build this Qt"
     exit 1 ;;
esac

# A half-built folder from an earlier attempt is not trusted.
rm -rf "$prefix" "$work" "$logs"
mkdir -p "$work" "$logs"
trap 'rm -rf "$work"' EXIT

# --- The source package, through a private source list ----------------------------------------
# The deb-src entry names the archive the machine already uses for its own release; apt's state
# for it lives in the work folder, so the machine's apt configuration and lists stay untouched.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { log "no VERSION_CODENAME in /etc/os-release"; exit 1; }
archive_entry() {
  local f
  # One-line format: deb [options] URI SUITE COMPONENTS...
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v s="$codename" '$1 == "deb" {
        i = 2; opts = ""
        if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
        if ($(i + 1) == s) { print "deb-src" opts, $i, s, "main"; exit }
      }' "$f"
  done
  # deb822 format: stanzas of Types, URIs, Suites, Signed-By.
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v s="$codename" '
      function flush() {
        if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " s " ") && uri != "" && !done) {
          print "deb-src" (key != "" ? " [signed-by=" key "]" : ""), uri, s, "main"; done = 1
        }
        types = suites = uri = key = ""
      }
      /^[ \t]*$/ { flush(); next }
      /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
      /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
      /^URIs:/ { uri = $2 }
      /^Signed-By:/ { key = $2 }
      END { flush() }' "$f"
  done
}
entry=$(archive_entry | head -n 1)
[ -n "$entry" ] || { log "no deb entry for $codename in the machine's apt sources"; exit 1; }
log "source entry: $entry"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
echo "$entry" >"$work/apt/sources.list"
apt_private=(-o "Dir::Etc::sourcelist=$work/apt/sources.list" -o Dir::Etc::sourceparts=-
             -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
             -o APT::Sandbox::User=root)
apt-get "${apt_private[@]}" update -qq
source_version=$(apt-cache "${apt_private[@]}" showsrc qt6-base |
                 awk '/^Version:/ { print $2 }' | sort -V | tail -n 1)
case "$source_version" in
  "$QT_VERSION"+*|"$QT_VERSION"-*) ;;
  *) log "the archive's qt6-base source is '$source_version', not $QT_VERSION"; exit 1 ;;
esac
(cd "$work" && apt-get "${apt_private[@]}" source -qq "qt6-base=$source_version")
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "qt6-base-*" | head -n 1)
[ -n "$src" ] || { log "apt-get source left no qt6-base folder"; exit 1; }
rm -f "$work"/*.tar.* "$work"/*.dsc

# --- Configure and build ------------------------------------------------------------------------
cat >"$work/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $MINGW-gcc-posix)
set(CMAKE_CXX_COMPILER $MINGW-g++-posix)
set(CMAKE_RC_COMPILER $MINGW-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$MINGW)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

features=(
  -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF
  -DFEATURE_icu=OFF -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF -DFEATURE_direct2d1_1=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_sql=OFF -DFEATURE_testlib=ON -DFEATURE_printsupport=ON -DFEATURE_widgets=ON
)
start=$(date +%s)
log "configuring in $work/build (log: $logs/configure.log)"
nice cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  "${features[@]}" >"$logs/configure.log" 2>&1 || { tail -n 60 "$logs/configure.log" >&2; exit 1; }
configured=$(date +%s)
log "configured in $((configured - start)) s; building"
nice cmake --build "$work/build" -j "${JOBS:-$(nproc)}" >"$logs/build.log" 2>&1 ||
  { tail -n 60 "$logs/build.log" >&2; exit 1; }
built=$(date +%s)
log "built in $((built - configured)) s; build tree $(du -sh "$work/build" | cut -f1)"
nice cmake --install "$work/build" >"$logs/install.log" 2>&1 ||
  { tail -n 30 "$logs/install.log" >&2; exit 1; }

# The Linux Qt whose tools a project that uses this Qt runs, as CMake settings to include.
printf 'set(QT_HOST_PATH /usr CACHE PATH "")\nset(QT_HOST_PATH_CMAKE_DIR %s CACHE PATH "")\n' \
  "$host_cmake" >"$prefix/vendra-qt-host.cmake"

# The compiler's runtime DLLs that the Qt DLLs load, kept with them so a build can copy them.
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  found=$($MINGW-g++-posix -print-file-name="$dll")
  [ -f "$found" ] || { log "no $dll beside the cross-compiler"; exit 1; }
  cp "$found" "$prefix/bin/"
done

printf 'Qt %s from Debian %s, configure %d s, build %d s\n' "$QT_VERSION" "$source_version" \
  $((configured - start)) $((built - configured)) >"$stamp"
log "installed $(du -sh "$prefix" | cut -f1) in $prefix"
echo "$prefix" >&3
