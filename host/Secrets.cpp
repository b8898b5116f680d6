#include "host/Secrets.h"

#include "host/connect/ConnectionAttributes.h"
#include "host/detail/HardenedJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/SimpleValues.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace Secrets {
namespace {

// Connection strings: a user may write any attribute into them, a password too.
constexpr QLatin1String kConnectionStringAttrs[] = {Latin1Literal("jdbcurl"), Latin1Literal("jdbcproperties"),
                                                    Latin1Literal("odbc-connect-string-extras")};

// The record fields that carry a key or a connection string as text.
constexpr std::string_view kSecretTextParameters[] = {"widget-attr-ssl-client-key", "widget-attr-jdbcurl",
                                                      "widget-attr-jdbcproperties", "widget-attr-odbc-string-extras"};

// The maps of connection attributes, and the map of an OAuth sign-in's attributes.
constexpr std::string_view kAttributeMaps[] = {"connector-attrs", "connection-attrs", "connection-props"};
constexpr std::string_view kOAuthAttributeMap = "oauth-attrs";

template <typename Range, typename Value>
bool Contains(const Range& range, const Value& value) {
  return std::find(std::begin(range), std::end(range), value) != std::end(range);
}

bool IsSecret(const TString& name, const AttributePredicate& alsoSecret) {
  return IsSecretAttribute(name) || (alsoSecret && alsoSecret(name));
}

std::string_view NameOf(const rapidjson::Value& string) {
  return std::string_view(string.GetString(), string.GetStringLength());
}

void MaskString(rapidjson::Value& value, rapidjson::Document::AllocatorType& allocator) {
  if (value.IsString() && value.GetStringLength() != 0)
    value.SetString(kMask.data(), static_cast<rapidjson::SizeType>(kMask.size()), allocator);
}

}  // namespace

bool IsSecretAttribute(const TString& name) {
  return DataConnectionAttrs::IsSecretAttr(name) || Contains(kConnectionStringAttrs, name);
}

bool IsSecretParameter(const ParameterInfo& info) {
  if (!info.HasFlag(kParameterSecuritySensitive)) return false;
  if (dynamic_cast<const ParameterTypeSerializer<PasswordString>*>(info.GetValueSerializer()) != nullptr) return true;
  return Contains(kSecretTextParameters, std::string_view(info.GetUtf8Name()));
}

std::map<TString, TString> MaskAttributes(std::map<TString, TString> attributes, const AttributePredicate& alsoSecret) {
  for (auto& [name, value] : attributes)
    if (!value.isEmpty() && IsSecret(name, alsoSecret)) value = kMask;
  return attributes;
}

std::string MaskParametersJson(std::string_view json, const ParametersRegistry& registry,
                               const AttributePredicate& alsoSecret) {
  rapidjson::Document document;
  HardenedJson::Parse(json, document, {});
  auto& allocator = document.GetAllocator();
  std::vector<rapidjson::Value*> pending = {&document};
  while (!pending.empty()) {
    rapidjson::Value* value = pending.back();
    pending.pop_back();
    if (value->IsArray()) {
      for (rapidjson::Value& element : value->GetArray()) pending.push_back(&element);
      continue;
    }
    if (!value->IsObject()) continue;
    for (auto& member : value->GetObject()) {
      const std::string_view name = NameOf(member.name);
      const ParameterInfo* info = registry.FindParameterByUtf8Name(name);
      if (info != nullptr && IsSecretParameter(*info)) {
        MaskString(member.value, allocator);
      } else if (member.value.IsObject() && (Contains(kAttributeMaps, name) || name == kOAuthAttributeMap)) {
        const bool oauth = name == kOAuthAttributeMap;
        for (auto& entry : member.value.GetObject()) {
          const TString attribute = TStringFromUtf8(NameOf(entry.name));
          if (oauth ? attribute != DataConnectionAttrs::attrInstanceUrl : IsSecret(attribute, alsoSecret))
            MaskString(entry.value, allocator);
        }
      } else {
        pending.push_back(&member.value);
      }
    }
  }
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  document.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

}  // namespace Secrets
