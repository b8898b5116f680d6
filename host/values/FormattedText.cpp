#include "host/values/FormattedText.h"

#include "host/Exceptions.h"
#include "host/parameters/ParameterTypeSerializer.h"

#include <QXmlStreamReader>

namespace {

const QString kFormattedTextElement = QStringLiteral("formatted-text");
const QString kRunElement = QStringLiteral("run");
const QString kTextAttribute = QStringLiteral("text");
const QString kFontNameAttribute = QStringLiteral("font-name");
const QString kFontSizeAttribute = QStringLiteral("font-size");
const QString kBoldAttribute = QStringLiteral("bold");
const QString kItalicAttribute = QStringLiteral("italic");
const QString kUnderlineAttribute = QStringLiteral("underline");
const QString kColorAttribute = QStringLiteral("color");

// The first character of `text` that XML cannot carry, as "U+0001"; empty when there is none.
// Control characters other than tab and line breaks, U+FFFE, U+FFFF and unpaired surrogates
// are not XML characters at all, not even as character references.
QString FindUnwritableCharacter(const QString& text) {
  for (int i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;
      continue;
    }
    const bool writable =
        c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
    if (!writable) return QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
  }
  return QString();
}

// The first character of the run's text or font name that XML cannot carry; empty when there is
// none. The writer refuses such a run and the reader refuses to make one, so that everything read
// can be written.
QString FindUnwritableCharacter(const FormattedTextRun& run) {
  for (const QString* value : {&run.GetText(), &run.GetFontName()}) {
    const QString character = FindUnwritableCharacter(*value);
    if (!character.isEmpty()) return character;
  }
  return QString();
}

void CheckWritable(const FormattedText& text) {
  for (size_t i = 0; i < text.GetRunCount(); ++i) {
    const QString character = FindUnwritableCharacter(text.GetRun(i));
    if (!character.isEmpty()) {
      throw HalvaneException(QStringLiteral("Formatted text cannot be written as XML: run %1 holds the character %2")
                                 .arg(i)
                                 .arg(character));
    }
  }
}

void WriteFlag(QXmlStreamWriter& writer, const QString& attribute, bool value) {
  if (value) writer.writeAttribute(attribute, ParameterTypeSerializer<bool>::TypeToString(value));
}

void WriteRun(QXmlStreamWriter& writer, const FormattedTextRun& run) {
  writer.writeEmptyElement(kRunElement);
  writer.writeAttribute(kTextAttribute, run.GetText());
  if (!run.GetFontName().isEmpty()) writer.writeAttribute(kFontNameAttribute, run.GetFontName());
  if (run.GetFontSize() != 0)
    writer.writeAttribute(kFontSizeAttribute, ParameterTypeSerializer<int>::TypeToString(run.GetFontSize()));
  WriteFlag(writer, kBoldAttribute, run.IsBold());
  WriteFlag(writer, kItalicAttribute, run.IsItalic());
  WriteFlag(writer, kUnderlineAttribute, run.IsUnderline());
  const QColor& color = run.GetColor();
  if (color.isValid())
    writer.writeAttribute(kColorAttribute, color.name(color.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb));
}

// The flag `attribute` of a run; false when the run does not have it.
bool ReadFlag(const QDomElement& run, const QString& attribute) {
  if (!run.hasAttribute(attribute)) return false;
  return ParameterTypeSerializer<bool>::TypeFromString(run.attribute(attribute));
}

FormattedTextRun ReadRun(const QDomElement& element) {
  FormattedTextRun run(element.attribute(kTextAttribute));
  run.SetFontName(element.attribute(kFontNameAttribute));
  if (element.hasAttribute(kFontSizeAttribute)) {
    const QString text = element.attribute(kFontSizeAttribute);
    const int points = ParameterTypeSerializer<int>::TypeFromString(text);
    if (points < 0) throw ParameterParseException(0, QStringLiteral("font size \"%1\" is negative").arg(text));
    run.SetFontSize(points);
  }
  run.SetBold(ReadFlag(element, kBoldAttribute));
  run.SetItalic(ReadFlag(element, kItalicAttribute));
  run.SetUnderline(ReadFlag(element, kUnderlineAttribute));
  if (element.hasAttribute(kColorAttribute)) {
    const QString text = element.attribute(kColorAttribute);
    const QColor color(text);
    if (!color.isValid()) throw ParameterParseException(0, QStringLiteral("\"%1\" is not a colour").arg(text));
    run.SetColor(color);
  }
  return run;
}

