// DataSourceException: a data source that cannot be reached or read.
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"

/// A connection that failed, or a catalogue or preview query the database refused. The message
/// says, in plain words, what the host was doing and what failed; it never holds a secret.
class HLVHOST_API DataSourceException : public HalvaneException {
 public:
  /// What failed, for a caller that answers each kind its own way (a dialog pointing at the
  /// field to correct, a retry after a time-out).
  enum class Reason {
    kOther,            ///< anything below, or not known
    kHostNotFound,     ///< the server's name does not resolve
    kRefused,          ///< nothing listens at the server's address and port
    kTimedOut,         ///< the server, or a query, did not answer in time
    kTls,              ///< the secure channel could not be set up or its certificate is refused
    kAuthentication,   ///< the user name or password is refused
    kDatabaseMissing,  ///< the server has no such database, or the file does not exist
    kDriverMissing,    ///< the driver the class needs is not installed on this machine
    kCancelled,        ///< the caller cancelled the query
    kRefusedWrite,     ///< a read-only query tried to change the database
  };

  explicit DataSourceException(TString message, Reason reason = Reason::kOther, TString details = TString());
  ~DataSourceException() override;

  Reason GetReason() const noexcept { return m_reason; }
  /// The driver's or database's own text, when it may be shown (it holds no secret); else empty.
  const TString& GetDetails() const noexcept { return m_details; }

  /// The reason's name as the JSON forms write it: "other", "host-not-found", "refused",
  /// "timed-out", "tls", "authentication", "database-missing", "driver-missing", "cancelled",
  /// "refused-write".
  static const char* ReasonName(Reason reason) noexcept;

 private:
  Reason m_reason;
  TString m_details;
};
