#!/usr/bin/env bash
# Hand-made faults, one at a time: does any test notice? A developer's tool, not part of CI.
#
#   scripts/mutate.sh [-b BUILD_DIR] [-R CTEST_REGEX] [-E CTEST_REGEX] [-t TARGET]... FAULTS_FILE
#
# FAULTS_FILE holds one fault a line, `path|sed-expression` (path from the repository's top; blank
# lines and lines starting with # are skipped), e.g.
#   fleet/FleetReadings.cpp|s/return !known.empty() \&\& /return /
# For each fault the script copies the file aside, applies the expression with `sed -i` (a line
# whose expression changes nothing is reported as "unchanged" and skipped), rebuilds BUILD_DIR
# (default build/default; only the -t targets when given), runs ctest there (only the tests
# matching -R and not -E when given) and records the fault as "caught" when the build or a test fails and as
# "missed" when everything passes. The file is put back after each fault, and on any exit or
# interrupt, and touched so that the next build compiles it again; the script ends by rebuilding
# once more so the tree matches the source. It prints one line per fault and the fraction caught
# per top folder, and keeps the lines in BUILD_DIR/mutations.txt.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build/default
regex=
exclude=
targets=()
while getopts "b:R:E:t:" option; do
  case $option in
    b) build=$OPTARG ;;
    R) regex=$OPTARG ;;
    E) exclude=$OPTARG ;;
    t) targets+=(--target "$OPTARG") ;;
    *) sed -n '2,17s/^# \{0,1\}//p' "$0" >&2; exit 1 ;;
  esac
done
shift $((OPTIND - 1))
[[ $# -eq 1 && -f $1 ]] || { sed -n '2,17s/^# \{0,1\}//p' "$0" >&2; exit 1; }
faults=$1
[[ -d $build ]] || { echo "no build tree $build: configure and build it first" >&2; exit 1; }

saved=$(mktemp -d)
current=
restore() {
  if [[ -n $current ]]; then
    cp "$saved/original" "$top/$current"
    touch "$top/$current"
    current=
  fi
}
trap 'restore; rm -rf "$saved"' EXIT
trap 'restore; exit 130' INT TERM

build_tree() { cmake --build "$build" --parallel 2 "${targets[@]}" >"$saved/build.log" 2>&1; }
run_tests() {
  local filter=()
  [[ -n $regex ]] && filter=(-R "$regex")
  [[ -n $exclude ]] && filter+=(-E "$exclude")
  timeout 900 ctest --test-dir "$build" -j2 --stop-on-failure "${filter[@]}" >"$saved/test.log" 2>&1
}

build_tree || { echo "the tree does not build before any fault: see $saved/build.log" >&2; cat "$saved/build.log" >&2; exit 1; }
results=$build/mutations.txt
: >"$results"
while IFS= read -r line || [[ -n $line ]]; do
  [[ -z $line || $line == \#* ]] && continue
  path=${line%%|*}
  expression=${line#*|}
  if [[ ! -f $top/$path ]]; then
    echo "missing   $line" | tee -a "$results"
    continue
  fi
  cp "$top/$path" "$saved/original"
  current=$path
  sed -i -e "$expression" "$top/$path"
  if cmp -s "$saved/original" "$top/$path"; then
    verdict=unchanged
  elif ! build_tree; then
    verdict="caught (build)"
  elif ! run_tests; then
    verdict=caught
  else
    verdict=missed
  fi
  restore
  echo "$verdict  $line" | tee -a "$results"
done <"$faults"
build_tree || echo "warning: the restored tree did not build: see $saved/build.log" >&2

echo
echo "caught per folder (faults that changed the file):"
awk '{
  verdict = $1; rest = $0; sub(/^caught \(build\) +|^[a-z]+ +/, "", rest)
  split(rest, parts, "/"); folder = parts[1]
  if (verdict == "unchanged" || verdict == "missing") next
  total[folder]++; if (verdict == "caught") caught[folder]++
} END { for (f in total) printf "  %-10s %d of %d\n", f "/", caught[f], total[f] }' "$results" | sort
