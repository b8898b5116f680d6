// The hlvpres command that builds one group of the connection-type gallery: its arguments
// read into the gallery service's options (services/GalleryServices.h), and its answer printed.
#pragma once

#include "cli/Commands.h"

namespace hlvpres {

/// Builds a gallery group and prints its record; records a used class in the recent list first.
int Gallery(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kGalleryHelp[];

}  // namespace hlvpres
