#include "host/connectors/InstalledDriverDiagnostics.h"

#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connectors/DescriptionRegistry.h"
#include "host/connectors/LiveConnection.h"
#include "host/connectors/OdbcCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>

#include <algorithm>

namespace {

TString ValueOf(const ConnectionAttributeMap& attributes, const TString& name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? TString() : found->second;
}

bool HasJdbcDriver(const TString& jarName) {
  const QString path = qEnvironmentVariable("HLV_JDBC_DRIVERS_PATH");
  for (const QString& folder : path.split(QLatin1Char(':'), Qt::SkipEmptyParts))
    if (QFileInfo(QDir(folder).filePath(jarName)).isFile()) return true;
  return false;
}

// The name users see for `connectionType`: its connection option's, else the type itself.
TString ConnectionTypeName(const Connect::ConnectorFacts& facts, const TString& connectionType) {
  for (const Connect::ConnectionSettingsOption& option : facts.connectionOptions)
    if (option.GetConnectionType() == connectionType) return option.GetName();
  return connectionType;
}

bool IsNameInstalled(Connect::DriverRequirement::Kind kind, const TString& name) {
  switch (kind) {
    case Connect::DriverRequirement::Kind::kQt:
      return QSqlDatabase::isDriverAvailable(name);
    case Connect::DriverRequirement::Kind::kOdbc: {
      // The driver manager loads a library named by its path without looking it up.
      if (QDir::isAbsolutePath(name)) return QFileInfo(name).isFile();
      const std::vector<TString> installed = OdbcCatalog::DriverNames();
      return std::find(installed.begin(), installed.end(), name) != installed.end();
    }
    case Connect::DriverRequirement::Kind::kJdbc:
      return HasJdbcDriver(name);
    case Connect::DriverRequirement::Kind::kHost:
      return LiveConnection::HostReads(name);
  }
  return false;
}

}  // namespace

bool InstalledDriverDiagnostics::IsInstalled(const Connect::DriverRequirement& driver) {
  return !InstalledName(driver).isEmpty();
}

TString InstalledDriverDiagnostics::InstalledName(const Connect::DriverRequirement& driver) {
  if (IsNameInstalled(driver.kind, driver.name)) return driver.name;
  for (const TString& alternative : driver.alternatives)
    if (IsNameInstalled(driver.kind, alternative)) return alternative;
  return TString();
}

bool InstalledDriverDiagnostics::HasDriver(const ConnectionAttributeMap& attributes, TString& message) const {
  const RefCntPtr<const Connect::ConnectorDescription> description =
      Connect::DescriptionOf(ValueOf(attributes, DataConnectionAttrs::attrClass));
  if (!description) return true;
  const TString connectionType = ValueOf(attributes, DataConnectionAttrs::attrConnectionType);
  const Connect::DriverRequirement* driver = description->DriverFor(connectionType);
  if (driver == nullptr || IsInstalled(*driver)) return true;
  // The connection type is named only when it is what chose the driver.
  const bool chosenByType = driver != (description->Facts().driver ? &*description->Facts().driver : nullptr);
  if (!chosenByType) {
    message = LookupTFmtStr(StringIds::kDriverNotInstalled).arg(driver->name);
    return false;
  }
  message = LookupTFmtStr(StringIds::kDriverNotInstalledForType)
                .arg(driver->name)
                .arg(ConnectionTypeName(description->Facts(), connectionType));
  return false;
}
