// Export macro of the application services library.
//
// hlvservices builds as a shared library with hidden symbols by default; its interface is
// marked HLVSERVICES_API. The same sources build as a Windows DLL, where the macro turns into
// dllexport or dllimport.
#pragma once

#if defined(_WIN32)
#  if defined(HLVSERVICES_BUILDING)
#    define HLVSERVICES_API __declspec(dllexport)
#  else
#    define HLVSERVICES_API __declspec(dllimport)
#  endif
#else
#  define HLVSERVICES_API __attribute__((visibility("default")))
#endif
