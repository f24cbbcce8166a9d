#!/usr/bin/env bash
# Runs the Windows build (build/windows, made by `make windows`) under wine, against the Linux
# build of the simulator (build/bin):
#  1. every cross-built test program, the windows' QtTest programs on the offscreen platform;
#  2. vendra-def.exe on every example, whose output must be the Linux build's, byte for byte;
#  3. the COM ports mapped in the prefix in vendra-run.exe --list-devices; a network scan and a
#     short program through the Win32 serial device, on COM5 mapped to the
#     simulator's link in a throwaway wine prefix: the frames the simulator received must be the
#     frames the Linux build sends to the same simulated network;
#  4. a simulator that vanishes during the scan: the same "Communications Port lost" message as
#     on Linux, and no hang;
#  5. vendra-run.exe on COM5: the same frames, messages and summary as vendra-run on Linux for the
#     short program, status 3 for a missing program, and on a console (a pseudo-terminal) typed
#     answers and Ctrl-C as on Linux;
#  6. vendra.exe, the window, on a wine desktop on Xvfb, and the Linux window: the start-up boxes
#     answered, the short program loaded, shown in the editor and run, a line typed in the terminal
#     and its answer shown; the scan's, the run's and the line's frames the Linux window's
#     (screenshots of both are kept in build/windows-test/).
# Ends with "windows-test: N passed, M failed"; exit status 1 when anything failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win="$root/build/windows"
lin="$root/build/bin"
cd "$root"

for f in "$win/windows-tests.txt" "$win/windows-qttests.txt" "$win/bin/line-driver.exe" "$win/bin/vendra-def.exe" \
  "$win/bin/vendra-run.exe" "$win/bin/vendra.exe" "$lin/vendra-sim" "$lin/vendra-def" \
  "$lin/line-driver" "$lin/vendra-run" "$lin/vendra"; do
  [ -e "$f" ] || { echo "windows-test: $f is missing (make windows-test builds it)"; exit 1; }
done

scratch=$(mktemp -d /tmp/vendra-windows-test.XXXXXX)
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim=""
xvfb=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
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

# The windows' QtTest programs on the offscreen platform. Wine does not hand QT_* variables to
# the program: the platform is given as an argument; the results go to a file (QtTest's own
# output does not reach the terminal under wine).
echo "== the windows' cross-built QtTest programs (offscreen)"
while IFS= read -r t; do
  [ -n "$t" ] || continue
  if timeout 600 wine "$win/bin/$t.exe" -platform offscreen -o "$scratch/$t.txt,txt" \
    >/dev/null 2>&1; then
    pass "$t ($(grep -o 'Totals: [0-9]* passed, [0-9]* failed' "$scratch/$t.txt"))"
  else
    fail "$t"
    sed 's/^/       /' "$scratch/$t.txt" 2>/dev/null | grep -v '^       PASS' | tail -40
  fi
done <"$win/windows-qttests.txt"

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

# run_side linux|windows NAME SIM-OPTIONS... -- COMMAND...: the simulator in its own folder
# (COM5 there), the command run in that folder against it; leaves $scratch/NAME.{out,err,log,status},
# NAME.txt (the output without CRs) and NAME.frames.
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
  (cd "$dir" && timeout 120 "$@") </dev/null >"$scratch/$name.out" 2>"$scratch/$name.err"
  echo $? >"$scratch/$name.status"
  kill "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
  sim=""
  tr -d '\r' <"$scratch/$name.out" >"$scratch/$name.txt"
  frames "$scratch/$name.log" >"$scratch/$name.frames"
}
status_of() { cat "$scratch/$1.status"; }

echo "== the Win32 serial device against the simulator (COM5 -> $scratch/windows/COM5)"
mkdir -p "$scratch/windows"
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$scratch/windows/COM5" /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$scratch/windows/COM7" /f >/dev/null 2>&1
# The mapping is read when the wine server starts.
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
start_wine

