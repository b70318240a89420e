#include "Lexer.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace swk::d3dx9::fx
{
namespace
{

bool isIdentStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isIdentChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

constexpr std::string_view kTwoCharPuncts[] = {"==", "!=", "<=", ">=", "&&", "||", "++",
                                               "--", "+=", "-=", "*=", "/=", "%=", "::",
                                               "<<", ">>", "&=", "|=", "^=", "->"};

class Scanner
{
public:
    Scanner(std::string_view text, const std::string& mainFile) : text_(text)
    {
        out_.files.push_back(mainFile);
    }

    Lexed run()
    {
        while (pos_ < text_.size())
        {
            const char c = text_[pos_];
            if (c == '\n')
            {
                newLine();
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v')
            {
                ++pos_;
                continue;
            }
            if (c == '#' && atLineStart())
            {
                directive();
                continue;
            }
            if (c == '/' && peek(1) == '/')
            {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
                continue;
            }
            if (c == '/' && peek(1) == '*')
            {
                blockComment();
                continue;
            }
            const size_t start = pos_;
            TokenKind kind;
            if (isIdentStart(c))
            {
                kind = TokenKind::Identifier;
                while (pos_ < text_.size() && isIdentChar(text_[pos_]))
                    ++pos_;
            }
            else if (isDigit(c) || (c == '.' && isDigit(peek(1))))
            {
                kind = TokenKind::Number;
                number();
            }
            else if (c == '"')
            {
                kind = TokenKind::String;
                string();
            }
            else
            {
                kind = TokenKind::Punct;
                pos_ += punctLength();
            }
            emit(kind, start);
        }
        Token end;
        end.offset = text_.size();
        end.file = file_;
        end.line = line_;
        end.column = static_cast<int>(pos_ - lineStart_) + 1;
        out_.tokens.push_back(end);
        return std::move(out_);
    }

private:
    char peek(size_t ahead) const
    {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    bool atLineStart() const
    {
        for (size_t i = lineStart_; i < pos_; ++i)
            if (text_[i] != ' ' && text_[i] != '\t')
                return false;
        return true;
    }

    void newLine()
    {
        ++pos_;
        ++line_;
        lineStart_ = pos_;
    }

    void blockComment()
    {
        pos_ += 2;
        while (pos_ < text_.size() && !(text_[pos_] == '*' && peek(1) == '/'))
        {
            if (text_[pos_] == '\n')
                newLine();
            else
                ++pos_;
        }
        pos_ = std::min(pos_ + 2, text_.size());
    }

    // #line sets the number of the next line; other directives that survive
    // preprocessing (#pragma) are the compiler's business.
    void directive()
    {
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        std::string_view body = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end;
        auto skipSpace = [&body]()
        {
            while (!body.empty() && (body.front() == ' ' || body.front() == '\t'))
                body.remove_prefix(1);
        };
        skipSpace();
        if (body.substr(0, 4) != "line")
            return;
        body.remove_prefix(4);
        skipSpace();
        // Lines are numbered from 1; a number past a billion is held there so
        // that counting on from it stays within int.
        constexpr int kLastLine = 1000000000;
        int number = 0;
        bool any = false;
        while (!body.empty() && isDigit(body.front()))
        {
            number = static_cast<int>(
                std::min<long long>(kLastLine, number * 10LL + (body.front() - '0')));
            body.remove_prefix(1);
            any = true;
        }
        if (!any)
            return;
        skipSpace();
        if (!body.empty() && body.front() == '"')
        {
            const size_t close = body.find('"', 1);
            const std::string name(
                body.substr(1, close == std::string_view::npos ? body.npos : close - 1));
            auto it = std::find(out_.files.begin(), out_.files.end(), name);
            file_ = static_cast<int>(it - out_.files.begin());
            if (it == out_.files.end())
                out_.files.push_back(name);
        }
        // The directive's own line break follows; it moves to line `number`.
        line_ = std::max(number, 1) - 1;
    }

    void number()
    {
        if (text_[pos_] == '0' && (peek(1) == 'x' || peek(1) == 'X'))
        {
            pos_ += 2;
            while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_])))
                ++pos_;
        }
        else
        {
            while (pos_ < text_.size() && (isDigit(text_[pos_]) || text_[pos_] == '.'))
                ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E'))
            {
                const size_t save = pos_;
                ++pos_;
                if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'))
                    ++pos_;
                if (pos_ < text_.size() && isDigit(text_[pos_]))
                    while (pos_ < text_.size() && isDigit(text_[pos_]))
                        ++pos_;
                else
                    pos_ = save;
            }
        }
        while (pos_ < text_.size() && std::strchr("fFhHlLuU", text_[pos_]) && text_[pos_] != '\0')
            ++pos_;
    }

    void string()
    {
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\n')
            pos_ += text_[pos_] == '\\' ? 2 : 1;
        if (pos_ < text_.size() && text_[pos_] == '"')
            ++pos_;
        pos_ = std::min(pos_, text_.size());
    }

    size_t punctLength() const
    {
        const std::string_view rest = text_.substr(pos_, 2);
        for (std::string_view p : kTwoCharPuncts)
            if (rest == p)
                return 2;
        return 1;
    }

    void emit(TokenKind kind, size_t start)
    {
        Token t;
        t.kind = kind;
        t.text = text_.substr(start, pos_ - start);
        t.offset = start;
        t.file = file_;
        t.line = line_;
        t.column = static_cast<int>(start - lineStart_) + 1;
        out_.tokens.push_back(t);
    }

    std::string_view text_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int line_ = 1;
    int file_ = 0;
    Lexed out_;
};

} // namespace

Lexed tokenize(std::string_view text, const std::string& mainFile)
{
    return Scanner(text, mainFile).run();
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y)
                      {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

} // namespace swk::d3dx9::fx
