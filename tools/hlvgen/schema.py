"""Reading and checking the schema: the parameter vocabulary, the enum tables and the records.

Every schema file is line-oriented: `#` starts a comment, tokens are separated by white space
and may be quoted as in a POSIX shell. Errors name the file and line.
"""

import os
import re
import shlex


class SchemaError(Exception):
    """A schema file that cannot be read, with the place where the problem is."""


def _lines(path):
    """Yields (line number, tokens) for each non-empty line of `path`."""
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            try:
                tokens = shlex.split(line, comments=True)
            except ValueError as e:
                raise SchemaError(f"{path}:{number}: {e}") from None
            if tokens:
                yield number, tokens


def camel_case(name):
    """"initial-sql-parameters" -> "InitialSqlParameters"."""
    return "".join(part[:1].upper() + part[1:] for part in re.split(r"[-_]", name) if part)


# --- The parameter vocabulary -------------------------------------------------------------

PARAMETER_KINDS = ("simple", "list", "map", "structure", "structure-list")
FLAGS = ("unserializable", "security-sensitive", "never-adulterate-map-keys")


class Namespace:
    def __init__(self, key, name, low, high):
        self.key, self.name, self.low, self.high = key, name, low, high
        self.parameters = []  # registration order
        self.by_name = {}
        self.flags = []  # (flag, Parameter), in the order they are set


class Parameter:
    def __init__(self, namespace, kind, name, pid, value_type, group, where):
        self.namespace, self.kind, self.name, self.id = namespace, kind, name, pid
        self.value_type = value_type  # as the catalogue names it, or None
        self.group = group  # index of the registration group
        self.where = where
        self.flags = []
        self.constant = camel_case(name)


class Vocabulary:
    def __init__(self):
        self.namespaces = []
        self.by_id = {}

    def namespace(self, key):
        for ns in self.namespaces:
            if ns.key == key:
                return ns
        raise KeyError(key)

    @property
    def data(self):
        return self.namespace("data")

    @property
    def presmodels(self):
        return self.namespace("presmodels")


def _hex(token, where):
    if not re.fullmatch(r"0x[0-9a-fA-F]{1,8}", token):
        raise SchemaError(f"{where}: '{token}' is not a 32-bit hexadecimal id")
    return int(token, 16)


def read_parameters(path):
    """Reads the parameter vocabulary from `path`."""
    vocabulary = Vocabulary()
    ns = None
    group = -1
    groups = []
    for number, tokens in _lines(path):
        where = f"{path}:{number}"
        head = tokens[0]
        if head == "namespace":
            if len(tokens) != 5:
                raise SchemaError(f"{where}: expected 'namespace KEY NAME LOW HIGH'")
            ns = Namespace(tokens[1], tokens[2], _hex(tokens[3], where), _hex(tokens[4], where))
            if any(other.key == ns.key or other.name == ns.name for other in vocabulary.namespaces):
                raise SchemaError(f"{where}: namespace '{ns.name}' is declared twice")
            vocabulary.namespaces.append(ns)
        elif head == "group":
            if ns is None or len(tokens) != 2:
                raise SchemaError(f"{where}: expected 'group \"TEXT\"' inside a namespace")
            group += 1
            groups.append(tokens[1])
        elif head == "flag":
            if ns is None or len(tokens) != 3 or tokens[1] not in FLAGS:
                raise SchemaError(f"{where}: expected 'flag ({'|'.join(FLAGS)}) NAME'")
            parameter = ns.by_name.get(tokens[2])
            if parameter is None:
                raise SchemaError(f"{where}: no parameter '{tokens[2]}' in namespace '{ns.name}'")
            if tokens[1] in parameter.flags:
                raise SchemaError(f"{where}: '{tokens[2]}' is flagged {tokens[1]} twice")
            if tokens[1] == "never-adulterate-map-keys" and parameter.kind != "map":
                raise SchemaError(f"{where}: only maps can be flagged never-adulterate-map-keys")
            parameter.flags.append(tokens[1])
            ns.flags.append((tokens[1], parameter))
        elif head in PARAMETER_KINDS:
            if ns is None or group < 0 or len(tokens) != 4:
                raise SchemaError(f"{where}: expected 'KIND NAME ID TYPE' inside a namespace and group")
            _, name, pid, value_type = tokens
            pid = _hex(pid, where)
            if not ns.low <= pid <= ns.high:
                raise SchemaError(f"{where}: id {pid:#010x} lies outside namespace '{ns.name}'")
            if pid in vocabulary.by_id:
                raise SchemaError(f"{where}: id {pid:#010x} is used twice")
            if name in ns.by_name:
                raise SchemaError(f"{where}: name '{name}' is used twice in '{ns.name}'")
            parameter = Parameter(ns, head, name, pid, None if value_type == "-" else value_type, group, where)
            ns.parameters.append(parameter)
            ns.by_name[name] = parameter
            vocabulary.by_id[pid] = parameter
        else:
            raise SchemaError(f"{where}: unknown directive '{head}'")
    vocabulary.groups = groups
    for ns in vocabulary.namespaces:
        constants = {}
        for parameter in ns.parameters:
            other = constants.setdefault(parameter.constant, parameter)
            if other is not parameter:
                raise SchemaError(f"{parameter.where}: '{parameter.name}' and '{other.name}' "
                                  f"both make the constant {parameter.constant}")
    return vocabulary


