#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time from a copy of its seeds; any crash, sanitizer
# report, leak or time-out fails. Findings are kept in ARTIFACT_DIR.
#
# usage: run_fuzzer.sh FUZZER SECONDS ARTIFACT_DIR SEED_DIR...
set -euo pipefail
fuzzer=$1 seconds=$2 artifacts=$3
shift 3

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for seeds in "$@"; do
  [ -d "$seeds" ] || { echo "seed folder $seeds is missing"; exit 1; }
  find "$seeds" -maxdepth 1 -type f -exec cp {} "$corpus/" \;
done
mkdir -p "$artifacts"

"$fuzzer" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" 2>&1 |
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done|#[0-9]+ +DONE)|ERROR|SUMMARY|==[0-9]+==' || true
exit "${PIPESTATUS[0]}"
