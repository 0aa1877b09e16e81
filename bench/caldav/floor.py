#!/usr/bin/python3
"""The floor of a first sync: N events PUT one after another on one kept-alive
TLS connection, each a minimal VEVENT with If-None-Match: *, and nothing else
(no discovery, no listing, no local file). What the server costs per event.

floor.py CALENDAR_URL USER PASSWORD CAFILE N   (the calendar is made when missing)
"""
import base64
import http.client
import ssl
import sys
from urllib.parse import urlsplit


def main():
    url, user, password, cafile, count = sys.argv[1:]
    parts = urlsplit(url)
    context = ssl.create_default_context(cafile=cafile)
    connection = http.client.HTTPSConnection(parts.hostname, parts.port, context=context)
    auth = "Basic " + base64.b64encode(f"{user}:{password}".encode()).decode()
    connection.request("MKCALENDAR", parts.path, headers={"Authorization": auth})
    response = connection.getresponse()
    response.read()
    if response.status not in (201, 405):  # 405: it is there already
        sys.exit(f"MKCALENDAR: {response.status} {response.reason}")
    for i in range(int(count)):
        body = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//floor//bench//EN\r\nBEGIN:VEVENT\r\n"
                f"UID:floor-{i}\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20270105T080000\r\n"
                f"SUMMARY:Floor {i}\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n").encode()
        connection.request("PUT", f"{parts.path}floor-{i}.ics", body,
                           {"Authorization": auth, "Content-Type": "text/calendar; charset=utf-8",
                            "If-None-Match": "*"})
        response = connection.getresponse()
        response.read()
        if response.status not in (200, 201, 204):
            sys.exit(f"PUT {i}: {response.status} {response.reason}")


if __name__ == "__main__":
    main()
