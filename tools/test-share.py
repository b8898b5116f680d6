#!/usr/bin/env python3
"""Prints how much of the project's code is test code.

Code is every file git knows (tracked, or new and not ignored) written in C++, Python,
JavaScript, shell, CMake, HTML or CSS; data, prose and golden files do not count. Test code is
the code under tests/; the product is all other code: the libraries, the tools, the front end,
the benchmarks and the fuzz targets. Lines are counted as they stand, blank ones included.

    tools/test-share.py              tests, product and the tests' share of all code
    tools/test-share.py --max 33     the same, and exit status 1 when the share is above 33 %
"""

import argparse
import pathlib
import subprocess
import sys

CODE_SUFFIXES = {".cpp", ".cc", ".h", ".hpp", ".py", ".js", ".mjs", ".sh", ".cmake", ".html", ".css"}
CODE_NAMES = {"CMakeLists.txt"}


def listed_files(root):
    """The files git knows; outside a git checkout, every file but build trees and hidden ones."""
    try:
        listed = subprocess.run(["git", "-C", str(root), "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                                check=True, capture_output=True).stdout.decode().split("\0")
        return set(filter(None, listed))
    except (OSError, subprocess.CalledProcessError):
        skipped = ("build", ".", "node_modules")
        return {str(path.relative_to(root)) for path in root.rglob("*")
                if not any(part.startswith(skipped) for part in path.relative_to(root).parts)}


def code_files(root):
    for name in sorted(listed_files(root)):
        path = root / name
        if (path.suffix in CODE_SUFFIXES or path.name in CODE_NAMES) and path.is_file():
            yield name, path


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--max", type=float, metavar="PERCENT", help="fail when the share is above PERCENT")
    args = parser.parse_args()

    root = pathlib.Path(__file__).resolve().parent.parent
    tests = product = 0
    for name, path in code_files(root):
        lines = path.read_bytes().count(b"\n")
        if name.startswith("tests/"):
            tests += lines
        else:
            product += lines
    share = 100.0 * tests / (tests + product)
    print(f"tests    {tests:7d} lines")
    print(f"product  {product:7d} lines")
    print(f"share    {share:7.1f} %")
    if args.max is not None and share > args.max:
        print(f"test-share: the tests are {share:.1f} % of the code, above {args.max:g} %", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
