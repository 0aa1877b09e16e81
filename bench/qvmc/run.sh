#!/usr/bin/env bash
# One QVMC session sending 200 queued files and one fetching 200 messages,
# against the local Postfix and Dovecot, beside Python's smtplib and poplib on
# one connection each (same run, same servers). Needs root (mail servers).
set -eu
build=${ORB_BUILD:?}
root=$(cd "$(dirname "$0")/../.." && pwd)
D=$(mktemp -d /tmp/orbbench.XXXXXX); chmod 755 "$D"
trap '"$root/scripts/mailserver.sh" stop "$D/ms" >/dev/null 2>&1; rm -rf "$D"' EXIT
MS_USERS="alice:alicepass bob:bobpass carol:carolpass" "$root/scripts/mailserver.sh" start "$D/ms" >/dev/null 2>&1
. "$D/ms/mailserver.env"
SMTP_PORT=${MS_SMTP_PORT:-2525}; POP_PORT=${MS_POP3_PORT:-2110}
P=$D/prog; mkdir -p "$P/MAIL" "$P/cfg" "$P/run"; chmod 700 "$P/run"
cp "$build/src/qvmc/QVMC" "$build/src/tools/qvtool" "$P/"
cd "$P"
env XDG_CONFIG_HOME="$P/cfg" ./qvtool profile QV.PFL --name Bench --email alice@example.test \
    --smtp "127.0.0.1:$SMTP_PORT" --pop3 "127.0.0.1:$POP_PORT" --login bob --password bobpass >/dev/null
for i in $(seq 1 200); do
  printf '# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- From ---\r\nBench\r\n<alice@example.test>\r\n--- Dest ---\r\n1\r\nbob@example.test\r\n--- Body ---\r\nReminder %s\r\n\r\nSome text of the reminder\r\n' "$i" > "MAIL/r_$i.OUT"
done
now() { date +%s.%N; }
run_qvmc() { env XDG_CONFIG_HOME="$P/cfg" XDG_RUNTIME_DIR="$P/run" QT_QPA_PLATFORM=offscreen ./QVMC "$@" >/dev/null 2>&1; }
t0=$(now); run_qvmc SMTP XXXX 5; t1=$(now)
left=$(ls MAIL/*.OUT 2>/dev/null | wc -l)
"$root/scripts/mailserver.sh" wait-idle "$D/ms" >/dev/null 2>&1 || true
py_send=$(python3 - "$SMTP_PORT" <<'PY'
import smtplib, sys, time
t = time.time()
with smtplib.SMTP("127.0.0.1", int(sys.argv[1])) as s:
    for i in range(200):
        s.sendmail("alice@example.test", ["carol@example.test"],
                   "Subject: other %d\r\n\r\nSome text of the reminder\r\n" % i)
print("%.3f" % (time.time() - t))
PY
)
"$root/scripts/mailserver.sh" wait-idle "$D/ms" >/dev/null 2>&1 || true
t2=$(now); run_qvmc XXXX POP3 5; t3=$(now)
fetched=$(ls MAIL/*.IN 2>/dev/null | wc -l)
py_fetch=$(python3 - "$POP_PORT" <<'PY'
import poplib, sys, time
t = time.time()
p = poplib.POP3("127.0.0.1", int(sys.argv[1])); p.user("carol"); p.pass_("carolpass")
n = len(p.list()[1])
for i in range(1, n + 1):
    p.top(i, 0); p.retr(i)
p.quit()
print("%.3f" % (time.time() - t))
PY
)
printf 'QVMC send 200 queued files      %6.3f s  (files left: %s)\n' "$(awk "BEGIN{print $t1 - $t0}")" "$left"
printf 'python smtplib, 200 on one link %6.3f s\n' "$py_send"
printf 'QVMC fetch 200 messages         %6.3f s  (incoming files: %s)\n' "$(awk "BEGIN{print $t3 - $t2}")" "$fetched"
printf 'python poplib, TOP+RETR of 200  %6.3f s\n' "$py_fetch"
