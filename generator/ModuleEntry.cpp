#include "ModuleEntry.h"

HINSTANCE g_hModule = NULL;

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH || dwReason == DLL_PROCESS_DETACH)
        g_hModule = hInstance;
    return TRUE;
}

CString LoadMessageString(UINT nID)
{
    CString str;
    // By name rather than g_hModule: the string table belongs to the module
    // called Swellkit, whichever handle the entry point was given.
    HINSTANCE hInstance = (HINSTANCE)GetModuleHandleA("Swellkit");
    str.LoadString(hInstance, nID);
    return str;
}
