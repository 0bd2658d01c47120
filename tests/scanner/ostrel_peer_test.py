#!/usr/bin/env python3
"""Ostrel.dll against an outside peer: Python's http.server serves a file on
127.0.0.1 while the scanner tests' OstrelPeer case (under Wine) fetches it
through MakeRequest; the server's log shows the request as it came."""
import argparse
import http.server
import os
import shutil
import subprocess
import sys
import threading

parser = argparse.ArgumentParser()
parser.add_argument("--runner", required=True)
parser.add_argument("--tests", required=True)
parser.add_argument("--work", required=True)
args = parser.parse_args()

shutil.rmtree(args.work, ignore_errors=True)
served = os.path.join(args.work, "served")
os.makedirs(served)
peer_file = os.path.join(served, "peer.txt")
with open(peer_file, "wb") as f:
    f.write(b"".join(b"line %d of the peer's file\r\n" % i for i in range(3000)))

seen = []  # (request line, user agent)


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def __init__(self, *a, **kw):
        super().__init__(*a, directory=served, **kw)

    def log_message(self, *a):
        pass

    def send_head(self):
        seen.append((self.requestline, self.headers.get("User-Agent")))
        return super().send_head()


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=server.serve_forever, daemon=True).start()
env = dict(os.environ)
env["TALMORIS_PEER_URL"] = "http://127.0.0.1:%d" % server.server_address[1]
env["TALMORIS_PEER_FILE"] = peer_file
out_path = os.path.join(args.work, "tests.out")
try:
    # Output to a file: a pipe can hang with a persistent wineserver.
    with open(out_path, "w") as out:
        rc = subprocess.run([args.runner, args.tests, "--gtest_filter=OstrelPeer.*"], env=env,
                            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                            timeout=240).returncode
finally:
    server.shutdown()
with open(out_path) as f:
    output = f.read()
print(output)

failures = []
if rc != 0:
    failures.append("the test program failed (exit code %d)" % rc)
if "[  PASSED  ] 1 test" not in output or "SKIPPED" in output:
    failures.append("OstrelPeer did not run and pass")
expected = [("GET /peer.txt?fsize=1234&rand=5678 HTTP/1.1", "Talmoris v. 4.0"),
            ("GET /missing.txt HTTP/1.1", "Talmoris v. 4.0")]
if seen != expected:
    failures.append("http.server saw %r, not %r" % (seen, expected))
for failure in failures:
    print("FAILED: " + failure, file=sys.stderr)
sys.exit(1 if failures else 0)
