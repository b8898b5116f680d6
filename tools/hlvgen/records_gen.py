"""Generates the record classes, one header per record and one source file per schema file."""

import re

from .schema import SCALAR_TYPES, VALUE_TYPES, record_serializer, serializer_of
from .writer import BANNER, fill

RECORD_HEADER = """\
$banner$
#pragma once

$includes$

/// $doc$
///
/// Pres-model structure "$structure$" ($id$).$inherits$
class HLVPRES_API $name$ : public $base$ {
 public:
  /// The record's id in the pres-model namespace.
  static constexpr unsigned int ID = $id$;

  $name$();

  RefCntPtr<IParameters> AsIParameters() const override;
  unsigned int GetDefaultParamID() const override;
$accessors$
 protected:
  ~$name$() override;

 private:
$members$
};

/// Writes and reads $name$ records.
template <>
class HLVPRES_API $serializer$ final
    : public PresModelStructSerializer<$name$> {
 public:
  /// Writes the fields of `model`, in declaration order, into the current level of `ss`.
  static void ToSerializer(const RefCntPtr<const $name$>& model, SerializeStructure& ss);

  /// Reads the fields present in `bag` into `*into`, or into a new record when `into` is null
  /// or holds none, and returns that record. Missing fields and fields of another type keep
  /// their values. `id` is the record's own parameter id; the fields do not need it.
  static RefCntPtr<$name$> ToObject(RefCntPtr<const IParameters> bag, unsigned int id,
                                    RefCntPtr<$name$>* into);

  /// Reads a new record from the JSON object `object`, which the caller has checked is one:
  /// the values of the reader's context first, then every member. The record is the one
  /// ToObject makes from the bag read for the object; `id` is passed on as ToObject's.
  static RefCntPtr<$name$> FromJson(const JsonValue& object, unsigned int id, const JsonReadScope& scope);

  /// Reads the member `name` into `model` when it names one of the record's fields, its base's
  /// included, and returns true; a member whose JSON does not fit leaves the field as it is.
  /// Returns false for any other name.
  static bool ReadJsonMember($name$& model, std::string_view name, const JsonValue& value,
                             const JsonReadScope& scope);
};

template <>
HLVPRES_API RefCntPtr<IStructureSerializer> CreateStructureSerializer<$serializer$>();
"""

RECORD_SOURCE = """\
$name$::$name$()$initializers$ {}

$name$::~$name$() = default;

RefCntPtr<IParameters> $name$::AsIParameters() const {
  RefCntPtr<IParameters> bag = ParametersRegistry::Get().CreateParameters();
  bag->SetParameter(ID, MakeValParameter(RefCntPtr<const $name$>(this)));
  return bag;
}

unsigned int $name$::GetDefaultParamID() const { return ID; }

void $serializer$::ToSerializer(
    const RefCntPtr<const $name$>& model, SerializeStructure& ss) {
$writes$
}

RefCntPtr<$name$> $serializer$::ToObject(
    RefCntPtr<const IParameters> bag, unsigned int id, RefCntPtr<$name$>* into) {
  RefCntPtr<$name$> model = into != nullptr && *into ? *into : MakeRefCnt<$name$>();
$reads$
  return model;
}

RefCntPtr<$name$> $serializer$::FromJson(
    const JsonValue& object, unsigned int id, const JsonReadScope& scope) {
  return ReadRecordJson<$serializer$, $name$>(object, id, scope);
}

bool $serializer$::ReadJsonMember(
    $params$) {
$member_reads$
}

template <>
RefCntPtr<IStructureSerializer> CreateStructureSerializer<$serializer$>() {
  return MakeRefCnt<$serializer$>();
}
"""

# Headers for the value types a field may hold.
VALUE_HEADERS = {
    "TString": "host/TString.h",
    "PasswordString": "host/values/SimpleValues.h",
    "QualifiedName": "host/values/QualifiedName.h",
    "FieldName": "host/values/SimpleValues.h",
    "QImage": "parameters/ImageSerializers.h",
    "DataValue": "host/values/DataValue.h",
    "AliasedDataValue": "parameters/DataValueSerializers.h",
}


def member_name(field):
    """"InitialSQLParameter" -> "m_initialSQLParameters"; "UIProperty" -> "m_uiProperty"."""
    name = field.name
    m = re.match(r"([A-Z]+)(?=[A-Z][a-z])|([A-Z]+)$|([A-Z])", name)
    head = m.group(0)
    name = head.lower() + name[len(head):]
    return "m_" + name + ("s" if field.type.container else "")


