"""A small web server for the library tests, bound to 127.0.0.1 on a free port.

Usage: /usr/bin/python3 -u webserver.py ROOT

Prints "PORT <n>" once it listens. Serves the files under ROOT by the request's path (the query
is dropped). Beside a file, optional sidecar files change the answer:
  <file>.status    the HTTP status to answer with (the file's bytes stay the body)
  <file>.delay     seconds to wait before answering
  <file>.short     the body is cut to its first half while Content-Length names the whole
  <file>.redirect  a path or address to redirect to (302)
  <file>.size      the body is that many bytes made on the fly (the file's bytes are not sent)
  <file>.nolength  no Content-Length: the body ends when the connection closes
A missing file answers 404. It ends when its standard input closes (the test is gone). Every request is logged as
  REQ <request line>
  HDR <name>: <value>   (one per header)
  END
and once its answer is sent (or the client has gone) as
  DONE <request line>
"""
import os
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ROOT = sys.argv[1]


def sidecar(path, ext):
    p = path + ext
    if os.path.isfile(p):
        with open(p, "rb") as f:
            return f.read().decode("ascii").strip()
    return None


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        try:
            self.serve()
        finally:
            sys.stdout.write("DONE %s\n" % self.requestline)
            sys.stdout.flush()

    def serve(self):
        lines = ["REQ " + self.requestline]
        for name, value in self.headers.items():
            lines.append("HDR %s: %s" % (name, value))
        lines.append("END")
        sys.stdout.write("\n".join(lines) + "\n")
        sys.stdout.flush()

        rel = urllib.parse.urlsplit(self.path).path
        path = os.path.join(ROOT, rel.lstrip("/"))
        if not os.path.isfile(path):
            self.answer(404, b"<html><title>Not Found</title><body>404</body></html>")
            return
        delay = sidecar(path, ".delay")
        if delay:
            time.sleep(float(delay))
        target = sidecar(path, ".redirect")
        if target:
            self.send_response(302)
            self.send_header("Location", target)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        size = sidecar(path, ".size")
        if size is not None:
            self.stream(int(size), sidecar(path, ".nolength") is not None)
            return
        with open(path, "rb") as f:
            body = f.read()
        status = int(sidecar(path, ".status") or 200)
        if sidecar(path, ".short") is not None:
            self.send_response(status)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        self.answer(status, body)

    def stream(self, size, nolength):
        try:
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            if nolength:
                self.send_header("Connection", "close")
                self.close_connection = True
            else:
                self.send_header("Content-Length", str(size))
            self.end_headers()
            block = bytes(range(256)) * 256
            left = size
            while left > 0:
                n = min(left, len(block))
                self.wfile.write(block[:n])
                left -= n
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def answer(self, status, body):
        try:
            self.send_response(status)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass


def exit_with_parent():
    # The test holds our standard input open; when it ends (also by a crash) we end too.
    sys.stdin.buffer.read()
    os._exit(0)


threading.Thread(target=exit_with_parent, daemon=True).start()
server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
sys.stdout.write("PORT %d\n" % server.server_address[1])
sys.stdout.flush()
server.serve_forever()
