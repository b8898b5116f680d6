#!/usr/bin/env python3
"""hlvpres serve end to end, without a browser: the session token guards every request, a body
over the cap, malformed JSON and a wrong request each get a JSON refusal with its status while
the server keeps serving, the API answers what the commands print, and a planted password is in
no response and not in the server's output. The variables description files of --variables come
first on the variable prompt page, and one that does not exist stops the server before it serves.

    run_serve.py HLVPRES
"""

import base64
import http.client
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

from runner import SANITIZED, SENTINEL, Runner, normalised

PASSWORD = "S3ntinel-Serve-Pa55"
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "examples", "variables")


class Server:
    def __init__(self, r, arguments=(), cwd=None, env=None):
        self.process = subprocess.Popen([r.hlvpres, "serve", *arguments], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, cwd=cwd, env=dict(r.env, **(env or {})))
        line = self.process.stdout.readline().decode()
        prefix = "hlvpres serve: http://127.0.0.1:"
        if not line.startswith(prefix) or "/?token=" not in line:
            raise SystemExit(f"unexpected first line {line!r}")
        address = urllib.parse.urlparse(line[len("hlvpres serve: "):].strip())
        self.port = address.port
        self.token = urllib.parse.parse_qs(address.query)["token"][0]
        self.bodies = []

    def request(self, method, path, body=None, token=True, headers=None, timeout=60):
        """The status, the content type and the body (bytes) of one request."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
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


def convert_bag(server, connection_class, **fields):
    (settings,) = json.loads(server.request("GET", f"/api/dialog?class={connection_class}")[2]).values()
    params = dict(settings["widget-connection-params"])
    attrs = dict(params.get("connector-attrs", {}), **fields.pop("attrs", {}))
    return json.dumps({"gen-connection-params-pres-model": dict(params, **fields, **{"connector-attrs": attrs})}).encode()


def files(r):
    """No file is opened by a path a request names, but inside --allow-files: a certificate comes
    as content, and no answer tells whether another file exists; the front end's folder gives
    out no file by a NUL, a link or a FIFO, and a FIFO does not stall the server."""
    folder = tempfile.mkdtemp(prefix="hlv-serve-files-")
    try:
        allowed, web = os.path.join(folder, "allowed"), os.path.join(folder, "web")
        os.mkdir(allowed)
        shutil.copytree(os.path.join(os.path.dirname(EXAMPLES), "..", "..", "web"), web)
        outside = os.path.join(folder, "outside.pem")
        pem = b"-----BEGIN CERTIFICATE-----\nT3V0c2lkZS1NYXJrZXI=\n-----END CERTIFICATE-----\n"
        for path in (outside, os.path.join(allowed, "cert.pem"), os.path.join(web, "secret.env")):
            with open(path, "wb") as f:
                f.write(pem)
        os.symlink(outside, os.path.join(allowed, "link.pem"))
        os.symlink(outside, os.path.join(web, "link.js"))
        os.mkfifo(os.path.join(allowed, "fifo.pem"))
        os.mkfifo(os.path.join(web, "fifo.js"))
        server = Server(r, ["--allow-files", allowed, "--web", web], env={"HLV_FEATURE_FLAGS": "0xDC326D3=on"})
        try:
            data_url = "data:application/x-pem-file;base64," + base64.b64encode(pem).decode()
            for label, sslfile, status in [("a path outside", outside, 400), ("/etc/shadow", "/etc/shadow", 400),
                                           ("a missing file", os.path.join(folder, "none.pem"), 400),
                                           ("a link out", os.path.join(allowed, "link.pem"), 400),
                                           ("a FIFO", os.path.join(allowed, "fifo.pem"), 400),
                                           ("an allowed file", os.path.join(allowed, "cert.pem"), 200),
                                           ("content", data_url, 200)]:
                code, _, body = server.request("POST", "/api/convert?class=snowflake",
                                               convert_bag(server, "snowflake", attrs={"sslfile": sslfile}), timeout=10)
                r.check("file " + label, code == status and (status == 200 or b"T3V0c2lkZS1NYXJrZXI" not in body),
                        f"status {code} ({status}): {body[:200]!r}")
            refused = [server.request("POST", "/api/convert?class=snowflake", convert_bag(server, "snowflake", attrs={
                "sslfile": path}))[2] for path in (outside, os.path.join(folder, "none.pem"))]
            r.check("no existence oracle", refused[0] == refused[1], refused)
            code, _, body = server.request("POST", "/api/describe", json.dumps(
                {"class": "sqlite", "filename": outside}).encode(), timeout=10)
            r.check("describe a file outside", code == 400, f"status {code}: {body[:200]!r}")
            answers = [server.request("GET", "/api/variables?file=" + urllib.parse.quote(path), timeout=10)
                       for path in ("/etc/passwd", "/no/such/file.json")]
            r.check("variables of any path", answers[0][0] == 400 and answers[0][2] == answers[1][2], answers)
            for name in ("secret.env%00.html", "link.js", "fifo.js", "secret.env"):
                code, _, body = server.request("GET", f"/{name}?token={server.token}", token=False, timeout=10)
                r.check("page file " + name, code == 404 and b"T3V0" not in body, f"status {code}: {body[:100]!r}")
            r.check("after a FIFO", server.request("GET", "/app.js", timeout=5)[0] == 200)
        finally:
            server.stop()
    finally:
        shutil.rmtree(folder)


def log_escapes(r, server):
    """A request's control characters reach the log escaped: no forged line, no terminal escape."""
    connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=10)
    connection.request("GET", "/x%0Ahlvpres%20serve:%20GET%20/forged%20200%0D%1B[31m%07")
    connection.getresponse().read()
    connection.close()


