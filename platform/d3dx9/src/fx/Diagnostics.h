// Messages from compiling an effect, kept with the place in the original source
// they refer to, and their text as the compiler-message buffer carries it.
#pragma once

#include <string>
#include <vector>

namespace swk::d3dx9::fx
{

struct SourceLocation
{
    std::string file;
    int line = 0;
    int column = 0; // 1-based; 0 when unknown
};

enum class Severity
{
    Warning,
    Error,
};

struct Diagnostic
{
    SourceLocation where;
    Severity severity = Severity::Error;
    std::string message;
    // The token the message is about, used to find its column in the source as
    // written once the preprocessor has reflowed the line.
    std::string near;
    int nearOccurrence = 0; // appearances of near earlier on the same line
};

class Diagnostics
{
public:
    void add(Severity severity, SourceLocation where, std::string message, std::string near = {});
    void error(SourceLocation where, std::string message, std::string near = {})
    {
        add(Severity::Error, std::move(where), std::move(message), std::move(near));
    }
    bool hasErrors() const { return errors_ > 0; }
    const std::vector<Diagnostic>& all() const { return all_; }
    std::vector<Diagnostic>& all() { return all_; }
    // "file(line,col): error: message" lines, in the order they were reported.
    std::string text() const;

private:
    std::vector<Diagnostic> all_;
    int errors_ = 0;
};

} // namespace swk::d3dx9::fx
