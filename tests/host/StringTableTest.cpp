#include "host/app/StringIds.h"
#include "host/app/StringTable.h"

#include "host/Exceptions.h"

#include "tests/QStringPrinter.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct NamedString {
  StringId id;
  StringId expected;  // the id as the library's callers use it
  int arguments;      // the placeholders the callers fill
};

// Every string the library and the host look up: a wrong id in the tables, or a format string
// with the wrong number of placeholders, shows here.
const NamedString kNamedStrings[] = {
    {StringIds::kSSLCertificateAlreadyLoaded, 343427874, 0},
    {StringIds::kUnableToReadCertificateFile, 1560709899, 0},
    {StringIds::kServerDataSourceTypeLabel, 2416292, 1},
    {StringIds::kConnectionTypeLabel, 1641432073, 1},
    {StringIds::kDriverNotInstalled, 0x48000001, 1},
    {StringIds::kDriverNotInstalledForType, 0x48000002, 2},
    {StringIds::kGalleryToAFile, 2470215111, 0},
    {StringIds::kGalleryToAServer, 1717936317, 0},
    {StringIds::kGallerySearchForData, 1052215691, 0},
    {StringIds::kGalleryAllConnectors, 1430377535, 0},
    {StringIds::kGalleryMore, 2068189760, 0},
    {StringIds::kVariableRangeOperation, 0x569b5f62, 0},
    {StringIds::kSapBwVariablesDialogTitle, 0xa52f8bee, 0},
    {StringIds::kVariablesDialogTitle, 0x653d5999, 0},
    {StringIds::kAddVariableLabel, 0xa5c1ac85, 0},
    {StringIds::kAddVariableTooltip, 0xeeda1b9f, 0},
    {StringIds::kDeleteVariableTooltip, 0x40cf1ba6, 0},
    {StringIds::kVariableFromLabel, 0x1d0ebd45, 0},
    {StringIds::kVariableToLabel, 0x4d3350ad, 0},
    {StringIds::kVariableListNameLabel, 0x7a95874f, 0},
    {StringIds::kVariableListValueLabel, 0x27644fe4, 0},
    {StringIds::kVariableValuesHeader, 0xb3d78cd8, 0},
    {StringIds::kVariableValuesHeader2, 0x95be25a4, 0},
    {StringIds::kEditVariableHeader, 0x281e2e46, 0},
    {StringIds::kEditVariableInstruction, 0xc6981b1b, 0},
    {StringIds::kRequiredVariableMessage, 0x481b2e66, 0},
    {StringIds::kSlackDisplayName, 0xb040b60f, 0},
    {StringIds::kAnalyticsPartitionedStatus, 0x751569a3, 0},
    {StringIds::kAnalyticsStopPartitioning, 0x18763ab4, 0},
    {StringIds::kAnalyticsStopPartitioningTip, 0xfd2a6f18, 0},
    {StringIds::kAnalyticsSampledStatus, 0x81f97cc3, 2},
    {StringIds::kAnalyticsPartitionQuery, 0x241eb0f8, 0},
    {StringIds::kAnalyticsPartitionQueryTip, 0xb60c02a0, 0},
    {StringIds::kAnalyticsSampledNoPartition, 0x21b208ce, 2},
    {StringIds::kAnalyticsCannotPartitionTip, 0x5b1c861f, 0},
    {StringIds::kAnalyticsRestrictedByFirst, 0x19665ec8, 1},
    {StringIds::kAnalyticsRestrictedBySecond, 0xcc5fd2fc, 1},
};

int PlaceholderCount(const TString& text) {
  static const QRegularExpression placeholder(QStringLiteral("%([1-9])"));
  std::set<QString> numbers;
  for (auto it = placeholder.globalMatch(text); it.hasNext();) numbers.insert(it.next().captured(1));
  return static_cast<int>(numbers.size());
}

