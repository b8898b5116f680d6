#!/usr/bin/env python3
"""Writes the dictionaries and the seeds of the fuzz targets (fuzz/) that come from the sources.

    fuzz_inputs.py --source DIR --out DIR

Under --out:
    dicts/TARGET.dict         libFuzzer dictionaries: parameter names and enum texts from the
                              schema, the keys of the connector descriptions, the tokens of each
                              text form
    seeds/TARGET/...          seeds: the bags of the command-line golden files, the connector
                              descriptions and their modular dialogs, keys and certificates made
                              with the openssl command
    value-candidates.txt      texts for hlvfuzz_seeds to try on every value serializer: the
                              strings and numbers of the golden bags and the enum texts

hlvfuzz_seeds adds the seeds the library itself writes (full records, value texts, images).
"""

import argparse
import glob
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from hlvgen.schema import read_enums, read_parameters  # noqa: E402

JSON_TOKENS = ["{", "}", "[", "]", ":", ",", "true", "false", "null", "\"\"", "\\u0000", "\\ud800", "1e308", "-0"]
XML_TOKENS = ["<document>", "</document>", "<formatted-text>", "</formatted-text>", "<formatted-text/>", "<run",
              "/>", "text=\"", "font-name=\"", "font-size=\"", "bold=\"true\"", "italic=\"true\"",
              "underline=\"true\"", "color=\"#", "&lt;", "&amp;", "&#", "<![CDATA[", "]]>", "<?xml",
              "<!DOCTYPE", "<!--", "-->"]
PEM_TOKENS = ["-----BEGIN ", "-----END ", "PRIVATE KEY-----", "ENCRYPTED PRIVATE KEY-----",
              "RSA PRIVATE KEY-----", "EC PRIVATE KEY-----", "CERTIFICATE-----", "Proc-Type: 4,ENCRYPTED",
              "DEK-Info: AES-256-CBC,", "\n"]
IMAGE_TOKENS = ["\x89PNG\r\n\x1a\n", "IHDR", "PLTE", "IDAT", "IEND", "tRNS", "gAMA", "\xff\xd8", "\xff\xd9",
                "\xff\xc0", "\xff\xc2", "\xff\xc4", "\xff\xdb", "\xff\xda", "\xff\xe0", "JFIF\x00"]
PASS_PHRASE = "fuzz-pass phrase"


def escape(token):
    """A libFuzzer dictionary entry: printable ASCII as is, \\ and " escaped, other bytes as \\xHH."""
    out = []
    for byte in token.encode("utf-8") if isinstance(token, str) else token:
        if byte in (0x22, 0x5C):
            out.append("\\" + chr(byte))
        elif 0x20 <= byte < 0x7F:
            out.append(chr(byte))
        else:
            out.append("\\x%02X" % byte)
    return '"' + "".join(out) + '"'


def write_dict(out, target, tokens):
    path = os.path.join(out, "dicts", target + ".dict")
    seen = set()
    with open(path, "w", encoding="ascii") as f:
        for token in tokens:
            if isinstance(token, str) and any(0xD800 <= ord(c) <= 0xDFFF for c in token):
                continue
            entry = escape(token.encode("latin-1") if target == "image" else token)
            if token and entry not in seen:
                seen.add(entry)
                f.write(entry + "\n")


