"""What the runners of hlvpres share: running it in a clean environment, a command that must
fail with one "error: " line, output compared with a golden file, no planted secret in any
output, the test database servers, and the report.

Every planted password and pass phrase starts with "S3ntinel"; no output may hold it. Golden
files are compared after two rewrites on both sides: whether a driver is installed depends on
the machine and is left out, and a credential id the credential service made reads "@ID@".
With HLV_UPDATE_GOLDEN=1 a golden file that differs is written anew instead.
"""

import contextlib
import os
import re
import subprocess
import tempfile

SENTINEL = b"S3ntinel"
PG_PASSWORD = "S3ntinel-PG-Pa55"
# Set by the sanitizer tree's tests: its allocator keeps freed memory, so a process's size says
# nothing about what the program holds.
SANITIZED = os.environ.get("HLV_SANITIZED") == "1"
DRIVER_STATE = re.compile(rb'"(has-driver|is-driver-installed|driver-missing-info)":"[^"]*"')
CREDENTIAL_ID = re.compile(rb'"credential-id":"[0-9a-f]{32}"')


def normalised(output):
    return CREDENTIAL_ID.sub(b'"credential-id":"@ID@"', DRIVER_STATE.sub(rb'"\1":""', output))


def substituted(data, placeholders, reverse=False):
    """`data` (text or bytes) with each placeholder ("@NAME@") replaced by its text, or the
    other way round."""
    for name, text in placeholders.items():
        old, new = (text, name) if reverse else (name, text)
        if isinstance(data, bytes):
            old, new = old.encode(), new.encode()
        data = data.replace(old, new)
    return data


@contextlib.contextmanager
def server(r, program, password, skip):
    """The port of a test server started from `program` (hlvpgserver, hlvmariadbserver), or None
    when the variable `skip` is 1 or the server is unavailable."""
    if os.environ.get(skip) == "1":
        print(f"{skip}=1: skipped")
        yield None
        return
    process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        process.stdin.write(password + "\n"), process.stdin.flush()
        started = process.stdout.readline().strip()
        ok = r.check(os.path.basename(program), started.startswith("port "), started or f"exit {process.poll()}")
        yield started.split()[1] if ok else None
    finally:
        process.stdin.close()
        process.wait(timeout=120)


class Runner:
    def __init__(self, hlvpres):
        self.hlvpres = hlvpres
        self.failures = []
        self.runs = 0
        # No feature flags, connector folders, app mode or OEM file of the caller's.
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("HLV_")}
        # A store of its own, which the runner's last process leaves behind in a temporary folder.
        self.store = tempfile.TemporaryDirectory()
        # Nor the caller's configuration folder, whose list of recent connections a new store takes.
        self.env.update(HLV_STORE=os.path.join(self.store.name, "store.sqlite"),
                        HLV_STORE_KEY_FILE=os.path.join(self.store.name, "store.key"),
                        XDG_CONFIG_HOME=os.path.join(self.store.name, "config"))

    def check(self, label, condition, detail=""):
        if not condition:
            self.failures.append(f"{label}: {detail}")
        return condition

    def run(self, args, stdin=b"", env=None, cwd=None):
        """`hlvpres ARGS`, with the variables `env` added to the runner's environment."""
        result = subprocess.run([self.hlvpres] + args, input=stdin, capture_output=True, timeout=120,
                                env=dict(self.env, **(env or {})), cwd=cwd)
        self.runs += 1
        self.check("hlvpres " + " ".join(args[:2]), SENTINEL not in result.stdout + result.stderr,
                   "printed a planted secret")
        return result

    def fails(self, label, args, stdin=b"", env=None, mentions=(), cwd=None):
        """Status 1, nothing on standard output, one "error: " line holding each of `mentions`."""
        result = self.run(args, stdin, env, cwd)
        err = result.stderr.decode("utf-8", "replace")
        self.check(label, result.returncode == 1 and result.stdout == b"",
                   f"exit {result.returncode}, stdout {result.stdout[:200]!r}")
        self.check(label, err.startswith("error: ") and err.count("\n") == 1 and err.endswith("\n"), repr(err))
        for text in mentions:
            self.check(label, text in err, f"the error does not mention {text!r}: {err!r}")

    def golden(self, label, actual, path, placeholders=None):
        """`actual` must be the golden file `path`, placeholders replaced; absent, it is empty."""
        placeholders = placeholders or {}
        expected = b""
        if os.path.exists(path):
            with open(path, "rb") as f:
                expected = substituted(f.read(), placeholders)
        if normalised(actual) == normalised(expected):
            return True
        if os.environ.get("HLV_UPDATE_GOLDEN") == "1":
            with open(path, "wb") as f:
                f.write(substituted(CREDENTIAL_ID.sub(b'"credential-id":"@ID@"', actual), placeholders, True))
            print(f"wrote {path}")
            return True
        expected_lines = normalised(expected).decode("utf-8", "replace").splitlines() + ["<none>"]
        actual_lines = normalised(actual).decode("utf-8", "replace").splitlines() + ["<none>"]
        i = next((i for i, (e, a) in enumerate(zip(expected_lines, actual_lines)) if e != a), 0)
        return self.check(label, False, f"{os.path.basename(path)} line {i + 1}\n    expected "
                                        f"{expected_lines[i][:2000]}\n    actual   {actual_lines[i][:2000]}")

    def report(self):
        """Prints the failures; the exit status of the runner."""
        for failure in self.failures:
            print("FAIL " + failure)
        print(f"{self.runs} runs, {len(self.failures)} failures")
        return 1 if self.failures else 0
