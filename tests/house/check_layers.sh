#!/usr/bin/env bash
# Fails when a folder includes from a layer above it, anything outside ui/ includes Qt, or a
# layer's file other than platform/Windows.h includes windows.h. Each layer uses only those listed for it;
# docs/ARCHITECTURE.md draws the same picture.
set -euo pipefail
cd "$1"
declare -A allowed=(
  [platform]="platform"
  [protocol]="platform protocol"
  [settings]="platform protocol settings"
  [access]="platform access"
  [dialog]="platform protocol settings access dialog"
  [fleet]="platform protocol settings fleet"
  [ui]="platform protocol settings access dialog fleet ui"
  [win]="platform protocol settings access dialog fleet win"
  [cli]="platform protocol settings access dialog fleet cli"
  [sim]="platform protocol sim"
)
status=0
while IFS= read -r file; do
  folder=${file%%/*}
  [[ -n "${allowed[$folder]:-}" ]] || continue
  while IFS= read -r included; do
    target=${included%%/*}
    [[ -n "${allowed[$target]:-}" ]] || continue
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "$file includes $included: $folder/ may not use $target/" >&2
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  if [[ $folder != ui ]] && grep -qE '^#include <Q[A-Za-z]+>' "$file"; then
    echo "$file includes Qt: only ui/ may" >&2
    status=1
  fi
  # windows.h only through platform/Windows.h, which keeps out its min and max macros.
  if [[ $file != platform/Windows.h ]] && grep -qiE '^#include <windows\.h>' "$file"; then
    echo "$file includes windows.h: take platform/Windows.h" >&2
    status=1
  fi
done < <(git ls-files '*.cpp' '*.h')
[[ $status -eq 0 ]] && echo "layers hold"
exit $status