# --- Records ------------------------------------------------------------------------------

# Field types that are not records or enums: schema token -> C++ storage type.
VALUE_TYPES = {
    "bool": "bool",
    "int": "int",
    "unsigned": "unsigned int",
    "TString": "TString",
    "PasswordString": "PasswordString",
    "QualifiedName": "QualifiedName",
    "FieldName": "FieldName",
    "QImage": "QImage",
    "DataValue": "DataValue",
    "AliasedDataValue": "AliasedDataValue",
}
SCALAR_TYPES = ("bool", "int", "unsigned")  # passed by value, like enums
FIELD_OPTIONS = ("default", "when", "item", "getter", "guard")
WHEN = ("non-empty", "set", "has-value")


class FieldType:
    """A field's type: a value, an enum or a record, or a list or map of one."""

    def __init__(self, token, container, element):
        self.token = token  # as written in the schema
        self.container = container  # None, "list" or "map"
        self.element = element  # the element's schema token

    @staticmethod
    def parse(token, where):
        m = re.fullmatch(r"\[(\S+)\]|\{(\S+)\}|([A-Za-z_][\w:]*)", token)
        if not m:
            raise SchemaError(f"{where}: '{token}' is not a type")
        if m.group(1):
            return FieldType(token, "list", m.group(1))
        if m.group(2):
            return FieldType(token, "map", m.group(2))
        return FieldType(token, None, m.group(3))


class Field:
    def __init__(self, record, type_, name, parameter, options, where):
        self.record, self.type, self.name, self.where = record, type_, name, where
        self.parameter = parameter  # data Parameter, or None for a field that is not serialized
        self.default = options.get("default")
        self.when = options.get("when")
        self.item = options.get("item")  # data Parameter of the items of a record list
        self.getter = options.get("getter")
        self.guard = "guard" in options
        self.element_kind = None  # "value", "enum" or "record"; set when the schema is linked


class Record:
    def __init__(self, name, base, where):
        self.name, self.base_name, self.where = name, base, where
        self.base = None
        self.doc = ""
        self.fields = []
        self.source = None  # the schema file's stem
        self.presmodel = None  # its pres-model Parameter

    @property
    def guard_field(self):
        return next((f for f in self.fields if f.guard), None)

    def all_fields(self):
        """Inherited fields first, then its own."""
        return (self.base.all_fields() if self.base else []) + self.fields


