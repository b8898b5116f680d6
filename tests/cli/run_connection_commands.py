#!/usr/bin/env python3
"""hlvpres describe and demo against real databases: a SQLite file made here and a PostgreSQL
server (hlvpgserver, the live connection tests' server), each page compared with its golden
file of connections/, a wrong password, the demo's page and its temporary database, and the
demo of every class. A password planted in every input may appear in no output. The golden
cases of run_golden.py cover the dialog, convert and the failures that need no database.

    run_connection_commands.py HLVPRES HLVPGSERVER

With HLV_SKIP_POSTGRES=1 the PostgreSQL cases are skipped.
"""

import json
import os
import sqlite3
import subprocess
import sys
import tempfile

from runner import Runner

PASSWORD = "S3ntinel-Pa55"
PG_PASSWORD = "S3ntinel-PG-Pa55"


GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "connections")


def describe(r, golden, args, placeholders):
    """`hlvpres describe ARGS` prints connections/GOLDEN.expected."""
    result = r.run(["describe"] + args)
    r.check(golden, result.returncode == 0 and result.stderr == b"", f"exit {result.returncode}, {result.stderr!r}")
    r.golden(golden, result.stdout, os.path.join(GOLDEN, golden + ".expected"), placeholders)


def sqlite_cases(r, folder):
    # Tables and views are listed, no index, trigger or SQLite table.
    path = os.path.join(folder, "shop.sqlite")
    with sqlite3.connect(path) as db:
        db.executescript("""
            CREATE TABLE orders (id INTEGER PRIMARY KEY, amount REAL);
            CREATE TABLE "Line Items" (order_id INTEGER, sku TEXT);
            CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT);
            CREATE INDEX orders_amount ON orders (amount);
            CREATE VIEW big_orders AS SELECT * FROM orders WHERE amount > 100;
            CREATE TRIGGER no_negative BEFORE INSERT ON orders BEGIN SELECT 1; END;
        """)
    db.close()
    attributes = json.dumps({"filename": path, "password": PASSWORD})
    describe(r, "describe-sqlite", ["sqlite", "--attributes", attributes], {"@FILE@": path})
    describe(r, "describe-sqlite-simple", ["sqlite", "--attributes", attributes, "--simple"], {"@FILE@": path})


def postgres_cases(r, hlvpgserver):
    if os.environ.get("HLV_SKIP_POSTGRES") == "1":
        print("HLV_SKIP_POSTGRES=1: the PostgreSQL cases are skipped")
        return
    server = subprocess.Popen([hlvpgserver], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        server.stdin.write(PG_PASSWORD + "\n")
        server.stdin.flush()
        started = server.stdout.readline().strip()
        if not r.check("PostgreSQL test server", started.startswith("port "), started or f"exit {server.wait()}"):
            return
        port = started.split()[1]
        attributes = {"server": "127.0.0.1", "port": port, "dbname": "hlvsales", "username": "hlvadmin",
                      "password": PG_PASSWORD, "sslmode": "require"}
        # The password goes to the credential service before connecting.
        describe(r, "describe-postgres", ["postgres", "--attributes", json.dumps(attributes)], {"@PORT@": port})
        sales = json.dumps(dict(attributes, schema="sales"))
        describe(r, "describe-postgres-schema", ["postgres", "--attributes", sales], {"@PORT@": port})
        r.fails("wrong password", ["describe", "postgres", "--attributes",
                                   json.dumps(dict(attributes, password=PG_PASSWORD + "-wrong"))])
    finally:
        server.stdin.close()
        server.wait(timeout=120)


def demo_cases(r):
    # The demo's own database lives only while it runs; the page shows the file it made.
    result = r.run(["demo"])
    lines = dict(line.split("\t", 1) for line in result.stdout.decode().splitlines())
    r.check("demo", result.returncode == 0 and result.stderr == b"" and "page" in lines, result.stderr)
    (page,) = json.loads(lines.get("page", '{"": {}}')).values()
    filename = page.get("connection-attrs", {}).get("filename", "")
    r.check("demo", json.loads(lines.get("attributes", "{}")).get("filename") == filename, "another file on the page")
    r.check("demo", filename and not os.path.exists(os.path.dirname(filename)), f"{filename!r} left behind")
    tables = [info["table-name"] for info in page.get("table-enumeration", {}).get("table-infos", [])]
    r.check("demo", tables == ["[customers]", "[order_totals]", "[orders]", "[products]"], tables)

    classes = [line.split("\t")[0] for line in r.run(["connectors"]).stdout.decode().splitlines()]
    r.check("connectors", len(classes) > 30, f"{len(classes)} classes")
    for connection_class in classes:
        result = r.run(["demo", connection_class])
        r.check("demo " + connection_class, result.returncode == 0 and result.stderr == b"", result.stderr)


def main():
    hlvpres, hlvpgserver = sys.argv[1], sys.argv[2]
    r = Runner(hlvpres)
    with tempfile.TemporaryDirectory() as folder:
        sqlite_cases(r, folder)
    postgres_cases(r, hlvpgserver)
    demo_cases(r)
    return r.report()


if __name__ == "__main__":
    sys.exit(main())
