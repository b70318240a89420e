// The values of an effect's parameters, their conversions between the setter
// types D3DX offers, and the constant block the shaders read them from.
#pragma once

#include <swk/Com.h>
#include "../fx/EffectCompiler.h"

#include <d3dx9.h>

#include <cstdint>
#include <vector>

namespace swk::d3dx9
{

class ParameterTable
{
public:
    ParameterTable(const std::vector<fx::ParamDecl>& decls, const fx::GlobalLayout& layout);

    size_t Count() const { return decls_.size(); }
    const fx::ParamDecl& Decl(size_t i) const { return decls_[i]; }
    // The handle is the parameter's name, owned here, so a handle and a name
    // passed in its place both resolve.
    D3DXHANDLE Handle(size_t i) const { return decls_[i].name.c_str(); }
    int Find(D3DXHANDLE handle) const;

    HRESULT SetValue(int i, const void* data, UINT bytes);
    HRESULT GetValue(int i, void* data, UINT bytes) const;
    HRESULT SetBool(int i, BOOL b) { return SetScalar(i, b ? 1.0 : 0.0); }
    HRESULT GetBool(int i, BOOL* b) const;
    HRESULT SetInt(int i, INT n) { return SetScalar(i, n); }
    HRESULT GetInt(int i, INT* n) const;
    HRESULT SetFloat(int i, FLOAT f) { return SetScalar(i, f); }
    HRESULT GetFloat(int i, FLOAT* f) const;
    HRESULT SetFloatArray(int i, const FLOAT* values, UINT count);
    HRESULT GetFloatArray(int i, FLOAT* values, UINT count) const;
    HRESULT SetVector(int i, const D3DXVECTOR4* v);
    HRESULT GetVector(int i, D3DXVECTOR4* v) const;
    HRESULT SetMatrix(int i, const D3DXMATRIX* m);
    HRESULT GetMatrix(int i, D3DXMATRIX* m) const;
    HRESULT SetTexture(int i, IDirect3DBaseTexture9* texture);
    HRESULT GetTexture(int i, IDirect3DBaseTexture9** texture) const;

    // The texture a texture parameter holds, without a reference; null for others.
    IDirect3DBaseTexture9* Texture(int i) const
    {
        return i >= 0 ? textures_[static_cast<size_t>(i)].get() : nullptr;
    }
    // Drops the references to textures that a device reset must not find alive.
    void ReleaseDefaultPoolTextures();

    // The constant block in register order: register r is floats 4r..4r+3.
    const float* Constants();
    UINT ConstantRegisters() const { return static_cast<UINT>(block_.size() / 4); }
    // Bumped by every change of a numeric parameter or of a texture.
    uint64_t ConstantsVersion() const { return constantsVersion_; }
    uint64_t TexturesVersion() const { return texturesVersion_; }

private:
    bool IsNumeric(int i) const { return i >= 0 && decls_[static_cast<size_t>(i)].IsNumeric(); }
    double Read(int i, size_t k) const;
    void Write(int i, size_t k, double v);
    HRESULT SetScalar(int i, double v);
    void Pack();

    std::vector<fx::ParamDecl> decls_;
    std::vector<std::vector<uint32_t>> values_;
    std::vector<ComPtr<IDirect3DBaseTexture9>> textures_;
    std::vector<int> offsets_; // byte offset in the block, -1 when not in it
    std::vector<uint32_t> block_;
    bool blockDirty_ = true;
    uint64_t constantsVersion_ = 1;
    uint64_t texturesVersion_ = 1;
};

} // namespace swk::d3dx9
