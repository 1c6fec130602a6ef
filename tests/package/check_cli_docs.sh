#!/usr/bin/env bash
# The manual pages and horavanectl's bash completion, as their users meet them: man renders each
# page without a warning; bash, with bash-completion loaded, completes commands, options and file
# arguments; and each command's options in the completion and in horavanectl(1) are those of the
# program's own --help, so that neither drifts when an option comes or goes.
#   check_cli_docs.sh HORAVANECTL COMPLETION MANUAL.1...
set -euo pipefail
ctl=$(realpath "$1")
completion=$(realpath "$2")
shift 2

# Names decided for other branches of this release and written into the completion and the manual
# page already; once the programs have them all, this list is empty.
pending=()

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

for page in "$@"; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) ||
    fail "man could not render $page"
  [[ -z $warnings ]] || fail "man warns about $page: $warnings"
done
manual=""
for page in "$@"; do
  [[ $(basename "$page") == horavanectl.1* ]] && manual=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
done
[[ -n $manual ]] || fail "no horavanectl(1) among: $*"

# COMP_WORDS as bash would split the line; prints the offers, one per line.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
complete_line() {
  (
    cd "$work"
    # shellcheck disable=SC1091
    source /usr/share/bash-completion/bash_completion
    # shellcheck disable=SC1090
    source "$completion"
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _horavanectl horavanectl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}"
  )
}
offers() { complete_line "$@" | sort -u | tr '\n' ' '; }

[[ $(offers horavanectl ch) == "check " ]] || fail "horavanectl ch<TAB> offers: $(offers horavanectl ch)"
touch "$work/settings.json" "$work/password.txt"
[[ $(offers horavanectl apply se) == "settings.json " ]] || fail "apply's FILE is not completed as a file"
[[ $(offers horavanectl set 127.0.0.2 --password-file pa) == "password.txt " ]] ||
  fail "--password-file is not completed as a file"
[[ $(offers horavanectl monitor --format p) == "prometheus " ]] || fail "--format's values are not offered"

# The commands of --help, then each command's options, both ways round.
options_of() {
  sed -n '/^OPTIONS:\|^Options:/,/^[A-Z]/p' | { grep -oE '^ +(-[a-zA-Z], ?)?--[a-z][a-z-]*' || true; } |
    { grep -oE -- '--[a-z-]+' || true; } | sort -u
}
commands=$("$ctl" --help | sed -n '/^SUBCOMMANDS:\|^Subcommands:/,/^$/p' | { grep -oE '^  [a-z]+' || true; } | tr -d ' ')
[[ -n $commands ]] || fail "no commands in horavanectl --help"
listed=$(offers horavanectl '')
for command in $commands; do
  [[ " $listed " == *" $command "* ]] || fail "the completion does not offer the command $command"
  grep -qE "^ +$command( |$)" <<<"$manual" || fail "horavanectl(1) does not describe the command $command"
  helped=$("$ctl" "$command" --help | options_of)
  completed=$(complete_line horavanectl "$command" -- | sort -u)
  for option in $helped; do
    grep -qxF -- "$option" <<<"$completed" || fail "$command $option is in --help but not in the completion"
    grep -qF -- "$option" <<<"$manual" || fail "$command $option is in --help but not in horavanectl(1)"
  done
  for option in $completed; do
    grep -qxF -- "$option" <<<"$helped" && continue
    [[ " ${pending[*]} " == *" $option "* ]] && continue
    fail "$command $option is completed but not in --help"
  done
done

((failures == 0)) || exit 1
echo "manual pages render cleanly; the completion offers every command and option of --help"
