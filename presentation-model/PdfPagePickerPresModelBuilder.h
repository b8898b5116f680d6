// PdfPagePickerPresModelBuilder: the page range picker of a PDF file.
#pragma once

#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/PdfPagePickerPresModel.h"

/// Builds PdfPagePickerPresModel records from the page texts as the user typed them: they are
/// neither parsed nor checked, so the dialog can show back whatever was entered.
class HLVPRES_API PdfPagePickerPresModelBuilder {
 public:
  PdfPagePickerPresModelBuilder(const TString& startPage, const TString& endPage);
  virtual ~PdfPagePickerPresModelBuilder();

  /// A new record holding the two page texts; never null.
  RefCntPtr<const PdfPagePickerPresModel> Build() const;

 private:
  TString m_startPage;
  TString m_endPage;
};
