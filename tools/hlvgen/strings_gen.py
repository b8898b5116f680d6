"""Reads the string tables (schema/strings.def) and generates their C++.

host/app/StringIds.h names every string id in namespace StringIds with its English text beside
it; host/app/StringTables.cpp holds the texts and their translations, sorted by id, for the
lookups of host/app/StringTable.cpp.
"""

import re
import shlex

from .schema import SchemaError
from .writer import BANNER, fill

NAME = re.compile(r"k[A-Z][A-Za-z0-9]*")
LOCALE = re.compile(r"[a-z]{2,3}(_[A-Z]{2})?")
ID = re.compile(r"0x[0-9a-fA-F]{1,8}|[1-9][0-9]{0,9}")
PLACEHOLDER = re.compile(r"%([1-9][0-9]?)")
SECTION = re.compile(r"#\s*---\s*(.*?)\s*-*\s*$")


class String:
    """One string id: its C++ name, id, English text and translations by locale, in file order."""

    def __init__(self, name, sid, text, section, where):
        self.name, self.id, self.text, self.section, self.where = name, sid, text, section, where
        self.translations = {}


def _placeholders(text, where):
    """The placeholder numbers of `text`, which must run from 1 without a gap."""
    numbers = sorted({int(n) for n in PLACEHOLDER.findall(text)})
    if numbers != list(range(1, len(numbers) + 1)):
        raise SchemaError(f"{where}: placeholders {', '.join(f'%{n}' for n in numbers)} do not run from %1 "
                          "without a gap")
    return numbers


def _text(token, where):
    if not token:
        raise SchemaError(f"{where}: a text may not be empty")
    if any(ord(c) < 0x20 or ord(c) == 0x7F for c in token):
        raise SchemaError(f"{where}: a text may not hold control characters")
    return token


def read_strings(path):
    """Reads the string tables from `path`; returns the strings in file order."""
    strings = []
    by_name, by_id = {}, {}
    section = None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            where = f"{path}:{number}"
            m = SECTION.match(line)
            if m:
                section = m.group(1)
                continue
            try:
                tokens = shlex.split(line, comments=True)
            except ValueError as e:
                raise SchemaError(f"{where}: {e}") from None
            if not tokens:
                continue
            if line[0].isspace():
                if len(tokens) != 2 or not LOCALE.fullmatch(tokens[0]):
                    raise SchemaError(f"{where}: expected 'LOCALE \"TEXT\"' (such as de or pt_BR) under a string")
                if not strings:
                    raise SchemaError(f"{where}: a translation must follow the string it translates")
                string, (locale, text) = strings[-1], tokens
                if locale == "en":
                    raise SchemaError(f"{where}: the English text is the string's own; 'en' is not a translation")
                if locale in string.translations:
                    raise SchemaError(f"{where}: {string.name} is translated to '{locale}' twice")
                text = _text(text, where)
                if _placeholders(text, where) != _placeholders(string.text, string.where):
                    raise SchemaError(f"{where}: the '{locale}' text of {string.name} does not use the "
                                      "placeholders of its English text")
                string.translations[locale] = text
                continue
            if len(tokens) != 3 or not NAME.fullmatch(tokens[0]) or not ID.fullmatch(tokens[1]):
                raise SchemaError(f"{where}: expected 'kNAME ID \"TEXT\"' with a decimal or 0x-hexadecimal id")
            name, sid, text = tokens
            sid = int(sid, 0)
            if sid > 0xFFFFFFFF:
                raise SchemaError(f"{where}: {tokens[1]} is not a 32-bit id")
            if name in by_name:
                raise SchemaError(f"{where}: the name {name} is used twice (first at {by_name[name].where})")
            if sid in by_id:
                raise SchemaError(f"{where}: the id {sid:#010x} is used twice (first by {by_id[sid].name})")
            string = String(name, sid, _text(text, where), section, where)
            _placeholders(string.text, where)
            strings.append(string)
            by_name[name], by_id[sid] = string, string
    return strings


HEADER = """\
$banner$
// The ids of the host's string tables, each with its English text. Look them up with
// LookupTStr, or with LookupTFmtStr for the format strings ("%1" marks their arguments).
#pragma once

#include "host/app/StringTable.h"

namespace StringIds {
$ids$
}  // namespace StringIds
"""

SOURCE = """\
$banner$
#include "host/detail/StringTableData.h"

namespace StringTableData {
namespace {
$translations$
}  // namespace

// Sorted by id, for a binary search.
const Entry kEntries[] = {
$entries$
};
const std::size_t kEntryCount = sizeof(kEntries) / sizeof(kEntries[0]);

}  // namespace StringTableData
"""


def _comment(text):
    """`text` as a C++ comment can hold it."""
    return text.replace("*/", "* /")


def _literal(text):
    """`text` as a C++ UTF-16 string literal; characters beyond ASCII are written as escapes so
    that the generated source reads the same in any source character set."""
    out = []
    for c in text:
        if c in '"\\':
            out.append("\\" + c)
        elif ord(c) < 0x80:
            out.append(c)
        elif ord(c) <= 0xFFFF:
            out.append(f"\\u{ord(c):04x}")
        else:
            out.append(f"\\U{ord(c):08x}")
    return f'u"{"".join(out)}"'


def _ids(strings):
    parts = []
    section = None
    for string in strings:
        if string.section != section:
            section = string.section
            if section:
                parts.append(f"\n// --- {section} " + "-" * max(3, 94 - len(section)) + "\n")
        parts.append(f"\n/// \"{_comment(string.text)}\"\n"
                     f"inline constexpr StringId {string.name} = {string.id:#010x};  // {string.id}\n")
    return "".join(parts)


def generate(strings, output, source):
    banner = BANNER.format(source=source).rstrip("\n")
    output.add("host/app/StringIds.h", fill(HEADER, banner=banner, ids=_ids(strings)))

    translations = []
    entries = []
    for string in sorted(strings, key=lambda s: s.id):
        table = "nullptr, 0"
        if string.translations:
            rows = "\n".join(f'    {{"{locale}", {_literal(text)}}},' for locale, text in string.translations.items())
            translations.append(f"const Translation k{string.name[1:]}Translations[] = {{\n{rows}\n}};\n")
            table = f"k{string.name[1:]}Translations, {len(string.translations)}"
        entries.append(f"    {{{string.id:#010x}u, {_literal(string.text)}, {table}}},  // {string.name}")
    output.add("host/app/StringTables.cpp", fill(
        SOURCE, banner=banner, translations="\n".join(translations), entries="\n".join(entries)))
