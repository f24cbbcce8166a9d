#!/usr/bin/env bash
# Starts the board simulator with the demo network on COM1 in build/demo, then the program in that
# folder. The simulator stops when the program ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/bin"
demo="$root/build/demo"
mkdir -p "$demo/define"
cp -n "$root"/examples/*.def "$demo/define/" 2>/dev/null || true
cp -n "$root"/examples/*.IEE "$demo/" 2>/dev/null || true
# A default configuration, so the demo starts without the create-file question.
[ -f "$demo/Config.cfg" ] || printf '1\r\n120\r\n200\r\n250\r\n0\r\n250\r\n60\r\n' >"$demo/Config.cfg"

"$bin/vendra-sim" --dir "$demo" --port 1 --network "$root/examples/demo-network.txt" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$demo/COM1" ] && break; sleep 0.1; done

cd "$demo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the program under a virtual X server (xvfb-run)."
  exec_cmd=(xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/vendra")
else
  exec_cmd=("$bin/vendra")
fi
"${exec_cmd[@]}"
