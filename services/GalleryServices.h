// The connection-type gallery as a service: one group of it, and the list of recent server
// connections it reads and records into. Call RegisterVocabulary (services/Vocabulary.h) first.
#pragma once

#include "host/TString.h"
#include "parameters/Enums.h"
#include "services/ServicesExport.h"

#include <optional>
#include <string>
#include <unordered_set>

namespace Services {

/// What a gallery group is built from.
struct GalleryOptions {
  /// The group to build.
  ConnectionTypeGroup group = ConnectionTypeGroup::Invalid;
  /// Builds the gallery of a restricted context, in which only classes usable there are enabled.
  bool restricted = false;
  /// The classes marked as disabled data connections.
  std::unordered_set<TString> disabled;
  /// A file to keep the recent-servers list in, instead of the store (Store::Instance).
  std::optional<TString> mruFile;
  /// A server class recorded as the latest used before the group is built (see
  /// KnownServerConnectionClass).
  std::optional<TString> use;
};

/// The gallery group called `group` (such as "file" or "server"). Raises InputError for a name
/// that is no group with a gallery.
HLVSERVICES_API ConnectionTypeGroup ParseGalleryGroup(const TString& group);

/// The connection class called `name` when it is a server class, the only kind the list of
/// recent connections keeps. Raises InputError for an unknown class or one that is not a
/// server class.
HLVSERVICES_API TString KnownServerConnectionClass(const TString& name);

/// The JSON of the connection type group record that `options` describe, each entry whose
/// class lacks its driver on this machine with one field more: "driver-missing-info", the
/// message its dialog shows. The list of recent servers (in the store, or in `mruFile`) is
/// read, and written with `use`, only for the recent servers, a `use` or a given `mruFile`. A
/// store that cannot be opened is a warning: the list is then kept in the default file
/// (hlvpres/mru-connections.json in the user's configuration folder), and a list that file
/// held moves into the store once it has none. Raises InputError for a `use` that is not a
/// server class, HalvaneException when the use could not be saved (the list then keeps its
/// previous classes; the logged warning or the exception says why), and the builder's
/// exceptions.
HLVSERVICES_API std::string GalleryGroupJson(const GalleryOptions& options);

}  // namespace Services
