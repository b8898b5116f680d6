// Sample values of the host's value classes, for the record fixtures. `label` makes each
// sample tell where it came from.
#pragma once

#include "host/TString.h"
#include "host/values/AliasedDataValue.h"
#include "host/values/DataEnums.h"
#include "host/values/DataValue.h"
#include "host/values/QualifiedName.h"
#include "host/values/SimpleValues.h"

#include <QColor>
#include <QImage>

#include <cstring>
#include <string>

template <typename T>
T Sample(const char* label);

template <>
inline TString Sample<TString>(const char* label) {
  return QStringLiteral("Zoë \"%1\" \\ ✓\n日本").arg(QString::fromUtf8(label));
}

template <>
inline QualifiedName Sample<QualifiedName>(const char* label) {
  return QualifiedName({QStringLiteral("Zoë"), QStringLiteral("a]b.c"), QString::fromUtf8(label)});
}

template <>
inline FieldName Sample<FieldName>(const char* label) {
  return FieldName(QStringLiteral("[%1]").arg(QString::fromUtf8(label)));
}

template <>
inline PasswordString Sample<PasswordString>(const char* label) {
  return PasswordString(QStringLiteral("sëcret \"%1\"").arg(QString::fromUtf8(label)));
}

/// A 2x2 image with one half-transparent pixel.
template <>
inline QImage Sample<QImage>(const char*) {
  QImage image(2, 2, QImage::Format_ARGB32);
  image.fill(QColor(200, 30, 90));
  image.setPixelColor(1, 1, QColor(10, 20, 30, 128));
  return image;
}

/// A string, except for the second element of a list or map, which is an integer.
template <>
inline DataValue Sample<DataValue>(const char* label) {
  if (std::strstr(label, "[1]") != nullptr) return DataValue::MakeInteger(-42);
  return DataValue::MakeString(Sample<TString>(label));
}

/// A string value with an alias. Records are read back against a string column, so the values
/// of aliased samples are strings.
template <>
inline AliasedDataValue Sample<AliasedDataValue>(const char* label) {
  return AliasedDataValue(DataValue::MakeString(Sample<TString>(label)),
                          QStringLiteral("alias of %1").arg(QString::fromUtf8(label)));
}

template <>
inline DataType Sample<DataType>(const char*) {
  return DataType::String;
}
