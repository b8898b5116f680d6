#include "host/Exceptions.h"
#include "host/parameters/SerializeStructure.h"
#include "host/values/QualifiedName.h"
#include "parameters/ClassSerializers.h"
#include "parameters/ParameterIds.h"
#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

using NameSerializer = ParameterTypeSerializer<ConnectionFullName>;
using TextSerializer = ParameterTypeSerializer<FormattedText>;

TString Utf8(const char* text) { return QString::fromUtf8(text); }

ConnectionFullName Leaf(const char* dataSource, const char* connection, const char* context) {
  return ConnectionFullName::LeafConnection(Utf8(dataSource), Utf8(connection), Utf8(context));
}

FormattedTextRun TextRun(const char* text) { return FormattedTextRun(Utf8(text)); }

// A text that uses every attribute of a run, and the characters XML treats specially.
FormattedText RichText() {
  FormattedTextRun heading = TextRun("Umsätze für 東京 😀 ");
  heading.SetFontName(QStringLiteral("Segoe UI"));
  heading.SetFontSize(14);
  heading.SetBold(true);
  FormattedTextRun markup = TextRun(R"(<b>"Q1" & 'Q2'</b> ]]> &amp;)");
  markup.SetItalic(true);
  markup.SetUnderline(true);
  markup.SetColor(QColor(0x12, 0x34, 0x56));
  FormattedTextRun blank = TextRun(" ");
  blank.SetColor(QColor(255, 0, 0, 128));
  FormattedTextRun lines = TextRun("  line one\r\n\tline two\n");
  lines.SetFontName(Utf8("Ärial \"Narrow\""));
  return FormattedText({heading, markup, blank, lines, TextRun("")});
}

void ExpectParseError(const TString& text) {
  try {
    TextSerializer::TypeFromString(text);
    ADD_FAILURE() << "no exception for " << text.toStdString();
  } catch (const ParameterParseException& e) {
    EXPECT_EQ(e.GetParameterId(), 0u) << text.toStdString();
  }
}

TEST(ClassSerializersConnectionFullNameTest, WritesTheThreePartsAsAQualifiedName) {
  EXPECT_EQ(NameSerializer::TypeToString(Leaf("Sales DB", "conn-1", "")), QStringLiteral("[Sales DB].[conn-1].[]"));
  EXPECT_EQ(NameSerializer::TypeToString(ConnectionFullName()), QStringLiteral("[].[].[]"));
  EXPECT_EQ(NameSerializer::TypeToString(Leaf("a]b", "c.d", "[e]")), QStringLiteral("[a]]b].[c.d].[[e]]]"));
}

TEST(ClassSerializersConnectionFullNameTest, RoundTripsAnyThreeParts) {
  for (const ConnectionFullName& name : {ConnectionFullName(), Leaf("Sales DB", "conn-1", "ctx"), Leaf("", "", "x"),
                                         Leaf("a]]b", "c.d", "[e] "), Leaf("Müller & Söhne", "東京", "\t")}) {
    const ConnectionFullName back = NameSerializer::TypeFromString(NameSerializer::TypeToString(name));
    EXPECT_EQ(back, name) << NameSerializer::TypeToString(name).toStdString();
  }
}

TEST(ClassSerializersConnectionFullNameTest, ReadsTheFirstThreeComponentsOfAnyQualifiedName) {
  const ConnectionFullName bare = NameSerializer::TypeFromString(QStringLiteral("source.conn.context"));
  EXPECT_EQ(bare.GetDataSourceName(), QStringLiteral("source"));
  EXPECT_EQ(bare.GetConnectionName(), QStringLiteral("conn"));
  EXPECT_EQ(bare.GetContext(), QStringLiteral("context"));
  EXPECT_EQ(NameSerializer::TypeFromString(QStringLiteral("[a].[b].[c].[d]")), Leaf("a", "b", "c"));
}

TEST(ClassSerializersConnectionFullNameTest, RejectsTextThatIsNotThreeParts) {
  for (const char* text : {"", "[a]", "[a].[b]", "a.b"})
    EXPECT_THROW(NameSerializer::TypeFromString(Utf8(text)), std::out_of_range) << text;
  for (const char* text : {"[a].[b", "a..b.c", "a.b.c.", "[a]x.[b].[c]"})
    EXPECT_THROW(NameSerializer::TypeFromString(Utf8(text)), ParameterParseException) << text;
}

