#!/usr/bin/env bash
# Peak memory of one QVMC receive session fetching a single 100 MB message
# (a text part and a 70 MB base64 attachment) from a loopback POP3 peer, beside
# the same session fetching a 1 MB message: the peak must not grow with the
# size of the message.
set -eu
build=${ORB_BUILD:?}
D=$(mktemp -d /tmp/orbmem.XXXXXX)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$D"' EXIT
P=$D/prog; mkdir -p "$P/MAIL" "$P/cfg/Orbalinder" "$P/run"; chmod 700 "$P/run"
cp "$build/src/qvmc/QVMC" "$build/src/tools/qvtool" "$P/"
# Let QVMC take messages of up to 200 MB.
printf '[Software\\Norvo Freeware\\Orbalinder]\nMaxMailSize=dword:200\n' > "$P/cfg/Orbalinder/settings.conf"

serve() { # serve MB PORTFILE: a POP3 peer with one message of about MB megabytes
  python3 - "$1" "$2" <<'PY' &
import base64, os, socket, sys
mb, portfile = int(sys.argv[1]), sys.argv[2]
text = b"".join(b"Line %d of the text part of this reminder message\r\n" % i for i in range(mb * 3000))
blob = base64.encodebytes(os.urandom(mb * 700 * 1024)).replace(b"\n", b"\r\n")
msg = (b"From: bench@example.test\r\nSubject: Norvo Orbalinder Message\r\n"
       b"Content-Type: multipart/mixed; boundary=zz\r\n\r\n--zz\r\n\r\n" + text +
       b"--zz\r\nContent-Disposition: attachment; filename=\"big.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       blob + b"--zz--\r\n")
srv = socket.socket(); srv.bind(("127.0.0.1", 0)); srv.listen(1)
open(portfile, "w").write(str(srv.getsockname()[1]))
c, _ = srv.accept(); f = c.makefile("rb")
c.sendall(b"+OK\r\n")
for line in f:
    cmd = line.strip().upper()
    if cmd.startswith(b"STAT"): c.sendall(b"+OK 1 %d\r\n" % len(msg))
    elif cmd == b"LIST": c.sendall(b"+OK\r\n1 %d\r\n.\r\n" % len(msg))
    elif cmd.startswith(b"LIST"): c.sendall(b"+OK 1 %d\r\n" % len(msg))
    elif cmd.startswith(b"TOP"): c.sendall(b"+OK\r\nSubject: Norvo Orbalinder Message\r\n\r\n.\r\n")
    elif cmd.startswith(b"RETR"): c.sendall(b"+OK\r\n" + msg + b".\r\n")
    elif cmd.startswith(b"QUIT"): c.sendall(b"+OK\r\n"); break
    else: c.sendall(b"+OK\r\n")
PY
  pids+=($!)
}

peak() { # peak MB: prints QVMC's maximum resident set in MB for a message of MB megabytes
  rm -rf "$P/MAIL" "$D/port"; mkdir -p "$P/MAIL"
  serve "$1" "$D/port"
  for _ in $(seq 100); do [ -s "$D/port" ] && break; sleep 0.1; done
  (cd "$P" && env XDG_CONFIG_HOME="$P/cfg" ./qvtool profile QV.PFL --name Bench --email b@example.test \
      --smtp 127.0.0.1:1 --pop3 "127.0.0.1:$(cat "$D/port")" --login bob --password pw >/dev/null)
  local kb
  kb=$(cd "$P" && env XDG_CONFIG_HOME="$P/cfg" XDG_RUNTIME_DIR="$P/run" QT_QPA_PLATFORM=offscreen python3 -c '
import resource, subprocess
subprocess.run(["./QVMC", "XXXX", "POP3", "5"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)')
  local got; got=$(ls "$P/MAIL"/*.IN 2>/dev/null | wc -l)
  echo "$((kb / 1024)) MB (incoming files: $got, attachment: $(stat -c %s "$P/MAIL/Attachments/big.bin" 2>/dev/null || echo none) bytes)"
}

printf 'QVMC peak memory, 1 MB message    %s\n' "$(peak 1)"
printf 'QVMC peak memory, 100 MB message  %s\n' "$(peak 100)"
