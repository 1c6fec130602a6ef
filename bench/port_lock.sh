#!/usr/bin/env bash
# The clock port's lock: what it adds to one exchange, and eight checks of 253 simulated clocks
# (127.0.0.2 to 127.0.0.254) started at once, each of which must report all 253 synchronised.
# Run by hand, not in CI:
#   bench/port_lock.sh [BUILD_DIR]    (default: build/default; needs horavanectl and horavane-sim built)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$here/..
build=${1:-$root/build/default}
ctl=$build/cli/horavanectl
sim=$build/sim/horavane-sim
[[ -x $ctl && -x $sim ]] || { echo "build horavanectl and horavane-sim in $build first" >&2; exit 1; }

work=$(mktemp -d)
sim_pid=
cleanup() {
  [[ -n $sim_pid ]] && { kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT

"$sim" --port 0 --first-address 127.0.0.2 --clocks 253 --exit-after 600 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do grep -q ' port ' "$work/sim.out" && break; sleep 0.05; done
port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/sim.out")
[[ -n $port ]] || { cat "$work/sim.out" >&2; exit 1; }
common=(--port "$port" --own-address 127.0.0.1)
export XDG_STATE_HOME=$work/state
clocks=$(seq -f '127.0.0.%g' 2 254)

echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)."

c++ -O2 -std=c++20 -I"$root" "$here/port_lock_time.cpp" "$root/platform/PortLock.cpp" -o "$work/port_lock_time"
"$work/port_lock_time" "$port"

# Eight checks at once: each takes the port in turn; all must see every clock.
start=$(date +%s.%N)
pids=()
for i in $(seq 8); do
  # shellcheck disable=SC2086
  "$ctl" check $clocks "${common[@]}" >"$work/check$i.out" 2>&1 &
  pids+=($!)
done
status=0
for i in $(seq 8); do
  wait "${pids[$((i - 1))]}" && rc=0 || rc=$?
  line=$(cat "$work/check$i.out")
  if [[ $rc != 0 || $line != "CLOCKS OK - 253 clocks, 253 synchronised"* ]]; then
    echo "check $i wrong (exit $rc): $line" >&2; status=1
  fi
done
end=$(date +%s.%N)
printf 'eight checks of 253 clocks at once: %s correct, all ended after %.2f s\n' \
  "$([[ $status == 0 ]] && echo all 8 || echo NOT all)" "$(echo "$end - $start" | bc)"

# monitor --once of the same clocks, timed alone: the lock is one take and one release of it.
times=()
for _ in $(seq 9); do
  s=$(date +%s%N)
  # shellcheck disable=SC2086
  "$ctl" monitor --once $clocks "${common[@]}" >/dev/null
  times+=($((($(date +%s%N) - s) / 1000)))
done
printf 'monitor --once, 253 clocks: median %s us of 9 runs\n' "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 5p)"
exit $status
