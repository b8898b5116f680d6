// The hlvpres command that builds one group of the connection-type gallery.
#pragma once

#include "cli/Commands.h"

#include "host/TString.h"
#include "parameters/Enums.h"

#include <optional>
#include <string>
#include <unordered_set>

namespace hlvpres {

/// What a gallery group is built from.
struct GalleryOptions {
  ConnectionTypeGroup group = ConnectionTypeGroup::Invalid;
  /// Builds the gallery of a restricted context, in which only classes usable there are enabled.
  bool restricted = false;
  /// The classes marked as disabled data connections.
  std::unordered_set<TString> disabled;
  /// The file of the recent-servers list, when not the user's default one.
  std::optional<TString> mruFile;
  /// A class recorded as the latest used before the group is built.
  std::optional<TString> use;
};

/// The gallery group called `group` (such as "file" or "server"). Raises InputError for a name
/// that is no group with a gallery.
ConnectionTypeGroup ParseGalleryGroup(const TString& group);

/// The JSON of the connection type group record that `options` describe. The user's list of
/// recent servers is read (and written, with `use`) only for the recent servers, a `use` or a
/// given `mruFile`.
std::string GalleryGroupJson(const GalleryOptions& options);

/// Builds a gallery group and prints its record; records a used class in the recent list first.
int Gallery(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kGalleryHelp[];

}  // namespace hlvpres
