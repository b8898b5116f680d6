#!/usr/bin/env python3
"""Tests of the code generator: the real schema generates, and broken schemas are refused with
the file and line of the fault."""

import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import generate  # noqa: E402
from hlvgen.schema import SchemaError  # noqa: E402

PARAMETERS = """\
namespace data hlvdata 0xd9000001 0xd9ffffff
group "Values."
simple  flag      0xd9000001  bool
simple  text      0xd9000002  TString
list    texts     0xd9000003  TString
map     attrs     0xd9000004  TString
simple  mode      0xd9000005  Mode
group "Records."
structure       item   0xd9000006  ItemPresModel
structure-list  items  0xd9000007  ItemPresModel
namespace presmodels hlvdata-presmodels 0x02000000 0x02ffffff
group "Records."
structure  gen-item-pres-model  0x02000001  ItemPresModel
structure  gen-box-pres-model   0x02000002  BoxPresModel
"""

SERIALIZERS = """\
value bool "ParameterTypeSerializer<bool>" host/parameters/ParameterTypeSerializer.h
value TString TStringSerializer host/parameters/ParameterTypeSerializer.h
"""

ENUMS = """\
enum Mode default=0
  0 "mode-off"
  1 "mode-on"
end
"""

RECORDS = """\
record ItemPresModel
  doc "One item."
  TString  Text  text
  Mode     Mode  mode  default=mode-on
end
record BoxPresModel
  doc "A box of items."
  bool             Flag  flag   default=true
  [TString]        Text  texts
  {TString}        Attr  attrs  when=non-empty
  ItemPresModel    Item  item   default=new
  [ItemPresModel]  Entry items  item=item
end
"""

STRINGS = r"""# --- Greetings ---
kHello      16          "Hello, %1"
  de "Hallo, %1"
  fr "Bonjour, %1"
kOrder      0x0000000f  "%2 before %1: \\ \"quoted\""
  pt_BR "%2 antes de %1"
kPlain      4294967295  "Café 日本"
"""


