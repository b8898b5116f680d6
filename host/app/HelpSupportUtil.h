// HelpSupportUtil: links into the product's online help.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <unordered_map>

class HLVHOST_API HelpSupportUtil {
 public:
  /// The help page of `topic`: AppConfig::GetHelpBaseUrl(), the topic and ".htm", then the
  /// `parameters` as a query in key order, percent-encoded. For example
  /// BuildHelpLink("connect-basic-initialsql", {}) is
  /// "https://help.halvane.com/current/connect-basic-initialsql.htm".
  static TString BuildHelpLink(const TString& topic, const std::unordered_map<TString, TString>& parameters);
};
