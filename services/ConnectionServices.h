// The connection dialog as services: the connection classes a host offers, the dialog of a new
// connection, the conversion of the field record a user confirmed into connection attributes,
// and the data source page of a connection, connected live or described by a fixture. Every
// answer is JSON text with its secrets masked (host/Secrets.h).
//
// The whole road in one call each (DialogJson, ConvertJson, DescribeJson), and its steps for a
// host that walks it itself (NewDialog, ReadFieldRecord, ToConnectorParams, AttributesJson,
// ConnectWith, DescriptionJson). Call RegisterVocabulary (services/Vocabulary.h) first.
#pragma once

#include "connect/DSConnectorParams.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/parameters/PresentationModel.h"
#include "presentation-model/ConnectionParamsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/InitialSQLPresModel.h"
#include "services/ServicesExport.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Services {

/// One connection class of the connector registry, as a gallery or a class list shows it.
struct ConnectorSummary {
  /// The class, such as "postgres".
  TString connectionClass;
  /// The gallery list the class is in: "file", "server", or "none" for a class in neither.
  const char* list = "none";
  /// Its configuration: "relational", "hierarchical" or "other".
  const char* model = "other";
  /// The English caption.
  TString caption;
};

/// Every class the installed connector registry holds, sorted by class. Raises the registry's
/// or the configuration factory's exception when a class cannot be made.
HLVSERVICES_API std::vector<ConnectorSummary> ListConnectors();

/// The connection class called `name` (UTF-8). Raises InputError when the connector registry
/// holds no such class.
HLVSERVICES_API TString KnownConnectionClass(const std::string& name);

/// The attributes in the JSON text `json`, an object of strings of at most 1 MiB. Raises
/// InputError when it is another JSON value or a value is not a string, and
/// HardenedJson::JsonTextException when it is not JSON or is too long or too deep.
HLVSERVICES_API ConnectionAttributeMap ParseAttributes(const std::string& json);

/// The JSON of the connection settings record of a new connection of `connectionClass`: the
/// dialog, started from a settings cache that remembers `lastAttributes` (a JSON object of
/// strings, the attributes last connected with, read as ParseAttributes reads them) when
/// given. A remembered secret is written as ********. Raises what ParseAttributes raises and
/// the builders' exceptions.
HLVSERVICES_API std::string DialogJson(const TString& connectionClass, const std::optional<std::string>& lastAttributes);

/// The attributes, as a JSON object of strings with sorted keys, that a connection of
/// `connectionClass` connects with once the user confirmed the field record in the bag `bag`
/// (which came from `source`, named in the error when it holds no such record). A chosen
/// certificate file is loaded and the secrets go to the credential service; a secret still held
/// is written as ********. Raises ParameterParseException for text that is not a bag, and
/// InputError or the host's exception when the record cannot be converted.
HLVSERVICES_API std::string ConvertJson(const TString& connectionClass, const std::string& bag, const char* source);

/// Connects a relational connection of `connectionClass` live with `attributes` (its secrets
/// moved to the credential service first) and returns the JSON of its data source page (the
/// simple record when `simple`; for OLAP use when `olap`), secrets masked. Raises
/// DataSourceException, with the database's message made safe, when the connection fails, and
/// InputError for a class that is not connected live.
HLVSERVICES_API std::string DescribeJson(const TString& connectionClass, const ConnectionAttributeMap& attributes,
                                         bool olap, bool simple);

/// DescribeJson's record, built and masked but not yet written: for a caller that streams it
/// (StreamRecordJson). Raises what DescribeJson raises.
HLVSERVICES_API RefCntPtr<const PresentationModel> DescribeRecord(const TString& connectionClass,
                                                                  const ConnectionAttributeMap& attributes, bool olap,
                                                                  bool simple);

/// A relational connection of `connectionClass` with `attributes`, its secrets moved to the
/// credential service, ready to connect live (DescribedConfigState::Of gives its state) but not
/// yet connected. Raises InputError for a class that is not connected live.
HLVSERVICES_API RefCntPtr<DSConnectionConfig> LiveConfig(const TString& connectionClass,
                                                         const ConnectionAttributeMap& attributes);

/// The JSON of the data source page of the cube or Google Analytics connection that the
/// fixture file `file` describes (docs/fixtures.md), as DescribeJson writes it. Raises the
/// fixture loader's exception for a file that cannot be used.
HLVSERVICES_API std::string DescribeFixtureJson(const TString& file, bool olap, bool simple);

