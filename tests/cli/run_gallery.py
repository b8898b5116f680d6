#!/usr/bin/env python3
"""hlvpres gallery end to end: the items and their order in each group, as written; the lasting
list of recent servers in its file (seeded once, latest first, damaged and unwritable files);
the OEM settings; and the failures, each of which must be one
"error: " line on standard error, status 1 and nothing on standard output.

    run_gallery.py HLVPRES
"""

import json
import os
import sys
import tempfile

# The runner of the connection commands: run, check, fails (one error line, status 1) and report.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_connection_commands import Runner as CommandRunner  # noqa: E402

GROUP = "gen-connection-type-group-pres-model"
MORE = "invalidconnection"


class Runner(CommandRunner):
    def __init__(self, hlvpres, home):
        super().__init__(hlvpres)
        # A configuration folder of the test's own for the default list.
        self.env["XDG_CONFIG_HOME"] = home

    def group(self, label, args, env=None, warnings=0):
        """The group record the command prints; `warnings` host warnings are expected."""
        result = self.run(["gallery"] + args, env=env)
        err = result.stderr.decode("utf-8", "replace")
        self.check(label, result.returncode == 0, f"exit {result.returncode}, stderr {err!r}")
        lines = [line for line in err.splitlines() if line]
        self.check(label, len(lines) == warnings and all(line.startswith("hlv warning: ") for line in lines),
                   f"stderr {err!r}")
        out = result.stdout.decode().splitlines()
        self.check(label, len(out) == 1, f"{len(out)} output lines")
        return json.loads(out[0])[GROUP] if out else {"label": "", "connection-types": []}

    def fails(self, label, args, env=None):
        super().fails(label, ["gallery"] + args, env=env)


def classes(group):
    return [item["value-class-attr"] for item in group["connection-types"]]


def item(group, connection_class):
    return next(i for i in group["connection-types"] if i["value-class-attr"] == connection_class)


def read_list(path):
    with open(path) as f:
        return json.load(f)["connection-classes"]


