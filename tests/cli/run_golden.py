#!/usr/bin/env python3
"""Runs hlvpres over the cases of this folder and its subfolders and compares what it prints.

A case NAME is NAME.args (the arguments, one per line) with, when present, NAME.stdin (the
input) and NAME.env (VARIABLE=VALUE lines). Standard output must be NAME.expected, standard
error NAME.expected-stderr and the exit status the number in NAME.expected-status; an absent
file stands for nothing printed and status 0. Each case runs in an empty folder of its own,
which is also its configuration home. In all these files @CASES@ stands for this folder,
@EXAMPLES@ for docs/examples/variables, @TMP@ for the case's folder and @VERSION@ for the
project's version. runner.py tells how outputs are compared.

failures.txt lists commands that must fail with one "error: " line holding the texts after
"=>". Every command listed by --help must also answer --help with its usage.

    run_golden.py HLVPRES CASES-FOLDER VERSION
"""

import glob
import os
import shlex
import sys
import tempfile

from runner import Runner, substituted


def read(path, default=b""):
    if not os.path.exists(path):
        return default
    with open(path, "rb") as f:
        return f.read()


def check_help(r):
    listing = r.run(["--help"]).stdout.decode().split("Commands:\n", 1)[1]
    names = [line.split()[0] for line in listing.splitlines() if line.strip()]
    r.check("--help", len(names) > 10, listing)
    for name in names:
        result = r.run([name, "--help"])
        r.check(f"{name} --help", result.returncode == 0 and result.stderr == b"" and
                result.stdout.startswith(f"usage: hlvpres {name}".encode()), f"starts {result.stdout[:40]!r}")


def run_case(r, name, placeholders):
    """Runs the case NAME in a folder of its own."""
    with tempfile.TemporaryDirectory() as tmp:
        values = dict(placeholders, **{"@TMP@": tmp})
        args = [substituted(line, values) for line in read(name + ".args").decode().splitlines() if line.strip()]
        env = substituted(read(name + ".env").decode(), values)
        env = dict(line.split("=", 1) for line in env.splitlines() if line)
        result = r.run(args, read(name + ".stdin"), dict(env, XDG_CONFIG_HOME=tmp), cwd=tmp)
        label = os.path.relpath(name, placeholders["@CASES@"])
        r.golden(label, result.stdout, name + ".expected", values)
        r.golden(label + " (stderr)", result.stderr, name + ".expected-stderr", values)
        status = int(read(name + ".expected-status", b"0").split()[0])
        r.check(label, result.returncode == status, f"exit {result.returncode}, expected {status}")


def run_failures(r, placeholders):
    """The commands of failures.txt: "[VARIABLE=VALUE ...] hlvpres ARGS [< FILE] => TEXT ..."."""
    with open(os.path.join(placeholders["@CASES@"], "failures.txt"), encoding="utf-8") as f:
        lines = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    for line in lines:
        with tempfile.TemporaryDirectory() as tmp:
            command, _, mentions = substituted(line, dict(placeholders, **{"@TMP@": tmp})).partition(" => ")
            words = shlex.split(command)
            env = {}
            while words[0] != "hlvpres":
                variable, value = words.pop(0).split("=", 1)
                env[variable] = value
            stdin = b""
            if "<" in words:
                stdin = read(os.path.join(placeholders["@CASES@"], words[-1]))
                words = words[:-2]
            r.fails(line, words[1:], stdin, dict(env, XDG_CONFIG_HOME=tmp), shlex.split(mentions), cwd=tmp)
    return len(lines)


def main():
    hlvpres, folder, version = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    examples = os.path.join(os.path.dirname(os.path.dirname(folder)), "docs", "examples", "variables")
    placeholders = {"@CASES@": folder, "@VERSION@": version, "@EXAMPLES@": examples}
    r = Runner(hlvpres)
    check_help(r)
    cases = sorted(glob.glob(os.path.join(folder, "**", "*.args"), recursive=True))
    for args_path in cases:
        run_case(r, args_path[: -len(".args")], placeholders)
    failures = run_failures(r, placeholders)
    print(f"{len(cases)} cases and {failures} failing commands checked")
    return r.report() if cases else 1


if __name__ == "__main__":
    sys.exit(main())
