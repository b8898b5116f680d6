#!/usr/bin/env python3
"""Whole-process timings of `hlvpres` against live databases, beside each database's own client.

    tools/bench-live.py [BUILD-DIR] [--rows N] [--tables N]

Starts the test servers (BUILD-DIR/tests/hlvpgserver and hlvmariadbserver), fills a table of N
rows (default 1,000,000) in SQLite, PostgreSQL and MariaDB, then times with hyperfine:

- `hlvpres --version`, the start-up floor;
- `hlvpres preview CLASS --table bench_rows --rows 100` (and 1,000) beside `sqlite3`, `psql` and
  `mariadb` running the same SELECT ... LIMIT;
- the data source page (`hlvpres describe mysql`) of a MariaDB database of --tables tables
  (default 100,000), with its peak memory.

Prints one Markdown table per group, with each command's mean time and its ratio to the client's.
Needs hyperfine, sqlite3, psql and mariadb (tools/build.sh installs them).
"""

import argparse
import json
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile

PASSWORD = "bench-password-1"
COLUMNS = "id, name, amount, day, note"


def start(program):
    """A test server started by `program`; returns (process, port)."""
    server = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    server.stdin.write(PASSWORD + "\n")
    server.stdin.flush()
    line = server.stdout.readline().strip()
    if not line.startswith("port "):
        sys.exit(f"{program}: {line or 'exited ' + str(server.wait())}")
    return server, line.split()[1]


def fill_sqlite(path, rows):
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE bench_rows (id INTEGER PRIMARY KEY, name TEXT, amount REAL, day TEXT, note TEXT)")
    db.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
               "INSERT INTO bench_rows SELECT i, 'customer ' || i, i * 0.25, date('2020-01-01', '+' || (i % 3650) || ' days'), "
               "CASE WHEN i % 7 = 0 THEN NULL ELSE 'note ' || i END FROM n", (rows,))
    db.commit()
    db.close()


def psql(port, sql):
    return ["psql", "-X", "-q", "-A", "-t", f"host=127.0.0.1 port={port} dbname=hlvsales user=hlvadmin sslmode=require",
            "-c", sql]


def mariadb(port, sql, database="hlvsales"):
    return ["mariadb", "-h", "127.0.0.1", "-P", port, "-u", "hlvadmin", f"-p{PASSWORD}", "--skip-ssl", "-B", "-N",
            database, "-e", sql]


def run(command, env=None):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, env=env)


def fill_postgres(port, rows, env):
    run(psql(port, "DROP TABLE IF EXISTS bench_rows; CREATE TABLE bench_rows (id bigint PRIMARY KEY, name text, "
                   "amount double precision, day date, note text); INSERT INTO bench_rows SELECT i, 'customer ' || i, "
                   "i * 0.25, date '2020-01-01' + (i % 3650), CASE WHEN i % 7 = 0 THEN NULL ELSE 'note ' || i END "
                   f"FROM generate_series(1, {rows}) AS i"), env)


def fill_mariadb(port, rows, tables):
    run(mariadb(port, "DROP TABLE IF EXISTS bench_rows; CREATE TABLE bench_rows (id BIGINT PRIMARY KEY, name TEXT, "
                      "amount DOUBLE, day DATE, note TEXT); INSERT INTO bench_rows SELECT seq, CONCAT('customer ', seq), "
                      "seq * 0.25, DATE_ADD('2020-01-01', INTERVAL seq % 3650 DAY), IF(seq % 7 = 0, NULL, "
                      f"CONCAT('note ', seq)) FROM seq_1_to_{rows}"))
    fill_mariadb_tables(port, tables)


def fill_mariadb_tables(port, tables):
    # A database of many tables for the data source page, made on one connection: each table is
    # one file of MariaDB's own, its definition (a MEMORY table keeps no data file).
    statements = ["CREATE DATABASE IF NOT EXISTS hlvmany; USE hlvmany;"]
    statements += [f"CREATE TABLE IF NOT EXISTS t{i:06d} (id INT) ENGINE=MEMORY;" for i in range(tables)]
    client = mariadb(port, "")[:-2]  # the client reading its statements from standard input
    subprocess.run(client, input="\n".join(statements), text=True, check=True, stdout=subprocess.DEVNULL)


