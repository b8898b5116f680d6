#include "host/app/InitialSQLParameterFormatter.h"

const InitialSQLParameterFormatter& InitialSQLParameterFormatter::Instance() {
  static const InitialSQLParameterFormatter formatter;
  return formatter;
}

TString InitialSQLParameterFormatter::GetName(ParameterEnum parameter) const {
  switch (parameter) {
    case ParameterEnum::kConnectionClass: return QStringLiteral("[ConnectionClass]");
    case ParameterEnum::kDataSourceName: return QStringLiteral("[DataSourceName]");
    case ParameterEnum::kServerUser: return QStringLiteral("[ServerUser]");
    case ParameterEnum::kServerUserFull: return QStringLiteral("[ServerUserFull]");
    case ParameterEnum::kHalvaneApp: return QStringLiteral("[HalvaneApp]");
    case ParameterEnum::kHalvaneVersion: return QStringLiteral("[HalvaneVersion]");
    case ParameterEnum::kWorkbookName: return QStringLiteral("[WorkbookName]");
    case ParameterEnum::kFlowName: return QStringLiteral("[FlowName]");
  }
  return TString();
}
