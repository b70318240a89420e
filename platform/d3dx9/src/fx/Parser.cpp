#include "Parser.h"

#include "ConstantExpr.h"
#include "States.h"
#include "TokenCursor.h"

#include <swk/ShaderBlob.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace swk::d3dx9::fx
{
namespace
{

// Far beyond what any shader's constant registers can hold, small enough that
// the parameter table of the largest one stays a few megabytes.
constexpr double kMaxArrayElements = 65536;
// Deeper nesting is no real shader's and would only exhaust the compilers' stacks.
constexpr size_t kMaxNesting = 256;

// Integer words as a DWORD state or an int/uint parameter takes them: either
// sign, at most 32 bits.
bool fitsInteger32(double v)
{
    return v >= -2147483648.0 && v <= 4294967295.0;
}

uint32_t toWord32(double v)
{
    return static_cast<uint32_t>(static_cast<int64_t>(std::trunc(v)));
}

enum class TypeKind
{
    Numeric,
    Texture,
    Sampler,
    String,
    Other,
};

struct TypeInfo
{
    TypeKind kind = TypeKind::Other;
    D3DXPARAMETER_TYPE type = D3DXPT_VOID;
    NumericBase base = NumericBase::Float;
    UINT rows = 1;
    UINT columns = 1;
    bool matrix = false;
};

struct Qualifiers
{
    bool isStatic = false;
    bool shared = false;
    bool rowMajor = false;
    bool columnMajor = false;
};

struct Edit
{
    size_t offset;
    size_t length;         // characters blanked
    std::string insertion; // written before them
};

bool parseDims(std::string_view rest, UINT* rows, UINT* columns, bool* matrix)
{
    auto digit = [](char c) { return c >= '1' && c <= '4'; };
    if (rest.empty())
        return true;
    if (rest.size() == 1 && digit(rest[0]))
    {
        *columns = static_cast<UINT>(rest[0] - '0');
        return true;
    }
    if (rest.size() == 3 && digit(rest[0]) && rest[1] == 'x' && digit(rest[2]))
    {
        *rows = static_cast<UINT>(rest[0] - '0');
        *columns = static_cast<UINT>(rest[2] - '0');
        *matrix = true;
        return true;
    }
    return false;
}

bool numericBaseOf(std::string_view word, NumericBase* base, D3DXPARAMETER_TYPE* type,
                   std::string_view* rest)
{
    static const struct
    {
        std::string_view name;
        NumericBase base;
        D3DXPARAMETER_TYPE type;
    } kBases[] = {
        {"float", NumericBase::Float, D3DXPT_FLOAT},  {"half", NumericBase::Float, D3DXPT_FLOAT},
        {"double", NumericBase::Float, D3DXPT_FLOAT}, {"int", NumericBase::Int, D3DXPT_INT},
        {"uint", NumericBase::Int, D3DXPT_INT},       {"dword", NumericBase::Int, D3DXPT_INT},
        {"bool", NumericBase::Bool, D3DXPT_BOOL},
    };
    for (const auto& b : kBases)
        if (word.substr(0, b.name.size()) == b.name)
        {
            *base = b.base;
            *type = b.type;
            *rest = word.substr(b.name.size());
            return true;
        }
    return false;
}

class Parser
{
public:
    Parser(std::string_view text, const ParseOptions& options, Diagnostics& diags)
        : text_(text), options_(options), diags_(diags), lexed_(tokenize(text, options.mainFile)),
          c_(lexed_, diags)
    {
    }

    bool run(ParsedEffect* out)
    {
        try
        {
            checkBrackets();
            while (!c_.atEnd())
                topLevel();
            assignSamplerRegisters();
            resolveSamplerTextures();
        }
        catch (const ParseFailed&)
        {
            return false;
        }
        effect_.hlsl = applyEdits();
        *out = std::move(effect_);
        return true;
    }

private:
    // Every bracket closes the one opened last: the HLSL compiler is not given
    // text whose structure is already known to be broken.
    void checkBrackets()
    {
        std::vector<const Token*> open;
        for (const Token& t : lexed_.tokens)
        {
            if (t.kind == TokenKind::End)
                break;
            if (t.is("(") || t.is("[") || t.is("{"))
            {
                if (open.size() == kMaxNesting)
                    c_.fail(t,
                            "brackets nested more than " + std::to_string(kMaxNesting) + " deep");
                open.push_back(&t);
            }
            else if (t.is(")") || t.is("]") || t.is("}"))
            {
                if (open.empty())
                    c_.fail(t, "'" + std::string(t.text) + "' without an opening bracket");
                const char wanted = open.back()->text[0] == '('   ? ')'
                                    : open.back()->text[0] == '[' ? ']'
                                                                  : '}';
                if (t.text[0] != wanted)
                    c_.fail(t, "'" + std::string(1, wanted) + "' expected to close the '" +
                                   std::string(open.back()->text) + "' of line " +
                                   std::to_string(open.back()->line));
                open.pop_back();
            }
        }
        if (!open.empty())
            c_.fail(*open.back(), "unmatched '" + std::string(open.back()->text) + "'");
    }

    // Global names are declared once; a function may be overloaded but not
    // share its name with a variable.
    void declareGlobal(const Token& name, bool function)
    {
        const std::string key(name.text);
        auto it = globals_.find(key);
        if (it == globals_.end())
        {
            globals_.emplace(key, std::make_pair(function, &name));
            return;
        }
        if (function && it->second.first)
            return;
        c_.fail(name, "'" + key + "' is already declared at line " +
                          std::to_string(it->second.second->line));
    }

    void topLevel()
    {
        const Token& t = c_.peek();
        if (c_.accept(";"))
            return;
        if (t.isWord("technique"))
            technique();
        else if (t.isWord("struct"))
            skipStruct();
        else if (t.isWord("typedef"))
            skipStatement();
        else if (t.isWord("cbuffer") || t.isWord("tbuffer") || t.isWord("technique10") ||
                 t.isWord("technique11"))
            c_.fail(t, "not supported in Direct3D 9 effects");
        else
            declaration();
    }

    void skipStatement()
    {
        while (!c_.atEnd() && !c_.accept(";"))
        {
            if (c_.peek().is("{"))
                c_.skipGroup("{", "}");
            else
                c_.next();
        }
    }

    void skipStruct()
    {
        c_.next();
        if (c_.peek().kind == TokenKind::Identifier)
            c_.next();
        if (c_.peek().is("{"))
            c_.skipGroup("{", "}");
        // Variables of a structure type are left to the compiler.
        skipStatement();
    }

    Qualifiers readQualifiers()
    {
        Qualifiers q;
        while (c_.peek().kind == TokenKind::Identifier)
        {
            const Token& t = c_.peek();
            if (t.isWord("static"))
                q.isStatic = true;
            else if (t.isWord("shared"))
            {
                // Sharing through a pool is the framework's business; the
                // compiler does not know the keyword.
                q.shared = true;
                blank(t.offset, t.text.size());
            }
            else if (t.isWord("row_major"))
                q.rowMajor = true;
            else if (t.isWord("column_major"))
                q.columnMajor = true;
            else if (!(t.isWord("uniform") || t.isWord("extern") || t.isWord("const") ||
                       t.isWord("volatile") || t.isWord("inline") || t.isWord("precise")))
                break;
            c_.next();
        }
        return q;
    }

    TypeInfo readType()
    {
        const Token& t = c_.expectIdentifier("type name");
        TypeInfo info;
        const std::string_view w = t.text;
        std::string_view rest;
        if (equalsNoCase(w, "texture") || equalsNoCase(w, "texture1D") ||
            equalsNoCase(w, "texture2D") || equalsNoCase(w, "texture3D") ||
            equalsNoCase(w, "textureCUBE"))
        {
            info.kind = TypeKind::Texture;
            info.type = w.size() == 7                    ? D3DXPT_TEXTURE
                        : equalsNoCase(w, "textureCUBE") ? D3DXPT_TEXTURECUBE
                        : w[7] == '1'                    ? D3DXPT_TEXTURE1D
                        : w[7] == '2'                    ? D3DXPT_TEXTURE2D
                                                         : D3DXPT_TEXTURE3D;
        }
        else if (w == "sampler" || w == "sampler1D" || w == "sampler2D" || w == "sampler3D" ||
                 w == "samplerCUBE")
        {
            info.kind = TypeKind::Sampler;
            info.type = w.size() == 7        ? D3DXPT_SAMPLER
                        : w == "samplerCUBE" ? D3DXPT_SAMPLERCUBE
                        : w[7] == '1'        ? D3DXPT_SAMPLER1D
                        : w[7] == '2'        ? D3DXPT_SAMPLER2D
                                             : D3DXPT_SAMPLER3D;
        }
        else if (w == "string")
        {
            info.kind = TypeKind::String;
            info.type = D3DXPT_STRING;
        }
        else if (w == "vector" || w == "matrix")
        {
            info.kind = TypeKind::Numeric;
            info.type = D3DXPT_FLOAT;
            info.matrix = w == "matrix";
            info.rows = info.matrix ? 4 : 1;
            info.columns = 4;
            if (c_.peek().is("<"))
                templateArguments(&info);
        }
        else if (numericBaseOf(w, &info.base, &info.type, &rest) &&
                 parseDims(rest, &info.rows, &info.columns, &info.matrix))
            info.kind = TypeKind::Numeric;
        return info;
    }

    // vector<float, 3>, matrix<float, 2, 3>
    void templateArguments(TypeInfo* info)
    {
        c_.expect("<");
        const Token& base = c_.expectIdentifier("element type");
        std::string_view rest;
        if (!numericBaseOf(base.text, &info->base, &info->type, &rest) || !rest.empty())
            c_.fail(base, "scalar type expected");
        auto dimension = [this]()
        {
            c_.expect(",");
            const Token& n = c_.next();
            const double v = n.kind == TokenKind::Number ? numberValue(n.text) : 0;
            if (!(v >= 1 && v <= 4))
                c_.fail(n, "dimension 1 to 4 expected");
            return static_cast<UINT>(v);
        };
        if (info->matrix)
            info->rows = dimension();
        info->columns = dimension();
        c_.expect(">");
    }

    void declaration()
    {
        const size_t start = c_.peek().offset;
        const Qualifiers q = readQualifiers();
        const TypeInfo type = readType();
        const Token* name = &c_.expectIdentifier("name");
        if (c_.peek().is("("))
        {
            declareGlobal(*name, true);
            function();
            return;
        }
        while (true)
        {
            declareGlobal(*name, false);
            declarator(q, type, *name);
            if (!c_.accept(","))
                break;
            name = &c_.expectIdentifier("name");
        }
        const Token& end = c_.expect(";");
        // The compiler knows nothing of textures and strings.
        if (type.kind == TypeKind::Texture || type.kind == TypeKind::String)
            blank(start, end.offset + 1 - start);
    }

    void function()
    {
        parameters();
        while (c_.accept(":"))
        {
            c_.expectIdentifier("semantic");
            if (c_.peek().is("("))
                c_.skipGroup("(", ")");
        }
        if (!c_.accept(";"))
            c_.skipGroup("{", "}");
    }

    // Every parameter is named: the HLSL compiler crashes on an entry point
    // parameter without a name instead of refusing it.
    void parameters()
    {
        c_.expect("(");
        if (c_.peek().isWord("void") && c_.peek(1).is(")"))
            c_.next();
        if (c_.accept(")"))
            return;
        do
        {
            while (isParameterQualifier(c_.peek()))
                c_.next();
            readType();
            c_.expectIdentifier("parameter name");
            // Array size, semantic and default value, up to the next parameter.
            for (int depth = 0; depth > 0 || !(c_.peek().is(",") || c_.peek().is(")"));)
            {
                const Token& t = c_.next();
                if (t.kind == TokenKind::End)
                    c_.fail(t, "')' expected");
                depth += t.is("(") || t.is("[") || t.is("{");
                depth -= t.is(")") || t.is("]") || t.is("}");
            }
        } while (c_.accept(","));
        c_.expect(")");
    }

    static bool isParameterQualifier(const Token& t)
    {
        for (const char* word : {"in", "out", "inout", "uniform", "const", "linear", "centroid",
                                 "nointerpolation", "noperspective", "sample", "precise"})
            if (t.isWord(word))
                return true;
        return false;
    }

    void declarator(const Qualifiers& q, const TypeInfo& type, const Token& nameToken)
    {
        ParamDecl p;
        p.name = std::string(nameToken.text);
        p.where = c_.where(nameToken);
        p.shared = q.shared;
        p.type = type.type;
        size_t nameEnd = nameToken.offset + nameToken.text.size();
        if (c_.accept("["))
        {
            const Token& n = c_.next();
            if (n.kind != TokenKind::Number)
                c_.fail(n, "array size expected");
            const double size = numberValue(n.text);
            if (!(size >= 1 && size <= kMaxArrayElements) || size != std::trunc(size))
                c_.fail(n, "array size must be a whole number from 1 to " +
                               std::to_string(static_cast<int>(kMaxArrayElements)));
            p.elements = static_cast<UINT>(size);
            nameEnd = c_.expect("]").offset + 1;
            if (c_.peek().is("["))
                c_.fail(c_.peek(), "arrays of arrays are not supported");
        }
        int samplerRegister = -1;
        while (c_.accept(":"))
        {
            const Token& s = c_.expectIdentifier("semantic or register");
            if (s.isWord("register"))
                samplerRegister = registerNumber(type.kind == TypeKind::Sampler);
            else
                p.semantic = std::string(s.text);
        }
        if (c_.peek().is("<"))
            c_.skipGroup("<", ">");

        if (q.isStatic)
        {
            if (c_.accept("="))
                skipInitializer();
            return;
        }
        switch (type.kind)
        {
        case TypeKind::Numeric:
            numericParameter(q, type, &p);
            break;
        case TypeKind::Texture:
            p.cls = D3DXPC_OBJECT;
            if (c_.accept("="))
                c_.fail(c_.peek(), "a texture parameter takes no initialiser");
            break;
        case TypeKind::String:
            p.cls = D3DXPC_OBJECT;
            if (c_.accept("="))
            {
                const Token& s = c_.next();
                if (s.kind != TokenKind::String)
                    c_.fail(s, "string expected");
                p.stringValue = std::string(s.text.substr(1, s.text.size() - 2));
            }
            break;
        case TypeKind::Sampler:
            if (p.elements)
                c_.fail(nameToken, "sampler arrays are not supported");
            p.cls = D3DXPC_OBJECT;
            samplerParameter(&p, samplerRegister, nameEnd);
            break;
        case TypeKind::Other:
            // Variables of structure or unknown type stay in the shader code only.
            if (c_.accept("="))
                skipInitializer();
            return;
        }
        effect_.params.push_back(std::move(p));
    }

    // register(c4) or register(ps, s2): returns the number of an s register.
    int registerNumber(bool sampler)
    {
        c_.expect("(");
        int number = -1;
        while (!c_.peek().is(")"))
        {
            const Token& t = c_.next();
            if (t.kind == TokenKind::End)
                c_.fail(t, "')' expected");
            if (t.kind == TokenKind::Identifier && sampler &&
                (t.text[0] == 's' || t.text[0] == 'S'))
            {
                const std::string digits(t.text.substr(1));
                if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos)
                    number = digits.size() > 4 ? INT_MAX : std::stoi(digits);
                if (number >= static_cast<int>(swk::kSamplerRegisters))
                    c_.fail(t, "sampler register out of range");
            }
        }
        c_.expect(")");
        return number;
    }

    void skipInitializer()
    {
        int depth = 0;
        while (!c_.atEnd())
        {
            const Token& t = c_.peek();
            if (depth == 0 && (t.is(",") || t.is(";")))
                return;
            if (t.is("(") || t.is("{"))
                ++depth;
            else if (t.is(")") || t.is("}"))
                --depth;
            c_.next();
        }
    }

    void numericParameter(const Qualifiers& q, const TypeInfo& type, ParamDecl* p)
    {
        p->rows = type.rows;
        p->columns = type.columns;
        p->rowMajor = q.rowMajor || (options_.rowMajorByDefault && !q.columnMajor);
        p->cls = type.matrix        ? (p->rowMajor ? D3DXPC_MATRIX_ROWS : D3DXPC_MATRIX_COLUMNS)
                 : type.columns > 1 ? D3DXPC_VECTOR
                                    : D3DXPC_SCALAR;
        if (!c_.peek().is("="))
            return;
        const Token& eq = c_.next();
        std::vector<double> values = evaluateInitializer(c_);
        const size_t wanted = p->components();
        if (values.size() == 1 && p->elements == 0)
            values.resize(wanted, values[0]);
        if (values.size() != wanted)
            c_.fail(eq, "initialiser has " + std::to_string(values.size()) + " values, '" +
                            p->name + "' needs " + std::to_string(wanted));
        p->defaults.reserve(wanted);
        for (double v : values)
        {
            uint32_t word;
            if (type.base == NumericBase::Float)
            {
                const float f = static_cast<float>(v);
                if (!std::isfinite(f))
                    c_.fail(eq, "initialiser of '" + p->name + "' out of range for a float");
                std::memcpy(&word, &f, sizeof word);
            }
            else if (type.base == NumericBase::Int)
            {
                if (!fitsInteger32(v))
                    c_.fail(eq, "initialiser of '" + p->name + "' out of range for 32 bits");
                word = toWord32(v);
            }
            else
                word = v != 0 ? 1 : 0;
            p->defaults.push_back(word);
        }
    }

    void samplerParameter(ParamDecl* p, int reg, size_t nameEnd)
    {
        SamplerDecl s;
        s.param = static_cast<int>(effect_.params.size());
        s.reg = reg;
        if (c_.peek().is("="))
        {
            const Token& eq = c_.next();
            if (!c_.peek().isWord("sampler_state"))
                c_.fail(c_.peek(), "sampler_state expected");
            c_.next();
            samplerStates(&s);
            const Token& close = c_.peek(); // ',' or ';' after the block
            blank(eq.offset, close.offset - eq.offset);
        }
        if (reg < 0)
            registerInsertions_.push_back({effect_.samplers.size(), nameEnd});
        p->sampler = static_cast<int>(effect_.samplers.size());
        effect_.samplers.push_back(std::move(s));
    }

    // A state's name and its '='; states are set whole, never by index.
    const Token& stateName(const std::string& what)
    {
        const Token& name = c_.expectIdentifier(what);
        if (c_.peek().is("["))
            c_.fail(c_.peek(), "indexed " + what + "s are not supported");
        c_.expect("=");
        return name;
    }

    void samplerStates(SamplerDecl* s)
    {
        c_.expect("{");
        while (!c_.accept("}"))
        {
            const Token& name = stateName("sampler state");
            if (equalsNoCase(name.text, "Texture"))
            {
                const bool angle = c_.accept("<");
                const bool paren = !angle && c_.accept("(");
                s->texture = std::string(c_.expectIdentifier("texture parameter").text);
                textureRefs_.push_back(&name);
                if (angle)
                    c_.expect(">");
                if (paren)
                    c_.expect(")");
            }
            else
            {
                StateInfo info;
                if (!findSamplerState(name.text, &info))
                    c_.fail(name, "unknown sampler state '" + std::string(name.text) + "'");
                s->states.push_back({info.state, stateValue(info.kind)});
            }
            c_.expect(";");
        }
    }

    DWORD stateValue(StateValueKind kind)
    {
        const bool paren = c_.accept("(");
        const bool negative = c_.accept("-");
        const Token& t = c_.next();
        DWORD value = 0;
        if (t.kind == TokenKind::Identifier && !negative)
        {
            if (!findStateValue(kind, t.text, &value))
                c_.fail(t, "unknown state value '" + std::string(t.text) + "'");
        }
        else if (t.kind == TokenKind::Number)
        {
            const double v = numberValue(t.text) * (negative ? -1 : 1);
            if (kind == StateValueKind::Float)
            {
                const float f = static_cast<float>(v);
                if (!std::isfinite(f))
                    c_.fail(t, "state value out of range for a float");
                std::memcpy(&value, &f, sizeof value);
            }
            else
            {
                if (!fitsInteger32(v))
                    c_.fail(t, "state value out of range for 32 bits");
                value = toWord32(v);
            }
        }
        else
            c_.fail(t, "state value expected");
        if (paren)
            c_.expect(")");
        return value;
    }

    void technique()
    {
        const Token& keyword = c_.next();
        TechniqueDecl tech;
        if (c_.peek().kind == TokenKind::Identifier)
            tech.name = std::string(c_.next().text);
        if (c_.peek().is("<"))
            c_.skipGroup("<", ">");
        c_.expect("{");
        while (!c_.peek().is("}"))
        {
            const Token& p = c_.peek();
            if (!p.isWord("pass"))
                c_.fail(p, "'pass' expected");
            c_.next();
            tech.passes.push_back(pass());
        }
        const Token& close = c_.next();
        if (tech.passes.empty())
            c_.fail(keyword, "technique without passes");
        blank(keyword.offset, close.offset + 1 - keyword.offset);
        effect_.techniques.push_back(std::move(tech));
    }

    PassDecl pass()
    {
        PassDecl pass;
        if (c_.peek().kind == TokenKind::Identifier)
            pass.name = std::string(c_.next().text);
        if (c_.peek().is("<"))
            c_.skipGroup("<", ">");
        c_.expect("{");
        while (!c_.accept("}"))
        {
            const Token& name = stateName("pass state");
            const bool vertex = equalsNoCase(name.text, "VertexShader");
            if (vertex || equalsNoCase(name.text, "PixelShader"))
            {
                auto& slot = vertex ? pass.vertexShader : pass.pixelShader;
                slot = shader(vertex ? ShaderStage::Vertex : ShaderStage::Pixel);
            }
            else
            {
                StateInfo info;
                if (!findRenderState(name.text, &info))
                    c_.fail(name, "unknown pass state '" + std::string(name.text) + "'");
                pass.renderStates.push_back({info.state, stateValue(info.kind)});
            }
            c_.expect(";");
        }
        return pass;
    }

    ShaderCompile shader(ShaderStage stage)
    {
        ShaderCompile sc;
        sc.stage = stage;
        const bool paren = c_.accept("(");
        const Token& t = c_.next();
        if (t.isWord("NULL") || t.isWord("null"))
        {
            if (paren)
                c_.expect(")");
            return sc;
        }
        if (!t.isWord("compile"))
            c_.fail(t, "'compile' or NULL expected");
        const Token& profile = c_.expectIdentifier("shader profile");
        if (!parseProfile(profile.text, stage, &sc))
            c_.fail(profile, "invalid " +
                                 std::string(stage == ShaderStage::Vertex ? "vertex" : "pixel") +
                                 " shader profile '" + std::string(profile.text) + "'");
        const Token& entry = c_.expectIdentifier("shader function");
        sc.entry = std::string(entry.text);
        sc.where = c_.where(entry);
        c_.expect("(");
        if (!c_.peek().is(")"))
            c_.fail(c_.peek(), "arguments to compiled shaders are not supported");
        c_.expect(")");
        if (paren)
            c_.expect(")");
        return sc;
    }

    static bool parseProfile(std::string_view text, ShaderStage stage, ShaderCompile* sc)
    {
        static constexpr std::string_view kVertex[] = {"vs_1_1", "vs_2_0", "vs_2_a", "vs_2_sw",
                                                       "vs_3_0"};
        static constexpr std::string_view kPixel[] = {"ps_1_1", "ps_1_2",  "ps_1_3",
                                                      "ps_1_4", "ps_2_0",  "ps_2_a",
                                                      "ps_2_b", "ps_2_sw", "ps_3_0"};
        bool known = false;
        if (stage == ShaderStage::Vertex)
        {
            for (std::string_view p : kVertex)
                known = known || p == text;
        }
        else
        {
            for (std::string_view p : kPixel)
                known = known || p == text;
        }
        if (!known)
            return false;
        sc->profile = std::string(text);
        sc->major = text[3] - '0';
        sc->minor = text[5] >= '0' && text[5] <= '9' ? text[5] - '0' : 0;
        return true;
    }

    // Samplers without a register get the lowest free ones, in declaration order.
    void assignSamplerRegisters()
    {
        std::set<int> used;
        for (const SamplerDecl& s : effect_.samplers)
            if (s.reg >= 0)
                used.insert(s.reg);
        int next = 0;
        for (const auto& [index, offset] : registerInsertions_)
        {
            while (used.count(next))
                ++next;
            if (next >= static_cast<int>(swk::kSamplerRegisters))
            {
                const ParamDecl& p =
                    effect_.params[static_cast<size_t>(effect_.samplers[index].param)];
                diags_.error(p.where, "too many samplers", p.name);
                throw ParseFailed{};
            }
            effect_.samplers[index].reg = next;
            used.insert(next);
            edits_.push_back({offset, 0, " : register(s" + std::to_string(next) + ")"});
        }
    }

    void resolveSamplerTextures()
    {
        size_t ref = 0;
        for (const SamplerDecl& s : effect_.samplers)
        {
            if (s.texture.empty())
                continue;
            const Token& at = *textureRefs_[ref++];
            bool found = false;
            for (const ParamDecl& p : effect_.params)
                found = found || (p.name == s.texture && p.cls == D3DXPC_OBJECT &&
                                  p.type >= D3DXPT_TEXTURE && p.type <= D3DXPT_TEXTURECUBE);
            if (!found)
                c_.fail(at, "'" + s.texture + "' is not a texture parameter");
        }
    }

    void blank(size_t offset, size_t length) { edits_.push_back({offset, length, {}}); }

    std::string applyEdits()
    {
        std::stable_sort(edits_.begin(), edits_.end(),
                         [](const Edit& a, const Edit& b) { return a.offset < b.offset; });
        std::string out;
        out.reserve(text_.size() + 32 * edits_.size());
        size_t pos = 0;
        for (const Edit& e : edits_)
        {
            // Blanks may nest (a shared texture); insertions never fall inside one.
            if (e.offset >= pos)
            {
                out.append(text_.substr(pos, e.offset - pos));
                out += e.insertion;
                pos = e.offset;
            }
            for (; pos < e.offset + e.length; ++pos)
                out += text_[pos] == '\n' ? '\n' : ' ';
        }
        out.append(text_.substr(pos));
        return out;
    }

    std::string_view text_;
    const ParseOptions& options_;
    Diagnostics& diags_;
    Lexed lexed_;
    TokenCursor c_;
    ParsedEffect effect_;
    std::vector<Edit> edits_;
    std::vector<std::pair<size_t, size_t>> registerInsertions_; // sampler index, text offset
    std::vector<const Token*> textureRefs_;
    std::map<std::string, std::pair<bool, const Token*>> globals_; // name: function?, first
};

} // namespace

bool parseEffect(std::string_view preprocessed, const ParseOptions& options, ParsedEffect* out,
                 Diagnostics& diags)
{
    return Parser(preprocessed, options, diags).run(out);
}

} // namespace swk::d3dx9::fx