# The system's list of COM ports holds the mapped ones.
# (Into a file: a pipe would stay open in the wine services the first program starts.)
timeout 120 wine "$win/bin/vendra-run.exe" --list-devices >"$scratch/list.out" 2>&1
listed=$(tr -d '\r' <"$scratch/list.out")
if grep -q '^COM5  *COM5 ' <<<"$listed" && grep -q '^COM7  *COM7 ' <<<"$listed"; then
  pass "vendra-run.exe --list-devices lists the mapped COM5 and COM7"
else
  fail "vendra-run.exe --list-devices"
  sed 's/^/       /' <<<"$listed"
fi

run_side linux scan-linux -- "$lin/line-driver" 5 57600 "$root/tests/windows/short_run.def"
run_side windows scan-windows -- wine "$win/bin/line-driver.exe" 5 57600 \
  'Z:'"$root/tests/windows/short_run.def"
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
run_side linux lost-linux --vanish-after 1500 -- "$lin/line-driver" 5 57600
run_side windows lost-windows --vanish-after 1500 -- wine "$win/bin/line-driver.exe" 5 57600
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

echo "== vendra-run.exe runs the short program on COM5 as vendra-run does on Linux"
short="$root/tests/windows/short_run.def"
run_side linux run-linux -- "$lin/vendra-run" --port 5 --json "$short"
run_side windows run-windows -- wine "$win/bin/vendra-run.exe" --port 5 --json "Z:$short"
# The summary without the program's path and the times, which differ from run to run.
summary() {
  python3 -c 'import json, sys
s = json.loads(open(sys.argv[1]).read())
print(" ".join("%s=%s" % (k, s[k]) for k in ("end_reason", "exit_status", "end_line",
      "lines_executed", "frames_sent", "replies", "moves")))' "$1" 2>&1 | tail -1
}
count=$(grep -c . "$scratch/run-windows.frames")
echo "  Linux:   status $(status_of run-linux), $(summary "$scratch/run-linux.txt")"
echo "  Windows: status $(status_of run-windows), $(summary "$scratch/run-windows.txt")"
if [ "$(status_of run-windows)" = 0 ] && [ "$(status_of run-linux)" = 0 ] &&
  [ "$(summary "$scratch/run-windows.txt")" = "$(summary "$scratch/run-linux.txt")" ] &&
  grep -q '"end_reason": "end_program"' "$scratch/run-windows.txt"; then
  pass "vendra-run.exe ran the program to end_program, status 0, the Linux summary"
else
  fail "vendra-run.exe run (status $(status_of run-windows))"
  sed 's/^/       /' "$scratch/run-windows.err" "$scratch/run-windows.txt"
fi
if [ "$count" -gt 80 ] && cmp -s "$scratch/run-linux.frames" "$scratch/run-windows.frames"; then
  pass "the simulator received the same $count frames from both vendra-runs"
else
  fail "frames differ ($count from Windows, $(grep -c . "$scratch/run-linux.frames") from Linux)"
  diff "$scratch/run-linux.frames" "$scratch/run-windows.frames" | head -20 | sed 's/^/       /'
fi
if cmp -s "$scratch/run-linux.err" "$scratch/run-windows.err"; then
  pass "the same messages on stderr, byte for byte ($(grep -c . "$scratch/run-windows.err") lines)"
else
  fail "messages differ"
  diff "$scratch/run-linux.err" "$scratch/run-windows.err" | head -20 | sed 's/^/       /'
fi

echo "== vendra-run.exe with a program that is not there"
missing="$root/tests/windows/no-such-program.def"
(cd "$scratch" && timeout 120 "$lin/vendra-run" --port 5 "$missing") </dev/null >/dev/null \
  2>"$scratch/missing-linux.err"
