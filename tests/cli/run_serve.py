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

from runner import SENTINEL, Runner, normalised

PASSWORD = "S3ntinel-Serve-Pa55"
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "examples", "variables")


class Server:
    def __init__(self, r, arguments=(), cwd=None):
        self.process = subprocess.Popen([r.hlvpres, "serve", *arguments], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, cwd=cwd, env=r.env)
        line = self.process.stdout.readline().decode()
        prefix = "hlvpres serve: http://127.0.0.1:"
        if not line.startswith(prefix) or "/?token=" not in line:
            raise SystemExit(f"unexpected first line {line!r}")
        address = urllib.parse.urlparse(line[len("hlvpres serve: "):].strip())
        self.port = address.port
        self.token = urllib.parse.parse_qs(address.query)["token"][0]
        self.bodies = []

    def request(self, method, path, body=None, token=True, headers=None):
        """The status, the content type and the body (bytes) of one request."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        connection.request(method, path, body=body, headers=dict(headers or {}, **(
            {"X-Hlv-Token": self.token} if token else {})))
        response = connection.getresponse()
        data = response.read()
        connection.close()
        self.bodies.append(data)
        return response.status, response.getheader("Content-Type", ""), data

    def stop(self):
        self.process.terminate()
        return self.process.communicate(timeout=30)[1]


def refusals(r, server):
    """Each refusal is JSON with a message and its status, and the next request is served."""
    unreachable = {"class": "postgres", "server": "127.0.0.1", "port": "1", "dbname": "x", "username": "u",
                   "password": PASSWORD}
    for label, method, path, body, token, status in [
        ("no token", "GET", "/api/dialog?class=postgres", None, None, 403),
        ("no token on the page", "GET", "/", None, None, 403),
        ("wrong token", "GET", "/api/dialog?class=postgres", None, "0" * 32, 403),
        ("short token", "GET", "/?token=" + server.token[:-1], None, None, 403),
        ("body over 1 MiB", "POST", "/api/convert?class=postgres", b"x" * (1 << 20 | 1), True, 413),
        ("malformed JSON", "POST", "/api/convert?class=postgres", b'{"gen-connection', True, 400),
        ("describe malformed JSON", "POST", "/api/describe", b"[1,", True, 400),
        ("no record", "POST", "/api/convert?class=postgres", b"{}", True, 400),
        ("unknown class", "GET", "/api/dialog?class=no-such-class", None, True, 400),
        ("no class", "GET", "/api/dialog", None, True, 400),
        ("unknown group", "GET", "/api/gallery?group=invalid", None, True, 400),
        ("unknown call", "GET", "/api/nothing", None, True, 404),
        ("wrong method", "POST", "/api/dialog?class=postgres", b"{}", True, 405),
        ("file outside the front end", "GET", "/..%2fCMakeLists.txt", None, True, 404),
        ("unreachable server", "POST", "/api/describe", json.dumps(unreachable).encode(), True, 422),
    ]:
        headers = {"X-Hlv-Token": token} if isinstance(token, str) else None
        code, content_type, answer = server.request(method, path, body, token is True, headers)
        try:
            message = json.loads(answer).get("error", "")
        except ValueError:
            message = ""
        r.check(label, code == status and content_type.startswith("application/json") and isinstance(message, str)
                and message != "", f"status {code} ({status}), {content_type}, {answer[:200]!r}")


def answers(r, server):
    """The API answers what the commands print; a password typed goes to the credential service."""
    code, _, body = server.request("GET", "/?token=" + server.token, token=False)
    r.check("page with the token", code == 200 and b"<html" in body, code)
    code, content_type, _ = server.request("GET", "/app.js?token=" + server.token, token=False)
    r.check("script", code == 200 and "javascript" in content_type, (code, content_type))
    for label, path, args in [("dialog", "/api/dialog?class=postgres", ["dialog", "postgres"]),
                              ("gallery", "/api/gallery?group=file", ["gallery", "file"])]:
        code, _, body = server.request("GET", path)
        r.check(label, code == 200 and body + b"\n" == r.run(args).stdout, f"status {code}, differs from hlvpres")
    (settings,) = json.loads(server.request("GET", "/api/dialog?class=postgres")[2]).values()
    params = json.dumps({"gen-connection-params-pres-model": dict(settings["widget-connection-params"], **{
        "widget-attr-server": "127.0.0.1", "widget-attr-db": "sales", "widget-attr-user": "analyst",
        "widget-attr-password": PASSWORD, "widget-attr-require-ssl": "true"})}).encode()
    code, _, body = server.request("POST", "/api/convert?class=postgres", params)
    printed = r.run(["convert", "postgres"], params).stdout
    r.check("convert", code == 200 and b'"credential-id":"' in body and normalised(body + b"\n") == normalised(printed),
            f"status {code}: {body[:300]!r}")


def variable_files(r):
    """--variables: the files given, in their order and made absolute, before the examples, each
    listed once; a file that does not exist is refused before the server prints its address."""
    examples = sorted(os.path.realpath(os.path.join(EXAMPLES, name)) for name in os.listdir(EXAMPLES)
                      if name.endswith(".json"))
    folder = tempfile.mkdtemp(prefix="hlv-serve-")
    try:
        given = os.path.join(folder, "zz-quarterly.json")
        shutil.copyfile(examples[0], given)
        # Relative to the server's folder; an example given again stays first and is not repeated.
        server = Server(r, ["--variables", "zz-quarterly.json", "--variables", examples[-1]], cwd=folder)
        try:
            code, _, body = server.request("GET", "/api/variable-files")
            files = json.loads(body)["files"] if code == 200 else []
            paths = [os.path.realpath(f["path"]) for f in files]
            r.check("variable files", paths == [os.path.realpath(given), examples[-1]] + examples[:-1],
                    f"status {code}: {paths}")
            r.check("variable files", files and files[0]["name"] == "zz-quarterly", files[:1])
            code, _, body = server.request("GET", "/api/variables?file=" + urllib.parse.quote(files[0]["path"]))
            r.check("variables of a given file", code == 200 and b"prompt-variables" in body, f"status {code}")
        finally:
            server.stop()
        missing = os.path.join(folder, "no-such-variables.json")
        ended = r.run(["serve", "--variables", missing])
        r.check("missing variables file", ended.returncode != 0 and ended.stdout == b"" and ended.stderr.decode()
                == f"error: --variables: {missing} is not a file\n", (ended.returncode, ended.stdout, ended.stderr))
    finally:
        shutil.rmtree(folder)


def main():
    r = Runner(os.path.abspath(sys.argv[1]))
    server = Server(r)
    try:
        r.check("token", len(server.token) == 32 and int(server.token, 16) >= 0, server.token)
        refusals(r, server)
        answers(r, server)
    finally:
        err = server.stop()

    lines = err.decode("utf-8", "replace").splitlines()
    r.check("log", lines and all(line.startswith("hlvpres serve: ") for line in lines), lines[:3])
    r.check("log", "hlvpres serve: GET /api/dialog 403" in lines, "no line for a refusal")
    r.check("log", server.token not in err.decode(), "the token is in the log")
    for body in server.bodies + [err]:
        r.check("secrets", SENTINEL not in body, f"a planted password is in {body[:200]!r}")
    variable_files(r)
    return r.report()


if __name__ == "__main__":
    sys.exit(main())
