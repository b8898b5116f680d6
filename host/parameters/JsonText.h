// Escaping of JSON strings, shared by the writers of the JSON text form.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <string>

/// Appends `text` to `out` as a quoted JSON string in UTF-8: quotes, backslashes and control
/// characters escaped, every other character (non-ASCII included) written as it is, and an
/// unpaired surrogate written as U+FFFD.
HLVHOST_API void AppendJsonString(std::string& out, const TString& text);
