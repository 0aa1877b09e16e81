#!/usr/bin/env bash
# POP3 retrieval from a local Dovecot (200 small messages; one message with a
# 10 MiB attachment) and base64 decoding, each beside established tools in the
# same run, alternated (ORB_BENCH_RUNS, 5); the table rows are medians.
set -eu
runs=${ORB_BENCH_RUNS:-5}
BENCH="$ORB_BUILD/bench/pop3/bench_pop3"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
WORK=$(mktemp -d /tmp/orb-bench-pop3.XXXXXX)
chmod 755 "$WORK" # the mail server's user must reach its folders
base=${ORB_BENCH_PORT_BASE:-35280}
export MS_SMTP_PORT=$((base + 1)) MS_SUBMISSION_PORT=$((base + 2)) MS_SMTPS_PORT=$((base + 3))
export MS_POP3_PORT=$((base + 4)) MS_POP3S_PORT=$((base + 5))
cleanup() { "$SCRIPTS/mailserver.sh" stop "$WORK/server" >/dev/null 2>&1 || true; rm -rf "$WORK"; }
trap cleanup EXIT
seconds() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.3f", b-a}'; }
timed() { # label command...
  local label=$1; shift
  local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1 || echo "  ($label failed)"; t1=$(date +%s.%N)
  echo "$label: $(seconds "$t0" "$t1") s"
}
: >"$WORK/figures"
record() { # key command... (wall time of the whole process, start-up included)
  local key=$1; shift
  local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1 || echo "  ($key failed)"; t1=$(date +%s.%N)
  echo "$key $(seconds "$t0" "$t1")" >>"$WORK/figures"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
mkdir -p "$WORK/server" "$WORK/got"
"$SCRIPTS/mailserver.sh" start "$WORK/server" >"$WORK/start.log" 2>&1 || { cat "$WORK/start.log"; exit 1; }
head -c $((10 * 1024 * 1024)) /dev/urandom >"$WORK/10m.bin"
python3 - "$MS_SMTP_PORT" "$WORK/10m.bin" <<'PY'
import smtplib, sys
from email.message import EmailMessage
s = smtplib.SMTP('127.0.0.1', int(sys.argv[1]))
for i in range(200):
    m = EmailMessage()
    m['From'] = 'carol@example.test'; m['To'] = 'alice@example.test'; m['Subject'] = 'small %d' % i
    m.set_content('Short message %d\nsecond line\n' % i)
    s.send_message(m)
m = EmailMessage()
m['From'] = 'carol@example.test'; m['To'] = 'bob@example.test'; m['Subject'] = 'big'
m.set_content('A big attachment follows.\n')
m.add_attachment(open(sys.argv[2], 'rb').read(), maintype='application', subtype='octet-stream', filename='10m.bin')
s.send_message(m)
s.quit()
PY
"$SCRIPTS/mailserver.sh" wait-idle "$WORK/server" 60 >/dev/null 2>&1 || true
echo "mailboxes: alice $(ls "$WORK/server/maildirs/alice/new" | wc -l), bob $(ls "$WORK/server/maildirs/bob/new" | wc -l)"

H=127.0.0.1 P=$MS_POP3_PORT
for run in 1 2 3; do "$BENCH" retrieve $H $P alice alicepass "$WORK/got"; done
cat >"$WORK/fetchmailrc" <<RC
poll $H protocol pop3 port $P user alice password alicepass keep mda "cat >/dev/null" sslproto ''
RC
chmod 600 "$WORK/fetchmailrc"
if command -v fetchmail >/dev/null; then
  for run in 1 2 3; do timed "fetchmail 200 small messages" fetchmail -f "$WORK/fetchmailrc" --nosyslog -a -i "$WORK/fm.ids"; done
else echo "fetchmail: not installed"; fi
for run in 1 2 3; do
  timed "python poplib 200 small messages" python3 -c "
import poplib
p = poplib.POP3('$H', $P); p.user('alice'); p.pass_('alicepass')
for i in range(1, p.stat()[0] + 1): p.retr(i)
p.quit()"
done

# One message with a 10 MiB attachment: retrieved and decoded to a file, beside
# curl fetching the same message raw.
for run in $(seq 1 "$runs"); do
  rm -rf "$WORK/got"; mkdir -p "$WORK/got"
  record fetch10 "$BENCH" retrieve $H $P bob bobpass "$WORK/got"
  record curl10 curl -s "pop3://$H:$P/1" -u bob:bobpass -o /dev/null
done
cmp "$WORK/got/10m.bin" "$WORK/10m.bin" && echo "10 MiB attachment decoded intact"
if command -v mpop >/dev/null; then
  for run in 1 2 3; do
    timed "mpop 10 MiB message" mpop --host=$H --port=$P --user=bob --passwordeval='echo bobpass' --tls=off \
      --auth=user --keep=on --only-new=off --uidls-file="$WORK/uidls" --delivery=mda,'cat >/dev/null'
  done
else echo "mpop: not installed"; fi

# The same 100 MiB of base64 lines decoded file to file by both.
head -c $((100 * 1024 * 1024)) /dev/urandom | base64 -w 76 >"$WORK/100m.b64"
coreutils_decode() { base64 -d "$WORK/100m.b64" >"$WORK/100m.coreutils"; }
for run in $(seq 1 "$runs"); do
  record coreutils_decode coreutils_decode
  record decode "$BENCH" decodefile "$WORK/100m.b64" "$WORK/100m.ours"
done
cmp "$WORK/100m.coreutils" "$WORK/100m.ours" && echo "base64: output identical to coreutils"
rm -f "$WORK/100m.coreutils" "$WORK/100m.ours"
"$BENCH" decode 100

python3 - "$WORK/figures" "$runs" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    k, v = line.split()
    rows.setdefault(k, []).append(float(v))
m = {k: statistics.median(v) for k, v in rows.items()}
print("medians of %s alternated runs (min..max):" % sys.argv[2])
for k in sorted(rows):
    print("  %-17s %.3f s (%.3f..%.3f)" % (k, m[k], min(rows[k]), max(rows[k])))
print("ROW 10 MiB attachment fetch + decode vs curl fetching raw: %.2fx (goal <= 1.2x)" % (m["fetch10"] / m["curl10"]))
print("ROW base64 decode of the same 100 MiB vs coreutils base64 -d: %.2fx (goal <= 0.6x)"
      % (m["decode"] / m["coreutils_decode"]))
PY
