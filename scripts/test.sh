#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test:
#   - the fuzz harnesses over their seed corpora and a fixed number of fuzzed inputs, and
#   - the Linux tests under AddressSanitizer and UBSan, both from one clang tree (the asan preset),
#   - the Windows programs cross-built with MinGW-w64, tested under Wine (in a Wine prefix of the
#     build tree, made by the run itself),
#   - last the default Linux build's tests, so that CTest's summary of those ends the output.
#
#   scripts/test.sh                 all of it; the cross-system tests need both systems built
#   scripts/test.sh --linux-only    the Linux builds and their tests
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

# Each stage says how long it took, so that CI's minutes can be accounted for.
stage_start=$SECONDS
stage_done() {
  echo "--- $1: $((SECONDS - stage_start)) s (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"
  stage_start=$SECONDS
}

# Every tree is built before any test runs: the Linux tree's cross-system tests run the Windows
# programs.
if ((linux)); then
  for preset in default asan; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --parallel 2
    stage_done "build $preset"
  done
fi
if ((windows)); then
  cmake --preset windows >/dev/null
  cmake --build --preset windows --parallel 2
  stage_done "build windows"
fi

# A failure in one stage does not hide the others' results; the exit status reports them all.
status=0
if ((linux)); then
  echo "=== Fuzz harnesses over their corpora ==="
  bash fuzz/run.sh build/asan 20000 || status=1
  stage_done "fuzz harnesses"
  echo "=== Tests under AddressSanitizer and UBSan ==="
  ctest --preset asan || status=1
  stage_done "tests under AddressSanitizer and UBSan"
fi
if ((windows)); then
  echo "=== The Windows programs' tests, under Wine ==="
  # The windows test preset runs a failed test once more: Wine 8 now and then ends a program with
  # status 1 before it has printed anything (about once in several hundred starts side by side).
  # The first failure stays in the output; a test that fails twice fails the stage.
  ctest --preset windows || status=1
  stage_done "Windows tests under Wine"
fi
if ((linux)); then
  echo "=== Tests of the default build ==="
  ctest --preset default || status=1
fi
if ((status != 0)); then
  echo "Some stage failed: see the summaries above." >&2
fi
exit "$status"
