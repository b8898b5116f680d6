#include "parameters/ImageSerializers.h"

#include "host/Exceptions.h"
#include "host/app/PresModelBuilderSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>

#include <cstdint>
#include <cstring>

namespace {

// Whether any 32-bit pixel word has an alpha (top) byte below 0xFF.
bool HasTransparency(const QImage& image) {
  const uchar* bits = image.constBits();
  const qsizetype words = image.sizeInBytes() / static_cast<qsizetype>(sizeof(std::uint32_t));
  for (qsizetype i = 0; i < words; ++i) {
    std::uint32_t word;
    std::memcpy(&word, bits + i * static_cast<qsizetype>(sizeof word), sizeof word);
    if ((word >> 24) < 0xFF) return true;
  }
  return false;
}

}  // namespace

TString ParameterTypeSerializer<QImage>::TypeToString(const QImage& image) {
  const bool lossy = PresModelBuilderSupport::LossyEncodeImages();
  const bool png = !lossy || HasTransparency(image);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, png ? "PNG" : "JPG", png ? -1 : 97)) return TString();
  return QString::fromLatin1(bytes.toBase64());
}

QImage ParameterTypeSerializer<QImage>::TypeFromString(const TString& text) {
  const QByteArray bytes = QByteArray::fromBase64(text.toUtf8());
  QImage image;
  if (!bytes.isEmpty() && !image.loadFromData(bytes, "PNG") && !image.loadFromData(bytes, "JPG"))
    throw ParameterParseException(0, QStringLiteral("the text is neither a PNG nor a JPEG image"));
  if (!image.isNull() && image.colorSpace().isValid()) image.convertToColorSpace(QColorSpace::SRgb);
  return image;
}

TString ParameterTypeSerializer<QPixmap>::TypeToString(const QPixmap& pixmap) {
  return ParameterTypeSerializer<QImage>::TypeToString(pixmap.toImage());
}

QPixmap ParameterTypeSerializer<QPixmap>::TypeFromString(const TString& text) {
  return QPixmap::fromImage(ParameterTypeSerializer<QImage>::TypeFromString(text));
}

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<QImage>>() {
  return MakeRefCnt<ParameterTypeSerializer<QImage>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<QPixmap>>() {
  return MakeRefCnt<ParameterTypeSerializer<QPixmap>>();
}
