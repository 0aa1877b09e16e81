#!/usr/bin/env python3
"""The floor of a POP3 fetch: a minimal client that pipelines every command.

  floor_pop3.py HOST PORT USER PASSWORD MAILDIR

Logs in, lists, asks every RETR in one burst, writes each message into
MAILDIR (tmp/ then new/) as it streams in, then asks every DELE in one burst
and QUIT (the server applies the deletions at QUIT). Prints the count kept."""
import os, socket, sys, threading

host, port, user, password, maildir = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5]
for sub in ("tmp", "new", "cur"):
    os.makedirs(os.path.join(maildir, sub), exist_ok=True)
sock = socket.create_connection((host, port))
sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
reader = sock.makefile("rb", buffering=1 << 16)


def status():
    line = reader.readline()
    if not line.startswith(b"+OK"):
        raise SystemExit("server refused: %r" % line)
    return line


def burst(commands):
    """Writes from a thread, so a long burst never waits on replies nobody reads."""
    t = threading.Thread(target=sock.sendall, args=(b"".join(commands),))
    t.start()
    return t


status()
burst([b"USER %s\r\n" % user.encode(), b"PASS %s\r\n" % password.encode(), b"STAT\r\n"]).join()
status(); status()
count = int(status().split()[1])
writer = burst([b"RETR %d\r\n" % n for n in range(1, count + 1)])
pid = os.getpid()
for n in range(1, count + 1):
    status()
    lines = []
    while True:
        line = reader.readline()
        if line == b".\r\n" or not line:
            break
        lines.append(line[1:] if line.startswith(b"..") else line)
    name = "%d.%d_%d.floor" % (pid, n, count)
    tmp = os.path.join(maildir, "tmp", name)
    with open(tmp, "wb") as f:
        f.write(b"".join(lines))
    os.rename(tmp, os.path.join(maildir, "new", name))
writer.join()
burst([b"DELE %d\r\n" % n for n in range(1, count + 1)] + [b"QUIT\r\n"]).join()
for n in range(count + 1):
    status()
print(count)
