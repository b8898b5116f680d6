#include "host/io/Files.h"

#include "host/Exceptions.h"
#include "host/connectors/ConnectionFixture.h"
#include "host/connectors/DescribedDataConnection.h"
#include "host/connectors/DescriptionLoader.h"

#include "tests/QStringPrinter.h"
#include "tests/support/TestFiles.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

namespace {

class FilesTest : public ::testing::Test {
 protected:
  TPath Write(const char* name, const QByteArray& content) {
    return TPath(testfiles::WriteFile(m_dir, QLatin1String(name), content.toStdString()));
  }

  // The message of the fault of loading `path`, which must also give an empty text when the
  // caller does not want the fault.
  std::string FaultOf(const TPath& path) {
    EXPECT_EQ(TFile::LoadTextFile(path, false), TString());
    try {
      TFile::LoadTextFile(path, true);
    } catch (const HalvaneException& e) {
      EXPECT_NE(std::string(e.what()).find(path.ToString().toStdString()), std::string::npos) << e.what();
      return e.what();
    }
    ADD_FAILURE() << path.ToString().toStdString() << " was read";
    return std::string();
  }

  QTemporaryDir m_dir;
};

TEST_F(FilesTest, PathsNameTheirFileAndExtension) {
  EXPECT_EQ(TPath(QStringLiteral("/data/extracts/Sales.QXF")).Extension(), QStringLiteral("QXF"));
  EXPECT_EQ(TPath(QStringLiteral("/data/archive.tar.gz")).Extension(), QStringLiteral("gz"));
  EXPECT_EQ(TPath(QStringLiteral("/data/v1.2/README")).Extension(), QString());
  EXPECT_EQ(TPath(QStringLiteral("/data/v1.2/README")).FileName(), QStringLiteral("README"));

  const TPath file = Write("present.pem", "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(TPath(m_dir.path())));
  EXPECT_FALSE(FileExists(TPath(m_dir.filePath(QStringLiteral("absent.pem")))));
  EXPECT_FALSE(FileExists(TPath()));
}

TEST_F(FilesTest, ReadsUtf8TextWithoutItsByteOrderMark) {
  const QByteArray text = QByteArray("-----BEGIN CERTIFICATE-----\nZmFrZQ==\n") + QString::fromUtf8("Zertifikat für Jürgen ✓ 𝄞\n").toUtf8();
  EXPECT_EQ(TFile::LoadTextFile(Write("plain.pem", text), true), QString::fromUtf8(text));
  EXPECT_EQ(TFile::LoadTextFile(Write("bom.pem", "\xEF\xBB\xBF" + text), true), QString::fromUtf8(text));
  EXPECT_EQ(TFile::LoadTextFile(Write("empty.pem", QByteArray()), true), QString());
  // Only one mark is a mark; a second is text.
  EXPECT_EQ(TFile::LoadTextFile(Write("two-boms.pem", "\xEF\xBB\xBF\xEF\xBB\xBFx"), true), QString(QChar(0xFEFF)) + QLatin1Char('x'));
}

// A FIFO without a writer once stopped every reader for good; a device is never opened.
TEST_F(FilesTest, RefusesMissingAndSpecialFilesWithoutBlocking) {
  EXPECT_NE(FaultOf(TPath(m_dir.filePath(QStringLiteral("absent.pem")))).find("does not exist"), std::string::npos);
  const QString fifo = m_dir.filePath(QStringLiteral("fifo.json"));
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  for (const QString& special : {m_dir.path(), fifo, QStringLiteral("/dev/zero")})
    EXPECT_NE(FaultOf(TPath(special)).find("not a regular file"), std::string::npos) << special.toStdString();
  // The readers of fixtures and descriptions read through it.
  EXPECT_THROW(Connect::ConnectionFixture::Read(fifo), Connect::DescriptionFileException);
  EXPECT_THROW(Connect::DescribedDataConnection::Load(fifo), Connect::DescriptionFileException);
  EXPECT_THROW(Connect::LoadConnectorDescription(fifo), Connect::DescriptionFileException);
}

TEST_F(FilesTest, RefusesInvalidUtf8WithoutQuotingTheContent) {
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"bad-lead.pem", QByteArray("SENTINEL-CONTENT \xC3\x28 rest")},
      {"overlong.pem", QByteArray("SENTINEL-CONTENT \xC0\xAF")},
      {"surrogate.pem", QByteArray("SENTINEL-CONTENT \xED\xA0\x80")},
      {"latin1.pem", QByteArray("SENTINEL-CONTENT caf\xE9 au lait")},
      {"cut-off.pem", QByteArray("SENTINEL-CONTENT \xE2\x82")},
  };
  for (const auto& bad : cases) {
    const std::string message = FaultOf(Write(bad.name, bad.bytes));
    EXPECT_NE(message.find("not valid UTF-8"), std::string::npos) << bad.name << ": " << message;
    EXPECT_EQ(message.find("SENTINEL"), std::string::npos) << message;
  }
}

TEST_F(FilesTest, ReadsUpToTheSizeLimitAndNoFurther) {
  const QString path = m_dir.filePath(QStringLiteral("large.pem"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_TRUE(file.resize(static_cast<qint64>(kMaxTextFileBytes)));
  file.close();
  EXPECT_EQ(TFile::LoadTextFile(TPath(path), true).size(), static_cast<int>(kMaxTextFileBytes));

  ASSERT_TRUE(QFile::resize(path, static_cast<qint64>(kMaxTextFileBytes) + 1));
  EXPECT_NE(FaultOf(TPath(path)).find("more than the limit of 16777216 bytes"), std::string::npos);
  EXPECT_EQ(TFile::LoadBytes(TPath(path), 2 * kMaxTextFileBytes).size(), static_cast<int>(kMaxTextFileBytes) + 1);
}

TEST_F(FilesTest, ReadsAFileHoldingMoreThanItsReportedSize) {
  // The kernel's status files report a size of 0 and hold a few hundred bytes.
  const TString status = TFile::LoadTextFile(TPath(QStringLiteral("/proc/self/status")), true);
  EXPECT_TRUE(status.startsWith(QStringLiteral("Name:"))) << status.left(40).toStdString();
  EXPECT_GT(status.size(), 100);
}

}  // namespace
