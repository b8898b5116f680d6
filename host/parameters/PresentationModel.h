// PresentationModel: the base of every pres model.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/IParameters.h"

/// A reference-counted record that a dialog shows and edits, written and read through the
/// parameter framework.
///
/// Each model carries a text cache: the text its first serialization wrote, which later
/// serializations write again instead of running the field writer. The cache is written
/// through a const model; a model must therefore not be serialized from two threads at once.
class HLVHOST_API PresentationModel : public RefCntObject {
 public:
  /// A new bag holding this model under its own pres-model id.
  virtual RefCntPtr<IParameters> AsIParameters() const = 0;
  /// The model's id in the pres-model namespace.
  virtual unsigned int GetDefaultParamID() const = 0;

  /// The text of the first serialization; empty until then.
  const TString& GetSerializedVal() const noexcept { return m_serializedVal; }
  void SetSerializedVal(const TString& text) const { m_serializedVal = text; }

 protected:
  PresentationModel();
  ~PresentationModel() override;

 private:
  mutable TString m_serializedVal;
};
