#!/bin/sh
# The shipped Prometheus alert rules, judged by promtool as Prometheus would load them, and run by
# promtool's rule tests twice: on the hand-written series of horavane-alerts.test.yml (clocks that
# drift, come back in line and fall silent over time), and on the series a real round of
# `horavanectl monitor --format prometheus` against the simulator gives, held for half an hour, so
# that the rules are known to fire on what the program emits and not only on what a test says it does.
#   check_alerts.sh <promtool> <packaging folder> <test file> <horavanectl> <horavane-sim>
set -eu
promtool=$1
packaging=$2
tests=$3
ctl=$4
sim=$5
scratch=$(mktemp -d "${TMPDIR:-/tmp}/horavane-alerts.XXXXXX")
sim_pid=
cleanup() {
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cp "$packaging/horavane-alerts.yml" "$tests" "$scratch/"
"$promtool" check rules "$scratch/horavane-alerts.yml" || fail "promtool check rules refuses the rules"
(cd "$scratch" && "$promtool" test rules "$(basename "$tests")") || fail "the rules' unit tests"

# Three clocks of the Wards, which should show 24 hours: Gym holds it, Hall shows 12 hours (the state
# file), Lab is silent. The simulator ends by itself; it picks a free port and says which.
printf '{"clocks": {"127.0.0.3": {"timeFormat": 12}}}\n' >"$scratch/state.json"
printf 'address,name,location,group\n127.0.0.2,Gym,Block A,Wards\n127.0.0.3,Hall,Block A,Wards\n127.0.0.4,Lab,Block C,Wards\n' \
    >"$scratch/fleet.csv"
printf 'group,clock,setting,value\nWards,,time-format,24\n' >"$scratch/desired.csv"
: >"$scratch/sim.out"
"$sim" --clocks 3 --port 0 --exit-after 30 --state-file "$scratch/state.json" --fault 127.0.0.4:silent \
    >"$scratch/sim.out" 2>"$scratch/sim.err" &
sim_pid=$!
port=
for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
    port=$(sed -n 's/.* port \([0-9][0-9]*\)$/\1/p' "$scratch/sim.out") || true
    [ -n "$port" ] && break
    sleep 0.25
done
[ -n "$port" ] || fail "the simulator did not start: $(cat "$scratch/sim.err")"
mkdir -p "$scratch/state" "$scratch/config"
XDG_STATE_HOME=$scratch/state XDG_CONFIG_HOME=$scratch/config \
    "$ctl" monitor --once --format prometheus --fleet "$scratch/fleet.csv" --desired "$scratch/desired.csv" \
    --port "$port" --own-address 127.0.0.1 --wait 0.15 --output "$scratch/horavane.prom" ||
    fail "horavanectl monitor did not write the round"
"$promtool" check metrics <"$scratch/horavane.prom" || fail "promtool check metrics refuses the round"
for sample in 'horavane_clock_in_line{address="127.0.0.2"} 1' 'horavane_clock_in_line{address="127.0.0.3"} 0' \
    'horavane_clock_drifted_settings{address="127.0.0.3"} 1' 'horavane_clock_up{address="127.0.0.4"} 0'; do
    grep -qxF "$sample" "$scratch/horavane.prom" || fail "the round lacks $sample: $(cat "$scratch/horavane.prom")"
done
! grep -q '^horavane_clock_in_line{address="127.0.0.4"}' "$scratch/horavane.prom" ||
    fail "the silent clock has an in-line sample"

# Each sample of the round as a series that holds its value for 30 one-minute rounds, with the
# labels the node exporter's scrape adds.
{
    printf 'rule_files:\n  - horavane-alerts.yml\nevaluation_interval: 1m\ntests:\n  - interval: 1m\n    input_series:\n'
    grep -v '^#' "$scratch/horavane.prom" | sed -n \
        -e "s/^\([a-z_]*\){\(.*\)} \([0-9.]*\)\$/      - series: '\1{instance=\"clockhost:9100\",job=\"node\",\2}'\n        values: '\3x30'/p" \
        -e "s/^\([a-z_]*\) \([0-9.]*\)\$/      - series: '\1{instance=\"clockhost:9100\",job=\"node\"}'\n        values: '\2x30'/p"
    cat <<'YAML'
    alert_rule_test:
      - eval_time: 20m
        alertname: HoravaneClockDrifted
        exp_alerts:
          - exp_labels:
              severity: warning
              instance: clockhost:9100
              job: node
              address: 127.0.0.3
              name: Hall
              location: Block A
              group: Wards
            exp_annotations:
              summary: Clock Hall (127.0.0.3) is out of line with its desired settings
              description: >-
                It has held 1 setting(s) otherwise than desired for 15 minutes.
                `horavanectl plan 127.0.0.3` shows which; `horavanectl align` puts them right.
      - eval_time: 20m
        alertname: HoravaneClockSilent
        exp_alerts:
          - exp_labels:
              severity: critical
              instance: clockhost:9100
              job: node
              address: 127.0.0.4
            exp_annotations:
              summary: Clock 127.0.0.4 does not answer
              description: >-
                The clock at 127.0.0.4 has answered no status query for 10 minutes, or its replies
                keep failing the checksum.
YAML
} >"$scratch/round.test.yml"
(cd "$scratch" && "$promtool" test rules round.test.yml) || {
    cat "$scratch/round.test.yml" >&2
    fail "the rules do not fire as they should on horavanectl's own round"
}
echo "alert rules ok"
