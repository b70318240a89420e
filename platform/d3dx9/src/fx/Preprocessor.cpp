#include "Preprocessor.h"

#include "Glslang.h"

#include <glslang/Public/ResourceLimits.h>

#include <memory>
#include <vector>

namespace swk::d3dx9::fx
{
namespace
{

// Hands #include requests to the caller's handler, as D3DX does; without one,
// every #include fails.
class IncludeBridge : public glslang::TShader::Includer
{
public:
    IncludeBridge(ID3DXInclude* include, Preprocessed* out) : include_(include), out_(out) {}

    IncludeResult* includeLocal(const char* header, const char* includer, size_t) override
    {
        return openInclude(D3DXINC_LOCAL, header, includer);
    }
    IncludeResult* includeSystem(const char* header, const char* includer, size_t) override
    {
        return openInclude(D3DXINC_SYSTEM, header, includer);
    }
    void releaseInclude(IncludeResult* result) override
    {
        if (!result)
            return;
        for (auto it = open_.begin(); it != open_.end(); ++it)
            if (it->get() == result)
            {
                include_->Close(result->userData);
                open_.erase(it);
                return;
            }
    }

private:
    IncludeResult* openInclude(D3DXINCLUDE_TYPE type, const char* header, const char* includer)
    {
        if (!include_)
            return nullptr;
        const void* parent = nullptr;
        if (auto it = data_.find(includer ? includer : ""); it != data_.end())
            parent = it->second;
        const void* data = nullptr;
        UINT bytes = 0;
        if (FAILED(include_->Open(type, header, parent, &data, &bytes)) || !data)
            return nullptr;
        const char* text = static_cast<const char*>(data);
        out_->sources[header] = std::string(text, bytes);
        data_[header] = data;
        open_.push_back(
            std::make_unique<IncludeResult>(header, text, bytes, const_cast<void*>(data)));
        return open_.back().get();
    }

    ID3DXInclude* include_;
    Preprocessed* out_;
    std::map<std::string, const void*> data_;
    std::vector<std::unique_ptr<IncludeResult>> open_;
};

std::string macroPreamble(const D3DXMACRO* defines)
{
    std::string preamble;
    for (const D3DXMACRO* m = defines; m && m->Name; ++m)
    {
        preamble += "#define ";
        preamble += m->Name;
        if (m->Definition)
        {
            preamble += ' ';
            preamble += m->Definition;
        }
        preamble += '\n';
    }
    return preamble;
}

} // namespace

bool preprocess(const PreprocessInput& input, Preprocessed* out, Diagnostics& diags)
{
    ensureGlslangProcess();
    out->sources[input.name] = std::string(input.source);

    glslang::TShader shader(EShLangFragment);
    const char* text = input.source.data();
    const int length = static_cast<int>(input.source.size());
    const char* name = input.name.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    const std::string preamble = macroPreamble(input.defines);
    shader.setPreamble(preamble.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, EShLangFragment, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_1);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_3);

    IncludeBridge includer(input.include, out);
    std::string result;
    const bool ok = shader.preprocess(GetDefaultResources(), 100, ENoProfile, false, false,
                                      kHlslMessages, &result, includer);
    addInfoLog(shader.getInfoLog(), input.name, diags);
    if (!ok || diags.hasErrors())
        return false;
    out->text = std::move(result);
    return true;
}

} // namespace swk::d3dx9::fx
