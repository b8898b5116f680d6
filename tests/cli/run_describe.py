#!/usr/bin/env python3
"""hlvpres describe and the demo's data source page end to end: a real SQLite file whose
pickers list exactly its tables and views, the cube and Google Analytics fixtures of describe/,
a PostgreSQL server (started by hlvpgserver, the live connection tests' server), and the
failures, each of which must be one "error: " line on standard error, status 1 and nothing on
standard output. A sentinel password is planted in every input; no output may hold it.

    run_describe.py HLVPRES HLVPGSERVER CASES-FOLDER

With HLV_SKIP_POSTGRES=1 the PostgreSQL cases are skipped.
"""

import json
import os
import sqlite3
import subprocess
import sys
import tempfile

PASSWORD = "S3ntinel-Pa55"
PG_PASSWORD = "S3ntinel-PG-Pa55"
SENTINELS = (PASSWORD, PG_PASSWORD)


# The runner of the other connection commands: run, check, and fails (one error line, status 1).
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_connection_commands import Runner as CommandRunner  # noqa: E402


class Runner(CommandRunner):
    def describe(self, label, args):
        """The record `hlvpres describe ARGS` prints, as a dict (the bag's only value), or None."""
        bag = self.one_line(label, ["describe"] + args)
        if bag is None:
            return None
        (record,) = bag.values()
        return record

    def fails(self, label, args, mentions=()):
        err = super().fails(label, args)
        for text in mentions:
            self.check(label, text in err, f"the error does not mention {text!r}: {err!r}")


def table_names(record):
    """The qualified names the table picker lists, as text ("[schema].[table]")."""
    return [info["table-name"] for info in record["table-enumeration"]["table-infos"]]


def sqlite_cases(r, folder):
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

    record = r.describe("describe sqlite", ["sqlite", "--attributes", attributes])
    if record:
        # Exactly the tables and views, in name order; no index, trigger or SQLite table.
        names = table_names(record)
        r.check("describe sqlite", names == ["[Line Items]", "[big_orders]", "[customers]", "[orders]"],
                f"tables {names}")
        r.check("describe sqlite", record["database-enumeration"]["connection-databases"] == ["main"],
                f"databases {record['database-enumeration']}")
        r.check("describe sqlite", (record["connection-widget-type"], record["is-connected-datasource"]) ==
                ("join-area", "true"), "not a connected join area")
        attrs = record["connection-attrs"]
        r.check("describe sqlite", attrs.get("filename") == path and attrs.get("class") == "sqlite", attrs)
        r.check("describe sqlite", attrs.get("password") == "********", f"password {attrs.get('password')!r}")

    simple = r.describe("describe sqlite --simple", ["sqlite", "--attributes", attributes, "--simple"])
    if simple:
        r.check("describe sqlite --simple", simple["connection-type-enum"] == "file-d-s" and
                "table-enumeration" not in simple, simple)
        r.check("describe sqlite --simple", simple["connection-attrs"].get("filename") == path, simple)

    r.fails("missing SQLite file", ["describe", "sqlite", "--attributes",
                                    json.dumps({"filename": os.path.join(folder, "nowhere.sqlite"),
                                                "password": PASSWORD})], ["nowhere.sqlite"])


def fixture_cases(r, cases):
    cube = r.describe("describe cube fixture", ["--fixture", os.path.join(cases, "describe", "cube.json")])
    if cube:
        cubes = cube["cube-enumeration"]
        names = [c["cube-name"] for c in cubes["cubes"]]
        # Sorted by name, "desc": A to Z; the chosen cube's index counts in that order.
        r.check("cube fixture", names == ["Budget", "Orders", "Returns"], f"cubes {names}")
        r.check("cube fixture", cubes["selected-cube-index"] == "2", f"index {cubes['selected-cube-index']}")
        r.check("cube fixture", cube["variables-count"] == "2" and cube["are-variables-visible"] == "true",
                "variables of the chosen cube")
        catalogs = cube["cube-catalog-enumeration"]
        # Sorted by name, "asc": Z to A.
        r.check("cube fixture", [c["catalog-name"] for c in catalogs["cube-catalogs"]] == ["Sales", "Adventure Works"],
                catalogs)
        r.check("cube fixture", catalogs["selected-catalog-index"] == "0", catalogs)
        r.check("cube fixture", cube["connection-attrs"].get("password") == "********", cube["connection-attrs"])

    ga = r.describe("describe Google Analytics fixture",
                    ["--fixture", os.path.join(cases, "describe", "google-analytics.json")])
    if ga:
        r.check("GA fixture", ga["connection-widget-type"] == "google-analytics", ga["connection-widget-type"])
        page = ga["ga-connection-description"]
        accounts = [a["name"] for a in page["google-analytics-accounts"]]
        r.check("GA fixture", accounts == ["", "Acme", "Acme Labs"], f"accounts {accounts}")
        r.check("GA fixture", page["selected-ga-account-index"] == "2", page["selected-ga-account-index"])
        r.check("GA fixture", page["ga-filters-enabled"] == "true", "filters disabled")

    r.fails("missing fixture", ["describe", "--fixture", os.path.join(cases, "describe", "nowhere.json")],
            ["nowhere.json"])
    r.fails("broken fixture", ["describe", "--fixture", os.path.join(cases, "describe", "broken.json")],
            ["/cube/cubes/0/last-updated"])
    r.fails("fixture and class", ["describe", "msolap", "--fixture", os.path.join(cases, "describe", "cube.json")])


