// Stands in for the Windows loader on Linux: a module registers under its name
// with the resources its .rc file describes, and its DllMain sees attach and
// detach as it would on Windows.
#pragma once

#include <windows.h>

#include <functional>

namespace swk::win32
{

struct RawResource
{
    WORD type;     // integer resource type, e.g. 10 for RT_RCDATA
    WORD id;       // integer resource name
    WORD language; // language id from the LANGUAGE statement in force
    const unsigned char* data;
    DWORD size;
};

struct StringResource
{
    UINT id;
    const char* text;
};

struct ModuleResources
{
    const RawResource* raw = nullptr;
    size_t rawCount = 0;
    const StringResource* strings = nullptr;
    size_t stringCount = 0;
};

using DllEntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

// Registers the module and calls its entry point with DLL_PROCESS_ATTACH.
SWK_WIN32_API HMODULE RegisterModule(const char* name, const ModuleResources& resources,
                                     DllEntryPoint entry);
// Calls the entry point with DLL_PROCESS_DETACH and forgets the module.
SWK_WIN32_API void UnregisterModule(HMODULE module);

// Receives every MessageBoxA call; returns the button pressed.
using MessageBoxSink = std::function<int(HWND, const char* text, const char* caption, UINT type)>;
// Installs a sink and returns the previous one; an empty sink restores the
// default, which writes "<caption>: <text>" as one line on stderr.
SWK_WIN32_API MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

} // namespace swk::win32
