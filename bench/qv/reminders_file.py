"""A reminders file for the benchmarks: COUNT daily reminders at 03:00 tomorrow."""
import datetime, struct


def reminders_file(path, count):
    """count daily reminders at 03:00 tomorrow: none falls due while measured."""
    day = (datetime.date.today() + datetime.timedelta(days=1) - datetime.date(1899, 12, 30)).days
    with open(path, "wb") as f:
        for n in range(1, count + 1):
            r = bytearray(836)
            struct.pack_into("<HBBH", r, 0, 2, 1, 0, n)
            d = ("Reminder %d" % n).encode()
            r[6] = len(d); r[7:7 + len(d)] = d
            struct.pack_into("<dd", r, 40, float(day), 3 / 24)
            r[56] = 3
            t = ("Text of reminder %d" % n).encode()
            r[57] = len(t); r[58:58 + len(t)] = t
            f.write(r)