def usage_cases(r):
    attributes = json.dumps({"server": "db.example.com", "password": PASSWORD})
    r.fails("unknown class", ["describe", "no-such-class", "--attributes", attributes], ["no-such-class"])
    r.fails("no attributes", ["describe", "postgres"])
    r.fails("invalid attributes", ["describe", "postgres", "--attributes", attributes[:-1]])
    r.fails("unknown option", ["describe", "postgres", "--attributes", attributes, "--password", PASSWORD])
    # A cube class has no live connection: its page comes from a fixture.
    r.fails("cube class live", ["describe", "msolap", "--attributes", attributes])
    # Nothing listens on port 1 of this machine.
    r.fails("unreachable server", ["describe", "postgres", "--attributes",
                                   json.dumps({"server": "127.0.0.1", "port": "1", "dbname": "sales",
                                               "username": "ann", "password": PASSWORD})])


def postgres_cases(r, hlvpgserver):
    if os.environ.get("HLV_SKIP_POSTGRES") == "1":
        print("HLV_SKIP_POSTGRES=1: the PostgreSQL cases are skipped")
        return
    server = subprocess.Popen([hlvpgserver], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        server.stdin.write(PG_PASSWORD + "\n")
        server.stdin.flush()
        started = server.stdout.readline().strip()
        if not started.startswith("port "):
            r.check("PostgreSQL test server", False, started or f"exit {server.wait()}")
            return
        attributes = {"server": "127.0.0.1", "port": started.split()[1], "dbname": "hlvsales",
                      "username": "hlvadmin", "password": PG_PASSWORD, "sslmode": "require"}
        record = r.describe("describe postgres", ["postgres", "--attributes", json.dumps(attributes)])
        if record:
            names = table_names(record)
            r.check("describe postgres", names == ["[hr].[staff]", "[hr].[staff_names]", "[sales].[Customers]",
                                                   "[sales].[big_orders]", "[sales].[orders]"],
                    f"tables {names}")
            schemas = record["schema-enumeration"]["connection-schemas"]
            r.check("describe postgres", schemas == ["hr", "public", "sales"], f"schemas {record['schema-enumeration']}")
            r.check("describe postgres", "hlvsales" in record["database-enumeration"]["connection-databases"],
                    f"databases {record['database-enumeration']}")
            attrs = record["connection-attrs"]
            # The password went to the credential service before connecting.
            r.check("describe postgres", "password" not in attrs and attrs.get("credential-id"), attrs)
        sales = r.describe("describe postgres schema", ["postgres", "--attributes",
                                                        json.dumps(dict(attributes, schema="sales"))])
        if sales:
            r.check("describe postgres schema",
                    table_names(sales) == ["[sales].[Customers]", "[sales].[big_orders]", "[sales].[orders]"],
                    f"tables {table_names(sales)}")
        r.fails("wrong password", ["describe", "postgres", "--attributes",
                                   json.dumps(dict(attributes, password=PG_PASSWORD + "-wrong"))])
    finally:
        server.stdin.close()
        server.wait(timeout=120)


def demo_cases(r):
    result = r.run(["demo"])
    r.check("demo", result.returncode == 0 and result.stderr == b"", result.stderr)
    lines = dict(line.split("\t", 1) for line in result.stdout.decode().splitlines())
    r.check("demo", list(lines) == ["class", "initial-sql", "dialog", "edited", "attributes", "page"], list(lines))
    if "page" not in lines:
        return
    (page,) = json.loads(lines["page"]).values()
    names = table_names(page)
    r.check("demo", names == ["[customers]", "[order_totals]", "[orders]", "[products]"], f"tables {names}")
    filename = page["connection-attrs"].get("filename", "")
    r.check("demo", json.loads(lines["attributes"]).get("filename") == filename, "another file on the page")
    # The demo's database lives only while it runs.
    r.check("demo", filename and not os.path.exists(os.path.dirname(filename)), f"{filename} left behind")


def main():
    hlvpres, hlvpgserver, cases = sys.argv[1], sys.argv[2], sys.argv[3]
    r = Runner(hlvpres)
    with tempfile.TemporaryDirectory() as folder:
        sqlite_cases(r, folder)
    fixture_cases(r, cases)
    usage_cases(r)
    postgres_cases(r, hlvpgserver)
    demo_cases(r)

    for args, output in r.outputs:
        for sentinel in SENTINELS:
            r.check("hlvpres " + " ".join(args), sentinel.encode() not in output, f"printed {sentinel}")

    return r.report()


if __name__ == "__main__":
    sys.exit(main())
