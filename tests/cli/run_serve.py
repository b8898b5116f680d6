#!/usr/bin/env python3
"""hlvpres serve end to end, without a browser: the session token guards every request, a body
over the cap, malformed JSON and a wrong request each get a JSON refusal with its status while
the server keeps serving, the API answers what the commands print, and a planted password is in
no response and not in the server's output.

    run_serve.py HLVPRES
"""

import http.client
import json
import subprocess
import sys
import urllib.parse

PASSWORD = "S3ntinel-Serve-Pa55"


class Server:
    def __init__(self, hlvpres):
        self.process = subprocess.Popen([hlvpres, "serve"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        line = self.process.stdout.readline().decode()
        prefix = "hlvpres serve: http://127.0.0.1:"
        if not line.startswith(prefix) or "/?token=" not in line:
            raise SystemExit(f"unexpected first line {line!r}")
        address = urllib.parse.urlparse(line[len("hlvpres serve: "):].strip())
        self.port = address.port
        self.token = urllib.parse.parse_qs(address.query)["token"][0]
        self.bodies = []

    def request(self, method, path, body=None, token=True, headers=None):
        """The status and the body (bytes) of one request."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        all_headers = dict(headers or {})
        if token:
            all_headers["X-Hlv-Token"] = self.token
        connection.request(method, path, body=body, headers=all_headers)
        response = connection.getresponse()
        data = response.read()
        connection.close()
        self.bodies.append(data)
        return response.status, response.getheader("Content-Type", ""), data

    def stop(self):
        self.process.terminate()
        _, err = self.process.communicate(timeout=30)
        return err


class Checks:
    def __init__(self):
        self.failures = []

    def check(self, label, condition, detail=""):
        if not condition:
            self.failures.append(f"{label}: {detail}")

    def refused(self, label, answer, status):
        code, content_type, body = answer
        self.check(label, code == status, f"status {code}, expected {status}: {body[:200]!r}")
        self.check(label, content_type.startswith("application/json"), f"content type {content_type!r}")
        try:
            message = json.loads(body).get("error", "")
        except ValueError:
            message = ""
        self.check(label, isinstance(message, str) and message != "", f"no error message in {body[:200]!r}")


def main():
    hlvpres = sys.argv[1]
    c = Checks()
    server = Server(hlvpres)
    try:
        c.check("token", len(server.token) == 32 and int(server.token, 16) >= 0, server.token)

        # The token: missing, wrong, of another length, or only in a query of another name.
        c.refused("no token", server.request("GET", "/api/dialog?class=postgres", token=False), 403)
        c.refused("no token on the page", server.request("GET", "/", token=False), 403)
        c.refused("wrong token", server.request("GET", "/api/dialog?class=postgres", token=False,
                                                headers={"X-Hlv-Token": "0" * 32}), 403)
        c.refused("short token", server.request("GET", "/?token=" + server.token[:-1], token=False), 403)
        code, _, body = server.request("GET", "/?token=" + server.token, token=False)
        c.check("page with the token", code == 200 and b"<html" in body, code)
        code, content_type, _ = server.request("GET", "/app.js?token=" + server.token, token=False)
        c.check("script", code == 200 and "javascript" in content_type, (code, content_type))

        # Refusals, each followed by a request that is served.
        c.refused("body over 1 MiB", server.request("POST", "/api/convert?class=postgres", b"x" * (1 << 20 | 1)), 413)
        c.refused("malformed JSON", server.request("POST", "/api/convert?class=postgres", b'{"gen-connection'), 400)
        c.refused("describe malformed JSON", server.request("POST", "/api/describe", b"[1,"), 400)
        c.refused("no record", server.request("POST", "/api/convert?class=postgres", b"{}"), 400)
        c.refused("unknown class", server.request("GET", "/api/dialog?class=no-such-class"), 400)
        c.refused("no class", server.request("GET", "/api/dialog"), 400)
        c.refused("unknown group", server.request("GET", "/api/gallery?group=invalid"), 400)
        c.refused("unknown call", server.request("GET", "/api/nothing"), 404)
        c.refused("wrong method", server.request("POST", "/api/dialog?class=postgres", b"{}"), 405)
        c.refused("file outside the front end", server.request("GET", "/..%2fCMakeLists.txt"), 404)
        c.refused("unreachable server", server.request("POST", "/api/describe", json.dumps(
            {"class": "postgres", "server": "127.0.0.1", "port": "1", "dbname": "x", "username": "u",
             "password": PASSWORD}).encode()), 422)

        # The API answers what the commands print.
        code, _, body = server.request("GET", "/api/dialog?class=postgres")
        printed = subprocess.run([hlvpres, "dialog", "postgres"], capture_output=True, check=True).stdout
        c.check("dialog", code == 200 and body + b"\n" == printed, f"status {code}, differs from hlvpres dialog")
        code, _, body = server.request("GET", "/api/gallery?group=file")
        printed = subprocess.run([hlvpres, "gallery", "file"], capture_output=True, check=True).stdout
        c.check("gallery", code == 200 and body + b"\n" == printed, f"status {code}, differs from hlvpres gallery")

        # A password typed into the dialog goes to the credential service.
        (settings,) = json.loads(server.request("GET", "/api/dialog?class=postgres")[2]).values()
        params = dict(settings["widget-connection-params"], **{
            "widget-attr-server": "127.0.0.1", "widget-attr-db": "sales", "widget-attr-user": "analyst",
            "widget-attr-password": PASSWORD, "widget-attr-require-ssl": "true"})
        code, _, body = server.request("POST", "/api/convert?class=postgres",
                                       json.dumps({"gen-connection-params-pres-model": params}).encode())
        attributes = json.loads(body) if code == 200 else {}
        c.check("convert", code == 200 and attributes.get("credential-id") and "password" not in attributes,
                f"status {code}: {body[:300]!r}")
        c.check("convert", attributes.get("sslmode") == "require" and attributes.get("username") == "analyst",
                attributes)
    finally:
        err = server.stop()

    lines = err.decode("utf-8", "replace").splitlines()
    c.check("log", lines and all(line.startswith("hlvpres serve: ") for line in lines), lines[:3])
    c.check("log", any(line == "hlvpres serve: GET /api/dialog 403" for line in lines), "no line for a refusal")
    c.check("log", server.token not in err.decode(), "the token is in the log")
    for body in server.bodies + [err]:
        c.check("secrets", PASSWORD.encode() not in body, f"the password is in {body[:200]!r}")

    for failure in c.failures:
        print("FAIL " + failure)
    print(f"{len(server.bodies)} requests, {len(c.failures)} failures")
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