def main():
    hlvpres = sys.argv[1]
    with tempfile.TemporaryDirectory() as home, tempfile.TemporaryDirectory() as work:
        r = Runner(hlvpres, home)
        default_list = os.path.join(home, "hlvpres", "mru-connections.json")

        # Files: the registry's file classes, the other-files entry last; no list is touched.
        files = r.group("file", ["file"])
        r.check("file", files["label"] == "To a File", files["label"])
        r.check("file", classes(files)[-1] == MORE and item(files, MORE)["connection-type-category"] == "other",
                classes(files))
        r.check("file", "excel" in classes(files) and "postgres" not in classes(files), classes(files))
        r.check("file", not os.path.exists(default_list), "the default list was made")
        r.check("file", r.group("file again", ["file"]) == files, "a second run lists otherwise")

        # Servers: every class enabled, s3 too, and a disabled class marked; restricted, s3 is
        # offered but disabled. The desktop never lists the server connection.
        servers = r.group("server", ["server", "--disabled", "mysql,oracle"])
        r.check("server", servers["label"] == "To a Server", servers["label"])
        r.check("server", "halvane-server" not in classes(servers), classes(servers))
        r.check("server", all(i["is-enabled"] == "true" for i in servers["connection-types"]), "a disabled entry")
        marked = [i["value-class-attr"] for i in servers["connection-types"] if i["is-disabled-data-connection"] == "true"]
        r.check("server", marked == ["mysql", "oracle"], marked)
        restricted = r.group("server restricted", ["server", "--restricted"])
        r.check("server restricted", classes(restricted) == classes(servers), classes(restricted))
        r.check("server restricted", item(restricted, "s3")["is-enabled"] == "false", item(restricted, "s3"))
        on_server = r.group("server app", ["server", "--app-mode", "server"])
        r.check("server app", "halvane-server" in classes(on_server), classes(on_server))

        # Recent servers: a new list is seeded with the defaults, and the group closes with
        # "More..." since the server group has more.
        mru = os.path.join(work, "mru.json")
        recent = r.group("mru seeded", ["mru-server", "--mru", mru])
        r.check("mru seeded", classes(recent) == ["sqlserver", "mysql", "oracle", "redshift", MORE], classes(recent))
        r.check("mru seeded", item(recent, MORE)["connection-type-category"] == "more", item(recent, MORE))
        r.check("mru seeded", read_list(mru) == ["sqlserver", "mysql", "oracle", "redshift"], read_list(mru))
        r.group("mru use", ["mru-server", "--mru", mru, "--use", "postgres"])
        recent = r.group("mru use", ["mru-server", "--mru", mru, "--use", "mysql"])
        r.check("mru use", classes(recent) == ["mysql", "postgres", "sqlserver", "oracle", "redshift", MORE],
                classes(recent))
        r.group("file with --use", ["file", "--mru", mru, "--use", "sqlite"])
        r.check("file with --use", read_list(mru)[0] == "sqlite", read_list(mru))

        # Without --mru the list lives in the user's configuration folder.
        r.group("mru default", ["mru-server"])
        r.check("mru default", read_list(default_list) == ["sqlserver", "mysql", "oracle", "redshift"],
                "no default list")

        # A damaged list is kept aside with one warning; an unwritable one warns once.
        damaged = os.path.join(work, "damaged.json")
        with open(damaged, "w") as f:
            f.write('{"connection-classes": ["postgres"')
        recent = r.group("mru damaged", ["mru-server", "--mru", damaged], warnings=1)
        r.check("mru damaged", classes(recent)[0] == "sqlserver", classes(recent))
        kept = [name for name in os.listdir(work) if name.startswith("damaged.json.damaged-")]
        r.check("mru damaged", len(kept) == 1, os.listdir(work))
        blocker = os.path.join(work, "plain-file")
        open(blocker, "w").close()
        r.group("mru unwritable", ["mru-server", "--mru", os.path.join(blocker, "mru.json"), "--use", "postgres"],
                warnings=1)

        # OEM: the other-files entry is left out under setting 1059, and a new list is seeded
        # with every server class the gallery offers.
        oem = os.path.join(work, "oem.json")
        with open(oem, "w") as f:
            json.dump({"oem-build": True, "settings": {"1059": True}}, f)
        oem_env = {"HLV_OEM_INFO": oem}
        oem_files = r.group("oem file", ["file"], oem_env)
        r.check("oem file", classes(oem_files) == classes(files)[:-1], classes(oem_files))
        oem_recent = r.group("oem mru", ["mru-server", "--mru", os.path.join(work, "oem-mru.json")], oem_env)
        r.check("oem mru", classes(oem_recent) == classes(servers)[:8] + [MORE], classes(oem_recent))

        # The search for server data, and the other fixed groups.
        search = r.group("halvane-server", ["halvane-server"])
        r.check("halvane-server", classes(search) == [MORE] and search["label"] == "", search)
        r.check("halvane-server", item(search, MORE)["connection-type-category"] == "searchfordataset", search)
        r.check("halvane-server app", classes(r.group("halvane-server app", ["halvane-server", "--app-mode", "prep"]))
                == [], "listed outside the desktop")
        flyout = r.group("flyout", ["connections-flyout"])
        r.check("flyout", [(i["label"], i["connection-type-category"]) for i in flyout["connection-types"]]
                == [("All Connectors", "more")], flyout)
        r.check("ads-nimbara", r.group("ads-nimbara", ["ads-nimbara"]) == {"label": "", "connection-types": []},
                "entries")

        for label, args, env in [
            ("no group", [], None),
            ("invalid group", ["invalid"], None),
            ("unknown group", ["files"], None),
            ("two groups", ["file", "server"], None),
            ("unknown option", ["file", "--restrict"], None),
            ("missing value", ["mru-server", "--mru"], None),
            ("unknown class", ["mru-server", "--mru", mru, "--use", "no-such-class"], None),
            ("bad mode", ["file", "--app-mode", "laptop"], None),
            ("bad oem file", ["file"], {"HLV_OEM_INFO": os.path.join(work, "missing-oem.json")}),
        ]:
            r.fails(label, args, env)
        r.check("unknown class", read_list(mru)[0] != "no-such-class", "recorded")

    return r.report()


if __name__ == "__main__":
    sys.exit(main())
