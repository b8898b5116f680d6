#!/usr/bin/env python3
"""Runs hlvpres over the cases of this folder and compares its output to the byte.

Each case NAME has NAME.args (the arguments, one per line), optionally NAME.stdin (the input)
and NAME.expected (the exact standard output). The exit status must be the one on the first
line of NAME.expected-status, or 0 when that file is absent.

    run_golden.py HLVPRES CASES-FOLDER
"""

import glob
import os
import subprocess
import sys


def main():
    hlvpres, folder = sys.argv[1], sys.argv[2]
    failures = 0
    cases = sorted(glob.glob(os.path.join(folder, "*.args")))
    for args_path in cases:
        name = args_path[: -len(".args")]
        with open(args_path, encoding="utf-8") as f:
            args = [line.rstrip("\n") for line in f if line.strip()]
        stdin = b""
        if os.path.exists(name + ".stdin"):
            with open(name + ".stdin", "rb") as f:
                stdin = f.read()
        with open(name + ".expected", "rb") as f:
            expected = f.read()
        expected_status = 0
        if os.path.exists(name + ".expected-status"):
            with open(name + ".expected-status", encoding="utf-8") as f:
                expected_status = int(f.readline())
        result = subprocess.run([hlvpres] + args, input=stdin, capture_output=True, timeout=120)
        label = os.path.basename(name)
        if result.stdout != expected or result.returncode != expected_status:
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
            if result.stderr:
                print("  stderr: " + result.stderr.decode("utf-8", "replace").strip())
        else:
            print(f"ok   {label}")
    print(f"{len(cases) - failures} of {len(cases)} cases passed")
    return 1 if failures or not cases else 0


if __name__ == "__main__":
    sys.exit(main())
