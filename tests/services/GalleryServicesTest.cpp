// The gallery service as a host calls it, without the command line's argument checks in front.

#include "services/GalleryServices.h"
#include "services/InputError.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The list of recent connections keeps server classes whoever asks: a file class, or a class
// the registry does not hold, is refused before the list is read or written.
TEST(GalleryServices, RecordsOnlyServerClassesInTheRecentList) {
  const QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  for (const char* refused : {"sqlite", "no-such-class"}) {
    Services::GalleryOptions options;
    options.group = ConnectionTypeGroup::MruServer;
    options.mruFile = folder.filePath(QStringLiteral("mru.json"));
    options.use = QString::fromLatin1(refused);
    EXPECT_THROW(Services::GalleryGroupJson(options), Services::InputError) << refused;
    EXPECT_FALSE(QFileInfo::exists(*options.mruFile)) << refused;
  }
  Services::GalleryOptions options;
  options.group = ConnectionTypeGroup::MruServer;
  options.mruFile = folder.filePath(QStringLiteral("mru.json"));
  options.use = QStringLiteral("postgres");
  EXPECT_NE(Services::GalleryGroupJson(options).find("postgres"), std::string::npos);
}

}  // namespace
