// The module's entry point, its instance handle and its message strings.
#pragma once

#include <windows.h>
#include <afxstr.h>

extern HINSTANCE g_hModule;

// C linkage: the run-time start-up code of a DLL calls it by its plain name.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved);

// The text of string resource nID of the module named Swellkit; empty when the
// string table holds no such id.
CString LoadMessageString(UINT nID);
