#!/usr/bin/env bash
# notifications.sh BUILD
# QV with MsgWindowFmt 4 on a private session bus where dunst (under Xvfb) is
# the notification service, its clock ten times faster (faketime). The
# bus is watched with dbus-monitor; dunst is driven with dunstctl, its
# context menu answered by a script, as a person would click:
#   delivered  - summary, body, icon, urgency critical, snooze and dismiss actions;
#   snoozed    - "Snooze 5 minutes": it goes, is kept beside the reminders file,
#                and comes back at its time, though the program was restarted;
#   dismissed  - closed by the user: not logged;
#   unattended - left alone: taken away after CloseMsgs minutes and logged;
#   no service - the classic window instead (it closes unattended and is logged);
#   QV's own interface on the bus (org.norvo.Orbalinder), as gdbus calls it:
#                the alerts, the next reminders, adding one, snoozing and dismissing.
# Its sounds go to a private PulseAudio server with no GStreamer plugin
# reachable: Qt Multimedia plays them itself, in a stream named "Orbalinder".
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/install-deps.sh" --notifications >/dev/null

work=$(mktemp -d /tmp/orbnotify.XXXXXX)
pids=()
cleanup() {
  [ -n "${qv_pid:-}" ] && stop_qv
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -n "${bus_pid:-}" ] && kill "$bus_pid" 2>/dev/null
  wait 2>/dev/null || true
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fails=0; passes=0
ok() { passes=$((passes + 1)); echo "ok   - $*"; }
bad() { fails=$((fails + 1)); echo "FAIL - $*"; }
check() { local what=$1; shift; if "$@" >/dev/null 2>&1; then ok "$what"; else bad "$what"; fi; }
wait_for() { local secs=$1; shift; local end=$((SECONDS + secs)); until "$@" >/dev/null 2>&1; do [ $SECONDS -lt $end ] || return 1; sleep 0.2; done; }

prog=$work/prog
ORB_LANG=en "$root/scripts/make-program-folder.sh" "$build" "$prog" >/dev/null
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data ORB_NO_DIALOGS=1
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
qvtool() { (cd "$prog" && ./qvtool "$@"); }

