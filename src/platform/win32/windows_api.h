#pragma once
// The Windows API for the backends' .cpp files, included after every header of the
// tool: windows.h defines NOPARITY, MS_CTS_ON, VER_PLATFORM_WIN32_NT and others as
// macros, which must not reach the tool's own declarations of the same names.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// Names of the tool's own interfaces that windows.h turns into its A/W variants.
#undef LoadLibrary
#undef CreateWindow
#undef MessageBox
#undef ReplaceFile
