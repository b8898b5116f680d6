#!/usr/bin/env python3
"""hlvpres describe and demo against real databases: a SQLite file made here and a PostgreSQL
server (hlvpgserver, the live connection tests' server), each page compared with its golden
file of connections/, a wrong password, the demo's page and its temporary database, and the
demo of every class. A password planted in every input may appear in no output, and no output
may depend on which password of a given length was given, failures included. The golden cases
of run_golden.py cover the dialog, convert and the failures that need no database.

    run_connection_commands.py HLVPRES HLVPGSERVER

With HLV_SKIP_POSTGRES=1 the PostgreSQL cases are skipped.
"""

import json
import os
import sqlite3
import sys
import tempfile

from runner import PG_PASSWORD, Runner, normalised, server

PASSWORD = "S3ntinel-Pa55"
# Passwords of 1, 3 and 20 characters, each with another of its length. "ana" is also the user
# name: a message that names the user must not change with the password.
SENTINELS = [("o", "q"), ("ana", "zzz"), ("S3ntinel-Twenty-Char", "Another-Twenty-Chars")]


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


def postgres_cases(r, hlvpgserver, folder):
    with server(r, hlvpgserver, PG_PASSWORD, "HLV_SKIP_POSTGRES") as port:
        if port:
            attributes = {"server": "127.0.0.1", "port": port, "dbname": "hlvsales", "username": "hlvadmin",
                          "password": PG_PASSWORD, "sslmode": "require"}
            # The password goes to the credential service before connecting.
            describe(r, "describe-postgres", ["postgres", "--attributes", json.dumps(attributes)], {"@PORT@": port})
            sales = json.dumps(dict(attributes, schema="sales"))
            describe(r, "describe-postgres-schema", ["postgres", "--attributes", sales], {"@PORT@": port})
            r.fails("wrong password", ["describe", "postgres", "--attributes",
                                       json.dumps(dict(attributes, password=PG_PASSWORD + "-wrong"))])
        sentinel_cases(r, folder, port)


def sentinel_cases(r, folder, pg_port=None):
    """Every command that takes attributes, with each password of SENTINELS in every secret
    attribute: the output, standard error and status must be the same whichever of the pair was
    given, so that none lets a reader infer it or any part of it."""
    database = os.path.join(folder, "sentinel.sqlite")
    sqlite3.connect(database).close()

    def commands(password):
        strings = {"password": password, "jdbcurl": "jdbc:postgresql://db/sales?password=" + password,
                   "jdbcproperties": "password=" + password, "odbc-connect-string-extras": "PWD=" + password}
        record = json.dumps({"gen-connection-params-pres-model": {
            "widget-attr-server": "db", "widget-attr-user": "ana", "widget-attr-password": password,
            "widget-attr-ssl-client-key": password, "widget-attr-jdbcurl": strings["jdbcurl"],
            "widget-attr-jdbcproperties": strings["jdbcproperties"],
            "widget-attr-odbc-string-extras": strings["odbc-connect-string-extras"],
            "curr-auth-option": "auth-option-username-and-password"}}).encode()
        server = {"server": "127.0.0.1", "port": "1", "dbname": "sales", "username": "ana"}
        odbc_sqlite = {"odbc-driver": "SQLite3", "dbname": os.path.join(folder, "missing.sqlite"),
                       "odbc-connect-string-extras": "NoCreat=1;PWD=" + password}
        cases = [(["dialog", "postgres", "--attributes", json.dumps(dict(strings, server="db"))], b""),
                 (["convert", "postgres"], record), (["convert", "genericodbc"], record),
                 (["describe", "sqlite", "--attributes", json.dumps(dict(strings, filename=database))], b""),
                 (["describe", "sqlite", "--simple", "--attributes", json.dumps(dict(strings, filename=database))],
                  b""),
                 (["describe", "postgres", "--attributes", json.dumps(dict(strings, **server))], b""),
                 (["describe", "genericodbc", "--attributes", json.dumps(dict(strings, **{"odbc-dsn": "nowhere"}))],
                  b""),
                 (["describe", "genericodbc", "--attributes", json.dumps(dict(strings, **odbc_sqlite))], b"")]
        if pg_port:  # a wrong password for a user the server does not know, and for one it does
            for user in ("ana", "hlvadmin"):
                attributes = dict(server, port=pg_port, dbname="hlvsales", username=user, password=password,
                                  sslmode="require")
                cases.append((["describe", "postgres", "--attributes", json.dumps(attributes)], b""))
        return cases

    for password, other in SENTINELS:
        for (args, stdin), (other_args, other_stdin) in zip(commands(password), commands(other)):
            runs = (r.run(args, stdin), r.run(other_args, other_stdin))
            shown = [(x.returncode, normalised(x.stdout), x.stderr) for x in runs]
            r.check(f"{' '.join(args[:2])} with a password of {len(password)}", shown[0] == shown[1],
                    f"{shown[0][1][:300]!r} {shown[0][2][:300]!r} against {shown[1][2][:300]!r}")


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
        r.check("demo " + connection_class, b"demo-password" not in result.stdout, "printed its password")


def main():
    hlvpres, hlvpgserver = sys.argv[1], sys.argv[2]
    r = Runner(hlvpres)
    with tempfile.TemporaryDirectory() as folder:
        sqlite_cases(r, folder)
        postgres_cases(r, hlvpgserver, folder)
    demo_cases(r)
    return r.report()


if __name__ == "__main__":
    sys.exit(main())
