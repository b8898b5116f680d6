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
/// - Every change is a read-modify-write under a lock ("<name>.lock" beside the file, a
///   QLockFile): the file is read again, the change made to what it holds, and the result
///   written, so that processes recording at once lose no update.
/// - The file is written whole to a temporary file, flushed and synced, each step checked, that
///   then replaces it (QSaveFile), so that a crash or a full disk leaves the previous list, never
///   a part of the new one. A write that fails (a full disk, a read-only or missing folder)
///   leaves the list in memory, where it keeps working; the first failure logs one warning,
///   later ones none, and IsSaved() tells the caller.
/// - Only a regular file whose content is not such a list (not UTF-8, not JSON, not an object
///   with a "connection-classes" list, over 64 KiB) is renamed aside to
///   "<name>.damaged-<yyyyMMdd-HHmmss>" (never deleted), with one warning, and a new list
///   starts. An entry that is not a class name (not a string, empty, longer than
///   kMaxClassNameLength) is dropped with a warning; the rest of the list is kept.
/// - A path that is not a regular file (a folder, a FIFO, a device such as /dev/null), or a file
///   that cannot be read (permission denied), is left exactly as it is: one warning, and the
///   list lives in memory only, since writing would replace what it could not read.
/// - NeedsDefaults() holds while neither the file nor this list has ever held a list: a
///   saved empty list is a list the user emptied, not one to seed.
///
/// Safe to use from several threads and processes.
///
/// Test hook: when HLV_MRU_TEST_PAUSE_MID_WRITE holds a number of milliseconds, each write
/// stops for that long after writing half of the new text to its temporary file, and logs a
/// debug message when it stops, so that a test can kill the process in the middle of a write.
class HLVHOST_API MruFile {
 public:
  /// The longest list kept; older entries fall off its end.
  static constexpr std::size_t kMaxEntries = 8;
  /// The longest class name kept, in UTF-16 code units; a longer one is never recorded.
  static constexpr int kMaxClassNameLength = 256;

  /// Whether `connectionClass` may be recorded: not empty, and not longer than
  /// kMaxClassNameLength (a longer one logs a warning). Any list of recent classes checks a use
  /// with it.
  static bool IsRecordable(const TString& connectionClass);
  /// `classes` as a list keeps them: the first kMaxEntries distinct class names, in order;
  /// what is no class name (empty, too long) is left out.
  static std::list<TString> Normalized(const std::list<TString>& classes);

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
  /// the list. An empty class is ignored; one longer than kMaxClassNameLength is not recorded,
  /// with a warning.
  void AddConnectionClass(const TString& connectionClass);
  /// Whether the file holds the list as it is now: false after a change that could not be
  /// saved, and for a path left alone (not a regular file, or unreadable) once changed.
  bool IsSaved() const;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};
