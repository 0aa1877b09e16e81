#!/usr/bin/python3
# An independent reader of an exported calendar: python3-icalendar parses it
# and recurring_ical_events expands each event's rule. Prints, per event, its
# first COUNT occurrences as "UID<TAB>YYYY-MM-DD HH:MM" in the wall time of
# the event's own zone.
import datetime
import sys

import icalendar
import recurring_ical_events

path, count = sys.argv[1], int(sys.argv[2])
with open(path, "rb") as f:
    calendar = icalendar.Calendar.from_ical(f.read())
timezones = calendar.walk("VTIMEZONE")
span_days = {"HOURLY": 3, "DAILY": 800, "WEEKLY": 3000, "MONTHLY": 9000, "YEARLY": 40000}
for event in calendar.walk("VEVENT"):
    uid = str(event["UID"])
    start = event.decoded("DTSTART")
    rule = event.get("RRULE")
    days = span_days.get(rule["FREQ"][0], 1) if rule else 1
    alone = icalendar.Calendar()
    for tz in timezones:
        alone.add_component(tz)
    alone.add_component(event)
    found = recurring_ical_events.of(alone).between(start, start + datetime.timedelta(days=days))
    for moment in sorted(o.decoded("DTSTART") for o in found)[:count]:
        print("%s\t%s" % (uid, moment.strftime("%Y-%m-%d %H:%M")))
