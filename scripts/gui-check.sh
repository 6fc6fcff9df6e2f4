#!/usr/bin/env bash
# Tries both window programs as a user would, under a real window manager, and leaves screenshots:
#   1. with an editor open, OBLICZAJ in kvel and in solvanta ends with every box of the run on
#      top, holding the focus, and answered by a click on its button;
#   3. a working folder of 272 characters leaves both main windows at their sizes;
#   4. solvanta's progress window stays above the main window after a click on it, and a second
#      OBLICZAJ opens no second progress window;
#   7. the user's work is kept: Ctrl+V with an empty clipboard leaves both programs running;
#      three editors open at three places; the main window can be brought above an editor, and
#      minimising an editor leaves the main window; after "Nie można odnaleźć łańcucha" an Enter
#      changes no text; an editor on wyh.osn offers to read it again after a run; a modified editor's caption is marked, and closing the main window
#      (Alt+F4, ZAMKNIJ, Wyjście) asks "Zapisać zmiany w …?" first (Anuluj keeps the program);
#      after Alt+F4 on an editor the focus goes to the editor used before it; Escape closes a
#      help window and the waiting progress window;
#   8. on a screen of 800 x 600 solvanta's status bar (the working folder) is on the screen, and on
#      one of 1920 x 1080 an editor opens beside kvel's main window, covering nothing of it.
# It also shows the editor's close question and open dialog (the toolkit's texts in Polish), and
# reports the share of a core that an editor idle on a file of one 2 MB line takes.
#
#     bash scripts/gui-check.sh [build folder, default: build] [screenshot folder, default: a new temp folder]
#
# Needs Xvfb, openbox, xdotool, xprop, xwininfo and ImageMagick's import, which the build does not:
#     apt-get install xvfb openbox xdotool x11-utils imagemagick
# Not part of the test suite (ctest): it takes about a minute and needs those programs.
# Exit status 0 when every check passed.
set -uo pipefail
export LC_ALL=C.UTF-8
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
shots="${2:-$(mktemp -d /tmp/orvane-gui-check.XXXXXX)}"
mkdir -p "$shots"

for tool in Xvfb openbox xdotool xprop xwininfo import; do
  if ! command -v "$tool" >/dev/null; then
    echo "gui-check: $tool is missing; apt-get install xvfb openbox xdotool x11-utils imagemagick" >&2
    exit 2
  fi
done
for program in kvel solvanta PL-geoid2021.bin PL-geoid2021.model; do
  if [[ ! -e "$build/bin/$program" ]]; then
    echo "gui-check: $build/bin/$program is missing; build first (cmake --build $build)" >&2
    exit 2
  fi
done

