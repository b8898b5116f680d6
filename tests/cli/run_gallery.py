#!/usr/bin/env python3
"""hlvpres gallery over several runs: the lasting list of recent servers in the store unless
--mru names a file, what --use adds to it (server classes only), a
damaged file kept aside with one warning, a path that is no regular file left alone, and a full
disk that keeps the previous list. The golden cases of run_golden.py cover each group and the
failures.

    run_gallery.py HLVPRES
"""

import json
import os
import stat
import subprocess
import sys
import tempfile

from runner import Runner

MORE = "invalidconnection"
SEEDED = ["sqlserver", "mysql", "oracle", "redshift"]


# In a mount namespace of its own, so that the tiny file system goes with it: records a use,
# fills the disk, records another. Exit 99: nothing can be mounted here.
FULL_DISK = """mount -t tmpfs -o size=16k tmpfs "$1" || exit 99
"$2" gallery mru-server --mru "$1/mru.json" --use postgres > /dev/null 2>&1 || exit 98
head -c 1048576 /dev/zero > "$1/filler" 2> /dev/null
"$2" gallery mru-server --mru "$1/mru.json" --use mysql > /dev/null 2> "$3/err"
echo "exit $?" >> "$3/err"
cat "$1/mru.json" > "$3/after.json"
"""


def full_disk(r, work):
    """A full disk keeps the previous list, and the use that could not be saved says so."""
    disk = os.path.join(work, "disk")
    os.mkdir(disk)
    ran = subprocess.run(["unshare", "--mount", "sh", "-c", FULL_DISK, "sh", disk, r.hlvpres, work], env=r.env,
                         capture_output=True, timeout=120)
    if ran.returncode == 99 or b"unshare failed" in ran.stderr:
        return print("full disk: skipped, no file system can be mounted here")
    with open(os.path.join(work, "err"), encoding="utf-8") as f, open(os.path.join(work, "after.json")) as after:
        err, kept = f.read(), after.read()
    r.check("full disk", ran.returncode == 0 and err.endswith("exit 1\n") and "No space left" in err and
            "error: " in err, f"{ran.returncode}: {err!r}")
    r.check("full disk", json.loads(kept)["connection-classes"] == ["postgres"], kept)


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
        r.check("use", not os.path.exists(default_list), "kept in the configuration folder, not the store")

        # The list is of server classes: a file class is refused, and one an older list holds is
        # not shown.
        mru = os.path.join(work, "mru.json")
        r.fails("file class", ["gallery", "file", "--mru", mru, "--use", "sqlite"], mentions=["sqlite", "server"])
        r.check("file class", not os.path.exists(mru), "the list was made")
        with open(mru, "w", encoding="utf-8") as f:
            json.dump({"connection-classes": ["sqlite", "postgres"]}, f)
        r.check("file class", recent("file class", ["mru-server", "--mru", mru]) == ["postgres", MORE])
        r.fails("unknown class", ["gallery", "mru-server", "--mru", mru, "--use", "no-such-class"])
        r.check("unknown class", saved(mru) == ["sqlite", "postgres"], saved(mru))

        # A FIFO is neither read (which would block) nor replaced, and the use is not recorded.
        fifo = os.path.join(work, "fifo")
        os.mkfifo(fifo)
        result = r.run(["gallery", "mru-server", "--mru", fifo, "--use", "mysql"])
        r.check("fifo", result.returncode == 1 and b"not a regular file" in result.stderr and
                stat.S_ISFIFO(os.stat(fifo).st_mode), f"exit {result.returncode}, {result.stderr!r}")
        full_disk(r, work)

        damaged = os.path.join(work, "damaged.json")
        with open(damaged, "w", encoding="utf-8") as f:
            f.write('{"connection-classes": ["postgres"')
        r.check("damaged", recent("damaged", ["mru-server", "--mru", damaged], warnings=1) == SEEDED + [MORE])
        kept = [name for name in os.listdir(work) if name.startswith("damaged.json.damaged-")]
        r.check("damaged", len(kept) == 1, os.listdir(work))
    return r.report()


if __name__ == "__main__":
    sys.exit(main())
