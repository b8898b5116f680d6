// ParameterNamespaceName and LegacyParameterName: the names the registry knows things by.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <utility>

/// The name of a parameter namespace, such as "hlvdata".
class ParameterNamespaceName {
 public:
  ParameterNamespaceName() = default;
  explicit ParameterNamespaceName(TString value) : m_value(std::move(value)) {}
  explicit ParameterNamespaceName(const wchar_t* value) : m_value(TStringFromWide(value)) {}

  const TString& GetValue() const noexcept { return m_value; }

  friend bool operator==(const ParameterNamespaceName& a, const ParameterNamespaceName& b) {
    return a.m_value == b.m_value;
  }
  friend bool operator!=(const ParameterNamespaceName& a, const ParameterNamespaceName& b) {
    return !(a == b);
  }

 private:
  TString m_value;
};

/// The registered name of a parameter, such as "initial-sql". Empty when a lookup found none.
class LegacyParameterName {
 public:
  LegacyParameterName() = default;
  explicit LegacyParameterName(TString value) : m_value(std::move(value)) {}

  const TString& GetValue() const noexcept { return m_value; }
  bool IsEmpty() const noexcept { return m_value.isEmpty(); }

 private:
  TString m_value;
};
