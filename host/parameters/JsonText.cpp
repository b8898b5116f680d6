#include "host/parameters/JsonText.h"

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

void AppendJsonString(std::string& out, const TString& text) {
  static const char kHex[] = "0123456789abcdef";
  const QChar* data = text.constData();
  const int size = text.size();
  out.reserve(out.size() + static_cast<size_t>(size) + 2);
  out.push_back('"');
  for (int i = 0; i < size; ++i) {
    const char16_t c = data[i].unicode();
    switch (c) {
      case u'"': out += "\\\""; continue;
      case u'\\': out += "\\\\"; continue;
      case u'\b': out += "\\b"; continue;
      case u'\f': out += "\\f"; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      default: break;
    }
    if (c < 0x20) {
      out += "\\u00";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    } else if (c < 0xD800 || c > 0xDFFF) {
      AppendUtf8(out, c);
    } else if (c <= 0xDBFF && i + 1 < size && data[i + 1].isLowSurrogate()) {
      AppendUtf8(out, QChar::surrogateToUcs4(c, data[i + 1].unicode()));
      ++i;
    } else {
      AppendUtf8(out, 0xFFFD);
    }
  }
  out.push_back('"');
}
