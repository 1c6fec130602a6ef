#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test: the fuzz harnesses over their seed
# corpora and a fixed number of fuzzed inputs, the tests under AddressSanitizer and UBSan, and last
# the default build's tests, so that CTest's summary of those ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --parallel 2
bash fuzz/run.sh build/fuzz 20000

cmake --preset asan >/dev/null
cmake --build --preset asan --parallel 2
ctest --preset asan

cmake --preset default >/dev/null
cmake --build --preset default --parallel 2
ctest --preset default
