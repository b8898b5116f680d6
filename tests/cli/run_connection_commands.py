#!/usr/bin/env python3
"""hlvpres dialog, convert and demo end to end: a golden dialog, the attributes of three
conversions, the failures, each of which must be one "error: " line on standard error, status 1
and nothing on standard output, and the demo of every class. A sentinel password and pass
phrase are planted in every input; no byte of any output may hold them. Keys and certificates
are made with the openssl command.

    run_connection_commands.py HLVPRES CASES-FOLDER
"""

import json
import os
import re
import subprocess
import sys
import tempfile

PASSWORD = "S3ntinel-Pa55"
PASS_PHRASE = "S3ntinel-PassPhrase"
CREDENTIAL_ID = re.compile(r"[0-9a-f]{32}")
# Whether the dialog finds the PostgreSQL driver depends on what the machine has installed.
DRIVER_STATE = re.compile(rb'"(is-driver-installed|driver-missing-info)":"[^"]*"')


def bag(fields):
    """The bag the front end hands back: the field record `fields` under its own id."""
    return json.dumps({"gen-connection-params-pres-model": fields}).encode()


class Runner:
    def __init__(self, hlvpres):
        self.hlvpres = hlvpres
        self.failures = []
        self.outputs = []
        # The defaults of the feature flags, the built-in connectors, the desktop application and
        # no OEM build.
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("HLV_FEATURE_FLAGS", "HLV_REMOTE_FEATURE_FLAGS", "HLV_CONNECTORS_PATH",
                                 "HLV_APP_MODE", "HLV_OEM_INFO", "HLV_MRU_TEST_PAUSE_MID_WRITE")}

    def run(self, args, stdin=b"", env=None):
        """`hlvpres ARGS`, with the variables `env` added to the runner's environment."""
        result = subprocess.run([self.hlvpres] + args, input=stdin, capture_output=True, timeout=120,
                                env=dict(self.env, **(env or {})))
        self.outputs.append((args[:2], result.stdout + result.stderr))
        return result

    def check(self, label, condition, detail=""):
        if not condition:
            self.failures.append(f"{label}: {detail}")

    def one_line(self, label, args, env=None):
        """The one JSON line `hlvpres ARGS` prints, parsed, or None when it printed anything else."""
        result = self.run(args, env=env)
        self.check(label, result.returncode == 0 and result.stderr == b"",
                   f"exit {result.returncode}, stderr {result.stderr!r}")
        lines = result.stdout.decode().splitlines()
        self.check(label, len(lines) == 1, f"{len(lines)} lines")
        if result.returncode != 0 or len(lines) != 1:
            return None
        return json.loads(lines[0])

    def convert(self, label, connection_class, fields, expected):
        """Converts the field record `fields`; the attributes must be `expected`, with any
        credential id standing for itself."""
        result = self.run(["convert", connection_class], bag(fields))
        self.check(label, result.returncode == 0 and result.stderr == b"",
                   f"exit {result.returncode}, stderr {result.stderr!r}")
        if result.returncode != 0:
            return
        lines = result.stdout.decode().splitlines()
        self.check(label, len(lines) == 1, f"{len(lines)} lines")
        attributes = json.loads(lines[0])
        credential_id = attributes.get("credential-id", "")
        if "credential-id" in expected:
            self.check(label, CREDENTIAL_ID.fullmatch(credential_id), f"credential id {credential_id!r}")
            expected = dict(expected, **{"credential-id": credential_id})
        self.check(label, attributes == expected, f"\n    expected {expected}\n    actual   {attributes}")
        self.check(label, list(attributes) == sorted(attributes), "keys not sorted")

    def fails(self, label, args, stdin=b"", env=None):
        result = self.run(args, stdin, env)
        err = result.stderr.decode("utf-8", "replace")
        self.check(label, result.returncode == 1, f"exit {result.returncode}")
        self.check(label, result.stdout == b"", f"stdout {result.stdout!r}")
        self.check(label, err.startswith("error: ") and err.count("\n") == 1 and err.endswith("\n"),
                   f"stderr {err!r}")
        return err

    def report(self):
        """Prints the failures; the exit status of the runner."""
        for failure in self.failures:
            print("FAIL " + failure)
        print(f"{len(self.outputs)} runs, {len(self.failures)} failures")
        return 1 if self.failures else 0


def openssl(*args):
    subprocess.run(["openssl"] + list(args), check=True, capture_output=True, timeout=120)


