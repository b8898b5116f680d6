// ExcelCatalogue: an Excel workbook (.xlsx) as a database, each worksheet a table whose first
// row names the columns. The workbook is read with QuaZip and QXmlStreamReader, each part's size
// bounded however its zip header describes it, and no XML document type accepted (see
// docs/connection-model.md, "Text files and workbooks"). Internal to LiveConnection.
#pragma once

#include "host/connectors/FileCatalogue.h"

class ExcelCatalogue final : public FileCatalogue {
 public:
  /// One worksheet: its name and the zip entry of its XML.
  struct Sheet {
    TString name;
    TString part;
  };

  /// The workbook the "filename" attribute names, its sheets read at once. Raises
  /// DataSourceException when the file does not exist, is not a zip file or is not a workbook.
  static std::unique_ptr<LiveCatalogue> Open(const ConnectionAttributeMap& attributes);

  /// The worksheets, in the workbook's order.
  void Tables(const TString& schema, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const override;
  /// The workbook's absolute path.
  TString CurrentDatabase() const override { return m_path; }
  void Preview(const Preview::Request& request, Preview::Result& result) const override;

 private:
  ExcelCatalogue(TString path, std::vector<Sheet> sheets, TString sharedStrings, TString styles, bool date1904);

  const TString m_path;
  const std::vector<Sheet> m_sheets;
  // The zip entries of the shared strings and the styles; empty when the workbook has none.
  const TString m_sharedStrings;
  const TString m_styles;
  // Whether day 0 is 1904-01-01 rather than 1899-12-31.
  const bool m_date1904;
};
