#!/usr/bin/env bash
# Drives the real Windows program under Wine on a private Xvfb display: the window, the Start
# command with the open-file dialog (confirmed, cancelled, a non-FSX file) and Close. Saves a
# screenshot of each state. Fails when any check fails; never skips.
#
# usage: desktop_e2e.sh TARNWICK_EXE TARNWICK_CONVERT EXAMPLES_DIR ARTIFACT_DIR
set -uo pipefail

# Absolute paths: the program runs in a folder of its own.
exe=$(realpath "$1") convert_tool=$(realpath "$2") examples=$(realpath "$3")
artifacts=$(realpath -m "$4")
readonly exe convert_tool examples artifacts
readonly wine=/usr/lib/wine/wine64

# Wine without a window manager maps the area inside the frame of the 800 x 600 window placed at
# (0, 0): a 4-pixel border and a 19-pixel caption. The client area lies below the menu bar
# (19 pixels) inside the 2-pixel client edge.
readonly expect_x=4 expect_y=23 expect_width=792 expect_height=573
readonly client_dx=2 client_dy=21 client_w=788 client_h=550
readonly cx=$((client_w / 2)) cy=$((client_h / 2))

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

for tool in "$wine" Xvfb xdotool convert import; do
  command -v "$tool" >/dev/null || die "$tool is not installed (scripts/install-dependencies installs it)"
done

work=$(mktemp -d)
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
xvfb_pid=""
cleanup() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, so the test never touches a user's session.
for display in $(seq 90 140); do
  [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ] || break
done
export DISPLAY=":$display"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.2; done
xdotool getmouselocation >/dev/null 2>&1 || die "Xvfb did not start on $DISPLAY"

timeout 300 "$wine" wineboot -i >"$work/wineboot.log" 2>&1 || die "wineboot failed"

mkdir -p "$work/plans" "$work/expected" "$artifacts"
cp "$examples/EDDF-EDDM.pln" "$work/plans/Route.pln"
cp "$examples/FS9_EDDF-EDDM.pln" "$work/plans/Old.pln"
"$convert_tool" --output-dir "$work/expected" "$work/plans/Route.pln" >/dev/null ||
  die "tarnwick-convert could not convert the example"
windows_path() { echo "Z:${1//\//\\}"; }
listing() { (cd "$work/plans" && sha256sum ./*); }

cd "$work/plans" || die "no work folder"
"$wine" "$exe" >"$work/program.log" 2>&1 &
program_pid=$!

window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarnwick$' | head -n 1)
[ -n "$window" ] || die "no window captioned Tarnwick appeared"
sleep 2

shot() { import -window root "$artifacts/$1.png"; }
# Pixels in client coordinates.
pixel() {
  convert "$artifacts/$1.png" -format "%[pixel:p{$((client_x + $2)),$((client_y + $3))}]" info:
}
non_green_pixels() {  # non_green_pixels SHOT X Y WIDTH HEIGHT
  convert "$artifacts/$1.png" -crop "$4x$5+$((client_x + $2))+$((client_y + $3))" +repage txt:- |
    tail -n +2 | grep -vc '#00FF00'
}
is_green() { [ "$(pixel "$1" "$2" "$3")" = "srgb(0,255,0)" ]; }
has_text() { [ "$(non_green_pixels "$@")" -gt 20 ]; }

eval "$(xdotool getwindowgeometry --shell "$window")"
check "window at the screen's top left (got $X,$Y)" test "$X,$Y" = "$expect_x,$expect_y"
check "window of the 800 x 600 frame (got ${WIDTH}x$HEIGHT)" \
  test "${WIDTH}x$HEIGHT" = "${expect_width}x$expect_height"
client_x=$((X + client_dx))
client_y=$((Y + client_dy))

check_green_field() {
  local point
  for point in "5 5" "780 5" "5 540" "300 140" "700 300" "400 470" "780 540"; do
    # shellcheck disable=SC2086
    check "$1: green at client point $point" is_green "$1" $point
  done
}
check_attribution() {
  check "$1: attribution line" has_text "$1" $((client_w - 220)) $((client_h - 40)) 200 16
}

# Intro.
shot intro
check_green_field intro
check "intro: title" has_text intro 50 50 200 28
for dy in -80 -40 0 40; do
  check "intro: description line at h/2$dy" has_text intro $((cx - 300)) $((cy + dy)) 400 18
done
check_attribution intro

start() {
  xdotool key --window "$window" F10 Return
  dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Open$' | head -n 1)
  [ -n "$dialog" ] || die "the open-file dialog did not appear"
  sleep 1
  xdotool windowfocus "$dialog" 2>/dev/null
}
dialog_closed() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Open$' >/dev/null 2>&1 || { sleep 1.5; return 0; }
    sleep 0.1
  done
  die "the open-file dialog did not close"
}
choose() {
  start
  xdotool type --delay 20 "$(windows_path "$1")"
  xdotool key Return
  dialog_closed
}

# Start, choose the FSX plan, confirm. The dialog is moved aside to show the prompt behind it.
start
xdotool windowmove "$dialog" 420 330
sleep 1.5
shot choosing
check "choosing: prompt at the top left" has_text choosing 50 50 250 18
check "choosing: intro lines gone" test "$(non_green_pixels choosing $((cx - 300)) $((cy - 80)) 300 20)" -eq 0
xdotool windowfocus "$dialog" 2>/dev/null
xdotool type --delay 20 "$(windows_path "$work/plans/Route.pln")"
xdotool key Return
dialog_closed
shot converted
check "converted: target written beside the source" test -f "$work/plans/FS9_Route.pln"
check "converted: same bytes as tarnwick-convert writes" \
  cmp -s "$work/plans/FS9_Route.pln" "$work/expected/FS9_Route.pln"
check_green_field converted
check "converted: headline" has_text converted 50 50 120 28
for dy in -100 -60 -20 20 60 100; do
  check "converted: success block line at h/2$dy" has_text converted $((cx - 320)) $((cy + dy)) 300 18
done
check_attribution converted

# Start and cancel.
before=$(listing)
start
xdotool key Escape
dialog_closed
shot not-converted
check "cancel: nothing written" test "$(listing)" = "$before"
check "cancel: message line" has_text not-converted $((cx - 180)) $((cy - 60)) 360 18
check "cancel: success block gone" test "$(non_green_pixels not-converted $((cx - 320)) $((cy + 20)) 300 100)" -eq 0
check_green_field not-converted

# Start with an FS9 plan.
choose "$work/plans/Old.pln"
shot wrong-format
check "wrong format: nothing written" test "$(listing)" = "$before"
check "wrong format: message line" has_text wrong-format $((cx - 180)) $((cy - 60)) 360 18
band() { convert "$artifacts/$1.png" -crop "360x18+$((client_x + cx - 180))+$((client_y + cy - 60))" +repage rgb:- | sha256sum; }
check "wrong format: another message than after cancel" test "$(band wrong-format)" != "$(band not-converted)"
check_green_field wrong-format

# Close.
xdotool key --window "$window" F10 Right Return
status=timeout
for _ in $(seq 100); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    wait "$program_pid"
    status=$?
    break
  fi
  sleep 0.1
done
check "close: the program ended with exit code 0 (got $status)" test "$status" = 0

echo "screenshots: $artifacts"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
