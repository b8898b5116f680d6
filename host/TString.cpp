#include "host/TString.h"

#include <QByteArray>

#include <cwchar>

std::string ToUtf8(const TString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

TString TStringFromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

TString TStringFromWide(const wchar_t* text) {
  if (text == nullptr) return TString();
  return QString::fromWCharArray(text, static_cast<int>(std::wcslen(text)));
}
