"""Generates the enums, their string tables and their value serializers.

Enums marked `host` in the schema belong to the host's connection model: their definitions and
tables go into the host runtime (host/HostEnums.h), and the library adds only their serializers.
"""

from .writer import BANNER, fill

HOST_HEADER = """\
$banner$
// The enums of the host's connection model, with their string tables. The presentation-layer
// library writes them through the same tables.
#pragma once

#include "host/EnumXMLEncoding.h"
#include "host/HostExport.h"

#include <cstdint>
$enums$"""

LIBRARY_HEADER = """\
$banner$
// The library's enums. Each is written as a fixed string of its table and read back through
// ParameterTypeSerializer<E>: text that names no value reads as the enum's default, and a
// value without a string cannot be written (XMLEnumEncodingException).
#pragma once

#include "host/EnumXMLEncoding.h"
#include "host/HostEnums.h"
#include "host/RefCntPtr.h"
#include "parameters/EnumSerializer.h"
#include "parameters/PresLayerExport.h"

#include <cstdint>
$enums$"""

ENUM_DEFINITION = """\
$open$/// $doc$
enum class $short$ : std::int32_t {
$enumerators$
};
$close$
template <>
$api$ const EnumStringTable& EnumTableOf<$name$>();
"""

SERIALIZER_DECLARATION = """\
template <>
class HLVPRES_API ParameterTypeSerializer<$name$> final
    : public EnumTableSerializer<$name$> {};
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<$name$>>();
"""

HOST_TABLES_SOURCE = """\
$banner$
#include "host/HostEnums.h"

namespace {

// Built when the library is loaded, before any of its functions can run; only read afterwards.
$tables$
}  // namespace
$functions$"""

LIBRARY_TABLES_SOURCE = """\
$banner$
#include "parameters/Enums.h"

#include <vector>

namespace {

// Built when the library is loaded, before any of its functions can run; only read afterwards.
$tables$
}  // namespace
$functions$$serializers$
const std::vector<const EnumStringTable*>& LibraryEnumTables() {
  static const std::vector<const EnumStringTable*> tables = {
$all$
  };
  return tables;
}
"""

TABLE_FUNCTION = """
template <>
const EnumStringTable& EnumTableOf<$name$>() {
  return k$identifier$;
}
"""

SERIALIZER_FACTORY = """
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<$name$>>() {
  return MakeRefCnt<ParameterTypeSerializer<$name$>>();
}
"""


def _definition(table, api):
    codes = [f"  {e.enumerator} = {e.value}," for e in table.entries]
    width = max(len(code) for code in codes) + 2
    enumerators = [f"{code:<{width}}///< \"{e.text}\"" for code, e in zip(codes, table.entries)]
    default = table.default_entry
    doc = (f"Reads unknown text as {default.enumerator} (\"{default.text}\")." if default
           else f"Reads unknown text as {table.default}, which has no string.")
    scope = table.scope
    return fill(ENUM_DEFINITION, open=f"namespace {scope} {{\n\n" if scope else "",
                close=f"\n}}  // namespace {scope}\n" if scope else "", doc=doc, short=table.short_name,
                name=table.name, enumerators="\n".join(enumerators), api=api)


def _table(table):
    rows = "\n".join(f'    {{{e.value}, QStringLiteral("{e.text}")}},' for e in table.entries)
    return f'const EnumStringTable k{table.identifier}("{table.name}", {table.default}, {{\n{rows}\n}});\n'


def _sectioned(tables, declare):
    """The declarations of `tables` under a `// --- Section ---` banner per schema section."""
    parts = []
    section = None
    for table in tables:
        if table.section != section:
            section = table.section
            parts.append(f"\n// --- {section} " + "-" * max(3, 94 - len(section)) + "\n")
        parts.append("\n" + declare(table))
    return "".join(parts)


def _functions(tables):
    return "".join(fill(TABLE_FUNCTION, name=t.name, identifier=t.identifier) for t in tables)


def generate(schema, output, source):
    banner = BANNER.format(source=source).rstrip("\n")
    tables = list(schema.enums.values())
    host = [t for t in tables if t.host]
    library = [t for t in tables if not t.host]

    output.add("host/HostEnums.h", fill(
        HOST_HEADER, banner=banner, enums=_sectioned(host, lambda t: _definition(t, "HLVHOST_API"))))
    output.add("host/HostEnumTables.cpp", fill(
        HOST_TABLES_SOURCE, banner=banner, tables="\n".join(_table(t) for t in host), functions=_functions(host)))

    def declare(table):
        serializer = fill(SERIALIZER_DECLARATION, name=table.name)
        return serializer if table.host else _definition(table, "HLVPRES_API") + serializer

    output.add("parameters/Enums.h", fill(LIBRARY_HEADER, banner=banner, enums=_sectioned(tables, declare)))
    output.add("parameters/EnumTables.cpp", fill(
        LIBRARY_TABLES_SOURCE, banner=banner, tables="\n".join(_table(t) for t in library),
        functions=_functions(library),
        serializers="".join(fill(SERIALIZER_FACTORY, name=t.name) for t in tables),
        all="\n".join(f"      &EnumTableOf<{t.name}>()," for t in tables)))
