#include "ConstantExpr.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace swk::d3dx9::fx
{
namespace
{

using Values = std::vector<double>;

bool isTypeConstructor(std::string_view word)
{
    for (std::string_view base : {"float", "half", "double", "int", "uint", "bool", "dword"})
        if (word.substr(0, base.size()) == base)
        {
            const std::string_view rest = word.substr(base.size());
            return rest.empty() || (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4') ||
                   (rest.size() == 3 && rest[1] == 'x');
        }
    return word == "vector" || word == "matrix";
}

class Evaluator
{
public:
    explicit Evaluator(TokenCursor& c) : c_(c) {}

    Values expression()
    {
        Values v = term();
        while (c_.peek().is("+") || c_.peek().is("-"))
        {
            const Token& op = c_.next();
            v = combine(op, v, term());
        }
        return v;
    }

private:
    Values term()
    {
        Values v = unary();
        while (c_.peek().is("*") || c_.peek().is("/"))
        {
            const Token& op = c_.next();
            v = combine(op, v, unary());
        }
        return v;
    }

    Values unary()
    {
        if (c_.accept("+"))
            return unary();
        if (c_.accept("-"))
        {
            Values v = unary();
            for (double& x : v)
                x = -x;
            return v;
        }
        return primary();
    }

    Values primary()
    {
        const Token& t = c_.peek();
        if (t.kind == TokenKind::Number)
        {
            c_.next();
            return {numberValue(t.text)};
        }
        if (t.isWord("true") || t.isWord("false"))
        {
            c_.next();
            return {t.isWord("true") ? 1.0 : 0.0};
        }
        if (t.is("("))
        {
            c_.next();
            Values v = expression();
            c_.expect(")");
            return v;
        }
        if (t.is("{"))
        {
            c_.next();
            return list("}");
        }
        if (t.kind == TokenKind::Identifier && isTypeConstructor(t.text))
        {
            c_.next();
            if (c_.peek().is("<"))
                c_.skipGroup("<", ">");
            c_.expect("(");
            return list(")");
        }
        c_.fail(t, "constant expression expected");
    }

    Values list(std::string_view close)
    {
        Values all;
        while (!c_.accept(close))
        {
            Values v = expression();
            all.insert(all.end(), v.begin(), v.end());
            if (!c_.accept(","))
            {
                c_.expect(close);
                break;
            }
        }
        return all;
    }

    Values combine(const Token& op, const Values& a, const Values& b)
    {
        if (a.size() != b.size() && a.size() != 1 && b.size() != 1)
            c_.fail(op, "operands of different sizes");
        const size_t n = std::max(a.size(), b.size());
        Values r(n);
        for (size_t i = 0; i < n; ++i)
        {
            const double x = a[a.size() == 1 ? 0 : i];
            const double y = b[b.size() == 1 ? 0 : i];
            switch (op.text[0])
            {
            case '+':
                r[i] = x + y;
                break;
            case '-':
                r[i] = x - y;
                break;
            case '*':
                r[i] = x * y;
                break;
            default:
                r[i] = x / y;
                break;
            }
        }
        return r;
    }

    TokenCursor& c_;
};

} // namespace

std::vector<double> evaluateInitializer(TokenCursor& cursor)
{
    return Evaluator(cursor).expression();
}

double numberValue(std::string_view text)
{
    std::string s(text);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return static_cast<double>(std::strtoull(s.c_str() + 2, nullptr, 16));
    while (!s.empty() && std::strchr("fFhHlLuU", s.back()))
        s.pop_back();
    return std::strtod(s.c_str(), nullptr);
}

} // namespace swk::d3dx9::fx
