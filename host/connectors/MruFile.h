// MruFile: the most recently used server connection classes, kept in a small file so that the
// gallery's list of recent connections lasts from one run of the product to the next.
//
// The library's IConnectionTypeMru (connect/ConnectionTypeMru.h) reaches this list through
// ConnectionTypeMruFactory::CreatePersistent; the host holds no library type, so the class
// offers the same operations on its own.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <cstddef>
#include <list>
#include <memory>

/// A most-recently-used list of connection classes, most recent first, without duplicates and
/// at most kMaxEntries long, saved to a JSON file after every change:
///   {"connection-classes": ["postgres", "mysql"]}
///
/// - The file is written whole to a temporary file that then replaces it (QSaveFile), so that
///   a crash while writing leaves the previous list, never a part of the new one.
/// - It is read once, when the list is made, through the host's hardened text and JSON
///   readers. A file that cannot be read, or that holds anything other than such a list, is
///   renamed aside to "<name>.damaged-<yyyyMMdd-HHmmss>" (never deleted), one warning is
///   logged, and the list starts empty.
/// - A file that cannot be written (a read-only or missing folder) leaves the list in memory,
///   where it keeps working; the first failed write logs one warning, later ones none.
/// - NeedsDefaults() holds while neither the file nor this list has ever held a list: a
///   saved empty list is a list the user emptied, not one to seed.
///
/// Safe to use from several threads. Two lists on one file in one process each keep their own
/// copy and the last to write wins; a host shares one MruFile instead.
///
/// Test hook: when HLV_MRU_TEST_PAUSE_MID_WRITE holds a number of milliseconds, each write
/// stops for that long after writing half of the new text to its temporary file, and logs a
/// debug message when it stops, so that a test can kill the process in the middle of a write.
class HLVHOST_API MruFile {
 public:
  /// The longest list kept; older entries fall off its end.
  static constexpr std::size_t kMaxEntries = 8;

  /// The list kept in `path`, read now. A missing file gives an empty list needing defaults.
  explicit MruFile(TString path);
  ~MruFile();

  MruFile(const MruFile&) = delete;
  MruFile& operator=(const MruFile&) = delete;

  /// The file the list lives in when the host names none: "hlvpres/mru-connections.json" in
  /// the user's configuration folder ($XDG_CONFIG_HOME, by default ~/.config, on Linux).
  static TString DefaultPath();

  const TString& GetPath() const noexcept;

  /// Seeds a list that needs defaults with `classes` (the first kMaxEntries distinct ones, in
  /// order) and saves it; a list that needs none is left as it is.
  void SetDefaultConnectionClasses(const std::list<TString>& classes);
  bool NeedsDefaults() const;
  /// The classes, most recent first.
  std::list<TString> GetConnectionClasses() const;
  /// Puts `connectionClass` first (moving it there when it is in the list already) and saves
  /// the list. An empty class is ignored.
  void AddConnectionClass(const TString& connectionClass);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};
