#include "services/LiveServices.h"

#include "host/Exceptions.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connect/DataSourceException.h"
#include "host/connectors/DescribedConfigs.h"
#include "host/detail/RapidJson.h"
#include "presentation-model/ConnectionDescriptionPresModelBuilder.h"
#include "services/ConnectionServices.h"
#include "services/InputError.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <type_traits>
#include <variant>

namespace Services {
namespace {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

void WriteString(Writer& writer, const TString& text) {
  const std::string utf8 = ToUtf8(text);
  writer.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()));
}

void WriteCell(Writer& writer, const Preview::Cell& cell) {
  std::visit(
      [&writer](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          writer.Null();
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          writer.Int64(value);
        } else if constexpr (std::is_same_v<T, double>) {
          // JSON has no infinity and no NaN.
          if (std::isfinite(value)) writer.Double(value);
          else writer.Null();
        } else if constexpr (std::is_same_v<T, bool>) {
          writer.Bool(value);
        } else if constexpr (std::is_same_v<T, TString>) {
          WriteString(writer, value);
        } else {
          writer.StartObject();
          writer.Key("binary");
          writer.Int64(value.bytes);
          writer.EndObject();
        }
      },
      cell);
}

std::string ResultJson(const Preview::Result& result) {
  rapidjson::StringBuffer buffer;
  Writer writer(buffer);
  writer.StartObject();
  writer.Key("columns");
  writer.StartArray();
  for (const Preview::Column& column : result.columns) {
    writer.StartObject();
    writer.Key("name");
    WriteString(writer, column.name);
    writer.Key("type");
    WriteString(writer, column.type);
    writer.Key("nullable");
    if (column.nullable == Preview::Column::Nullable::kUnknown) writer.Null();
    else writer.Bool(column.nullable == Preview::Column::Nullable::kYes);
    writer.EndObject();
  }
  writer.EndArray();
  writer.Key("rows");
  writer.StartArray();
  for (const std::vector<Preview::Cell>& row : result.rows) {
    writer.StartArray();
    for (const Preview::Cell& cell : row) WriteCell(writer, cell);
    writer.EndArray();
  }
  writer.EndArray();
  writer.Key("more-rows");
  writer.Bool(result.moreRows);
  writer.Key("cut-cells");
  writer.Int(result.cutCells);
  writer.EndObject();
  return std::string(buffer.GetString(), buffer.GetSize());
}

/// Raises InputError unless `request` names exactly one of a table and a query, and its rows
/// and timeout are in range.
void CheckRequest(const Preview::Request& request) {
  if (request.table.IsEmpty() == request.sql.isEmpty())
    throw InputError(QStringLiteral("a preview names either a table or a custom SQL query"));
  if (request.rows < 1 || request.rows > Preview::kMaxRows)
    throw InputError(QStringLiteral("a preview gives 1 to %1 rows, not %2").arg(Preview::kMaxRows).arg(request.rows));
  if (request.timeout.count() <= 0 || request.timeout.count() > kMaxPreviewSeconds * 1000)
    throw InputError(QStringLiteral("a preview's timeout is more than 0 and at most %1 seconds").arg(kMaxPreviewSeconds));
}

}  // namespace

Preview::Request PreviewRequest(const std::optional<std::string>& table, const std::optional<std::string>& sql,
                                const std::optional<std::string>& rows,
                                const std::optional<std::string>& timeoutSeconds) {
  Preview::Request request;
  if (table) {
    try {
      request.table = QualifiedName::ParseGlobalUtf8(*table);
    } catch (const ParameterParseException&) {
      throw InputError(QStringLiteral("\"%1\" is not a table name: write a name holding a dot or a bracket as "
                                      "[schema].[name], a \"]\" inside it doubled")
                           .arg(TStringFromUtf8(*table)));
    }
    if (request.table.IsEmpty()) throw InputError(QStringLiteral("the table name is empty"));
  }
  if (sql) {
    request.sql = TStringFromUtf8(*sql);
    if (request.sql.trimmed().isEmpty()) throw InputError(QStringLiteral("the custom SQL query is empty"));
  }
  if (rows) {
    bool ok = false;
    request.rows = TStringFromUtf8(*rows).toInt(&ok);
    if (!ok) throw InputError(QStringLiteral("rows takes a whole number, not \"%1\"").arg(TStringFromUtf8(*rows)));
  }
  if (timeoutSeconds) {
    bool ok = false;
    const double seconds = TStringFromUtf8(*timeoutSeconds).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxPreviewSeconds)
      throw InputError(QStringLiteral("the timeout takes a number of seconds, more than 0 and at most %1, not \"%2\"")
                           .arg(kMaxPreviewSeconds)
                           .arg(TStringFromUtf8(*timeoutSeconds)));
    // At least a millisecond: a timeout of zero would be none.
    request.timeout = std::chrono::milliseconds(std::max<long long>(1, std::llround(seconds * 1000)));
  }
  return request;
}

std::string PreviewJson(const TString& connectionClass, const ConnectionAttributeMap& attributes,
                        const Preview::Request& request) {
  CheckRequest(request);
  const RefCntPtr<DSConnectionConfig> config = LiveConfig(connectionClass, attributes);
  // A query only where the data source page offers one (its custom SQL dialog), as the page
  // itself decides before it is connected.
  if (!request.sql.isEmpty() && !ConnectionDescriptionPresModelBuilder(config).Build(false)->GetAllowCustomSQL())
    throw InputError(QStringLiteral("a \"%1\" connection takes no custom SQL query: preview one of its tables")
                         .arg(connectionClass));
  DescribedConfigState* state = DescribedConfigState::Of(*config);
  state->Connect();
  return ResultJson(state->Preview(request));
}

std::string TestJson(const TString& connectionClass, const ConnectionAttributeMap& attributes) {
  const RefCntPtr<DSConnectionConfig> config = LiveConfig(connectionClass, attributes);
  DescribedConfigState* state = DescribedConfigState::Of(*config);
  try {
    state->Connect();
  } catch (const DataSourceException& e) {  // the answer is the failure, with its reason
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("connected");
    writer.Bool(false);
    writer.Key("reason");
    writer.String(DataSourceException::ReasonName(e.GetReason()));
    writer.Key("message");
    writer.String(e.what());
    if (!e.GetDetails().isEmpty()) {
      writer.Key("details");
      WriteString(writer, e.GetDetails());
    }
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
  }
  state->Disconnect();
  return "{\"connected\":true}";
}

}  // namespace Services
