"""An HTTP server, or an HTTP proxy, on loopback for the tests.

Usage: http_test_server.py serve BODY_FILE   serves BODY_FILE at /attachments/Orvane_Version.txt,
                                             redirects /moved there, 404 for anything else
       http_test_server.py proxy             forwards GET requests to 127.0.0.1 only
Prints "PORT <n>" once listening, then one JSON line per request: {"request": {...}} or
{"proxied": url}. Ends when stdin closes.
"""
import http.server
import json
import sys
import threading
import urllib.parse
import urllib.request

lock = threading.Lock()


def emit(event):
    with lock:
        sys.stdout.write(json.dumps(event) + "\n")
        sys.stdout.flush()


class Server(http.server.BaseHTTPRequestHandler):
    body_file = ""

    def log_message(self, *args):
        pass

    def do_GET(self):
        emit({"request": {"path": self.path, "version": self.request_version,
                          "user_agent": self.headers.get("User-Agent", ""),
                          "accept": self.headers.get("Accept", "")}})
        if self.path == "/moved":
            self.send_response(302)
            self.send_header("Location", "/attachments/Orvane_Version.txt")
            self.end_headers()
            return
        if self.path != "/attachments/Orvane_Version.txt":
            self.send_error(404)
            return
        with open(self.body_file, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Proxy(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        emit({"proxied": self.path})
        target = urllib.parse.urlsplit(self.path)
        if target.hostname != "127.0.0.1":
            self.send_error(403, "the test proxy forwards to 127.0.0.1 only")
            return
        # No redirects followed here: the client follows them through the proxy.
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}), NoRedirect)
        try:
            with opener.open(urllib.request.Request(self.path, headers=dict(self.headers))) as r:
                self.relay(r.status, r.headers, r.read())
        except urllib.error.HTTPError as error:
            self.relay(error.code, error.headers, error.read())

    def relay(self, status, headers, body):
        self.send_response(status)
        for name in ("Content-Type", "Location"):
            if headers.get(name):
                self.send_header(name, headers[name])
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class NoRedirect(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args):
        return None


def main():
    if sys.argv[1] == "serve":
        Server.body_file = sys.argv[2]
        handler = Server
    else:
        handler = Proxy
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()
    sys.stdin.read()
    server.shutdown()


main()
