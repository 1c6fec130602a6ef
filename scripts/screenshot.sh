#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window after a search of 127.0.0.1 has found five simulated
# clocks and the first one has been selected. Everything stays on loopback and under a virtual
# display; the simulator and the window both end by themselves.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build/default}
output=${1:-docs/screenshot.png}
work=$(mktemp -d)
sim_pid=""
cleanup() {
    if [[ -n "$sim_pid" ]]; then kill "$sim_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

if [[ ! -f "$build_dir/build.ninja" ]]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
fi
cmake --build "$build_dir" --target horavane-screenshot horavane-sim >/dev/null

# A free port of the simulator's own choosing; it prints the one it took.
"$build_dir/sim/horavane-sim" --clocks 5 --port 0 --exit-after 120 >"$work/sim.out" &
sim_pid=$!
port=""
for _ in $(seq 50); do
    port=$(grep -o 'port [0-9]*' "$work/sim.out" | awk '{print $2}' || true)
    [[ -n "$port" ]] && break
    sleep 0.1
done
if [[ -z "$port" ]]; then
    echo "screenshot: the simulator did not start" >&2
    exit 1
fi

mkdir -p "$(dirname "$output")"
rm -f "$output"
# The password is the product's default one: a fresh workstation has no password file.
timeout 150 xvfb-run -a -s "-screen 0 1024x768x24" "$build_dir/ui/horavane-screenshot" \
    --output "$PWD/$output" --password QXNdarvelint --port "$port" --search 127.0.0.1 --select 1

if [[ ! -s "$output" ]]; then
    echo "screenshot: no picture was taken (password file changed?)" >&2
    exit 1
fi
echo "screenshot: $output"
