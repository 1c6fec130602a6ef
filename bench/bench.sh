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
  # GNU time's wall clock has 10 ms steps, too coarse for the fast commands: the shell's clock,
  # read around it, gives the wall time to the millisecond (GNU time's own start-up included).
  local start=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o "$work/time" "$@" >"$work/out" 2>"$work/err" && rc=0 || rc=$?
  local end=$EPOCHREALTIME
  out=$(cat "$work/out")
  if ! eval "$check"; then
    echo "check failed ($check), exit $rc:" >&2; head -5 "$work/out" "$work/err" >&2; exit 1
  fi
  # GNU time puts "Command exited with non-zero status N" before the figures of a command that
  # exits otherwise than 0 (plan finding drift exits 12).
  echo "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }') $(tail -n 1 "$work/time")"
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
# shellcheck disable=SC2086
median_of "check, 253 clocks" '[[ $rc == 0 && $out == "CLOCKS OK - 253 clocks"* ]]' \
  "$ctl" check $clocks "${common[@]}"
# shellcheck disable=SC2086
median_of "monitor --once --format prometheus, 253 clocks" '[[ $rc == 0 && $(grep -c "^horavane_clock_up" <<<"$out") == 253 ]]' \
  "$ctl" monitor --once --format prometheus $clocks "${common[@]}"
# The desired settings: two groups of the 253 clocks, every clock to hold the time zone the apply
# above moved it from, so that each plan finds 253 clocks drifted; and 50 groups of the 10,000, in
# line. Each align run puts the 253 right to the other of two zones, so that every run writes them
# all.
mkdir -p "$work/site253" "$work/site10k"
{
  echo "address,name,location,group"
  for host in $(seq 2 254); do echo "127.0.0.$host,Clock $host,Bench,$((host < 129 ? 1 : 2))"; done
} >"$work/site253/fleet.csv"
for zone in "UTC +1" "UTC +8"; do
  printf 'group,clock,setting,value\n1,,time-zone,%s\n1,,brightness,Normal\n2,,time-zone,%s\n' "$zone" "$zone" \
    >"$work/site253/desired-${zone#UTC +}.csv"
done
cp "$work/site253/desired-1.csv" "$work/site253/desired.csv"
cat >"$work/align.sh" <<SCRIPT
#!/usr/bin/env bash
next=\$(( \$(cat "$work/align.next") == 1 ? 8 : 1 ))
echo \$next >"$work/align.next"
exec "$writer" align --yes --fleet "$work/site253/fleet.csv" --desired "$work/site253/desired-\$next.csv" \\
  ${common[*]} ${writing[*]}
SCRIPT
chmod +x "$work/align.sh"
echo 8 >"$work/align.next"
awk 'BEGIN { print "address,name,location,group"
  for (i = 0; i < 10000; i++) printf "127.0.%d.%d,Clock %d,Bench,G%d\n", int(i / 253), 2 + i % 253, i, i % 50 }' \
  >"$work/site10k/fleet.csv"
awk 'BEGIN { print "group,clock,setting,value"
  for (g = 0; g < 50; g++) printf "G%d,,time-zone,UTC +1\nG%d,,brightness,Normal\nG%d,,time-server-1,192.168.1.10\n", g, g, g }' \
  >"$work/site10k/desired.csv"
median_of "plan, 253 clocks (all drifted)" '[[ $rc == 12 && $out == *"253 drifted (253 settings)"* ]]' \
  "$ctl" plan --fleet "$work/site253/fleet.csv" "${common[@]}"
median_of "align --yes + verify, 253 drifted clocks" '[[ $rc == 0 && $out == *"253 of 253 clocks put right"* ]]' \
  "$work/align.sh"
median_of "plan, 10,000 clocks in 50 groups" '[[ $rc == 0 && $out == "plan: 10000 clocks, 10000 in line"* ]]' \
  "$ctl" plan --fleet "$work/site10k/fleet.csv" "${site[@]}"
median_of "inventory 127.0.0.0/16, 10,000 clocks" '[[ $rc == 0 && $(wc -l <<<"$out") == 10001 ]]' \
  "$ctl" inventory 127.0.0.0/16 --csv "${site[@]}"
runs=1
median_of "search, paced (once)" '[[ $rc == 0 && $(wc -l <<<"$out") == 253 ]]' \
  "$ctl" search 127.0.0.0 "${common[@]}"
