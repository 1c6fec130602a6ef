#!/usr/bin/env bash
# Takes docs/screenshot-windows.png: the Win32 window under Wine after a search of 127.0.0.1 has
# found five clocks of the Linux simulator and the first has been selected. Everything stays on
# loopback and on a virtual display; the simulator, the window, Wine and Xvfb all end by themselves.
# Needs the default and the windows presets built (scripts/test.sh builds both).
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-docs/screenshot-windows.png}
sim=build/default/sim/horavane-sim
tool=build/windows/win/horavane-screenshot.exe
for needed in "$sim" "$tool" build/windows/wine-window-run.sh; do
  [[ -e $needed ]] || { echo "screenshot: $needed is missing: build the default and windows presets" >&2; exit 1; }
done
work=$(mktemp -d)
sim_pid=""
cleanup() {
  if [[ -n $sim_pid ]]; then kill "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

"$sim" --clocks 5 --port 0 --exit-after 150 >"$work/sim.out" &
sim_pid=$!
port=""
for _ in $(seq 50); do
  port=$(sed -n 's/.* port \([0-9]*\)$/\1/p' "$work/sim.out" 2>/dev/null || true)
  [[ -n $port ]] && break
  sleep 0.1
done
[[ -n $port ]] || { echo "screenshot: the simulator did not start" >&2; exit 1; }

# The window holds still for ten seconds after "ready": time to take the whole screen, whose black
# around the window is then cut away.
export HORAVANE_VIRTUAL_DISPLAY=1 work tool port
timeout 150 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  build/windows/wine-window-run.sh "$tool" "$port" QXNdarvelint 10 >"$work/tool.out" 2>&1 &
  for _ in $(seq 600); do
    grep -q ready "$work/tool.out" 2>/dev/null && break
    sleep 0.1
  done
  sleep 1
  import -window root "$work/screen.png"
  wait'
mkdir -p "$(dirname "$output")"
convert "$work/screen.png" -trim +repage "$output"
echo "screenshot: $output"
