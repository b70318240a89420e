#include "Watch.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

namespace brantholm
{
namespace
{

struct Entry
{
    long references = 0;
    std::string file;
    int line = 0;
    std::string operation;
};

struct WatchState
{
    std::mutex mutex;
    std::map<IUnknown*, Entry> held;
    bool operating = true;
    CD3DWatch::ReportSink sink;

    // Whatever the host never released is a leak worth naming when the
    // library goes away.
    ~WatchState() { ReportHeld(); }

    size_t ReportHeld()
    {
        std::vector<std::pair<Entry, long>> leaks;
        {
            std::lock_guard<std::mutex> lock(mutex);
            for (const auto& kv : held)
                leaks.emplace_back(kv.second, kv.second.references);
        }
        for (const auto& leak : leaks)
            Report(leak.first.file.c_str(), leak.first.line,
                   leak.first.operation + " result never released (" + std::to_string(leak.second) +
                       " reference" + (leak.second == 1 ? "" : "s") + ")");
        return leaks.size();
    }
};

WatchState& State()
{
    static WatchState state;
    return state;
}

} // namespace

void Report(const char* file, int line, const std::string& message)
{
    CD3DWatch::ReportSink sink;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        sink = State().sink;
    }
    if (sink)
        sink(file, line, message.c_str());
    else
        std::fprintf(stderr, "%s(%d): %s\n", file, line, message.c_str());
}

void Hold(IUnknown* object, const char* file, int line, const char* operation)
{
    if (!object)
        return;
    WatchState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.operating)
        return;
    Entry& e = s.held[object];
    if (e.references++ == 0)
    {
        e.file = file;
        e.line = line;
        e.operation = operation;
    }
}

void ReportFailure(const char* file, int line, const char* operation, HRESULT hr)
{
    Report(file, line, std::string(operation) + " failed: " + ResultName(hr));
}

} // namespace brantholm

using brantholm::State;

CD3DWatch::ReportSink CD3DWatch::SetReportSink(ReportSink sink)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    ReportSink previous = std::move(State().sink);
    State().sink = std::move(sink);
    return previous;
}

void CD3DWatch::SetOperating(bool operating)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().operating = operating;
}

size_t CD3DWatch::GetWatchedCount()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    size_t n = 0;
    for (const auto& kv : State().held)
        n += static_cast<size_t>(kv.second.references);
    return n;
}

size_t CD3DWatch::ReportLeaks()
{
    return State().ReportHeld();
}

void CD3DWatch::ResetWatch()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().held.clear();
}

bool CD3DWatch::_IsOperating()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().operating;
}

bool CD3DWatch::_IsContainingData(IUnknown* p)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().held.count(p) != 0;
}

void CD3DWatch::_ClearDataIfNeeded(IUnknown* p)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    auto it = State().held.find(p);
    if (it != State().held.end() && --it->second.references == 0)
        State().held.erase(it);
}

void CD3DWatch::_HandleError(const CString& file, int line)
{
    brantholm::Report(file, line, "Release of a reference the watch does not hold");
}
