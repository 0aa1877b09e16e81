#!/usr/bin/python3
"""Another device on the same calendar, through python3-caldav (an independent client).

phone.py URL USER PASSWORD CAFILE add UID SUMMARY YYYYMMDDTHHMMSS   event made on the phone
phone.py URL USER PASSWORD CAFILE edit UID SUMMARY                  its summary changed there, modified now
phone.py URL USER PASSWORD CAFILE delete UID
phone.py URL USER PASSWORD CAFILE list                              "UID<TAB>SUMMARY<TAB>DTSTART" per event
URL is the calendar's address.
"""
import sys
from datetime import datetime

from dateutil import tz

import caldav


def main():
    url, user, password, cafile, command, *rest = sys.argv[1:]
    client = caldav.DAVClient(url=url, username=user, password=password, ssl_verify_cert=cafile)
    calendar = client.calendar(url=url)
    if command == "add":
        uid, summary, start = rest
        calendar.save_event(
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//test//EN\r\nBEGIN:VEVENT\r\n"
            f"UID:{uid}\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:{start}\r\nSUMMARY:{summary}\r\n"
            "END:VEVENT\r\nEND:VCALENDAR\r\n")
    elif command == "edit":
        uid, summary = rest
        event = calendar.event_by_uid(uid)
        vevent = event.vobject_instance.vevent
        vevent.summary.value = summary
        if hasattr(vevent, "last_modified"):
            vevent.last_modified.value = datetime.now(tz.tzutc())
        else:
            vevent.add("last-modified").value = datetime.now(tz.tzutc())
        event.save()
    elif command == "delete":
        calendar.event_by_uid(rest[0]).delete()
    elif command == "list":
        for event in calendar.events():
            v = event.vobject_instance.vevent
            print(f"{v.uid.value}\t{v.summary.value}\t{v.dtstart.value}")
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main()
