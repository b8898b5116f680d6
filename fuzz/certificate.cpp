// Certificate import: a certificate file is read as UTF-8 text. A file that is read gives back
// exactly its bytes (a byte order mark dropped); a file is refused only when it is not
// well-formed UTF-8, as an independent check of the encoding decides.
#include "fuzz/FuzzSupport.h"

#include "host/io/Files.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Well-formed UTF-8: no overlong form, no surrogate, nothing past U+10FFFF, nothing cut off.
bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char next = byte(i + k);
      if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir folder;
  static const TString path = folder.filePath(QStringLiteral("certificate.pem"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size)) {
      fuzz::Finding("writing the certificate file", ToUtf8(file.errorString()));
    }
  }
  std::string_view bytes = fuzz::AsText(data, size);
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);

  TString text;
  if (!fuzz::Completes("reading a certificate file", [&] { text = TFile::LoadTextFile(TPath(path), true); })) {
    if (IsUtf8(bytes)) fuzz::Finding("reading a certificate file", "well-formed UTF-8 was refused");
    return 0;
  }
  if (!IsUtf8(bytes)) fuzz::Finding("reading a certificate file", "text that is not UTF-8 was accepted");
  fuzz::ExpectSame("reading a certificate file", std::string(bytes), ToUtf8(text));
  return 0;
}
