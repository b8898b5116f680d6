"""Generates the test fixtures of the records: one function per record that sets every field.

Variant 0 of a record gives every scalar a value other than its default, every string
non-ASCII text with characters JSON must escape, every list two or three elements, every map
two entries and every nested record (optional ones included) a full record of its own. Values
differ from field to field, so that a reader or writer that swaps, drops or shifts a field
changes the text: numbers and strings carry the field's place, enum fields of one type take
different entries, lists of one record differ in length, nested records are different variants.
Booleans have only two values, so further variants set the n-th boolean field of a record off
its default when bit n of the variant's number is set: any two boolean fields differ in one
of them. Values of the host's classes come from the hand-written `Sample<T>(label)` of
tests/RecordSamples.h.
"""

from .records_gen import FieldModel
from .schema import SCALAR_TYPES
from .writer import BANNER, fill

SOURCE = """\
$banner$
// Test fixtures: every record with every field set.
#include "tests/RecordFixtures.h"

#include "tests/RecordSamples.h"

$includes$

#include <string>

namespace {

$helpers$
$declarations$

$definitions$
}  // namespace

const int kFullRecordVariants = $variants$;

const std::vector<FullRecordSample>& FullRecordSamples() {
  static const std::vector<FullRecordSample> samples = {
$samples$
  };
  return samples;
}
"""



# The helpers of the fixtures, each emitted only where a fixture calls it: a small schema may
# leave some unused, which compilers warn about.
_HELPERS = {
    "OffDefault": """\
// Whether the `ordinal`-th boolean field of a record is off its default in `variant`: in
// variant 0 always, in variant v when bit v - 1 of the ordinal is set. Nested records get
// variants past the bits of an int, where no boolean is off its default.
bool OffDefault(int variant, int ordinal) {
  if (variant == 0) return true;
  return variant <= 31 && ((ordinal >> (variant - 1)) & 1) != 0;
}
""",
    "Number": """\
// A number that tells the variant and the field's place apart.
int Number(int variant, int place) { return 1000 + 100 * variant + place; }
""",
    "Nested": """\
// The variant of the `place`-th nested record of a record in `variant`: distinct for every
// place of one record, and small, so that numbers stay far from overflowing at any depth.
int Nested(int variant, int place) { return 1 + (8 * variant + place) % 997; }
""",
    "Label": """\
// A sample's label, with the variant after variant 0.
std::string Label(const char* label, int variant) {
  return variant == 0 ? std::string(label) : std::string(label) + "#" + std::to_string(variant);
}
""",
}


def _enum_sample(field, schema, index, ordinal):
    """An entry of the enum other than the field's default: a different one for each list
    `index` and for each `ordinal`, the field's place among the record's fields of its enum."""
    element = field.type.element
    if element not in schema.enums:  # a host enum
        return f'Sample<{element}>("{index + ordinal}")'
    table = schema.enums[element]
    default = field.default
    if default is None:
        default_value = 0
    elif default in table.by_string:
        default_value = table.by_string[default].value
    else:
        default_value = int(default)
    others = [e for e in table.entries if e.value != default_value]
    entry = others[(len(others) - 1 - index - ordinal) % len(others)]
    return f"{element}::{entry.enumerator}"


class _Places:
    """Counts the fields of a record by kind, to give each its own value."""

    def __init__(self):
        self.counts = {}

    def next(self, kind):
        place = self.counts.get(kind, 0)
        self.counts[kind] = place + 1
        return place


def _element(field, model, schema, label, index, place, ordinal):
    element = field.type.element
    if field.element_kind == "record":
        return f"Full{element}(Nested(variant, {place * 4 + index}))"
    if field.element_kind == "enum":
        return _enum_sample(field, schema, index, ordinal)
    if element == "bool":
        off = f"OffDefault(variant, {ordinal + index})"
        return f"!{off}" if field.default == "true" else off
    if element == "int":
        number = f"Number(variant, {place * 4 + index})"
        return f"-{number}" if field.default == "-1" else number
    if element == "unsigned":
        return f"4000000000u - static_cast<unsigned>(Number(variant, {place * 4 + index}))"
    return f'Sample<{model.element}>(Label("{label}", variant).c_str())'


def _sets(record, schema):
    lines = []
    places = _Places()
    bools = 0
    for place, field in enumerate(f for f in record.all_fields() if not f.guard):
        model = FieldModel(field, schema)
        label = f"{record.name}.{field.name}"
        container = field.type.container
        if field.type.element == "bool":
            ordinal = bools
        else:
            ordinal = places.next((field.element_kind, field.type.element))
        if container == "list":
            length = 2 + places.next("list") % 2
            items = ", ".join(_element(field, model, schema, f"{label}[{i}]", i, place, ordinal)
                              for i in range(length))
            lines.append(f"  model->Set{field.name}s({{{items}}});")
            if field.type.element == "bool":
                bools += length
        elif container == "map":
            for i, key in enumerate(("Kéy \\\"1\\\"", "key2")):
                value = _element(field, model, schema, f"{label}[{i}]", i, place, ordinal)
                lines.append(f'  model->Add{field.name}(QStringLiteral("{key}"), {value});')
            if field.type.element == "bool":
                bools += 2
        else:
            lines.append(f"  model->Set{field.name}({_element(field, model, schema, label, 0, place, ordinal)});")
            if field.type.element == "bool":
                bools += 1
    return lines, bools


def generate(schema, output, source):
    banner = BANNER.format(source=source).rstrip("\n")
    declarations, definitions, samples = [], [], []
    most_bools = 1
    for record in schema.records:
        declarations.append(f"RefCntPtr<{record.name}> Full{record.name}(int variant);")
        lines, bools = _sets(record, schema)
        most_bools = max(most_bools, bools)
        body = "\n".join(lines)
        definitions.append(f"RefCntPtr<{record.name}> Full{record.name}(int variant) {{\n"
                           f"  RefCntPtr<{record.name}> model = MakeRefCnt<{record.name}>();\n{body}\n"
                           f"  return model;\n}}\n")
        parameters = ", ".join(f'"{f.parameter.name}"' for f in record.all_fields() if not f.guard)
        samples.append(f'      {{"{record.presmodel.name}", [](int variant) {{ return Full{record.name}(variant)->AsIParameters(); }},\n'
                       f"       {{{parameters}}}}},")
    includes = "\n".join(sorted(f'#include "presentation-model/{r.name}.h"' for r in schema.records))
    used = "\n".join(definitions)
    helpers = "\n".join(code for name, code in _HELPERS.items() if f"{name}(" in used)
    output.add("tests/RecordFixtures.cpp", fill(SOURCE, banner=banner, includes=includes, helpers=helpers,
                                                 declarations="\n".join(declarations), variants=str(1 + (most_bools - 1).bit_length()),
                                                 definitions="\n".join(definitions), samples="\n".join(samples)))
