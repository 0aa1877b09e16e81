#!/usr/bin/env bash
# QVMC sessions against the local Postfix and Dovecot beside established
# clients and beside the floor clients (floor_smtp.py, floor_pop3.py: one wait
# per message), all doing the same work:
#   send: ORB_BENCH_SEND (200) messages on one connection, start-up included;
#   fetch: ORB_BENCH_FETCH ("1000"; e.g. "200 1000 5000") messages of the
#   system's subject, each client keeps every message (QVMC's MAIL folder,
#   Maildir for mpop and the floor, one BSMTP file for fetchmail) and deletes
#   it on the server. Output lies once on tmpfs and once on disk.
# Rounds (ORB_BENCH_RUNS, 5) alternate the clients' order; every run starts in
# a fresh output folder (old ones are moved aside, deleted only at the end) after
# a sync; Python is the real interpreter binary. Figures: median (min..max),
# with the machine's load. QVMC runs offscreen, and behind a real tray
# (Xvfb + icewm) when both are installed. Needs root (mail servers).
# ORB_BENCH_PORT_BASE (35300) ports.
set -eu
build=${ORB_BUILD:?}
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/bench/qvmc
runs=${ORB_BENCH_RUNS:-5}
send_count=${ORB_BENCH_SEND:-200}
fetch_counts=${ORB_BENCH_FETCH:-1000}
base=${ORB_BENCH_PORT_BASE:-35300}
export MS_SMTP_PORT=$((base + 1)) MS_SUBMISSION_PORT=$((base + 2)) MS_SMTPS_PORT=$((base + 3))
export MS_POP3_PORT=$((base + 4)) MS_POP3S_PORT=$((base + 5))
SMTP_PORT=$MS_SMTP_PORT; POP_PORT=$MS_POP3_PORT
display=${ORB_BENCH_DISPLAY:-:96}
py=$(readlink -f "$(PATH=/usr/bin:/bin command -v python3)")  # the interpreter, not a shim
D=$(mktemp -d /var/tmp/orbbench.XXXXXX); chmod 755 "$D"      # on disk
T=$(mktemp -d /dev/shm/orbbench.XXXXXX); chmod 755 "$T"      # on tmpfs
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  "$root/scripts/mailserver.sh" stop "$D/ms" >/dev/null 2>&1 || true
  rm -rf "$D" "$T"
}
trap cleanup EXIT
MS_USERS="alice:alicepass bob:bobpass carol:carolpass" "$root/scripts/mailserver.sh" start "$D/ms" >/dev/null 2>&1
. "$D/ms/mailserver.env"
vmail=${MS_VMAIL_USER:-vmail}
declare -A dir=([tmpfs]=$T [disk]=$D/out)
for m in tmpfs disk; do
  P=${dir[$m]}/prog; mkdir -p "$P/MAIL" "$P/cfg" "$P/run" "${dir[$m]}/old"; chmod 700 "$P/run"
  cp "$build/src/qvmc/QVMC" "$build/src/tools/qvtool" "$P/"
  (cd "$P" && env XDG_CONFIG_HOME="$P/cfg" ./qvtool profile QV.PFL --name Bench --email alice@example.test \
      --smtp "127.0.0.1:$SMTP_PORT" --pop3 "127.0.0.1:$POP_PORT" --login bob --password bobpass >/dev/null)
done

tray=no
if command -v Xvfb >/dev/null && command -v icewm >/dev/null; then
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
  sleep 1
  DISPLAY=$display icewm >/dev/null 2>&1 & pids+=($!)
  sleep 2
  tray=yes
fi

k=0
fresh() { # medium: a new empty output folder in $out; the program's MAIL folder is renewed too
  k=$((k + 1))
  local b=${dir[$1]}
  mv "$b/prog/MAIL" "$b/old/MAIL.$k"; mkdir "$b/prog/MAIL"
  out=$b/old/out.$k; mkdir "$out"
}
queue() { # medium count: queue files for QVMC, to carol
  local i
  for i in $(seq 1 "$2"); do
    printf '# File created by Norvo Orbalinder 2.0. DO NOT MODIFY!\r\n--- From ---\r\nBench\r\n<alice@example.test>\r\n--- Dest ---\r\n1\r\ncarol@example.test\r\n--- Body ---\r\nReminder %s\r\n\r\nSome text of the reminder\r\n' "$i" >"${dir[$1]}/prog/MAIL/r_$i.OUT"
  done
}
qvmc() { # medium where args...
  local P=${dir[$1]}/prog where=$2; shift 2
  local qpa=offscreen; [ "$where" = tray ] && qpa=xcb
  (cd "$P" && env XDG_CONFIG_HOME="$P/cfg" XDG_RUNTIME_DIR="$P/run" QT_QPA_PLATFORM=$qpa DISPLAY="$display" ./QVMC "$@")
}
idle() { "$root/scripts/mailserver.sh" wait-idle "$D/ms" 120 >/dev/null 2>&1 || true; }
clear_server() { "$root/scripts/mailserver.sh" clear "$D/ms" >/dev/null 2>&1 || true; }
count() { find "$1" -type f 2>/dev/null | wc -l; }

