// The device state an effect's passes change, captured by Begin and put back
// by End, so that drawing with an effect leaves the device as it found it.
#pragma once

#include <swk/Com.h>

#include <d3d9.h>

#include <vector>

namespace swk::d3dx9
{

struct StateSelection
{
    bool vertexShader = false;
    bool pixelShader = false;
    UINT vertexConstants = 0; // registers from 0
    UINT pixelConstants = 0;
    std::vector<DWORD> renderStates;
    struct Sampler
    {
        DWORD reg;
        std::vector<DWORD> states;
    };
    std::vector<Sampler> samplers; // their textures and listed states
};

class StateSnapshot
{
public:
    // Reads the selected state; a device that fails a getter leaves that item out.
    void capture(IDirect3DDevice9* device, const StateSelection& what);
    void restore(IDirect3DDevice9* device);
    void clear();

private:
    struct Value
    {
        DWORD key;
        DWORD value;
    };
    struct SamplerValue
    {
        DWORD reg;
        DWORD state;
        DWORD value;
    };
    struct TextureValue
    {
        DWORD reg;
        ComPtr<IDirect3DBaseTexture9> texture;
    };

    bool haveVertexShader_ = false;
    bool havePixelShader_ = false;
    ComPtr<IDirect3DVertexShader9> vertexShader_;
    ComPtr<IDirect3DPixelShader9> pixelShader_;
    std::vector<float> vertexConstants_;
    std::vector<float> pixelConstants_;
    std::vector<Value> renderStates_;
    std::vector<TextureValue> textures_;
    std::vector<SamplerValue> samplerStates_;
};

} // namespace swk::d3dx9
