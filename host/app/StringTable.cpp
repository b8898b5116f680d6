#include "host/app/StringTable.h"

#include "host/Exceptions.h"
#include "host/detail/StringTableData.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace {

using StringTableData::Entry;

const Entry& FindEntry(StringId id) {
  const Entry* begin = StringTableData::kEntries;
  const Entry* end = begin + StringTableData::kEntryCount;
  const Entry* found = std::lower_bound(begin, end, id, [](const Entry& entry, StringId key) { return entry.id < key; });
  if (found == end || found->id != id)
    HLV_THROW_LOGIC(QStringLiteral("No string with id 0x%1").arg(id, 8, 16, QLatin1Char('0')));
  return *found;
}

const char16_t* FindTranslation(const Entry& entry, const QByteArray& locale) {
  for (std::size_t i = 0; i < entry.translationCount; ++i)
    if (locale == entry.translations[i].locale) return entry.translations[i].text;
  return nullptr;
}

}  // namespace

TString LookupTStr(StringId id) { return QString::fromUtf16(FindEntry(id).english); }

TString LookupTStr(StringId id, const TString& locale) {
  const Entry& entry = FindEntry(id);
  // "de_DE", "de-DE" and "de" name the same language; a region, when the tables have a
  // translation for it, comes before the language alone.
  const QStringList parts = locale.trimmed().replace(QLatin1Char('-'), QLatin1Char('_')).split(QLatin1Char('_'));
  const QByteArray language = parts.value(0).toLower().toLatin1();
  if (entry.translationCount != 0 && !language.isEmpty()) {
    if (parts.size() > 1) {
      const QByteArray regional = language + '_' + parts.at(1).toUpper().toLatin1();
      if (const char16_t* text = FindTranslation(entry, regional)) return QString::fromUtf16(text);
    }
    if (const char16_t* text = FindTranslation(entry, language)) return QString::fromUtf16(text);
  }
  return QString::fromUtf16(entry.english);
}

TString LookupString(StringId id) { return LookupTStr(id); }

TFormatString::TFormatString(TString format) : m_format(std::move(format)), m_text(m_format) {}

TFormatString& TFormatString::arg(const TString& value) {
  m_arguments.push_back(value);
  Fill();
  return *this;
}

TFormatString& TFormatString::arg(const TString& value, int fieldWidth, QChar fill) {
  // Qt pads; the padded text is then an argument like any other.
  m_arguments.push_back(QStringLiteral("%1").arg(value, fieldWidth, fill));
  Fill();
  return *this;
}

TFormatString& TFormatString::arg(long long value) {
  m_arguments.push_back(QString::number(value));
  Fill();
  return *this;
}

void TFormatString::Fill() {
  // A placeholder is "%" and one or two digits, numbered 1 to 99, as QString::arg reads them.
  static const QRegularExpression placeholder(QStringLiteral("%([0-9]{1,2})"));
  std::vector<QRegularExpressionMatch> found;
  std::vector<int> numbers;
  for (auto it = placeholder.globalMatch(m_format); it.hasNext();) {
    found.push_back(it.next());
    const int number = found.back().captured(1).toInt();
    if (number > 0) numbers.push_back(number);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  // The n-th lowest placeholder number takes the n-th argument.
  if (numbers.size() > m_arguments.size()) numbers.resize(m_arguments.size());

  TString text;
  int from = 0;
  for (const QRegularExpressionMatch& match : found) {
    const auto slot = std::lower_bound(numbers.begin(), numbers.end(), match.captured(1).toInt());
    if (slot == numbers.end() || *slot != match.captured(1).toInt()) continue;
    text += m_format.midRef(from, match.capturedStart() - from);
    text += m_arguments[static_cast<std::size_t>(slot - numbers.begin())];
    from = match.capturedEnd();
  }
  text += m_format.midRef(from);
  m_text = std::move(text);
}

TFormatString LookupTFmtStr(StringId id) { return TFormatString(LookupTStr(id)); }