linux_status=$?
(cd "$scratch" && timeout 120 wine "$win/bin/vendra-run.exe" --port 5 "Z:$missing") </dev/null \
  >/dev/null 2>"$scratch/missing-windows.err"
win_status=$?
echo "  Windows: $(tail -1 "$scratch/missing-windows.err") (status $win_status)"
if [ $win_status = 3 ] && [ $linux_status = 3 ] &&
  [ "$(sed 's|Z:/|/|' "$scratch/missing-windows.err")" = "$(cat "$scratch/missing-linux.err")" ]; then
  pass "status 3 and the Linux message"
else
  fail "missing program (status $linux_status on Linux, $win_status on Windows)"
  diff "$scratch/missing-linux.err" "$scratch/missing-windows.err" | sed 's/^/       /'
fi

# typed.py COMMAND...: runs the command on a pseudo-terminal (a console under wine) and types on
# it: a slip at the first question, "yes" when it is asked again, Ctrl-C at the second; prints
# what the terminal showed (escapes removed) and "status N" ("status hung" after 60 s).
cat >"$scratch/typed.py" <<'EOF'
import os, pty, re, select, signal, sys, time
pid, fd = pty.fork()
if pid == 0:
    os.execvp(sys.argv[1], sys.argv[1:])
shown, status = b"", None
def plain():
    # Wine's console draws a character at a time between cursor hides and shows, and a blank as
    # "erase, cursor right".
    text = re.sub(rb"\x1b\[\?25[lh]", b"", shown)
    text = re.sub(rb"\x1b\[K\x1b\[(\d*)C", lambda m: b" " * int(m.group(1) or 1), text)
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", text).replace(b"\r", b"")
def read_until(done, seconds):
    global shown, status
    end = time.time() + seconds
    while time.time() < end and not done():
        if select.select([fd], [], [], 0.05)[0]:
            try:
                shown += os.read(fd, 4096)
            except OSError:
                pass
        if status is None:
            got, code = os.waitpid(pid, os.WNOHANG)
            if got:
                status = os.waitstatus_to_exitcode(code)
    return done()
for wanted, count, keys in ((b"[yes/no]?", 1, b"maybe\r"), (b"[yes/no]?", 2, b"yes\r"),
                            (b"[ok/cancel]?", 1, b"\x03")):
    if not read_until(lambda: plain().count(wanted) >= count, 60):
        break
    time.sleep(0.3)
    os.write(fd, keys)
read_until(lambda: status is not None, 60)
if status is None:
    os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
sys.stdout.write(plain().decode("latin-1"))
print("\nstatus %s" % ("hung" if status is None else status))
EOF

echo "== vendra-run.exe on a console: a slip is asked again, Ctrl-C at a question aborts"
ask="$root/tests/windows/ask_run.def"
run_side linux typed-linux -- python3 "$scratch/typed.py" "$lin/vendra-run" --port 5 --units D3 "$ask"
run_side windows typed-windows -- python3 "$scratch/typed.py" wine "$win/bin/vendra-run.exe" \
  --port 5 --units D3 "Z:$ask"
for side in linux windows; do
  echo "  $side: $(tail -1 "$scratch/typed-$side.txt"), frames $(tr '\n' ' ' \
    <"$scratch/typed-$side.frames")"
done
if [ "$(tail -1 "$scratch/typed-windows.txt")" = "status 2" ] &&
  [ "$(tail -1 "$scratch/typed-linux.txt")" = "status 2" ] &&
  grep -q 'Move? -> yes' "$scratch/typed-windows.txt" &&
  [ "$(grep -o 'the run was aborted at line [0-9]*' "$scratch/typed-windows.txt")" = \
    "$(grep -o 'the run was aborted at line [0-9]*' "$scratch/typed-linux.txt")" ] &&
  [ "$(tr '\n' ' ' <"$scratch/typed-windows.frames")" = "D3A5 GG! " ] &&
  cmp -s "$scratch/typed-linux.frames" "$scratch/typed-windows.frames"; then
  pass "typed answers and Ctrl-C: status 2, the frames D3A5 and GG!, as on Linux"
