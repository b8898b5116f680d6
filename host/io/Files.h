// Paths and text files, read through one hardened path: a size limit, and UTF-8 checked.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

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

class HLVHOST_API TFile {
 public:
  TFile() = delete;

  /// The text of the UTF-8 file `path` (a byte order mark is dropped). A file that is missing,
  /// unreadable, larger than kMaxTextFileBytes or not valid UTF-8 raises HalvaneException
  /// naming the file and the fault when `throwOnError` is set, and gives an empty text
  /// otherwise.
  static TString LoadTextFile(const TPath& path, bool throwOnError);
};
