#include "EffectCompiler.h"

#include "Lexer.h"
#include "Parser.h"
#include "Preprocessor.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <tuple>

namespace swk::d3dx9::fx
{
namespace
{

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string_view lineOf(const std::string& text, int line)
{
    size_t start = 0;
    for (int i = 1; i < line; ++i)
    {
        start = text.find('\n', start);
        if (start == std::string::npos)
            return {};
        ++start;
    }
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
        end = text.size();
    return std::string_view(text).substr(start, end - start);
}

// The first line of text on which word appears, or 1.
int lineWith(const std::string& text, const std::string& word)
{
    const size_t at = word.empty() ? std::string::npos : text.find(word);
    return at == std::string::npos
               ? 1
               : 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

// Messages point at the source as written: the preprocessor reflows lines, so
// columns are found again by the token a message is about (its nth appearance
// on the line when the parser saw it n times there), falling back to the start
// of the statement's line. A message without a line (a broken #line directive
// loses it) goes to the first line that holds its token.
void placeColumns(const Preprocessed& pre, Diagnostics& diags)
{
    for (Diagnostic& d : diags.all())
    {
        auto src = pre.sources.find(d.where.file);
        if (d.where.line <= 0)
            d.where.line = src == pre.sources.end() ? 1 : lineWith(src->second, d.near);
        if (src == pre.sources.end())
            continue;
        const std::string_view line = lineOf(src->second, d.where.line);
        size_t column = std::string_view::npos;
        int skip = d.nearOccurrence;
        if (!d.near.empty())
        {
            for (size_t at = line.find(d.near); at != std::string_view::npos;
                 at = line.find(d.near, at + 1))
            {
                const bool wordStart =
                    at == 0 || !isWordChar(line[at - 1]) || !isWordChar(d.near[0]);
                const size_t after = at + d.near.size();
                const bool wordEnd =
                    after >= line.size() || !isWordChar(line[after]) || !isWordChar(d.near.back());
                if (wordStart && wordEnd)
                {
                    column = at;
                    if (skip-- == 0)
                        break;
                }
            }
        }
        if (column == std::string_view::npos && d.where.column <= 0)
            column = line.find_first_not_of(" \t");
        if (column != std::string_view::npos)
            d.where.column = static_cast<int>(column) + 1;
        else if (d.where.column <= 0)
            d.where.column = 1;
    }
}

bool mergeLayout(const GlobalLayout& from, const ShaderCompile& sc, GlobalLayout* into,
                 bool* haveLayout, Diagnostics& diags)
{
    if (!*haveLayout)
    {
        *into = from;
        *haveLayout = true;
        return true;
    }
    for (const auto& [name, offset] : from.offsets)
    {
        auto it = into->offsets.find(name);
        if (it != into->offsets.end() && it->second != offset)
        {
            diags.error(sc.where, "'" + name + "' is placed differently in '" + sc.entry + "'",
                        sc.entry);
            return false;
        }
        into->offsets.emplace(name, offset);
    }
    into->size = std::max(into->size, from.size);
    return true;
}

} // namespace

bool compileEffect(const EffectSource& source, CompiledEffect* out, Diagnostics& diags)
{
    Preprocessed pre;
    PreprocessInput in{source.text, source.name, source.defines, source.include};
    bool ok = preprocess(in, &pre, diags);

    ParseOptions parseOptions;
    parseOptions.mainFile = source.name;
    parseOptions.rowMajorByDefault = (source.flags & D3DXSHADER_PACKMATRIX_ROWMAJOR) != 0;
    ok = ok && parseEffect(pre.text, parseOptions, &out->parsed, diags);

    CompileOptions compileOptions;
    compileOptions.mainFile = source.name;
    compileOptions.rowMajorByDefault = parseOptions.rowMajorByDefault;
    // One entry point may serve several passes; it is compiled once.
    std::map<std::tuple<ShaderStage, std::string, std::string>, int> compiled;
    bool haveLayout = false;
    auto compile = [&](const std::optional<ShaderCompile>& sc) -> int
    {
        if (!sc || sc->entry.empty())
            return -1;
        const auto key = std::make_tuple(sc->stage, sc->entry, sc->profile);
        if (auto it = compiled.find(key); it != compiled.end())
            return it->second;
        CompiledShader shader;
        if (!compileShader(out->parsed.hlsl, *sc, compileOptions, &shader, diags))
        {
            ok = false;
            return compiled[key] = -1;
        }
        if (shader.io.usesGlobals &&
            !mergeLayout(shader.layout, *sc, &out->layout, &haveLayout, diags))
            ok = false;
        out->shaders.push_back(std::move(shader));
        return compiled[key] = static_cast<int>(out->shaders.size() - 1);
    };
    if (ok)
        for (const TechniqueDecl& t : out->parsed.techniques)
        {
            std::vector<CompiledPass>& passes = out->passes.emplace_back();
            for (const PassDecl& p : t.passes)
                passes.push_back(CompiledPass{compile(p.vertexShader), compile(p.pixelShader)});
        }
    // Every failure names a place, even one the compilers gave no message for.
    if (!ok && !diags.hasErrors())
        diags.error(SourceLocation{source.name, 1, 1}, "the effect could not be compiled");
    placeColumns(pre, diags);
    return ok && !diags.hasErrors();
}

} // namespace swk::d3dx9::fx
