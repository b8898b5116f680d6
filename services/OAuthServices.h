// The OAuth settings page as a service.
#pragma once

#include "services/ServicesExport.h"

#include <string>

namespace Services {

/// The JSON of the OAuth settings record of the installed registries: one credential type per
/// web data connector using OAuth, cloud storage provider, cloud-file class, legacy OAuth
/// class, relational OAuth connector and Slack, in that order, with display names in every
/// supported language. Call RegisterVocabulary (services/Vocabulary.h) first. Raises the
/// builder's exceptions.
HLVSERVICES_API std::string OAuthSettingsJson();

}  // namespace Services
