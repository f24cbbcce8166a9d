#!/usr/bin/env bash
# Runs the Windows build (build/windows, made by `make windows`) under wine, against the Linux
# build of the simulator (build/bin):
#  1. every cross-built test program;
#  2. vendra-def.exe on every example, whose output must be the Linux build's, byte for byte;
#  3. a network scan and a short program through the Win32 serial device, on COM5 mapped to the
#     simulator's link in a throwaway wine prefix: the frames the simulator received must be the
#     frames the Linux build sends to the same simulated network;
#  4. a simulator that vanishes during the scan: the same "Communications Port lost" message as
#     on Linux, and no hang.
# Ends with "windows-test: N passed, M failed"; exit status 1 when anything failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win="$root/build/windows"
lin="$root/build/bin"
cd "$root"

for f in "$win/windows-tests.txt" "$win/bin/line-driver.exe" "$win/bin/vendra-def.exe" \
  "$lin/vendra-sim" "$lin/vendra-def" "$lin/line-driver"; do
  [ -e "$f" ] || { echo "windows-test: $f is missing (make windows-test builds it)"; exit 1; }
done

scratch=$(mktemp -d /tmp/vendra-windows-test.XXXXXX)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  rm -rf "$scratch"
}
trap cleanup EXIT

passed=0
failed=0
pass() { echo "  ok   $1"; passed=$((passed + 1)); }
fail() { echo "  FAIL $1"; failed=$((failed + 1)); }

# One wine server for the whole run, writing nowhere (a server started by a test program would
# write its state dump into that program's output when it ends).
start_wine() {
  wineserver -p >/dev/null 2>&1
}
echo "== a new wine prefix in $WINEPREFIX"
start_wine
timeout 300 wineboot -i >/dev/null 2>&1 || { echo "windows-test: wineboot failed"; exit 1; }

echo "== the cross-built tests"
while IFS= read -r t; do
  [ -n "$t" ] || continue
  if timeout 600 wine "$win/bin/$t.exe" --gtest_brief=1 >"$scratch/$t.out" 2>&1; then
    pass "$t ($(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$scratch/$t.out"))"
  else
    fail "$t"
    sed 's/^/       /' "$scratch/$t.out" | tail -40
  fi
done <"$win/windows-tests.txt"