else
  fail "typed answers and Ctrl-C"
  sed 's/^/       /' "$scratch/typed-windows.txt" | tail -20
fi

# The window: vendra.exe on a wine desktop and the Linux vendra, one after the other on one X
# server, each started in a folder whose Config.cfg names port 5 (COM5: the simulator's link) and
# whose define folder holds the short program. Each is worked as an operator would, with keys
# where the menus allow it and clicks where nothing else reaches: the start-up boxes answered with
# Enter; once the scan is over the program loaded (File > "Load Define File", its name typed),
# shown in "Edit Define File" and run from "Run Program"; then a line that asks D3 its version
# typed in the terminal, whose answer must be shown. The frames the simulator received from both
# (scan, run, typed line) must be the same. The screens are kept in build/windows-test/
# (SIDE-main.png after the run, SIDE-editor.png, SIDE-terminal.png).
keep="$root/build/windows-test"
mkdir -p "$keep"
rm -f "$keep"/*.png  # only this run's screens
Xvfb -displayfd 1 -screen 0 1024x700x24 -nolisten tcp >"$scratch/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
display=":$(cat "$scratch/display")"
# Every X tool is bounded: a window that never takes the focus must not hang the run.
x() { DISPLAY=$display timeout 20 xdotool "$@" 2>/dev/null; }
# answer TITLE FOCUS: Enter in the box named TITLE once it is shown, sent to FOCUS (the box
# itself, or wine's desktop window, which hands keys to the box on top); status 1 after 60 s.
answer() {
  local box="" focus
  for _ in $(seq 600); do
    box=$(x search --name "$1" | tail -1)
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || return 1
  focus=$box
  [ "$2" = desktop ] && focus=$(x search --name "Wine desktop" | head -1)
  sleep 0.5
  x windowfocus --sync "$focus" key Return
}
# quiet LOG: waits until LOG has stopped growing for two seconds (at most 90 s).
quiet() {
  local last=-1 size
  for _ in $(seq 45); do
    size=$(stat -c %s "$1" 2>/dev/null || echo 0)
    [ "$size" = "$last" ] && [ "$size" -gt 0 ] && return 0
    last=$size
    sleep 2
  done
  return 1
}
# shown NAME: the id of the shown window whose name matches NAME, once there (status 1 after 30 s).
shown() {
  local id
  for _ in $(seq 300); do
    id=$(x search --onlyvisible --name "$1" | tail -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# gone NAME: waits until no shown window's name matches NAME (status 1 after 10 s).
gone() {
  for _ in $(seq 100); do
    [ -z "$(x search --onlyvisible --name "$1")" ] && return 0
    sleep 0.1
  done
  return 1
}
# geometry ID: "X Y WIDTH HEIGHT" of the window on the screen (with its frame under wine).
geometry() {
  DISPLAY=$display timeout 20 xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ {x = $NF}
    /Absolute upper-left Y/ {y = $NF} /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'
}
# shoot ID FILE: the window as the screen shows it.
shoot() {
  local gx gy gw gh
  read -r gx gy gw gh <<<"$(geometry "$1")"
  DISPLAY=$display timeout 20 import -window root "$scratch/screen.png" &&
    convert "$scratch/screen.png" -crop "$(printf '%dx%d%+d%+d' "$gw" "$gh" "$gx" "$gy")" +repage "$2"
}
# click ID X Y: a click at X,Y of the main window's client area, which has a fixed size (694x442)
# and lies under the menu bar (the menu bar's titles at Y -10); under wine the window's frame
# is as wide below it as at its sides.
click() {
  local gx gy gw gh border
  read -r gx gy gw gh <<<"$(geometry "$1")"
  border=$(((gw - 694) / 2))
  x mousemove $((gx + border + $2)) $((gy + gh - border - 442 + $3)) click 1
}
# keys SIDE ID KEY...: keys for the window ID (under wine given to the desktop window, which hands
# them to the window on top); text SIDE ID TEXT: TEXT typed there.
focus_of() {
  if [ "$1" = windows ]; then x search --name "Wine desktop" | head -1; else echo "$2"; fi
}
keys() {
  local focus
  focus=$(focus_of "$1" "$2")
  shift 2
  x windowfocus --sync "$focus" key --delay 100 "$@"
}
text() { x windowfocus --sync "$(focus_of "$1" "$2")" type --delay 50 "$3"; }
# text_lines IMAGE: how many lines of text the terminal window's memo (its largest white area)
# shows: runs of rows with dark pixels, three at least (the caret's one-pixel line is not text).
text_lines() {
  convert "$1" -colorspace gray -depth 8 pgm:- | python3 -c '
import sys
data = sys.stdin.buffer.read()
fields = data.split(maxsplit=4)
w, h, pixels = int(fields[1]), int(fields[2]), fields[4]
at = lambda x, y: pixels[y * w + x]
def white_run(values):
    best, start = (0, 0), None
    for i, v in enumerate(list(values) + [0]):
        if v >= 250 and start is None:
            start = i
        elif v < 250 and start is not None:
            best, start = max(best, (i - start, start)), None
    return best[1], best[1] + best[0]
top, bottom = white_run(at(w // 2, y) for y in range(h))
left, right = white_run(at(x, (top + bottom) // 2) for x in range(w))
lines, inked = 0, False
for y in range(top + 2, bottom - 2):
    dark = sum(1 for x in range(left + 2, right - 2) if at(x, y) < 128) >= 3
    lines += dark and not inked
    inked = dark
print(lines)'
}
# operate SIDE: the operator's work on the window, each step noted in window-SIDE.seen as it is
# done; status 1 at the first step that does not come about.
operate() {
  local side=$1 focus=box main box lines=0 log="$scratch/window-$1.log"
  note() { echo "$1" >>"$scratch/window-$side.seen"; }
  [ "$side" = windows ] && focus=desktop
  answer "Initializing System" $focus && answer "Baudrate Selection" $focus || return 1
  note "start-up boxes answered"
  quiet "$log" && main=$(shown "Def. File Loaded") || return 1
  note "scan over"
  click "$main" 16 -10 && sleep 0.5 && keys "$side" "$main" Down Return || return 1
  box=$(shown '^Load Define File$') && text "$side" "$box" short_run.def &&
    keys "$side" "$box" Return && shown 'Def. File Loaded: short_run$' >/dev/null || return 1
  note "program loaded"
  click "$main" 16 -10 && sleep 0.5 && keys "$side" "$main" Down Down Return || return 1
  box=$(shown '^VDWin Definition Editor - File: short_run$') && sleep 1 &&
    shoot "$box" "$keep/$side-editor.png" && keys "$side" "$box" Escape &&
    gone '^VDWin Definition Editor' || return 1
  note "editor shown and closed"
  click "$main" 70 16 && sleep 1 && quiet "$log" && shoot "$main" "$keep/$side-main.png" || return 1
  note "program run"
  click "$main" 16 -10 && sleep 0.5 && keys "$side" "$main" Right && sleep 0.3 &&
    keys "$side" "$main" Down Down Return || return 1
  box=$(shown '^Terminal and Network Scanning Dialog$') && text "$side" "$box" D3v0 &&
    keys "$side" "$box" Return || return 1
  for _ in $(seq 20); do
    shoot "$box" "$keep/$side-terminal.png" && lines=$(text_lines "$keep/$side-terminal.png")
    [ "$lines" = 2 ] && break
    sleep 0.5
  done
  note "terminal shows $lines lines"
  [ "$lines" = 2 ] && keys "$side" "$box" Escape && gone '^Terminal and Network' || return 1
  note "terminal closed"
}
# window_side linux|windows COMMAND...: the simulator (COM5 in $scratch/SIDE), the window started
# there and operated; leaves $scratch/window-SIDE.{frames,seen,done}.
window_side() {
  local side=$1 dir="$scratch/$1"
  shift
  mkdir -p "$dir/define"
  printf '5\r\n120\r\n200\r\n250\r\n0\r\n250\r\n60\r\n' >"$dir/Config.cfg"
  cp tests/windows/short_run.def "$dir/define/"
  "$lin/vendra-sim" --dir "$dir" --port 5 --network examples/demo-network.txt --speed 0 \
    --log "$scratch/window-$side.log" >"$scratch/window-$side.sim" 2>&1 &
  sim=$!
  for _ in $(seq 50); do [ -e "$dir/COM5" ] && break; sleep 0.1; done
  (cd "$dir" && DISPLAY=$display exec timeout 300 "$@") >"$scratch/window-$side.out" 2>&1 &
  local program=$!
  : >"$scratch/window-$side.seen"
  if operate "$side"; then
    echo 1 >"$scratch/window-$side.done"
  else
    echo 0 >"$scratch/window-$side.done"
    echo "  $side: shown windows: $(x search --onlyvisible --name . getwindowname %@ | tr '\n' '|')"
    DISPLAY=$display timeout 20 import -window root "$keep/$side-failed.png"
  fi
  kill "$program" 2>/dev/null
  [ "$side" = windows ] && { wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; start_wine; }
  wait "$program" 2>/dev/null
  kill "$sim" 2>/dev/null
  wait "$sim" 2>/dev/null
  sim=""
  rm -rf "$dir/Config.cfg" "$dir/define"
  frames "$scratch/window-$side.log" >"$scratch/window-$side.frames"
}

echo "== vendra.exe, the window: start-up, a program loaded, edited and run, the terminal, as on Linux"
started=$SECONDS
window_side linux "$lin/vendra"
window_side windows wine explorer /desktop=vendra,1024x700 "$win/bin/vendra.exe"
kill "$xvfb" 2>/dev/null
xvfb=""
for side in linux windows; do
  echo "  $side: $(tr '\n' ',' <"$scratch/window-$side.seen" | sed 's/,$//; s/,/, /g')"
done
count=$(grep -c . "$scratch/window-windows.frames")
# What the run and the terminal sent after the scan's last probe.
after_scan() { sed -n '/^QFv0$/,$p' "$1" | tail -n +2 | tr '\n' ' '; }
echo "  Linux:   $(grep -c . "$scratch/window-linux.frames") frames; Windows: $count frames," \
  "after the scan: $(after_scan "$scratch/window-windows.frames")(screens: $keep; $((SECONDS - started)) s)"
if [ "$(cat "$scratch/window-windows.done")" = 1 ] && [ "$(cat "$scratch/window-linux.done")" = 1 ]; then
  pass "both windows: the program loaded, edited and run, the terminal's line answered and shown"
else
  fail "the windows' operation (done: Linux $(cat "$scratch/window-linux.done"), Windows \
$(cat "$scratch/window-windows.done"); screens in $keep)"
fi
if [ "$count" -gt 40 ] && [ "$(after_scan "$scratch/window-windows.frames")" = "D3v0 D3A400 D3 D3v0 " ] &&
  cmp -s "$scratch/window-linux.frames" "$scratch/window-windows.frames"; then
  pass "the scan, the run and the typed line sent the same $count frames from both windows"
else
  fail "the windows' frames (after the scan: Linux $(after_scan "$scratch/window-linux.frames")\
Windows $(after_scan "$scratch/window-windows.frames"))"
  diff "$scratch/window-linux.frames" "$scratch/window-windows.frames" | head -20 | sed 's/^/       /'
fi

echo "windows-test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
