#include <swk/ModuleRegistry.h>

#include <algorithm>
#include <cctype>
#include <list>
#include <mutex>
#include <string>

namespace swk::win32
{
namespace
{

struct Module
{
    std::string name;
    ModuleResources resources;
    DllEntryPoint entry;
};

struct Registry
{
    std::mutex mutex;
    // A list keeps each module's address stable: the address is its handle.
    std::list<Module> modules;
    Module process{"", {}, nullptr};
};

Registry& theRegistry()
{
    static Registry registry;
    return registry;
}

// Windows matches module names without case and with or without ".dll".
std::string normalisedName(const char* name)
{
    std::string s(name);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    if (s.size() > 4 && s.compare(s.size() - 4, 4, ".dll") == 0)
        s.resize(s.size() - 4);
    return s;
}

const Module* fromHandle(HMODULE h)
{
    Registry& r = theRegistry();
    if (h == reinterpret_cast<HMODULE>(&r.process))
        return &r.process;
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const Module& m : r.modules)
        if (reinterpret_cast<HMODULE>(const_cast<Module*>(&m)) == h)
            return &m;
    return nullptr;
}

bool nameMatches(LPCSTR wanted, WORD id)
{
    if (IS_INTRESOURCE(wanted))
        return static_cast<WORD>(reinterpret_cast<UINT_PTR>(wanted)) == id;
    // "#101" names an integer resource by its number.
    return wanted[0] == '#' && std::to_string(id) == wanted + 1;
}

DWORD g_lastError = 0;
constexpr DWORD kErrorResourceNotFound = 1814;
constexpr DWORD kErrorModNotFound = 126;
constexpr DWORD kErrorInvalidHandle = 6;

} // namespace

HMODULE RegisterModule(const char* name, const ModuleResources& resources, DllEntryPoint entry)
{
    Registry& r = theRegistry();
    Module* m;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        r.modules.push_back(Module{normalisedName(name), resources, entry});
        m = &r.modules.back();
    }
    HMODULE h = reinterpret_cast<HMODULE>(m);
    if (entry)
        entry(reinterpret_cast<HINSTANCE>(h), DLL_PROCESS_ATTACH, nullptr);
    return h;
}

void UnregisterModule(HMODULE h)
{
    Registry& r = theRegistry();
    DllEntryPoint entry = nullptr;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = std::find_if(r.modules.begin(), r.modules.end(),
                               [h](const Module& m)
                               { return reinterpret_cast<HMODULE>(const_cast<Module*>(&m)) == h; });
        if (it == r.modules.end())
            return;
        entry = it->entry;
    }
    if (entry)
        entry(reinterpret_cast<HINSTANCE>(h), DLL_PROCESS_DETACH, nullptr);
    std::lock_guard<std::mutex> lock(r.mutex);
    r.modules.remove_if([h](const Module& m)
                        { return reinterpret_cast<HMODULE>(const_cast<Module*>(&m)) == h; });
}

} // namespace swk::win32

using namespace swk::win32;

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

extern "C"
{

    HMODULE WINAPI GetModuleHandleA(LPCSTR name)
    {
        Registry& r = theRegistry();
        if (!name)
            return reinterpret_cast<HMODULE>(&r.process);
        const std::string wanted = normalisedName(name);
        std::lock_guard<std::mutex> lock(r.mutex);
        // The most recent registration wins, as a freshly loaded module would.
        for (auto it = r.modules.rbegin(); it != r.modules.rend(); ++it)
            if (it->name == wanted)
                return reinterpret_cast<HMODULE>(&*it);
        g_lastError = kErrorModNotFound;
        return nullptr;
    }

    HRSRC WINAPI FindResourceA(HMODULE h, LPCSTR name, LPCSTR type)
    {
        const Module* m = fromHandle(h ? h : GetModuleHandleA(nullptr));
        if (!m || !name || !type || !IS_INTRESOURCE(type))
        {
            g_lastError = m ? kErrorResourceNotFound : kErrorInvalidHandle;
            return nullptr;
        }
        const WORD wantedType = static_cast<WORD>(reinterpret_cast<UINT_PTR>(type));
        for (size_t i = 0; i < m->resources.rawCount; ++i)
        {
            const RawResource& res = m->resources.raw[i];
            if (res.type == wantedType && nameMatches(name, res.id))
                return reinterpret_cast<HRSRC>(const_cast<RawResource*>(&res));
        }
        g_lastError = kErrorResourceNotFound;
        return nullptr;
    }

    HGLOBAL WINAPI LoadResource(HMODULE, HRSRC info)
    {
        if (!info)
            return nullptr;
        return const_cast<unsigned char*>(reinterpret_cast<const RawResource*>(info)->data);
    }

    DWORD WINAPI SizeofResource(HMODULE, HRSRC info)
    {
        return info ? reinterpret_cast<const RawResource*>(info)->size : 0;
    }

    LPVOID WINAPI LockResource(HGLOBAL data)
    {
        return data;
    }

    int WINAPI LoadStringA(HINSTANCE hInstance, UINT id, LPSTR buffer, int max)
    {
        const Module* m = fromHandle(reinterpret_cast<HMODULE>(hInstance));
        if (buffer && max > 0)
            buffer[0] = '\0';
        if (!m)
        {
            g_lastError = kErrorInvalidHandle;
            return 0;
        }
        for (size_t i = 0; i < m->resources.stringCount; ++i)
        {
            const StringResource& s = m->resources.strings[i];
            if (s.id != id)
                continue;
            if (!buffer || max <= 0)
                return 0;
            // Truncates to the buffer and always terminates, as the ANSI call does.
            const int n = std::min<int>(static_cast<int>(std::strlen(s.text)), max - 1);
            std::memcpy(buffer, s.text, static_cast<size_t>(n));
            buffer[n] = '\0';
            return n;
        }
        g_lastError = kErrorResourceNotFound;
        return 0;
    }

    DWORD WINAPI GetLastError()
    {
        return g_lastError;
    }

} // extern "C"