class FieldModel:
    """What the generator needs to know of one field to write its C++."""

    def __init__(self, field, schema):
        self.field = field
        t = field.type
        kind = field.element_kind
        if kind == "record":
            self.element = f"RefCntPtr<const {t.element}>"
        elif kind == "enum":
            self.element = t.element
        else:
            self.element = VALUE_TYPES[t.element]
        self.by_value = t.element in SCALAR_TYPES or kind == "enum"
        if t.container == "list":
            self.storage = f"std::vector<{self.element}>"
        elif t.container == "map":
            self.storage = f"std::map<TString, {self.element}>"
        else:
            self.storage = self.element
        self.member = member_name(field)
        self.schema = schema

    @property
    def is_structure(self):
        """Written through a structure serializer: nested records and aliased data values."""
        return self.field.element_kind == "record" or self.field.type.element == "AliasedDataValue"

    @property
    def structure_serializer(self):
        element = self.field.type.element
        if element == "AliasedDataValue":
            return "AliasedDataValueSerializer"
        return f"PresModelSerializer<{element}>"

    def default(self):
        """The member's initializer, or None when the type's own default is right."""
        field, default = self.field, self.field.default
        if field.type.container:
            return None
        if field.element_kind == "record":
            return f"MakeRefCnt<{field.type.element}>()" if default == "new" else None
        if field.element_kind == "enum":
            if default is None:
                return f"{field.type.element}{{}}"
            if re.fullmatch(r"-?\d+", default):
                return f"static_cast<{field.type.element}>({default})"
            return f"{field.type.element}::{self.schema.enums[field.type.element].by_string[default].enumerator}"
        return default

    def comment(self):
        field, p = self.field, self.field.parameter
        if field.guard:
            return (f"// {field.type.token} {field.name}: set while the record is being written, so that the "
                    "writer writes nothing when it is entered again; never written or read.")
        what = f'"{p.name}" {p.id:#010x}'
        if field.item is not None:
            what += f', items "{field.item.name}"'
        when = {"non-empty": ", written only when not empty", "set": ", written only when set",
                "has-value": ", written only when it holds a value"}.get(field.when, "")
        return f"// {field.type.token} {field.name}: {what}{when}"

    def accessors(self):
        f, n, m = self.field, self.field.name, self.member
        e, s = self.element, self.storage
        if f.type.container == "list":
            add_param = f"{e} value" if f.element_kind == "record" else f"const {e}& value"
            add_body = "push_back(std::move(value))" if f.element_kind == "record" else "push_back(value)"
            return [
                f"void Add{n}({add_param}) {{ {m}.{add_body}; }}",
                f"void Clear{n}s() {{ {m}.clear(); }}",
                f"const {e}& Get{n}(unsigned int index) const {{ return {m}.at(index); }}",
                f"unsigned int Get{n}Count() const {{ return static_cast<unsigned int>({m}.size()); }}",
                f"const {s}& Get{n}s() const {{ return {m}; }}",
                f"void Set{n}s(const {s}& values) {{ {m} = values; }}",
                f"void Set{n}s({s}&& values) {{ {m} = std::move(values); }}",
            ]
        if f.type.container == "map":
            return [
                f"void Add{n}(const TString& key, const {e}& value) {{ {m}.insert_or_assign(key, value); }}",
                f"void Clear{n}s() {{ {m}.clear(); }}",
                f"bool Has{n}(const TString& key) const {{ return {m}.count(key) != 0; }}",
                f"const {e}& Get{n}(const TString& key) const {{ return {m}.at(key); }}",
                f"unsigned int Get{n}Count() const {{ return static_cast<unsigned int>({m}.size()); }}",
                f"const {s}& Get{n}s() const {{ return {m}; }}",
                f"void Set{n}s(const {s}& values) {{ {m} = values; }}",
                f"void Set{n}s({s}&& values) {{ {m} = std::move(values); }}",
            ]
        getter = f.getter or f"Get{n}"
        if f.guard:  # serialization state: set through a const record, like the text cache
            return [f"bool {getter}() const {{ return {m}; }}",
                    f"void Set{n}(bool value) const {{ {m} = value; }}"]
        if self.by_value:
            return [f"{e} {getter}() const {{ return {m}; }}",
                    f"void Set{n}({e} value) {{ {m} = value; }}"]
        return [f"const {e}& {getter}() const {{ return {m}; }}",
                f"void Set{n}(const {e}& value) {{ {m} = value; }}",
                f"void Set{n}({e}&& value) {{ {m} = std::move(value); }}"]

    def write(self):
        """The statement of the field writer, or None for a field that is not written."""
        f = self.field
        if f.guard:
            return None
        getter = f"model->{f.getter or 'Get' + f.name}{'s' if f.type.container else ''}()"
        pid = f"DataParameters::{f.parameter.constant}"
        if f.type.container == "map":
            verbatim = "true" if "never-adulterate-map-keys" in f.parameter.flags else "false"
            return f"WriteMap(ss, {pid}, {getter}, {verbatim});"
        if f.type.container == "list" and self.is_structure:
            statement = (f"WriteStructureList<{self.structure_serializer}>(ss, {pid}, "
                         f"DataParameters::{f.item.constant}, {getter});")
        elif f.type.container == "list":
            statement = f"WriteList(ss, {pid}, {getter});"
        elif self.is_structure:
            statement = f"WriteStructure<{self.structure_serializer}>(ss, {pid}, {getter});"
        else:
            statement = f"WriteValue(ss, {pid}, {getter});"
        condition = {"non-empty": f"!{getter}.{'empty' if f.type.container else 'isEmpty'}()",
                     "set": getter, "has-value": f"{getter}.HasValue()"}.get(f.when)
        return f"if ({condition}) {statement}" if condition else statement

    def json_read(self):
        """The expression that reads the field's member, as an optional of its storage, or None
        for a field that is not read."""
        f = self.field
        if f.guard or "unserializable" in f.parameter.flags:
            return None
        pid = f"DataParameters::{f.parameter.constant}"
        if f.element_kind == "record":
            element = f.type.element
            if f.type.container == "list":
                return f"ReadJsonRecordList<{element}>(value, {pid}, scope)"
            return f"ReadJsonRecord<{element}>(value, {pid}, scope)"
        if f.type.container == "map" or f.type.element == "AliasedDataValue":
            return f"ReadJsonThroughRegistry<{self.storage}>(value, {pid}, scope)"
        serializer = serializer_of(f.parameter.value_type, f.parameter.kind, self.schema, self.schema.serializers).cpp
        if f.type.container == "list":
            return f"ReadJsonList<{serializer}>(value)"
        return f"ReadJsonValue<{serializer}>(value)"

    def read(self):
        f = self.field
        if f.guard:
            return None
        setter = f"Set{f.name}{'s' if f.type.container else ''}"
        return (f"if (const auto* value = FindParameterValue<{self.storage}>(*bag, "
                f"DataParameters::{f.parameter.constant})) model->{setter}(*value);")


