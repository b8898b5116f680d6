#include "host/app/HelpSupportUtil.h"

#include "host/app/AppConfig.h"

#include <QUrl>

#include <map>

TString HelpSupportUtil::BuildHelpLink(const TString& topic, const std::unordered_map<TString, TString>& parameters) {
  TString link = AppConfig::GetHelpBaseUrl() + QString::fromUtf8(QUrl::toPercentEncoding(topic)) + QStringLiteral(".htm");
  const std::map<TString, TString> ordered(parameters.begin(), parameters.end());
  QChar separator = QLatin1Char('?');
  for (const auto& [key, value] : ordered) {
    link += separator + QString::fromUtf8(QUrl::toPercentEncoding(key)) + QLatin1Char('=') +
            QString::fromUtf8(QUrl::toPercentEncoding(value));
    separator = QLatin1Char('&');
  }
  return link;
}
