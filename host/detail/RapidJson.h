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
// The reader scans strings and white space of a NUL-terminated text sixteen bytes at a time.
// SSE2 is part of every x86-64 processor.
#if defined(__SSE2__) && !defined(RAPIDJSON_SSE2)
#define RAPIDJSON_SSE2
#endif

// RapidJSON 1.1.0 (Debian 12's) grows its internal stacks (the reader's, the document's, the
// writer's and the string buffer's) lazily, and the first push onto each compares
// `stackTop_ + size` while stackTop_ is still null: an offset applied to a null pointer, which
// clang's UndefinedBehaviorSanitizer reports on every parse and every write (g++'s does not look
// for it). A larger initial capacity does not help, as nothing is allocated before that first
// push, and no public call reaches the allocation another way. Later RapidJSON versions compare
// the free space instead. Until then that one check is turned off for RapidJSON's own
// functions, and only there: our code around them stays fully checked.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("pointer-overflow"))), apply_to = function)
#endif
#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
// The writer without its SSE2 scan: in RapidJSON 1.1.0 that scan compares with 0x19 and writes
// the control characters 0x1A to 0x1F unescaped, which no JSON reader takes back. (The reader's
// scan has the same fault; the reader sends such texts the careful way, see HardenedJson.cpp.)
#pragma push_macro("RAPIDJSON_SSE2")
#undef RAPIDJSON_SSE2
#include <rapidjson/writer.h>
#pragma pop_macro("RAPIDJSON_SSE2")
#if defined(__clang__)
#pragma clang attribute pop
#endif
