#!/usr/bin/python3
"""HTTP(S) server for ping tests, on 127.0.0.1 only.

Appends the path of every GET to --log (one line each) before it answers, answers 200 "OK",
or the --status given, and never answers paths given with --hang. Prints "READY <port>" once
it accepts connections.
"""
import argparse
import http.server
import ssl
import sys
import threading
import time

parser = argparse.ArgumentParser()
parser.add_argument("--log", required=True)
parser.add_argument("--hang", action="append", default=[])
parser.add_argument("--status", type=int, default=200)
parser.add_argument("--cert")
parser.add_argument("--key")
args = parser.parse_args()
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        with lock, open(args.log, "a", encoding="utf-8") as log:
            log.write(self.path + "\n")
        if self.path in args.hang:
            time.sleep(3600)
            return
        body = b"OK\n"
        self.send_response(args.status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *unused):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
if args.cert:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
print("READY", server.server_address[1], flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    sys.exit(0)
