#!/usr/bin/env bash
# Calendar sync of 2,000 reminders with a real Radicale on loopback (TLS, password):
# the first sync (every reminder sent), a sync with nothing changed (one sync-collection
# REPORT, no download), and one after the phone added an event. Beside them, the
# floor: the same number of events PUT by a bare client on one connection
# (floor.py), which is what the server itself costs per event.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
qvtool="$ORB_BUILD/src/tools/qvtool"
work=$(mktemp -d)
port=$((27000 + $$ % 2000))
trap 'CS_PORT=$port "$root/scripts/caldavserver.sh" stop "$work/radicale" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
CS_PORT=$port "$root/scripts/caldavserver.sh" start "$work/radicale" 2>/dev/null
file="$work/bench.QVM"
n=${BENCH_REMINDERS:-2000}
for i in $(seq "$n"); do
  day=$(( (i % 28) + 1 ))
  "$qvtool" add "$file" --desc "Reminder $i" --date "2027-01-$(printf %02d "$day")" --time "$(printf %02d $((i % 24))):$(printf %02d $((i % 60)))" \
    --repeat $(( i % 2 ? 3 : 0 )) --text "Text of reminder $i" >/dev/null
done
sync() { echo alicepass | "$qvtool" sync "$file" --url "https://127.0.0.1:$port/" --user alice --password - --ca-file "$work/radicale/tls/ca.pem"; }
timed() {
  local label=$1 t0 t1 out
  t0=$(date +%s.%N); out=$(sync); t1=$(date +%s.%N)
  printf '%-34s %7.2f s   %s\n' "$label" "$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b-a}')" "$(echo "$out" | tail -1 | sed 's/^[^:]*: //; s/^[^ ]*\/ //')"
}
echo "$n reminders, Radicale $(/usr/bin/python3 -c 'import radicale; print(radicale.VERSION)') on loopback with TLS"
timed "first sync (all sent)"
timed "no change"
/usr/bin/python3 "$root/tests/caldav/phone.py" "https://127.0.0.1:$port/alice/reminders/" alice alicepass \
  "$work/radicale/tls/ca.pem" add bench-phone "From the phone" 20270105T080000
timed "one event added on the phone"
timed "no change"
t0=$(date +%s.%N)
/usr/bin/python3 "$root/bench/caldav/floor.py" "https://127.0.0.1:$port/alice/floor/" alice alicepass \
  "$work/radicale/tls/ca.pem" "$n"
t1=$(date +%s.%N)
printf '%-34s %7.2f s   %s\n' "floor: $n bare PUTs" "$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b-a}')" "one connection, nothing else"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
