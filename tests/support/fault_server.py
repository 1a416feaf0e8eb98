#!/usr/bin/env python3
"""A small HTTP/1.1 server that serves one file and misbehaves on purpose.

It listens on 127.0.0.1 at a port chosen by the system and prints "PORT <n>" first. Every
request is then printed as "REQ <method> <path> range=<Range> ua=<User-Agent> conn=<n>", n counting
the connections accepted from 1. HEAD and GET
with or without "Range: bytes=FIRST-LAST" are answered from --file, except where --fault says
otherwise; HEAD offers byte ranges ("Accept-Ranges: bytes"). A fault applies to GET requests (or to HEAD for the head-* faults); --range-first
limits it to ranges starting at that offset, --connection to requests on the N-th connection
accepted, --times to the first N matching requests. --rate paces every body at that many
bytes per second.
"""
import argparse
import http.server
import socketserver
import sys
import threading
import time

FAULTS = [
    "none",
    "head-no-length",   # HEAD answers without Content-Length
    "head-length",      # HEAD announces --length instead of the file's size
    "head-delay",       # HEAD answers after --stall seconds
    "status-404",       # 404 with a body
    "redirect",         # 302 to the same path, with a body
    "stall-before",     # headers are not sent for --stall seconds
    "stall-mid",        # half the body, then --stall seconds of silence, then the rest
    "cut-mid",          # half the body, then the connection is closed
    "ignore-range",     # 200 with the whole file
    "overlong",         # 206 naming the asked range, with 1000 more bytes than asked
    "long-length",      # 206 announcing 1000 bytes more than the range, the range sent, then closed
    "short-length",     # 206 announcing and sending 1000 bytes less than the range
    "trickle",          # the answer as asked for, its body at 160 bytes per second
]

lock = threading.Lock()
remaining = {"count": -1}
accepted = {"count": 0}


def log(text):
    with lock:
        sys.stdout.write(text + "\n")
        sys.stdout.flush()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def setup(self):
        super().setup()
        with lock:
            accepted["count"] += 1
            self.connection_number = accepted["count"]

    def fault_applies(self, method, first):
        opts = self.server.options
        if opts.fault == "none":
            return False
        if opts.fault.startswith("head-") != (method == "HEAD"):
            return False
        if opts.range_first is not None and first != opts.range_first:
            return False
        if opts.connection is not None and self.connection_number != opts.connection:
            return False
        with lock:
            if remaining["count"] == 0:
                return False
            if remaining["count"] > 0:
                remaining["count"] -= 1
        return True

    def send_head(self, status, reason, length, extra=()):
        lines = ["HTTP/1.1 %d %s" % (status, reason)]
        if length is not None:
            lines.append("Content-Length: %d" % length)
        lines.extend(extra)
        self.wfile.write(("\r\n".join(lines) + "\r\n\r\n").encode())
        self.wfile.flush()

    def answer(self, method):
        opts = self.server.options
        data = self.server.data
        asked = self.headers.get("Range", "")
        log("REQ %s %s range=%s ua=%s conn=%d"
            % (method, self.path, asked, self.headers.get("User-Agent", ""), self.connection_number))
        first, last = None, None
        if asked.startswith("bytes="):
            a, b = asked[6:].split("-", 1)
            first, last = int(a), int(b) if b else len(data) - 1
        fault = opts.fault if self.fault_applies(method, first) else "none"

        if method == "HEAD":
            if fault == "head-delay":
                time.sleep(opts.stall)
            if fault == "head-no-length":
                self.send_head(200, "OK", None, ["Connection: close"])
                self.close_connection = True
            else:
                self.send_head(200, "OK", opts.length if fault == "head-length" else len(data), ["Accept-Ranges: bytes"])
            return
        if fault in ("status-404", "redirect"):
            body = b"<html>not here</html>"
            if fault == "status-404":
                self.send_head(404, "Not Found", len(body))
            else:
                self.send_head(302, "Found", len(body), ["Location: " + self.path])
            self.wfile.write(body)
            return
        if fault == "stall-before":
            time.sleep(opts.stall)
        if first is None or fault == "ignore-range":
            self.send_head(200, "OK", len(data))
            self.send_body(data, fault)
            return
        if first >= len(data) or last < first:
            self.send_head(416, "Range Not Satisfiable", 0, ["Content-Range: bytes */%d" % len(data)])
            return
        last = min(last, len(data) - 1)
        body = data[first:last + 1]
        content_range = "Content-Range: bytes %d-%d/%d" % (first, last, len(data))
        if fault == "overlong":
            body = body + bytes(1000)
        if fault == "short-length":
            body = body[:-1000]
        announced = len(body) + (1000 if fault == "long-length" else 0)
        self.send_head(206, "Partial Content", announced, [content_range])
        half = len(body) // 2
        if fault in ("stall-mid", "cut-mid"):
            self.wfile.write(body[:half])
            self.wfile.flush()
            if fault == "cut-mid":
                self.close_connection = True
                return
            time.sleep(opts.stall)
            self.wfile.write(body[half:])
            return
        self.send_body(body, fault)
        if fault == "long-length":
            self.close_connection = True

    def send_body(self, body, fault):
        piece, rate = (16, 160.0) if fault == "trickle" else (16384, self.server.options.rate)
        if not rate:
            self.wfile.write(body)
            return
        started = time.monotonic()
        for sent in range(0, len(body), piece):
            time.sleep(max(0.0, started + sent / rate - time.monotonic()))
            self.wfile.write(body[sent:sent + piece])
            self.wfile.flush()

    def do_HEAD(self):
        self.answer("HEAD")

    def do_GET(self):
        self.answer("GET")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # Clients that cut the connection (the point of most faults) are no news.
        if not isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError)):
            super().handle_error(request, client_address)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--file", required=True)
    parser.add_argument("--fault", choices=FAULTS, default="none")
    parser.add_argument("--times", type=int, default=-1)
    parser.add_argument("--range-first", type=int)
    parser.add_argument("--connection", type=int)
    parser.add_argument("--rate", type=float, default=0.0)
    parser.add_argument("--stall", type=float, default=3600.0)
    parser.add_argument("--length", type=int, default=0)
    options = parser.parse_args()
    remaining["count"] = options.times
    server = Server(("127.0.0.1", 0), Handler)
    server.options = options
    with open(options.file, "rb") as f:
        server.data = f.read()
    log("PORT %d" % server.server_address[1])
    try:
        server.serve_forever()
    except (KeyboardInterrupt, BrokenPipeError):
        pass


if __name__ == "__main__":
    main()
