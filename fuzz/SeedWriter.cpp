// hlvfuzz_seeds OUT CANDIDATES: writes the seeds the library itself makes, beside those that
// tools/fuzz_inputs.py takes from the sources:
//   OUT/json_form/record-N.json    every full record in the JSON form
//   OUT/value_text/S-N             byte S picks the serializer, then a text it reads; the texts
//                                  are the lines of CANDIDATES each serializer accepts
//   OUT/formatted_text/*.xml       formatted text with every attribute
//   OUT/image/*                    small PNG and JPEG images in the usual pixel formats
#include "fuzz/FuzzSupport.h"

#include "host/parameters/ParameterSerializers.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/ClassSerializers.h"
#include "tests/RecordFixtures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

// Serializers such as the plain string one accept every text; a few seeds each are enough.
constexpr std::size_t kSeedsPerSerializer = 12;

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    fuzz::Finding("writing a seed", path.toStdString());
}

QString Folder(const QString& out, const char* target) {
  const QString folder = out + QLatin1Char('/') + QLatin1String(target);
  QDir().mkpath(folder);
  return folder;
}

void WriteRecords(const QString& out) {
  const QString folder = Folder(out, "json_form");
  int n = 0;
  for (const FullRecordSample& sample : FullRecordSamples()) {
    const std::string json = WriteParametersJson(*sample.MakeBag(), ParametersRegistry::Get());
    Write(QStringLiteral("%1/record-%2.json").arg(folder).arg(n++), QByteArray::fromStdString(json));
  }
}

void WriteValues(const QString& out, const char* candidatesPath) {
  std::vector<TString> candidates;
  std::ifstream in(candidatesPath);
  for (std::string line; std::getline(in, line);) candidates.push_back(TStringFromUtf8(line));
  if (candidates.empty()) fuzz::Finding("reading the value candidates", candidatesPath);

  const QString folder = Folder(out, "value_text");
  const auto& serializers = fuzz::ValueSerializers();
  for (std::size_t s = 0; s < serializers.size() && s < 256; ++s) {
    std::set<std::string> texts;
    for (const TString& candidate : candidates) {
      if (texts.size() == kSeedsPerSerializer) break;
      fuzz::Completes("a candidate seed", [&] {
        texts.insert(ToUtf8(serializers[s]->ValueToString(serializers[s]->ValueFromString(candidate))));
      });
    }
    int n = 0;
    for (const std::string& text : texts)
      Write(QStringLiteral("%1/%2-%3").arg(folder).arg(s).arg(n++),
            QByteArray(1, static_cast<char>(s)) + QByteArray::fromStdString(text));
  }
}

void WriteFormattedText(const QString& out) {
  FormattedTextRun plain;
  plain.SetText(QStringLiteral("Sales "));
  FormattedTextRun styled;
  styled.SetText(QStringLiteral(" <2024> & \"Zo\u00eb\"\t\n"));
  styled.SetFontName(QStringLiteral("Arial"));
  styled.SetFontSize(12);
  styled.SetBold(true);
  styled.SetItalic(true);
  styled.SetUnderline(true);
  styled.SetColor(QColor(255, 0, 0, 128));
  FormattedText text;
  text.AddRun(plain);
  text.AddRun(styled);
  text.AddRun(FormattedTextRun());
  const QString folder = Folder(out, "formatted_text");
  Write(folder + QStringLiteral("/runs.xml"), ParameterTypeSerializer<FormattedText>::TypeToString(text).toUtf8());
  Write(folder + QStringLiteral("/empty.xml"),
        ParameterTypeSerializer<FormattedText>::TypeToString(FormattedText()).toUtf8());
}

void WriteImages(const QString& out) {
  const QString folder = Folder(out, "image");
  const struct {
    const char* name;
    QImage::Format format;
    const char* type;
  } kinds[] = {
      {"argb32.png", QImage::Format_ARGB32, "PNG"},       {"rgb32.png", QImage::Format_RGB32, "PNG"},
      {"gray8.png", QImage::Format_Grayscale8, "PNG"},    {"indexed8.png", QImage::Format_Indexed8, "PNG"},
      {"mono.png", QImage::Format_Mono, "PNG"},           {"rgba64.png", QImage::Format_RGBA64, "PNG"},
      {"rgb32.jpg", QImage::Format_RGB32, "JPEG"},        {"gray8.jpg", QImage::Format_Grayscale8, "JPEG"},
  };
  QImage source(5, 3, QImage::Format_ARGB32);
  for (int y = 0; y < source.height(); ++y)
    for (int x = 0; x < source.width(); ++x) source.setPixel(x, y, qRgba(40 * x, 80 * y, 255 - 40 * x, 60 + 60 * y));
  for (const auto& kind : kinds) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, kind.type);
    if (!writer.write(source.convertToFormat(kind.format))) fuzz::Finding("writing an image seed", kind.name);
    Write(folder + QLatin1Char('/') + QLatin1String(kind.name), bytes);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hlvfuzz_seeds OUT CANDIDATES\n");
    return 2;
  }
  fuzz::SetUp();
  const QString out = QString::fromLocal8Bit(argv[1]);
  WriteRecords(out);
  WriteValues(out, argv[2]);
  WriteFormattedText(out);
  WriteImages(out);
  return 0;
}