def read_records(path, vocabulary):
    """Reads the records of one schema file."""
    records = []
    record = None
    data = vocabulary.data
    for number, tokens in _lines(path):
        where = f"{path}:{number}"
        head = tokens[0]
        if head == "record":
            if record is not None:
                raise SchemaError(f"{where}: 'record' inside record {record.name}; missing 'end'")
            if len(tokens) == 2:
                record = Record(tokens[1], None, where)
            elif len(tokens) == 4 and tokens[2] == ":":
                record = Record(tokens[1], tokens[3], where)
            else:
                raise SchemaError(f"{where}: expected 'record NAME' or 'record NAME : BASE'")
            record.source = os.path.splitext(os.path.basename(path))[0]
        elif record is None:
            raise SchemaError(f"{where}: '{head}' outside a record")
        elif head == "end":
            records.append(record)
            record = None
        elif head == "doc":
            if len(tokens) != 2:
                raise SchemaError(f"{where}: expected 'doc \"TEXT\"'")
            record.doc = tokens[1]
        else:
            if len(tokens) < 3:
                raise SchemaError(f"{where}: expected 'TYPE NAME PARAMETER [OPTION=VALUE...]'")
            type_, name, parameter_name = FieldType.parse(tokens[0], where), tokens[1], tokens[2]
            options = {}
            for option in tokens[3:]:
                key, _, value = option.partition("=")
                if key not in FIELD_OPTIONS or key in options:
                    raise SchemaError(f"{where}: unknown or repeated option '{option}'")
                options[key] = value
            if not re.fullmatch(r"[A-Z]\w*", name):
                raise SchemaError(f"{where}: field name '{name}' must start with a capital letter")
            parameter = None
            if parameter_name != "-":
                parameter = data.by_name.get(parameter_name)
                if parameter is None:
                    raise SchemaError(f"{where}: no data parameter '{parameter_name}'")
            if "item" in options:
                item = data.by_name.get(options["item"])
                if item is None:
                    raise SchemaError(f"{where}: no data parameter '{options['item']}' for the items")
                options["item"] = item
            if options.get("when") is not None and options["when"] not in WHEN:
                raise SchemaError(f"{where}: 'when' is one of {', '.join(WHEN)}")
            if "guard" in options and options["guard"]:
                raise SchemaError(f"{where}: 'guard' takes no value")
            if (parameter is None) != ("guard" in options):
                raise SchemaError(f"{where}: exactly the guard field has no parameter ('-')")
            record.fields.append(Field(record, type_, name, parameter, options, where))
    if record is not None:
        raise SchemaError(f"{path}: record {record.name} has no 'end'")
    return records


class Schema:
    def __init__(self, vocabulary, records, enums, serializers):
        self.vocabulary = vocabulary
        self.records = records  # pres-model registration order
        self.by_name = {r.name: r for r in records}
        self.enums = enums  # name -> EnumTable, the library's own
        self.serializers = serializers  # value type -> Serializer, for the other value types

    def is_enum(self, name):
        return name in self.enums or (name in self.serializers and self.serializers[name].kind == "enum")

    def enum_header(self, name):
        return self.enums[name].header if name in self.enums else self.serializers[name].header


# The parameter value type a field of each schema value type is written under.
_PARAMETER_VALUE_TYPE = {"unsigned": "unsigned int"}


def link(vocabulary, record_lists, enums, serializers):
    """Checks the records against the vocabulary and each other; returns the Schema."""
    schema = Schema(vocabulary, [], enums, serializers)
    records = {}
    for record in (r for rs in record_lists for r in rs):
        if record.name in records:
            raise SchemaError(f"{record.where}: record {record.name} is declared twice")
        records[record.name] = record

    presmodels = {p.value_type: p for p in vocabulary.presmodels.parameters}
    for record in records.values():
        record.presmodel = presmodels.get(record.name)
        if record.presmodel is None:
            raise SchemaError(f"{record.where}: no pres-model parameter has the type {record.name}")
        if record.base_name:
            record.base = records.get(record.base_name)
            if record.base is None:
                raise SchemaError(f"{record.where}: unknown base record {record.base_name}")
            guard = record.guard_field
            expected = "IsSerializing" + record.name
            if guard is None or guard.name != expected or guard.type.token != "bool":
                raise SchemaError(f"{record.where}: a derived record needs the guard field 'bool {expected} - guard'")
        elif record.guard_field is not None:
            raise SchemaError(f"{record.guard_field.where}: only derived records have a guard field")

    for record in records.values():
        seen = {}
        for field in record.all_fields():
            if field.name in seen and seen[field.name] is not field:
                raise SchemaError(f"{field.where}: field {field.name} is declared twice in {record.name}")
            seen[field.name] = field
        for field in record.fields:
            _link_field(field, records, schema)
        _check_accessors(record)

    schema.records = [records[p.value_type] for p in vocabulary.presmodels.parameters if p.value_type in records]
    schema.by_name = {r.name: r for r in schema.records}
    return schema


