#!/usr/bin/env bash
# Base64 encoding of 100 MiB and sending a 10 MiB attachment to a local Postfix,
# each beside established tools (coreutils base64, curl, msmtp) on the same run.
# The sends run in ORB_BENCH_RUNS (5) alternated rounds: wall and CPU time of
# each whole process, median (min..max), with the machine's load.
# ORB_BENCH_PORT_BASE (35260) ports.
set -eu
BENCH="$ORB_BUILD/bench/smtp/bench_smtp"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
WORK=$(mktemp -d /tmp/orb-bench-smtp.XXXXXX)
chmod 755 "$WORK" # the mail server's user must reach its folders
base=${ORB_BENCH_PORT_BASE:-35260}
export MS_SMTP_PORT=$((base + 1)) MS_SUBMISSION_PORT=$((base + 2)) MS_SMTPS_PORT=$((base + 3))
export MS_POP3_PORT=$((base + 4)) MS_POP3S_PORT=$((base + 5))
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
py=$(readlink -f "$(PATH=/usr/bin:/bin command -v python3)")
"$py" - "${ORB_BENCH_RUNS:-5}" "$BENCH" "$MS_SMTP_PORT" "$WORK" "$SCRIPTS" <<'PY'
import os, shutil, statistics, subprocess, sys, time
runs, bench, port, work, scripts = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5]
clients = {
    "TSmtpClient": [bench, "send", "127.0.0.1", port, work + "/10m.bin", "bob@example.test"],
    "curl": ["curl", "-s", "smtp://127.0.0.1:" + port, "--mail-from", "alice@example.test",
             "--mail-rcpt", "bob@example.test", "--upload-file", work + "/msg.eml"],
}
if shutil.which("msmtp"):
    clients["msmtp"] = ["sh", "-c", 'exec msmtp --host=127.0.0.1 --port=%s --auth=off --tls=off '
                        '--from=alice@example.test bob@example.test <"%s/msg.eml"' % (port, work)]
wall = {k: [] for k in clients}
cpu = {k: [] for k in clients}
loads = []
def one(cmd):
    # Each starts with the server's queue empty: no delivery of the last message runs beside it.
    subprocess.run([scripts + "/mailserver.sh", "wait-idle", work + "/server", "60"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t0 = time.perf_counter()
    p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(p.pid, 0)
    if status != 0: sys.exit("%s failed" % cmd[0])
    return time.perf_counter() - t0, usage.ru_utime + usage.ru_stime
for name, cmd in clients.items():  # once each, untimed: files and programs in the page cache
    one(cmd)
for run in range(runs):
    order = list(clients) if run % 2 == 0 else list(reversed(clients))
    for name in order:
        loads.append(os.getloadavg()[0])
        w, c = one(clients[name])
        wall[name].append(w); cpu[name].append(c)
spread = lambda v: "%.3f (%.3f..%.3f)" % (statistics.median(v), min(v), max(v))
print("10 MiB attachment, %d alternated rounds; median (min..max) seconds; load 1 min before each run %s"
      % (runs, "%.2f (%.2f..%.2f)" % (statistics.median(loads), min(loads), max(loads))))
for name in clients:
    print("  %-12s wall %s  CPU %s" % (name, spread(wall[name]), spread(cpu[name])))
m = statistics.median
print("ROW 10 MiB attachment send vs curl: %.2fx wall, %.2fx CPU (goal <= 1.0x wall)"
      % (m(wall["TSmtpClient"]) / m(wall["curl"]), m(cpu["TSmtpClient"]) / m(cpu["curl"])))
PY
"$SCRIPTS/mailserver.sh" wait-idle "$WORK/server" 30 >/dev/null 2>&1 || true
echo "delivered to bob: $(ls "$WORK/server/maildirs/bob/new" | wc -l) messages"
