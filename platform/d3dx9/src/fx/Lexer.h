// Splits preprocessed effect text into tokens. The preprocessor marks included
// text with #line directives; every token keeps the file and line it came from
// so that messages point into the sources the author wrote.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace swk::d3dx9::fx
{

enum class TokenKind
{
    Identifier,
    Number,
    String,
    Punct,
    End,
};

struct Token
{
    TokenKind kind = TokenKind::End;
    std::string_view text;
    size_t offset = 0; // into the preprocessed text
    int file = 0;      // index into Lexed::files
    int line = 0;      // line in that file
    int column = 0;    // 1-based, in the preprocessed line

    bool is(std::string_view punct) const { return kind == TokenKind::Punct && text == punct; }
    bool isWord(std::string_view word) const
    {
        return kind == TokenKind::Identifier && text == word;
    }
};

struct Lexed
{
    std::vector<Token> tokens; // ends with one End token
    std::vector<std::string> files;
};

// mainFile names the text before its first #line directive.
Lexed tokenize(std::string_view text, const std::string& mainFile);

// Case-insensitive comparison, as effect state names and values are matched.
bool equalsNoCase(std::string_view a, std::string_view b);

} // namespace swk::d3dx9::fx
