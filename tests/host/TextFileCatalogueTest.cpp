// A folder of text files as a live connection: what detection settles for real files and what
// the attributes override, the typed cells of the preview, and the files it refuses.
#include "host/connect/DataSourceException.h"

#include "tests/QStringPrinter.h"
#include "tests/support/PreviewText.h"
#include "tests/support/TestFiles.h"

#include <QTemporaryDir>
#include <QTextCodec>

#include <gtest/gtest.h>

namespace {

using previewtext::Open;
using previewtext::Render;
using previewtext::Table;
using Reason = DataSourceException::Reason;

std::string Utf16(const char* codec, const QString& text) {
  const std::unique_ptr<QTextEncoder> encoder(QTextCodec::codecForName(codec)->makeEncoder(QTextCodec::IgnoreHeader));
  const QByteArray bytes = encoder->fromUnicode(text);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString PreviewOf(const std::string& name, const std::string& bytes, ConnectionAttributeMap attributes = {}) {
  QTemporaryDir dir;
  attributes[QStringLiteral("filename")] = testfiles::WriteFile(dir, QString::fromStdString(name), bytes);
  return Render(Open("csv", attributes)->Preview(Table(QString::fromStdString(name))));
}

TEST(TextFileCatalogue, DetectsFormatAndTypesUnlessTheAttributesSay) {
  const struct {
    const char* file;
    std::string bytes;
    ConnectionAttributeMap attributes;
    const char* expected;
  } cases[] = {
      {"types.csv", "id,price,day,name\n1,2.5,2024-01-31,ann\n2,3,2024-02-01,\"b, c\"\n", {},
       "id:integer price:real day:date name:text | 1 2.5d '2024-01-31' 'ann' | 2 3d '2024-02-01' 'b, c'"},
      {"noheader.txt", "1;x\r\n2;y\r\n", {}, "F1:integer F2:text | 1 'x' | 2 'y'"},
      {"names.tsv", "a\tb\nx\ty\n", {}, "a:text b:text | 'x' 'y'"},
      {"pipes.txt", "a|b,c\n1|2\n", {}, "a:integer b,c:integer | 1 2"},
      {"quoted.csv", "\"x,1\",\"multi\nline\"\n\"y,2\",3\n", {}, "x,1:text multi\nline:integer | 'y,2' 3"},
      {"nulls.csv", "a,b,c\n1,,\"\"\n2\n", {}, "a:integer b:text c:text | 1 null '' | 2 null null"},
      {"bom.csv", "\xEF\xBB\xBF" "a,b\n1,2\n", {}, "a:integer b:integer | 1 2"},
      {"le.csv", Utf16("UTF-16LE", QStringLiteral("\uFEFFnév,n\nÅsa,1\n")), {}, "név:text n:integer | 'Åsa' 1"},
      {"be.csv", Utf16("UTF-16BE", QStringLiteral("\uFEFFnév,n\nÅsa,1\n")), {}, "név:text n:integer | 'Åsa' 1"},
      {"latin1.csv", "name\nJos\xE9\n", {{QStringLiteral("charset"), QStringLiteral("latin1")}}, "name:text | 'José'"},
      {"override.csv", "7;8\n9;x\n",
       {{QStringLiteral("delimiter"), QStringLiteral(";")},
        {QStringLiteral("header"), QStringLiteral("no")},
        {QStringLiteral("column-types"), QStringLiteral("text,integer")}},
       "F1:text F2:integer | '7' 8 | '9' 'x'"},
  };
  for (const auto& test : cases) EXPECT_EQ(PreviewOf(test.file, test.bytes, test.attributes), test.expected) << test.file;
}

TEST(TextFileCatalogue, RefusesWhatItCannotReadWithTheLine) {
  const QString sql = QStringLiteral("SELECT 1");
  const struct {
    std::string bytes;
    ConnectionAttributeMap attributes;
    QString sql;
    bool cancelled;
    const char* expected;
    Reason reason;
  } cases[] = {
      {"a,b\n1,2\n3,4,5\n", {}, {}, false, "line 3 has more fields than the 2 columns", Reason::kOther},
      {"name\nok\nJos\xE9\n", {}, {}, false, "line 3 is not valid UTF-8", Reason::kOther},
      {"a\n1\n", {}, sql, false, "a custom SQL query is not possible", Reason::kOther},
      {"a\n1\n", {}, {}, true, "it was cancelled", Reason::kCancelled},
      {"a\n1\n", {{QStringLiteral("charset"), QStringLiteral("ebcdic")}}, {}, false,
       "\"ebcdic\" is not a value of the attribute \"charset\"", Reason::kOther},
  };
  for (const auto& test : cases) {
    QTemporaryDir dir;
    ConnectionAttributeMap attributes = test.attributes;
    attributes[QStringLiteral("filename")] = testfiles::WriteFile(dir, QStringLiteral("bad.csv"), test.bytes);
    const std::atomic<bool> cancel{test.cancelled};
    Preview::Request request = Table(QStringLiteral("bad.csv"));
    request.sql = test.sql;
    request.cancel = &cancel;
    try {
      Open("csv", attributes)->Preview(request);
      ADD_FAILURE() << test.expected;
    } catch (const DataSourceException& error) {
      EXPECT_TRUE(error.GetMessage().contains(QLatin1String(test.expected))) << qPrintable(error.GetMessage());
      EXPECT_EQ(error.GetReason(), test.reason) << test.expected;
    }
  }
  try {
    Open("csv", {{QStringLiteral("filename"), QStringLiteral("/nonexistent/x.csv")}});
    ADD_FAILURE();
  } catch (const DataSourceException& error) {
    EXPECT_EQ(error.GetMessage(), "Opening the text file \"/nonexistent/x.csv\" failed: the file does not exist");
    EXPECT_EQ(error.GetReason(), Reason::kDatabaseMissing);
  }
}

TEST(TextFileCatalogue, ListsTheFolderAndReadsOnlyTheStartOfAHugeFile) {
  QTemporaryDir dir;
  std::string lines = "n,text\n";
  for (int i = 1; i <= 300; ++i) lines += std::to_string(i) + ",row\n";
  const QString huge = testfiles::WriteFile(dir, QStringLiteral("huge.csv"), lines);
  for (const char* other : {"B.txt", "c.TSV", "d.tab", "e.xlsx", "notes.md"})
    testfiles::WriteFile(dir, QLatin1String(other), "x\n");
  // Two gigabytes, all but the lines above a hole of zero bytes: one endless line past them.
  ASSERT_TRUE(QFile::resize(huge, qint64{2} << 30));

  const std::unique_ptr<LiveConnection> connection = Open("csv", {{QStringLiteral("filename"), huge}});
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  connection->Tables(QString(), tables);
  QStringList names;
  for (const auto& table : tables) names << table.GetCaption();
  EXPECT_EQ(names.join(QLatin1Char(' ')), "B.txt c.TSV d.tab huge.csv");

  const Preview::Result first = connection->Preview(Table(QStringLiteral("huge.csv"), 3));
  EXPECT_EQ(Render(first), "n:integer text:text | 1 'row' | 2 'row' | 3 'row' +");
  try {
    connection->Preview(Table(QStringLiteral("huge.csv"), Preview::kMaxRows));
    ADD_FAILURE();
  } catch (const DataSourceException& error) {
    EXPECT_TRUE(error.GetMessage().contains(QLatin1String("line 302 is longer than 16 MiB"))) << qPrintable(error.GetMessage());
  }
}

}  // namespace
