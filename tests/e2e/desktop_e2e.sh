#!/usr/bin/env bash
# Drives the real Windows program of the release under Wine on a private Xvfb display: the
# window, the Start command with the open-file dialog (confirmed, a plan with a waypoint left
# out, cancelled, a non-FSX file, a plan in a folder the code page cannot spell) and Close; then
# both programs under the code pages 1250 and 932, which must write the same bytes, upper-cased
# by that code page; a UTF-8 plan named in Japanese, Polish and Czech gets the same bytes from
# both under 1252, 1250 and 932, each name in that code page. Saves a screenshot of each state.
# Fails when any check fails; never skips.
#
# usage: desktop_e2e.sh RELEASE_FOLDER TARNWICK_CONVERT EXAMPLES_DIR ARTIFACT_DIR
set -uo pipefail

# Absolute paths: the program runs in a folder of its own.
release=$(realpath "$1") convert_tool=$(realpath "$2") examples=$(realpath "$3")
artifacts=$(realpath -m "$4")
exe="$release/tarnwick.exe" windows_convert="$release/tarnwick-convert.exe"
readonly release exe windows_convert convert_tool examples artifacts
readonly wine=/usr/lib/wine/wine64

# Wine without a window manager maps the area inside the frame of the 800 x 600 window placed at
# (0, 0): a 4-pixel border and a 19-pixel caption. The client area lies below the menu bar
# (19 pixels) inside the 2-pixel client edge.
readonly expect_x=4 expect_y=23 expect_width=792 expect_height=573
readonly client_dx=2 client_dy=21 client_w=788 client_h=550
readonly cx=$((client_w / 2)) cy=$((client_h / 2))

# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"

for tool in "$wine" Xvfb xdotool convert import; do
  command -v "$tool" >/dev/null || die "$tool is not installed (scripts/install-dependencies installs it)"
done

work=$(mktemp -d)
# Western Windows, code page 1252, unless a step says otherwise.
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all LC_ALL=en_US.UTF-8
unset WINEPATH
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
# TABUM without its position: left out, the rest converted.
LC_ALL=C sed "/<WorldPosition>N49.* 49' 12/d" "$examples/EDDF-EDDM.pln" >"$work/plans/Lossy.pln"
"$convert_tool" --output-dir "$work/expected" "$work/plans/Route.pln" >/dev/null ||
  die "tarnwick-convert could not convert the example"
