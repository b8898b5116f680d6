#include "host/connectors/DescriptionFile.h"

#include "host/connectors/JsonFields.h"
#include "host/io/Files.h"

#include <utility>

namespace Connect {

namespace {

QLatin1String NameOf(DescriptionFileKind kind) {
  switch (kind) {
    case DescriptionFileKind::ConnectorDescription:
      return QLatin1String("Connector description");
    case DescriptionFileKind::ConnectionFixture:
      return QLatin1String("Connection fixture");
    case DescriptionFileKind::VariablesDescription:
      return QLatin1String("Variables description");
  }
  return QLatin1String("Description file");
}

}  // namespace

DescriptionFileException::DescriptionFileException(DescriptionFileKind kind, TString file, TString field,
                                                   TString problem)
    : HalvaneException(field.isEmpty()
                           ? QStringLiteral("%1 \"%2\": %3").arg(NameOf(kind), file, problem)
                           : QStringLiteral("%1 \"%2\", field \"%3\": %4").arg(NameOf(kind), file, field, problem)),
      m_kind(kind),
      m_file(std::move(file)),
      m_field(std::move(field)),
      m_problem(std::move(problem)) {}

DescriptionFileException::~DescriptionFileException() = default;

namespace JsonFields {

QByteArray LoadText(DescriptionFileKind kind, const TString& path, std::size_t maxBytes) {
  try {
    // Only a regular file is opened, and its size is checked before anything is read.
    return TFile::LoadBytes(TPath(path), maxBytes);
  } catch (const FileReadException& fault) {
    throw DescriptionFileException(kind, path, TString(), QStringLiteral("cannot be read: %1").arg(fault.GetReason()));
  }
}

void ParseText(DescriptionFileKind kind, std::string_view json, const TString& file,
               const HardenedJson::Limits& limits, rapidjson::Document& document) {
  try {
    HardenedJson::Parse(json, document, limits);
  } catch (const HardenedJson::JsonTextException& refused) {
    throw DescriptionFileException(kind, file, TString(), refused.GetMessage());
  }
}

}  // namespace JsonFields

}  // namespace Connect
