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

    const Token& Peek(size_t ahead = 0) const
    {
        const size_t i = pos_ + ahead;
        return i < lexed_.tokens.size() ? lexed_.tokens[i] : lexed_.tokens.back();
    }
    const Token& Next()
    {
        const Token& t = Peek();
        if (t.kind != TokenKind::End)
            ++pos_;
        return t;
    }
    bool AtEnd() const { return Peek().kind == TokenKind::End; }
    bool Accept(std::string_view punct)
    {
        if (!Peek().Is(punct))
            return false;
        Next();
        return true;
    }
    const Token& Expect(std::string_view punct)
    {
        if (!Peek().Is(punct))
            Fail(Peek(), "'" + std::string(punct) + "' expected");
        return Next();
    }
    const Token& ExpectIdentifier(std::string_view what)
    {
        if (Peek().kind != TokenKind::Identifier)
            Fail(Peek(), std::string(what) + " expected");
        return Next();
    }

    SourceLocation Where(const Token& t) const
    {
        return SourceLocation{lexed_.files[static_cast<size_t>(t.file)], t.line, t.column};
    }

    [[noreturn]] void Fail(const Token& t, const std::string& message)
    {
        const std::string shown = t.kind == TokenKind::End ? "end of file" : std::string(t.text);
        diags_.Error(Where(t), message + " near '" + shown + "'", std::string(t.text));
        diags_.All().back().nearOccurrence = EarlierOnLine(t);
        throw ParseFailed{};
    }

    // Skips a bracketed group whose opening token is next, nested groups included.
    const Token& SkipGroup(std::string_view open, std::string_view close)
    {
        const Token& first = Expect(open);
        int depth = 1;
        while (true)
        {
            const Token& t = Next();
            if (t.kind == TokenKind::End)
                Fail(first, "unmatched '" + std::string(open) + "'");
            if (t.Is(open))
                ++depth;
            else if (t.Is(close) && --depth == 0)
                return t;
        }
    }

private:
    int EarlierOnLine(const Token& t) const
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
