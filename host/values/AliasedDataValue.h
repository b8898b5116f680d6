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

  /// Orders two aliased values: negative when `a` comes before `b`, 0 when they are the same,
  /// positive after. The data values are compared first: by type (in DataType order), then a
  /// null value before every other value of its type, then by payload (strings by their UTF-16
  /// code units, so "B" before "a"; reals with NaN after every number). With `compareAliases`
  /// set, values that compare equal are then ordered by their aliases; without it the aliases
  /// do not count, so 3 aliased "West" is the same as a bare 3.
  static int Compare(const AliasedDataValue& a, const AliasedDataValue& b, bool compareAliases);

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
