#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test. Ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
