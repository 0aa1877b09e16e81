#!/usr/bin/env bash
# caldavserver.sh — a throw-away REAL CalDAV server (Radicale) for tests, on loopback, TLS and passwords.
#
#   caldavserver.sh start  DIR   install Radicale if needed, make the certificates, users and calendars, start it
#   caldavserver.sh stop   DIR   stop exactly the server that `start DIR` started (pid file in DIR)
#   caldavserver.sh status DIR   exit 0 = up, 3 = down
#   caldavserver.sh env    DIR   print the shell variables of a running server (CS_URL, CS_CA, ...)
#
# Everything (configuration, pid file, log, certificates, password file, collections) lives under DIR;
# no systemd, no system-wide configuration; runs as root or as any user (install needs root or sudo).
# The server listens on https://127.0.0.1:CS_PORT/ (default 25232); /.well-known/caldav leads to it.
# Users (htpasswd, bcrypt): CS_USERS="alice:alicepass bob:bobpass". Each user gets the calendar
# /USER/CS_CALENDAR/ (default "reminders") made with MKCALENDAR at start.
# TLS: a test authority DIR/tls/ca.pem (the clients' extra trusted-certificate file) signs
# DIR/tls/cert.pem for CS_TLS_NAMES (default DNS:localhost,IP:127.0.0.1).
# DIR/caldavserver.env holds CS_URL, CS_PORT, CS_CA, CS_USERS, CS_CALENDAR for the tests.
set -euo pipefail

