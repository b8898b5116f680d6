// PresentationModel: the base of every pres model.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/IParameters.h"

#include <string>
#include <utility>

/// A reference-counted record that a dialog shows and edits, written and read through the
/// parameter framework.
///
/// Each model carries a text cache: the text its first serialization wrote, which later
/// serializations write again instead of running the field writer. The cache is kept as the
/// UTF-8 bytes written, so that a replay is one append; GetSerializedVal converts it only for
/// whoever asks. The cache is written through a const model; a model must therefore not be
/// serialized from two threads at once.
class HLVHOST_API PresentationModel : public RefCntObject {
 public:
  /// A new bag holding this model under its own pres-model id.
  virtual RefCntPtr<IParameters> AsIParameters() const = 0;
  /// The model's id in the pres-model namespace.
  virtual unsigned int GetDefaultParamID() const = 0;

  /// The text of the first serialization; empty until then.
  TString GetSerializedVal() const { return TStringFromUtf8(m_serializedJson); }
  /// Replaces the cache with the UTF-8 of `text` (through ToUtf8, as a replay of a TString
  /// cache always converted it).
  void SetSerializedVal(const TString& text) const { m_serializedJson = ToUtf8(text); }

  /// The cache as UTF-8 JSON text; empty until the first serialization.
  const std::string& GetSerializedJson() const noexcept { return m_serializedJson; }
  void SetSerializedJson(std::string json) const { m_serializedJson = std::move(json); }

 protected:
  PresentationModel();
  ~PresentationModel() override;

 private:
  mutable std::string m_serializedJson;
};
