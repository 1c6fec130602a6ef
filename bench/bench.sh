#!/usr/bin/env bash
# Times horavanectl against 253 simulated clocks (127.0.0.2 to 127.0.0.254) on loopback, with the
# product's own one-second waits, and its inventory of 127.0.0.0/16 against a second simulator of
# 10,000 clocks (127.0.0.2 to 127.0.39.134), all in one run. Run by hand, not in CI:
#   bench/bench.sh [BUILD_DIR]        (default: build/default; needs horavanectl and horavane-sim built)
# Each figure is the median of 5 runs; peak memory is the largest resident set of those runs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/default}
ctl=$build/cli/horavanectl
sim=$build/sim/horavane-sim
# Writes check the password against a store of the bench's own, which only the test build of the
# program (the shipped code plus that one seam) can be pointed at.
writer=$build/tests/cli/horavanectl-test
[[ -x $writer ]] || writer=$ctl
runs=5
[[ -x $ctl && -x $sim ]] || { echo "build horavanectl and horavane-sim in $build first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "needs GNU time (apt-get install -y time)" >&2; exit 1; }

work=$(mktemp -d)
sim_pids=()
cleanup() {
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# start_sim NAME ARGS...: a simulator on a free port; it names the port on its first line,
# "horavane-sim: N clocks on A-B port P". Sets $port.
start_sim() {
  local name=$1; shift
  "$sim" --port 0 --first-address 127.0.0.2 --exit-after 1200 "$@" >"$work/$name.out" 2>&1 &
  sim_pids+=($!)
  for _ in $(seq 100); do grep -q ' port ' "$work/$name.out" && break; sleep 0.05; done
  port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/$name.out")
  [[ -n $port ]] || { cat "$work/$name.out" >&2; exit 1; }
}
start_sim site --clocks 10000
site=(--port "$port" --own-address 127.0.0.1)
start_sim main --clocks 253
common=(--port "$port" --own-address 127.0.0.1)
# The journal of writes goes where it would for a user, on this machine's disk, but not into ours.
export XDG_STATE_HOME=$work/state
clocks=$(seq -f '127.0.0.%g' 2 254)
echo QXNdarvelint >"$work/password"
writing=(--password-file "$work/password" --password-store "$work/no-store/ZOR.dat")

# measure CHECK COMMAND...: CHECK is a shell test on $out and $rc; prints "seconds kilobytes".
measure() {
  local check=$1; shift
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>"$work/err" && rc=0 || rc=$?
  out=$(cat "$work/out")
  if ! eval "$check"; then
    echo "check failed ($check), exit $rc:" >&2; head -5 "$work/out" "$work/err" >&2; exit 1
  fi
  cat "$work/time"
}

median_of() {  # NAME CHECK COMMAND...
  local name=$1; shift
  local times=() mems=()
  for _ in $(seq $runs); do
    read -r t m < <(measure "$@")
    times+=("$t"); mems+=("$m")
  done
  local median peak
  median=$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(((runs + 1) / 2))p")
  peak=$(printf '%s\n' "${mems[@]}" | sort -g | tail -1)
  printf '| %s | %s s | %s| %s MB |\n' "$name" "$median" "$(printf '%s ' "${times[@]}")" \
    "$(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }')"
}

"$ctl" export 127.0.0.2 "${common[@]}" >"$work/settings.json"
sed -i 's/"timeZoneEntry": "[^"]*"/"timeZoneEntry": "UTC +8"/' "$work/settings.json"

echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores ($(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)), $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)."
echo
echo "| command | median | runs | peak memory |"
echo "|---|---|---|---|"
median_of "search --fast (253 found)" '[[ $rc == 0 && $(wc -l <<<"$out") == 253 ]]' \
  "$ctl" search 127.0.0.0 --fast "${common[@]}"
median_of "search --fast --wait 0.2 (253 found)" '[[ $rc == 0 && $(wc -l <<<"$out") == 253 ]]' \
  "$ctl" search 127.0.0.0 --fast --wait 0.2 "${common[@]}"
# shellcheck disable=SC2086
median_of "monitor --once, 253 clocks" '[[ $rc == 0 ]]' "$ctl" monitor --once $clocks "${common[@]}"
# shellcheck disable=SC2086
median_of "apply + verify, 253 clocks" '[[ $rc == 0 && $out == *"253 of 253 clocks verified"* ]]' \
  "$writer" apply "$work/settings.json" $clocks "${common[@]}" "${writing[@]}"
# The 253 clocks as a fleet of five groups, and two sets of desired settings: one they hold after
# the apply above (UTC +8), one every clock has drifted from.
awk 'BEGIN { print "address,name,location,group"
  for (i = 2; i <= 254; i++) printf "127.0.0.%d,Clock %d,Floor %d,floor-%d\n", i, i, i % 5, i % 5 }' >"$work/fleet.csv"
