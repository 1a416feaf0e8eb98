#!/usr/bin/env python3
"""A scripted bad update server: serves a folder over HTTP (or HTTPS) and misbehaves on purpose.

It listens on 127.0.0.1 at a port chosen by the system and prints "PORT <n>", then writes one
"REQ <method> <path> range=<Range>" line per request to --log (a file, so that the server never
waits for a reader). --rules names a JSON object that maps a
request path (or "*" for any path) to a rule {"fault": NAME, "times": N, "from": OFFSET}:
the fault applies to the first N GET requests of that path (all of them without "times"),
with "from" only to ranges starting at that offset, with "later-ranges" only to ranges that
do not start at 0. "!fallback" names a file served for every path the folder does not hold.
HEAD requests are answered truthfully, offering byte ranges, except for the "head-*" faults. With --cert and --key it speaks TLS.
"""
import argparse
import json
import os
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
import http.server

lock = threading.Lock()
STALL_SECONDS = 3600.0


LOG = {"file": sys.stdout}


def log(text):
    with lock:
        LOG["file"].write(text + "\n")
        LOG["file"].flush()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def rule_for(self, method, first):
        rules = self.server.rules
        rule = rules.get(self.path.split("?")[0]) or rules.get("*")
        if not isinstance(rule, dict):
            return "none", {}
        fault = rule["fault"]
        if fault.startswith("head-") != (method == "HEAD"):
            return "none", {}
        if "from" in rule and first != rule["from"]:
            return "none", {}
        if rule.get("later-ranges") and not first:
            return "none", {}
        with lock:
            left = rule.get("times", -1)
            if left == 0:
                return "none", {}
            if left > 0:
                rule["times"] = left - 1
        return fault, rule

    def send_head(self, status, reason, length, extra=()):
        lines = ["HTTP/1.1 %d %s" % (status, reason)]
        if length is not None:
            lines.append("Content-Length: %d" % length)
        lines.extend(extra)
        self.wfile.write(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))
        self.wfile.flush()

    def reset(self):
        # An abortive close: the peer sees a connection reset.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.close_connection = True

    def read_file(self, rule):
        path = os.path.join(self.server.root, self.path.lstrip("/").split("?")[0])
        if rule.get("alternate"):
            path = rule["alternate"]
        try:
            with open(path, "rb") as f:
                return f.read()
        except OSError:
            return None

    def answer(self, method):
        asked = self.headers.get("Range", "")
        log("REQ %s %s range=%s" % (method, self.path, asked))
        first, last = None, None
        if asked.startswith("bytes="):
            a, b = asked[6:].split("-", 1)
            first = int(a)
            last = int(b) if b else None
        fault, rule = self.rule_for(method, first)
        data = self.read_file({} if fault in ("changed", "corrupt") else rule)
        if data is None and "!fallback" in self.server.rules:
            data = self.read_file({"alternate": self.server.rules["!fallback"]})
        if data is None:
            body = b"not found"
            self.send_head(404, "Not Found", len(body))
            self.wfile.write(body)
            return
        if fault == "changed":
            data = self.read_file(rule)
        if fault == "corrupt":
            data = bytes(b ^ 0x5A for b in data)

        if method == "HEAD":
            if fault == "head-stall":
                time.sleep(STALL_SECONDS)
            length = rule["length"] if fault == "head-length" else len(data)
            self.send_head(200, "OK", length, ["Accept-Ranges: bytes"])
            return
        if fault == "redirect":
            body = b"moved"
            self.send_head(302, "Found", len(body), ["Location: " + rule["location"]])
            self.wfile.write(body)
            return
        if fault == "huge-headers":
            filler = ["X-Filler-%d: %s" % (i, "f" * 1000) for i in range(2000)]
            try:
                self.send_head(206, "Partial Content", None, filler)
            except OSError:
                pass
            self.close_connection = True
            return
        if fault == "stall-before":
            time.sleep(STALL_SECONDS)
        if first is None or fault == "ignore-range":
            self.send_head(200, "OK", len(data))
            self.wfile.write(data)
            return
        if last is None or last >= len(data):
            last = len(data) - 1
        if first >= len(data) or last < first:
            self.send_head(416, "Range Not Satisfiable", 0, ["Content-Range: bytes */%d" % len(data)])
            return
        body = data[first:last + 1]
        shown_first = first + 1 if fault == "wrong-range" else first
        content_range = "Content-Range: bytes %d-%d/%d" % (shown_first, shown_first + len(body) - 1, len(data))
        if fault == "endless":
            self.send_head(206, "Partial Content", None, [content_range, "Connection: close"])
            self.close_connection = True
            try:
                while True:
                    self.wfile.write(body)
            except OSError:
                return
        if fault == "overlong":
            body = body + b"\0" * 100000
        self.send_head(206, "Partial Content", len(body), [content_range])
        half = len(body) // 2
        if fault in ("stall-mid", "short-close", "reset"):
            self.wfile.write(body[:half])
            self.wfile.flush()
            if fault == "short-close":
                self.close_connection = True
                return
            if fault == "reset":
                self.reset()
                return
            time.sleep(STALL_SECONDS)
            return
        self.wfile.write(body)

    def do_HEAD(self):
        self.answer("HEAD")

    def do_GET(self):
        self.answer("GET")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # Clients that cut the connection, and refused TLS handshakes, are the point.
        if not isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError, ssl.SSLError, OSError)):
            super().handle_error(request, client_address)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--rules")
    parser.add_argument("--log")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    options = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    server.root = options.root
    server.rules = {}
    if options.rules:
        with open(options.rules) as f:
            server.rules = json.load(f)
    if options.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.cert, options.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    if options.log:
        LOG["file"] = open(options.log, "a")
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