def slow_connect(r, server):
    """A connection attempt that hangs holds its own call only: another user's call is answered."""
    silent = socket.create_server(("127.0.0.1", 0))
    accepted = []
    threading.Thread(target=lambda: accepted.append(silent.accept()[0]), daemon=True).start()
    attributes = {"class": "postgres", "server": "127.0.0.1", "port": str(silent.getsockname()[1]), "dbname": "x",
                  "username": "u", "password": PASSWORD}
    describe = threading.Thread(target=server.request, args=("POST", "/api/describe", json.dumps(attributes).encode()))
    describe.start()
    time.sleep(0.5)
    began = time.monotonic()
    code = server.request("GET", "/api/dialog?class=postgres", timeout=10)[0]
    took = time.monotonic() - began
    r.check("a slow connect blocks others", code == 200 and took < 1, f"status {code} after {took:.2f} s")
    for connection in accepted:
        connection.close()
    silent.close()
    describe.join(30)


def credentials(r, server):
    """Secrets a convert handed to the credential service do not pile up."""
    bag = convert_bag(server, "postgres", **{"widget-attr-server": "h", "widget-attr-user": "u",
                                             "widget-attr-password": "p" * (900 << 10)})
    pid = server.process.pid
    rss = lambda: int(next(l for l in open(f"/proc/{pid}/status") if l.startswith("VmRSS:")).split()[1]) >> 10
    server.request("POST", "/api/convert?class=postgres", bag)
    before = rss()
    for _ in range(120):
        server.request("POST", "/api/convert?class=postgres", bag)
    after = rss()
    print(f"120 converts with 900 KB passwords: server memory {before} MiB before, {after} MiB after")
    if not SANITIZED:
        r.check("credentials released", after - before < 64, f"grew from {before} to {after} MiB")


def sentinels(r):
    """Passwords of 1, 3 and 20 characters, through every call that takes one, failing
    connections included: two servers given different passwords of one length answer and log
    the same, so nothing they answer or log tells anything of a password."""
    ids = re.compile(rb"[0-9a-f]{32}")
    for length in (1, 3, 20):
        runs = []
        for password in ("o" * length, "q" * length):
            server = Server(r)
            answers = []
            try:
                for user in ("u", "o" * length):  # in the first run, the password is the user name
                    bag = convert_bag(server, "postgres", **{"widget-attr-server": "127.0.0.1", "widget-attr-db": "x",
                                                             "widget-attr-user": user, "widget-attr-password": password})
                    answers.append(server.request("POST", "/api/convert?class=postgres", bag))
                    for port in ("1", "x"):
                        attributes = {"class": "postgres", "server": "127.0.0.1", "port": port, "dbname": "x",
                                      "username": user, "password": password}
                        answers.append(server.request("POST", "/api/describe", json.dumps(attributes).encode()))
            finally:
                log = server.stop()
            runs.append([ids.sub(b"ID", repr(answer).encode()) for answer in answers] +
                        [line for line in log.splitlines() if b"http://" not in line])
        r.check(f"sentinel of {length}", runs[0] == runs[1],
                next(((a, b) for a, b in zip(*runs) if a != b), "the runs differ in length"))


def main():
    r = Runner(os.path.abspath(sys.argv[1]))
    server = Server(r)
    try:
        r.check("token", len(server.token) == 32 and int(server.token, 16) >= 0, server.token)
        refusals(r, server)
        answers(r, server)
        log_escapes(r, server)
        slow_connect(r, server)
        credentials(r, server)
    finally:
        err = server.stop()

    lines = err.decode("utf-8", "replace").splitlines()
    r.check("log", lines and all(line.startswith("hlvpres serve: ") for line in lines), lines[:3])
    r.check("log", "hlvpres serve: GET /api/dialog 403" in lines, "no line for a refusal")
    r.check("log", server.token not in err.decode(), "the token is in the log")
    r.check("log escapes", b"\x1b" not in err and b"\r" not in err and b"\x07" not in err and not any(
        line.startswith("hlvpres serve: GET /forged") for line in lines) and "/x\\x0ahlvpres" in err.decode(),
        [line for line in lines if "/x" in line])
    for body in server.bodies + [err]:
        r.check("secrets", SENTINEL not in body, f"a planted password is in {body[:200]!r}")
    variable_files(r)
    files(r)
    sentinels(r)
    return r.report()


if __name__ == "__main__":
    sys.exit(main())