work="$(mktemp -d /tmp/orvane-gui-work.XXXXXX)"
started=()
cleanup() {
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own, with a window manager, of the given size.
display=${ORVANE_GUI_DISPLAY:-90}
new_screen() {  # WIDTHxHEIGHT
  while [[ -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
  export DISPLAY=:$display
  Xvfb "$DISPLAY" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
  started+=($!)
  for _ in $(seq 50); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
  openbox --sm-disable >/dev/null 2>&1 &
  started+=($!)
  sleep 1
}
new_screen 1280x1024
export QT_QPA_PLATFORM=xcb

failures=0
pass() { echo "PASS  $*"; }
fail() { echo "FAIL  $*"; failures=$((failures + 1)); }
shot() { import -window root "$shots/$1.png" && echo "      screenshot $shots/$1.png"; }

# A program copied with its own orvane.ini naming `folder`: $work/<name>-bin/<program>.
install_program() {  # name program folder
  local bin="$work/$1-bin"
  mkdir -p "$bin"
  cp "$build/bin/$2" "$bin/"
  [[ "$2" == solvanta ]] && cp "$build/bin/PL-geoid2021.bin" "$build/bin/PL-geoid2021.model" "$bin/"
  printf '[General]\r\npath=%s\r\n' "$3" >"$bin/orvane.ini"
  echo "$bin/$2"
}
# Starts such a copy; sets PID.
start_program() {  # name program folder
  local path
  path=$(install_program "$1" "$2" "$3")
  "$path" >/dev/null 2>&1 &
  PID=$!
  started+=($PID)
}

# The visible window of process `pid` whose title matches `pattern` (a regular expression); waits.
window_of() {  # pid pattern [seconds]
  local id
  for _ in $(seq $((${3:-10} * 10))); do
    id=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | tail -1)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
count_windows() { xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | wc -l; }
# The client windows from bottom to top, as decimal ids.
stacking() {
  xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g' | tr ' ' '\n' | while read -r w; do
    [[ -n "$w" ]] && printf '%d\n' "$w"
  done
}
topmost() { stacking | tail -1; }
above() {  # id other: true when id is stacked above other
  local list
  list=$(stacking)
  local a b
  a=$(echo "$list" | grep -nx "$1" | cut -d: -f1)
  b=$(echo "$list" | grep -nx "$2" | cut -d: -f1)
  [[ -n "$a" && -n "$b" && "$a" -gt "$b" ]]
}
# Sets X Y WIDTH HEIGHT of a window's client area (xwininfo: xdotool adds the frame to X and Y).
geometry() {
  local info
  info=$(xwininfo -id "$1")
  X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
  HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
}
click_in() {  # window x y (client coordinates)
  geometry "$1"
  xdotool mousemove $((X + $2)) $((Y + $3)) click 1
  sleep 0.5
}
# The OK button of a message box stands at its bottom right.
click_box_button() {
  geometry "$1"
  xdotool mousemove $((X + WIDTH - 50)) $((Y + HEIGHT - 24)) click 1
  sleep 0.7
}
gone() { ! xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; }
# A visible window of `pid` other than the ones named; waits.
other_window() {  # pid known...
  local pid=$1 w
  shift
  for _ in $(seq 50); do
    for w in $(xdotool search --all --onlyvisible --pid "$pid" --name . 2>/dev/null); do
      [[ " $* " == *" $w "* ]] || { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

# Answers every box of a run (caption `caption`) by a click, checking that each is on top and
# has the focus; `tag` names the screenshots.
answer_boxes() {  # pid caption tag
  local n=0 box
  while box=$(window_of "$1" "^$2\$" 8); do
    n=$((n + 1))
    sleep 0.5
    shot "$3-box$n"
    [[ "$(topmost)" == "$box" ]] && pass "$3: box $n is on top of every window" || fail "$3: box $n is not on top"
    [[ "$(xdotool getactivewindow)" == "$box" ]] && pass "$3: box $n has the focus" || fail "$3: box $n lacks the focus"
    click_box_button "$box"
    if gone "$box"; then pass "$3: box $n answered by a click"; else fail "$3: a click did not answer box $n"; xdotool key --window "$box" Return; sleep 0.5; fi
    [[ $n -ge 12 ]] && break
  done
  [[ $n -gt 0 ]] && pass "$3: the run ended with $n box(es)" || fail "$3: no box seen"
}

# ---- 1. kvel: an editor open, OBLICZAJ, the final box ------------------------------------------
kfolder="$work/kvel"
cp -r "$root/examples/kvel" "$kfolder"
start_program kvel kvel "$kfolder"
kpid=$PID
kmain=$(window_of $kpid 'KVEL') || { fail "kvel: no main window"; exit 1; }
click_in "$kmain" 60 156                       # Panel1 "DELTAH"
keditor=$(window_of $kpid 'deltah$') && pass "kvel: the editor opened" || fail "kvel: no editor"
shot 1-kvel-editor-open
above "$keditor" "$kmain" && pass "kvel: the editor stands above its main window" || fail "kvel: editor under main window"
click_in "$kmain" 556 476                      # BitBtn1 "OBLICZAJ", not covered by the editor
answer_boxes $kpid 'Informacja' 1-kvel
shot 1-kvel-after-run

# The close question and the open dialog of the editor, in Polish.
xdotool windowactivate --sync "$keditor" 2>/dev/null
click_in "$keditor" 200 200
xdotool type --window "$keditor" "x"
geometry "$keditor"
xdotool mousemove $((X + WIDTH - 40)) $((Y + 38)) click 1   # "ZAMKNIJ" at the toolbar's right end
if question=$(window_of $kpid '^Orvane$' 5); then
  sleep 0.5
  shot 6-kvel-close-question
  [[ "$(topmost)" == "$question" ]] && pass "kvel: the close question is on top" || fail "kvel: the close question is not on top"
  xdotool key Escape                            # Cancel: the editor stays
  sleep 0.5
else
  fail "kvel: no close question"
fi
geometry "$keditor"
xdotool mousemove $((X + 66)) $((Y + 38)) click 1   # "Otwórz zbiór"
if opened=$(other_window $kpid "$kmain" "$keditor"); then
  sleep 1
  shot 6-kvel-open-dialog
  pass "kvel: the open dialog opened (see the screenshot: Polish, in the working folder)"
  xdotool key Escape
  sleep 0.5
else
  fail "kvel: no open dialog"
fi
kill $kpid 2>/dev/null

# ---- 1 and 4. solvanta: an editor open, the progress window, the boxes of the run -------------
sfolder="$work/solvanta"
cp -r "$root/examples/solvanta" "$sfolder"
start_program solvanta solvanta "$sfolder"
spid=$PID
smain=$(window_of $spid 'SOLVANTA') || { fail "solvanta: no main window"; exit 1; }
click_in "$smain" 150 200                      # RadioButton3 "PL-ETRF2000"
click_in "$smain" 84 296                       # Panel1 "BL"
seditor=$(window_of $spid '/BL$|/bl$') && pass "solvanta: the editor opened" || fail "solvanta: no editor"
shot 1-solvanta-editor-open
click_in "$smain" 496 548                      # BitBtn1 "OBLICZAJ"
if progress=$(window_of $spid '^Czytanie geoidy$' 5); then
  shot 4-solvanta-progress
  [[ "$(topmost)" == "$progress" ]] && pass "solvanta: the progress window is on top" || fail "solvanta: the progress window is not on top"
  click_in "$smain" 300 596                    # the status bar of the main window
  shot 4-solvanta-progress-after-click-on-main
  above "$progress" "$smain" && pass "solvanta: the progress window stays above the main window" \
    || fail "solvanta: the progress window went behind the main window"
  click_in "$smain" 496 548                    # OBLICZAJ again
  click_in "$smain" 496 548
  shot 4-solvanta-obliczaj-pressed-again
  count=$(count_windows $spid '^Czytanie geoidy$')
  [[ "$count" == 1 ]] && pass "solvanta: one progress window after three OBLICZAJ" || fail "solvanta: $count progress windows"
  click_in "$progress" 108 36                  # Button1 "OK"
  answer_boxes $spid 'NIVORA_2008QG' 1-solvanta
  shot 1-solvanta-after-run
else
  fail "solvanta: no progress window"
fi
kill $spid 2>/dev/null

# ---- 5. the editor idle on a file of one line of 2 MB: the share of a core it takes --------------
hfolder="$work/huge"
mkdir -p "$hfolder"
head -c 2097152 /dev/urandom | tr -c '0-9a-z.' ' ' >"$hfolder/deltah"
start_program huge kvel "$hfolder"
hpid=$PID
if hmain=$(window_of $hpid 'KVEL'); then
  click_in "$hmain" 60 156                     # Panel1 "DELTAH"
  window_of $hpid 'deltah$' >/dev/null && sleep 3
  ticks() { awk '{print $14 + $15}' "/proc/$hpid/stat"; }
  before=$(ticks)
  sleep 10
  after=$(ticks)
  shot 5-kvel-editor-huge-line
  echo "      the editor idle on one line of 2 MB: $(( (after - before) * 100 / ($(getconf CLK_TCK) * 10) )) % of a core"
fi
kill $hpid 2>/dev/null

# ---- 3. a working folder of 272 characters -----------------------------------------------------
long="$work/"
while [[ ${#long} -lt 272 ]]; do long+="Pomiary_wysokościowe_Łódź_Żółkiew/"; done
long="${long:0:271}x"
mkdir -p "$long"
cp "$root/examples/kvel/"* "$long/"
echo "      working folder of ${#long} characters"
for name in kvel solvanta; do
  start_program "$name-long" "$name" "$long"
  pid=$PID
  pattern=KVEL
  expected="793x545"
  if [[ $name == solvanta ]]; then pattern=SOLVANTA; expected="802x615"; fi
  if main=$(window_of $pid "$pattern"); then
    sleep 0.5
    geometry "$main"
    shot "3-$name-long-folder"
    [[ "${WIDTH}x${HEIGHT}" == "$expected" ]] && pass "$name: the window keeps $expected with the long folder" \
      || fail "$name: the window is ${WIDTH}x${HEIGHT}, not $expected"
    [[ $((X + WIDTH)) -le 1280 ]] && pass "$name: the window stays on the screen" || fail "$name: the window leaves the screen"
  else
    fail "$name: no main window"
  fi
  kill $pid 2>/dev/null
done

# ---- 7. the user's work is kept --------------------------------------------------------------
# The clipboard is empty: no program of this display has copied anything.
editors_of() { xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null; }
title_of() { xdotool getwindowname "$1" 2>/dev/null; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
alive() { kill -0 "$1" 2>/dev/null; }
pfolder="$work/praca"
cp -r "$root/examples/kvel" "$pfolder"
start_program praca kvel "$pfolder"
ppid=$PID
if pmain=$(window_of $ppid 'KVEL'); then
  for _ in 1 2 3; do click_in "$pmain" 60 156; done   # Panel1 "DELTAH", three times
  sleep 1
  mapfile -t peds < <(editors_of $ppid 'deltah$')
  shot 7-kvel-three-editors
  places=$(for w in "${peds[@]}"; do xdotool getwindowgeometry "$w" | sed -n 's/.*Position: //p'; done | sort -u | wc -l)
  [[ ${#peds[@]} == 3 && $places == 3 ]] && pass "kvel: three editors at three places" \
    || fail "kvel: ${#peds[@]} editors at $places places"
  last=${peds[2]}
  xdotool windowactivate --sync "$last" 2>/dev/null; sleep 0.3
  xdotool key ctrl+v; sleep 1
  alive $ppid && pass "kvel: Ctrl+V with an empty clipboard leaves the program running" || fail "kvel: Ctrl+V ended the program"
  # The main window comes above an editor at a click; minimising an editor leaves it.
  click_in "$pmain" 10 530                     # the status bar, beside the editors
  above "$pmain" "$last" && pass "kvel: a click brings the main window above the editor" || fail "kvel: the main window stays under the editor"
  xdotool windowminimize "$last"; sleep 0.7
  viewable "$pmain" && pass "kvel: minimising an editor leaves the main window on the screen" || fail "kvel: minimising an editor hid the main window"
  shot 7-kvel-editor-minimised
  # Find: a text that is there, then one that is not; Enter twice after the box changes nothing.
  ed=${peds[1]}
  xdotool windowactivate --sync "$ed" 2>/dev/null; sleep 0.3
  geometry "$ed"
  xdotool mousemove $((X + 179)) $((Y + 38)) click 1; sleep 0.7   # "Szukaj ciągu znaków"
  if find=$(window_of $ppid '^Znajdź$' 3); then
    xdotool windowactivate --sync "$find" 2>/dev/null
    word=$(head -1 "$pfolder/deltah" | awk '{print $1}')
    xdotool type --delay 50 "$word"; xdotool key --delay 50 Return; sleep 0.7
    xdotool key ctrl+a; xdotool type --delay 50 "Krakow"; xdotool key --delay 50 Return; sleep 1
    shot 7-kvel-not-found
    window_of $ppid '^Informacja$' 3 >/dev/null && pass "kvel: \"Nie można odnaleźć łańcucha\" shown" || fail "kvel: no not-found box"
    xdotool key --delay 50 Return; sleep 1          # answers the box
    [[ "$(xdotool getactivewindow)" == "$find" ]] && pass "kvel: after the not-found box the find dialog has the focus" \
      || fail "kvel: after the not-found box the focus is in $(title_of "$(xdotool getactivewindow)")"
    xdotool key --delay 50 Return; sleep 1          # searches again: the box once more
    xdotool key --delay 50 Return; sleep 1
    shot 7-kvel-enter-after-not-found
    [[ "$(title_of "$ed")" != "* "* ]] && pass "kvel: Enter after the not-found box changed no text" \
      || fail "kvel: Enter after the not-found box changed the text"
    xdotool windowclose "$find" 2>/dev/null; sleep 0.5
  else
    fail "kvel: no find dialog"
  fi
  # An editor open on wyh.osn while a run writes it anew: after the run it offers to read it again.
  xdotool windowactivate --sync "$pmain" 2>/dev/null; sleep 0.3
  click_in "$pmain" 296 156                    # Panel5 "WYH.osn"
  if report=$(window_of $ppid 'wyh.osn$' 3); then
    xdotool windowactivate --sync "$pmain" 2>/dev/null; sleep 0.3
    click_in "$pmain" 556 476                  # BitBtn1 "OBLICZAJ"
    while box=$(window_of $ppid '^Informacja$' 5); do click_box_button "$box"; done
    if question=$(window_of $ppid '^Orvane$' 3); then
      shot 7-kvel-reload-offer
      pass "kvel: after the run the editor on wyh.osn offers to read it again (see the screenshot)"
      xdotool key Return; sleep 0.7            # Tak
      [[ "$(title_of "$report")" != "* "* ]] && pass "kvel: the report read again, unmodified" || fail "kvel: the report editor is marked modified"
    else
      fail "kvel: no offer to read wyh.osn again after the run"
    fi
    xdotool windowclose "$report" 2>/dev/null; sleep 0.5
  else
    fail "kvel: no editor on wyh.osn"
  fi
  # Typing marks the caption; Alt+F4 on the main window asks, Anuluj keeps the program.
  ed=${peds[0]}
  xdotool windowactivate --sync "$ed" 2>/dev/null; sleep 0.3
  click_in "$ed" 200 200
  xdotool type --delay 30 "x"; sleep 0.5
  [[ "$(title_of "$ed")" == "* "* ]] && pass "kvel: a modified editor's caption is marked ($(title_of "$ed"))" \
    || fail "kvel: the caption of a modified editor is not marked"
  xdotool windowactivate --sync "$pmain" 2>/dev/null; sleep 0.3
  xdotool key alt+F4; sleep 1
  if question=$(window_of $ppid '^Orvane$' 3); then
    shot 7-kvel-alt-f4-question
    pass "kvel: Alt+F4 on the main window asks about the unsaved editor"
    xdotool key Escape; sleep 0.7
    alive $ppid && viewable "$pmain" && pass "kvel: Anuluj keeps the program" || fail "kvel: the program ended after Anuluj"
  else
    fail "kvel: Alt+F4 ended the program without asking"
  fi
  # ZAMKNIJ of the main window asks too.
  if alive $ppid; then
    xdotool windowactivate --sync "$pmain" 2>/dev/null; sleep 0.3
    click_in "$pmain" 732 476                  # Button2 "ZAMKNIJ"
    if question=$(window_of $ppid '^Orvane$' 3); then
      pass "kvel: ZAMKNIJ of the main window asks about the unsaved editor"
      xdotool key Escape; sleep 0.7
    else
      fail "kvel: ZAMKNIJ ended the program without asking"
    fi
  fi
  # Alt+F4 on an editor: the focus goes to the editor used before it, not to the main window.
  if alive $ppid; then
    xdotool windowactivate --sync "$ed" 2>/dev/null; sleep 0.3
    xdotool windowactivate --sync "${peds[1]}" 2>/dev/null; sleep 0.3
    xdotool key alt+F4; sleep 1
    [[ "$(xdotool getactivewindow)" == "$ed" ]] && pass "kvel: after Alt+F4 on an editor the editor used before it has the focus" \
      || fail "kvel: after Alt+F4 on an editor the focus went to $(title_of "$(xdotool getactivewindow)")"
    # A help window closes at Escape.
    xdotool windowactivate --sync "$pmain" 2>/dev/null; sleep 0.3
    click_in "$pmain" 190 66                   # Image2, the INFO picture
    if help=$(window_of $ppid '^Pomoc$' 3); then
      xdotool windowactivate --sync "$help" 2>/dev/null; sleep 0.3
      xdotool key Escape; sleep 0.7
      gone "$help" && pass "kvel: Escape closes the help window" || fail "kvel: Escape left the help window open"
    else
      fail "kvel: no help window"
    fi
  fi
fi
kill $ppid 2>/dev/null

sfolder2="$work/praca-s"
cp -r "$root/examples/solvanta" "$sfolder2"
start_program praca-s solvanta "$sfolder2"
spid2=$PID
if smain2=$(window_of $spid2 'SOLVANTA'); then
  click_in "$smain2" 84 296                    # Panel1 "BL"
  if sed2=$(window_of $spid2 '/BL$|/bl$'); then
    xdotool windowactivate --sync "$sed2" 2>/dev/null; sleep 0.3
    xdotool key ctrl+v; sleep 1
    alive $spid2 && pass "solvanta: Ctrl+V with an empty clipboard leaves the program running" || fail "solvanta: Ctrl+V ended the program"
    click_in "$sed2" 200 200
    xdotool type --delay 30 "x"; sleep 0.3
    xdotool windowactivate --sync "$smain2" 2>/dev/null; sleep 0.3
    click_in "$smain2" 150 200                 # RadioButton3 "PL-ETRF2000"
    click_in "$smain2" 496 548                 # OBLICZAJ
    if progress=$(window_of $spid2 '^Czytanie geoidy$' 5); then
      xdotool windowactivate --sync "$progress" 2>/dev/null; sleep 0.3
      xdotool key Escape; sleep 0.7
      gone "$progress" && pass "solvanta: Escape closes the waiting progress window" || fail "solvanta: Escape left the progress window"
    fi
    xdotool windowactivate --sync "$smain2" 2>/dev/null; sleep 0.3
    click_in "$smain2" 724 548                 # BitBtn2 "Wyjście"
    if question=$(window_of $spid2 '^Orvane$' 3); then
      shot 7-solvanta-exit-question
      pass "solvanta: Wyjście asks about the unsaved editor"
      xdotool key Escape; sleep 0.7
      alive $spid2 && pass "solvanta: Anuluj keeps the program" || fail "solvanta: the program ended after Anuluj"
    else
      fail "solvanta: Wyjście ended the program without asking"
    fi
  else
    fail "solvanta: no editor"
  fi
fi
kill $spid2 2>/dev/null

# ---- 8. a small screen and a wide one ------------------------------------------------------------
new_screen 800x600
start_program small solvanta "$sfolder2"
spid3=$PID
if smain3=$(window_of $spid3 'SOLVANTA'); then
  sleep 1
  shot 8-solvanta-800x600
  geometry "$smain3"
  [[ $((Y + HEIGHT)) -le 600 ]] && pass "solvanta: at 800x600 the window, status bar included, ends at $((Y + HEIGHT))" \
    || fail "solvanta: at 800x600 the window ends at $((Y + HEIGHT)), below the screen"
else
  fail "solvanta: no main window at 800x600"
fi
kill $spid3 2>/dev/null
new_screen 1920x1080
start_program wide kvel "$pfolder"
wpid=$PID
if wmain=$(window_of $wpid 'KVEL'); then
  click_in "$wmain" 60 156                     # Panel1 "DELTAH"
  if wed=$(window_of $wpid 'deltah$'); then
    sleep 0.5
    shot 8-kvel-1920x1080-editor-beside
    geometry "$wmain"; mainLeft=$X; mainRight=$((X + WIDTH))
    geometry "$wed"
    # Beside it: at most a quarter of the editor's width over the main window's edge.
    covered=$(( X >= mainLeft ? mainRight - X : X + WIDTH - mainLeft ))
    [[ $covered -le $((WIDTH / 4)) && $X -ge 0 && $((X + WIDTH)) -le 1920 ]] \
      && pass "kvel: at 1920x1080 the editor opens beside the main window (over $covered px of its edge)" \
      || fail "kvel: at 1920x1080 the editor at x=$X covers $covered px of the main window"
  else
    fail "kvel: no editor at 1920x1080"
  fi
else
  fail "kvel: no main window at 1920x1080"
fi
kill $wpid 2>/dev/null

echo "screenshots in $shots"
if [[ $failures -gt 0 ]]; then
  echo "gui-check: $failures check(s) failed"
  exit 1
fi
echo "gui-check: every check passed"
