// AliasedDataValue: a data value with the text a user sees for it.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/values/DataValue.h"

#include <utility>

/// A data value and its alias, such as the region code 3 shown as "West". The default
/// value holds the empty DataValue and an empty alias.
class HLVHOST_API AliasedDataValue {
 public:
  AliasedDataValue() = default;
  AliasedDataValue(DataValue value, TString alias) : m_value(std::move(value)), m_alias(std::move(alias)) {}

  const DataValue& GetValue() const noexcept { return m_value; }
  const TString& GetAlias() const noexcept { return m_alias; }
  /// Whether the data value holds a value: false exactly when it is the empty DataValue.
  bool HasValue() const noexcept { return m_value.HasValue(); }

  friend bool operator==(const AliasedDataValue& a, const AliasedDataValue& b) {
    return a.m_value == b.m_value && a.m_alias == b.m_alias;
  }
  friend bool operator!=(const AliasedDataValue& a, const AliasedDataValue& b) { return !(a == b); }

 private:
  DataValue m_value;
  TString m_alias;
};

/// An aliased data value that is written verbosely: as named parameters (alias, value text
/// and data type) that can be read without a column, rather than as the two strings of an
/// AliasedDataValue, which are read against a column.
///
/// It derives from AliasedDataValue, so it is used like one; being a type of its own, it
/// travels in parameter bags as ValParameter<VerboselySerializableAliasedDataValue> and is
/// written by its own serializer.
class HLVHOST_API VerboselySerializableAliasedDataValue : public AliasedDataValue {
 public:
  using AliasedDataValue::AliasedDataValue;
  VerboselySerializableAliasedDataValue() = default;
  explicit VerboselySerializableAliasedDataValue(AliasedDataValue value) : AliasedDataValue(std::move(value)) {}
};
