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

    size_t count() const { return decls_.size(); }
    const fx::ParamDecl& decl(size_t i) const { return decls_[i]; }
    // The handle is the parameter's name, owned here, so a handle and a name
    // passed in its place both resolve.
    D3DXHANDLE handle(size_t i) const { return decls_[i].name.c_str(); }
    int find(D3DXHANDLE handle) const;

    HRESULT setValue(int i, const void* data, UINT bytes);
    HRESULT getValue(int i, void* data, UINT bytes) const;
    HRESULT setBool(int i, BOOL b) { return setScalar(i, b ? 1.0 : 0.0); }
    HRESULT getBool(int i, BOOL* b) const;
    HRESULT setInt(int i, INT n) { return setScalar(i, n); }
    HRESULT getInt(int i, INT* n) const;
    HRESULT setFloat(int i, FLOAT f) { return setScalar(i, f); }
    HRESULT getFloat(int i, FLOAT* f) const;
    HRESULT setFloatArray(int i, const FLOAT* values, UINT count);
    HRESULT getFloatArray(int i, FLOAT* values, UINT count) const;
    HRESULT setVector(int i, const D3DXVECTOR4* v);
    HRESULT getVector(int i, D3DXVECTOR4* v) const;
    HRESULT setMatrix(int i, const D3DXMATRIX* m);
    HRESULT getMatrix(int i, D3DXMATRIX* m) const;
    HRESULT setTexture(int i, IDirect3DBaseTexture9* texture);
    HRESULT getTexture(int i, IDirect3DBaseTexture9** texture) const;

    // The texture a texture parameter holds, without a reference; null for others.
    IDirect3DBaseTexture9* texture(int i) const
    {
        return i >= 0 ? textures_[static_cast<size_t>(i)].get() : nullptr;
    }
    // Drops the references to textures that a device reset must not find alive.
    void releaseDefaultPoolTextures();

    // The constant block in register order: register r is floats 4r..4r+3.
    const float* constants();
    UINT constantRegisters() const { return static_cast<UINT>(block_.size() / 4); }
    // Bumped by every change of a numeric parameter or of a texture.
    uint64_t constantsVersion() const { return constantsVersion_; }
    uint64_t texturesVersion() const { return texturesVersion_; }

private:
    bool isNumeric(int i) const { return i >= 0 && decls_[static_cast<size_t>(i)].isNumeric(); }
    double read(int i, size_t k) const;
    void write(int i, size_t k, double v);
    HRESULT setScalar(int i, double v);
    void pack();

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
