// RapidJSON, configured for text that comes from outside: a broken internal assumption raises
// a LogicException instead of aborting the process. Include RapidJSON only through this file.
#pragma once

#include "host/Exceptions.h"

#ifdef RAPIDJSON_ASSERT
#error "RapidJSON must be included through host/detail/RapidJson.h only"
#endif
#define RAPIDJSON_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : HLV_THROW_LOGIC("RapidJSON: " #condition))
#define RAPIDJSON_HAS_STDSTRING 1

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