def time_commands(commands, env, runs=None):
    """Times `commands` ({name: argv}) with hyperfine, `runs` times each when given (else as often
    as hyperfine sees fit, 10 at least); returns {name: hyperfine's result}."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        timing = ["--warmup", "3", "--min-runs", "10"] if runs is None else ["--warmup", "1", "--runs", str(runs)]
        argv = ["hyperfine", "-N"] + timing + ["--export-json", out.name]
        for name, command in commands.items():
            argv += ["-n", name, subprocess.list2cmdline(command)]
        subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, env=env)
        return {r["command"]: r for r in json.load(open(out.name))["results"]}


def peak_mib(command, env=None):
    """The peak resident memory of `command`, in MiB, as /usr/bin/time reports it."""
    timed = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, text=True, check=True, env=env)
    return int(timed.stderr.strip().splitlines()[-1]) / 1024


def hyperfine(title, commands, baseline, env):
    """Times `commands` ({name: argv}) and prints their means and ratios to `baseline`."""
    names = list(commands)
    results = time_commands(commands, env)
    floor = results[baseline]["mean"]
    print(f"\n### {title}\n\n| command | mean | ratio to {baseline} |\n|---|---|---|")
    for name in names:
        mean = results[name]["mean"]
        print(f"| {name} | {mean * 1000:.1f} ms ± {results[name]['stddev'] * 1000:.1f} | {mean / floor:.2f}x |")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--tables", type=int, default=100_000)
    args = parser.parse_args()
    for tool in ("hyperfine", "sqlite3", "psql", "mariadb"):
        if not shutil.which(tool):
            sys.exit(f"bench-live: {tool} is missing (tools/build.sh installs it)")
    hlvpres = os.path.join(args.build, "cli", "hlvpres")
    env = dict(os.environ, PGPASSWORD=PASSWORD)
    folder = tempfile.mkdtemp(prefix="hlv-bench-live-")
    servers = []
    try:
        database = os.path.join(folder, "bench.sqlite")
        fill_sqlite(database, args.rows)
        pg, pg_port = start(os.path.join(args.build, "tests", "hlvpgserver"))
        servers.append(pg)
        fill_postgres(pg_port, args.rows, env)
        maria, maria_port = start(os.path.join(args.build, "tests", "hlvmariadbserver"))
        servers.append(maria)
        fill_mariadb(maria_port, args.rows, args.tables)

        sources = {
            "sqlite": ({"filename": database}, ["sqlite3", database]),
            "postgres": ({"server": "127.0.0.1", "port": pg_port, "dbname": "hlvsales", "username": "hlvadmin",
                          "password": PASSWORD, "sslmode": "require"}, None),
            "mysql": ({"server": "127.0.0.1", "port": maria_port, "dbname": "hlvsales", "username": "hlvadmin",
                       "password": PASSWORD}, None),
        }
        for rows in (100, 1000):
            sql = f"SELECT {COLUMNS} FROM bench_rows LIMIT {rows}"
            commands = {"hlvpres --version": [hlvpres, "--version"]}
            clients = {"sqlite": ["sqlite3", database, sql], "postgres": psql(pg_port, sql),
                       "mysql": mariadb(maria_port, sql)}
            for name, (attributes, _) in sources.items():
                commands[f"{clients[name][0]} ({name})"] = clients[name]
                commands[f"hlvpres preview {name}"] = [hlvpres, "preview", name, "--attributes", json.dumps(attributes),
                                                       "--table", "bench_rows", "--rows", str(rows)]
            hyperfine(f"The first {rows} rows of a table of {args.rows} rows", commands, "hlvpres --version", env)

        many = dict(sources["mysql"][0], dbname="hlvmany")
        describe = [hlvpres, "describe", "mysql", "--attributes", json.dumps(many)]
        hyperfine(f"The data source page of a MariaDB database of {args.tables} tables",
                  {"hlvpres describe mysql": describe,
                   "mariadb (SHOW TABLES)": mariadb(maria_port, "SHOW FULL TABLES", "hlvmany")},
                  "mariadb (SHOW TABLES)", env)
        print(f"\nPeak memory of that page: {peak_mib(describe):.1f} MiB")
    finally:
        for server in servers:
            server.stdin.close()
            server.wait(timeout=60)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
