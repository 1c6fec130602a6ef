#!/usr/bin/env bash
# horavanectl.exe's password prompt typed at in a console. Wine gives a program started on a
# terminal a console over that terminal, so `script` supplies a terminal and the keys written to it
# reach _getch as key presses, as they would in a Windows console. The typed password must never
# appear on the screen; Backspace edits it; the right one opens the lock (the write then finds no
# clock on port 9 and ends with status 3), a wrong one does not (status 7).
#   check_console_prompt.sh <wine-run.sh> <horavanectl.exe>
set -euo pipefail
wine_run=$1
ctl=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/horavane-prompt.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# What the console drew, without the cursor movements it draws every character with.
screen_text() {
  sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$scratch/screen" 2>/dev/null | tr -d '\r'
}

# Types `keys` once the prompt is on the screen; returns the program's status.
type_at_prompt() {
  local keys=$1 status=0
  rm -f "$scratch/keys" "$scratch/screen"
  mkfifo "$scratch/keys"
  timeout 120 script -qefc "'$wine_run' '$ctl' set 127.0.0.2 --time-zone 'UTC +8' --password-store \
'$scratch/ZOR.dat' --port 9 --own-address 127.0.0.1 --wait 0.1" "$scratch/screen" \
    <"$scratch/keys" >/dev/null 2>&1 &
  local pid=$!
  exec 7>"$scratch/keys"
  # Keys typed before the console takes the terminal over would be echoed by the terminal itself.
  for ((i = 0; i < 1200; i++)); do
    screen_text | grep -q "Password:" && break
    sleep 0.1
  done
  printf '%b' "$keys" >&7
  exec 7>&-
  wait "$pid" || status=$?
  return "$status"
}

status=0
type_at_prompt 'Wrong secret\r' || status=$?
[[ $status == 7 ]] || fail "a wrong password ended with status $status, not 7"
screen_text | grep -q "Password:" || fail "no prompt on the screen"
if screen_text | grep -q "secret"; then fail "the typed password was echoed"; fi

status=0
type_at_prompt 'QXNdarvelinx\x7ft\r' || status=$?
[[ $status == 3 ]] || fail "the default password, mended with Backspace, ended with status $status, not 3"
if screen_text | grep -q "QXNdar"; then fail "the typed password was echoed"; fi
echo "the console prompt hides the password, takes Backspace, and tells right from wrong"
