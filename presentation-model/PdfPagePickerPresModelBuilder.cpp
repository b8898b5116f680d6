#include "presentation-model/PdfPagePickerPresModelBuilder.h"

PdfPagePickerPresModelBuilder::PdfPagePickerPresModelBuilder(const TString& startPage, const TString& endPage)
    : m_startPage(startPage), m_endPage(endPage) {}

PdfPagePickerPresModelBuilder::~PdfPagePickerPresModelBuilder() = default;

RefCntPtr<const PdfPagePickerPresModel> PdfPagePickerPresModelBuilder::Build() const {
  RefCntPtr<PdfPagePickerPresModel> model = MakeRefCnt<PdfPagePickerPresModel>();
  model->SetPdfStartPage(m_startPage);
  model->SetPdfEndPage(m_endPage);
  return model;
}
