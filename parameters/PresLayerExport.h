// Export macro of the presentation-layer library.
//
// hlvpreslayerdata builds as a shared library with hidden symbols by default; its interface is
// marked HLVPRES_API. The same sources build as a Windows DLL, where the macro turns into
// dllexport or dllimport.
#pragma once

#if defined(_WIN32)
#  if defined(HLVPRES_BUILDING)
#    define HLVPRES_API __declspec(dllexport)
#  else
#    define HLVPRES_API __declspec(dllimport)
#  endif
#else
#  define HLVPRES_API __attribute__((visibility("default")))
#endif
