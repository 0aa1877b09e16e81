#!/usr/bin/python3
"""A plain-HTTP stand-in on loopback in front of Radicale, for two server behaviours Radicale never shows.

standin.py PORT RADICALE_URL CAFILE MODE
  nosync    the calendars offer no sync-collection: left out of supported-report-set, such a REPORT refused
  truncate  every sync-collection answer stops after one change, the calendar itself answering 507
            (RFC 6578 3.6), with a token of the stand-in's own that goes on where the answer stopped
Everything else goes to Radicale as it came. Prints "ready" once it listens.
"""
import http.client
import http.server
import itertools
import re
import ssl
import sys
import threading
import urllib.parse

port, upstream, cafile, mode = sys.argv[1:]
up = urllib.parse.urlsplit(upstream)
tls = ssl.create_default_context(cafile=cafile)
pages, pages_lock, numbers = {}, threading.Lock(), itertools.count(1)
TOKEN = re.compile(rb"<(?:\w+:)?sync-token>(.*?)</(?:\w+:)?sync-token>", re.S)


class StandIn(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def forward(self, body):
        c = http.client.HTTPSConnection(up.hostname, up.port, context=tls, timeout=30)
        skip = ("host", "content-length", "connection", "accept-encoding")  # answers read as they are
        c.request(self.command, self.path, body=body, headers={k: v for k, v in self.headers.items() if k.lower() not in skip})
        r = c.getresponse()
        skip = ("transfer-encoding", "connection", "content-length")
        return r.status, [(k, v) for k, v in r.getheaders() if k.lower() not in skip], r.read()

    def answer(self, status, headers, body):
        self.send_response(status)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def page(self, body):
        asked = TOKEN.search(body)
        asked = asked.group(1) if asked else b""
        with pages_lock:
            rest = pages.pop(asked, None)
        if rest is None:
            status, headers, data = self.forward(body)
            if status != 207:
                return status, headers, data
            rest = (re.findall(rb"<response>.*?</response>", data, re.S), TOKEN.search(data).group(1))
        responses, final = rest
        token = final
        if len(responses) > 1:
            token = b"http://standin/%d" % next(numbers)
            with pages_lock:
                pages[token] = (responses[1:], final)
            responses = responses[:1] + [b"<response><href>" + self.path.encode() +
                                         b"</href><status>HTTP/1.1 507 Insufficient Storage</status></response>"]
        return 207, [("Content-Type", "text/xml; charset=utf-8")], (
            b"<?xml version='1.0' encoding='utf-8'?>\n<multistatus xmlns=\"DAV:\"><sync-token>" + token +
            b"</sync-token>" + b"".join(responses) + b"</multistatus>")

    def any(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        if self.command == "REPORT" and b"sync-collection" in body:
            if mode == "nosync":
                return self.answer(403, [("Content-Type", "text/xml")],
                                   b'<?xml version="1.0"?><error xmlns="DAV:"><supported-report/></error>')
            return self.answer(*self.page(body))
        status, headers, data = self.forward(body)
        if mode == "nosync" and self.command == "PROPFIND":
            data = re.sub(rb"<supported-report><report><sync-collection ?/></report></supported-report>", b"", data)
        self.answer(status, headers, data)

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = any


server = http.server.ThreadingHTTPServer(("127.0.0.1", int(port)), StandIn)
print("ready", flush=True)
server.serve_forever()
