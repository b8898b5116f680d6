#include "host/app/LanguageUtils.h"

#include "host/Exceptions.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(LanguageUtilsTest, EveryLanguageHasItsLocaleAndShortAlias) {
  std::vector<TString> locales, aliases;
  for (const Language language : FixedSupportedLanguages().GetSupportedLanguages()) {
    locales.push_back(LanguageUtils::GetISOString(language));
    aliases.push_back(LanguageUtils::GetLanguageShortAlias(locales.back()));
  }
  EXPECT_EQ(locales, (std::vector<TString>{QStringLiteral("en_US"), QStringLiteral("de_DE"), QStringLiteral("fr_FR"),
                                           QStringLiteral("ja_JP"), QStringLiteral("pt_BR"), QStringLiteral("pt_PT")}));
  EXPECT_EQ(aliases, (std::vector<TString>{QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("fr"),
                                           QStringLiteral("ja"), QStringLiteral("pt"), QStringLiteral("pt")}));
  EXPECT_THROW(LanguageUtils::GetISOString(static_cast<Language>(99)), LogicException);

  // The alias of any locale is its language in lower case.
  for (const auto& [locale, alias] : std::vector<std::pair<const char*, const char*>>{
           {"fr-CA", "fr"}, {" DE_de ", "de"}, {"ja", "ja"}, {"zh_Hant_TW", "zh"}, {"", ""}})
    EXPECT_EQ(LanguageUtils::GetLanguageShortAlias(QLatin1String(locale)), QLatin1String(alias)) << locale;
}

}  // namespace
