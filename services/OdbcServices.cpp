#include "services/OdbcServices.h"

#include "host/connectors/OdbcCatalog.h"
#include "host/parameters/JsonText.h"

namespace Services {

std::string OdbcDriversJson() {
  std::string json = "{\"drivers\":[";
  for (const TString& name : OdbcCatalog::DriverNames()) {
    if (json.back() != '[') json += ',';
    AppendJsonString(json, name);
  }
  return json + "]}";
}

}  // namespace Services
