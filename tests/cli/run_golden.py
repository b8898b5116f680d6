#!/usr/bin/env python3
"""Runs hlvpres over the cases of this folder and compares its output to the byte.

Each case NAME has NAME.args (the arguments, one per line), optionally NAME.stdin (the input)
and NAME.expected (the exact standard output). Standard error must be NAME.expected-stderr, or
empty when that file is absent. The exit status must be the one on the first line of
NAME.expected-status, or 0 when that file is absent. @VERSION@ in an expected file stands for
the project's version.

Every command listed by --help must also answer --help with its usage.

    run_golden.py HLVPRES CASES-FOLDER VERSION
"""

import glob
import os
import subprocess
import sys


def read_expected(path, version, default=b""):
    if not os.path.exists(path):
        return default
    with open(path, "rb") as f:
        return f.read().replace(b"@VERSION@", version.encode())


def check_help(hlvpres):
    """The number of commands whose --help is not their usage."""
    listing = subprocess.run([hlvpres, "--help"], capture_output=True, timeout=60, check=True)
    lines = listing.stdout.decode().split("Commands:\n", 1)[1].splitlines()
    names = [line.split()[0] for line in lines if line.strip()]
    failures = 0
    for name in names:
        result = subprocess.run([hlvpres, name, "--help"], capture_output=True, timeout=60)
        if result.returncode != 0 or not result.stdout.startswith(f"usage: hlvpres {name}".encode()) or result.stderr:
            failures += 1
            print(f"FAIL {name} --help: exit {result.returncode}, starts {result.stdout[:40]!r}")
    print(f"{len(names) - failures} of {len(names)} commands give their usage")
    return failures if names else 1


def main():
    hlvpres, folder, version = sys.argv[1], sys.argv[2], sys.argv[3]
    failures = check_help(hlvpres)
    cases = sorted(glob.glob(os.path.join(folder, "*.args")))
    for args_path in cases:
        name = args_path[: -len(".args")]
        with open(args_path, encoding="utf-8") as f:
            args = [line.rstrip("\n") for line in f if line.strip()]
        stdin = b""
        if os.path.exists(name + ".stdin"):
            with open(name + ".stdin", "rb") as f:
                stdin = f.read()
        expected = read_expected(name + ".expected", version, None)
        expected_stderr = read_expected(name + ".expected-stderr", version)
        expected_status = 0
        if os.path.exists(name + ".expected-status"):
            with open(name + ".expected-status", encoding="utf-8") as f:
                expected_status = int(f.readline())
        result = subprocess.run([hlvpres] + args, input=stdin, capture_output=True, timeout=120)
        label = os.path.basename(name)
        if result.stdout != expected or result.stderr != expected_stderr or result.returncode != expected_status:
            failures += 1
            print(f"FAIL {label}: exit {result.returncode} (expected {expected_status})")
            expected_lines = expected.decode("utf-8", "replace").splitlines()
            actual_lines = result.stdout.decode("utf-8", "replace").splitlines()
            for i in range(max(len(expected_lines), len(actual_lines))):
                e = expected_lines[i] if i < len(expected_lines) else "<none>"
                a = actual_lines[i] if i < len(actual_lines) else "<none>"
                if e != a:
                    print(f"  line {i + 1}:\n    expected {e}\n    actual   {a}")
                    break
            if result.stderr != expected_stderr:
                print("  stderr expected: " + expected_stderr.decode("utf-8", "replace").strip())
                print("  stderr actual:   " + result.stderr.decode("utf-8", "replace").strip())
        else:
            print(f"ok   {label}")
    print(f"{len(cases)} cases checked, {failures} failures in all")
    return 1 if failures or not cases else 0


if __name__ == "__main__":
    sys.exit(main())
