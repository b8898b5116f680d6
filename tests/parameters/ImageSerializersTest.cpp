#include "host/Exceptions.h"
#include "host/app/PresModelBuilderSupport.h"
#include "parameters/ImageSerializers.h"
#include "tests/QStringPrinter.h"

#include <QColorSpace>

#include <gtest/gtest.h>

namespace {

using ImageSerializer = ParameterTypeSerializer<QImage>;

QImage Opaque() {
  QImage image(8, 4, QImage::Format_ARGB32);
  image.fill(QColor(30, 120, 200));
  return image;
}

QByteArray Bytes(const TString& text) { return QByteArray::fromBase64(text.toLatin1()); }

class ImageSerializersTest : public ::testing::Test {
 protected:
  ~ImageSerializersTest() override { PresModelBuilderSupport::SetLossyEncodeImages(false); }
};

TEST_F(ImageSerializersTest, LossyEncodingIsJpegOnlyForOpaqueImages) {
  EXPECT_TRUE(Bytes(ImageSerializer::TypeToString(Opaque())).startsWith("\x89PNG"));

  PresModelBuilderSupport::SetLossyEncodeImages(true);
  const TString jpeg = ImageSerializer::TypeToString(Opaque());
  EXPECT_TRUE(Bytes(jpeg).startsWith("\xff\xd8\xff"));
  const QImage read = ImageSerializer::TypeFromString(jpeg);
  EXPECT_EQ(read.size(), QSize(8, 4));
  EXPECT_LE(std::abs(qRed(read.pixel(3, 2)) - 30), 8);  // quality 97 keeps the colour close

  QImage oneTransparentPixel = Opaque();
  oneTransparentPixel.setPixelColor(7, 3, QColor(30, 120, 200, 254));
  EXPECT_TRUE(Bytes(ImageSerializer::TypeToString(oneTransparentPixel)).startsWith("\x89PNG"));
}

TEST_F(ImageSerializersTest, PngKeepsEveryPixel) {
  QImage image = Opaque();
  image.setPixelColor(0, 0, QColor(1, 2, 3, 0));
  image.setPixelColor(1, 0, QColor(250, 251, 252, 100));
  const QImage read = ImageSerializer::TypeFromString(ImageSerializer::TypeToString(image));
  EXPECT_EQ(read.convertToFormat(QImage::Format_ARGB32), image);
}

TEST_F(ImageSerializersTest, EmptyTextIsTheNullImageAndGarbageIsAnError) {
  EXPECT_TRUE(ImageSerializer::TypeFromString(TString()).isNull());
  EXPECT_TRUE(ImageSerializer::TypeToString(QImage()).isEmpty());  // nothing to encode
  EXPECT_THROW(ImageSerializer::TypeFromString(QStringLiteral("bm90IGFuIGltYWdl")), ParameterParseException);
  // Base64 decoding skips what is not Base64; text that decodes to nothing is the null image.
  EXPECT_TRUE(ImageSerializer::TypeFromString(QStringLiteral("***")).isNull());
}

TEST_F(ImageSerializersTest, ImagesWithAColourSpaceAreReadAsSrgb) {
  QImage image = Opaque();
  image.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
  const QImage read = ImageSerializer::TypeFromString(ImageSerializer::TypeToString(image));
  EXPECT_EQ(read.colorSpace(), QColorSpace(QColorSpace::SRgb));
}

TEST_F(ImageSerializersTest, PixmapsTravelAsTheirImages) {
  const QPixmap pixmap = QPixmap::fromImage(Opaque());
  const TString text = ParameterTypeSerializer<QPixmap>::TypeToString(pixmap);
  EXPECT_EQ(text, ImageSerializer::TypeToString(pixmap.toImage()));
  EXPECT_EQ(ParameterTypeSerializer<QPixmap>::TypeFromString(text).size(), QSize(8, 4));
  EXPECT_TRUE(ParameterTypeSerializer<QPixmap>::TypeFromString(TString()).isNull());
}

}  // namespace
