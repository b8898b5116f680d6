// IConnectionTypeMru: the server connection classes a user connected with most recently, as
// the connection-type gallery shows them, and the factory of its implementations.
//
// The interface and the MRU that remembers nothing belong to the library. The lasting list is
// the host's MruFile (host/connectors/MruFile.h), which keeps no library type; the factory
// adapts it to this interface.
#pragma once

#include "host/TString.h"
#include "parameters/PresLayerExport.h"

#include <list>
#include <memory>

class MruFile;

/// A most-recently-used list of connection classes, most recent first.
class HLVPRES_API IConnectionTypeMru {
 public:
  virtual ~IConnectionTypeMru();

  /// Seeds a list that needs defaults (NeedsDefaults) with `classes`, in order.
  virtual void SetDefaultConnectionClasses(const std::list<TString>& classes) = 0;
  /// Whether the list has never held any classes and waits to be seeded.
  virtual bool NeedsDefaults() const = 0;
  /// The classes, most recent first.
  virtual std::list<TString> GetConnectionClasses() const = 0;
  /// Records that the user connected with `connectionClass`: it becomes the first.
  virtual void AddConnectionClass(const TString& connectionClass) = 0;
};

/// Makes the MRU lists the gallery builder takes.
class HLVPRES_API ConnectionTypeMruFactory {
 public:
  ConnectionTypeMruFactory() = delete;

  /// A list that remembers nothing: the setters do nothing, NeedsDefaults is false and the
  /// list is always empty.
  static std::unique_ptr<IConnectionTypeMru> CreateNull();
  /// The lasting list kept in the file `path` (MruFile::DefaultPath() for the user's own),
  /// read now. Never throws for the file's sake: see MruFile for damaged and read-only files.
  /// It holds server classes only: AddConnectionClass ignores a class the connector registry
  /// does not list as a server class, and GetConnectionClasses leaves such a class out.
  static std::unique_ptr<IConnectionTypeMru> CreatePersistent(const TString& path);
  /// The lasting list `file`, shared with its other holders (a host keeps one MruFile for the
  /// process and hands it to every gallery it builds). `file` must not be null: null raises
  /// LogicException.
  static std::unique_ptr<IConnectionTypeMru> CreatePersistent(std::shared_ptr<MruFile> file);
};
