#include "host/app/LanguageUtils.h"

#include "host/Exceptions.h"
#include "host/ServiceSlot.h"

#include <QRegularExpression>

#include <utility>

namespace {

ServiceSlot<ISupportedLanguages>& LanguagesSlot() {
  static ServiceSlot<ISupportedLanguages> slot([] { return std::make_shared<FixedSupportedLanguages>(); });
  return slot;
}

}  // namespace

ISupportedLanguages::~ISupportedLanguages() = default;

FixedSupportedLanguages::FixedSupportedLanguages()
    : m_languages{Language::English,  Language::German,           Language::French,
                  Language::Japanese, Language::PortugueseBrazil, Language::PortuguesePortugal} {}

FixedSupportedLanguages::FixedSupportedLanguages(std::vector<Language> languages)
    : m_languages(std::move(languages)) {}

std::vector<Language> LanguageUtils::GetSupportedLanguages() { return LanguagesSlot().Get().GetSupportedLanguages(); }

TString LanguageUtils::GetISOString(Language language) {
  switch (language) {
    case Language::English:
      return QStringLiteral("en_US");
    case Language::German:
      return QStringLiteral("de_DE");
    case Language::French:
      return QStringLiteral("fr_FR");
    case Language::Japanese:
      return QStringLiteral("ja_JP");
    case Language::PortugueseBrazil:
      return QStringLiteral("pt_BR");
    case Language::PortuguesePortugal:
      return QStringLiteral("pt_PT");
  }
  HLV_THROW_LOGIC("language is a value of the Language enum");
}

TString LanguageUtils::GetLanguageShortAlias(const TString& locale) {
  static const QRegularExpression regionSeparator(QStringLiteral("[_-]"));
  const TString trimmed = locale.trimmed();
  // left() of a negative length is the whole text: a locale without region is its language.
  return trimmed.left(trimmed.indexOf(regionSeparator)).toLower();
}

std::shared_ptr<ISupportedLanguages> LanguageUtils::Install(std::shared_ptr<ISupportedLanguages> languages) {
  return LanguagesSlot().Install(std::move(languages));
}
