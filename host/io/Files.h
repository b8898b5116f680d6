// Paths and files, read through one hardened path: only regular files are opened (never a
// FIFO, a device or a folder), within a size limit; text is checked to be UTF-8.
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"
#include "host/TString.h"

#include <QByteArray>

#include <cstddef>
#include <utility>

/// A file system path.
class HLVHOST_API TPath {
 public:
  TPath() = default;
  explicit TPath(TString path) : m_path(std::move(path)) {}

  const TString& ToString() const noexcept { return m_path; }
  /// The file name's extension without its dot, as written ("QXF" stays upper case); empty
  /// when it has none.
  TString Extension() const;
  /// The file name without its folder.
  TString FileName() const;

 private:
  TString m_path;
};

/// Whether `path` names a regular file that exists.
HLVHOST_API bool FileExists(const TPath& path);

/// The largest text file TFile reads: 16 MiB.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{16} << 20;

/// A file that could not be read. The message names the file and the fault ("Cannot read the
/// file "/x/a.pem": it is not a regular file"), never anything read from it.
class HLVHOST_API FileReadException : public HalvaneException {
 public:
  enum class Fault {
    kMissing,         ///< nothing is at the path
    kNotRegularFile,  ///< a folder, a FIFO, a device or a socket
    kUnreadable,      ///< the file cannot be opened or read (permission denied, an I/O error)
    kTooLarge,        ///< the file holds more than the reader's limit
    kNotUtf8,         ///< the text is not valid UTF-8
  };

  FileReadException(const TPath& path, Fault fault, TString reason);
  ~FileReadException() override;

  Fault GetFault() const noexcept { return m_fault; }
  /// The fault without the file's name, such as "it is not a regular file".
  const TString& GetReason() const noexcept { return m_reason; }

 private:
  Fault m_fault;
  TString m_reason;
};

class HLVHOST_API TFile {
 public:
  TFile() = delete;

  /// The bytes of the regular file `path`, at most `maxBytes` of them. Anything else at the path
  /// (a folder, a FIFO, a device) is refused before it is opened for reading and again once
  /// opened, so that a FIFO never blocks the reader; a file that is missing, unreadable or
  /// larger than `maxBytes` is refused too. Each refusal raises FileReadException. A path
  /// starting with ':' names a resource the program carries (a Qt resource).
  static QByteArray LoadBytes(const TPath& path, std::size_t maxBytes);

  /// The text of the UTF-8 file `path` (a byte order mark is dropped), read as LoadBytes reads
  /// with kMaxTextFileBytes. A file LoadBytes refuses, or one that is not valid UTF-8, raises
  /// FileReadException when `throwOnError` is set, and gives an empty text otherwise.
  static TString LoadTextFile(const TPath& path, bool throwOnError);
};
