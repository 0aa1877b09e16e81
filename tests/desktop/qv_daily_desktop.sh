#!/usr/bin/env bash
# qv_daily_desktop.sh BUILD [LANG [SHOTDIR]]
# A day of use under Xvfb with IceWM, driven with xdotool, the clock sped up
# tenfold with faketime:
#   - reminders missed while the program was off: the list of them is not
#     modal, each missed one is an alert of its own, and a reminder that falls
#     due while the list is open alerts as usual;
#   - the list's "Dismiss all" closes the missed alerts and leaves the due one;
#   - Delete asks about the chosen reminder by name; Ctrl+Z brings it back;
#   - a second file handed over keeps the first one active (the title counts
#     them); File -> Show all active files lists both with their file names.
# With SHOTDIR, screenshots go there (names end in -LANG).
set -eu
build=$(cd "$1" && pwd)
lang=${2:-en}
shots=${3:-}
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

fail() { echo "FAIL ($lang): $*" >&2; [ -n "${DISPLAY:-}" ] && import -window root "${TMPDIR:-/tmp}/qv_daily_fail-$lang.png" 2>/dev/null && echo "screen: ${TMPDIR:-/tmp}/qv_daily_fail-$lang.png" >&2; exit 1; }
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}
visible() { xdotool search --onlyvisible --name "$1" | head -1 | grep -q .; }
gone() { ! xdotool search --onlyvisible --name "$1" | grep -q .; }
window_of() { xdotool search --onlyvisible --name "$1" | head -1; }
shot() { [ -z "$shots" ] && return 0; import -window root "$shots/$1-$lang.png"; echo "screenshot: $shots/$1-$lang.png"; }
[ -z "$shots" ] || { mkdir -p "$shots"; shots=$(cd "$shots" && pwd); }
text() { grep -P "^$1\t" "$root/resources/lang/$lang.cat" | cut -f2- | tr -d '&'; }

export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb ORB_NO_DIALOGS=1
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
prog=$work/prog
ORB_LANG=$lang "$root/scripts/make-program-folder.sh" "$build" "$prog" >/dev/null

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
qv_set() { ./qvtool settings set "$1" "$2" >/dev/null; }
qv_set Splash 0; qv_set CloseMsgs 0; qv_set DueMsgs 1
file=$prog/Personal.QVM
./qvtool add "$file" --desc "Yesterday call" --date 2026-12-07 --time 08:00 --repeat 3 --text "Call back" >/dev/null
./qvtool add "$file" --desc "Morning pills" --date 2026-12-08 --time 09:00 --repeat 3 --text "Two" >/dev/null
./qvtool add "$file" --desc "Team meeting" --date 2026-12-08 --time 10:30 --repeat 3 --text "Room 4" >/dev/null
./qvtool add "$file" --desc "Dentist" --date 2026-12-09 --time 09:30 --repeat 0 --text "Dr. Alvarez" >/dev/null

faketime -f "@2026-12-08 10:29:30 x10" ./QV "$file" >"$work/qv.log" 2>&1 &
qv=$!
pids+=($qv)
missed="^$(text 4001)$"

# 1. The missed reminders: their list and one alert each, none of them modal.
wait_for 20 visible "$missed" || fail "the missed-reminders list did not show: $(cat "$work/qv.log")"
wait_for 10 visible "^Yesterday call$" || fail "a missed reminder did not open as an alert"
visible "^Morning pills$" || fail "the second missed reminder did not open as an alert"
# 2. The cycle goes on meanwhile: the reminder of 10:30 alerts with the list still open.
wait_for 40 visible "^Team meeting$" || fail "a reminder due while the list was open did not alert"
visible "$missed" || fail "the missed-reminders list went away"
sleep 0.5
shot daily-missed-and-due

# 3. Dismiss all closes the missed alerts, not the due one.
xdotool windowactivate --sync "$(window_of "$missed")" 2>/dev/null || true
sleep 0.3
xdotool key alt+d # the same mnemonic in both catalogues
wait_for 10 gone "$missed" || fail "Dismiss all did not close the list"
wait_for 10 gone "^Yesterday call$" || fail "Dismiss all left a missed alert open"
gone "^Morning pills$" || fail "Dismiss all left a missed alert open"
visible "^Team meeting$" || fail "Dismiss all closed the alert of a reminder due now"

# 4. The main window: Delete names the chosen reminder; Ctrl+Z brings it back.
./QV || fail "the second start was refused"
wait_for 10 visible "^Norvo Orbalinder 2.0 - Personal.QVM" || fail "a second start did not show the window"
main=$(window_of "^Norvo Orbalinder 2.0 - Personal.QVM")
xdotool windowactivate --sync "$main" 2>/dev/null || true
sleep 0.5
xdotool key ctrl+End # the last row: Dentist
sleep 0.3
xdotool key Delete
wait_for 10 bash -c "xdotool search --onlyvisible --name '^Orbalinder$' | grep -q ." || fail "Delete asked nothing"
sleep 0.5
shot daily-delete-question
xdotool key Return # Yes
sleep 1
./qvtool list "$file" | grep -q Dentist && fail "Yes did not delete the reminder"
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key ctrl+z
wait_for 10 bash -c "./qvtool list '$file' | grep -q Dentist" || fail "Ctrl+Z did not bring the reminder back"
sleep 0.5
shot daily-after-undo

# 5. A second file: both active, then all of them in one list (through the File menu's keys).
work_file=$prog/Work.QVM
./qvtool add "$work_file" --desc "Weekly report" --date 2026-12-09 --time 16:00 --repeat 5 --text "Send it" >/dev/null
./QV "$work_file" || fail "the second start with a file was refused"
both="$(text 20817 | sed 's/%1/Norvo Orbalinder 2.0 - Work.QVM/; s/%2/2/')"
wait_for 10 visible "^$(printf '%s' "$both" | sed 's/[()]/./g')$" || fail "the title does not count two active files"
main=$(window_of "^Norvo Orbalinder 2.0 - Work.QVM")
xdotool windowactivate --sync "$main" 2>/dev/null || true
sleep 0.3
file_key=$(grep -P "^1101\t" "$root/resources/lang/$lang.cat" | sed 's/.*&\(.\).*/\1/' | tr 'A-Z' 'a-z')
all_key=$(grep -P "^20820\t" "$root/resources/lang/$lang.cat" | sed 's/.*&\(.\).*/\1/' | tr 'A-Z' 'a-z')
xdotool key "alt+$file_key"
sleep 0.5
xdotool key "$all_key"
all_title="Norvo Orbalinder 2.0 - $(text 20821 | sed 's/%1/2/')"
wait_for 10 visible "^$all_title$" || fail "Show all active files did not change the title to '$all_title'"
xdotool windowmove "$main" 160 300 2>/dev/null || true # beside the alert still open
sleep 0.5
shot daily-all-files
echo "PASS ($lang): missed reminders as alerts while the cycle runs, dismiss all, named delete question, undo, two active files in one list"