def write_seed(out, target, name, data):
    folder = os.path.join(out, "seeds", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


def json_keys(value, keys, strings):
    """Collects the object keys and the string leaves of a parsed JSON value."""
    if isinstance(value, dict):
        for key, item in value.items():
            keys.add(key)
            json_keys(item, keys, strings)
    elif isinstance(value, list):
        for item in value:
            json_keys(item, keys, strings)
    elif isinstance(value, str):
        strings.add(value)
    elif isinstance(value, (int, float)) and not isinstance(value, bool):
        strings.add(json.dumps(value))


def golden_bags(source):
    """The JSON bag lines of the command-line golden files."""
    files = sorted(glob.glob(os.path.join(source, "tests", "cli", "**", "*.expected"), recursive=True) +
                   glob.glob(os.path.join(source, "tests", "cli", "**", "*.stdin"), recursive=True))
    for path in files:
        with open(path, encoding="utf-8") as f:
            for line in f:
                # "name<TAB>{...}" lines hold a bag after the tab.
                line = line.rstrip("\n").split("\t")[-1]
                if line.startswith("{"):
                    yield line


def openssl(args, stdin=None):
    return subprocess.run(["openssl"] + args, check=True, capture_output=True, input=stdin).stdout


def key_seeds(out):
    """Private keys of three algorithms, plain and encrypted, in PKCS#8 and the older form, and a
    self-signed certificate of each."""
    with tempfile.TemporaryDirectory() as tmp:
        for name, args in (("rsa", ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024"]),
                           ("ec", ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256"]),
                           ("ed25519", ["-algorithm", "ED25519"])):
            key_path = os.path.join(tmp, name + ".pem")
            key = openssl(["genpkey"] + args)
            with open(key_path, "wb") as f:
                f.write(key)
            write_seed(out, "pkcs8", name + ".pem", b"\n" + key)
            encrypted = openssl(["pkcs8", "-topk8", "-in", key_path, "-v2", "aes-256-cbc", "-passout",
                                 "pass:" + PASS_PHRASE])
            write_seed(out, "pkcs8", name + "-encrypted.pem", PASS_PHRASE.encode() + b"\n" + encrypted)
            if name != "ed25519":
                traditional = openssl(["pkey", "-in", key_path, "-traditional"])
                write_seed(out, "pkcs8", name + "-traditional.pem", b"\n" + traditional)
            certificate = openssl(["req", "-x509", "-key", key_path, "-subj", "/CN=fuzz.example.com", "-days", "30"])
            write_seed(out, "certificate", name + ".crt", certificate)
            write_seed(out, "certificate", name + "-bom.crt", b"\xef\xbb\xbf" + certificate)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True)
    parser.add_argument("--out", required=True)
    options = parser.parse_args()
    source, out = options.source, options.out
    os.makedirs(os.path.join(out, "dicts"), exist_ok=True)

    vocabulary = read_parameters(os.path.join(source, "schema", "parameters.def"))
    names = [p.name for ns in vocabulary.namespaces for p in ns.parameters]
    enum_texts = [e.text for table in read_enums(os.path.join(source, "schema", "enums.def")).values()
                  for e in table.entries]

    candidates = set(enum_texts) | {"0", "1", "-1", "2147483648", "true", "false", "[a].[b].[c]", "2024-02-29",
                                    "2024-02-29 23:59:59.999", "#ff0000", "1.5", "NaN"}
    for n, line in enumerate(golden_bags(source)):
        write_seed(out, "json_form", "golden-%d.json" % n, line)
        try:
            keys, strings = set(), set()
            json_keys(json.loads(line), keys, strings)
            candidates |= strings
        except ValueError:
            pass  # the error cases of the golden files hold broken bags on purpose

    connector_keys, connector_strings = set(), set()
    for path in sorted(glob.glob(os.path.join(source, "connectors", "*.json"))):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        write_seed(out, "connector_description", os.path.basename(path), text)
        description = json.loads(text)
        json_keys(description, connector_keys, connector_strings)
        dialog = description.get("modular-dialog") if isinstance(description, dict) else None
        if dialog is not None:
            write_seed(out, "modular_dialog", os.path.basename(path), json.dumps(dialog, indent=1))
    # The last one holds control characters past a string's first sixteen bytes, which a vector
    # scan of the writer once let through raw.
    for n, text in enumerate(['{}', '{"initialSql":1}', '{"a":[1,-2.5e-3,true,null,{"b":"\\u00e9\\ud83d\\ude00"}]}',
                              '[1]', '"text"', '{"sixteen bytes, then\\u001e":"sixteen bytes, then\\u001a\\u001f"}']):
        write_seed(out, "modular_dialog", "sample-%d.json" % n, text)

    key_seeds(out)

    write_dict(out, "json_form", JSON_TOKENS + ['"%s":' % n for n in names] + ['"%s"' % t for t in enum_texts])
    write_dict(out, "value_text", enum_texts + ["[", "]", ".", "\"", "%", "-", "e", "NaN", "inf", "2147483647"])
    write_dict(out, "formatted_text", XML_TOKENS)
    write_dict(out, "connector_description", JSON_TOKENS + ['"%s":' % k for k in sorted(connector_keys)] +
               ['"%s"' % s for s in sorted(connector_strings) if len(s) <= 40])
    dialog_keys = set()
    for path in glob.glob(os.path.join(out, "seeds", "modular_dialog", "*")):
        try:
            with open(path, encoding="utf-8") as f:
                json_keys(json.load(f), dialog_keys, set())
        except ValueError:
            pass
    write_dict(out, "modular_dialog", JSON_TOKENS + ['"%s":' % k for k in sorted(dialog_keys)])
    write_dict(out, "pkcs8", PEM_TOKENS + [PASS_PHRASE])
    write_dict(out, "certificate", PEM_TOKENS + ["\xef\xbb\xbf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xc0\x80"])
    write_dict(out, "image", IMAGE_TOKENS)

    with open(os.path.join(out, "value-candidates.txt"), "w", encoding="utf-8") as f:
        for text in sorted(candidates):
            if "\n" not in text and "\r" not in text:
                f.write(text + "\n")


if __name__ == "__main__":
    main()