TEST(StringTableTest, EveryNamedStringResolvesWithItsArguments) {
  for (const NamedString& named : kNamedStrings) {
    SCOPED_TRACE(testing::Message() << "id 0x" << std::hex << named.expected);
    EXPECT_EQ(named.id, named.expected);
    const TString text = LookupTStr(named.id);
    EXPECT_FALSE(text.trimmed().isEmpty());
    EXPECT_EQ(PlaceholderCount(text), named.arguments) << text.toStdString();
    EXPECT_EQ(LookupString(named.id), text);
    EXPECT_EQ(LookupTFmtStr(named.id).ToString(), text);
  }
  // The range name is a key of the variable prompt's operator table beside "=", "<", ...
  EXPECT_FALSE(LookupTStr(StringIds::kVariableRangeOperation).contains(QRegularExpression(QStringLiteral("^[<>=]+$"))));
}

TEST(StringTableTest, FormatsFillTheLowestPlaceholderFirst) {
  // The words put %2 first; the arguments still go to %1, then %2.
  const TString sampled = TFormatString(QStringLiteral("based on %2% of %1 sessions"))
                              .arg(QStringLiteral("1,234"))
                              .arg(QStringLiteral("25.00"));
  EXPECT_EQ(sampled, QStringLiteral("based on 25.00% of 1,234 sessions"));

  // An argument's own "%2" is text, not a placeholder to fill next.
  const TString literal = TFormatString(QStringLiteral("%1 and %2")).arg(QStringLiteral("%2")).arg(QStringLiteral("b"));
  EXPECT_EQ(literal, QStringLiteral("%2 and b"));

  EXPECT_EQ(TFormatString(QStringLiteral("[%1|%2]")).arg(QStringLiteral("ab"), 4, QLatin1Char('.')).arg(-42LL).ToString(),
            QStringLiteral("[..ab|-42]"));

  const TString driver = LookupTFmtStr(StringIds::kDriverNotInstalledForType)
                             .arg(QStringLiteral("PostgreSQL Unicode"))
                             .arg(QStringLiteral("PostgreSQL"));
  EXPECT_LT(driver.indexOf(QStringLiteral("PostgreSQL Unicode")), driver.lastIndexOf(QStringLiteral("PostgreSQL")));
  EXPECT_FALSE(driver.contains(QLatin1Char('%')));
}

TEST(StringTableTest, LocalesFallBackToTheLanguageThenEnglish) {
  const StringId files = StringIds::kGalleryToAFile;
  const TString german = LookupTStr(files, QStringLiteral("de"));
  EXPECT_NE(german, LookupTStr(files));
  for (const char* locale : {"de_DE", "de-DE", "DE", "de_AT", " de-ch "})
    EXPECT_EQ(LookupTStr(files, QString::fromLatin1(locale)), german) << locale;

  EXPECT_EQ(LookupTStr(StringIds::kGalleryToAServer, QStringLiteral("fr_CA")), QStringLiteral("Vers un serveur"));
  EXPECT_EQ(LookupTStr(StringIds::kGalleryMore, QStringLiteral("ja_JP")), QString::fromUtf8("その他..."));

  for (const char* locale : {"es_ES", "en_US", "", "C", "-"})
    EXPECT_EQ(LookupTStr(files, QString::fromLatin1(locale)), LookupTStr(files)) << locale;
  // A string without any translation is English in every locale.
  EXPECT_EQ(LookupTStr(StringIds::kVariableFromLabel, QStringLiteral("de_DE")), LookupTStr(StringIds::kVariableFromLabel));
  EXPECT_EQ(LookupTStr(StringIds::kSlackDisplayName, QStringLiteral("ja")), QStringLiteral("Slack"));
}

TEST(StringTableTest, UnknownIdIsALogicErrorNamingIt) {
  for (const bool withLocale : {false, true}) {
    try {
      withLocale ? LookupTStr(0x48fffffe, QStringLiteral("de")) : LookupTStr(0x48fffffe);
      ADD_FAILURE() << "no exception";
    } catch (const LogicException& e) {
      EXPECT_NE(std::string(e.what()).find("0x48fffffe"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(LookupTFmtStr(0), LogicException);
}

}  // namespace
