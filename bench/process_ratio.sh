#!/usr/bin/env bash
# tarnwick-convert against its floor as processes: a generated plan of WAYPOINTS waypoints,
# converted RUNS times, each run right after a run of tarnwick-floor on the same plan (so both
# meet the same state of the disk), and the medians of both and their ratio.
#
# usage: bench/process_ratio.sh BUILD_DIR WAYPOINTS [RUNS]
set -euo pipefail
build=$(realpath "$1") waypoints=$2 runs=${3:-21}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/tarnwick-generate-plan" "$waypoints" >"$work/plan.pln"
"$build/cli/tarnwick-convert" -o "$work" "$work/plan.pln" >/dev/null
mv "$work/FS9_plan.pln" "$work/expected.pln"

elapsed() {  # elapsed COMMAND...: nanoseconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $((end - start))
}
: >"$work/floor" && : >"$work/convert"
for run in $(seq "$runs"); do
  elapsed "$build/tools/tarnwick-floor" "$work/plan.pln" "$work/expected.pln" "$work/FS9_plan.pln" >>"$work/floor"
  if [ "$run" = 1 ] && ! cmp -s "$work/FS9_plan.pln" "$work/expected.pln"; then
    echo "the floor wrote other bytes"
    exit 1
  fi
  elapsed "$build/cli/tarnwick-convert" -o "$work" "$work/plan.pln" >>"$work/convert"
done
cmp -s "$work/FS9_plan.pln" "$work/expected.pln" || { echo "the conversion changed its output"; exit 1; }
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
floor=$(median "$work/floor") convert=$(median "$work/convert")
awk -v w="$waypoints" -v f="$floor" -v c="$convert" -v n="$runs" 'BEGIN {
  printf "%d waypoints, %d runs: floor %.3f ms, tarnwick-convert %.3f ms, ratio %.2f\n", w, n, f / 1e6, c / 1e6, c / f }'