TEST(ClassSerializersFormattedTextTest, WritesTheDocumentedForm) {
  FormattedTextRun bold = TextRun("Sales ");
  bold.SetFontName(QStringLiteral("Arial"));
  bold.SetFontSize(12);
  bold.SetBold(true);
  FormattedTextRun red = TextRun("<2024>");
  red.SetItalic(true);
  red.SetUnderline(true);
  red.SetColor(Qt::red);
  EXPECT_EQ(TextSerializer::TypeToString(FormattedText({bold, red, TextRun("")})),
            QStringLiteral("<document>\n"
                           "  <formatted-text>\n"
                           "    <run text=\"Sales \" font-name=\"Arial\" font-size=\"12\" bold=\"true\"/>\n"
                           "    <run text=\"&lt;2024&gt;\" italic=\"true\" underline=\"true\" color=\"#ff0000\"/>\n"
                           "    <run text=\"\"/>\n"
                           "  </formatted-text>\n"
                           "</document>\n"));
  EXPECT_EQ(TextSerializer::TypeToString(FormattedText()),
            QStringLiteral("<document>\n  <formatted-text/>\n</document>\n"));
}

TEST(ClassSerializersFormattedTextTest, RoundTripsEveryAttributeAndCharacter) {
  const FormattedText text = RichText();
  const TString written = TextSerializer::TypeToString(text);
  const FormattedText back = TextSerializer::TypeFromString(written);
  ASSERT_EQ(back.GetRunCount(), text.GetRunCount()) << written.toStdString();
  for (size_t i = 0; i < text.GetRunCount(); ++i) {
    const FormattedTextRun& run = back.GetRun(i);
    EXPECT_EQ(run.GetText(), text.GetRun(i).GetText()) << i;
    EXPECT_EQ(run.GetFontName(), text.GetRun(i).GetFontName()) << i;
    EXPECT_EQ(run.GetColor().rgba(), text.GetRun(i).GetColor().rgba()) << i;
    EXPECT_EQ(run, text.GetRun(i)) << i;
  }
  EXPECT_EQ(back.GetPlainText(), text.GetPlainText());
  // Writing what was read gives the same text again.
  EXPECT_EQ(TextSerializer::TypeToString(back), written);

  const FormattedText empty = TextSerializer::TypeFromString(TextSerializer::TypeToString(FormattedText()));
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(ClassSerializersFormattedTextTest, RefusesToWriteCharactersXmlCannotCarry) {
  const QChar lowSurrogate(0xDC00);
  for (const QString& bad : {Utf8("a\x01"), Utf8("\x1f"), QString(QChar(0xFFFE)), QString(QChar(0xFFFF)),
                             QString(QChar(0xD800)) + Utf8("x"), Utf8("x") + lowSurrogate}) {
    FormattedTextRun inName;
    inName.SetFontName(bad);
    for (const FormattedTextRun& run : {FormattedTextRun(bad), inName}) {
      XMLStringFormatter output(2, false);
      EXPECT_THROW(FormattedTextFormatter(output).Write(FormattedText({TextRun("ok"), run})), HalvaneException);
      EXPECT_EQ(output.GetOutput(), QStringLiteral("<document/>\n"));  // nothing half-written
    }
  }
}

TEST(ClassSerializersFormattedTextTest, RefusesToReadWhatItCouldNotWrite) {
  // A character reference may name a character that XML cannot carry; what is read must be writable.
  for (const char* run : {R"(text="ok&#8;")", R"(text="ok" font-name="&#x1F;")", R"(text="&#xFFFE;")"})
    ExpectParseError(QStringLiteral("<d><formatted-text><run/><run %1/></formatted-text></d>").arg(Utf8(run)));
  try {
    TextSerializer::TypeFromString(Utf8(R"(<d><formatted-text><run/><run text="&#8;"/></formatted-text></d>)"));
    FAIL() << "no exception";
  } catch (const ParameterParseException& e) {
    EXPECT_STREQ(e.what(), "Cannot parse parameter text: run 1 holds the character U+0008, which formatted text "
                           "cannot carry");
  }
  // Tab and line breaks, written as references, are ordinary characters of a run.
  const FormattedText text = TextSerializer::TypeFromString(
      Utf8(R"(<d><formatted-text><run text="a&#9;b&#10;c&#13;"/></formatted-text></d>)"));
  EXPECT_EQ(text.GetRun(0), TextRun("a\tb\nc\r"));
  EXPECT_EQ(TextSerializer::TypeFromString(TextSerializer::TypeToString(text)), text);
}

TEST(ClassSerializersFormattedTextTest, ColoursAreKeptAsEightBitArgbInAnyColourModel) {
  FormattedTextRun hsv;
  hsv.SetColor(QColor::fromHsv(120, 255, 255));
  FormattedTextRun rgb;
  rgb.SetColor(QColor(0, 255, 0));
  EXPECT_EQ(hsv, rgb);
  EXPECT_EQ(TextSerializer::TypeFromString(TextSerializer::TypeToString(FormattedText({hsv}))).GetRun(0), rgb);
  FormattedTextRun none;
  none.SetColor(QColor());
  EXPECT_EQ(none, FormattedTextRun());
  EXPECT_FALSE(none.GetColor().isValid());
}

TEST(ClassSerializersFormattedTextTest, ReadsLenientlyWhatItDoesNotKnow) {
  // Any root name, an XML declaration, unknown elements and attributes, and missing attributes.
  const FormattedText text = TextSerializer::TypeFromString(
      Utf8("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<value><note/><formatted-text><run text=\"a\" shadow=\"yes\"/><image/><run bold=\"false\"/>"
           "<run text=\"c\" color=\"blue\"/></formatted-text><formatted-text><run text=\"ignored\"/></formatted-text>"
           "</value>"));
  ASSERT_EQ(text.GetRunCount(), 3u);
  EXPECT_EQ(text.GetRun(0), TextRun("a"));
  EXPECT_EQ(text.GetRun(1), FormattedTextRun());
  EXPECT_EQ(text.GetRun(2).GetColor(), QColor(Qt::blue));
}

TEST(ClassSerializersFormattedTextTest, RejectsTextThatIsNotFormattedText) {
  // Not XML.
  for (const char* text : {"", "plain words", "<document>", "<a></b>", "<a/><b/>", "<a x=1/>"})
    ExpectParseError(Utf8(text));
  // XML without a <formatted-text> child of the root.
  for (const char* text : {"<document/>", "<formatted-text/>", "<document><x><formatted-text/></x></document>",
                           "<document><Formatted-Text/></document>"})
    ExpectParseError(Utf8(text));
  // Entities that expand without bound are refused rather than expanded.
  QString entities = QStringLiteral("<!ENTITY e0 \"0123456789\">");
  for (int i = 1; i < 8; ++i)
    entities += QStringLiteral("<!ENTITY e%1 \"%2\">").arg(i).arg(QStringLiteral("&e%1;").arg(i - 1).repeated(10));
  ExpectParseError(QStringLiteral("<!DOCTYPE d [%1]><d><formatted-text><run text=\"&e7;\"/></formatted-text></d>")
                       .arg(entities));
  // Known attributes with values that cannot be read.
  for (const char* run :
       {R"(bold="yes")", R"(italic="TRUE")", R"(underline="1")", R"(font-size="-1")", R"(font-size="12pt")",
        R"(font-size="99999999999")", R"(color="not-a-colour")", R"(color="")"})
    ExpectParseError(QStringLiteral("<d><formatted-text><run text=\"t\" %1/></formatted-text></d>").arg(Utf8(run)));
}

TEST(ClassSerializersFormattedTextTest, ParseErrorsSayWhereTheTextWentWrong) {
  const DOMDocument document = DOMParser::ParseXmlString(QStringLiteral("<a>\n<b></a>"), QStringLiteral("value"));
  ASSERT_TRUE(document.HasErrors());
  EXPECT_TRUE(document.GetErrors().startsWith(QStringLiteral("value, line 2, column ")))
      << document.GetErrors().toStdString();
  EXPECT_TRUE(document.GetRoot().isNull());
  EXPECT_FALSE(DOMParser::ParseXmlString(QStringLiteral("<a/>"), TString()).HasErrors());
  try {
    TextSerializer::TypeFromString(QStringLiteral("<a>"));
    FAIL() << "no exception";
  } catch (const ParameterParseException& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot parse parameter text: formatted text is not XML: line 1, column 4: "
                 "unexpected end of file");
  }
}

TEST(ClassSerializersFormattedTextTest, TheParserReadsElementsOfItsOwnNamespaceOnly) {
  const DOMDocument document = DOMParser::ParseXmlString(
      QStringLiteral("<d xmlns:p=\"urn:p\"><p:formatted-text><p:run text=\"in\"/><run text=\"out\"/>"
                     "</p:formatted-text></d>"),
      TString());
  const QDomElement element = document.GetRoot().firstChildElement();
  const FormattedText text = FormattedTextParser(XMLNamespace(QStringLiteral("urn:p"))).Parse(element);
  EXPECT_EQ(text, FormattedText({TextRun("in")}));
  EXPECT_THROW(FormattedTextParser(NamespaceFactory()).Parse(element), ParameterParseException);
  // A document in a default namespace is not in the namespace formatted text is read in.
  ExpectParseError(QStringLiteral("<d xmlns=\"urn:d\"><formatted-text/></d>"));
}

TEST(ClassSerializersFormattedTextTest, RunsRejectNegativeSizesAndIndexesPastTheEnd) {
  FormattedTextRun run;
  EXPECT_THROW(run.SetFontSize(-1), LogicException);
  EXPECT_EQ(run.GetFontSize(), 0);
  EXPECT_THROW(FormattedText().GetRun(0), std::out_of_range);
}

TEST(ClassSerializersInstancesTest, ConvertListsAndMapsElementByElement) {
  const RefCntPtr<IParameterSerializer> names = CreateParameterSerializer<NameSerializer>();
  EXPECT_EQ(names->GetType(), kParameterTypeText);
  const std::vector<TString> texts = {QStringLiteral("[a].[b].[c]"), QStringLiteral("[].[].[]"),
                                      QStringLiteral("[a].[b].[c]")};
  const RefCntPtr<IParameter> list = names->ListFromStrings(texts);
  EXPECT_EQ(GetValueOf<std::vector<ConnectionFullName>>(list),
            (std::vector<ConnectionFullName>{Leaf("a", "b", "c"), ConnectionFullName(), Leaf("a", "b", "c")}));
  EXPECT_EQ(names->ListToStrings(list), texts);
  EXPECT_THROW(names->ListFromStrings({QStringLiteral("[a].[b].[c]"), QStringLiteral("[a].[b]")}), std::out_of_range);

  const RefCntPtr<IParameterSerializer> formatted = CreateParameterSerializer<TextSerializer>();
  EXPECT_EQ(formatted->GetType(), kParameterTypeText);
  const std::map<TString, TString> entries = {
      {QStringLiteral("Key With Spaces"), TextSerializer::TypeToString(RichText())},
      {QStringLiteral(""), TextSerializer::TypeToString(FormattedText())}};
  const RefCntPtr<IParameter> map = formatted->MapFromStrings(entries);
  const auto& values = GetValueOf<std::map<TString, FormattedText>>(map);
  EXPECT_EQ(values.at(QStringLiteral("Key With Spaces")), RichText());
  EXPECT_TRUE(values.at(QString()).IsEmpty());
  EXPECT_EQ(formatted->MapToStrings(map), entries);
  EXPECT_THROW(formatted->MapFromStrings({{QStringLiteral("k"), QStringLiteral("<not-formatted/>")}}),
               ParameterParseException);

  const RefCntPtr<IParameter> single = formatted->ValueFromString(entries.begin()->second);
  EXPECT_EQ(formatted->ValueToString(single), entries.begin()->second);
}

TEST(ClassSerializersInstancesTest, WriteListsAsJsonStrings) {
  SerializeStructure ss;
  CreateParameterSerializer<NameSerializer>()->SerializeList(
      MakeValParameter(std::vector<ConnectionFullName>{Leaf("s\"1", "c", "")}), ss,
      DataParameters::SortDirectionValues);
  ParameterTypeSerializer<FormattedText>().WriteListItems(ss, DataParameters::SortDirectionValues,
                                                          {FormattedText({TextRun("x")})});
  EXPECT_EQ(ss.GetJson(), R"({"sort-direction-values":["[s\"1].[c].[]"],)"
                          R"("sort-direction-values":["<document>\n  <formatted-text>\n    <run text=\"x\"/>\n)"
                          R"(  </formatted-text>\n</document>\n"]})");
}

TEST(ClassSerializersInstancesTest, ValuesOfAnotherTypeAreTypeMismatches) {
  const RefCntPtr<IParameter> qualified = MakeValParameter(QualifiedName({QStringLiteral("a")}));
  SerializeStructure ss;
  for (const RefCntPtr<IParameterSerializer>& serializer :
       {CreateParameterSerializer<NameSerializer>(), CreateParameterSerializer<TextSerializer>()}) {
    for (const auto& operation : std::vector<std::function<void()>>{
             [&] { serializer->ValueToString(qualified); },
             [&] { serializer->ListToStrings(qualified); },
             [&] { serializer->SerializeList(qualified, ss, DataParameters::SortDirectionValues); },
             [&] { serializer->MapToStrings(qualified); },
         }) {
      EXPECT_THROW(operation(), TypeMismatchCommandException);
    }
  }
  EXPECT_EQ(ss.GetJson(), "{}");
}

}  // namespace