class SchemaTest(unittest.TestCase):
    def build(self, parameters=PARAMETERS, enums=ENUMS, records=RECORDS, strings=STRINGS):
        with tempfile.TemporaryDirectory() as schema:
            os.makedirs(os.path.join(schema, "records"))
            for name, text in (("parameters.def", parameters), ("serializers.def", SERIALIZERS),
                               ("enums.def", enums), (os.path.join("records", "box.records"), records),
                               ("strings.def", strings)):
                with open(os.path.join(schema, name), "w", encoding="utf-8") as f:
                    f.write(textwrap.dedent(text))
            return generate.build(schema)

    def assertRefused(self, message, **files):
        with self.assertRaises(SchemaError) as refused:
            self.build(**files)
        self.assertIn(message, str(refused.exception))
        return str(refused.exception)

    def test_the_real_schema_generates_the_same_files_twice(self):
        first = generate.build(os.path.join(ROOT, "schema"))
        self.assertEqual(first.files, generate.build(os.path.join(ROOT, "schema")).files)
        # Names of accessors the library itself never calls, so that no build would miss them.
        for record, accessor in [("ConnectionParamsPresModel", "GetOAuthAttributeCount()"),
                                 ("ConnectionParamsPresModel", "ClearOAuthAttributes()"),
                                 ("TableCleaningPresModel", "GetClassNameW() const"),
                                 ("CubeEnumerationPresModel", "GetMetadataCategorie(unsigned int index)")]:
            self.assertIn(accessor, first.files[f"presentation-model/{record}.h"])

    def test_a_small_schema_generates_readable_records(self):
        files = self.build().files
        box = files["presentation-model/BoxPresModel.h"]
        self.assertIn("// {TString} Attr: \"attrs\" 0xd9000004, written only when not empty", box)
        self.assertIn("void AddEntry(RefCntPtr<const ItemPresModel> value)", box)
        self.assertIn("bool m_flag = true;", box)
        source = files["presentation-model/box.records.cpp"]
        self.assertIn("WriteMap(ss, DataParameters::Attrs, model->GetAttrs(), false);", source)
        self.assertIn("BoxPresModel::BoxPresModel() : m_item(MakeRefCnt<ItemPresModel>()) {}", source)
        self.assertIn("ItemPresModel::ItemPresModel() {}", source)
        self.assertIn("Mode m_mode = Mode::ModeOn;", files["presentation-model/ItemPresModel.h"])

    @unittest.skipUnless(os.environ.get("HLV_GENERATOR_COMPILE"), "HLV_GENERATOR_COMPILE names the compiler")
    def test_a_small_schema_generates_code_that_compiles(self):
        # The file CMake writes: the compiler, then one include folder per line (Qt's).
        with open(os.environ["HLV_GENERATOR_COMPILE"], encoding="utf-8") as f:
            compiler, *includes = [line for line in f.read().splitlines() if line]
        files = self.build().files
        with tempfile.TemporaryDirectory() as out:
            for name, text in files.items():
                os.makedirs(os.path.dirname(os.path.join(out, name)), exist_ok=True)
                with open(os.path.join(out, name), "w", encoding="utf-8") as f:
                    f.write(text)
            # The small schema's files come first, so none of the real schema's is seen.
            flags = ["-std=c++17", "-fsyntax-only", "-Wall", "-Wextra", "-Werror", "-fPIC", f"-I{out}", f"-I{ROOT}"]
            flags += [f"-isystem{folder}" for folder in includes]
            for name in sorted(n for n in files if n.endswith(".cpp")):
                with self.subTest(name):
                    result = subprocess.run([compiler, *flags, os.path.join(out, name)], capture_output=True,
                                            text=True, timeout=300)
                    self.assertEqual(result.returncode, 0, result.stderr[-4000:])

    def test_refuses_broken_vocabularies(self):
        self.assertRefused("is used twice", parameters=PARAMETERS.replace("0xd9000002", "0xd9000001"))
        self.assertRefused("lies outside", parameters=PARAMETERS.replace("0xd9000002", "0xd8000002"))
        self.assertRefused("used twice in", parameters=PARAMETERS.replace("simple  text ", "simple  flag "))
        where = self.assertRefused("unknown directive", parameters=PARAMETERS + "simpel x 0xd9000009 bool\n")
        self.assertRegex(where, r"parameters\.def:15:")

    def test_refuses_records_that_do_not_fit_their_parameters(self):
        self.assertRefused("no data parameter 'nothing'", records=RECORDS.replace("Text  text\n", "Text  nothing\n"))
        self.assertRefused("not a list of TString", records=RECORDS.replace("[TString]        Text  texts",
                                                                             "[TString]        Text  attrs"))
        self.assertRefused("mark it 'when=non-empty'", records=RECORDS.replace("attrs  when=non-empty", "attrs"))
        self.assertRefused("'default=new' or 'default=null'", records=RECORDS.replace("item   default=new", "item"))
        self.assertRefused("name their items", records=RECORDS.replace(" item=item", ""))
        self.assertRefused("not a string of Mode", records=RECORDS.replace("default=mode-on", "default=mode-up"))
        self.assertRefused("both make", records=RECORDS.replace("bool             Flag ", "bool             TextCount "))
        self.assertRefused("guard field", records=RECORDS.replace("record BoxPresModel", "record BoxPresModel : ItemPresModel"))

    def test_refuses_broken_enum_tables(self):
        self.assertRefused("values must ascend", enums=ENUMS.replace('1 "mode-on"', '0 "mode-on"'))
        self.assertRefused("makes the enumerator", enums=ENUMS.replace('"mode-on"', '"mode_off"'))
        self.assertRefused("no 'end'", enums=ENUMS.replace("end\n", ""))

    def test_string_tables_generate_ids_and_sorted_escaped_texts(self):
        files = self.build().files
        ids = files["host/app/StringIds.h"]
        self.assertIn("// --- Greetings ---", ids)
        self.assertIn('/// "Hello, %1"\ninline constexpr StringId kHello = 0x00000010;  // 16', ids)
        self.assertIn("kPlain = 0xffffffff;", ids)
        tables = files["host/app/StringTables.cpp"]
        # Sorted by id, not by file order: the lookup searches them in halves.
        self.assertLess(tables.index("// kOrder"), tables.index("// kHello"))
        self.assertLess(tables.index("// kHello"), tables.index("// kPlain"))
        self.assertIn('u"%2 before %1: \\\\ \\"quoted\\""', tables)
        self.assertIn('u"Caf\\u00e9 \\u65e5\\u672c"', tables)
        self.assertIn('{"pt_BR", u"%2 antes de %1"}', tables)
        self.assertIn("kHelloTranslations, 2}", tables)
        self.assertIn("nullptr, 0}", tables)

    def test_refuses_broken_string_tables(self):
        # The same id written in decimal and in hexadecimal is still the same id.
        where = self.assertRefused("id 0x00000010 is used twice", strings=STRINGS.replace("0x0000000f", "0x10"))
        self.assertRegex(where, r"strings\.def:5:")
        self.assertRefused("name kHello is used twice", strings=STRINGS.replace("kOrder ", "kHello "))
        self.assertRefused("expected 'kNAME ID", strings=STRINGS.replace("kPlain", "Plain"))
        self.assertRefused("expected 'kNAME ID", strings=STRINGS.replace("0x0000000f", "015"))
        self.assertRefused("not a 32-bit id", strings=STRINGS.replace("4294967295", "4294967296"))
        self.assertRefused("expected 'kNAME ID", strings=STRINGS + 'kExtra 17\n')
        self.assertRefused("must follow the string", strings='  de "Hallo"\n' + STRINGS)
        self.assertRefused("'en' is not a translation", strings=STRINGS.replace('  fr "Bonjour', '  en "Hello'))
        self.assertRefused("translated to 'de' twice", strings=STRINGS.replace('  fr "Bonjour', '  de "Bonjour'))
        self.assertRefused("expected 'LOCALE", strings=STRINGS.replace("  fr ", "  French "))
        where = self.assertRefused("placeholders of its English text",
                                   strings=STRINGS.replace('"%2 antes de %1"', '"antes de %1"'))
        self.assertRegex(where, r"strings\.def:6:")
        self.assertRefused("without a gap", strings=STRINGS.replace('"Hello, %1"', '"Hello, %2"'))
        self.assertRefused("may not be empty", strings=STRINGS.replace('"Hello, %1"', '""'))


if __name__ == "__main__":
    unittest.main()
