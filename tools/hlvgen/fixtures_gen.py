"""Generates the test fixtures of the records: one function per record that sets every field.

The fixtures give every scalar a value other than its default, every string non-ASCII text
with characters JSON must escape, every list two elements, every map two entries and every
nested record (optional ones included) a full record of its own. Values of the host's classes
come from the hand-written `Sample<T>(label)` of tests/RecordSamples.h.
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

namespace {

$declarations$

$definitions$
}  // namespace

const std::vector<FullRecordSample>& FullRecordSamples() {
  static const std::vector<FullRecordSample> samples = {
$samples$
  };
  return samples;
}
"""


def _enum_sample(field, schema, index):
    """An entry of the enum other than the field's default, a different one for each `index`."""
    element = field.type.element
    if element not in schema.enums:  # a host enum
        return f'Sample<{element}>("{index}")'
    table = schema.enums[element]
    default = field.default
    if default is None:
        default_value = 0
    elif default in table.by_string:
        default_value = table.by_string[default].value
    else:
        default_value = int(default)
    others = [e for e in table.entries if e.value != default_value]
    entry = others[(len(others) - 1 - index) % len(others)]
    return f"{element}::{entry.enumerator}"


def _element(field, model, schema, label, index):
    element = field.type.element
    if field.element_kind == "record":
        return f"Full{element}()"
    if field.element_kind == "enum":
        return _enum_sample(field, schema, index)
    if element == "bool":
        return "false" if field.default == "true" else "true"
    if element == "int":
        return str(-1000 - index if field.default == "-1" else 1000 + index)
    if element == "unsigned":
        return f"{4000000000 - index}u"
    return f'Sample<{model.element}>("{label}")'


def _sets(record, schema):
    lines = []
    for field in record.all_fields():
        if field.guard:
            continue
        model = FieldModel(field, schema)
        label = f"{record.name}.{field.name}"
        container = field.type.container
        if container == "list":
            items = ", ".join(_element(field, model, schema, f"{label}[{i}]", i) for i in range(2))
            lines.append(f"  model->Set{field.name}s({{{items}}});")
        elif container == "map":
            for i, key in enumerate(("Kéy \\\"1\\\"", "key2")):
                value = _element(field, model, schema, f"{label}[{i}]", i)
                lines.append(f'  model->Add{field.name}(QStringLiteral("{key}"), {value});')
        else:
            lines.append(f"  model->Set{field.name}({_element(field, model, schema, label, 0)});")
    return lines


def generate(schema, output, source):
    banner = BANNER.format(source=source).rstrip("\n")
    declarations, definitions, samples = [], [], []
    for record in schema.records:
        declarations.append(f"RefCntPtr<{record.name}> Full{record.name}();")
        body = "\n".join(_sets(record, schema))
        definitions.append(f"RefCntPtr<{record.name}> Full{record.name}() {{\n"
                           f"  RefCntPtr<{record.name}> model = MakeRefCnt<{record.name}>();\n{body}\n"
                           f"  return model;\n}}\n")
        parameters = ", ".join(f'"{f.parameter.name}"' for f in record.all_fields() if not f.guard)
        samples.append(f'      {{"{record.presmodel.name}", [] {{ return Full{record.name}()->AsIParameters(); }},\n'
                       f"       {{{parameters}}}}},")
    includes = "\n".join(sorted(f'#include "presentation-model/{r.name}.h"' for r in schema.records))
    output.add("tests/RecordFixtures.cpp", fill(SOURCE, banner=banner, includes=includes,
                                                 declarations="\n".join(declarations),
                                                 definitions="\n".join(definitions), samples="\n".join(samples)))
