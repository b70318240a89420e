#include <swk/ModuleRegistry.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace swk::win32
{
namespace
{

std::mutex g_sinkMutex;
MessageBoxSink g_sink;

// There is no desktop to show a box on: the default says it on one line.
int defaultSink(HWND, const char* text, const char* caption, UINT)
{
    std::string line = caption ? caption : "";
    line += ": ";
    for (const char* p = text ? text : ""; *p; ++p)
    {
        if (*p == '\r')
            continue;
        line += (*p == '\n') ? ' ' : *p;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    std::fprintf(stderr, "%s\n", line.c_str());
    return IDOK;
}

} // namespace

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    MessageBoxSink previous = std::move(g_sink);
    g_sink = std::move(sink);
    return previous;
}

} // namespace swk::win32

extern "C" int WINAPI MessageBoxA(HWND hWnd, LPCSTR text, LPCSTR caption, UINT type)
{
    swk::win32::MessageBoxSink sink;
    {
        std::lock_guard<std::mutex> lock(swk::win32::g_sinkMutex);
        sink = swk::win32::g_sink;
    }
    // Called outside the lock: a sink may itself install another sink.
    return sink ? sink(hWnd, text, caption, type)
                : swk::win32::defaultSink(hWnd, text, caption, type);
}