def _header(record, schema, banner):
    fields = [FieldModel(f, schema) for f in record.fields]
    includes = {"host/parameters/IParameters.h", "host/parameters/SerializeStructure.h", "parameters/ParameterIds.h",
                "parameters/PresLayerExport.h", "presentation-model/PresModelStructSerializer.h"}
    std = set()
    for model in fields:
        element, container = model.field.type.element, model.field.type.container
        if model.field.element_kind == "record":
            includes.add(f"presentation-model/{element}.h")
        elif model.field.element_kind == "enum":
            includes.add(schema.enum_header(element))
        elif element in VALUE_HEADERS:
            includes.add(VALUE_HEADERS[element])
        if container == "list":
            std.add("vector")
        elif container == "map":
            std.add("map")
        if container or model.field.element_kind == "record":
            std.add("utility")
    std.add("string_view")
    if record.base:
        includes.add(f"presentation-model/{record.base.name}.h")
    include_lines = [f'#include "{h}"' for h in sorted(includes)] + [""] + [f"#include <{h}>" for h in sorted(std)]

    accessors = []
    for model in fields:
        accessors.append("")
        accessors.append("  " + model.comment())
        accessors.extend("  " + a for a in model.accessors())
    members = []
    for model in fields:
        mutable = "mutable " if model.field.guard else ""
        default = model.default()
        if default is None and model.by_value and not model.field.type.container:
            default = "false" if model.field.type.element == "bool" else "0"
        init = f" = {default}" if default is not None and model.field.element_kind != "record" else ""
        members.append(f"  {mutable}{model.storage} {model.member}{init};")
    p = record.presmodel
    inherits = f"\n/// Its fields follow those of {record.base.name}." if record.base else ""
    return fill(RECORD_HEADER, banner=banner, includes="\n".join(include_lines).strip(), doc=record.doc,
                structure=p.name, id=f"{p.id:#010x}", inherits=inherits, name=record.name,
                base=record.base.name if record.base else "PresentationModel",
                accessors="\n".join(accessors) + "\n", members="\n".join(members),
                serializer=record_serializer(record.name))


