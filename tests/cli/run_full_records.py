#!/usr/bin/env python3
"""Every full record, written, read back by `hlvpres read` and written again, gives the same text.

    run_full_records.py HLVFIXTURES HLVPRES
"""

import subprocess
import sys


def main():
    fixtures, hlvpres = sys.argv[1], sys.argv[2]
    written = subprocess.run([fixtures], capture_output=True, check=True, timeout=120).stdout
    result = subprocess.run([hlvpres, "read"], input=written, capture_output=True, timeout=120)
    expected = written.decode("utf-8").splitlines()
    actual = result.stdout.decode("utf-8").splitlines()
    failures = 0
    for i, line in enumerate(expected):
        got = actual[i] if i < len(actual) else "<none>"
        if got != line:
            failures += 1
            name = line.split('"')[1] if '"' in line else f"line {i + 1}"
            print(f"FAIL {name}\n  written {line[:400]}\n  read    {got[:400]}")
    if len(actual) != len(expected) or result.returncode != 0:
        failures += 1
        print(f"hlvpres read printed {len(actual)} lines for {len(expected)} and exited with {result.returncode}")
        if result.stderr:
            print(result.stderr.decode("utf-8", "replace"))
    print(f"{len(expected) - failures} of {len(expected)} records read back to the same text")
    return 1 if failures or not expected else 0


if __name__ == "__main__":
    sys.exit(main())
