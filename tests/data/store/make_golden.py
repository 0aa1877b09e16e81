#!/usr/bin/env python3
# Writes the golden reminders files byte by byte from the record table, with no
# help from the C++ code: the tests read them with the store and compare.
#   windows-two.qvm  as another writer may leave it: junk in string tails and
#                    alignment bytes, a flag stored as 0xFF
#   clean-two.qvm    the same reminders as this program writes them back
import struct
from datetime import date
from pathlib import Path

EPOCH = date(1899, 12, 30)


def days(d):
    return float((d - EPOCH).days)


def short_string(text, size, junk):
    raw = text.encode("cp1252")
    assert len(raw) <= size
    tail = bytes((junk + i) & 0xFF for i in range(size - len(raw))) if junk else bytes(size - len(raw))
    return bytes([len(raw)]) + raw + tail


def record(f, junk):
    b = bytearray()
    b += struct.pack("<H", f["Estado"])
    b += bytes([f["Activo"], f["Terminado"]])
    b += struct.pack("<H", f["Numero"])
    b += short_string(f["Descripcion"], 30, junk)
    b += bytes([0xA5, 0x5A, 0x33]) if junk else bytes(3)
    b += struct.pack("<d", f["FechaProx"])
    b += struct.pack("<d", f["HoraProx"])
    b += bytes([f["Repetir"]])
    b += short_string(f["Texto"], 255, junk)
    b += short_string(f["Sonido"], 255, junk)
    b += bytes([f["Caduca"], f["BorrarAlCaducar"]])
    b += bytes([0xEE]) if junk else bytes(1)
    b += struct.pack("<d", f["FechaUlt"])
    b += bytes([f["PorEmail"]])
    slots = f["Destinatarios"] + [0] * (255 - len(f["Destinatarios"]))
    b += bytes(slots)
    assert len(b) == 836, len(b)
    return bytes(b)


def reminders(foreign):
    true = 0xFF if foreign else 1
    first = dict(Estado=2, Activo=1, Terminado=0, Numero=1, Descripcion="Cita médico",
                 FechaProx=days(date(2026, 12, 8)), HoraProx=(9 * 60 + 30) / 1440.0, Repetir=3,
                 Texto="Línea 1\r\nLínea 2 cuesta 5 €", Sonido="C:\\Sonidos\\aviso.wav",
                 Caduca=1, BorrarAlCaducar=1, FechaUlt=days(date(2027, 1, 31)), PorEmail=1,
                 Destinatarios=[3, 0, 7])
    second = dict(Estado=0, Activo=true, Terminado=1, Numero=2, Descripcion="X" * 30,
                  FechaProx=days(date(2024, 2, 29)), HoraProx=(23 * 60 + 15) / 1440.0,
                  Repetir=127 + 2 + 8, Texto="", Sonido="", Caduca=0, BorrarAlCaducar=0,
                  FechaUlt=days(date(2024, 2, 29)), PorEmail=0, Destinatarios=[])
    return [first, second]


here = Path(__file__).resolve().parent
(here / "windows-two.qvm").write_bytes(b"".join(record(f, 0x41) for f in reminders(True)))
(here / "clean-two.qvm").write_bytes(b"".join(record(f, 0) for f in reminders(False)))
