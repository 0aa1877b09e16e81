#!/usr/bin/env python3
"""The floor of a send: a minimal SMTP client with one wait per message
(RFC 2920): the end of one message's data goes out together with the
MAIL, RCPT and DATA of the next.

  floor_smtp.py HOST PORT FROM TO COUNT MESSAGE_FILE

MESSAGE_FILE holds the header and body (CRLF lines) sent COUNT times."""
import socket, sys

host, port, sender, rcpt, count, path = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], int(sys.argv[5]), sys.argv[6]
data = open(path, "rb").read()
data = b"\r\n".join((b"." + l if l.startswith(b".") else l) for l in data.split(b"\r\n"))
if not data.endswith(b"\r\n"):
    data += b"\r\n"
envelope = b"MAIL FROM:<%s>\r\nRCPT TO:<%s>\r\nDATA\r\n" % (sender.encode(), rcpt.encode())
sock = socket.create_connection((host, port))
sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
reader = sock.makefile("rb", buffering=1 << 16)


def reply(expect):
    while True:
        line = reader.readline()
        if not line.startswith(expect):
            raise SystemExit("server refused: %r" % line)
        if line[3:4] != b"-":
            return


reply(b"220")
sock.sendall(b"EHLO floor.example.test\r\n")
reply(b"250")
sock.sendall(envelope)
for n in range(count):
    reply(b"250"); reply(b"250"); reply(b"354")
    sock.sendall(data + b".\r\n" + (envelope if n + 1 < count else b"QUIT\r\n"))
    reply(b"250")
reply(b"221")
