#include "Diagnostics.h"

#include <algorithm>

namespace swk::d3dx9::fx
{

void Diagnostics::add(Severity severity, SourceLocation where, std::string message,
                      std::string near)
{
    if (severity == Severity::Error)
        ++errors_;
    all_.push_back(Diagnostic{std::move(where), severity, std::move(message), std::move(near)});
}

std::string Diagnostics::text() const
{
    std::string text;
    for (const Diagnostic& d : all_)
    {
        text += d.where.file;
        if (d.where.line > 0)
        {
            text += '(' + std::to_string(d.where.line);
            if (d.where.column > 0)
                text += ',' + std::to_string(d.where.column);
            text += ')';
        }
        text += d.severity == Severity::Error ? ": error: " : ": warning: ";
        text += d.message;
        text += '\n';
    }
    // Messages quote the source, which may hold NULs; the buffer's text ends at its one NUL.
    std::replace(text.begin(), text.end(), '\0', ' ');
    return text;
}

} // namespace swk::d3dx9::fx
