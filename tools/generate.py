#!/usr/bin/env python3
"""Generates the C++ of hlvpreslayerdata from its schema.

    generate.py --schema DIR --out DIR        writes the generated files under --out
    generate.py --schema DIR --list           prints the paths it would write, one per line

Files whose text did not change are left untouched, so a regeneration that changes nothing
rebuilds nothing.
"""

import argparse
import glob
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from hlvgen import catalog_gen, enums_gen, fixtures_gen, records_gen, strings_gen  # noqa: E402
from hlvgen.schema import SchemaError, link, read_enums, read_parameters, read_records, read_serializers  # noqa: E402
from hlvgen.writer import Output  # noqa: E402


def build(schema_dir):
    """Reads the schema under `schema_dir` and returns the generated files."""
    relative = lambda path: os.path.relpath(path, os.path.dirname(os.path.abspath(schema_dir)))  # noqa: E731
    parameters_path = os.path.join(schema_dir, "parameters.def")
    vocabulary = read_parameters(parameters_path)
    serializers = read_serializers(os.path.join(schema_dir, "serializers.def"))
    enums = read_enums(os.path.join(schema_dir, "enums.def"))
    record_files = sorted(glob.glob(os.path.join(schema_dir, "records", "*.records")))
    record_lists = [read_records(path, vocabulary) for path in record_files]
    schema = link(vocabulary, record_lists, enums, serializers)

    output = Output()
    catalog_gen.generate(schema, serializers, output, relative(parameters_path))
    sources = {os.path.splitext(os.path.basename(p))[0]: relative(p) for p in record_files}
    records_gen.generate(schema, output, sources)
    enums_gen.generate(schema, output, relative(os.path.join(schema_dir, "enums.def")))
    fixtures_gen.generate(schema, output, relative(os.path.join(schema_dir, "records")))
    strings_path = os.path.join(schema_dir, "strings.def")
    strings_gen.generate(strings_gen.read_strings(strings_path), output, relative(strings_path))
    return output


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--schema", required=True, help="the schema folder")
    parser.add_argument("--out", help="the folder to write the generated files under")
    parser.add_argument("--list", action="store_true", help="print the generated paths instead")
    args = parser.parse_args()
    try:
        output = build(args.schema)
    except SchemaError as e:
        print(f"error: {e}", file=sys.stderr)
        return 1
    if args.list:
        for path in sorted(output.files):
            print(path)
        return 0
    if not args.out:
        parser.error("--out is required unless --list is given")
    output.write(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
