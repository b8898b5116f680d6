#!/usr/bin/env python3
"""hlvpres variables end to end, on the example descriptions of docs/examples/variables/ and on
broken ones written to a temporary folder: one line of dialog JSON per run, or one "error: "
line on standard error, status 1 and nothing on standard output.

    run_variables.py HLVPRES EXAMPLES-FOLDER
"""

import json
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run_connection_commands import Runner as CommandRunner  # noqa: E402


class Runner(CommandRunner):
    def dialog(self, label, args):
        """The dialog record `hlvpres variables ARGS` prints, as a dict, or {}."""
        bag = self.one_line(label, ["variables"] + args)
        return {} if bag is None else bag["gen-variable-prompt-dialog-pres-model"]

    def fails_with(self, label, args, *mentions):
        err = self.fails(label, ["variables"] + args)
        for text in mentions:
            self.check(label, text in err, f"the error does not mention {text!r}: {err!r}")


def names(dialog):
    return [v["variable-display-name"] for v in dialog.get("prompt-variables", [])]


def main():
    hlvpres, examples = sys.argv[1], sys.argv[2]
    r = Runner(hlvpres)
    bw = os.path.join(examples, "sales-bw.json")
    hana = os.path.join(examples, "pricing-hana.json")

    d = r.dialog("desktop", [bw])
    r.check("desktop", d.get("connection-name") == "sales-bw" and d.get("dialog-title") == "SAP BW Variables", d)
    r.check("desktop", names(d) == ["Sales region (Orders)", "ZFISCYEAR (Orders)", "Return reason (Returns)",
                                    "Company code"], names(d))
    r.check("desktop", d.get("is-editing") == "false" and "editable-variable-value" not in d, d)
    r.check("desktop", "server-variable-metadata" not in json.dumps(d), "server metadata outside server mode")

    d = r.dialog("edit a range", [bw, "--select", "[0SALES_CUBE].[ZFISCYEAR]", "--index", "0"])
    edited = d.get("editable-variable-value", {})
    r.check("edit a range", (d.get("is-editing"), d.get("variable-guid"), edited.get("is-two-valued")) ==
            ("true", "3b1f6f0e-year", "true"), d)
    r.check("edit a range", edited.get("variable-value-operation", {}).get("operation-type") == "range-inclusive",
            edited)

    d = r.dialog("relation", [bw, "--relation", "Returns", "--select", "0RETURNS.ZREASON"])
    r.check("relation", names(d) == ["Return reason"], names(d))
    values = d.get("prompt-variables", [{}])[0].get("variable-values", [])
    r.check("relation", [v["valid"] for v in values] == ["false"], values)
    r.check("relation", d.get("editable-variable-value", {}).get("value-index") == "0", d)

    d = r.dialog("server", [bw, "--app-mode", "server"])
    r.check("server", len(d.get("prompt-variables", [])) == 3, names(d))
    region = d.get("prompt-variables", [{}])[0]
    metadata = region.get("server-variable-metadata", {})
    r.check("server", metadata.get("selection-value-list") == ["Europe", "United States", "Asia Pacific", "LATAM"],
            metadata)
    r.check("server", list(region.get("variable-attributes", {})) ==
            ["MODIFIED_VALUES", "RELATION_NAME", "TECHNICAL_NAME"], region.get("variable-attributes"))

    d = r.dialog("hana", [hana])
    r.check("hana", d.get("dialog-title") == "Variables and Parameters", d)
    first = d.get("prompt-variables", [{}])[0].get("variable-values", [{}])[0]
    r.check("hana", first.get("display-value") == "EUR", first)
    d = r.dialog("hana server", [hana, "--app-mode", "prep-desktop"])
    metadata = d.get("prompt-variables", [{}])[0].get("server-variable-metadata", {})
    r.check("hana server", metadata.get("selection-value-list") == ["EUR (Euro)", "USD (US Dollar)"], metadata)

    r.fails_with("index past the values", [bw, "--select", "[0SALES_CUBE].[ZREGION]", "--index", "2"],
                 "selectedValue", ":312)")
    r.fails_with("relation leaves the variable out", [bw, "--select", "[0SALES_CUBE].[ZREGION]", "--relation",
                                                      "Returns"], "selectedValue")
    with tempfile.TemporaryDirectory() as tmp:
        def write(name, content):
            path = os.path.join(tmp, name)
            with open(path, "w", encoding="utf-8") as f:
                f.write(content if isinstance(content, str) else json.dumps(content))
            return path

        r.fails_with("federated", [write("fed.json", {"class": "fed", "federated-members": ["a"], "variables": []})],
                     "dc && !get_interface<IFederatedSQLConnection*>(dc)", ":102)")
        r.fails_with("no variables", [write("none.json", {"class": "postgres"})], "dbVariables", ":108)")
        r.fails_with("bad value", [write("bad.json", {"class": "x", "variables": [
            {"name": "V", "guid": "g", "data-type": "integer", "current-values": [{"value1": "ten"}]}]})],
            "/variables/0/current-values/0/value1", "bad.json")
        r.fails_with("not JSON", [write("broken.json", '{"class": ')], "broken.json")
        r.fails_with("missing file", [os.path.join(tmp, "missing.json")], "missing.json")
    r.fails_with("no file", [], "name a variables description file")
    r.fails_with("unknown option", [bw, "--colour", "red"], "--colour")
    r.fails_with("index without a variable", [bw, "--index", "1"], "--select")
    r.fails_with("index not a number", [bw, "--select", "x", "--index", "one"], "one")
    r.fails_with("unknown mode", [bw, "--app-mode", "tablet"], "tablet")

    return r.report()


if __name__ == "__main__":
    sys.exit(main())
