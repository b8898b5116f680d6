#include "host/Exceptions.h"
#include "host/values/QualifiedName.h"
#include "parameters/ClassSerializers.h"
#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

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

TEST(ClassSerializersConnectionFullNameTest, WritesTheThreePartsAsAQualifiedNameThatReadsBack) {
  EXPECT_EQ(NameSerializer::TypeToString(Leaf("Sales DB", "conn-1", "")), QStringLiteral("[Sales DB].[conn-1].[]"));
  EXPECT_EQ(NameSerializer::TypeToString(ConnectionFullName()), QStringLiteral("[].[].[]"));
  EXPECT_EQ(NameSerializer::TypeToString(Leaf("a]b", "c.d", "[e]")), QStringLiteral("[a]]b].[c.d].[[e]]]"));
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
  // Fewer than three parts, or no qualified name at all.
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
  EXPECT_EQ(back, text) << written.toStdString();
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
  // Known attributes with values that cannot be read.
  for (const char* run :
       {R"(bold="yes")", R"(italic="TRUE")", R"(underline="1")", R"(font-size="-1")", R"(font-size="12pt")",
        R"(font-size="99999999999")", R"(color="not-a-colour")", R"(color="")"})
    ExpectParseError(QStringLiteral("<d><formatted-text><run text=\"t\" %1/></formatted-text></d>").arg(Utf8(run)));
}

// The XML reader's own messages, with line and column, are checked with the input limits; the
// serializer passes them on.
TEST(ClassSerializersFormattedTextTest, ParseErrorsSayWhereTheTextWentWrong) {
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

}  // namespace
