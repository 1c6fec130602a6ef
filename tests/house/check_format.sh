#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what .clang-format makes of it, naming the files.
set -euo pipefail
cd "$1"
command -v clang-format >/dev/null || { echo "clang-format is not installed" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run --Werror "${files[@]}" 2>"$report"; then
  grep -o '^[^:]*:' "$report" | sort -u | sed 's/:$/ is not formatted (clang-format -i it)/' >&2
  exit 1
fi
echo "${#files[@]} files formatted"
