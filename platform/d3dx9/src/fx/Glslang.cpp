#include "Glslang.h"

#include <cctype>
#include <charconv>
#include <mutex>
#include <string>

namespace swk::d3dx9::fx
{

void ensureGlslangProcess()
{
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

namespace
{

std::string_view trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// "file:12: text" -> file, 12, text; false when the line carries no place.
bool splitLocation(std::string_view rest, std::string* file, int* line, std::string_view* text)
{
    for (size_t i = 0; i < rest.size(); ++i)
    {
        if (rest[i] != ':')
            continue;
        size_t j = i + 1;
        if (j < rest.size() && rest[j] == '-')
            ++j;
        while (j < rest.size() && std::isdigit(static_cast<unsigned char>(rest[j])))
            ++j;
        if (j == i + 1 || j >= rest.size() || rest[j] != ':')
            continue;
        // A line outside int's range or below 1 (a broken #line directive) is
        // left unknown.
        const auto digits = rest.substr(i + 1, j - i - 1);
        if (std::from_chars(digits.data(), digits.data() + digits.size(), *line).ec !=
                std::errc() ||
            *line < 1)
            *line = 0;
        *file = std::string(rest.substr(0, i));
        *text = trim(rest.substr(j + 1));
        return true;
    }
    return false;
}

// glslang quotes the token a message is about: "'foo' : undeclared identifier".
std::string quotedToken(std::string_view text)
{
    if (text.size() < 2 || text[0] != '\'')
        return {};
    const size_t close = text.find('\'', 1);
    return close == std::string_view::npos ? std::string() : std::string(text.substr(1, close - 1));
}

// "3 compilation errors.  No code generated.": a count, not a message (the
// words alone may be part of a file name from a #line directive).
bool isSummary(std::string_view line)
{
    size_t digits = 0;
    while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits])))
        ++digits;
    const std::string_view rest = line.substr(digits);
    return digits > 0 &&
           (startsWith(rest, " compilation errors.") || startsWith(rest, " compilation warnings."));
}

} // namespace

void addInfoLog(std::string_view log, const std::string& defaultFile, Diagnostics& diags)
{
    while (!log.empty())
    {
        const size_t eol = log.find('\n');
        std::string_view line = trim(log.substr(0, eol));
        log.remove_prefix(eol == std::string_view::npos ? log.size() : eol + 1);

        Severity severity;
        if (startsWith(line, "ERROR: "))
            severity = Severity::Error;
        else if (startsWith(line, "INTERNAL ERROR: "))
        {
            severity = Severity::Error;
            line.remove_prefix(9);
        }
        else if (startsWith(line, "WARNING: "))
            severity = Severity::Warning;
        else
            continue;
        line.remove_prefix(line.find(' ') + 1);
        if (isSummary(line))
            continue;

        SourceLocation where{defaultFile, 0, 0};
        std::string_view text = line;
        splitLocation(line, &where.file, &where.line, &text);
        diags.add(severity, where, std::string(text), quotedToken(text));
    }
}

} // namespace swk::d3dx9::fx
