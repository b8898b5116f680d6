// DataSourceException: a data source that cannot be reached or read.
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"

/// A connection that failed, or a catalogue query the database refused. The message is the
/// database's own, with what the host was doing; it never holds a secret.
class HLVHOST_API DataSourceException : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
  ~DataSourceException() override;
};
