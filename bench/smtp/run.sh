#!/usr/bin/env bash
# Base64 encoding of 100 MiB and sending a 10 MiB attachment to a local Postfix,
# each beside established tools (coreutils base64, curl, msmtp) on the same run.
set -eu
BENCH="$ORB_BUILD/bench/smtp/bench_smtp"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
WORK=$(mktemp -d /tmp/orb-bench-smtp.XXXXXX)
chmod 755 "$WORK" # the mail server's user must reach its folders
export MS_SMTP_PORT=35261 MS_SUBMISSION_PORT=35262 MS_SMTPS_PORT=35263 MS_POP3_PORT=35264 MS_POP3S_PORT=35265
cleanup() { "$SCRIPTS/mailserver.sh" stop "$WORK/server" >/dev/null 2>&1 || true; rm -rf "$WORK"; }
trap cleanup EXIT
seconds() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.3f", b-a}'; }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
head -c $((100 * 1024 * 1024)) /dev/urandom >"$WORK/100m.bin"
t0=$(date +%s.%N); base64 "$WORK/100m.bin" >/dev/null; t1=$(date +%s.%N)
echo "coreutils base64 100 MiB (file to /dev/null): $(seconds "$t0" "$t1") s"
"$BENCH" encodefile "$WORK/100m.bin"
"$BENCH" encode 100

mkdir -p "$WORK/server"
"$SCRIPTS/mailserver.sh" start "$WORK/server" >"$WORK/start.log" 2>&1 || { cat "$WORK/start.log"; exit 1; }
head -c $((10 * 1024 * 1024)) /dev/urandom >"$WORK/10m.bin"
for run in 1 2 3; do
  "$BENCH" send 127.0.0.1 "$MS_SMTP_PORT" "$WORK/10m.bin" bob@example.test
done

# The same message for the other tools, built by Python's email package.
python3 - "$WORK/10m.bin" "$WORK/msg.eml" <<'PY'
import sys
from email.message import EmailMessage
m = EmailMessage()
m['From'] = 'alice@example.test'; m['To'] = 'bob@example.test'; m['Subject'] = 'bench'
m.set_content('benchmark message')
m.add_attachment(open(sys.argv[1], 'rb').read(), maintype='application', subtype='octet-stream', filename='10m.bin')
open(sys.argv[2], 'wb').write(bytes(m))
PY
for run in 1 2 3; do
  t0=$(date +%s.%N)
  curl -s "smtp://127.0.0.1:$MS_SMTP_PORT" --mail-from alice@example.test --mail-rcpt bob@example.test \
       --upload-file "$WORK/msg.eml"
  t1=$(date +%s.%N)
  echo "curl send prebuilt 10 MiB message: $(seconds "$t0" "$t1") s"
done
if command -v msmtp >/dev/null; then
  for run in 1 2 3; do
    t0=$(date +%s.%N)
    msmtp --host=127.0.0.1 --port="$MS_SMTP_PORT" --auth=off --tls=off --from=alice@example.test \
          bob@example.test <"$WORK/msg.eml"
    t1=$(date +%s.%N)
    echo "msmtp send prebuilt 10 MiB message: $(seconds "$t0" "$t1") s"
  done
else
  echo "msmtp: not installed"
fi
"$SCRIPTS/mailserver.sh" wait-idle "$WORK/server" 30 >/dev/null 2>&1 || true
echo "delivered to bob: $(ls "$WORK/server/maildirs/bob/new" | wc -l) messages"
