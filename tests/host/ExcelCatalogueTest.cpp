// An Excel workbook as a live connection: workbooks written by libxlsxwriter in a program of
// their own (tests/support/XlsxWriterMain.cpp) previewed with their types, and files refused: not a zip, not a workbook, a part
// that unpacks past its cap whatever its zip header says, a document type.
#include "host/connect/DataSourceException.h"

#include "tests/QStringPrinter.h"
#include "tests/support/PreviewText.h"
#include "tests/support/TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>

#include <quazip.h>
#include <quazipfile.h>
#include <zlib.h>

#include <gtest/gtest.h>

namespace {

using previewtext::Open;
using previewtext::Render;
using previewtext::Table;

TEST(ExcelCatalogue, PreviewsSheetsWithTheirTypes) {
  QTemporaryDir dir;
  ASSERT_EQ(QProcess::execute(QStringLiteral(HLV_XLSXWRITER), {dir.path()}), 0);
  const QString book = dir.filePath(QStringLiteral("book.xlsx")), inlined = dir.filePath(QStringLiteral("inline.xlsx"));

  const std::unique_ptr<LiveConnection> connection = Open("excel", {{QStringLiteral("filename"), book}});
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  connection->Tables(QString(), tables);
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].GetCaption() + QLatin1Char(' ') + tables[1].GetCaption(), "People Second");

  const struct {
    QString file;
    const char* sheet;
    int rows;
    const char* expected;
  } cases[] = {
      {book, "People", 100,
       "name:text born:date score:real member:boolean note:text seen:datetime"
       " | 'Ann' '2024-01-31' 1.5d true 'bold plain' '2024-02-29T10:30:00'"
       " | null null null null null null"
       " | 'Bob' '1900-01-01' -2d false null null"},
      {book, "Second", 2, "n:integer | 1 | 2 +"},
      {inlined, "Inline", 100, "a:text F2:integer c:text | 'x' 7 null"},
  };
  for (const auto& test : cases)
    EXPECT_EQ(Render(Open("excel", {{QStringLiteral("filename"), test.file}})
                         ->Preview(Table(QLatin1String(test.sheet), test.rows))),
              test.expected)
        << test.sheet;
}

// `size` spaces, deflated without a zlib header, as a zip entry holds them.
QByteArray Deflated(qint64 size) {
  z_stream stream{};
  deflateInit2(&stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::vector<char> in(std::size_t{1} << 20, ' ');
  std::vector<char> out(std::size_t{1} << 16);
  QByteArray deflated;
  for (qint64 left = size; left >= 0;) {
    stream.next_in = reinterpret_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(std::min<qint64>(left, static_cast<qint64>(in.size())));
    left -= stream.avail_in;
    const int flush = left > 0 ? Z_NO_FLUSH : Z_FINISH;
    do {
      stream.next_out = reinterpret_cast<Bytef*>(out.data());
      stream.avail_out = static_cast<uInt>(out.size());
      deflate(&stream, flush);
      deflated.append(out.data(), static_cast<int>(out.size() - stream.avail_out));
    } while (stream.avail_out == 0);
    if (flush == Z_FINISH) break;
  }
  deflateEnd(&stream);
  return deflated;
}

// A zip of one entry: `bytes` as they are, or, with `claimed` set, already deflated and said to
// unpack to `claimed` bytes.
void WriteZip(const QString& path, const QString& name, const QByteArray& bytes, qint64 claimed = -1) {
  QuaZip zip(path);
  ASSERT_TRUE(zip.open(QuaZip::mdCreate));
  QuaZipNewInfo info(name);
  if (claimed >= 0) info.uncompressedSize = claimed;
  QuaZipFile file(&zip);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, Z_DEFAULT_COMPRESSION, claimed >= 0));
  file.write(bytes);
  file.close();
  zip.close();
}

TEST(ExcelCatalogue, RefusesFilesThatAreNoWorkbookOrTooBigToUnpack) {
  const qint64 tooBig = (qint64{64} << 20) + 1;
  const QByteArray bomb = Deflated(tooBig);
  const QString workbook = QStringLiteral("xl/workbook.xml");
  const struct {
    QString entry;
    QByteArray bytes;
    qint64 claimed;
    const char* expected;
  } cases[] = {
      {QString(), "PK, but no zip", -1, "it is not an Excel workbook (.xlsx): not a zip file"},
      {QStringLiteral("a.txt"), "text", -1, "it is a zip file, but not an Excel workbook"},
      {workbook, bomb, tooBig, "its part \"xl/workbook.xml\" unpacks to more than 64 MiB"},
      {workbook, bomb, 100, "its part \"xl/workbook.xml\" is refused: "},
      {workbook,
       "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
       "<workbook>&b;</workbook>",
       -1, "it declares a document type"},
  };
  for (const auto& test : cases) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.xlsx"));
    if (test.entry.isEmpty())
      testfiles::WriteFile(dir, QStringLiteral("bad.xlsx"), test.bytes.toStdString());
    else
      WriteZip(path, test.entry, test.bytes, test.claimed);
    try {
      Open("excel", {{QStringLiteral("filename"), path}});
      ADD_FAILURE() << test.expected;
    } catch (const DataSourceException& error) {
      EXPECT_TRUE(error.GetMessage().startsWith(QStringLiteral("Opening the Excel workbook \"%1\" failed: ").arg(path)))
          << qPrintable(error.GetMessage());
      EXPECT_TRUE(error.GetMessage().contains(QLatin1String(test.expected))) << qPrintable(error.GetMessage());
    }
  }
}

}  // namespace