def _link_field(field, records, schema):
    where, element, container = field.where, field.type.element, field.type.container
    if element in VALUE_TYPES:
        field.element_kind = "value"
    elif schema.is_enum(element):
        field.element_kind = "enum"
    elif element in records:
        field.element_kind = "record"
    else:
        raise SchemaError(f"{where}: unknown type '{element}'")

    if field.guard:
        return
    parameter = field.parameter
    # What the parameter must be for the field to be written under it.
    if field.element_kind == "record" or element == "AliasedDataValue":
        kind = "structure-list" if container == "list" else "structure"
        if container == "map":
            raise SchemaError(f"{where}: maps of records are not supported")
    else:
        kind = {"list": "list", "map": "map", None: "simple"}[container]
    value_type = _PARAMETER_VALUE_TYPE.get(element, element)
    if parameter.kind != kind or parameter.value_type != value_type:
        raise SchemaError(f"{where}: parameter '{parameter.name}' is a {parameter.kind} of {parameter.value_type}, "
                          f"not a {kind} of {value_type}")
    if (kind == "structure-list") != (field.item is not None):
        raise SchemaError(f"{where}: exactly the lists of records name their items with 'item='")

    when = field.when
    if when == "non-empty" and not (container or element == "TString"):
        raise SchemaError(f"{where}: only strings, lists and maps can be written 'when=non-empty'")
    if when == "set" and (container or field.element_kind != "record"):
        raise SchemaError(f"{where}: only nested records can be written 'when=set'")
    if when == "has-value" and (container or element != "AliasedDataValue"):
        raise SchemaError(f"{where}: only aliased data values can be written 'when=has-value'")
    if container == "map" and when != "non-empty":
        raise SchemaError(f"{where}: an empty map is never written; mark it 'when=non-empty'")

    default = field.default
    if field.element_kind == "record" and not container:
        if default not in ("new", "null"):
            raise SchemaError(f"{where}: a nested record starts as 'default=new' or 'default=null'")
    elif default is not None:
        if container:
            raise SchemaError(f"{where}: lists and maps start empty")
        if field.element_kind == "enum":
            table = schema.enums.get(element)
            if not re.fullmatch(r"-?\d+", default) and (table is None or default not in table.by_string):
                raise SchemaError(f"{where}: '{default}' is not a string of {element} (give host enums by number)")
        elif element == "bool" and default not in ("true", "false"):
            raise SchemaError(f"{where}: a bool starts 'true' or 'false'")
        elif element in ("int", "unsigned") and not re.fullmatch(r"-?\d+", default):
            raise SchemaError(f"{where}: '{default}' is not a number")
        elif element not in SCALAR_TYPES and field.element_kind != "enum":
            raise SchemaError(f"{where}: a {element} starts at its own default")


def _check_accessors(record):
    """Two fields must not make the same accessor name."""
    names = {}
    for field in record.all_fields():
        for accessor in accessor_names(field):
            other = names.setdefault(accessor, field)
            if other is not field:
                raise SchemaError(f"{field.where}: fields {other.name} and {field.name} both make {accessor}")


def accessor_names(field):
    """The names of the accessors a field gives its record."""
    n = field.name
    if field.type.container == "list":
        return [f"Add{n}", f"Clear{n}s", f"Get{n}", f"Get{n}Count", f"Get{n}s", f"Set{n}s"]
    if field.type.container == "map":
        return [f"Add{n}", f"Clear{n}s", f"Has{n}", f"Get{n}", f"Get{n}Count", f"Get{n}s", f"Set{n}s"]
    return [field.getter or f"Get{n}", f"Set{n}"]


# --- Serializers --------------------------------------------------------------------------

class Serializer:
    """How the values of one value type are written: the serializer class, how it is created
    and the header that declares it."""

    def __init__(self, kind, value_type, cpp, header, factory=None):
        self.kind = kind  # "value", "enum" (a host enum, a value passed by value) or "structure"
        self.value_type, self.cpp, self.header = value_type, cpp, header
        self.custom_factory = factory

    @property
    def is_structure(self):
        return self.kind == "structure"

    @property
    def factory(self):
        if self.custom_factory:
            return "&" + self.custom_factory
        creator = "CreateStructureSerializer" if self.is_structure else "CreateParameterSerializer"
        return f"&{creator}<{self.cpp}>"


def read_serializers(path):
    """Reads the serializers of the value types that are not enums or records."""
    serializers = {}
    for number, tokens in _lines(path):
        where = f"{path}:{number}"
        if len(tokens) not in (4, 5) or tokens[0] not in ("value", "enum", "structure"):
            raise SchemaError(f"{where}: expected '(value|enum|structure) TYPE SERIALIZER HEADER [FACTORY]'")
        if tokens[1] in serializers:
            raise SchemaError(f"{where}: '{tokens[1]}' has two serializers")
        serializers[tokens[1]] = Serializer(*tokens)
    return serializers


