#!/usr/bin/env python3
"""Writes the sample profiles files used by tst_profiles, laid out field by field
from the file format (independently of the C++ code that reads them)."""
import struct

SIZE, PROFILE, ENTRY = 25736, 496, 62


def short_string(buf, offset, text, tail=b""):
    data = text.encode("cp1252")
    assert len(data) <= 60
    buf[offset] = len(data)
    buf[offset + 1:offset + 1 + len(data)] = data
    # bytes after the text have no meaning; fill some with junk that readers must ignore
    buf[offset + 1 + len(data):offset + 1 + len(data) + len(tail)] = tail


def profile(buf, p, active, name, email, conn_pos, conn_name, smtp, pop3, lsmtp, lpop3, pw):
    b = 4 + (p - 1) * PROFILE
    buf[b] = active
    short_string(buf, b + 1, name, b"\xAA\xAA")
    short_string(buf, b + 62, email)
    buf[b + 123] = 0x5A  # unused byte, kept by a load and save
    struct.pack_into("<i", buf, b + 124, conn_pos)
    short_string(buf, b + 128, conn_name)
    short_string(buf, b + 189, smtp)
    short_string(buf, b + 250, pop3)
    short_string(buf, b + 311, lsmtp)
    short_string(buf, b + 372, lpop3)
    short_string(buf, b + 433, pw, b"\xEE")
    buf[b + 494:b + 496] = b"\x77\x77"


def entry(buf, k, number, address, tail=b""):
    b = 9924 + (k - 1) * ENTRY
    buf[b] = number
    short_string(buf, b + 1, address, tail)


buf = bytearray(SIZE)
struct.pack_into("<H", buf, 0, 256)
buf[2] = 1
buf[3] = 3
profile(buf, 1, 0, "Ana Pérez", "ana@example.org", 0, "(ninguna)", "smtp.example.org",
        "pop.example.org", "ana", "ana.pop", "s3cr€t")
profile(buf, 2, 0, "Sin correo", "", 0, "", "smtp.lost.example", "", "", "", "")
profile(buf, 3, 1, "Luis", "luis@example.org", 2, "Casa", "mail.example.org",
        "mail.example.org", "", "luis", "pw")
entry(buf, 1, 1, "uno@example.org")
entry(buf, 2, 2, "dos@example.org", b"\x01\x02\x03")
entry(buf, 4, 4, "cuatro@example.org")
entry(buf, 5, 0, "", b"junk")  # free entry with junk after its empty text
entry(buf, 255, 255, "ultimo@example.org")
buf[25734:25736] = b"\x12\x34"
open("tres-perfiles.pfl", "wb").write(buf)

open("corto.pfl", "wb").write(buf[:1000])
open("largo.pfl", "wb").write(buf + b"\0")
foreign = bytearray(buf)
struct.pack_into("<H", foreign, 0, 0x4B50)  # "PK": some other kind of file
open("ajeno.pfl", "wb").write(foreign)
bad_active = bytearray(buf)
bad_active[3] = 21
open("activo-21.pfl", "wb").write(bad_active)
open("vacio.pfl", "wb").write(b"")
