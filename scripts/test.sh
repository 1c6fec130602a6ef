#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test: the Linux programs, then the
# Windows programs cross-built with MinGW-w64 and tested under Wine (in a Wine prefix of the
# build tree, made by the run itself). Ends with CTest's summary.
#   scripts/test.sh                 both systems; the cross-system tests need both
#   scripts/test.sh --linux-only    the Linux build and its tests
#   scripts/test.sh --windows-only  the Windows build and its tests
set -euo pipefail
cd "$(dirname "$0")/.."

linux=1
windows=1
case "${1-}" in
  "") ;;
  --linux-only) windows=0 ;;
  --windows-only) linux=0 ;;
  *)
    echo "usage: scripts/test.sh [--linux-only | --windows-only]" >&2
    exit 1
    ;;
esac

bash scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen
# Both trees are built before any test runs: the Linux tree's cross-system tests run the Windows
# programs.
if ((linux)); then
  cmake --preset default >/dev/null
  cmake --build --preset default
fi
if ((windows)); then
  cmake --preset windows >/dev/null
  cmake --build --preset windows
fi

# A failure on one side does not hide the other's results; the exit status reports both.
status=0
if ((linux)); then
  ctest --preset default || status=1
fi
if ((windows)); then
  if ((linux)); then echo "=== The Windows programs' tests, under Wine ==="; fi
  ctest --preset windows || status=1
fi
if ((status != 0 && linux && windows)); then
  echo "Some tests failed: see the Linux and the Windows summaries above." >&2
fi
exit "$status"
