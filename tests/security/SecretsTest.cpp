// A secret that cannot be read is reported by the name of the parameter that held it, never by
// its text: not in the exception, not in the log.
#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/ParameterRegistration.h"
#include "tests/QStringPrinter.h"
#include "tests/support/FakeConnectionModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const char kSentinel[] = "S3ntinel-Secret-9d2f";

// A bag whose only member is `info` holding the sentinel, a word no value type but text reads:
// as the value, the one list element or the one map value. Empty for a structure.
std::string Planted(const ParameterInfo& info) {
  const std::string name = info.GetUtf8Name();
  const std::string secret = std::string("\"") + kSentinel + "\"";
  switch (info.GetKind()) {
    case ParameterKind::kSimple: return "{\"" + name + "\":" + secret + "}";
    case ParameterKind::kList: return "{\"" + name + "\":[" + secret + "]}";
    case ParameterKind::kMap: return "{\"" + name + "\":{\"key\":" + secret + "}}";
    default: return std::string();
  }
}

class SecretsTest : public ::testing::Test {
 protected:
  // Reads `json`; the message of the ParameterParseException it raises, empty when it reads.
  std::string ReadError(const std::string& json, const ParametersRegistry& registry) {
    try {
      ReadParametersJson(json, registry);
    } catch (const ParameterParseException& e) {
      return e.what();
    }
    return std::string();
  }

  void ExpectNoSentinelLogged() const {
    for (const auto& [severity, message] : log->messages)
      EXPECT_EQ(message.toStdString().find(kSentinel), std::string::npos) << message.toStdString();
  }

  std::shared_ptr<fake::LogSink> log = std::make_shared<fake::LogSink>();
  fake::ScopedInstall<LogSink, ILogSink> installLog{log};
};

TEST_F(SecretsTest, NoSecuritySensitiveParameterOfTheVocabularyQuotesItsText) {
  ParametersRegistry registry;
  RegisterDataNamespaceParameters(registry);
  int sensitive = 0;
  int refused = 0;
  for (const ParameterInfo* info : registry.GetParameters(GetDataNamespaceName())) {
    if (!info->HasFlag(kParameterSecuritySensitive)) continue;
    ++sensitive;
    const std::string error = ReadError(Planted(*info), registry);
    if (error.empty()) continue;  // most secrets are plain strings, and any text reads
    ++refused;
    EXPECT_EQ(error.find(kSentinel), std::string::npos) << error;
    EXPECT_NE(error.find(info->GetUtf8Name()), std::string::npos) << error;
  }
  EXPECT_EQ(sensitive, 55);
  EXPECT_GE(refused, 1);  // at least the boolean secret cannot read the word
  ExpectNoSentinelLogged();

  // A parameter without secrets still says what it could not read.
  const std::string plain = ReadError(std::string("{\"allow-custom-sql\":\"") + kSentinel + "\"}", registry);
  EXPECT_NE(plain.find(kSentinel), std::string::npos) << plain;
}

TEST_F(SecretsTest, SimpleValuesListsAndMapsOfASecretAreAllGuarded) {
  // Flagged after registration, as the vocabulary's secrets are; flagging twice changes nothing.
  ParametersRegistry registry;
  const ParameterNamespaceName ns(L"secrets");
  registry.RegisterNamespace(ns, 0x20, 0x2f);
  registry.AddParametersToNamespace(ns, [](AbstractParamAdder& adder) {
    RefCntPtr<IParameterSerializer> number = CreateParameterSerializer<ParameterTypeSerializer<int>>();
    adder.AddSimple(0x21, L"pin", number.Get());
    adder.AddList(0x22, L"pins", number.Get());
    adder.AddMap(0x23, L"pins-by-card", number.Get());
  });
  for (unsigned int id : {0x21u, 0x22u, 0x23u, 0x23u}) registry.AddSecuritySensitive(id);

  for (const unsigned int id : {0x21u, 0x22u, 0x23u}) {
    const std::string error = ReadError(Planted(*registry.FindParameter(id)), registry);
    // The test registry is not the process one, so the parameter is named by its id.
    EXPECT_EQ(error, QStringLiteral("Cannot parse parameter 0x%1: the text is not shown, since the parameter holds secrets")
                         .arg(id, 8, 16, QLatin1Char('0'))
                         .toStdString());
  }
  // Values that read are unchanged by the guard, and write back as they were.
  const std::string json = R"({"pin":"1234","pins":["1","-2"],"pins-by-card":{"a":"3"}})";
  EXPECT_EQ(WriteParametersJson(*ReadParametersJson(json, registry), registry), json);
  ExpectNoSentinelLogged();
}

}  // namespace
