# Sourced by the end-to-end scripts: counts checks, reports each failure, and ends a run that
# cannot go on. The closing line is the plain "N passed, N failed".
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}
die() {
  echo "FAILED: $*"
  echo "$passed passed, $((failed + 1)) failed"
  exit 1
}
