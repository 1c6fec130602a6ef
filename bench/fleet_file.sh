#!/usr/bin/env bash
# A fleet file of a million rows: the time and peak memory of `check` of one clock named in it, and
# of its refusal when the last row is bad, against one simulated clock on loopback. Run by hand, not
# in CI:   bench/fleet_file.sh [BUILD_DIR]   (default: build/default; needs horavanectl, horavane-sim)
# Each figure is the median of 5 runs; peak memory is the largest resident set of those runs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/default}
ctl=$build/cli/horavanectl
sim=$build/sim/horavane-sim
runs=5
[[ -x $ctl && -x $sim ]] || { echo "build horavanectl and horavane-sim in $build first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "needs GNU time (apt-get install -y time)" >&2; exit 1; }

work=$(mktemp -d)
sim_pid=
cleanup() {
  [[ -n $sim_pid ]] && { kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT

"$sim" --port 0 --clocks 1 --first-address 127.0.0.2 --exit-after 600 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do grep -q ' port ' "$work/sim.out" && break; sleep 0.05; done
port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/sim.out")
[[ -n $port ]] || { cat "$work/sim.out" >&2; exit 1; }

# 1,000,000 rows on 10.0.0.0/8 (hosts 1 to 254 of each /24), the simulated clock among them.
awk 'BEGIN {
  print "address,name,location,group"
  print "127.0.0.2,Reception,Building 1 floor 0,front"
  n = 1
  for (b = 0; n < 1000000; b++) for (c = 0; c < 256 && n < 1000000; c++) for (d = 1; d <= 254 && n < 1000000; d++) {
    printf "10.%d.%d.%d,Clock %07d,Building %d floor %d,site-%d\n", b, c, d, n, b * 256 + c, d % 12, c % 40
    n++
  }
}' >"$work/fleet.csv"
cp "$work/fleet.csv" "$work/bad.csv"
echo "0.0.0.0,Bad,,x" >>"$work/bad.csv"
echo "fleet file: $(wc -l <"$work/fleet.csv") lines, $(du -m "$work/fleet.csv" | cut -f1) MB"

# measure NAME EXPECTED_EXIT ARGS...: median wall time and peak resident set of `horavanectl ARGS`.
measure() {
  local name=$1 expected=$2; shift 2
  local times=() peak=0
  for _ in $(seq $runs); do
    set +e
    /usr/bin/time -v -o "$work/time" "$ctl" "$@" >"$work/out" 2>&1
    local code=$?
    set -e
    [[ $code == "$expected" ]] || { echo "$name: exit $code, expected $expected" >&2; cat "$work/out" >&2; exit 1; }
    times+=("$(awk -F': ' '/Elapsed \(wall clock\)/ {split($2, t, ":"); print t[1] * 60 + t[2]}' "$work/time")")
    local rss
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time")
    ((rss > peak)) && peak=$rss
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
  printf '%-48s %6.2f s  %6d MB   %s\n' "$name" "$median" $((peak / 1024)) "$(head -c 70 "$work/out")"
}

net=(--port "$port" --own-address 127.0.0.1 --wait 0.2)
measure "check 127.0.0.2 (one clock of 1,000,000 rows)" 0 check 127.0.0.2 --fleet "$work/fleet.csv" "${net[@]}"
measure "check --group front (one clock of 1,000,000)" 0 check --group front --fleet "$work/fleet.csv" "${net[@]}"
measure "check 127.0.0.2, last row 0.0.0.0 (refused)" 3 check 127.0.0.2 --fleet "$work/bad.csv" "${net[@]}"
