// Walks a token list for the effect parser. A syntax error ends the parse: it
// is recorded and unwinds to the parser's entry point.
#pragma once

#include "Diagnostics.h"
#include "Lexer.h"

#include <string>
#include <string_view>

namespace swk::d3dx9::fx
{

struct ParseFailed
{
};

class TokenCursor
{
public:
    TokenCursor(const Lexed& lexed, Diagnostics& diags) : lexed_(lexed), diags_(diags) {}

    const Token& peek(size_t ahead = 0) const
    {
        const size_t i = pos_ + ahead;
        return i < lexed_.tokens.size() ? lexed_.tokens[i] : lexed_.tokens.back();
    }
    const Token& next()
    {
        const Token& t = peek();
        if (t.kind != TokenKind::End)
            ++pos_;
        return t;
    }
    bool atEnd() const { return peek().kind == TokenKind::End; }
    bool accept(std::string_view punct)
    {
        if (!peek().is(punct))
            return false;
        next();
        return true;
    }
    const Token& expect(std::string_view punct)
    {
        if (!peek().is(punct))
            fail(peek(), "'" + std::string(punct) + "' expected");
        return next();
    }
    const Token& expectIdentifier(std::string_view what)
    {
        if (peek().kind != TokenKind::Identifier)
            fail(peek(), std::string(what) + " expected");
        return next();
    }

    SourceLocation where(const Token& t) const
    {
        return SourceLocation{lexed_.files[static_cast<size_t>(t.file)], t.line, t.column};
    }

    [[noreturn]] void fail(const Token& t, const std::string& message)
    {
        const std::string shown = t.kind == TokenKind::End ? "end of file" : std::string(t.text);
        diags_.error(where(t), message + " near '" + shown + "'", std::string(t.text));
        diags_.all().back().nearOccurrence = earlierOnLine(t);
        throw ParseFailed{};
    }

    // Skips a bracketed group whose opening token is next, nested groups included.
    const Token& skipGroup(std::string_view open, std::string_view close)
    {
        const Token& first = expect(open);
        int depth = 1;
        while (true)
        {
            const Token& t = next();
            if (t.kind == TokenKind::End)
                fail(first, "unmatched '" + std::string(open) + "'");
            if (t.is(open))
                ++depth;
            else if (t.is(close) && --depth == 0)
                return t;
        }
    }

private:
    int earlierOnLine(const Token& t) const
    {
        int n = 0;
        const Token* first = lexed_.tokens.data();
        if (&t < first || &t >= first + lexed_.tokens.size())
            return 0;
        for (const Token* p = &t; p != first;)
        {
            --p;
            if (p->file != t.file || p->line != t.line)
                break;
            n += p->text == t.text;
        }
        return n;
    }

    const Lexed& lexed_;
    Diagnostics& diags_;
    size_t pos_ = 0;
};

} // namespace swk::d3dx9::fx
