#!/bin/sh
# The shipped Nagios and Icinga 2 command definitions, loaded by the engines themselves with a
# service that uses them, and their check timeouts below the engines' own so that a check that runs
# out reports UNKNOWN itself instead of being killed.
#   check_monitoring.sh <packaging folder>
set -eu
packaging=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/horavane-monitoring.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
chmod 1777 "$scratch"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Nagios' service_check_timeout, here its default, and Icinga's command timeout, in seconds.
engine_timeout=60
for command in check_horavane_clocks check_horavane_group; do
    line=$(sed -n "/command_name *$command\$/,/}/s/^ *command_line *//p" "$packaging/horavane-nagios.cfg")
    timeout=$(echo "$line" | sed -n 's/.*--timeout \([0-9]*\).*/\1/p')
    [ -n "$timeout" ] && [ "$timeout" -lt "$engine_timeout" ] ||
        fail "$command passes no --timeout below $engine_timeout s: $line"
done
icinga_timeout=$(sed -n 's/^ *vars.horavane_timeout = \([0-9]*\)$/\1/p' "$packaging/horavane-icinga2.conf")
grep -q "^ *timeout = ${engine_timeout}s\$" "$packaging/horavane-icinga2.conf" ||
    fail "the Icinga command does not set its own timeout to ${engine_timeout}s"
[ -n "$icinga_timeout" ] && [ "$icinga_timeout" -lt "$engine_timeout" ] ||
    fail "the Icinga command passes no --timeout below ${engine_timeout} s"
grep -q '"--timeout" = { value = "$horavane_timeout$" }' "$packaging/horavane-icinga2.conf" ||
    fail "the Icinga command does not pass vars.horavane_timeout"

if command -v nagios4 >/dev/null 2>&1; then
    cat >"$scratch/nagios.cfg" <<CFG
cfg_file=$packaging/horavane-nagios.cfg
cfg_file=$scratch/objects.cfg
log_file=$scratch/nagios.log
status_file=$scratch/status.dat
check_result_path=$scratch
lock_file=$scratch/nagios.lock
temp_file=$scratch/nagios.tmp
service_check_timeout=$engine_timeout
illegal_macro_output_chars=\`~\$&|'"<>
CFG
    cat >"$scratch/objects.cfg" <<'CFG'
define timeperiod {
    timeperiod_name 24x7
    alias           always
    monday          00:00-24:00
}
define contact {
    contact_name                  admin
    host_notifications_enabled    0
    service_notifications_enabled 0
    host_notification_period      24x7
    service_notification_period   24x7
    host_notification_options     n
    service_notification_options  n
    host_notification_commands    check_horavane_clocks
    service_notification_commands check_horavane_clocks
}
define host {
    host_name             workstation
    address               127.0.0.1
    max_check_attempts    1
    check_period          24x7
    contacts              admin
    notification_interval 0
    notification_period   24x7
    check_command         check_horavane_clocks
}
define service {
    host_name             workstation
    service_description   Wards
    check_command         check_horavane_group!Wards!--warn-unsynced 3
    max_check_attempts    1
    check_interval        5
    retry_interval        1
    check_period          24x7
    contacts              admin
    notification_interval 0
    notification_period   24x7
}
CFG
    if ! nagios4 -v "$scratch/nagios.cfg" >"$scratch/nagios-check.log" 2>&1 ||
        ! grep -q '^Total Warnings: *0$' "$scratch/nagios-check.log"; then
        cat "$scratch/nagios-check.log" >&2
        fail "Nagios does not take horavane-nagios.cfg"
    fi
else
    echo "nagios4 is not installed: the Nagios definitions are not loaded"
fi

if command -v icinga2 >/dev/null 2>&1; then
    cat >"$scratch/icinga2.conf" <<CFG
include "$packaging/horavane-icinga2.conf"
object Host "workstation" {
  address = "127.0.0.1"
  check_command = "horavane_clocks"
}
object Service "wards" {
  host_name = "workstation"
  check_command = "horavane_clocks"
  vars.horavane_groups = [ "Wards" ]
  vars.horavane_warn_unsynced = 3
}
CFG
    if ! icinga2 daemon -C -c "$scratch/icinga2.conf" >"$scratch/icinga-check.log" 2>&1 ||
        grep -q 'warning/' "$scratch/icinga-check.log"; then
        cat "$scratch/icinga-check.log" >&2
        fail "Icinga 2 does not take horavane-icinga2.conf"
    fi
else
    echo "icinga2 is not installed: the Icinga definitions are not loaded"
fi
echo "monitoring definitions ok"