exec 3>"$work/display"
Xvfb -screen 0 1024x768x24 -nolisten tcp -displayfd 3 >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
wait_for 10 test -s "$work/display" || { echo "FAIL - Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -1 "$work/display")
# A session bus that starts no service on demand: the notification service
# is there only while the test runs dunst.
cat > "$work/bus.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
CONF
dbus-daemon --config-file="$work/bus.conf" --fork --print-address=1 --print-pid=1 > "$work/bus" || { echo "FAIL - no bus"; exit 1; }
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$work/bus"); bus_pid=$(sed -n 2p "$work/bus")

# dunst's context menu asks this script which action to take.
cat > "$work/pick.sh" <<PICK
#!/bin/sh
cat > "$work/menu.txt"
grep -m1 -- "\$(cat "$work/want")" "$work/menu.txt"
PICK
chmod +x "$work/pick.sh"
printf '[global]\n    dmenu = %s\n[urgency_critical]\n    timeout = 0\n' "$work/pick.sh" > "$work/dunstrc"
start_dunst() { dunst -config "$work/dunstrc" > "$work/dunst.log" 2>&1 & dunst_pid=$!; pids+=($dunst_pid);
                wait_for 10 dunstctl is-paused; }
start_dunst || { echo "FAIL - dunst did not start"; exit 1; }
dbus-monitor "interface='org.freedesktop.Notifications'" > "$work/bus.log" 2>&1 &
pids+=($!)
sleep 0.5

notifies() { grep -c 'member=Notify$' "$work/bus.log"; }
closes() { grep -c 'member=CloseNotification$' "$work/bus.log"; }
displayed() { [ "$(dunstctl count displayed)" = "$1" ]; }
logged() { grep -q "^From: $1" "$prog/MAIL/QV_MSGS.TXT" 2>/dev/null; }

# A sound server of its own, with a sink that plays into nothing.
export PULSE_SERVER=unix:$work/pulse.sock PULSE_RUNTIME_PATH=$work/pulse
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
    --load=module-null-sink --load="module-native-protocol-unix socket=$work/pulse.sock auth-anonymous=1" \
    > "$work/pulse.out" 2>&1 &
pids+=($!)
wait_for 10 pactl info || { echo "FAIL - pulseaudio did not start"; cat "$work/pulse.out"; exit 1; }
pactl subscribe > "$work/pulse.log" 2>&1 &
pids+=($!)
mkdir -p "$work/no-gst"
export GST_PLUGIN_SYSTEM_PATH_1_0=$work/no-gst GST_PLUGIN_PATH_1_0=$work/no-gst GST_REGISTRY_1_0=$work/gst.reg

qvtool settings set Splash 0 >/dev/null; qvtool settings set DueMsgs 0 >/dev/null
qvtool settings set MsgWindowFmt 4 >/dev/null; qvtool settings set CloseMsgs 1 >/dev/null
file=$prog/work.QVM
qvtool add "$file" --desc Dentist --date 2026-12-08 --time 10:30 --repeat 0 --text 'Bring the card & the <form>' >/dev/null
qvtool add "$file" --desc Standup --date 2026-12-08 --time 10:45 --repeat 0 --text 'Room 3' >/dev/null
qvtool add "$file" --desc Lunch --date 2026-12-08 --time 11:00 --repeat 0 --text 'Canteen' >/dev/null
qvtool settings set OpenFile "$file" >/dev/null
start_qv() { # START_TIME: QV with its clock from then on, ten times faster
  (cd "$prog" && QT_QPA_PLATFORM=offscreen exec faketime -f "@2026-12-08 $1 x10" "$prog/QV") >> "$work/qv.log" 2>&1 &
  qv_pid=$!; pids+=($qv_pid)
}
qv_proc() { pgrep -P "$qv_pid" | head -1; } # faketime's child: QV itself
qvbus() { local m=$1; shift; gdbus call --session --dest org.norvo.Orbalinder --object-path /org/norvo/Orbalinder \
           --method "org.norvo.Orbalinder.$m" "$@"; }
export -f qvbus
export prog; export -f qvtool
stop_qv() {
  local qv; qv=$(qv_proc)
  [ -n "$qv" ] && kill "$qv" 2>/dev/null
  kill "$qv_pid" 2>/dev/null; wait "$qv_pid" 2>/dev/null
  [ -z "$qv" ] || wait_for 10 bash -c "! kill -0 $qv" || echo "QV $qv did not end"
}

# Delivered.
start_qv 10:29:55
check "the due reminder reaches the notification service" wait_for 30 displayed 1
call=$(grep -A40 'member=Notify$' "$work/bus.log" | head -40)
check "summary is the description, body the text as typed" \
    bash -c 'grep -q "string \"Dentist\"" <<<"$1" && grep -q "string \"Bring the card & the <form>\"" <<<"$1"' _ "$call"
check "the program's icon" grep -q 'string "org.norvo.Orbalinder"' <<<"$call"
check "urgency critical" bash -c 'grep -A1 "string \"urgency\"" <<<"$1" | grep -q "byte 2"' _ "$call"
check "snooze one hour and dismiss among its actions" \
    bash -c 'grep -q "string \"snooze-60\"" <<<"$1" && grep -q "string \"Snooze 1 hour\"" <<<"$1" && grep -q "string \"dismiss\"" <<<"$1"' _ "$call"
check "its sound plays, without GStreamer's plugins" wait_for 10 grep -q "Event 'new' on sink-input" "$work/pulse.log"
check "in a stream named Orbalinder" bash -c "pactl list clients | grep -q 'application.name = \"Orbalinder\"'"

# Snoozed from the notification: gone at once, kept beside the reminders file.
echo 'Snooze 5 minutes' > "$work/want"; dunstctl context
check "a snooze takes the notification away" wait_for 10 displayed 0
check "the menu offered the snooze choices" grep -q 'Snooze until tomorrow at this time' "$work/menu.txt"
check "the snooze is kept beside the reminders file" wait_for 5 grep -q 'Dentist' "$file.snoozed"
check "the last snooze is remembered" grep -q 'LastSnooze=sz:5' "$XDG_CONFIG_HOME/Orbalinder/settings.conf"
# The program restarts before the snooze ends: the alert comes back at 10:35.
stop_qv
start_qv 10:33:00
sleep 5 # 50 s of the program's time: still snoozed
check "not back before its time" displayed 0
check "back at its time after a restart" wait_for 30 displayed 1
check "delivered twice in all" test "$(notifies)" -eq 2

# Dismissed by the user: never logged.
dunstctl close
check "closed by the user" wait_for 10 displayed 0
sleep 8 # past CloseMsgs (1 minute = 6 s)
check "a dismissed alert is not logged" bash -c "! grep -q '^From: Dentist' '$prog/MAIL/QV_MSGS.TXT' 2>/dev/null"
check "nothing is snoozed any more" test ! -e "$file.snoozed"
stop_qv

# Unattended: the program takes it away after CloseMsgs and logs it.
start_qv 10:44:55
check "the second reminder is delivered" wait_for 30 bash -c "grep -q 'string \"Standup\"' '$work/bus.log'"
check "the last used snooze comes first" bash -c \
    "awk '/string \"Standup\"/{f=1} f' '$work/bus.log' | grep -m1 'string \"snooze-' | grep -q '\"snooze-5\"'"
check "the bus lists the notification as shown" bash -c "qvbus Alerts | grep -q 'VAvisoNotificacion_1.tStandup.tshown'"
check "the bus lists the next reminders" bash -c "qvbus NextReminders 5 | grep -q '2026-12-08 11:00.tLunch'"
check "the bus adds a reminder to the open file" bash -c "qvbus AddReminder Tea 2026-12-08 11:01 'Green tea' | grep -q '(4,)'"
check "a bad date is refused with an error" bash -c "! qvbus AddReminder Tea 2026-13-08 11:01 x"
check "the added reminder is among the next ones" bash -c "qvbus NextReminders 5 | grep -q '11:01.tTea'"
qvtool add "$prog/Work.QVM" --desc Report --date 2026-12-09 --time 11:30 --repeat 0 --text Due >/dev/null
check "a second file handed over joins the active files" bash -c \
    "cd '$prog' && QT_QPA_PLATFORM=offscreen timeout 20 ./QV '$prog/Work.QVM'"
check "the bus lists every active file's next reminders, each with its file" wait_for 10 bash -c \
    "qvbus NextReminders 9 | grep -q '11:01.tTea.t[^ ]*QVM' && qvbus NextReminders 9 | grep -q '11:30.tReport.tWork.QVM'"
check "qvtool lists the running program's next reminders and alerts" bash -c \
    "qvtool next 5 | grep -q '2026-12-08 11:01.Tea' && qvtool alerts | grep -q 'VAvisoNotificacion_1.Standup.shown'"
check "an unattended alert is taken away" wait_for 20 displayed 0
check "and logged in the shown-messages log" wait_for 10 logged Standup
check "QV asked for it to close" test "$(closes)" -ge 2
stop_qv

# No service: the classic window instead.
kill "$dunst_pid" 2>/dev/null; wait "$dunst_pid" 2>/dev/null
start_qv 10:59:55
check "without a service the alert comes as a window and closes unattended" wait_for 40 logged Lunch
check "the added reminder comes at its time" wait_for 30 bash -c "qvbus Alerts | grep -q 'VAvisoActive_3.tTea.tshown'"
check "snoozed by qvtool" bash -c "qvtool snooze VAvisoActive_3 1 && qvbus Alerts | grep -q 'Tea.tsnoozed'"
check "qvtool names an alert that is not there" bash -c \
    "out=\$(qvtool dismiss VAvisoActive_99 2>&1); [ \$? -eq 1 ] && grep -q 'no alert named VAvisoActive_99' <<<\"\$out\""
check "back a minute later" wait_for 20 bash -c "qvbus Alerts | grep -q 'Tea.tshown'"
check "dismissed through the bus: gone, not logged" bash -c \
    "qvbus DismissAlert VAvisoActive_3 && sleep 1 && ! qvbus Alerts | grep -q Tea && ! grep -q '^From: Tea' '$prog/MAIL/QV_MSGS.TXT'"
check "QV is still running" bash -c '[ -n "$1" ] && kill -0 "$1"' _ "$(qv_proc)"
stop_qv
check "without QV, qvtool says the program is not running (exit 1)" bash -c \
    "out=\$(qvtool alerts 2>&1); [ \$? -eq 1 ] && grep -q 'not running in this session' <<<\"\$out\""

echo "notifications: $passes passed, $fails failed"
[ "$fails" -eq 0 ] || { echo "--- qv.log"; cat "$work/qv.log"; echo "--- dunst.log"; tail -20 "$work/dunst.log"; }
[ "$fails" -eq 0 ]
