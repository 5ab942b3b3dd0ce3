#!/usr/bin/env bash
# The Windows release as a user gets it: the zip unpacked alone into a fresh Wine prefix, with no
# MinGW DLL anywhere. The console program must give every corpus plan the same outcome and the
# same bytes as the Linux program, expand wildcards and folders, and convert a plan in a folder
# the code page cannot spell. Fails when any check fails; never skips.
#
# A clone of its own has no corpus beside it: the plans are then made from the example plans,
# and the script says so. Under CI (CI set) the corpus must be there.
#
# usage: release_e2e.sh PROGRAMS_FOLDER TARNWICK_CONVERT CORPUS_DIR EXAMPLES_DIR
set -uo pipefail
# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"

release=$(realpath "$1") linux_tool=$(realpath "$2") corpus=$3 examples=$(realpath "$4")
readonly wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver

[ -x "$wine" ] || die "wine64 is not installed (scripts/install-dependencies installs it)"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LC_ALL=en_US.UTF-8
unset WINEPATH WINEDLLPATH
trap '"$wineserver" -k >/dev/null 2>&1; rm -rf "$work"' EXIT

# The plans converted below: the corpus's, or where it is missing some made from the examples.
mkdir "$work/corpus"
if [ -d "$corpus/fsx" ]; then
  cp "$corpus"/fsx/*.pln "$work/corpus/"
  echo "converting the $(ls "$work/corpus" | wc -l) FSX plans of the corpus at $corpus"
elif [ -n "${CI:-}" ]; then
  die "no plan corpus at $corpus (CI is set, and CI tests the whole corpus)"
else
  # Two plans that convert (the second with CR line ends), so that one can be made read-only
  # while the other is still replaced, and one that is refused: the FS9 example, renamed, as a
  # pattern or a folder leaves out FS9_ names.
  cp "$examples/EDDF-EDDM.pln" "$work/corpus/"
  sed 's/\r$//' "$examples/EDDF-EDDM.pln" | tr '\n' '\r' >"$work/corpus/EDDF-EDDM CR.pln"
  cp "$examples/FS9_EDDF-EDDM.pln" "$work/corpus/Old-FS9-plan.pln"
  echo "NOTE: no plan corpus at $corpus; the plans are made from the example plans in" \
    "$examples instead (CI tests the whole corpus)"
fi

timeout 300 "$wine" wineboot -i >"$work/wineboot.log" 2>&1 || die "wineboot failed"

exe="$release/tarnwick-convert.exe"
windows_path() { echo "Z:${1//\//\\}"; }
convert() { timeout 300 "$wine" "$exe" "$@"; }
check "the release holds no DLL" test -z "$(find "$release" -iname '*.dll')"
check "the console program starts and tells its version" \
  test "$(convert --version | tr -d '\r')" = "tarnwick-convert 1.1"

# Every plan of $work/corpus, through a wildcard, against the Linux program through the shell's
# glob.
mkdir -p "$work/linux" "$work/windows" "$work/folder"
"$linux_tool" -o "$work/linux" "$work/corpus"/*.pln >"$work/linux.out" 2>"$work/linux.err"
linux_status=$?
convert -o "$(windows_path "$work/windows")" "$(windows_path "$work/corpus")\\*.pln" \
  >"$work/windows.out" 2>"$work/windows.err"
windows_status=$?
check "same exit status as the Linux program ($windows_status, $linux_status)" \
  test "$windows_status" = "$linux_status"
check "the same FS9 plans written" diff <(ls "$work/linux") <(ls "$work/windows")
for plan in "$work"/linux/*; do
  check "same bytes: $(basename "$plan")" cmp -s "$plan" "$work/windows/$(basename "$plan")"
done
# Each plan's line, told apart from the folder it lies in.
outcomes() { tr -d '\r' <"$1" | sed -E 's#[^ ]*[\\/]##g' | sort; }
check "the same line for every plan on standard output" \
  diff <(outcomes "$work/linux.out") <(outcomes "$work/windows.out")
check "the same line for every plan on standard error" \
  diff <(outcomes "$work/linux.err") <(outcomes "$work/windows.err")

# Over the plans just written: each replaced whole (ReplaceFileW), a read-only one refused and kept.
edited="$work/windows/$(ls "$work/windows" | head -n 1)"
printf 'edited by hand in FS9\r\n' >"$edited"
chmod a-w "$edited"
convert -o "$(windows_path "$work/windows")" "$(windows_path "$work/corpus")\*.pln" \
  >/dev/null 2>"$work/again.err"
check "a read-only FS9 plan is left as it was" test "$(cat "$edited")" = $'edited by hand in FS9\r'
check "and the user is told it could not be written" \
  grep -qF "$(basename "$edited") could not be written: Permission denied" "$work/again.err"
replaced=0
for plan in "$work"/linux/*; do
  [ "$(basename "$plan")" = "$(basename "$edited")" ] && continue
  cmp -s "$plan" "$work/windows/$(basename "$plan")" && replaced=$((replaced + 1))
done
check "every other plan replaced by the same bytes ($replaced)" \
  test "$replaced" = "$(($(ls "$work/linux" | wc -l) - 1))"
check "no temporary file left behind" test -z "$(find "$work/windows" -name '*.tmp')"

# A folder stands for its plans; a pattern that matches nothing is no such file.
convert -o "$(windows_path "$work/folder")" "$(windows_path "$work/corpus")" >/dev/null 2>&1
check "a folder converts the same plans as the wildcard" diff <(ls "$work/windows") <(ls "$work/folder")
pattern="$(windows_path "$work/corpus")\\*.xyz"
convert "$pattern" >"$work/none.out" 2>"$work/none.err"
status=$?
check "a pattern that matches nothing fails (status $status)" test "$status" = 1
check "and is reported as no such file" \
  test "$(tr -d '\r' <"$work/none.err")" = "tarnwick-convert: $pattern: no such file"

# Paths given with the \\?\ prefix, as long paths are: its question mark is no pattern.
long() { echo "\\\\?\\$(windows_path "$1")"; }
mkdir -p "$work/long-folder" "$work/long-pattern" "$work/long-file"
convert -o "$(long "$work/long-folder")" "$(long "$work/corpus")" >/dev/null 2>"$work/long.err"
check "a \\\\?\\ folder converts the same plans as the wildcard" \
  diff <(ls "$work/windows") <(ls "$work/long-folder")
check "into a \\\\?\\ folder, with the same bytes" \
  diff -r "$work/linux" "$work/long-folder"
convert -o "$(windows_path "$work/long-pattern")" "$(long "$work/corpus")\\*.pln" >/dev/null 2>&1
check "a pattern after the \\\\?\\ prefix still expands" \
  diff <(ls "$work/windows") <(ls "$work/long-pattern")
cp "$examples/EDDF-EDDM.pln" "$work/long-file/Route.pln"
convert "$(long "$work/long-file/Route.pln")" >"$work/long-file.out" 2>&1
check "a \\\\?\\ file is converted, not taken for a pattern" \
  cmp -s "$work/long-file/FS9_Route.pln" "$examples/FS9_EDDF-EDDM.pln"
mkdir -p "$work/device-path"
convert -o "$(windows_path "$work/device-path")" "\\\\.\\$(windows_path "$work/long-file/Route.pln")" \
  >/dev/null 2>&1
check "a \\\\.\\C:\\ file is a file, not a device" \
  cmp -s "$work/device-path/FS9_Route.pln" "$examples/FS9_EDDF-EDDM.pln"

# One folder by two spellings: its plan is written once, and the second source is refused.
mkdir -p "$work/twice"
convert -o "$(windows_path "$work/twice")" "$(windows_path "$work/long-file")" \
  "$(long "$work/long-file")" >/dev/null 2>"$work/twice.err"
status=$?
check "a second source of one FS9 plan fails the run (status $status)" test "$status" = 1
check "and is told the plan was already written" grep -q " was already written from " "$work/twice.err"

# A folder that code page 1252 cannot spell.
mkdir -p "$work/Łódź"
cp "$examples/EDDF-EDDM.pln" "$work/Łódź/Route.pln"
convert "$(windows_path "$work/Łódź/Route.pln")" >"$work/unicode.out" 2>&1
check "a plan in a folder outside the code page is converted" \
  cmp -s "$work/Łódź/FS9_Route.pln" "$examples/FS9_EDDF-EDDM.pln"

# A pattern takes the long names alone, as a shell does: Wine, as Windows, gives these files
# 8.3 names (such as ROUT~ROK.PLN and LONG~BCW.PLN) that its own matching of *.pln takes. Run
# twice, it converts the same plans, and its own FS9 plans are no sources.
mkdir -p "$work/short-names"
for name in Route.pln Route.pln_old "Longer name route.plnx"; do
  cp "$examples/EDDF-EDDM.pln" "$work/short-names/$name"
done
pattern="$(windows_path "$work/short-names")\\*.pln"
convert "$pattern" >"$work/short-names.out" 2>&1
status=$?
check "a pattern converts the plan it matches (status $status)" test "$status" = 0
check "and not those whose 8.3 names alone match" \
  test "$(ls "$work/short-names" | grep -c '^FS9_')" = 1
check "with the same bytes" cmp -s "$work/short-names/FS9_Route.pln" "$examples/FS9_EDDF-EDDM.pln"
convert "$pattern" >"$work/short-names-again.out" 2>&1
status=$?
check "the same pattern again succeeds (status $status)" test "$status" = 0
check "and converts the same plans" diff "$work/short-names.out" "$work/short-names-again.out"

# A relative name over an existing FS9 plan, from the plan's folder.
mkdir -p "$work/relative"
cp "$examples/EDDF-EDDM.pln" "$work/relative/Route.pln"
printf 'edited by hand in FS9\r\n' >"$work/relative/FS9_Route.pln"
(cd "$work/relative" && timeout 300 "$wine" "$exe" Route.pln) >"$work/relative.out" 2>&1
status=$?
check "a relative name replaces its FS9 plan (status $status)" test "$status" = 0
check "with the converted plan" cmp -s "$work/relative/FS9_Route.pln" "$examples/FS9_EDDF-EDDM.pln"

# A report that cannot be written (a full disk) stops no conversion, but fails the run with the
# reason.
mkdir -p "$work/lost-report"
cp "$examples/EDDF-EDDM.pln" "$work/lost-report/A.pln"
cp "$examples/EDDF-EDDM.pln" "$work/lost-report/B.pln"
convert "$(windows_path "$work/lost-report")" >/dev/full 2>"$work/full.err"
status=$?
check "a full standard output fails the run (status $status)" test "$status" = 1
check "and says so" grep -q "^tarnwick-convert: write error: " "$work/full.err"
check "after converting every plan" \
  test -s "$work/lost-report/FS9_A.pln" -a -s "$work/lost-report/FS9_B.pln"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
