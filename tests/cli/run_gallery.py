#!/usr/bin/env python3
"""hlvpres gallery over several runs: the lasting list of recent servers in the user's
configuration folder unless --mru names a file, what --use adds to it, a damaged file kept aside
with one warning. The golden cases of run_golden.py cover each group and the failures.

    run_gallery.py HLVPRES
"""

import json
import os
import sys
import tempfile

from runner import Runner

MORE = "invalidconnection"
SEEDED = ["sqlserver", "mysql", "oracle", "redshift"]


def main():
    r = Runner(sys.argv[1])
    with tempfile.TemporaryDirectory() as home, tempfile.TemporaryDirectory() as work:
        r.env["XDG_CONFIG_HOME"] = home
        default_list = os.path.join(home, "hlvpres", "mru-connections.json")

        def recent(label, args, warnings=0):
            """The classes of the group the command prints; `warnings` host warnings are expected."""
            result = r.run(["gallery"] + args)
            err = result.stderr.decode("utf-8", "replace").splitlines()
            r.check(label, result.returncode == 0 and len(err) == warnings and
                    all(line.startswith("hlv warning: ") for line in err), f"exit {result.returncode}, {err}")
            (group,) = json.loads(result.stdout or b'{"": {"connection-types": []}}').values()
            return [item["value-class-attr"] for item in group["connection-types"]]

        def saved(path):
            with open(path, encoding="utf-8") as f:
                return json.load(f)["connection-classes"]

        recent("file", ["file"])
        r.check("file", not os.path.exists(default_list), "a group without recent servers made the list")
        r.check("seeded", recent("seeded", ["mru-server"]) == SEEDED + [MORE])
        recent("use", ["mru-server", "--use", "postgres"])
        classes = recent("use", ["mru-server", "--use", "mysql"])
        r.check("use", classes == ["mysql", "postgres", "sqlserver", "oracle", "redshift", MORE], classes)
        r.check("use", os.path.exists(default_list) and saved(default_list)[:2] == ["mysql", "postgres"],
                "not in the configuration folder")

        mru = os.path.join(work, "mru.json")
        recent("file with --use", ["file", "--mru", mru, "--use", "sqlite"])
        r.check("file with --use", saved(mru) == ["sqlite"], saved(mru))
        r.fails("unknown class", ["gallery", "mru-server", "--mru", mru, "--use", "no-such-class"])
        r.check("unknown class", saved(mru) == ["sqlite"], saved(mru))

        damaged = os.path.join(work, "damaged.json")
        with open(damaged, "w", encoding="utf-8") as f:
            f.write('{"connection-classes": ["postgres"')
        r.check("damaged", recent("damaged", ["mru-server", "--mru", damaged], warnings=1) == SEEDED + [MORE])
        kept = [name for name in os.listdir(work) if name.startswith("damaged.json.damaged-")]
        r.check("damaged", len(kept) == 1, os.listdir(work))
    return r.report()


if __name__ == "__main__":
    sys.exit(main())
