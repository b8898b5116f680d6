"""Generates the library's enums, their string tables and their value serializers."""

from .writer import BANNER, fill

ENUMS_HEADER = """\
$banner$
// The library's enums. Each is written as a fixed string of its table and read back through
// ParameterTypeSerializer<E>: text that names no value reads as the enum's default, and a
// value without a string cannot be written (XMLEnumEncodingException).
#pragma once

#include "host/EnumXMLEncoding.h"
#include "host/RefCntPtr.h"
#include "parameters/EnumSerializer.h"
#include "parameters/PresLayerExport.h"

#include <cstdint>
$enums$"""

ENUM_DECLARATION = """\
$open$/// $doc$
enum class $short$ : std::int32_t {
$enumerators$
};
$close$
template <>
HLVPRES_API const EnumStringTable& EnumTableOf<$name$>();
template <>
class HLVPRES_API ParameterTypeSerializer<$name$> final
    : public EnumTableSerializer<$name$> {};
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<$name$>>();
"""

TABLES_SOURCE = """\
$banner$
#include "parameters/Enums.h"

#include <vector>

namespace {

// Built when the library is loaded, before any of its functions can run; only read afterwards.
$tables$
}  // namespace
$functions$
const std::vector<const EnumStringTable*>& LibraryEnumTables() {
  static const std::vector<const EnumStringTable*> tables = {
$all$
  };
  return tables;
}
"""

TABLE_FUNCTIONS = """
template <>
const EnumStringTable& EnumTableOf<$name$>() {
  return k$identifier$;
}

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<$name$>>() {
  return MakeRefCnt<ParameterTypeSerializer<$name$>>();
}
"""


def _declaration(table):
    codes = [f"  {e.enumerator} = {e.value}," for e in table.entries]
    width = max(len(code) for code in codes) + 2
    enumerators = [f"{code:<{width}}///< \"{e.text}\"" for code, e in zip(codes, table.entries)]
    default = table.default_entry
    doc = (f"Reads unknown text as {default.enumerator} (\"{default.text}\")." if default
           else f"Reads unknown text as {table.default}, which has no string.")
    scope = table.scope
    return fill(ENUM_DECLARATION, open=f"namespace {scope} {{\n\n" if scope else "",
                close=f"\n}}  // namespace {scope}\n" if scope else "", doc=doc, short=table.short_name,
                name=table.name, enumerators="\n".join(enumerators))


def _table(table):
    rows = "\n".join(f'    {{{e.value}, QStringLiteral("{e.text}")}},' for e in table.entries)
    return f'const EnumStringTable k{table.identifier}("{table.name}", {table.default}, {{\n{rows}\n}});\n'


def generate(schema, output, source):
    banner = BANNER.format(source=source).rstrip("\n")
    tables = list(schema.enums.values())
    parts = []
    section = None
    for table in tables:
        if table.section != section:
            section = table.section
            parts.append(f"\n// --- {section} " + "-" * max(3, 94 - len(section)) + "\n")
        parts.append("\n" + _declaration(table))
    output.add("parameters/Enums.h", fill(ENUMS_HEADER, banner=banner, enums="".join(parts)))
    output.add("parameters/EnumTables.cpp", fill(
        TABLES_SOURCE, banner=banner, tables="\n".join(_table(t) for t in tables),
        functions="".join(fill(TABLE_FUNCTIONS, name=t.name, identifier=t.identifier) for t in tables),
        all="\n".join(f"      &k{t.identifier}," for t in tables)))
