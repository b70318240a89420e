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

bool IsTypeConstructor(std::string_view word)
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

    Values Expression()
    {
        Values v = Term();
        while (c_.Peek().Is("+") || c_.Peek().Is("-"))
        {
            const Token& op = c_.Next();
            v = Combine(op, v, Term());
        }
        return v;
    }

private:
    Values Term()
    {
        Values v = Unary();
        while (c_.Peek().Is("*") || c_.Peek().Is("/"))
        {
            const Token& op = c_.Next();
            v = Combine(op, v, Unary());
        }
        return v;
    }

    Values Unary()
    {
        if (c_.Accept("+"))
            return Unary();
        if (c_.Accept("-"))
        {
            Values v = Unary();
            for (double& x : v)
                x = -x;
            return v;
        }
        return Primary();
    }

    Values Primary()
    {
        const Token& t = c_.Peek();
        if (t.kind == TokenKind::Number)
        {
            c_.Next();
            return {NumberValue(t.text)};
        }
        if (t.IsWord("true") || t.IsWord("false"))
        {
            c_.Next();
            return {t.IsWord("true") ? 1.0 : 0.0};
        }
        if (t.Is("("))
        {
            c_.Next();
            Values v = Expression();
            c_.Expect(")");
            return v;
        }
        if (t.Is("{"))
        {
            c_.Next();
            return List("}");
        }
        if (t.kind == TokenKind::Identifier && IsTypeConstructor(t.text))
        {
            c_.Next();
            if (c_.Peek().Is("<"))
                c_.SkipGroup("<", ">");
            c_.Expect("(");
            return List(")");
        }
        c_.Fail(t, "constant expression expected");
    }

    Values List(std::string_view close)
    {
        Values all;
        while (!c_.Accept(close))
        {
            Values v = Expression();
            all.insert(all.end(), v.begin(), v.end());
            if (!c_.Accept(","))
            {
                c_.Expect(close);
                break;
            }
        }
        return all;
    }

    Values Combine(const Token& op, const Values& a, const Values& b)
    {
        if (a.size() != b.size() && a.size() != 1 && b.size() != 1)
            c_.Fail(op, "operands of different sizes");
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

std::vector<double> EvaluateInitializer(TokenCursor& cursor)
{
    return Evaluator(cursor).Expression();
}

double NumberValue(std::string_view text)
{
    std::string s(text);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return static_cast<double>(std::strtoull(s.c_str() + 2, nullptr, 16));
    while (!s.empty() && std::strchr("fFhHlLuU", s.back()))
        s.pop_back();
    return std::strtod(s.c_str(), nullptr);
}

} // namespace swk::d3dx9::fx
