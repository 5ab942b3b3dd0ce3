#!/usr/bin/env bash
# tarnwick-convert over every corpus plan under valgrind: no invalid access and no leak. The
# program itself ends with 0, or with 1 where a corpus plan is not an FSX plan.
#
# usage: memcheck_corpus.sh VALGRIND TARNWICK_CONVERT CORPUS_DIR
set -uo pipefail
valgrind=$1 program=$2 corpus=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$valgrind" --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=all \
  "$program" --output-dir "$out" "$corpus"/fsx/*.pln >/dev/null 2>"$out/valgrind.log"
status=$?
grep -v '^tarnwick-convert: ' "$out/valgrind.log"
if [ "$status" -ne 0 ] && [ "$status" -ne 1 ]; then
  echo "FAILED: exit status $status (99: valgrind found errors)"
  exit 1
fi
echo "valgrind: no errors over $(ls "$corpus"/fsx/*.pln | wc -l) plans"
