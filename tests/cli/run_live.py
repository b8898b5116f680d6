#!/usr/bin/env python3
"""hlvpres describe, preview and test through every live class: SQLite, PostgreSQL
(hlvpgserver), MariaDB (hlvmariadbserver), ODBC data sources and a driver from a temporary
odbc.ini, text files and an Excel workbook written here, and the server's same calls. Only what a
process shows is checked (status, the JSON's shape and key values); the C++ tests own the details.

    run_live.py HLVPRES HLVPGSERVER HLVMARIADBSERVER   (HLV_SKIP_POSTGRES=1, HLV_SKIP_MARIADB=1 skip)
"""

import contextlib
import json
import os
import sqlite3
import sys
import tempfile
import zipfile

from run_serve import Server
from runner import PG_PASSWORD, Runner, server

MARIADB_PASSWORD = "S3ntinel-My-Pa55"
ODBC_DRIVERS = "/usr/lib/x86_64-linux-gnu/odbc"


class Live:
    def __init__(self, r, env):
        self.r, self.env = r, env

    def run(self, command, cls, attributes, *option):
        return self.r.run([command, cls, "--attributes", json.dumps(attributes), *option], env=self.env)

    def tables(self, label, cls, attributes):
        """The table names of the data source page of a live connection."""
        result = self.run("describe", cls, attributes)
        if not self.r.check(label + " describe", result.returncode == 0, result.stderr.decode(errors="replace")):
            return []
        (page,) = json.loads(result.stdout).values()
        return [t["table-name"] for t in page.get("table-enumeration", {}).get("table-infos", [])]

    def preview(self, label, cls, attributes, *option):
        """The answer of `hlvpres preview`, checked for its shape; None when it failed."""
        result = self.run("preview", cls, attributes, *option)
        if not self.r.check(label, result.returncode == 0 and result.stdout.count(b"\n") == 1,
                            f"exit {result.returncode}: {result.stderr.decode(errors='replace')}"):
            return None
        answer = json.loads(result.stdout)
        columns, rows = answer.get("columns") or [{}], answer.get("rows")
        self.r.check(label, sorted(answer) == ["columns", "cut-cells", "more-rows", "rows"] and
                     all(sorted(c) == ["name", "nullable", "type"] and c["nullable"] in (True, False, None)
                         for c in columns) and all(len(row) == len(columns) for row in rows) and
                     answer["more-rows"] in (True, False) and answer["cut-cells"] == 0, answer)
        return answer

    def refused(self, label, cls, attributes, *option, mentions=()):
        self.r.fails(label, ["preview", cls, "--attributes", json.dumps(attributes), *option], None, self.env, mentions)

    def test(self, label, cls, attributes, reason):
        """`hlvpres test`: connected (reason None, status 0), or the failure's reason (status 1)."""
        result = self.run("test", cls, attributes)
        answer = json.loads(result.stdout or b"{}")
        expected = {"connected": True} if reason is None else {"connected": False, "reason": reason}
        self.r.check(label, {k: answer.get(k) for k in expected} == expected and
                     result.returncode == (0 if reason is None else 1) and
                     (reason is None or answer.get("message")), f"exit {result.returncode}: {answer} {result.stderr}")

    def table_case(self, label, cls, attributes, table, first_row=()):
        """The page lists a table whose name ends with `table`; its preview's first row starts
        with `first_row`."""
        tables = [t for t in self.tables(label, cls, attributes) if t.endswith(table)]
        if not self.r.check(label, tables, f"no {table} on the page"):
            return
        answer = self.preview(label + " preview " + tables[0], cls, attributes, "--table", tables[0], "--rows", "2")
        if answer and first_row:
            shown = answer["rows"][0][:len(first_row)] if answer["rows"] else None
            self.r.check(label + " first row", shown == list(first_row), answer["rows"][:1])

    def query_case(self, label, cls, attributes, write):
        """A read-only query gives its typed row; `write`, a query that writes, is refused."""
        answer = self.preview(label + " query", cls, attributes, "--sql", "SELECT 7 AS seven, 'x' AS ex, NULL AS empty")
        self.r.check(label + " query", answer and answer["rows"] == [[7, "x", None]] and not answer["more-rows"] and
                     [c["name"] for c in answer["columns"]] == ["seven", "ex", "empty"], answer)
        self.refused(label + " writing query", cls, attributes, "--sql", write)