// Why `text` must not reach the DOM builder, as "line 1, column 9: ..."; empty when it may. The
// stream reader keeps its element stack on the heap, so any depth is safe to scan. Text that is
// not XML is left to the DOM builder, which reports it in its own words.
QString RefuseBeforeBuilding(const TString& text) {
  QXmlStreamReader reader(text);
  int depth = 0;
  const auto refuse = [&reader](const QString& reason) {
    return QStringLiteral("line %1, column %2: %3").arg(reader.lineNumber()).arg(reader.columnNumber()).arg(reason);
  };
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::DTD:
        return refuse(QStringLiteral("document type declarations are not accepted"));
      case QXmlStreamReader::StartElement:
        if (++depth > kMaxXmlNesting)
          return refuse(QStringLiteral("elements nest deeper than %1 levels").arg(kMaxXmlNesting));
        break;
      case QXmlStreamReader::EndElement:
        --depth;
        break;
      default:
        break;
    }
  }
  return QString();
}

}  // namespace

void FormattedTextRun::SetFontSize(int points) {
  HLV_ASSERT(points >= 0);
  m_fontSize = points;
}

TString FormattedText::GetPlainText() const {
  TString text;
  for (const FormattedTextRun& run : m_runs) text += run.GetText();
  return text;
}

XMLStringFormatter::XMLStringFormatter(int indent, bool writeDeclaration) : m_writer(&m_text) {
  HLV_ASSERT(indent >= 0);
  m_writer.setAutoFormatting(indent > 0);
  m_writer.setAutoFormattingIndent(indent);
  if (writeDeclaration) m_writer.writeStartDocument();
  m_writer.writeStartElement(QStringLiteral("document"));
}

QXmlStreamWriter& XMLStringFormatter::GetWriter() {
  HLV_ASSERT(!m_closed);
  return m_writer;
}

const TString& XMLStringFormatter::GetOutput() {
  if (!m_closed) {
    m_writer.writeEndDocument();
    m_closed = true;
    // Formatting puts a line break before every element, the root included.
    if (m_text.startsWith(QLatin1Char('\n'))) m_text.remove(0, 1);
  }
  return m_text;
}

void FormattedTextFormatter::Write(const FormattedText& text) {
  CheckWritable(text);  // before anything is written, so that a failure leaves the output as it was
  QXmlStreamWriter& writer = m_output.GetWriter();
  writer.writeStartElement(kFormattedTextElement);
  for (const FormattedTextRun& run : text.GetRuns()) WriteRun(writer, run);
  writer.writeEndElement();
}

DOMDocument DOMParser::ParseXmlString(const TString& text, const TString& sourceName) {
  DOMDocument result;
  result.m_error = RefuseBeforeBuilding(text);
  if (result.m_error.isEmpty()) {
    QString message;
    int line = 0;
    int column = 0;
    if (result.m_document.setContent(text, /*namespaceProcessing=*/true, &message, &line, &column)) return result;
    result.m_document.clear();
    result.m_error = QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(message);
  }
  if (!sourceName.isEmpty()) result.m_error = sourceName + QStringLiteral(", ") + result.m_error;
  return result;
}

bool XMLNamespace::IsElement(const QDomElement& element, const TString& localName) const {
  // Elements made without namespace processing have no local name, only a tag name. A null
  // namespace URI and an empty one compare equal: both are no namespace.
  const QString name = element.localName().isEmpty() ? element.tagName() : element.localName();
  return name == localName && element.namespaceURI() == m_uri;
}

XMLNamespace NamespaceFactory() { return XMLNamespace(); }

FormattedText FormattedTextParser::Parse(const QDomElement& element) const {
  if (!m_namespace.IsElement(element, kFormattedTextElement)) {
    throw ParameterParseException(
        0, QStringLiteral("<%1> in namespace \"%2\" is not <%3> in namespace \"%4\"")
               .arg(element.tagName(), element.namespaceURI(), kFormattedTextElement, m_namespace.GetUri()));
  }
  FormattedText text;
  for (QDomElement run = element.firstChildElement(); !run.isNull(); run = run.nextSiblingElement()) {
    if (!m_namespace.IsElement(run, kRunElement)) continue;
    // A character reference can name a character that XML cannot carry literally, such as U+0008.
    FormattedTextRun read = ReadRun(run);
    const QString character = FindUnwritableCharacter(read);
    if (!character.isEmpty()) {
      throw ParameterParseException(
          0, QStringLiteral("run %1 holds the character %2, which formatted text cannot carry")
                 .arg(text.GetRunCount())
                 .arg(character));
    }
    text.AddRun(std::move(read));
  }
  return text;
}
