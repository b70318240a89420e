// The ANSI string class of the application framework, in the subset Swellkit
// uses. Header-only and ours on both targets (MinGW has no MFC): a CString
// passed by value between Swellkit and Brantholm is built by one compiler.
#pragma once

#include <windows.h>

#include <string>

class CString
{
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    // The first length characters of text.
    CString(const char* text, int length) : m_text(text, length > 0 ? size_t(length) : 0) {}
    CString(const CString&) = default;
    CString& operator=(const CString&) = default;
    CString& operator=(const char* text)
    {
        m_text = text ? text : "";
        return *this;
    }
    ~CString() = default;

    // Replaces the text with string resource id of hInstance; an id that is not
    // there leaves the string empty and returns FALSE.
    BOOL LoadString(HINSTANCE hInstance, UINT id)
    {
        char buffer[4096];
        const int n = ::LoadStringA(hInstance, id, buffer, static_cast<int>(sizeof buffer));
        m_text.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        return n > 0;
    }

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    const char* GetString() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }

    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

private:
    std::string m_text;
};