def main():
    hlvpres, folder = sys.argv[1], sys.argv[2]
    r = Runner(hlvpres)

    # The dialog of a new connection, seeded with what the user last connected with: the cached
    # password and credential id never reach it.
    with open(os.path.join(folder, "connections", "dialog-postgres.expected"), "rb") as f:
        expected = f.read()
    cached = {"server": "db.example.com", "port": "6432", "dbname": "sales", "username": "ann",
              "password": PASSWORD, "sslmode": "require", "credential-id": "a1b2c3d4e5f60718293a4b5c6d7e8f90"}
    result = r.run(["dialog", "postgres", "--attributes", json.dumps(cached)])
    r.check("dialog postgres", result.returncode == 0 and result.stderr == b"", result.stderr)
    r.check("dialog postgres", DRIVER_STATE.sub(rb"\1", result.stdout) == DRIVER_STATE.sub(rb"\1", expected),
            "output differs from connections/dialog-postgres.expected")
    r.check("dialog postgres", b"a1b2c3d4e5f60718293a4b5c6d7e8f90" not in result.stdout, "the cached credential id")

    # A server connection: the password goes to the credential store, and the client key, a
    # secret the set keeps among the attributes, is masked.
    r.convert("convert postgres", "postgres", {
        "widget-attr-server": "db.example.com", "widget-attr-port": "6432", "widget-attr-db": "sales",
        "widget-attr-user": "ann", "widget-attr-password": PASSWORD, "widget-attr-require-ssl": "true",
        "widget-attr-ssl-client-key": PASSWORD, "curr-auth-option": "auth-option-username-and-password",
    }, {"class": "postgres", "server": "db.example.com", "port": "6432", "dbname": "sales", "username": "ann",
        "sslmode": "require", "authentication": "username-password", "sslcert": "", "ssl-client-cert": "",
        "ssl-client-key": "********", "ssl-client-cert-file": "", "ssl-client-key-file": "", "credential-id": ""})

    # A file connection: the file name is printed under "filename". SQLite keeps no credentials
    # in the store, so a password planted in its record stays, masked.
    r.convert("convert sqlite", "sqlite",
              {"widget-attr-filename": "/data/sales.sqlite", "widget-attr-password": PASSWORD},
              {"class": "sqlite", "filename": "/data/sales.sqlite", "password": "********"})

    # An OAuth sign-in: the tokens travel in the OAuth attributes and are masked; the instance
    # address is not a secret.
    r.convert("convert nimbara oauth", "nimbara", {
        "curr-auth-option": "auth-oauth",
        "oauth-attrs": {"access-token": PASSWORD, "refresh-token": PASSWORD, "instanceurl": "https://acme.example.com"},
    }, {"class": "nimbara", "authentication": "oauth", "username": "", "instanceurl": "https://acme.example.com",
        "access-token": "********", "refresh-token": "********", "credential-id": ""})

    with tempfile.TemporaryDirectory() as tmp:
        key = os.path.join(tmp, "ann.p8")
        openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256", "-aes-256-cbc",
                "-pass", "pass:" + PASS_PHRASE, "-out", key)
        certificate = os.path.join(tmp, "proxy-ca.pem")
        openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout",
                os.path.join(tmp, "ca.key"), "-out", certificate, "-days", "1", "-subj", "/CN=proxy.example.com")
        with open(certificate, encoding="ascii") as f:
            certificate_text = f.read()
        key_pair = {"server": "acme.snowflakecomputing.com", "authentication": "auth-keypair", "username": "ann",
                    "priv-key-file": key, "priv-key-file-pwd": PASS_PHRASE, "password": PASSWORD}

        # A key-pair sign-in with a custom certificate: the certificate is read into the
        # attributes, the decrypted key into the credential store; neither the key, nor its
        # file, nor its pass phrase is printed.
        r.convert("convert snowflake key pair", "snowflake",
                  {"connector-attrs": dict(key_pair, sslfile=certificate)},
                  {"class": "snowflake", "server": "acme.snowflakecomputing.com", "authentication": "auth-keypair",
                   "username": "ann", "sslcert": certificate_text, "credential-id": ""})

        record = bag({"connector-attrs": dict(key_pair, password=PASSWORD)})
        r.fails("unknown class", ["convert", "no-such-class"], record)
        r.fails("no record", ["convert", "postgres"],
                json.dumps({"gen-initial-sqlpres-model": {"initial-sql": PASSWORD}}).encode())
        r.fails("invalid JSON", ["convert", "postgres"], bag({"widget-attr-password": PASSWORD})[:-2])
        unreadable = r.fails("unreadable secret", ["convert", "postgres"],
                             json.dumps({"replace-datasource-single-worksheet": PASSWORD}).encode())
        r.check("unreadable secret", "replace-datasource-single-worksheet" in unreadable,
                "the message does not name the parameter")
        missing = r.fails("missing certificate", ["convert", "snowflake"],
                          bag({"connector-attrs": {"authentication": "auth-user-pass", "password": PASSWORD,
                                                   "sslfile": os.path.join(tmp, "no-such.pem")}}))
        r.check("missing certificate", "no-such.pem" in missing, "the message does not name the file")
        r.fails("wrong pass phrase", ["convert", "snowflake"],
                bag({"connector-attrs": dict(key_pair, **{"priv-key-file-pwd": PASS_PHRASE + "-wrong"})}))
        r.fails("unknown option of convert", ["convert", "postgres", "--password", PASSWORD], record)
        r.fails("unknown option of dialog", ["dialog", "postgres", "--attributes", json.dumps(cached), "--pass",
                                             PASS_PHRASE])
        r.fails("invalid --attributes", ["dialog", "postgres", "--attributes", json.dumps(cached)[:-1]])

    # The demo walks the dialog of every class the registry holds.
    classes = [line.split("\t")[0] for line in r.run(["connectors"]).stdout.decode().splitlines()]
    r.check("connectors", len(classes) > 30, f"{len(classes)} classes")
    for connection_class in classes:
        result = r.run(["demo", connection_class])
        r.check("demo " + connection_class, result.returncode == 0 and result.stderr == b"", result.stderr)

    for args, output in r.outputs:
        for sentinel in (PASSWORD, PASS_PHRASE):
            r.check("hlvpres " + " ".join(args), sentinel.encode() not in output, f"printed {sentinel}")

    return r.report()


if __name__ == "__main__":
    sys.exit(main())
