#!/usr/bin/env bash
# qv_desktop.sh BUILD [SHOTDIR [LANG]]
# QV under Xvfb with IceWM (frames, task bar, notification area), driven with
# xdotool the way a person would, its clock sped up tenfold with faketime:
#   - a second start hands its request over: the running program shows its window;
#   - the list has the keyboard: Insert opens the editor, Escape cancels it (no error);
#   - an alert appears over another application without taking its keyboard;
#   - the alert closes unattended and the main window is still there;
#   - the close box keeps the program running in the tray, a second start
#     brings the window back, and File > Exit ends the program.
# With SHOTDIR, screenshots of the main window, the editor and the alert over
# another application go there (names end in -es for LANG es).
set -eu
build=$(cd "$1" && pwd)
shots=${2:-}; lang=${3:-en}
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install-deps.sh" --screenshots >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; [ -n "${DISPLAY:-}" ] && import -window root "$work/fail.png" 2>/dev/null && cp "$work/fail.png" "${TMPDIR:-/tmp}/qv_desktop_fail.png" && echo "screen: ${TMPDIR:-/tmp}/qv_desktop_fail.png" >&2; exit 1; }
# wait_for SECONDS COMMAND...: until the command succeeds (the window manager takes its time).
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}
visible() { xdotool search --onlyvisible --name "$1" | head -1 | grep -q .; }
window_of() { xdotool search --onlyvisible --name "$1" | head -1; }
shot() { [ -z "$shots" ] && return 0; local suffix=""; [ "$lang" = en ] || suffix="-$lang"; import -window root "$shots/$1$suffix.png"; echo "screenshot: $shots/$1$suffix.png"; }
[ -z "$shots" ] || { mkdir -p "$shots"; shots=$(cd "$shots" && pwd); }

export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb ORB_NO_DIALOGS=1
# Under AddressSanitizer: libxkbcommon-x11 hands strndup a keymap name that is not
# NUL-terminated, which strndup allows but the strict string check reports.
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
prog=$work/prog
ORB_LANG=$lang "$root/scripts/make-program-folder.sh" "$build" "$prog" >/dev/null

# A display of its own: the X server picks a free number.
exec 3>"$work/display"
Xvfb -screen 0 1024x768x24 -nolisten tcp -displayfd 3 >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
icewm >/dev/null 2>&1 &
pids+=($!)
wait_for 10 xdotool search --class icewm || true
sleep 1

cd "$prog"
# Settings for the run: no splash, alerts close themselves after one (fast)
# minute, no catch-up window; the start adds the other defaults.
qv_set() { ./qvtool settings set "$1" "$2" >/dev/null; }
qv_set Splash 0; qv_set CloseMsgs 1; qv_set DueMsgs 0
file=$prog/Personal.QVM
./qvtool add "$file" --desc "Team meeting" --date 2026-12-08 --time 10:30 --repeat 3 --text "Room 4, bring the slides" >/dev/null
./qvtool add "$file" --desc "Dentist" --date 2026-12-09 --time 09:15 --repeat 0 --text "Dr. Alvarez" >/dev/null
./qvtool add "$file" --desc "Water the plants" --date 2026-12-10 --time 18:00 --repeat 5 >/dev/null

# The clock starts at 10:29:30 and runs ten times as fast: a minute is 6 s.
faketime -f "@2026-12-08 10:29:30 x10" ./QV "$file" >"$work/qv.log" 2>&1 &
qv=$!
pids+=($qv)
wait_for 20 test -S "$XDG_RUNTIME_DIR/orbalinder/Orbalinder.socket" || fail "QV did not start: $(cat "$work/qv.log")"

# 1. The program starts in the tray; a second start shows its window.
sleep 1
visible "^Norvo Orbalinder" && fail "the main window should start in the tray"
./QV || fail "the second start was refused"
wait_for 10 visible "^Norvo Orbalinder 2.0 - Personal.QVM" || fail "a second start did not show the window"
main=$(window_of "^Norvo Orbalinder 2.0 - Personal.QVM")
xdotool windowactivate --sync "$main" 2>/dev/null || true
sleep 0.5
shot desktop-main

# 2. The list has the keyboard: Insert opens the editor, Escape cancels it without an error.
xdotool key Insert
wait_for 10 visible "^(New reminder|Nuevo aviso)$" || fail "Insert did not open the editor"
sleep 0.5
shot desktop-editor
xdotool key Escape
wait_for 10 bash -c "! xdotool search --onlyvisible --name '^(New reminder|Nuevo aviso)$' | grep -q ." || fail "Escape did not cancel the editor"
sleep 0.5
xdotool search --onlyvisible --name "^Orbalinder$" | grep -q . && fail "cancelling the editor showed a message"

# 3. Another application has the keyboard when the alert appears.
xlogo -geometry 400x300+300+200 &
pids+=($!)
wait_for 10 visible "^xlogo$" || fail "xlogo did not start"
logo=$(window_of "^xlogo$")
xdotool windowactivate --sync "$logo" 2>/dev/null || true
wait_for 10 bash -c "[ \"\$(xdotool getactivewindow)\" = $logo ]" || fail "xlogo could not take the focus"
wait_for 40 visible "^Team meeting$" || fail "the alert did not appear"
sleep 0.5
active=$(xdotool getactivewindow)
[ "$active" = "$logo" ] || fail "the alert took the focus from the other application"
shot desktop-alert-over-app
xdotool type " " # typed into the other application
sleep 0.3
visible "^Team meeting$" || fail "a key typed into another window dismissed the alert"

# 4. Unattended, the alert closes itself after its minute; the main window is still there.
wait_for 30 bash -c "! xdotool search --onlyvisible --name '^Team meeting$' | grep -q ." || fail "the alert did not close by itself"
sleep 1
visible "^Norvo Orbalinder 2.0 - Personal.QVM" || fail "the main window was lost when the alert closed unattended"

# 5. The close box hides the window to the tray; the program keeps running.
main=$(window_of "^Norvo Orbalinder 2.0 - Personal.QVM")
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key alt+F4
wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Norvo Orbalinder 2.0' | grep -q ." || fail "the close box did not hide the window"
kill -0 "$qv" 2>/dev/null || fail "the close box ended the program"
./QV || fail "the second start was refused"
wait_for 10 visible "^Norvo Orbalinder 2.0 - Personal.QVM" || fail "the window did not come back"

# 6. File > Exit ends the program.
main=$(window_of "^Norvo Orbalinder 2.0 - Personal.QVM")
xdotool windowactivate --sync "$main" 2>/dev/null || true
sleep 0.3
if [ "$lang" = es ]; then xdotool key alt+a; sleep 0.5; xdotool key s; else xdotool key alt+f; sleep 0.5; xdotool key x; fi
for _ in $(seq 50); do kill -0 "$qv" 2>/dev/null || break; sleep 0.2; done
kill -0 "$qv" 2>/dev/null && fail "File > Exit did not end the program"
echo "PASS: main window, editor, alert focus, unattended close, close to tray, second start, exit"