"$convert_tool" --output-dir "$work/expected" "$work/plans/Lossy.pln" >/dev/null 2>&1 ||
  die "tarnwick-convert could not convert the example without a position"
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
# The bounding box WxH+X+Y of what is painted in a band of the client area 40 pixels high,
# starting 10 pixels above the line placed at h/2 + DY: text_box SHOT DY
text_box() {
  convert "$artifacts/$1.png" -crop "${client_w}x40+$client_x+$((client_y + cy + $2 - 10))" +repage \
    -format '%@' info:
}
# Painted whole: neither the band's edges nor the client's right edge cut it.
uncut_line() {  # uncut_line SHOT DY
  local box width height x y
  box=$(text_box "$1" "$2")
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
  width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]} x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]}
  [ "$y" -gt 0 ] && [ $((y + height)) -lt 40 ] && [ "$x" -gt 0 ] && [ $((x + width)) -lt "$client_w" ]
}
text_height() { local box; box=$(text_box "$1" "$2"); box=${box#*x}; echo "${box%%+*}"; }

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

# The open-file dialog: the visible window beside the main one, whatever its title's language.
find_dialog() {
  local id
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    [ "$id" != "$window" ] && [ "$(xdotool getwindowname "$id" 2>/dev/null)" != Tarnwick ] &&
      { echo "$id"; return 0; }
  done
  return 1
}
start() {
  xdotool key --window "$window" F10 Return
  dialog=""
  for _ in $(seq 150); do dialog=$(find_dialog) && break; sleep 0.2; done
  [ -n "$dialog" ] || die "the open-file dialog did not appear"
  sleep 1
  xdotool windowfocus "$dialog" 2>/dev/null
}
dialog_closed() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$dialog" || { sleep 1.5; return 0; }
    sleep 0.1
  done
  die "the open-file dialog did not close"
}
# xdotool types a character the keyboard map lacks (Ł, ó, ź) by mapping a spare key to it for the
# moment: typed too fast, such a character may be lost, and the dialog then names no file.
choose() {
  start
  xdotool type --delay 60 "$(windows_path "$1")"
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
check "converted: nothing below the folder line" \
  test "$(non_green_pixels converted $((cx - 320)) $((cy + 130)) 600 40)" -eq 0

# Start with a plan whose waypoint TABUM has no position: converted, and the success block
# says below the folder line that a waypoint was left out.
choose "$work/plans/Lossy.pln"
shot converted-left-out
check "left out: target written beside the source" \
  cmp -s "$work/plans/FS9_Lossy.pln" "$work/expected/FS9_Lossy.pln"
check "left out: TABUM is not in the FS9 plan" test -z "$(LC_ALL=C grep TABUM "$work/plans/FS9_Lossy.pln")"
check_green_field converted-left-out
for dy in -100 -60 -20 20 60 100 140; do
  check "left out: success block line at h/2$dy" \
    has_text converted-left-out $((cx - 320)) $((cy + dy)) 300 18
done
check "left out: the new line is painted whole" uncut_line converted-left-out 140
# Both lines reach from ascender to descender: the same height means the same font.
check "left out: the new line as tall as the file line (got $(text_height converted-left-out 140), $(text_height converted-left-out -60))" \
  test "$(text_height converted-left-out 140)" = "$(text_height converted-left-out -60)"
check_attribution converted-left-out
# The names differ too: only the band below the folder line tells the two successes apart.
below_folder() {
  convert "$artifacts/$1.png" -crop "${client_w}x40+$client_x+$((client_y + cy + 130))" +repage rgb:- |
    sha256sum
}
check "left out: another band below the folder line than the plain success" \
  test "$(below_folder converted-left-out)" != "$(below_folder converted)"

# Start and cancel.
before=$(listing)
start
xdotool key Escape
dialog_closed
shot not-converted
check "cancel: nothing written" test "$(listing)" = "$before"
check "cancel: message line" has_text not-converted $((cx - 180)) $((cy - 60)) 360 18
check "cancel: success block gone" test "$(non_green_pixels not-converted $((cx - 320)) $((cy + 20)) 600 140)" -eq 0
check_green_field not-converted

# Start with an FS9 plan.
choose "$work/plans/Old.pln"
shot wrong-format
check "wrong format: nothing written" test "$(listing)" = "$before"
check "wrong format: message line" has_text wrong-format $((cx - 180)) $((cy - 60)) 360 18
band() { convert "$artifacts/$1.png" -crop "360x18+$((client_x + cx - 180))+$((client_y + cy - 60))" +repage rgb:- | sha256sum; }
check "wrong format: another message than after cancel" test "$(band wrong-format)" != "$(band not-converted)"
check_green_field wrong-format

# A plan in a folder that code page 1252 cannot spell: found, converted, and named as it is.
mkdir -p "$work/plans/Łódź"
cp "$examples/EDDF-EDDM.pln" "$work/plans/Łódź/Route.pln"
choose "$work/plans/Łódź/Route.pln"
shot converted-unicode
check "unicode folder: target written beside the source" \
  cmp -s "$work/plans/Łódź/FS9_Route.pln" "$work/expected/FS9_Route.pln"
check "unicode folder: the folder line is painted" \
  has_text converted-unicode $((cx - 320)) $((cy + 100)) 300 18
check "unicode folder: another folder line than before" \
  test "$(convert "$artifacts/converted.png" -crop "300x18+$((client_x + cx - 320))+$((client_y + cy + 100))" +repage rgb:- | sha256sum)" != \
       "$(convert "$artifacts/converted-unicode.png" -crop "300x18+$((client_x + cx - 320))+$((client_y + cy + 100))" +repage rgb:- | sha256sum)"

close_program() {
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
}
close_program
check "close: the program ended with exit code 0 (got $status)" test "$status" = 0

# The system code page: both programs upper-case the plan's bytes by it. The title holds letters
# whose case only that code page knows (łódź in 1250; fullwidth a and a katakana whose second
# byte is the code of "a" in 932).
code_page_title() {
  case "$1" in
    pl_PL.UTF-8) printf '\xb3\xf3d\x9f' ;;
    ja_JP.UTF-8) printf '\x82\x81\x83\x61x' ;;
  esac
}
code_page_upper() {
  case "$1" in
    pl_PL.UTF-8) printf '\xa3\xd3D\x8f' ;;
    ja_JP.UTF-8) printf '\x82\x60\x83\x61X' ;;
  esac
}
# A UTF-8 plan named in Japanese, Polish and Czech: each name is written in the code page's own
# letters, a letter it lacks as its base letter, a character without one as "?", and the degree
# sign as the one byte B0 in every code page.
utf8_names() {  # title, departure name, destination name, one a line
  printf '%s\n' '東京 339°' 'Łódź Lublinek' 'České Budějovice'
}
code_page_names() {
  case "$1" in
    en_US.UTF-8) printf '%s\n' '?? 339\xb0' 'L\xd3DZ LUBLINEK' 'CESK\xc9 BUDEJOVICE' ;;
    pl_PL.UTF-8) printf '%s\n' '?? 339\xb0' '\xa3\xd3D\x8f LUBLINEK' '\xc8ESK\xc9 BUD\xccJOVICE' ;;
    ja_JP.UTF-8) printf '%s\n' '\x93\x8c\x8b\x9e 339\xb0' 'LODZ LUBLINEK' 'CESKE BUDEJOVICE' ;;
  esac
}
# The example with another value of the elements `tag`, which stand alone on their lines.
with_value() {  # with_value TAG VALUE: reads the plan, writes it changed
  LC_ALL=C sed "s#<$1>[^<]*</$1>#<$1>$2</$1>#"
}
for locale in en_US.UTF-8 pl_PL.UTF-8 ja_JP.UTF-8; do
  /usr/lib/wine/wineserver -k >/dev/null 2>&1
  folder="$work/codepage-$locale"
  mkdir -p "$folder/console"
  plans=()
  if [ -n "$(code_page_title "$locale")" ]; then
    with_value Title "$(code_page_title "$locale")" <"$examples/EDDF-EDDM.pln" >"$folder/Plan.pln"
    plans+=(Plan)
  fi
  mapfile -t names < <(utf8_names)
  with_value Title "${names[0]}" <"$examples/EDDF-EDDM.pln" | with_value DepartureName "${names[1]}" |
    with_value DestinationName "${names[2]}" >"$folder/Named.pln"
  plans+=(Named)
  for plan in "${plans[@]}"; do
    LC_ALL=$locale timeout 300 "$wine" "$windows_convert" -o "$(windows_path "$folder/console")" \
      "$(windows_path "$folder/$plan.pln")" >/dev/null 2>&1
  done
  LC_ALL=$locale "$wine" "$exe" >"$work/program-$locale.log" 2>&1 &
  program_pid=$!
  window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarnwick$' | head -n 1)
  [ -n "$window" ] || die "$locale: no window captioned Tarnwick appeared"
  sleep 2
  for plan in "${plans[@]}"; do choose "$folder/$plan.pln"; done
  close_program
  check "$locale: the window's program ended with exit code 0 (got $status)" test "$status" = 0
  for plan in "${plans[@]}"; do
    check "$locale: both programs write the same bytes of $plan.pln" \
      cmp -s "$folder/FS9_$plan.pln" "$folder/console/FS9_$plan.pln"
  done
  if [ -n "$(code_page_title "$locale")" ]; then
    check "$locale: the title is upper-cased by the code page" \
      env LC_ALL=C grep -q "^title=$(code_page_upper "$locale")"$'\r'"\$" "$folder/FS9_Plan.pln"
  fi
  mapfile -t expected < <(code_page_names "$locale")
  keys=(title departure_name destination_name)
  for i in 0 1 2; do
    check "$locale: ${keys[i]} of the UTF-8 plan in the code page" \
      env LC_ALL=C grep -qxF "${keys[i]}=$(printf '%b' "${expected[i]}")"$'\r' "$folder/FS9_Named.pln"
  done
done
# Western Windows writes what every other system writes.
mkdir -p "$work/codepage-en_US.UTF-8/linux"
"$convert_tool" -o "$work/codepage-en_US.UTF-8/linux" "$work/codepage-en_US.UTF-8/Named.pln" >/dev/null
check "en_US.UTF-8: the same bytes of Named.pln as tarnwick-convert on this system" \
  cmp -s "$work/codepage-en_US.UTF-8/FS9_Named.pln" "$work/codepage-en_US.UTF-8/linux/FS9_Named.pln"

echo "screenshots: $artifacts"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
