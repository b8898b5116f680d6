#!/usr/bin/env python3
"""Compares the symbols a shared library exports with the committed list of its public API.

    check_exports.py [--update] LIBRARY LIST [LIBRARY LIST ...]

Only what the library defines out of line is listed: functions and data (nm types T, D, B,
R) and the vtables and typeinfo of its classes (V). Weak functions (W) are left out: they are
inline functions and template instantiations, emitted or not as the optimiser inlines them,
and never a promise of the API. Instantiations of the standard library and of Qt's templates
are left out for the same reason. A symbol that appears or disappears fails the check, which
prints the difference and the command that refreshes the list after an intended change.
"""

import os
import re
import subprocess
import sys

KEPT_TYPES = set("TDBRV")
# Copies of templates of the standard library and Qt that the library's code instantiated.
FOREIGN = re.compile(r"^(?:typeinfo for |vtable for |VTT for |construction vtable for )?"
                     r"(?:[\w:<>*& ]+ )?(?:std::|__gnu_cxx::|QtPrivate::|QtMetaTypePrivate::)")
# Symbols the linker defines in every library.
LINKER = {"_init", "_fini", "_edata", "_end", "__bss_start"}


def exported(library):
    output = subprocess.run(["nm", "-D", "--defined-only", "-C", library], capture_output=True, text=True,
                            check=True).stdout
    symbols = set()
    for line in output.splitlines():
        parts = line.split(" ", 2)
        if len(parts) != 3 or parts[1] not in KEPT_TYPES:
            continue
        name = parts[2]
        if name in LINKER or name.startswith("typeinfo name for ") or FOREIGN.match(name):
            continue
        symbols.add(name)
    return sorted(symbols)


def main():
    arguments = sys.argv[1:]
    update = arguments[:1] == ["--update"]
    if update:
        arguments = arguments[1:]
    if not arguments or len(arguments) % 2:
        print(__doc__)
        return 2
    failures = 0
    for library, list_path in zip(arguments[::2], arguments[1::2]):
        actual = exported(library)
        if update:
            with open(list_path, "w", encoding="utf-8") as f:
                f.write("".join(symbol + "\n" for symbol in actual))
            print(f"wrote {len(actual)} symbols of {os.path.basename(library)} to {list_path}")
            continue
        with open(list_path, encoding="utf-8") as f:
            expected = [line.rstrip("\n") for line in f if line.strip()]
        added = sorted(set(actual) - set(expected))
        removed = sorted(set(expected) - set(actual))
        if not added and not removed:
            print(f"ok   {os.path.basename(library)}: {len(actual)} symbols")
            continue
        failures += 1
        print(f"FAIL {os.path.basename(library)}: the exported symbols differ from {list_path}")
        for symbol in added:
            print(f"  + {symbol}")
        for symbol in removed:
            print(f"  - {symbol}")
    if failures:
        print("A new export is usually an accident: a class or function marked for export that need not be.\n"
              "If the change is intended, refresh the lists with tools/update-exports.sh BUILD-DIRECTORY.")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
