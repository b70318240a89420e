// D3DX 9 for Linux builds: the effect framework (compiled from HLSL text at run
// time for our Direct3D 9 device), its message buffer and the vector helpers
// Swellkit uses. Names, values and signatures follow the real library.
#pragma once

#include <d3d9.h>

#include <cmath>

#if defined(SWK_D3DX9_BUILD)
#define SWK_D3DX9_API __attribute__((visibility("default")))
#else
#define SWK_D3DX9_API
#endif

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
#define D3DXERR_INVALIDDATA MAKE_DDHRESULT(2905)

#define D3DXSHADER_DEBUG 0x1
#define D3DXSHADER_SKIPVALIDATION 0x2
#define D3DXSHADER_SKIPOPTIMIZATION 0x4
#define D3DXSHADER_PACKMATRIX_ROWMAJOR 0x8
#define D3DXSHADER_PACKMATRIX_COLUMNMAJOR 0x10
#define D3DXSHADER_PARTIALPRECISION 0x20
#define D3DXSHADER_NO_PRESHADER 0x100
#define D3DXSHADER_AVOID_FLOW_CONTROL 0x200
#define D3DXSHADER_PREFER_FLOW_CONTROL 0x400

#define D3DXFX_DONOTSAVESTATE (1 << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1 << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1 << 2)
#define D3DXFX_NOT_CLONEABLE (1 << 11)
#define D3DXFX_LARGEADDRESSAWARE (1 << 17)

#define D3DX_PARAMETER_SHARED (1 << 0)
#define D3DX_PARAMETER_LITERAL (1 << 1)
#define D3DX_PARAMETER_ANNOTATION (1 << 2)

typedef LPCSTR D3DXHANDLE;

struct D3DXVECTOR3 : public D3DVECTOR
{
    D3DXVECTOR3() = default;
    D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}
    explicit D3DXVECTOR3(const float* pf) : D3DVECTOR{pf[0], pf[1], pf[2]} {}
    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4
{
    D3DXVECTOR4() = default;
    D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
    float x, y, z, w;
};

struct D3DXMATRIX : public D3DMATRIX
{
};

typedef struct _D3DXMACRO
{
    LPCSTR Name;
    LPCSTR Definition;
} D3DXMACRO;

typedef enum _D3DXINCLUDE_TYPE
{
    D3DXINC_LOCAL,
    D3DXINC_SYSTEM,
    D3DXINC_FORCE_DWORD = 0x7fffffff
} D3DXINCLUDE_TYPE;

typedef enum _D3DXPARAMETER_CLASS
{
    D3DXPC_SCALAR,
    D3DXPC_VECTOR,
    D3DXPC_MATRIX_ROWS,
    D3DXPC_MATRIX_COLUMNS,
    D3DXPC_OBJECT,
    D3DXPC_STRUCT,
    D3DXPC_FORCE_DWORD = 0x7fffffff
} D3DXPARAMETER_CLASS;

typedef enum _D3DXPARAMETER_TYPE
{
    D3DXPT_VOID,
    D3DXPT_BOOL,
    D3DXPT_INT,
    D3DXPT_FLOAT,
    D3DXPT_STRING,
    D3DXPT_TEXTURE,
    D3DXPT_TEXTURE1D,
    D3DXPT_TEXTURE2D,
    D3DXPT_TEXTURE3D,
    D3DXPT_TEXTURECUBE,
    D3DXPT_SAMPLER,
    D3DXPT_SAMPLER1D,
    D3DXPT_SAMPLER2D,
    D3DXPT_SAMPLER3D,
    D3DXPT_SAMPLERCUBE,
    D3DXPT_PIXELSHADER,
    D3DXPT_VERTEXSHADER,
    D3DXPT_PIXELFRAGMENT,
    D3DXPT_VERTEXFRAGMENT,
    D3DXPT_UNSUPPORTED,
    D3DXPT_FORCE_DWORD = 0x7fffffff
} D3DXPARAMETER_TYPE;

typedef struct _D3DXEFFECT_DESC
{
    LPCSTR Creator;
    UINT Parameters;
    UINT Techniques;
    UINT Functions;
} D3DXEFFECT_DESC;

typedef struct _D3DXPARAMETER_DESC
{
    LPCSTR Name;
    LPCSTR Semantic;
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements;
    UINT Annotations;
    UINT StructMembers;
    DWORD Flags;
    UINT Bytes;
} D3DXPARAMETER_DESC;

typedef struct _D3DXTECHNIQUE_DESC
{
    LPCSTR Name;
    UINT Passes;
    UINT Annotations;
} D3DXTECHNIQUE_DESC;

typedef struct _D3DXPASS_DESC
{
    LPCSTR Name;
    UINT Annotations;
    const DWORD* pVertexShaderFunction;
    const DWORD* pPixelShaderFunction;
} D3DXPASS_DESC;

interface ID3DXBuffer : public IUnknown
{
    STDMETHOD_(LPVOID, GetBufferPointer)() PURE;
    STDMETHOD_(DWORD, GetBufferSize)() PURE;

protected:
    ~ID3DXBuffer() = default;
};

interface ID3DXInclude
{
    STDMETHOD(Open)
    (D3DXINCLUDE_TYPE IncludeType, LPCSTR pFileName, LPCVOID pParentData, LPCVOID* ppData,
     UINT* pBytes) PURE;
    STDMETHOD(Close)(LPCVOID pData) PURE;

protected:
    ~ID3DXInclude() = default;
};

