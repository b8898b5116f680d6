#include "parameters/ImageSerializers.h"

#include "host/Exceptions.h"
#include "host/app/PresModelBuilderSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QImageReader>

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

// The bytes an image of `size` in `format` takes once decoded; a format the header does not
// tell counts as 64 bits a pixel, the widest a PNG decodes to.
std::int64_t DecodedBytes(const QSize& size, QImage::Format format) {
  const int bitsPerPixel = format == QImage::Format_Invalid ? 64 : QImage::toPixelFormat(format).bitsPerPixel();
  const std::int64_t bytesPerLine = (std::int64_t{size.width()} * bitsPerPixel + 31) / 32 * 4;
  return bytesPerLine * size.height();
}

// Refuses, from the header alone, an image too large to decode: a few bytes of PNG or JPEG can
// declare an image of many gigabytes.
void CheckDeclaredSize(QImageReader& reader) {
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty())
    throw ParameterParseException(0, QStringLiteral("the image header does not tell the image's size"));
  if (size.width() > kMaxImageSide || size.height() > kMaxImageSide)
    throw ParameterParseException(
        0, QStringLiteral("the image declares %1x%2 pixels, more than the limit of %3 on a side")
               .arg(size.width())
               .arg(size.height())
               .arg(kMaxImageSide));
  const std::int64_t bytes = DecodedBytes(size, reader.imageFormat());
  if (bytes > kMaxImageDecodedBytes)
    throw ParameterParseException(
        0, QStringLiteral("the image declares %1x%2 pixels, %3 MiB decoded, more than the limit of %4 MiB")
               .arg(size.width())
               .arg(size.height())
               .arg(bytes >> 20)
               .arg(kMaxImageDecodedBytes >> 20));
}

// The image in `bytes` if they hold one of `format`; the null image if they do not.
QImage Decode(const QByteArray& bytes, const char* format) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  // Only the format asked for: left to itself, the reader would take any format it recognises
  // from the content, such as a GIF, whose header can announce a small frame while it decodes
  // into a canvas of many hundred megabytes.
  reader.setAutoDetectImageFormat(false);
  if (!reader.canRead()) return QImage();
  CheckDeclaredSize(reader);
  return reader.read();
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
  if (bytes.isEmpty()) return QImage();
  QImage image = Decode(bytes, "PNG");
  if (image.isNull()) image = Decode(bytes, "JPG");
  if (image.isNull())
    throw ParameterParseException(0, QStringLiteral("the text is neither a PNG nor a JPEG image"));
  if (image.colorSpace().isValid()) image.convertToColorSpace(QColorSpace::SRgb);
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