/// The records of the dialog of a new connection, as NewDialog builds them.
struct DialogRecords {
  /// The new connection the dialog edits.
  RefCntPtr<DSConnectionConfig> config;
  /// Its initial SQL record.
  RefCntPtr<const InitialSQLPresModel> initialSQL;
  /// Its connection settings record: the dialog. Unmasked: write it through MaskedJson when it
  /// was started from attributes that may hold a secret.
  RefCntPtr<const ConnectionSettingsPresModel> settings;
};

/// The dialog of a new connection of `connectionClass`, started from a settings cache that
/// remembers `lastAttributes` (see DialogJson). Raises what DialogJson raises.
HLVSERVICES_API DialogRecords NewDialog(const TString& connectionClass,
                                        const std::optional<std::string>& lastAttributes);

/// The dialog of the existing connection of `connectionClass` with `attributes` (a saved one):
/// its fields show the attributes, each secret among them as a value the dialog keeps. Write
/// `settings` through MaskedJson. Raises the builders' exceptions.
HLVSERVICES_API DialogRecords ExistingDialog(const TString& connectionClass, const ConnectionAttributeMap& attributes);

/// Whether the attribute `name` of a connection of `connectionClass` holds a secret: one the
/// secrets policy names, or a secure connection field of the class.
HLVSERVICES_API std::function<bool(const TString& name)> SecretPredicate(const TString& connectionClass);

/// The attributes a connection of `config` connects with after the user confirmed `record` (a
/// chosen certificate file loaded, its file under "filename"), its secrets still among them:
/// for a caller that keeps them itself. Raises the conversion's exceptions.
HLVSERVICES_API ConnectionAttributeMap ConvertedAttributes(const RefCntPtr<DSConnectionConfig>& config,
                                                           const RefCntPtr<const ConnectionParamsPresModel>& record);

/// The connection params record in the bag `text`, which came from `source` (named in the
/// error when it holds none). Raises ParameterParseException for text that is not a bag and
/// InputError for a bag without the record.
HLVSERVICES_API RefCntPtr<const ConnectionParamsPresModel> ReadFieldRecord(const std::string& text,
                                                                           const char* source);

/// The attributes a connection of `config` connects with after the user confirmed `record`: a
/// chosen certificate file loaded, and every secret moved to the credential service. Raises
/// the conversion's and the certificate loader's exceptions.
HLVSERVICES_API std::unique_ptr<DSConnectorParams> ToConnectorParams(
    const RefCntPtr<DSConnectionConfig>& config, const RefCntPtr<const ConnectionParamsPresModel>& record);

/// The attributes of `params` (its file under "filename") as a JSON object with sorted keys,
/// every secret of a connection of `config`'s class written as ********.
HLVSERVICES_API std::string AttributesJson(const DSConnectionConfig& config, const DSConnectorParams& params);

/// An existing connection of `connectionClass` with the attributes of `params` (its file under
/// "filename"), connected live. Raises DataSourceException when the connection fails and
/// InputError for a class the host cannot connect.
HLVSERVICES_API RefCntPtr<DSConnectionConfig> ConnectWith(const TString& connectionClass,
                                                          const DSConnectorParams& params);

/// The JSON of the data source page of `config` (the simple record when `simple`; for OLAP
/// use when `olap`), its secret attributes masked. Raises the builder's exceptions.
HLVSERVICES_API std::string DescriptionJson(const RefCntPtr<const DSConnectionConfig>& config, bool olap, bool simple);

/// DescriptionJson's record, built and masked but not yet written.
HLVSERVICES_API RefCntPtr<const PresentationModel> DescriptionRecord(const RefCntPtr<const DSConnectionConfig>& config,
                                                                     bool olap, bool simple);

/// The JSON text of `record`, written with the process-wide registry.
HLVSERVICES_API std::string RecordJson(const PresentationModel& record);

/// RecordJson handed to `drain` in pieces as it is written, for a long text sent on as it comes
/// (StreamParametersJson).
HLVSERVICES_API void StreamRecordJson(const PresentationModel& record,
                                      const std::function<void(std::string_view)>& drain);

/// The JSON text `json` of a bag of records of a connection of `config`'s class with every
/// secret masked. Raises ParameterParseException for text that is not a bag.
HLVSERVICES_API std::string MaskedJson(const DSConnectionConfig& config, const std::string& json);

}  // namespace Services
