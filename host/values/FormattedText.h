// FormattedText: rich text as a dialog shows it, and its XML form.
//
// The XML form, as FormattedTextFormatter writes it into an XMLStringFormatter:
//
//   <document>
//     <formatted-text>
//       <run text="Sales " font-name="Arial" font-size="12" bold="true"/>
//       <run text="&lt;2024&gt;" italic="true" underline="true" color="#ff0000"/>
//       <run text=""/>
//     </formatted-text>
//   </document>
//
// - One <run> per run, in order; an empty FormattedText is an empty <formatted-text/>.
// - The text is an attribute, so that white space (a lone space, leading blanks, tabs, line
//   breaks) comes back exactly as it was written.
// - The other attributes are written only when they differ from their defaults: "font-name"
//   (empty), "font-size" (0, in points), "bold", "italic" and "underline" ("true" and "false",
//   false), "color" ("#rrggbb" when opaque, otherwise "#aarrggbb"; no colour).
// - Characters XML cannot carry at all (most control characters, unpaired surrogates) are
//   refused when writing rather than dropped.
// - Reading ignores elements and attributes it does not know, so later additions to the form do
//   not break older readers. A known attribute with an unreadable value raises
//   ParameterParseException.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <QColor>
#include <QDomDocument>
#include <QDomElement>
#include <QXmlStreamWriter>

#include <cstddef>
#include <utility>
#include <vector>

/// A stretch of text in one style. Each attribute has a default that means "as the dialog
/// shows it": no font name, size 0, plain, and no colour.
class HLVHOST_API FormattedTextRun {
 public:
  FormattedTextRun() = default;
  explicit FormattedTextRun(TString text) : m_text(std::move(text)) {}

  const TString& GetText() const noexcept { return m_text; }
  void SetText(TString text) { m_text = std::move(text); }

  /// The font family, such as "Arial"; empty for the dialog's font.
  const TString& GetFontName() const noexcept { return m_fontName; }
  void SetFontName(TString fontName) { m_fontName = std::move(fontName); }

  /// The size in points; 0 for the dialog's size. A negative size is a logic error.
  int GetFontSize() const noexcept { return m_fontSize; }
  void SetFontSize(int points);

  bool IsBold() const noexcept { return m_bold; }
  void SetBold(bool bold) noexcept { m_bold = bold; }
  bool IsItalic() const noexcept { return m_italic; }
  void SetItalic(bool italic) noexcept { m_italic = italic; }
  bool IsUnderline() const noexcept { return m_underline; }
  void SetUnderline(bool underline) noexcept { m_underline = underline; }

  /// The text colour; an invalid QColor for the dialog's colour. Colours are kept as 8-bit
  /// ARGB, whatever colour model they come in, so that a run equals itself after a round trip
  /// through text.
  const QColor& GetColor() const noexcept { return m_color; }
  void SetColor(const QColor& color) { m_color = color.isValid() ? QColor::fromRgba(color.rgba()) : QColor(); }

  friend bool operator==(const FormattedTextRun& a, const FormattedTextRun& b) {
    return a.m_text == b.m_text && a.m_fontName == b.m_fontName && a.m_fontSize == b.m_fontSize &&
           a.m_bold == b.m_bold && a.m_italic == b.m_italic && a.m_underline == b.m_underline && a.m_color == b.m_color;
  }
  friend bool operator!=(const FormattedTextRun& a, const FormattedTextRun& b) { return !(a == b); }

 private:
  TString m_text;
  TString m_fontName;
  int m_fontSize = 0;
  bool m_bold = false;
  bool m_italic = false;
  bool m_underline = false;
  QColor m_color;
};

/// Rich text: a sequence of runs, empty by default.
class HLVHOST_API FormattedText {
 public:
  FormattedText() = default;
  explicit FormattedText(std::vector<FormattedTextRun> runs) : m_runs(std::move(runs)) {}

  void AddRun(FormattedTextRun run) { m_runs.push_back(std::move(run)); }
  void Clear() noexcept { m_runs.clear(); }

  bool IsEmpty() const noexcept { return m_runs.empty(); }
  size_t GetRunCount() const noexcept { return m_runs.size(); }
  /// The run at `index`; an index past the count raises std::out_of_range.
  const FormattedTextRun& GetRun(size_t index) const { return m_runs.at(index); }
  const std::vector<FormattedTextRun>& GetRuns() const noexcept { return m_runs; }

  /// The text of every run, joined without separators.
  TString GetPlainText() const;

