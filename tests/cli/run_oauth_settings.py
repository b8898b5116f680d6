#!/usr/bin/env python3
"""hlvpres oauth-settings end to end, on the built-in connector descriptions and one more of a
folder in HLV_CONNECTORS_PATH: the order of the credential types with their flags, the display
names by short alias, the OAuth configurations, what the feature flags change, and the failures,
each one "error: " line on standard error, status 1 and nothing on standard output.

    run_oauth_settings.py HLVPRES
"""

import json
import os
import sys
import tempfile

# The runner of the connection commands: run, check, fails (one error line, status 1) and report.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_connection_commands import Runner as CommandRunner  # noqa: E402

PROVIDER = "provider-class"
DATA = "data-connection-class"
GENERIC = "generic-auth-class"
DOMAIN = "custom-domain-class"

# An OAuth connector whose credentials are never generic ones, added through a folder.
EXTRA_DESCRIPTION = {
    "class": "acme-oauth",
    "caption": {"en": "Acme", "pt_BR": "Acme (Brasil)", "pt_PT": "Acme (Portugal)"},
    "oauth": {"excludes-generic-auth": True,
              "configs": [{"id": "acme-cloud", "label": "Acme Cloud"},
                          {"id": "acme-onprem", "label": "Acme Server", "custom-domain": True}]},
}

# Class, connector type and flags of every credential type with the default flags, in order.
DEFAULT_ENTRIES = [
    ("webdata", "web-data-connector", [PROVIDER, DATA, GENERIC]),
    ("box", "cloud-file-connector", [GENERIC]),
    ("dropbox", "cloud-file-connector", [GENERIC]),
    ("googledrive", "cloud-file-connector", [GENERIC]),
    ("box-file", "cloud-file-connector", [DATA]),
    ("dropbox-file", "cloud-file-connector", [DATA]),
    ("googledrive-file", "cloud-file-connector", [DATA]),
    ("google-analytics", "legacy-connector", [PROVIDER, DATA]),
    ("bigquery", "legacy-connector", [PROVIDER, DATA]),
    ("google-sheets", "legacy-connector", [PROVIDER, DATA]),
    ("nimbara", "legacy-connector", [PROVIDER, DATA, DOMAIN]),
    ("acme-oauth", "odbc-oauth-connector", [PROVIDER, DATA]),
    ("nimbara-zeltra", "odbc-oauth-connector", [PROVIDER, DATA, DOMAIN, GENERIC]),
    ("snowflake", "odbc-oauth-connector", [PROVIDER, DATA, DOMAIN, GENERIC]),
    ("slack", "legacy-connector", [PROVIDER]),
]


class Runner(CommandRunner):
    def types(self, label, args=(), **flags):
        """The credential types of one run with the flag variables `flags`, or None."""
        record = self.one_line(label, ["oauth-settings", *args], env=flags)
        if record is None:
            return None
        self.check(label, list(record) == ["gen-o-auth-settings-pres-model"], f"bag {list(record)}")
        return record["gen-o-auth-settings-pres-model"]["oauth-credential-type-infos"]


def entries(types):
    return [(t["class-name-for-cleaning"], t["connector-type"], t["credential-type-properties-flags"]) for t in types]


def by_class(types, name, connector_type):
    return next(t for t in types if t["class-name-for-cleaning"] == name and t["connector-type"] == connector_type)


def main():
    runner = Runner(sys.argv[1])
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "acme-oauth.json"), "w", encoding="utf-8") as f:
            json.dump(EXTRA_DESCRIPTION, f)
        runner.env["HLV_CONNECTORS_PATH"] = folder

        types = runner.types("defaults")
        if types is not None:
            runner.check("order and flags", entries(types) == [tuple(e) for e in DEFAULT_ENTRIES],
                         f"{entries(types)}")
            # One name per short alias; "pt_PT" comes after "pt_BR" and wins.
            for t in types:
                runner.check("aliases", list(t.get("display-name-map", {})) == ["de", "en", "fr", "ja", "pt"],
                             f"{t['class-name-for-cleaning']}: {t.get('display-name-map')}")
            acme = by_class(types, "acme-oauth", "odbc-oauth-connector")
            runner.check("later locale wins", acme["display-name-map"]["pt"] == "Acme (Portugal)",
                         f"{acme['display-name-map']}")
            sheets = by_class(types, "google-sheets", "legacy-connector")
            runner.check("legacy caption", sheets["display-name-map"]["de"] == "Google Tabellen", f"{sheets}")
            runner.check("slack", by_class(types, "slack", "legacy-connector")["display-name-map"]["en"] == "Slack")
            runner.check("configs", acme["oauth-config-infos"] == [
                {"oauth-config-id": "acme-cloud", "supports-custom-domain": "false", "config-label": "Acme Cloud"},
                {"oauth-config-id": "acme-onprem", "supports-custom-domain": "true", "config-label": "Acme Server"},
            ], f"{acme['oauth-config-infos']}")
            runner.check("configs only for relational", all(
                t["oauth-config-infos"] == [] for t in types if t["connector-type"] != "odbc-oauth-connector"))

        # The providers' own sign-in flags on, the configurations off.
        types = runner.types("flags", HLV_FEATURE_FLAGS="0x33656526=on, 0x8d5e9932=on",
                           HLV_REMOTE_FEATURE_FLAGS="0x751cd809=on,0x3af328fb=off")
        if types is not None:
            expected = [(c, k, [] if c in ("box", "dropbox", "googledrive") else f) for c, k, f in DEFAULT_ENTRIES]
            runner.check("flags: order and flags", entries(types) == expected, f"{entries(types)}")
            runner.check("flags: no configs", all(t["oauth-config-infos"] == [] for t in types))

        runner.fails("malformed flag", ["oauth-settings"], env={"HLV_REMOTE_FEATURE_FLAGS": "0x3af328fb=maybe"})
        runner.fails("argument", ["oauth-settings", "--all"])

    return runner.report()


if __name__ == "__main__":
    sys.exit(main())
