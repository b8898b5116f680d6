// IDSConnectorParams: a connector parameter set, as the connection layer reads it.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"

/// The flat attributes the host connects with, with a few of them by name.
class HLVHOST_API IDSConnectorParams {
 public:
  virtual ~IDSConnectorParams();

  /// Every attribute the connection layer connects with.
  virtual ConnectionAttributeMap Attributes() const = 0;
  /// The attribute `name`; empty when absent.
  virtual TString GetStringValue(const TString& name) const = 0;
  /// The "class" attribute.
  virtual TString ConnectionClass() const = 0;
  /// The file a file connection reads (kept apart from the attributes).
  virtual TString Filename() const = 0;
  /// The "dbname" attribute.
  virtual TString Database() const = 0;
  virtual TString CubeConnectionSpecificationId() const = 0;
  virtual TString CubeConnectionSpecificationValue() const = 0;

 protected:
  IDSConnectorParams() = default;
  IDSConnectorParams(const IDSConnectorParams&) = default;
  IDSConnectorParams& operator=(const IDSConnectorParams&) = default;
};