def serializer_of(value_type, kind, schema, serializers):
    """The Serializer of a parameter's value type, or None when there is none yet."""
    if value_type is None:
        return None
    if value_type in serializers:
        return serializers[value_type]
    if value_type in schema.enums:
        table = schema.enums[value_type]
        return Serializer("enum", value_type, f"ParameterTypeSerializer<{value_type}>", table.header)
    if value_type in schema.by_name:
        record = schema.by_name[value_type]
        return Serializer("structure", value_type, record_serializer(record.name),
                          f"presentation-model/{record.name}.h")
    return None


def record_serializer(name):
    return f"StructSerializer<RefCntPtr<const {name}>, RefCntPtr<{name}>>"


# --- Enum tables --------------------------------------------------------------------------

class EnumEntry:
    def __init__(self, value, text, enumerator):
        self.value, self.text, self.enumerator = value, text, enumerator


class EnumTable:
    """One enum with its string table: C++ name (qualified where nested), default and entries in
    ascending order of value."""

    def __init__(self, name, default, section, where, host=False):
        self.name, self.default, self.section, self.where = name, default, section, where
        self.host = host
        self.entries = []
        self.by_string = {}

    # The header that declares the enum's serializer; it includes the host's enums too.
    header = "parameters/Enums.h"

    @property
    def scope(self):
        """The namespace the enum is declared in ("TableCalc"), or None."""
        return self.name.rpartition("::")[0] or None

    @property
    def short_name(self):
        return self.name.rpartition("::")[2]

    @property
    def identifier(self):
        """A name usable in C++ identifiers: "TableCalcRelativeAddress"."""
        return self.name.replace("::", "")

    @property
    def default_entry(self):
        return next((e for e in self.entries if e.value == self.default), None)


def _enumerator(text):
    """"auth-option-explicit" -> "AuthOptionExplicit"; "multiPolygon" -> "MultiPolygon"."""
    return camel_case(text)


def read_enums(path):
    """Reads the enum string tables; returns them by name, in file order."""
    tables = {}
    table = None
    for number, tokens in _lines(path):
        where = f"{path}:{number}"
        if tokens[0] == "enum":
            m = re.fullmatch(r"default=(-?\d+)", tokens[2]) if len(tokens) in (3, 4) else None
            host = len(tokens) == 4 and tokens[3] == "host"
            if (table is not None or not m or not re.fullmatch(r"[A-Z]\w*(::[A-Z]\w*)?", tokens[1])
                    or (len(tokens) == 4 and not host)):
                raise SchemaError(f"{where}: expected 'enum NAME default=VALUE [host]' outside a table")
            if tokens[1] in tables:
                raise SchemaError(f"{where}: enum {tokens[1]} is declared twice")
            table = EnumTable(tokens[1], int(m.group(1)), None, where, host)
        elif tokens[0] == "end":
            if table is None or not table.entries:
                raise SchemaError(f"{where}: 'end' without a table, or a table without entries")
            tables[table.name] = table
            table = None
        else:
            if table is None or len(tokens) != 2 or not re.fullmatch(r"-?\d+", tokens[0]):
                raise SchemaError(f"{where}: expected 'VALUE \"STRING\"' inside a table")
            value, text = int(tokens[0]), tokens[1]
            if not -2**31 <= value < 2**31:
                raise SchemaError(f"{where}: {value} is not a 32-bit value")
            if table.entries and value <= table.entries[-1].value:
                raise SchemaError(f"{where}: values must ascend")
            enumerator = _enumerator(text)
            if not re.fullmatch(r"[A-Z][A-Za-z0-9]*", enumerator):
                raise SchemaError(f"{where}: '{text}' makes no C++ enumerator")
            if any(e.enumerator == enumerator for e in table.entries):
                raise SchemaError(f"{where}: '{text}' makes the enumerator {enumerator} twice")
            table.entries.append(EnumEntry(value, text, enumerator))
            table.by_string.setdefault(text, table.entries[-1])
    if table is not None:
        raise SchemaError(f"{path}: enum {table.name} has no 'end'")
    # Sections are the `# --- Title ---` comments; assign each table the one above it.
    with open(path, encoding="utf-8") as f:
        section = None
        for line in f:
            m = re.match(r"#\s*---\s*(.*?)\s*-*\s*$", line)
            if m:
                section = m.group(1)
            m = re.match(r"enum\s+(\S+)", line)
            if m and m.group(1) in tables:
                tables[m.group(1)].section = section
    return tables
