#!/usr/bin/env bash
# keyring-session.sh PROGRAM [ARGS...]
# Runs PROGRAM in a private D-Bus session with its own unlocked GNOME keyring
# (Secret Service), kept in the XDG folders of the environment (run-test.sh
# makes fresh ones), and ends both when PROGRAM ends. Nothing of the desktop's
# own session or keyring is seen or touched.
set -eu
command -v dbus-daemon >/dev/null && command -v gnome-keyring-daemon >/dev/null ||
  { echo "keyring-session.sh: needs dbus and gnome-keyring (scripts/install-deps.sh)" >&2; exit 1; }
: "${XDG_RUNTIME_DIR:?}" "${XDG_DATA_HOME:?}"
out=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$(echo "$out" | sed -n 1p)
bus_pid=$(echo "$out" | sed -n 2p)
# The keyring daemon usually leaves with the bus; the one started on this bus is ended too.
stop() {
  local p
  for p in $(pgrep -x gnome-keyring-d 2>/dev/null; pgrep -f '^gnome-keyring-daemon' 2>/dev/null); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS" &&
      kill "$p" 2>/dev/null || true
  done
  kill "$bus_pid" 2>/dev/null || true
}
trap stop EXIT
printf 'orbalinder-test' | gnome-keyring-daemon --unlock --components=secrets >/dev/null
"$@"