PROG=${0##*/}
die()  { echo "$PROG: error: $*" >&2; exit 1; }
info() { echo "$PROG: $*" >&2; }

[[ $# -ge 2 ]] || { sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
CMD=$1
mkdir -p -- "$2"
D=$(cd -- "$2" && pwd -P)
PORT=${CS_PORT:-25232}
USERS=${CS_USERS:-alice:alicepass bob:bobpass}
CALENDAR=${CS_CALENDAR:-reminders}
TLS_NAMES=${CS_TLS_NAMES:-DNS:localhost,IP:127.0.0.1}
START_TIMEOUT=${CS_START_TIMEOUT:-30}
PY=/usr/bin/python3
PIDFILE=$D/radicale.pid
TLS=$D/tls

ensure_packages() {
  local need=()
  $PY -c 'import radicale, bcrypt' 2>/dev/null || need+=(radicale python3-bcrypt python3-passlib)
  command -v openssl >/dev/null 2>&1 || need+=(openssl)
  command -v curl >/dev/null 2>&1 || need+=(curl)
  [[ ${#need[@]} -eq 0 ]] && return 0
  local sudo=""; [[ $(id -u) -eq 0 ]] || sudo=sudo
  info "installing: ${need[*]} (one-time)"
  # Keep the package's scripts from starting a system-wide Radicale.
  local made_policy=
  if [[ $(id -u) -eq 0 && ! -e /usr/sbin/policy-rc.d ]]; then
    printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d && chmod 755 /usr/sbin/policy-rc.d && made_policy=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 \
    --no-install-recommends "${need[@]}" >&2 || { [[ -n $made_policy ]] && rm -f /usr/sbin/policy-rc.d; die "apt-get install failed"; }
  [[ -n $made_policy ]] && rm -f /usr/sbin/policy-rc.d
  return 0
}

pid_alive() {
  local p
  p=$(cat "$PIDFILE" 2>/dev/null || true)
  [[ -n $p ]] && kill -0 "$p" 2>/dev/null && [[ $(awk '{print $3}' "/proc/$p/stat" 2>/dev/null) != Z ]] &&
    tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qF -- "--config $D/radicale.conf" && echo "$p"
}

gen_tls() {
  mkdir -p "$TLS"
  if [[ ! -s $TLS/ca.pem || ! -s $TLS/ca.key ]]; then
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -keyout "$TLS/ca.key" -out "$TLS/ca.pem" \
      -subj "/CN=caldavserver.sh test CA" -addext "basicConstraints=critical,CA:TRUE" \
      -addext "keyUsage=critical,keyCertSign,cRLSign" >/dev/null 2>&1 || die "openssl failed (CA)"
    rm -f "$TLS/cert.pem"
  fi
  if [[ ! -s $TLS/cert.pem || $(cat "$TLS/names" 2>/dev/null) != "$TLS_NAMES" ]]; then
    openssl req -new -newkey rsa:2048 -nodes -sha256 -keyout "$TLS/key.pem" -out "$TLS/server.csr" \
      -subj "/CN=${TLS_NAMES%%,*}" -addext "subjectAltName=$TLS_NAMES" \
      -addext "extendedKeyUsage=serverAuth" >/dev/null 2>&1 || die "openssl failed (request)"
    openssl x509 -req -in "$TLS/server.csr" -CA "$TLS/ca.pem" -CAkey "$TLS/ca.key" -CAcreateserial \
      -copy_extensions copy -days 3650 -sha256 -out "$TLS/cert.pem" >/dev/null 2>&1 || die "openssl failed (certificate)"
    rm -f "$TLS/server.csr"
    printf '%s' "$TLS_NAMES" >"$TLS/names"
  fi
  chmod 600 "$TLS/ca.key" "$TLS/key.pem"
}

gen_users() {
  : >"$D/users"
  local u
  for u in $USERS; do
    $PY -c 'import bcrypt, sys; print(sys.argv[1] + ":" + bcrypt.hashpw(sys.argv[2].encode(), bcrypt.gensalt(4)).decode())' \
      "${u%%:*}" "${u#*:}" >>"$D/users" || die "cannot hash the password of ${u%%:*}"
  done
  chmod 600 "$D/users"
}

gen_config() {
  mkdir -p "$D/collections" "$D/log"
  cat >"$D/radicale.conf" <<EOF
[server]
hosts = 127.0.0.1:$PORT
ssl = True
certificate = $TLS/cert.pem
key = $TLS/key.pem
max_connections = 20
timeout = 30

[auth]
type = htpasswd
htpasswd_filename = $D/users
htpasswd_encryption = bcrypt
delay = 0

[rights]
type = owner_only

[storage]
filesystem_folder = $D/collections

[web]
type = none

[logging]
level = warning
mask_passwords = True
EOF
  cat >"$D/caldavserver.env" <<EOF
CS_URL=https://127.0.0.1:$PORT/
CS_PORT=$PORT
CS_CA=$TLS/ca.pem
CS_USERS="$USERS"
CS_CALENDAR=$CALENDAR
EOF
}

wait_up() {
  local deadline=$(( $(date +%s) + START_TIMEOUT ))
  until curl -s -o /dev/null --cacert "$TLS/ca.pem" "https://127.0.0.1:$PORT/.well-known/caldav"; do
    [[ -n $(pid_alive) ]] || { tail -20 "$D/log/radicale.log" >&2; die "Radicale ended at start (see $D/log)"; }
    [[ $(date +%s) -lt $deadline ]] || die "Radicale did not answer within ${START_TIMEOUT}s (see $D/log)"
    sleep 0.1
  done
}

make_calendars() {
  local u code
  for u in $USERS; do
    code=$(curl -s -o /dev/null -w '%{http_code}' --cacert "$TLS/ca.pem" -u "${u%%:*}:${u#*:}" -X MKCALENDAR \
      -H 'Content-Type: application/xml' --data-binary \
      "<?xml version=\"1.0\"?><C:mkcalendar xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><D:set><D:prop><D:displayname>$CALENDAR</D:displayname><C:supported-calendar-component-set><C:comp name=\"VEVENT\"/></C:supported-calendar-component-set></D:prop></D:set></C:mkcalendar>" \
      "https://127.0.0.1:$PORT/${u%%:*}/$CALENDAR/")
    [[ $code == 201 || $code == 405 || $code == 409 ]] || die "MKCALENDAR for ${u%%:*} answered $code"
  done
}

case $CMD in
  start)
    [[ -z $(pid_alive) ]] || { info "already running (pid $(pid_alive))"; exit 0; }
    ensure_packages
    gen_tls; gen_users; gen_config
    setsid /usr/bin/radicale --config "$D/radicale.conf" </dev/null >>"$D/log/radicale.log" 2>&1 &
    echo $! >"$PIDFILE"
    wait_up
    make_calendars
    info "up on https://127.0.0.1:$PORT/ (pid $(cat "$PIDFILE"))"
    ;;
  stop)
    p=$(pid_alive || true)
    if [[ -n $p ]]; then
      kill -TERM "$p" 2>/dev/null || true
      for _ in $(seq 100); do [[ -z $(pid_alive) ]] && break; sleep 0.05; done
      [[ -z $(pid_alive) ]] || kill -KILL "$p" 2>/dev/null || true
    fi
    rm -f "$PIDFILE"
    ;;
  status)
    [[ -n $(pid_alive) ]] && exit 0 || exit 3 ;;
  env)
    cat "$D/caldavserver.env" ;;
  *) die "unknown command: $CMD" ;;
esac
