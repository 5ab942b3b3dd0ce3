#!/usr/bin/env bash
# Runs one libFuzzer target from a copy of its seeds, for a number of seconds or of executions;
# any crash, sanitizer report, leak or time-out fails. Findings are kept in ARTIFACT_DIR.
#
# usage: run_fuzzer.sh FUZZER BUDGET ARTIFACT_DIR MAX_LEN SEED_DIR...
#   BUDGET: seconds ("60"), or executions ("runs=10000000")
#   MAX_LEN: the longest input the fuzzer makes (longer seeds are cut)
set -euo pipefail
fuzzer=$1 budget=$2 artifacts=$3 max_len=$4
shift 4

case "$budget" in
  runs=*) limit="-runs=${budget#runs=}" ;;
  *) limit="-max_total_time=$budget" ;;
esac

corpus=$(mktemp -d)
log="$corpus.log"
trap 'rm -rf "$corpus" "$log"' EXIT
for seeds in "$@"; do
  [ -d "$seeds" ] || { echo "seed folder $seeds is missing"; exit 1; }
  find "$seeds" -maxdepth 1 -type f -exec cp {} "$corpus/" \;
done
mkdir -p "$artifacts"

status=0
"$fuzzer" "$corpus" "$limit" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
# The coverage reached (the last status line), the totals, and whatever went wrong.
grep -E '^#[0-9]+[[:space:]]' "$log" | tail -n 1 || true
grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)|ERROR|SUMMARY|==[0-9]+==' "$log" || true
exit "$status"
