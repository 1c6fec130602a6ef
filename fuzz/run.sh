#!/usr/bin/env bash
# Runs every fuzz harness of a `fuzz` build over its seed corpus and then for a fixed number of
# fuzzed inputs: a parser that crashes on a known input, or within those runs, fails the script.
#   fuzz/run.sh [BUILD_DIR] [RUNS]        e.g. fuzz/run.sh build/fuzz 20000
# A long campaign by hand: see the README ("Fuzzing").
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
runs=${2:-20000}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for corpus in fuzz/corpus/*/; do
  harness=$(basename "$corpus")
  mkdir -p "$scratch/$harness"
  # New inputs go to the scratch folder first, so that the seeds in the repository stay as they are.
  if ! "$build/fuzz/${harness}_fuzzer" "$scratch/$harness" "$corpus" -runs="$runs" -seed=1 \
      -max_len=4096 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$scratch/" >"$scratch/$harness.log" 2>&1; then
    cat "$scratch/$harness.log" >&2
    echo "fuzz: $harness failed; the input is printed above" >&2
    exit 1
  fi
  echo "fuzz: $harness $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$scratch/$harness.log")"
done
