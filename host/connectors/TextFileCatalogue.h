// TextFileCatalogue: a folder of text files as a database, each .csv, .txt, .tsv or .tab file a
// table. Fields are split by libcsv; the encoding, delimiter, header row and column types are
// detected from the first 64 KiB of a file, each overridable by an attribute (see
// docs/connection-model.md, "Text files and workbooks"). Internal to LiveConnection.
#pragma once

#include "host/connectors/FileCatalogue.h"

class TextFileCatalogue final : public FileCatalogue {
 public:
  enum class Encoding { kDetect, kUtf8, kUtf16Le, kUtf16Be, kLatin1 };
  enum class Type { kDetect, kInteger, kReal, kDate, kText };

  /// What the attributes fix; kDetect and 0 leave it to detection.
  struct Options {
    Encoding encoding = Encoding::kDetect;
    char delimiter = 0;
    enum class Header { kDetect, kYes, kNo } header = Header::kDetect;
    std::vector<Type> types;
  };

  /// The folder of the "filename" attribute's file (or the "directory" attribute's folder).
  /// Raises DataSourceException when neither names one that exists, or an option is not known.
  static std::unique_ptr<LiveCatalogue> Open(const ConnectionAttributeMap& attributes);

  void Tables(const TString& schema, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const override;
  /// The folder's absolute path.
  TString CurrentDatabase() const override { return m_folder; }
  void Preview(const Preview::Request& request, Preview::Result& result) const override;

 private:
  TextFileCatalogue(TString folder, Options options);

  const TString m_folder;
  const Options m_options;
};