# The message every client handles: the one QVMC itself sends, as delivered.
queue tmpfs 1; qvmc tmpfs offscreen SMTP XXXX 5 >/dev/null 2>&1 || true; idle
first=$(find "$MS_MAILDIRS/carol/new" -type f | head -1)
[ -n "$first" ] || { echo "QVMC sent nothing: no figures" >&2; exit 1; }
cp "$first" "$D/delivered.eml"
# What a sender hands over: without the lines the servers add on delivery.
awk 'BEGIN{h=1} h && /^(Return-Path|Delivered-To|Received):/ {skip=1; next}
     h && skip && /^[ \t]/ {next} {skip=0; h=h && !/^\r?$/; print}' "$D/delivered.eml" >"$D/message.eml"
clear_server; fresh tmpfs
for i in $(seq 1 "$send_count"); do ln "$D/message.eml" "$D/m$i.eml"; done

fill() { # count: that many messages of the system's subject waiting for bob, nothing else
  local box=$MS_MAILDIRS/bob
  "$py" - "$box" "$1" "$D/delivered.eml" "$k" <<'PY'
import os, sys
box, n, data, tag = sys.argv[1], int(sys.argv[2]), open(sys.argv[3], "rb").read(), sys.argv[4]
for sub in ("new", "cur", "tmp"):
    os.makedirs(os.path.join(box, sub), exist_ok=True)
for i in range(n):
    with open(os.path.join(box, "new", "%s.%d.bench" % (tag, i)), "wb") as f:
        f.write(data)
PY
  chown -R "$vmail:" "$box"
}
cat >"$D/mpoprc" <<RC
account bench
host 127.0.0.1
port $POP_PORT
user bob
password bobpass
tls off
auth user
RC
chmod 600 "$D/mpoprc"
cat >"$D/fetchmailrc" <<RC
poll 127.0.0.1 protocol pop3 port $POP_PORT user bob password bobpass fetchall
RC
chmod 600 "$D/fetchmailrc"

# One client's run; prints the count it handled.
send_client() { # client medium
  case $1 in
    qvmc_offscreen|qvmc_tray) qvmc "$2" "${1#qvmc_}" SMTP XXXX 5 >/dev/null 2>&1 || true ;;
    smtplib) "$py" - "$SMTP_PORT" "$send_count" "$D/message.eml" <<'PY'
import smtplib, sys
data = open(sys.argv[3], "rb").read()
with smtplib.SMTP("127.0.0.1", int(sys.argv[1])) as s:
    for i in range(int(sys.argv[2])):
        s.sendmail("alice@example.test", ["carol@example.test"], data)
PY
      ;;
    floor_smtp) "$py" "$here/floor_smtp.py" 127.0.0.1 "$SMTP_PORT" alice@example.test carol@example.test "$send_count" "$D/message.eml" ;;
    curl) curl -s --mail-from alice@example.test --mail-rcpt carol@example.test \
            -T "$D/m[1-$send_count].eml" "smtp://127.0.0.1:$SMTP_PORT/bench.example.test" >/dev/null ;;
  esac
}
fetch_client() { # client medium output
  case $1 in
    qvmc_offscreen|qvmc_tray) qvmc "$2" "${1#qvmc_}" XXXX POP3 5 >/dev/null 2>&1 || true ;;
    mpop) mkdir -p "$3/new" "$3/cur" "$3/tmp"; mpop -C "$D/mpoprc" --keep=off --only-new=off --uidls-file="$3.uidls" --delivery=maildir,"$3" bench >/dev/null 2>&1 || true ;;
    fetchmail) fetchmail -f "$D/fetchmailrc" --nosyslog -i "$3.ids" --sslproto '' --bsmtp "$3/all.bsmtp" >/dev/null 2>&1 || true ;;
    floor_pop3) "$py" "$here/floor_pop3.py" 127.0.0.1 "$POP_PORT" bob bobpass "$3" >/dev/null ;;
  esac
}
handled() { # client medium output
  case $1 in
    qvmc_*) ls "${dir[$2]}/prog/MAIL" | grep -c '\.IN$' || true ;;
    fetchmail) grep -c '^MAIL FROM' "$3/all.bsmtp" 2>/dev/null || echo 0 ;;
    *) find "$3/new" -type f 2>/dev/null | wc -l ;;
  esac
}

