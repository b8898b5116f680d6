// The desktop keyring (a Secret Service on the session's D-Bus, through libsecret), as the store
// uses it: one text per (store location, role), role "current" or "next".
#pragma once

#include "host/TString.h"

#include <optional>

namespace Store::Keyring {

/// Whether a Secret Service answers: false at once without a session bus, else after one look-up
/// that is given up after a few seconds.
bool Answers();

/// The text kept for `location` and `role`, or nullopt. Raises StoreException when the keyring fails.
std::optional<TString> Lookup(const TString& location, const char* role);
/// Keeps `text` for `location` and `role`, replacing what was there. Raises StoreException.
void Keep(const TString& location, const char* role, const TString& text);
/// Forgets what is kept for `location` and `role`. Raises StoreException.
void Clear(const TString& location, const char* role);

}  // namespace Store::Keyring
