// DescriptionFileException: the one fault of the JSON files the data-driven connection model
// reads (connector descriptions, connection fixtures, variables descriptions).
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"
#include "host/TString.h"

namespace Connect {

/// The kinds of JSON file the data-driven connection model reads; each names its files in
/// messages ("Connector description", "Connection fixture", "Variables description").
enum class DescriptionFileKind { ConnectorDescription, ConnectionFixture, VariablesDescription };

/// A file of the data-driven connection model that cannot be used. The message names the kind of
/// file, the file, the field (as a JSON pointer such as "/authentication/mode") and what is wrong
/// with it:
///   Connector description "x.json", field "/authentication/mode": unknown value "kerberos"; ...
class HLVHOST_API DescriptionFileException : public HalvaneException {
 public:
  /// `field` is empty when the fault is the text as a whole (not JSON, too large, unreadable).
  DescriptionFileException(DescriptionFileKind kind, TString file, TString field, TString problem);
  ~DescriptionFileException() override;

  DescriptionFileKind GetKind() const noexcept { return m_kind; }
  const TString& GetFile() const noexcept { return m_file; }
  const TString& GetField() const noexcept { return m_field; }
  const TString& GetProblem() const noexcept { return m_problem; }

 private:
  DescriptionFileKind m_kind;
  TString m_file;
  TString m_field;
  TString m_problem;
};

}  // namespace Connect
