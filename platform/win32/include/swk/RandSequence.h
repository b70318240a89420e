// The sequence the C run time's rand() gives in this process. The default is
// the C library's own; a host that wants on Linux the water a Windows build
// makes for a seed selects msvcrt's, which a Windows program draws from.
#pragma once

#include <windows.h>

namespace swk::win32
{

enum class RandSequence
{
    CLibrary, // the C library's rand() and srand()
    Msvcrt,   // seed * 214013 + 2531011, bits 16..30; one seed per thread, 1 until srand
};

// Makes rand() and srand() follow the sequence from now on, in every module of
// the process. False when rand() here is not this library's (it is loaded
// after the C library in symbol order): then nothing changes.
SWK_WIN32_API bool SetRandSequence(RandSequence sequence);

} // namespace swk::win32
