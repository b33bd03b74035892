#!/usr/bin/env python3
"""Loopback download server for the Windows-side tests (a CTest fixture).

  http_server.py start --root DIR --port N --pidfile FILE [--log FILE] [--chunk-delay S]
                       [--not-found PATH ...] [--close-after PATH]
  http_server.py stop --pidfile FILE

Serves the files under DIR on 127.0.0.1:N with a Content-Length. A missing file, or a PATH given
with --not-found, answers 404. --chunk-delay sends bodies in 16 KiB pieces with a pause between
them, so that a client sees its progress rise. With --close-after, the server stops listening once
it has served PATH, so that later downloads are refused: under Wine a refused connection is the one
download failure there is (a 404 page, or a transfer cut short, counts as a downloaded file).
Each request is logged as "METHOD PATH STATUS". Tests in Python call serve_in_thread() instead.
"""
import argparse
import functools
import http.server
import os
import signal
import socket
import subprocess
import sys
import threading
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    def send_head(self):
        if self.path.split("?", 1)[0] in self.server.not_found:
            self.send_error(404, "Not Found")
            return None
        return super().send_head()

    def copyfile(self, source, outputfile):
        while True:
            piece = source.read(16 * 1024)
            if not piece:
                break
            outputfile.write(piece)
            outputfile.flush()
            if self.server.chunk_delay:
                time.sleep(self.server.chunk_delay)
        if self.path.split("?", 1)[0] == self.server.close_after:
            # Stop accepting: the listening socket closes, later connections are refused.
            threading.Thread(target=lambda: (self.server.shutdown(), self.server.server_close())).start()

    def log_request(self, code="-", size="-"):
        if self.server.log_file:
            with open(self.server.log_file, "a") as log:
                log.write(f"{self.command} {self.path} {code}\n")

    def log_message(self, *args):
        pass


def serve_in_thread(root, port, not_found=(), close_after=None, chunk_delay=0.0, log=None):
    """Serves on a thread of the calling process; end it with shutdown() and server_close()."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=root))
    server.not_found, server.close_after, server.chunk_delay, server.log_file = set(not_found), close_after, \
        chunk_delay, log
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def serve(args):
    server = serve_in_thread(args.root, args.port, args.not_found or [], args.close_after, args.chunk_delay, args.log)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        time.sleep(3600)


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.5):
            return True
    except OSError:
        return False


def start(args):
    stop(args)
    os.makedirs(args.root, exist_ok=True)
    command = [sys.executable, os.path.abspath(__file__), "serve", "--root", args.root, "--port", str(args.port),
               "--chunk-delay", str(args.chunk_delay)]
    if args.log:
        command += ["--log", args.log]
    for path in args.not_found or []:
        command += ["--not-found", path]
    if args.close_after:
        command += ["--close-after", args.close_after]
    process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, start_new_session=True)
    with open(args.pidfile, "w") as pidfile:
        pidfile.write(f"{process.pid}\n")
    for _ in range(100):
        if process.poll() is not None:
            sys.exit(f"http_server: the server ended at once (port {args.port} in use?)")
        if listening(args.port):
            return
        time.sleep(0.1)
    sys.exit(f"http_server: nothing listens on port {args.port}")


def stop(args):
    try:
        with open(args.pidfile) as pidfile:
            pid = int(pidfile.read().strip())
    except (OSError, ValueError):
        return
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            os.kill(pid, 0)
            time.sleep(0.1)
    except ProcessLookupError:
        pass
    os.remove(args.pidfile)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["start", "stop", "serve"])
    parser.add_argument("--root")
    parser.add_argument("--port", type=int)
    parser.add_argument("--pidfile")
    parser.add_argument("--log")
    parser.add_argument("--chunk-delay", type=float, default=0.0)
    parser.add_argument("--not-found", action="append")
    parser.add_argument("--close-after")
    args = parser.parse_args()
    {"start": start, "stop": stop, "serve": serve}[args.action](args)


if __name__ == "__main__":
    main()
