// Export macro of the host runtime library.
//
// The host runtime builds as a shared library with hidden symbols by default; what it offers
// to the presentation-layer library, the tools and the tests is marked HLVHOST_API. The same
// sources build as a Windows DLL, where the macro turns into dllexport or dllimport.
#pragma once

#if defined(_WIN32)
#  if defined(HLVHOST_BUILDING)
#    define HLVHOST_API __declspec(dllexport)
#  else
#    define HLVHOST_API __declspec(dllimport)
#  endif
#else
#  define HLVHOST_API __attribute__((visibility("default")))
#endif