: >"$D/figures"; : >"$D/loads"
timed() { # key command...: runs it after a sync, records seconds and the load before
  sync
  cut -d' ' -f1 /proc/loadavg >>"$D/loads"
  local t0=$EPOCHREALTIME
  "$@"
  local t1=$EPOCHREALTIME
  echo "$key $(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.4f", b-a}')" >>"$D/figures"
}
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
qv=(qvmc_offscreen); [ $tray = yes ] && qv+=(qvmc_tray)
senders=(); for c in "${qv[@]}"; do senders+=("$c:tmpfs" "$c:disk"); done
senders+=(smtplib:- floor_smtp:- curl:-)
fetchers=()
for m in tmpfs disk; do
  for c in "${qv[@]}" floor_pop3; do fetchers+=("$c:$m"); done
  command -v mpop >/dev/null && fetchers+=("mpop:$m")
  command -v fetchmail >/dev/null && fetchers+=("fetchmail:$m")
done
rotate() { local r=$1; shift; local a=("$@") n=$#; for i in $(seq 0 $((n - 1))); do echo "${a[$(((i + r) % n))]}"; done; }
for run in $(seq 1 "$runs"); do
  for e in $(rotate "$run" "${senders[@]}"); do
    c=${e%%:*}; m=${e#*:}
    case $c in qvmc_*) fresh "$m"; queue "$m" "$send_count"; key=send_${c#qvmc_}_$m ;; *) key=send_$c ;; esac
    timed send_client "$c" "$m"
    idle
    got=$(count "$MS_MAILDIRS/carol/new")
    [ "$got" -eq "$send_count" ] || echo "  (run $run $key: $got of $send_count delivered)"
    clear_server
  done
  for n in $fetch_counts; do
    for e in $(rotate "$run" "${fetchers[@]}"); do
      c=${e%%:*}; m=${e#*:}
      fresh "$m"
      fill "$n"
      case $c in qvmc_*) key=fetch${n}_${c#qvmc_}_$m ;; *) key=fetch${n}_${c}_$m ;; esac
      timed fetch_client "$c" "$m" "$out"
      got=$(handled "$c" "$m" "$out"); left=$(count "$MS_MAILDIRS/bob/new"); left=$((left + $(count "$MS_MAILDIRS/bob/cur")))
      [ "$got" -eq "$n" ] && [ "$left" -eq 0 ] || echo "  (run $run $key: kept $got of $n, $left left on the server)"
      clear_server
    done
  done
done

"$py" - "$D/figures" "$D/loads" "$runs" "$tray" "$load_start" "$(cut -d' ' -f1-3 /proc/loadavg)" "$send_count" "$fetch_counts" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    k, v = line.split()
    rows.setdefault(k, []).append(float(v))
loads = [float(x) for x in open(sys.argv[2])]
runs, tray, send_count, fetch_counts = sys.argv[3], sys.argv[4], sys.argv[7], sys.argv[8].split()
m = {k: statistics.median(v) for k, v in rows.items()}
spread = lambda v: "%.3f (%.3f..%.3f)" % (statistics.median(v), min(v), max(v))
print("%s alternated rounds; median (min..max) seconds; load 1 min before each run %s; loadavg at start %s, at end %s"
      % (runs, spread(loads), sys.argv[5], sys.argv[6]))
for k in sorted(rows):
    print("  %-30s %s" % (k, spread(rows[k])))
def ratio(a, b):
    return "%.2fx %s" % (m[a] / m[b], b.split("_", 1)[1]) if a in m and b in m else None
for where in ("offscreen", "tray"):
    for medium in ("tmpfs", "disk"):
        k = "send_%s_%s" % (where, medium)
        if k in m:
            print("ROW QVMC sends %s (%s, MAIL on %s): %s (goal <= 1.02x floor_smtp)" % (
                send_count, where, medium, ", ".join(filter(None, (ratio(k, p) for p in ("send_floor_smtp", "send_smtplib", "send_curl"))))))
for n in fetch_counts:
    for where in ("offscreen", "tray"):
        for medium in ("tmpfs", "disk"):
            k = "fetch%s_%s_%s" % (n, where, medium)
            if k in m:
                peers = ", ".join(filter(None, (ratio(k, "fetch%s_%s_%s" % (n, p, medium)) for p in ("mpop", "fetchmail", "floor_pop3"))))
                print("ROW QVMC fetches %s (%s, output on %s): %s (goal <= 1.0x mpop)" % (n, where, medium, peers))
if tray != "yes":
    print("(no Xvfb + icewm: the tray rows were not measured)")
PY
