// Hostile input that once crashed the process or exhausted its memory: each is refused with an
// error naming the limit, quickly, before the costly work starts.
#include "host/Exceptions.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/FormattedText.h"
#include "parameters/ClassSerializers.h"
#include "parameters/ImageSerializers.h"
#include "tests/QStringPrinter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace {

using ImageSerializer = ParameterTypeSerializer<QImage>;

// Generous against a slow machine, far below the seconds a decoded giant image takes.
constexpr qint64 kQuickMs = 2000;

// The message of the ParameterParseException that reading `text` as `T` raises, and checks that
// it came quickly.
template <typename Serializer>
std::string ReadError(const TString& text) {
  QElapsedTimer timer;
  timer.start();
  try {
    Serializer::TypeFromString(text);
  } catch (const ParameterParseException& e) {
    EXPECT_LT(timer.elapsed(), kQuickMs);
    return e.what();
  }
  return "no error";
}

QByteArray Encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
  return bytes;
}

template <typename Integer>
QByteArray BigEndian(Integer value) {
  QByteArray bytes(sizeof value, '\0');
  qToBigEndian(value, bytes.data());
  return bytes;
}

// A real one-pixel PNG whose header is rewritten to declare `width` x `height` pixels, its
// checksum recomputed so that the header is valid; the pixel data is that of one pixel.
TString ForgedPng(quint32 width, quint32 height) {
  QImage pixel(1, 1, QImage::Format_ARGB32);
  pixel.fill(Qt::red);
  QByteArray png = Encode(pixel, "PNG");
  // Signature (8), then the IHDR chunk: length (4), type (4), width and height (4 each), three
  // more fields (5), and the checksum of type and fields.
  EXPECT_EQ(png.mid(12, 4), QByteArray("IHDR"));
  png.replace(16, 4, BigEndian(width));
  png.replace(20, 4, BigEndian(height));
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(png.constData() + 12), 4 + 13);
  png.replace(29, 4, BigEndian(static_cast<quint32>(crc)));
  return QString::fromLatin1(png.toBase64());
}

// A real one-pixel JPEG whose frame header declares `width` x `height` pixels.
TString ForgedJpeg(quint16 width, quint16 height) {
  QImage pixel(1, 1, QImage::Format_RGB32);
  pixel.fill(Qt::red);
  QByteArray jpeg = Encode(pixel, "JPG");
  const int frame = jpeg.indexOf("\xff\xc0");  // baseline frame: marker, length, precision, height, width
  EXPECT_GT(frame, 0);
  jpeg.replace(frame + 5, 2, BigEndian(height));
  jpeg.replace(frame + 7, 2, BigEndian(width));
  return QString::fromLatin1(jpeg.toBase64());
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

TEST(InputLimitsTest, DeeplyNestedXmlIsRefusedWithoutRecursion) {
  // 25,000 levels (175 KB) once overflowed the stack of the DOM builder.
  const TString deep = QStringLiteral("<d>").repeated(25000) + QStringLiteral("</d>").repeated(25000);
  const std::string error = ReadError<ParameterTypeSerializer<FormattedText>>(deep);
  EXPECT_TRUE(Contains(error, "elements nest deeper than 64 levels")) << error;

  // The limit itself is accepted, one level more is not.
  const auto nested = [](int levels) {
    return DOMParser::ParseXmlString(QStringLiteral("<d>").repeated(levels) + QStringLiteral("</d>").repeated(levels),
                                     QStringLiteral("value"));
  };
  EXPECT_FALSE(nested(kMaxXmlNesting).HasErrors()) << nested(kMaxXmlNesting).GetErrors().toStdString();
  const DOMDocument tooDeep = nested(kMaxXmlNesting + 1);
  EXPECT_EQ(tooDeep.GetErrors(), QStringLiteral("value, line 1, column 195: elements nest deeper than 64 levels"));
  EXPECT_TRUE(tooDeep.GetRoot().isNull());

  // A document type declaration is refused even without entities: none of the host's forms has one.
  const DOMDocument withDoctype = DOMParser::ParseXmlString(QStringLiteral("<!DOCTYPE d><d/>"), TString());
  EXPECT_TRUE(withDoctype.GetErrors().endsWith(QStringLiteral("document type declarations are not accepted")))
      << withDoctype.GetErrors().toStdString();
}

TEST(InputLimitsTest, ImagesAreMeasuredFromTheirHeaderBeforeDecoding) {
  // A PNG header of a few dozen bytes declaring 100000 x 100000 pixels once set off a 40 GB
  // allocation; a 20000 x 20000 image was decoded in full (1.5 GB, half a minute).
  std::string error = ReadError<ImageSerializer>(ForgedPng(100000, 100000));
  EXPECT_TRUE(Contains(error, "declares 100000x100000 pixels, more than the limit of 16384 on a side")) << error;
  error = ReadError<ImageSerializer>(ForgedPng(20000, 20000));
  EXPECT_TRUE(Contains(error, "20000x20000")) << error;
  error = ReadError<ImageSerializer>(ForgedJpeg(20000, 20000));
  EXPECT_TRUE(Contains(error, "declares 20000x20000 pixels")) << error;
  // One side over the limit is enough; so is a size whose pixels take more than 256 MiB.
  error = ReadError<ImageSerializer>(ForgedPng(1, kMaxImageSide + 1));
  EXPECT_TRUE(Contains(error, "on a side")) << error;
  error = ReadError<ImageSerializer>(ForgedPng(8193, 8192));  // 32 bits a pixel: just over 256 MiB
  EXPECT_TRUE(Contains(error, "more than the limit of 256 MiB")) << error;

  // Only PNG and JPEG are read: this GIF announces a small frame on a canvas of 11401 x 11308
  // pixels, which its decoder would allocate.
  const QString gif = QStringLiteral(
      "R0lGODdhiSwsLCwALCwsLCwAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAABAAAAAAAAAsLDssLCwsDEk=");
  error = ReadError<ImageSerializer>(gif);
  EXPECT_TRUE(Contains(error, "neither a PNG nor a JPEG image")) << error;
  error = ReadError<ImageSerializer>(QString::fromLatin1(Encode(QImage(4, 4, QImage::Format_RGB32), "BMP").toBase64()));
  EXPECT_TRUE(Contains(error, "neither a PNG nor a JPEG image")) << error;

  // An image as wide as the limit is read.
  QImage strip(kMaxImageSide, 2, QImage::Format_ARGB32);
  strip.fill(Qt::blue);
  EXPECT_EQ(ImageSerializer::TypeFromString(QString::fromLatin1(Encode(strip, "PNG").toBase64())).size(),
            QSize(kMaxImageSide, 2));
}

// A text over the reader's byte limit costs nothing to refuse: no parse, no copy, whatever it
// holds.
TEST(InputLimitsTest, ParameterTextOverTheByteLimitIsRefusedBeforeReading) {
  const ParametersRegistry registry;
  std::string text(kMaxJsonBytes + 1, ' ');
  text.replace(0, 2, "{}");
  try {
    ReadParametersJson(text, registry);
    ADD_FAILURE() << "an oversized text was read";
  } catch (const ParameterParseException& e) {
    EXPECT_STREQ(e.what(), "Cannot parse parameter text: the JSON text has 67108865 bytes, more than the limit of "
                           "67108864");
  }
}

}  // namespace