echo "== vendra-def.exe lists every example as the Linux build does (and fails alike)"
for example in examples/*.def examples/*.IEE examples/no-such-file.def examples; do
  "$lin/vendra-def" "$example" >"$scratch/def.linux" 2>"$scratch/def.linux.err"
  linux_status=$?
  timeout 120 wine "$win/bin/vendra-def.exe" "$example" >"$scratch/def.win" 2>"$scratch/def.win.err"
  win_status=$?
  if cmp -s "$scratch/def.linux" "$scratch/def.win" &&
    cmp -s "$scratch/def.linux.err" "$scratch/def.win.err" && [ $linux_status = $win_status ]; then
    pass "$example ($(wc -c <"$scratch/def.win") bytes, status $win_status)"
  else
    fail "$example (status $linux_status on Linux, $win_status on Windows)"
    cmp "$scratch/def.linux" "$scratch/def.win" | sed 's/^/       /'
  fi
done

# The frames the simulator received, from its byte log: one per line, ignored ones marked.
frames() {
  python3 - "$1" <<'EOF'
import re, sys
streams = {"RX": b"", "IG": b""}
out = []
def unescape(text):
    return re.sub(rb"\\(x[0-9A-F]{2}|.)", lambda m: {b"r": b"\r", b"n": b"\n", b"\\": b"\\"}.get(
        m.group(1), bytes([int(m.group(1)[1:], 16)]) if m.group(1)[:1] == b"x" else m.group(0)),
        text)
for line in open(sys.argv[1], "rb"):
    parts = line.rstrip(b"\n").split(b" ", 2)
    if len(parts) < 3 or parts[1] not in (b"RX", b"IG"):
        continue
    tag = parts[1].decode()
    streams[tag] += unescape(parts[2])
    while b"\r" in streams[tag]:
        frame, streams[tag] = streams[tag].split(b"\r", 1)
        out.append(("" if tag == "RX" else "ignored: ") + frame.decode("latin-1"))
print("\n".join(out))
EOF
}

# run_side linux|windows NAME SIM-OPTIONS... -- DRIVER-ARGS...: the simulator in its own folder
# (COM5 there), the driver of that side against it; leaves $scratch/NAME.{out,log,status}.
run_side() {
  local side=$1 name=$2
  shift 2
  local simargs=()
  while [ "$1" != -- ]; do simargs+=("$1"); shift; done
  shift
  local dir="$scratch/$side"
  mkdir -p "$dir"
  "$lin/vendra-sim" --dir "$dir" --port 5 --network examples/demo-network.txt --speed 0 \
    --log "$scratch/$name.log" "${simargs[@]}" >"$scratch/$name.sim" 2>&1 &
  sim=$!
  for _ in $(seq 50); do [ -e "$dir/COM5" ] && break; sleep 0.1; done
  if [ "$side" = linux ]; then
    (cd "$dir" && timeout 120 "$lin/line-driver" "$@") >"$scratch/$name.out" 2>&1
  else
    timeout 120 wine "$win/bin/line-driver.exe" "$@" >"$scratch/$name.out" 2>&1
  fi
  echo $? >"$scratch/$name.status"
  kill "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
  sim=""
  tr -d '\r' <"$scratch/$name.out" >"$scratch/$name.txt"
}

echo "== the Win32 serial device against the simulator (COM5 -> $scratch/windows/COM5)"
mkdir -p "$scratch/windows"
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$scratch/windows/COM5" /f >/dev/null 2>&1
# The mapping is read when the wine server starts.
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
start_wine

run_side linux scan-linux -- 5 57600 "$root/tests/windows/short_run.def"
run_side windows scan-windows -- 5 57600 'Z:'"$root/tests/windows/short_run.def"
frames "$scratch/scan-linux.log" >"$scratch/scan-linux.frames"
frames "$scratch/scan-windows.log" >"$scratch/scan-windows.frames"
count=$(grep -c . "$scratch/scan-windows.frames")
echo "  Linux:   $(tr '\n' ' ' <"$scratch/scan-linux.txt")(status $(cat "$scratch/scan-linux.status"))"
echo "  Windows: $(tr '\n' ' ' <"$scratch/scan-windows.txt")(status $(cat "$scratch/scan-windows.status"))"
if [ "$(cat "$scratch/scan-windows.status")" = 0 ] && [ "$(cat "$scratch/scan-linux.status")" = 0 ] &&
  grep -q '^units: D3 U2 H1 X1 Q0$' "$scratch/scan-windows.txt" &&
  grep -q '^run: ended at line 6$' "$scratch/scan-windows.txt"; then
  pass "scan and program run through COM5"
else
  fail "scan and program run through COM5"
fi
if [ "$count" -gt 80 ] && cmp -s "$scratch/scan-linux.frames" "$scratch/scan-windows.frames"; then
  pass "the simulator received the same $count frames from both builds"
else
  fail "frames differ ($count from Windows, $(grep -c . "$scratch/scan-linux.frames") from Linux)"
  diff "$scratch/scan-linux.frames" "$scratch/scan-windows.frames" | head -20 | sed 's/^/       /'
fi

echo "== the simulator vanishes during the scan"
run_side linux lost-linux --vanish-after 1500 -- 5 57600
run_side windows lost-windows --vanish-after 1500 -- 5 57600
lost() { sed -n 's/^box: VDWin Comm ERROR Message: Communications Port lost ([^)]*)/&/p' "$1"; }
linux_lost=$(lost "$scratch/lost-linux.txt" | sed 's/([^)]*)/(port)/')
windows_lost=$(lost "$scratch/lost-windows.txt" | sed 's/([^)]*)/(port)/')
echo "  Linux:   $(lost "$scratch/lost-linux.txt")"
echo "  Windows: $(lost "$scratch/lost-windows.txt")"
if [ -n "$windows_lost" ] && [ "$windows_lost" = "$linux_lost" ] &&
  [ "$(lost "$scratch/lost-windows.txt" | wc -l)" = 1 ] &&
  [ "$(cat "$scratch/lost-windows.status")" != 124 ]; then
  pass "the same lost-port message, once, without a hang"
else
  fail "lost-port message (Windows status $(cat "$scratch/lost-windows.status"))"
  sed 's/^/       /' "$scratch/lost-windows.txt"
fi

echo "windows-test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