def write_xlsx(path):
    """A workbook with the sheet Orders (a header and two rows), through a shared string table and
    an inline string, in the least SpreadsheetML that is a workbook."""
    main, office = "http://schemas.openxmlformats.org/", "http://schemas.openxmlformats.org/officeDocument/2006/"
    rels = f'<Relationships xmlns="{main}package/2006/relationships">'
    relation = '<Relationship Id="{}" Type="' + office + 'relationships/{}" Target="{}"/>'
    sheet = f'xmlns="{main}spreadsheetml/2006/main"'
    parts = {
        "[Content_Types].xml": f'<Types xmlns="{main}package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>',
        "_rels/.rels": rels + relation.format("rId1", "officeDocument", "xl/workbook.xml") + "</Relationships>",
        "xl/workbook.xml": f'<workbook {sheet} xmlns:r="{office}relationships">'
        '<sheets><sheet name="Orders" sheetId="1" r:id="rId1"/></sheets></workbook>',
        "xl/_rels/workbook.xml.rels": rels + relation.format("rId1", "worksheet", "worksheets/sheet1.xml") +
        relation.format("rId2", "sharedStrings", "sharedStrings.xml") + "</Relationships>",
        "xl/sharedStrings.xml": f'<sst {sheet}><si><t>id</t></si><si><t>customer</t></si><si><t>Ada</t></si></sst>',
        "xl/worksheets/sheet1.xml": f'<worksheet {sheet}><sheetData>'
        '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>'
        '<row r="2"><c r="A2"><v>1</v></c><c r="B2" t="s"><v>2</v></c></row>'
        '<row r="3"><c r="A3"><v>2</v></c><c r="B3" t="inlineStr"><is><t>Grace</t></is></c></row>'
        '</sheetData></worksheet>',
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, xml in parts.items():
            z.writestr(name, '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n' + xml)


def write_odbc(folder, pg_port, sqlite_path):
    """odbcinst.ini with the PostgreSQL and SQLite drivers, odbc.ini with a data source of each."""
    with open(os.path.join(folder, "odbcinst.ini"), "w") as f:
        f.write(f"[PostgreSQL Unicode]\nDriver={ODBC_DRIVERS}/psqlodbcw.so\n\n"
                f"[SQLite3]\nDriver={ODBC_DRIVERS}/libsqlite3odbc.so\n")
    with open(os.path.join(folder, "odbc.ini"), "w") as f:
        f.write(f"[hlvlite]\nDriver=SQLite3\nDatabase={sqlite_path}\n\n")
        if pg_port:
            f.write(f"[hlvpg]\nDriver=PostgreSQL Unicode\nServername=127.0.0.1\nPort={pg_port}\n"
                    "Database=hlvsales\nSSLmode=require\n")


def rows_kept(r, label, shop):
    with contextlib.closing(sqlite3.connect(shop)) as db:
        r.check(label, db.execute("SELECT count(*) FROM orders").fetchone() == (3,), "rows deleted")


def file_cases(live, folder):
    r = live.r
    shop = os.path.join(folder, "shop.sqlite")
    with sqlite3.connect(shop) as db:
        db.executescript("""
            CREATE TABLE orders (id INTEGER PRIMARY KEY, customer TEXT NOT NULL, amount REAL, photo BLOB);
            INSERT INTO orders VALUES (1, 'Ada', 12.5, x'010203'), (2, 'Grace', NULL, NULL), (3, 'Edsger', 4, NULL);
            CREATE VIEW big_orders AS SELECT * FROM orders WHERE amount > 10;
        """)
    db.close()
    sqlite = {"filename": shop}
    live.table_case("sqlite", "sqlite", sqlite, "[orders]", (1, "Ada", 12.5, {"binary": 3}))
    live.query_case("sqlite", "sqlite", sqlite, "DELETE FROM orders")
    rows_kept(r, "sqlite writing query", shop)
    for option in [("--table", "orders", "--rows", "1001"), ("--table", "orders", "--timeout", "0"),
                   ("--table", "[orders"), ("--table", "orders", "--sql", "SELECT 1")]:
        live.refused("sqlite preview " + " ".join(option), "sqlite", sqlite, *option)
    live.test("sqlite test", "sqlite", sqlite, None)
    live.test("sqlite missing file", "sqlite", {"filename": os.path.join(folder, "nowhere.sqlite")}, "database-missing")

    # A folder of text files and a workbook: a file or sheet is a table; no custom SQL.
    texts, book = os.path.join(folder, "texts"), os.path.join(folder, "book.xlsx")
    os.mkdir(texts)
    with open(os.path.join(texts, "orders.csv"), "w") as f:
        f.write("id,customer,amount\n1,Ada,12.5\n2,Grace,\n3,Edsger,4\n")
    write_xlsx(book)
    for cls, path, names in [("csv", os.path.join(texts, "orders.csv"), ["id", "customer", "amount"]),
                             ("excel", book, ["id", "customer"])]:
        tables = live.tables(cls, cls, {"filename": path})
        answer = live.preview(cls + " preview", cls, {"filename": path}, "--table", tables[0]) if tables else None
        r.check(cls + " preview", answer and [c["name"] for c in answer["columns"]] == names and
                [row[:2] for row in answer["rows"][:2]] == [[1, "Ada"], [2, "Grace"]], f"{tables}: {answer}")
        live.refused(cls + " query", cls, {"filename": path}, "--sql", "SELECT 1", mentions=("custom SQL",))
        live.test(cls + " missing file", cls, {"filename": path + ".gone"}, "database-missing")
    return shop


def odbc_cases(live, shop, pg_port):
    live.table_case("odbc sqlite dsn", "genericodbc", {"odbc-dsn": "hlvlite"}, "[orders]", (1, "Ada"))
    driver = {"odbc-driver": "SQLite3", "dbname": shop}
    live.table_case("odbc sqlite driver", "genericodbc", driver, "[orders]", (1, "Ada"))
    live.query_case("odbc sqlite driver", "genericodbc", driver, "DELETE FROM orders")
    rows_kept(live.r, "odbc sqlite writing query", shop)
    if pg_port:
        dsn = {"odbc-dsn": "hlvpg", "username": "hlvadmin", "password": PG_PASSWORD}
        live.table_case("odbc postgres dsn", "genericodbc", dsn, "[orders]")
        live.query_case("odbc postgres dsn", "genericodbc", dsn, "CREATE TABLE hlv_written (id int)")
        live.test("odbc postgres wrong password", "genericodbc", dict(dsn, password=PG_PASSWORD + "-wrong"),
                  "authentication")


def api_cases(live, folder, shop):
    """The server's preview and test answer what the commands print; a bad request is 400, a
    query the database refuses 422."""
    r, server = live.r, Server(live.r, ["--allow-files", folder])
    try:
        body = json.dumps({"class": "sqlite", "filename": shop}).encode()
        command = r.run(["preview", "sqlite", "--attributes", body.decode(), "--table", "orders", "--rows", "2"])
        for label, path, request_body, status, expected in [
                ("api preview", "/api/preview?table=orders&rows=2", body, 200, command.stdout.strip()),
                ("api preview neither", "/api/preview", body, 400, None),
                ("api preview writing", "/api/preview?sql=DELETE%20FROM%20orders", body, 422, None),
                ("api test", "/api/test", body, 200, b'{"connected":true}'),
                ("api test refused", "/api/test", json.dumps({"class": "postgres", "server": "127.0.0.1", "port": "1",
                                                              "dbname": "x", "username": "u"}).encode(), 200, None)]:
            code, _, answer = server.request("POST", path, request_body)
            r.check(label, code == status and (expected is None or answer == expected), f"{code} {answer[:300]!r}")
            if label == "api test refused":
                r.check(label, json.loads(answer).get("reason") == "refused", answer)
    finally:
        server.stop()


def server_cases(live, cls, port, password, table):
    attributes = {"server": "127.0.0.1", "port": port, "dbname": "hlvsales", "username": "hlvadmin",
                  "password": password}
    if cls == "postgres":
        attributes["sslmode"] = "require"
    # Reachable end to end; the values, the refusals and each failure's reason are the C++ tests'.
    live.table_case(cls, cls, attributes, table)
    live.test(cls + " test", cls, attributes, None)


def main():
    hlvpres, hlvpgserver, hlvmariadbserver = sys.argv[1:4]
    r = Runner(hlvpres)
    with tempfile.TemporaryDirectory() as folder, \
            server(r, hlvpgserver, PG_PASSWORD, "HLV_SKIP_POSTGRES") as pg_port, \
            server(r, hlvmariadbserver, MARIADB_PASSWORD, "HLV_SKIP_MARIADB") as mariadb_port:
        odbc = os.path.join(folder, "odbc")
        os.mkdir(odbc)
        live = Live(r, {"ODBCSYSINI": odbc, "ODBCINI": os.path.join(odbc, "odbc.ini")})
        shop = file_cases(live, folder)
        api_cases(live, folder, shop)
        write_odbc(odbc, pg_port, shop)
        odbc_cases(live, shop, pg_port)
        if pg_port:
            server_cases(live, "postgres", pg_port, PG_PASSWORD, "[sales].[orders]")
        if mariadb_port:
            server_cases(live, "mysql", mariadb_port, MARIADB_PASSWORD, "[orders]")
    return r.report()


if __name__ == "__main__":
    sys.exit(main())
