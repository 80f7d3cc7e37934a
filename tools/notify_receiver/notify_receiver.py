#!/usr/bin/env python3
"""A web receiver for the notification tests, on 127.0.0.1 only.

The path chooses how it answers a POST:
  /ok/...          200
  /status/NNN/...  NNN
  /flaky/KEY/...   500 to the first request for KEY, 200 afterwards
  /hang/...        reads the request and never answers (the connection stays open for 120 s)
  anything else    404
With --tls-cert and --tls-key it serves the same on a second port over https with that (self-signed)
certificate, which a client that checks certificates must refuse.
Every request is appended to WORKDIR/requests.jsonl as one JSON object (path, headers, body, time)
before it is answered, so a test sees what arrived even when the sender gave up.
"""
import argparse
import json
import os
import ssl
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()
seen_keys = set()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        record = {
            "path": self.path,
            "content_type": self.headers.get("Content-Type"),
            "authorization": self.headers.get("Authorization"),
            "body": body.decode("utf-8", errors="replace"),
            "body_is_utf8": _is_utf8(body),
            "time": time.time(),
        }
        parts = self.path.strip("/").split("/")
        status = 404
        if parts[0] == "ok":
            status = 200
        elif parts[0] == "status" and len(parts) > 1 and parts[1].isdigit():
            status = int(parts[1])
        elif parts[0] == "flaky" and len(parts) > 1:
            with lock:
                status = 200 if parts[1] in seen_keys else 500
                seen_keys.add(parts[1])
        elif parts[0] == "hang":
            status = None
        record["answer"] = status
        with lock:
            with open(os.path.join(self.server.workdir, "requests.jsonl"), "a", encoding="utf-8") as log:
                log.write(json.dumps(record) + "\n")
        if status is None:
            time.sleep(120)
            return
        self.send_response(status)
        self.send_header("Content-Length", "0")
        self.end_headers()


def _is_utf8(data):
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    args = parser.parse_args()
    if args.tls_cert:
        tls = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        tls.daemon_threads = True
        tls.workdir = args.workdir
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        tls.socket = context.wrap_socket(tls.socket, server_side=True)
        threading.Thread(target=tls.serve_forever, daemon=True).start()
        print("tls on 127.0.0.1:%d" % tls.server_address[1], flush=True)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.workdir = args.workdir
    print("listening on 127.0.0.1:%d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