interface ID3DXEffectPool : public IUnknown
{
protected:
    ~ID3DXEffectPool() = default;
};

interface ID3DXBaseEffect : public IUnknown
{
    STDMETHOD(GetDesc)(D3DXEFFECT_DESC* pDesc) PURE;
    STDMETHOD(GetParameterDesc)(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) PURE;
    STDMETHOD(GetTechniqueDesc)(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) PURE;
    STDMETHOD(GetPassDesc)(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) PURE;
    STDMETHOD_(D3DXHANDLE, GetParameter)(D3DXHANDLE hParameter, UINT Index) PURE;
    STDMETHOD_(D3DXHANDLE, GetParameterByName)(D3DXHANDLE hParameter, LPCSTR pName) PURE;
    STDMETHOD_(D3DXHANDLE, GetTechnique)(UINT Index) PURE;
    STDMETHOD_(D3DXHANDLE, GetTechniqueByName)(LPCSTR pName) PURE;
    STDMETHOD_(D3DXHANDLE, GetPass)(D3DXHANDLE hTechnique, UINT Index) PURE;
    STDMETHOD_(D3DXHANDLE, GetPassByName)(D3DXHANDLE hTechnique, LPCSTR pName) PURE;
    STDMETHOD(SetValue)(D3DXHANDLE hParameter, LPCVOID pData, UINT Bytes) PURE;
    STDMETHOD(GetValue)(D3DXHANDLE hParameter, LPVOID pData, UINT Bytes) PURE;
    STDMETHOD(SetBool)(D3DXHANDLE hParameter, BOOL b) PURE;
    STDMETHOD(GetBool)(D3DXHANDLE hParameter, BOOL* pb) PURE;
    STDMETHOD(SetInt)(D3DXHANDLE hParameter, INT n) PURE;
    STDMETHOD(GetInt)(D3DXHANDLE hParameter, INT* pn) PURE;
    STDMETHOD(SetFloat)(D3DXHANDLE hParameter, FLOAT f) PURE;
    STDMETHOD(GetFloat)(D3DXHANDLE hParameter, FLOAT* pf) PURE;
    STDMETHOD(SetFloatArray)(D3DXHANDLE hParameter, const FLOAT* pf, UINT Count) PURE;
    STDMETHOD(GetFloatArray)(D3DXHANDLE hParameter, FLOAT* pf, UINT Count) PURE;
    STDMETHOD(SetVector)(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector) PURE;
    STDMETHOD(GetVector)(D3DXHANDLE hParameter, D3DXVECTOR4* pVector) PURE;
    STDMETHOD(SetMatrix)(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) PURE;
    STDMETHOD(GetMatrix)(D3DXHANDLE hParameter, D3DXMATRIX* pMatrix) PURE;
    STDMETHOD(SetTexture)(D3DXHANDLE hParameter, IDirect3DBaseTexture9* pTexture) PURE;
    STDMETHOD(GetTexture)(D3DXHANDLE hParameter, IDirect3DBaseTexture9** ppTexture) PURE;

protected:
    ~ID3DXBaseEffect() = default;
};

interface ID3DXEffect : public ID3DXBaseEffect
{
    STDMETHOD(GetPool)(ID3DXEffectPool** ppPool) PURE;
    STDMETHOD(SetTechnique)(D3DXHANDLE hTechnique) PURE;
    STDMETHOD_(D3DXHANDLE, GetCurrentTechnique)() PURE;
    STDMETHOD(ValidateTechnique)(D3DXHANDLE hTechnique) PURE;
    STDMETHOD_(BOOL, IsParameterUsed)(D3DXHANDLE hParameter, D3DXHANDLE hTechnique) PURE;
    STDMETHOD(Begin)(UINT* pPasses, DWORD Flags) PURE;
    STDMETHOD(BeginPass)(UINT Pass) PURE;
    STDMETHOD(CommitChanges)() PURE;
    STDMETHOD(EndPass)() PURE;
    STDMETHOD(End)() PURE;
    STDMETHOD(GetDevice)(IDirect3DDevice9** ppDevice) PURE;
    STDMETHOD(OnLostDevice)() PURE;
    STDMETHOD(OnResetDevice)() PURE;

protected:
    ~ID3DXEffect() = default;
};

typedef ID3DXBuffer* LPD3DXBUFFER;
typedef ID3DXInclude* LPD3DXINCLUDE;
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;
typedef ID3DXEffect* LPD3DXEFFECT;
typedef ID3DXBaseEffect* LPD3DXBASEEFFECT;

extern "C"
{
    SWK_D3DX9_API HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

    SWK_D3DX9_API HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                  UINT SrcDataLen, const D3DXMACRO* pDefines,
                                                  LPD3DXINCLUDE pInclude, DWORD Flags,
                                                  LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
                                                  LPD3DXBUFFER* ppCompilationErrors);

    SWK_D3DX9_API HRESULT WINAPI D3DXCreateEffectFromResourceA(
        LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource,
        const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXEFFECTPOOL pPool,
        LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors);

    SWK_D3DX9_API D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
}

#define D3DXCreateEffectFromResource D3DXCreateEffectFromResourceA
