"""Generates the named parameter ids and the catalogue tables that registration walks."""

import re

from .schema import SchemaError, serializer_of
from .writer import BANNER, fill

IDS_HEADER = """\
$banner$
// The ids of every parameter of the two namespaces. The ids are wire values: bags and written
// structures are keyed by them.
#pragma once

/// The parameters of the data namespace "$data$": the fields of every pres model and the loose
/// values of the dialogs.
namespace DataParameters {

$data_ids$
}  // namespace DataParameters

/// The parameters of the pres-model namespace "$presmodels$": one structure per record class.
namespace PresModelParameters {

$presmodel_ids$
}  // namespace PresModelParameters
"""

CATALOG_SOURCE = """\
$banner$
#include "parameters/ParameterCatalog.h"

$includes$

namespace {

// Short names for the tables below.
$short_names$

$factories$

// The data namespace, in registration order. Entries with the same group share one serializer
// per value type.
const ParameterDescriptor kDataParameters[] = {
$data_rows$
};

$data_flags$
const ParameterDescriptor kPresModelParameters[] = {
$presmodel_rows$
};

}  // namespace

const wchar_t* const kDataNamespaceName = L"$data$";
const wchar_t* const kPresModelNamespaceName = L"$presmodels$";

CatalogTable<ParameterDescriptor> DataNamespaceCatalog() { return {kDataParameters}; }
CatalogTable<FlagDescriptor> DataNamespaceFlags() { return $flags_table$; }
CatalogTable<ParameterDescriptor> PresModelNamespaceCatalog() { return {kPresModelParameters}; }
"""

_KIND = {"simple": "kSimple", "list": "kList", "map": "kMap", "structure": "kStructure",
         "structure-list": "kStructureList"}
_FLAG = {"unserializable": "kParameterUnserializable", "security-sensitive": "kParameterSecuritySensitive",
         "never-adulterate-map-keys": "kParameterNeverAdulterateMapKeys"}


def _ids(namespace):
    lines = []
    for p in namespace.parameters:
        what = p.kind if p.value_type is None else f"{p.kind} {p.value_type}"
        lines.append(f"/// \"{p.name}\": {what}")
        lines.append(f"inline constexpr unsigned int {p.constant} = {p.id:#010x};")
    return "\n".join(lines) + "\n"


def generate(schema, serializers, output, source):
    vocabulary = schema.vocabulary
    data, presmodels = vocabulary.data, vocabulary.presmodels
    banner = BANNER.format(source=source).rstrip("\n")
    output.add("parameters/ParameterIds.h", fill(IDS_HEADER, banner=banner, data=data.name,
                                                  presmodels=presmodels.name, data_ids=_ids(data),
                                                  presmodel_ids=_ids(presmodels)))

    headers = set()
    factories = {}  # serializer class -> (constant name, factory expression)

    def factory_of(parameter):
        if parameter.value_type is None:
            return "kNoSerializer"
        serializer = serializer_of(parameter.value_type, parameter.kind, schema, serializers)
        if serializer is None:
            raise SchemaError(f"{parameter.where}: no serializer for the value type {parameter.value_type}; "
                              "declare it in serializers.def, enums.def or a record file")
        headers.add(serializer.header)
        if serializer.cpp not in factories:
            name = "k" + "".join(w[:1].upper() + w[1:] for w in re.findall(r"[A-Za-z0-9]+", serializer.value_type)) + "Serializer"
            pair = (f"nullptr, {serializer.factory}" if serializer.is_structure
                    else f"{serializer.factory}, nullptr")
            factories[serializer.cpp] = (name, f"constexpr ParameterFactory {name}{{{pair}}};  // {serializer.value_type}")
        return factories[serializer.cpp][0]

    def rows(namespace):
        lines = []
        group = None
        for p in namespace.parameters:
            if p.group != group:
                group = p.group
                lines.append(f"    // {vocabulary.groups[group]}")
            value_type = "nullptr" if p.value_type is None else f'"{p.value_type}"'
            ns = "DataParameters" if namespace is data else "PresModelParameters"
            lines.append(f'    {{{ns}::{p.constant}, L"{p.name}", {_KIND[p.kind]}, {value_type}, {p.group}, '
                         f'{factory_of(p)}}},')
        return "\n".join(lines)

    data_rows, presmodel_rows = rows(data), rows(presmodels)
    # A namespace without flags has no table: C++ has no empty arrays.
    flags = "\n".join(f"    {{{_FLAG[flag]}, DataParameters::{p.constant}}},  // {p.name}" for flag, p in data.flags)
    if flags:
        flags = ("// The flags of the data namespace, in the order in which they are set.\n"
                 f"const FlagDescriptor kDataFlags[] = {{\n{flags}\n}};\n")
    # The short names the rows use, and only those: a small schema may not use every kind.
    used = data_rows + presmodel_rows
    short_names = [f"constexpr ParameterKind {name} = ParameterKind::{name};"
                   for name in _KIND.values() if re.search(rf"\b{name}\b", used)]
    if "kNoSerializer" in used:
        short_names.append("constexpr ParameterFactory kNoSerializer{};")
    includes = "\n".join(f'#include "{h}"' for h in sorted(headers))
    output.add("parameters/ParameterCatalogTables.cpp",
               fill(CATALOG_SOURCE, banner=banner, includes=includes, short_names="\n".join(short_names), data=data.name, presmodels=presmodels.name,
                    factories="\n".join(f for _, f in factories.values()), data_rows=data_rows,
                    data_flags=flags, flags_table="{kDataFlags}" if flags else "{}",
                    presmodel_rows=presmodel_rows))
