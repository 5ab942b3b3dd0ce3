#!/usr/bin/env bash
# Runs a Windows console program under Wine in a throw-away prefix and passes on its exit code.
set -uo pipefail
prefix=$(mktemp -d)
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1; rm -rf "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all
/usr/lib/wine/wine64 "$@"
