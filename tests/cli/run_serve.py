#!/usr/bin/env python3
"""hlvpres serve end to end, without a browser: the session token guards every request, a body
over the cap, malformed JSON and a wrong request each get a JSON refusal with its status while
the server keeps serving, the API answers what the commands print, and a planted password is in
no response and not in the server's output. The variables description files of --variables come
first on the variable prompt page, and one that does not exist stops the server before it serves.

    run_serve.py HLVPRES
"""

import http.client
import json
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

PASSWORD = "S3ntinel-Serve-Pa55"
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "examples", "variables")


class Server:
    def __init__(self, hlvpres, arguments=(), cwd=None):
        self.process = subprocess.Popen([hlvpres, "serve", *arguments], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        cwd=cwd)
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


def check_variable_files(hlvpres, c):
    """--variables: the files given, in their order and made absolute, before the examples, each
    listed once; a file that does not exist is refused before the server prints its address."""
    examples = sorted(os.path.realpath(os.path.join(EXAMPLES, name)) for name in os.listdir(EXAMPLES)
                      if name.endswith(".json"))
    folder = tempfile.mkdtemp(prefix="hlv-serve-")
    try:
        given = os.path.join(folder, "zz-quarterly.json")
        shutil.copyfile(examples[0], given)
        # Relative to the server's folder; an example given again stays first and is not repeated.
        server = Server(hlvpres, ["--variables", "zz-quarterly.json", "--variables", examples[-1]], cwd=folder)
        try:
            code, _, body = server.request("GET", "/api/variable-files")
            files = json.loads(body)["files"] if code == 200 else []
            paths = [os.path.realpath(f["path"]) for f in files]
            c.check("variable files", paths == [os.path.realpath(given), examples[-1]] + examples[:-1],
                    f"status {code}: {paths}")
            c.check("variable files", files and files[0]["name"] == "zz-quarterly", files[:1])
            code, _, body = server.request("GET", "/api/variables?file=" + urllib.parse.quote(files[0]["path"]))
            c.check("variables of a given file", code == 200 and b"prompt-variables" in body, f"status {code}")
        finally:
            server.stop()

        missing = os.path.join(folder, "no-such-variables.json")
        try:
            ended = subprocess.run([hlvpres, "serve", "--variables", missing], capture_output=True, timeout=30)
        except subprocess.TimeoutExpired:
            c.check("missing variables file", False, "the server started")
            return
        lines = ended.stderr.decode().splitlines()
        c.check("missing variables file", ended.returncode != 0, f"status {ended.returncode}")
        c.check("missing variables file", ended.stdout == b"", f"printed {ended.stdout[:200]!r}")
        c.check("missing variables file", lines == [f"error: --variables: {missing} is not a file"], lines)
    finally:
        shutil.rmtree(folder)


def main():
    hlvpres = os.path.abspath(sys.argv[1])
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

    check_variable_files(hlvpres, c)

    for failure in c.failures:
        print("FAIL " + failure)
    print(f"{len(server.bodies)} requests, {len(c.failures)} failures")
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