def _member_reads(record, fields):
    """The body of ReadJsonMember: the record's member names by length, then its base's."""
    by_length = {}
    for model in fields:
        expression = model.json_read()
        if expression is not None:
            by_length.setdefault(len(model.field.parameter.name.encode()), []).append((model, expression))
    lines = []
    if by_length:
        lines.append("  switch (name.size()) {")
        for length in sorted(by_length):
            lines.append(f"    case {length}:")
            for model, expression in by_length[length]:
                f = model.field
                setter = f"Set{f.name}{'s' if f.type.container else ''}"
                lines += [f'      if (name == "{f.parameter.name}") {{',
                          f"        if (auto field = {expression}) model.{setter}(std::move(*field));",
                          "        return true;",
                          "      }"]
            lines.append("      break;")
        lines += ["    default:", "      break;", "  }"]
    if record.base:
        lines.append(f"  return PresModelSerializer<{record.base.name}>::ReadJsonMember(model, name, value, scope);")
    else:
        lines.append("  return false;")
    uses_scope = record.base is not None or any("scope" in e for ms in by_length.values() for _, e in ms)
    used = bool(by_length) or record.base is not None
    params = ", ".join([f"{record.name}& {'model' if used else '/*model*/'}",
                        f"std::string_view {'name' if used else '/*name*/'}",
                        f"const JsonValue& {'value' if used else '/*value*/'}",
                        f"const JsonReadScope& {'scope' if uses_scope else '/*scope*/'}"])
    return "\n".join(lines), params


def _source_part(record, schema):
    fields = [FieldModel(f, schema) for f in record.fields]
    name = record.name
    initializers = [f"{m.member}({m.default()})" for m in fields
                    if m.field.element_kind == "record" and m.default() is not None]
    writes, reads = [], []
    if record.base:
        guard = record.guard_field
        base = f"PresModelSerializer<{record.base.name}>"
        writes += [
            f"  if (model->Get{guard.name}()) return;  // entered again while writing: write nothing",
            f"  SetRestoreValue<bool, std::function<void(bool)>> guard(",
            f"      [&model](bool value) {{ model->Set{guard.name}(value); }}, false, true);",
            f"  {base}::ToSerializer(model, ss);",
        ]
        reads += [f"  RefCntPtr<{record.base.name}> base = model;",
                  f"  {base}::ToObject(bag, id, &base);"]
    else:
        reads.append("  static_cast<void>(id);")
    writes += ["  " + w for w in (m.write() for m in fields) if w]
    reads += ["  " + r for r in (m.read() for m in fields) if r]
    member_reads, params = _member_reads(record, fields)
    return fill(RECORD_SOURCE, name=name, serializer=record_serializer(name),
                initializers=(" : " + ", ".join(initializers)) if initializers else "",
                writes="\n".join(writes), reads="\n".join(reads), member_reads=member_reads, params=params)


def generate(schema, output, sources):
    """Writes presentation-model/NAME.h for each record and presentation-model/STEM.records.cpp
    for each schema file."""
    by_source = {}
    for record in schema.records:
        banner = BANNER.format(source=sources[record.source]).rstrip("\n")
        output.add(f"presentation-model/{record.name}.h", _header(record, schema, banner))
        by_source.setdefault(record.source, []).append(record)
    for stem, records in by_source.items():
        banner = BANNER.format(source=sources[stem]).rstrip("\n")
        includes = sorted({f'#include "presentation-model/{r.name}.h"' for r in records} |
                          {'#include "host/parameters/ParametersRegistry.h"',
                           '#include "presentation-model/PresModelJsonReader.h"'})
        if any(r.base for r in records):
            includes += ['#include "host/SetRestoreValue.h"', "", "#include <functional>"]
        parts = [_source_part(r, schema) for r in records]
        output.add(f"presentation-model/{stem}.records.cpp",
                   banner + "\n" + "\n".join(includes) + "\n\n" + "\n".join(parts))
