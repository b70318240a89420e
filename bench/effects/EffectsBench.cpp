// Compiling the generator's two effects, which its construction does once:
// steady state, the first compile in a process (glslang builds its HLSL
// built-in tables then), and on the Vulkan device with shader objects made.
#include "fx/EffectCompiler.h"

#include <benchmark/benchmark.h>
#include <d3dx9.h>
#include <glslang/Public/ShaderLang.h>

#include <fstream>
#include <sstream>
#include <string>

#include "BenchDevice.h"

namespace
{

std::string Source(const char* file)
{
    std::ifstream in(std::string(SWK_EFFECTS_DIR) + "/" + file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string& Height()
{
    static const std::string s = Source("HeightMap.fx");
    return s;
}
const std::string& Normal()
{
    static const std::string s = Source("NormalMap.fx");
    return s;
}

void CompileBoth(benchmark::State& state)
{
    using namespace swk::d3dx9::fx;
    for (const std::string* text : {&Height(), &Normal()})
    {
        EffectSource source;
        source.text = *text;
        source.flags = D3DXSHADER_NO_PRESHADER;
        CompiledEffect compiled;
        Diagnostics diags;
        if (!compileEffect(source, &compiled, diags))
            state.SkipWithError(diags.text().c_str());
        benchmark::DoNotOptimize(compiled.shaders.data());
    }
}

void BM_CompileBothEffects(benchmark::State& state)
{
    CompileBoth(state); // the process-wide glslang set-up is measured below
    for (auto _ : state)
        CompileBoth(state);
}
BENCHMARK(BM_CompileBothEffects)->Unit(benchmark::kMillisecond);

// glslang keeps its built-in symbol tables per process; tearing the process
// state down before each iteration makes every compile the first one.
void BM_CompileBothEffectsFirstInProcess(benchmark::State& state)
{
    CompileBoth(state);
    for (auto _ : state)
    {
        state.PauseTiming();
        glslang::FinalizeProcess();
        glslang::InitializeProcess();
        state.ResumeTiming();
        CompileBoth(state);
    }
}
BENCHMARK(BM_CompileBothEffectsFirstInProcess)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CreateBothEffectsOnDevice(benchmark::State& state)
{
    const swk::bench::HeadlessDevice host;
    IDirect3DDevice9* device = host.get();
    if (!device)
    {
        state.SkipWithError("no device");
        return;
    }
    auto create = [&]
    {
        for (const std::string* text : {&Height(), &Normal()})
        {
            ID3DXEffect* effect = nullptr;
            if (FAILED(D3DXCreateEffect(device, text->data(), UINT(text->size()), nullptr, nullptr,
                                        D3DXSHADER_NO_PRESHADER, nullptr, &effect, nullptr)))
                state.SkipWithError("compile failed");
            else
                effect->Release();
        }
    };
    create();
    for (auto _ : state)
        create();
}
BENCHMARK(BM_CreateBothEffectsOnDevice)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
