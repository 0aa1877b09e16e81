#!/usr/bin/env bash
# QVMC sessions against the local Postfix and Dovecot beside established
# programs on the same servers, in alternated runs (figures are medians):
#   sending 200 queued files (start-up included) vs Python's smtplib on one connection;
#   fetching 200 messages vs fetchmail and mpop (both keep the messages; QVMC
#   asks TOP, RETR and DELE for each, as its session prescribes).
# QVMC runs offscreen, and behind a real tray (Xvfb + icewm) when both are installed.
# Needs root (mail servers). ORB_BENCH_RUNS (5) runs; ORB_BENCH_PORT_BASE (35300) ports.
set -eu
build=${ORB_BUILD:?}
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${ORB_BENCH_RUNS:-5}
base=${ORB_BENCH_PORT_BASE:-35300}
export MS_SMTP_PORT=$((base + 1)) MS_SUBMISSION_PORT=$((base + 2)) MS_SMTPS_PORT=$((base + 3))
export MS_POP3_PORT=$((base + 4)) MS_POP3S_PORT=$((base + 5))
display=${ORB_BENCH_DISPLAY:-:96}
D=$(mktemp -d /tmp/orbbench.XXXXXX); chmod 755 "$D"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  "$root/scripts/mailserver.sh" stop "$D/ms" >/dev/null 2>&1 || true
  rm -rf "$D"
}
trap cleanup EXIT
MS_USERS="alice:alicepass bob:bobpass carol:carolpass" "$root/scripts/mailserver.sh" start "$D/ms" >/dev/null 2>&1
SMTP_PORT=$MS_SMTP_PORT; POP_PORT=$MS_POP3_PORT
P=$D/prog; mkdir -p "$P/MAIL" "$P/cfg" "$P/run"; chmod 700 "$P/run"
cp "$build/src/qvmc/QVMC" "$build/src/tools/qvtool" "$P/"
cd "$P"
env XDG_CONFIG_HOME="$P/cfg" ./qvtool profile QV.PFL --name Bench --email alice@example.test \
    --smtp "127.0.0.1:$SMTP_PORT" --pop3 "127.0.0.1:$POP_PORT" --login bob --password bobpass >/dev/null

tray=no
if command -v Xvfb >/dev/null && command -v icewm >/dev/null; then
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
  sleep 1
  DISPLAY=$display icewm >/dev/null 2>&1 & pids+=($!)
  sleep 2
  tray=yes
fi

now() { date +%s.%N; }
secs() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.4f", b-a}'; }
queue() {
  for i in $(seq 1 200); do
    printf '# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- From ---\r\nBench\r\n<alice@example.test>\r\n--- Dest ---\r\n1\r\nbob@example.test\r\n--- Body ---\r\nReminder %s\r\n\r\nSome text of the reminder\r\n' "$i" >"MAIL/r_$i.OUT"
  done
}
qvmc() { # where send receive
  local where=$1; shift
  if [ "$where" = tray ]; then
    env XDG_CONFIG_HOME="$P/cfg" XDG_RUNTIME_DIR="$P/run" QT_QPA_PLATFORM=xcb DISPLAY="$display" ./QVMC "$@" >/dev/null 2>&1
  else
    env XDG_CONFIG_HOME="$P/cfg" XDG_RUNTIME_DIR="$P/run" QT_QPA_PLATFORM=offscreen ./QVMC "$@" >/dev/null 2>&1
  fi
}
timed() { local t0 t1; t0=$(now); "$@" >/dev/null 2>&1 || true; t1=$(now); secs "$t0" "$t1"; }
smtplib() {
  python3 - "$SMTP_PORT" <<'PY'
import smtplib, sys
with smtplib.SMTP("127.0.0.1", int(sys.argv[1])) as s:
    for i in range(200):
        s.sendmail("alice@example.test", ["carol@example.test"],
                   "Subject: other %d\r\n\r\nSome text of the reminder\r\n" % i)
PY
}
cat >"$D/fetchmailrc" <<RC
poll 127.0.0.1 protocol pop3 port $POP_PORT user bob password bobpass keep fetchall mda "cat >/dev/null"
RC
chmod 600 "$D/fetchmailrc"
fetchmail_run() { fetchmail -f "$D/fetchmailrc" --nosyslog -i "$D/fm.ids" --sslproto '' >/dev/null 2>&1 || true; }
mpop_run() {
  mpop --host=127.0.0.1 --port="$POP_PORT" --user=bob --passwordeval='echo bobpass' --tls=off --auth=user \
       --keep=on --only-new=off --uidls-file="$D/uidls" --delivery=mda,'cat >/dev/null' >/dev/null 2>&1 || true
}
idle() { "$root/scripts/mailserver.sh" wait-idle "$D/ms" 60 >/dev/null 2>&1 || true; }

: >"$D/figures"
record() { echo "$1 $2" >>"$D/figures"; }
for run in $(seq 1 "$runs"); do
  wheres=(offscreen); [ $tray = yes ] && wheres+=(tray)
  for where in "${wheres[@]}"; do
    queue
    record "send_$where" "$(timed qvmc "$where" SMTP XXXX 5)"
    left=$(ls MAIL/*.OUT 2>/dev/null | wc -l); [ "$left" -eq 0 ] || echo "  (run $run $where: $left files left)"
    record smtplib "$(timed smtplib)"
    idle
    # bob now holds the 200 messages QVMC sent: the peers read them first (and keep them).
    if command -v fetchmail >/dev/null; then record fetchmail "$(timed fetchmail_run)"; fi
    if command -v mpop >/dev/null; then record mpop "$(timed mpop_run)"; fi
    before=$(ls MAIL/*.IN 2>/dev/null | wc -l)
    record "fetch_$where" "$(timed qvmc "$where" XXXX POP3 5)"
    got=$(( $(ls MAIL/*.IN 2>/dev/null | wc -l) - before ))
    [ "$got" -eq 200 ] || echo "  (run $run $where: fetched $got of 200)"
    rm -f MAIL/*.IN
    "$root/scripts/mailserver.sh" clear "$D/ms" >/dev/null 2>&1 || true
  done
done

python3 - "$D/figures" "$runs" "$tray" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    k, v = line.split()
    rows.setdefault(k, []).append(float(v))
m = {k: statistics.median(v) for k, v in rows.items()}
def show(k):
    v = rows[k]
    return "%.3f s (%.3f..%.3f)" % (m[k], min(v), max(v))
print("medians of %s alternated runs (min..max)" % sys.argv[2])
for k in sorted(rows):
    print("  %-16s %s" % (k, show(k)))
for where in ("offscreen", "tray"):
    if "send_" + where in m:
        print("ROW QVMC sends 200 queued files (%s) vs smtplib: %.2fx (goal <= 0.6x)" % (where, m["send_" + where] / m["smtplib"]))
for where in ("offscreen", "tray"):
    if "fetch_" + where in m:
        peers = ", ".join("%.2fx %s" % (m["fetch_" + where] / m[p], p) for p in ("fetchmail", "mpop") if p in m)
        print("ROW QVMC fetches 200 messages (%s): %s (goal <= 1.0x fetchmail)" % (where, peers))
if sys.argv[3] != "yes":
    print("(no Xvfb + icewm: the tray rows were not measured)")
PY
