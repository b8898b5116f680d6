// The value serializers of Qt images: Base64 text of PNG or JPEG data.
#pragma once

#include "host/parameters/ParameterTypeSerializer.h"
#include "parameters/PresLayerExport.h"

#include <QImage>
#include <QPixmap>

#include <cstdint>

/// The widest and tallest image the image serializers decode, in pixels.
inline constexpr int kMaxImageSide = 16384;
/// The most memory one decoded image may take: 256 MiB.
inline constexpr std::int64_t kMaxImageDecodedBytes = std::int64_t{256} << 20;

/// Writes a QImage as the Base64 text of its PNG encoding; when the host allows lossy images
/// (PresModelBuilderSupport::LossyEncodeImages) an image without transparency is written as a
/// JPEG of quality 97 instead. An image that cannot be encoded, such as the null image, is
/// written as the empty text.
///
/// Reading decodes the Base64 text and loads the bytes as PNG, else as JPEG, converting an
/// image with a colour space to sRGB. The empty text is the null image; text whose bytes are
/// neither raises ParameterParseException. So does an image whose header declares more than
/// kMaxImageSide pixels on a side or more than kMaxImageDecodedBytes once decoded, or whose
/// header does not tell its size: the size is checked before a single pixel is decoded.
template <>
class HLVPRES_API ParameterTypeSerializer<QImage> final
    : public TypedParameterSerializer<QImage, ParameterTypeSerializer<QImage>> {
 public:
  static TString TypeToString(const QImage& image);
  static QImage TypeFromString(const TString& text);
};

/// Writes and reads a QPixmap as the QImage it converts to. A QPixmap needs a QGuiApplication.
template <>
class HLVPRES_API ParameterTypeSerializer<QPixmap> final
    : public TypedParameterSerializer<QPixmap, ParameterTypeSerializer<QPixmap>> {
 public:
  static TString TypeToString(const QPixmap& pixmap);
  static QPixmap TypeFromString(const TString& text);
};

template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<QImage>>();
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<QPixmap>>();
