#!/usr/bin/env bash
# End to end between two installations through real mail servers on loopback:
# A's QV finds a reminder with two recipients due, queues it and starts QVMC,
# which sends it through Postfix; B's QVMC fetches it from Dovecot and B's QV
# shows and logs it. Then the failure paths. Usage: roundtrip.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
fails=0; passes=0
ok() { passes=$((passes + 1)); echo "ok   - $*"; }
bad() { fails=$((fails + 1)); echo "FAIL - $*"; }
check() { local what=$1; shift; if "$@" 2>/dev/null; then ok "$what"; else bad "$what"; fi; }
wait_for() { local secs=$1; shift; for _ in $(seq 1 $((secs * 10))); do "$@" && return 0; sleep 0.1; done; return 1; }

D=$(mktemp -d /tmp/orbe2e.XXXXXX)
chmod 755 "$D"
cleanup() { "$root/scripts/mailserver.sh" stop "$D/ms" >/dev/null 2>&1; pkill -f "$D/" 2>/dev/null; rm -rf "$D"; }
[ -n "${KEEP:-}" ] || trap cleanup EXIT
"$root/scripts/mailserver.sh" start "$D/ms" > "$D/ms.log" 2>&1 || { cat "$D/ms.log"; echo "FAIL - mail servers did not start"; exit 1; }
. "$D/ms/mailserver.env"
SMTP=127.0.0.1:${MS_SMTP_PORT:-2525}; POP=127.0.0.1:${MS_POP3_PORT:-2110}
maildir() { echo "$D/ms/maildirs/$1"; }
count_mail() { find "$(maildir "$1")/new" "$(maildir "$1")/cur" -type f 2>/dev/null | wc -l; }

install_folder() { # NAME LOGIN PASSWORD EMAIL
  local dir=$D/$1
  mkdir -p "$dir/cfg" "$dir/run"; chmod 700 "$dir/run"
  cp "$build/src/qv/QV" "$build/src/qvmc/QVMC" "$build/src/tools/qvtool" "$dir/"
  cp "$root/resources/lang/en.cat" "$dir/QVLANG.cat"
  "$root/scripts/install-sounds.sh" "$dir"
  (cd "$dir" && env XDG_CONFIG_HOME="$dir/cfg" ./qvtool profile QV.PFL --name "$1 user" --email "$4" \
      --smtp "$SMTP" --pop3 "$POP" --login "$2" --password "$3" \
      --address bob@example.test --address carol@example.test >/dev/null)
  (cd "$dir" && env XDG_CONFIG_HOME="$dir/cfg" ./qvtool settings set Splash 0 && \
      env XDG_CONFIG_HOME="$dir/cfg" ./qvtool settings set DueMsgs 0)
}
run_in() { # NAME CMD...: runs in an installation's folder with its own settings and markers
  local dir=$D/$1; shift
  (cd "$dir" && env XDG_CONFIG_HOME="$dir/cfg" XDG_RUNTIME_DIR="$dir/run" QT_QPA_PLATFORM=offscreen ORB_NO_DIALOGS=1 "$@")
}

install_folder A alice alicepass alice@example.test
install_folder B bob bobpass bob@example.test

# --- A: a reminder due at 10:30 with recipients bob (1) and carol (2) ---
run_in A ./qvtool add "$D/A/work.QVM" --desc "Team meeting" --date 2026-12-08 --time 10:30 --repeat 3 \
    --text 'Room 3\nbring the slides' --recipients 1,2 >/dev/null
run_in A ./qvtool settings set OpenFile "$D/A/work.QVM"
run_in A faketime -f '@2026-12-08 10:29:52 x4' "$D/A/QV" > "$D/A.qv.log" 2>&1 &
check "A queues the outgoing file and QVMC sends it (both mailboxes)" \
    wait_for 60 bash -c "[ \$(find '$(maildir bob)' '$(maildir carol)' -path '*new*' -type f 2>/dev/null | wc -l) -ge 2 ]"
