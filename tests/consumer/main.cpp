// Opens the connection dialog of a PostgreSQL connection as a host would, writes it as JSON,
// reads it back and checks the text survives, then asks the dialog service for the same dialog
// and checks it answers that text. Exits 0 when both hold.

// Both spellings of the installed headers work: prefixed, and as the headers include each other.
#include <hlvpreslayerdata/host/connect/ConnectionSettingsCache.h>
#include <hlvpreslayerdata/presentation-model/ConnectionSettingsPresModelBuilder.h>

#include "host/connect/DSConnectionConfig.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"
#include "services/ConnectionServices.h"
#include "services/Vocabulary.h"

#include <exception>
#include <iostream>
#include <optional>
#include <string>

int main() {
  try {
    Services::RegisterVocabulary();
    const ParametersRegistry& registry = ParametersRegistry::Get();

    const TString connectionClass = QStringLiteral("postgres");
    const RefCntPtr<DSConnectionConfig> config = DSConnectionConfig::CreateInstance(
        connectionClass, nullptr, nullptr, TString(), DataObjectModel::ObjectId(), true);
    const RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(config, {}, true);
    const ConnectionSettingsCache cache;
    const RefCntPtr<const ConnectionSettingsPresModel> dialog =
        ConnectionSettingsPresModelBuilder().Build(*cache.CreateAccessor(), config, initialSQL, nullptr);

    const std::string written = WriteParametersJson(*dialog->AsIParameters(), registry);
    const std::string again = WriteParametersJson(*ReadParametersJson(written, registry, nullptr), registry);
    if (written.find("postgres") == std::string::npos || again != written) {
      std::cerr << "the dialog did not survive writing and reading:\n" << written << "\n" << again << "\n";
      return 1;
    }
    const std::string served = Services::DialogJson(Services::KnownConnectionClass("postgres"), std::nullopt);
    if (served != written) {
      std::cerr << "the dialog service answered another dialog:\n" << served << "\n";
      return 1;
    }
    std::cout << "dialog of " << connectionClass.toStdString() << ": " << written.size() << " bytes\n";
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "error: " << error.what() << "\n";
    return 1;
  }
}