desired_file() {  # ZONE FILE
  { echo "group,clock,setting,value"
    for g in 0 1 2 3 4; do echo "floor-$g,,time-zone,$1"; echo "floor-$g,,energy-saving,22-6"; done; } >"$work/$2"
}
desired_file "UTC +8" in-line.csv
desired_file "UTC -3" drifted-a.csv
desired_file "UTC +8" drifted-b.csv
median_of "plan, 253 clocks in line" '[[ $rc == 0 ]]' \
  "$ctl" plan --fleet "$work/fleet.csv" --desired "$work/in-line.csv" "${common[@]}"
median_of "plan, 253 clocks drifted" '[[ $rc == 12 ]]' \
  "$ctl" plan --fleet "$work/fleet.csv" --desired "$work/drifted-a.csv" "${common[@]}"
# Each run puts all 253 right to the zone the previous run moved them from, so that every run finds
# every clock drifted: a shell picks the file (a few milliseconds of the figure).
echo 0 >"$work/turn"
cat >"$work/align.sh" <<ALIGN
#!/usr/bin/env bash
turn=\$(cat "$work/turn"); echo \$((1 - turn)) >"$work/turn"
files=("$work/drifted-a.csv" "$work/drifted-b.csv")
exec "$writer" align --yes --fleet "$work/fleet.csv" --desired "\${files[\$turn]}" ${common[*]} ${writing[*]}
ALIGN
chmod +x "$work/align.sh"
median_of "align --yes, 253 clocks drifted" '[[ $rc == 0 ]]' "$work/align.sh"
"$writer" apply "$work/settings.json" $clocks "${common[@]}" "${writing[@]}" >/dev/null
# shellcheck disable=SC2086
median_of "check, 253 clocks" '[[ $rc == 0 && $out == "CLOCKS OK - 253 clocks"* ]]' \
  "$ctl" check $clocks "${common[@]}"
# shellcheck disable=SC2086
median_of "monitor --once --format prometheus, 253 clocks" '[[ $rc == 0 && $(grep -c "^horavane_clock_up" <<<"$out") == 253 ]]' \
  "$ctl" monitor --once --format prometheus $clocks "${common[@]}"
# The 10,000 clocks (hosts .2 to .254 of each /24, as the simulator places them) in 50 groups of
# 200, three settings desired of each group.
awk 'BEGIN { print "address,name,location,group"
  for (i = 0; i < 10000; i++) printf "127.0.%d.%d,Clock %05d,Building %d,group-%02d\n", int(i / 253), 2 + i % 253, i, i % 50, i % 50 }' \
  >"$work/site.csv"
{ echo "group,clock,setting,value"
  for g in $(seq -w 0 49); do
    echo "group-$g,,time-format,24"; echo "group-$g,,brightness,Normal"; echo "group-$g,,energy-saving,22-6"
  done; } >"$work/site-desired.csv"
median_of "plan, 10,000 clocks in 50 groups" '[[ $rc == 0 || $rc == 12 ]]' \
  "$ctl" plan --fleet "$work/site.csv" --desired "$work/site-desired.csv" "${site[@]}"
median_of "inventory 127.0.0.0/16, 10,000 clocks" '[[ $rc == 0 && $(wc -l <<<"$out") == 10001 ]]' \
  "$ctl" inventory 127.0.0.0/16 --csv "${site[@]}"
runs=1
median_of "search, paced (once)" '[[ $rc == 0 && $(wc -l <<<"$out") == 253 ]]' \
  "$ctl" search 127.0.0.0 "${common[@]}"
