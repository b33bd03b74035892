#!/usr/bin/env python3
"""Loopback download server for the end-to-end runs, the demo and the benchmarks.

  http_server.py --root DIR --port N [--log FILE] [--chunk-delay S]   (serves until killed)

Serves the files under DIR on 127.0.0.1:N with a Content-Length; a missing file answers 404.
A chunk delay sends bodies in 16 KiB pieces with a pause between them, so that a client sees its
progress rise. Each request is logged as "METHOD PATH STATUS". Python callers use
serve_in_thread(), which can also answer 404 for given paths and stop listening once a given path
has been served: under Wine a refused connection is the one download failure there is (a 404 page,
or a transfer cut short, counts as a downloaded file).
"""
import argparse
import functools
import http.server
import threading
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    def send_head(self):
        if self.path.split("?", 1)[0] in self.server.not_found:
            self.send_error(404, "Not Found")
            return None
        return super().send_head()

    def copyfile(self, source, outputfile):
        if self.path.split("?", 1)[0] == self.server.close_after:
            # Stop accepting before the body goes out, so that no later request can be accepted:
            # the listening socket closes, later connections are refused.
            self.server.shutdown()
            self.server.server_close()
        while piece := source.read(16 * 1024):
            outputfile.write(piece)
            outputfile.flush()
            time.sleep(self.server.chunk_delay)

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


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--log")
    parser.add_argument("--chunk-delay", type=float, default=0.0)
    args = parser.parse_args()
    serve_in_thread(args.root, args.port, chunk_delay=args.chunk_delay, log=args.log)
    threading.Event().wait()
