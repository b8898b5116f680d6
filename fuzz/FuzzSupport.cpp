#include "fuzz/FuzzSupport.h"

#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/parameters/ParameterSerializers.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/ParameterRegistration.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <typeinfo>

namespace fuzz {
namespace {

// Warnings about bad input are expected by the thousand; on standard error they would only
// slow the run down and bury libFuzzer's own report.
class SilentLogSink final : public ILogSink {
 public:
  void Write(TLog, const TString&) override {}
};

}  // namespace

void SetUp() {
  static bool done = false;
  if (done) return;
  done = true;
  // The image readers are Qt plug-ins, found through the application object.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "hlvfuzz";
  static char* argv[] = {name, nullptr};
  static QGuiApplication application(argc, argv);
  RegisterDataNamespaceParameters();
  RegisterDataPresModelParameters();
  LogSink::Install(std::make_shared<SilentLogSink>());
}

std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

bool Completes(const char* what, const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const LogicException& e) {
    Finding(what, std::string("LogicException at ") + e.GetFile() + ":" + std::to_string(e.GetLine()) + ": " +
                      e.what());
  } catch (const HalvaneException&) {
    return false;
  } catch (const std::out_of_range&) {
    return false;
  } catch (const std::exception& e) {
    Finding(what, std::string(typeid(e).name()) + ": " + e.what());
  }
}

void MustComplete(const char* what, const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& e) {
    Finding(what, std::string(typeid(e).name()) + ": " + e.what());
  }
}

void ExpectSame(const char* what, const std::string& first, const std::string& second) {
  if (first == second) return;
  Finding(what, "the second text differs from the first:\n  first:  " + first + "\n  second: " + second);
}

void ExpectSame(const char* what, const TString& first, const TString& second) {
  ExpectSame(what, ToUtf8(first), ToUtf8(second));
}

void Finding(const char* what, const std::string& detail) {
  std::fprintf(stderr, "\n== hlvfuzz finding in %s: %s\n", what, detail.c_str());
  std::fflush(stderr);
  std::abort();
}

const std::vector<const IParameterSerializer*>& ValueSerializers() {
  static const std::vector<const IParameterSerializer*> serializers = [] {
    const ParametersRegistry& registry = ParametersRegistry::Get();
    std::map<std::string, const IParameterSerializer*> byType;
    for (const ParameterNamespaceName& ns : registry.GetNamespaces()) {
      for (const ParameterInfo* info : registry.GetParameters(ns)) {
        const IParameterSerializer* serializer = info->GetValueSerializer();
        if (serializer != nullptr) byType.emplace(typeid(*serializer).name(), serializer);
      }
    }
    std::vector<const IParameterSerializer*> ordered;
    for (const auto& [type, serializer] : byType) ordered.push_back(serializer);
    return ordered;
  }();
  return serializers;
}

}  // namespace fuzz
