#!/usr/bin/env bash
# Lays out in FOLDER the Windows programs that the end-to-end tests drive under Wine: the release
# as unpacked, where this machine runs 32-bit code. A virtual machine without 32-bit support
# cannot start a 32-bit Windows program under any Wine; there the same sources are built as
# 64-bit programs, with the same toolchain and options, and driven instead, and this says so.
#
# usage: programs_for_this_machine.sh RELEASE_FOLDER RELEASE_BUILD SOURCE_DIR BUILD_64 FOLDER
set -euo pipefail
release=$1 release_build=$2 source=$3 build64=$4 folder=$5

rm -rf "$folder"
mkdir -p "$folder"
if [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --help >/dev/null 2>&1; then
  cp -a "$release"/. "$folder"/
  cp "$release_build/tests/platform/win32/code_page_case_rules_check.exe" \
    "$release_build/tests/platform/win32/platform_check.exe" "$folder/"
  echo "driving the 32-bit release as unpacked"
  exit 0
fi
echo "NOTE: this machine cannot run 32-bit code; the end-to-end tests drive the 64-bit build" \
  "of the same sources instead of the 32-bit release"
cmake -S "$source" --preset windows -B "$build64" >/dev/null
cmake --build "$build64" >/dev/null
cp "$release"/README.txt "$folder/"
cp "$build64/app/tarnwick.exe" "$build64/cli/tarnwick-convert.exe" \
  "$build64/tests/platform/win32/code_page_case_rules_check.exe" \
  "$build64/tests/platform/win32/platform_check.exe" "$folder/"