check "A's outgoing file is gone after the send" wait_for 20 bash -c "! ls '$D/A/MAIL/'*.OUT >/dev/null 2>&1"
check "A's session log shows the send" wait_for 20 grep -q "Mail sent (" "$D/A/TEMP/QV_LOG.TXT"
check "A's session log ends its session" grep -q "End of Session" "$D/A/TEMP/QV_LOG.TXT"
pkill -f "$D/A/QV" 2>/dev/null
msg=$(find "$(maildir bob)/new" -type f | head -1)
check "the message carries the system's subject" grep -q "^Subject: Norvo Orbalinder Message" "$msg"
check "the message carries the reminder text" grep -q "bring the slides" "$msg"

# --- B: another mail in bob's box that is not ours ---
printf 'Subject: lunch\r\n\r\nsee you\r\n' | curl -sS "smtp://$SMTP" --mail-from t@client.test \
    --mail-rcpt bob@example.test -T - >/dev/null
"$root/scripts/mailserver.sh" wait-idle "$D/ms" >/dev/null 2>&1
check "bob's box holds two messages" test "$(count_mail bob)" -eq 2
run_in B ./QVMC XXXX POP3 2 > "$D/B.qvmc.log" 2>&1
check "B's QVMC writes one incoming file" test "$(ls "$D/B/MAIL/"*.IN 2>/dev/null | wc -l)" -eq 1
check "B's QVMC deletes only our message on the server" test "$(count_mail bob)" -eq 1
check "B's session log" grep -q "Mail deleted from server (" "$D/B/TEMP/QV_LOG.TXT"
run_in B faketime -f '@2026-12-08 11:00:00 x8' "$D/B/QV" > "$D/B.qv.log" 2>&1 &
check "B's QV shows the mail and logs it" wait_for 40 grep -q "bring the slides" "$D/B/MAIL/QV_EMAIL.TXT"
check "B's incoming file is gone" wait_for 10 bash -c "! ls '$D/B/MAIL/'*.IN >/dev/null 2>&1"
pkill -f "$D/B/QV" 2>/dev/null

# --- Failure paths ---
run_in B ./qvtool profile QV.PFL --name B --email bob@example.test --smtp "$SMTP" --pop3 "$POP" --login bob --password wrong >/dev/null
run_in B ./QVMC XXXX POP3 1 >/dev/null 2>&1
check "wrong password is logged" grep -q "POP authentication failed" "$D/B/TEMP/QV_LOG.TXT"
run_in B ./qvtool profile QV.PFL --name B --email bob@example.test --smtp "no-such-host.invalid:2525" --pop3 "$POP" --login bob --password bobpass >/dev/null
printf '# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- Dest ---\r\n1\r\nbob@example.test\r\n--- Body ---\r\nx\r\n' > "$D/B/MAIL/x_1.OUT"
run_in B ./QVMC SMTP XXXX 1 >/dev/null 2>&1
check "unknown host is logged and the queue file stays" bash -c "grep -q 'SMTP host not found' '$D/B/TEMP/QV_LOG.TXT' && test -f '$D/B/MAIL/x_1.OUT'"
run_in B ./qvtool profile QV.PFL --name B --email bob@example.test --smtp "$SMTP" --pop3 "$POP" --login bob --password bobpass >/dev/null
printf '# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- Dest ---\r\n1\r\nbob@example.test\r\nno body marker\r\n' > "$D/B/MAIL/a_1.OUT"
run_in B ./QVMC SMTP XXXX 1 >/dev/null 2>&1
check "a queue file without its body marker is reported and kept" bash -c "grep -q 'Error sending mail (.*a_1.OUT)' '$D/B/TEMP/QV_LOG.TXT' && test -f '$D/B/MAIL/a_1.OUT'"
check "the good queue file next to it is sent and deleted" bash -c "grep -q 'Mail sent (.*x_1.OUT)' '$D/B/TEMP/QV_LOG.TXT' && ! test -f '$D/B/MAIL/x_1.OUT'"
"$root/scripts/mailserver.sh" stop "$D/ms" >/dev/null 2>&1
run_in B ./QVMC SMTP POP3 1 >/dev/null 2>&1
check "stopped servers are logged as failed connections" grep -q "POP connection failed" "$D/B/TEMP/QV_LOG.TXT"

echo "roundtrip: $passes passed, $fails failed"
[ "$fails" -eq 0 ]
