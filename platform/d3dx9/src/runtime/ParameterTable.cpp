#include "ParameterTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace swk::d3dx9
{

using fx::ParamDecl;

ParameterTable::ParameterTable(const std::vector<ParamDecl>& decls, const fx::GlobalLayout& layout)
    : decls_(decls), values_(decls.size()), textures_(decls.size()), offsets_(decls.size(), -1),
      block_((layout.size + 15) / 16 * 4)
{
    for (size_t i = 0; i < decls_.size(); ++i)
    {
        const ParamDecl& d = decls_[i];
        if (!d.isNumeric())
            continue;
        // Defaults never reach the shader code; they live here.
        values_[i] = d.defaults;
        values_[i].resize(d.components(), 0);
        if (auto it = layout.offsets.find(d.name); it != layout.offsets.end())
            offsets_[i] = static_cast<int>(it->second);
    }
}

int ParameterTable::find(D3DXHANDLE h) const
{
    if (!h)
        return -1;
    for (size_t i = 0; i < decls_.size(); ++i)
        if (h == handle(i))
            return static_cast<int>(i);
    for (size_t i = 0; i < decls_.size(); ++i)
        if (decls_[i].name == h)
            return static_cast<int>(i);
    return -1;
}

double ParameterTable::read(int i, size_t k) const
{
    const uint32_t word = values_[static_cast<size_t>(i)][k];
    switch (decls_[static_cast<size_t>(i)].type)
    {
    case D3DXPT_FLOAT:
    {
        float f;
        std::memcpy(&f, &word, sizeof f);
        return f;
    }
    case D3DXPT_INT:
        return static_cast<int32_t>(word);
    default:
        return word ? 1.0 : 0.0;
    }
}

void ParameterTable::write(int i, size_t k, double v)
{
    uint32_t& word = values_[static_cast<size_t>(i)][k];
    switch (decls_[static_cast<size_t>(i)].type)
    {
    case D3DXPT_FLOAT:
    {
        const float f = static_cast<float>(v);
        std::memcpy(&word, &f, sizeof word);
        break;
    }
    case D3DXPT_INT:
        word = static_cast<uint32_t>(static_cast<int32_t>(std::trunc(v)));
        break;
    default:
        word = v != 0 ? 1 : 0;
        break;
    }
    blockDirty_ = true;
    ++constantsVersion_;
}

HRESULT ParameterTable::setScalar(int i, double v)
{
    if (!isNumeric(i))
        return D3DERR_INVALIDCALL;
    write(i, 0, v);
    return D3D_OK;
}

HRESULT ParameterTable::getBool(int i, BOOL* b) const
{
    if (!isNumeric(i) || !b)
        return D3DERR_INVALIDCALL;
    *b = read(i, 0) != 0 ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT ParameterTable::getInt(int i, INT* n) const
{
    if (!isNumeric(i) || !n)
        return D3DERR_INVALIDCALL;
    *n = static_cast<INT>(
        decls_[static_cast<size_t>(i)].type == D3DXPT_FLOAT ? std::lround(read(i, 0)) : read(i, 0));
    return D3D_OK;
}

HRESULT ParameterTable::getFloat(int i, FLOAT* f) const
{
    if (!isNumeric(i) || !f)
        return D3DERR_INVALIDCALL;
    *f = static_cast<FLOAT>(read(i, 0));
    return D3D_OK;
}

HRESULT ParameterTable::setFloatArray(int i, const FLOAT* values, UINT count)
{
    if (!isNumeric(i) || (!values && count))
        return D3DERR_INVALIDCALL;
    const size_t n = std::min<size_t>(count, values_[static_cast<size_t>(i)].size());
    for (size_t k = 0; k < n; ++k)
        write(i, k, values[k]);
    return D3D_OK;
}

HRESULT ParameterTable::getFloatArray(int i, FLOAT* values, UINT count) const
{
    if (!isNumeric(i) || (!values && count))
        return D3DERR_INVALIDCALL;
    const size_t n = std::min<size_t>(count, values_[static_cast<size_t>(i)].size());
    for (size_t k = 0; k < n; ++k)
        values[k] = static_cast<FLOAT>(read(i, k));
    return D3D_OK;
}

HRESULT ParameterTable::setVector(int i, const D3DXVECTOR4* v)
{
    if (!isNumeric(i) || !v || decls_[static_cast<size_t>(i)].cls >= D3DXPC_MATRIX_ROWS)
        return D3DERR_INVALIDCALL;
    const float xyzw[4] = {v->x, v->y, v->z, v->w};
    const size_t n = std::min<size_t>(decls_[static_cast<size_t>(i)].columns, 4);
    for (size_t k = 0; k < n; ++k)
        write(i, k, xyzw[k]);
    return D3D_OK;
}

HRESULT ParameterTable::getVector(int i, D3DXVECTOR4* v) const
{
    if (!isNumeric(i) || !v || decls_[static_cast<size_t>(i)].cls >= D3DXPC_MATRIX_ROWS)
        return D3DERR_INVALIDCALL;
    float xyzw[4] = {0, 0, 0, 0};
    const size_t n = std::min<size_t>(decls_[static_cast<size_t>(i)].columns, 4);
    for (size_t k = 0; k < n; ++k)
        xyzw[k] = static_cast<float>(read(i, k));
    *v = D3DXVECTOR4(xyzw[0], xyzw[1], xyzw[2], xyzw[3]);
    return D3D_OK;
}

HRESULT ParameterTable::setMatrix(int i, const D3DXMATRIX* m)
{
    if (!isNumeric(i) || !m || decls_[static_cast<size_t>(i)].cls < D3DXPC_MATRIX_ROWS)
        return D3DERR_INVALIDCALL;
    const ParamDecl& d = decls_[static_cast<size_t>(i)];
    for (UINT r = 0; r < d.rows; ++r)
        for (UINT c = 0; c < d.columns; ++c)
            write(i, r * d.columns + c, m->m[r][c]);
    return D3D_OK;
}

HRESULT ParameterTable::getMatrix(int i, D3DXMATRIX* m) const
{
    if (!isNumeric(i) || !m || decls_[static_cast<size_t>(i)].cls < D3DXPC_MATRIX_ROWS)
        return D3DERR_INVALIDCALL;
    const ParamDecl& d = decls_[static_cast<size_t>(i)];
    std::memset(m, 0, sizeof *m);
    for (UINT r = 0; r < d.rows; ++r)
        for (UINT c = 0; c < d.columns; ++c)
            m->m[r][c] = static_cast<float>(read(i, r * d.columns + c));
    return D3D_OK;
}

HRESULT ParameterTable::setValue(int i, const void* data, UINT bytes)
{
    if (i < 0 || !data)
        return D3DERR_INVALIDCALL;
    const ParamDecl& d = decls_[static_cast<size_t>(i)];
    if (d.type >= D3DXPT_TEXTURE && d.type <= D3DXPT_TEXTURECUBE)
    {
        if (bytes < sizeof(IDirect3DBaseTexture9*))
            return D3DERR_INVALIDCALL;
        IDirect3DBaseTexture9* texture;
        std::memcpy(&texture, data, sizeof texture);
        return setTexture(i, texture);
    }
    if (!d.isNumeric())
        return D3DERR_INVALIDCALL;
    std::vector<uint32_t>& v = values_[static_cast<size_t>(i)];
    std::memcpy(v.data(), data, std::min<size_t>(bytes, v.size() * 4));
    blockDirty_ = true;
    ++constantsVersion_;
    return D3D_OK;
}

HRESULT ParameterTable::getValue(int i, void* data, UINT bytes) const
{
    if (i < 0 || !data)
        return D3DERR_INVALIDCALL;
    const ParamDecl& d = decls_[static_cast<size_t>(i)];
    if (d.type >= D3DXPT_TEXTURE && d.type <= D3DXPT_TEXTURECUBE)
    {
        if (bytes < sizeof(IDirect3DBaseTexture9*))
            return D3DERR_INVALIDCALL;
        IDirect3DBaseTexture9* texture = nullptr;
        getTexture(i, &texture);
        std::memcpy(data, &texture, sizeof texture);
        return D3D_OK;
    }
    if (d.type == D3DXPT_STRING)
    {
        if (bytes < sizeof(LPCSTR))
            return D3DERR_INVALIDCALL;
        const LPCSTR s = d.stringValue.c_str();
        std::memcpy(data, &s, sizeof s);
        return D3D_OK;
    }
    if (!d.isNumeric())
        return D3DERR_INVALIDCALL;
    const std::vector<uint32_t>& v = values_[static_cast<size_t>(i)];
    std::memcpy(data, v.data(), std::min<size_t>(bytes, v.size() * 4));
    return D3D_OK;
}

HRESULT ParameterTable::setTexture(int i, IDirect3DBaseTexture9* texture)
{
    if (i < 0)
        return D3DERR_INVALIDCALL;
    const ParamDecl& d = decls_[static_cast<size_t>(i)];
    if (d.type < D3DXPT_TEXTURE || d.type > D3DXPT_TEXTURECUBE)
        return D3DERR_INVALIDCALL;
    textures_[static_cast<size_t>(i)].reset(texture);
    ++texturesVersion_;
    return D3D_OK;
}

HRESULT ParameterTable::getTexture(int i, IDirect3DBaseTexture9** texture) const
{
    if (i < 0 || !texture)
        return D3DERR_INVALIDCALL;
    const ParamDecl& d = decls_[static_cast<size_t>(i)];
    if (d.type < D3DXPT_TEXTURE || d.type > D3DXPT_TEXTURECUBE)
        return D3DERR_INVALIDCALL;
    *texture = textures_[static_cast<size_t>(i)].get();
    if (*texture)
        (*texture)->AddRef();
    return D3D_OK;
}

void ParameterTable::releaseDefaultPoolTextures()
{
    for (ComPtr<IDirect3DBaseTexture9>& t : textures_)
    {
        if (!t)
            continue;
        D3DSURFACE_DESC desc{};
        desc.Pool = D3DPOOL_DEFAULT;
        if (t->GetType() == D3DRTYPE_TEXTURE)
            static_cast<IDirect3DTexture9*>(t.get())->GetLevelDesc(0, &desc);
        if (desc.Pool == D3DPOOL_DEFAULT)
        {
            t.reset();
            ++texturesVersion_;
        }
    }
}

const float* ParameterTable::constants()
{
    if (blockDirty_)
        pack();
    return reinterpret_cast<const float*>(block_.data());
}

// Arrays start every element on a register; a column-major matrix (the HLSL
// default) puts one column in each register, a row-major one one row.
void ParameterTable::pack()
{
    blockDirty_ = false;
    for (size_t i = 0; i < decls_.size(); ++i)
    {
        if (offsets_[i] < 0)
            continue;
        const ParamDecl& d = decls_[i];
        const std::vector<uint32_t>& v = values_[i];
        const size_t base = static_cast<size_t>(offsets_[i]) / 4;
        const bool matrix = d.cls == D3DXPC_MATRIX_ROWS || d.cls == D3DXPC_MATRIX_COLUMNS;
        const size_t registers = matrix ? (d.rowMajor ? d.rows : d.columns) : 1;
        const size_t elements = d.elements ? d.elements : 1;
        for (size_t e = 0; e < elements; ++e)
            for (size_t r = 0; r < d.rows; ++r)
                for (size_t c = 0; c < d.columns; ++c)
                {
                    size_t at = base + e * registers * 4;
                    if (!matrix)
                        at += c;
                    else if (d.rowMajor)
                        at += r * 4 + c;
                    else
                        at += c * 4 + r;
                    if (at < block_.size())
                        block_[at] = v[(e * d.rows + r) * d.columns + c];
                }
    }
}

} // namespace swk::d3dx9