  friend bool operator==(const FormattedText& a, const FormattedText& b) { return a.m_runs == b.m_runs; }
  friend bool operator!=(const FormattedText& a, const FormattedText& b) { return !(a == b); }

 private:
  std::vector<FormattedTextRun> m_runs;
};

/// An XML document under construction, written out as text. Its root element is \<document\>;
/// writers add their elements below it through GetWriter(). Attributes come out in the order in
/// which they were written, so the same value always gives the same text.
class HLVHOST_API XMLStringFormatter {
 public:
  /// `indent` is the number of spaces per nesting level, with each element on its own line; 0
  /// writes the whole document on one line, and a negative indent is a logic error. With
  /// `writeDeclaration` the text starts with an XML declaration.
  XMLStringFormatter(int indent, bool writeDeclaration);
  XMLStringFormatter(const XMLStringFormatter&) = delete;
  XMLStringFormatter& operator=(const XMLStringFormatter&) = delete;

  /// The writer, positioned inside the root element. Asking for it once the output has been
  /// taken is a logic error.
  QXmlStreamWriter& GetWriter();

  /// Closes the document, on the first call, and returns its text.
  const TString& GetOutput();

 private:
  TString m_text;
  QXmlStreamWriter m_writer;
  bool m_closed = false;
};

/// Writes FormattedText values into an XMLStringFormatter, in the form described at the top of
/// this file.
class HLVHOST_API FormattedTextFormatter {
 public:
  explicit FormattedTextFormatter(XMLStringFormatter& output) noexcept : m_output(output) {}

  /// Adds one <formatted-text> element holding `text` below the document's root. A text or
  /// font name holding a character XML cannot carry (a control character other than tab, line
  /// feed and carriage return, U+FFFE, U+FFFF or an unpaired surrogate) raises HalvaneException,
  /// and nothing is written.
  void Write(const FormattedText& text);

 private:
  XMLStringFormatter& m_output;
};

/// A parsed XML document, or the reason why the text was not one.
class HLVHOST_API DOMDocument {
 public:
  bool HasErrors() const noexcept { return !m_error.isEmpty(); }
  /// Where and why parsing failed, such as "line 1, column 6: unexpected end of file"; empty
  /// when the text was well formed.
  const TString& GetErrors() const noexcept { return m_error; }
  /// The root element; a null element when the document has errors.
  QDomElement GetRoot() const { return m_document.documentElement(); }

 private:
  friend class DOMParser;

  QDomDocument m_document;
  TString m_error;
};

/// The deepest nesting of elements DOMParser accepts. The host's own XML forms nest three
/// levels; the limit keeps hostile text from exhausting the stack of the recursive DOM builder.
inline constexpr int kMaxXmlNesting = 64;

/// Reads XML text into a document, with namespace processing.
class HLVHOST_API DOMParser {
 public:
  /// Parses `text`. Malformed text does not raise an exception: the document reports it, with
  /// `sourceName` (when not empty) at the front of the error text. Text whose elements nest
  /// deeper than kMaxXmlNesting, or that holds a document type declaration (the host's XML
  /// forms have none, and its entities could expand without bound), is refused the same way,
  /// before any document is built.
  static DOMDocument ParseXmlString(const TString& text, const TString& sourceName);
};

/// The XML namespace a parser reads its elements in, identified by its URI; the empty URI is
/// no namespace at all.
class HLVHOST_API XMLNamespace {
 public:
  explicit XMLNamespace(TString uri = TString()) : m_uri(std::move(uri)) {}

  const TString& GetUri() const noexcept { return m_uri; }

  /// True when `element` is called `localName` in this namespace.
  bool IsElement(const QDomElement& element, const TString& localName) const;

 private:
  TString m_uri;
};

/// The namespace the host's own XML forms, formatted text among them, are written in: none.
HLVHOST_API XMLNamespace NamespaceFactory();

/// Reads FormattedText values from their XML form, with elements taken from one namespace.
class HLVHOST_API FormattedTextParser {
 public:
  explicit FormattedTextParser(XMLNamespace ns) : m_namespace(std::move(ns)) {}

  /// Reads the runs below `element`, a <formatted-text> element. An element of another name, a
  /// run attribute with an unreadable value, or a run whose text or font name holds a character
  /// that XML cannot carry (given as a character reference), raises ParameterParseException.
  FormattedText Parse(const QDomElement& element) const;

 private:
  XMLNamespace m_namespace;
};
