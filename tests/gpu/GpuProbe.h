// Small helpers shared by the device-resource, geometry and render-pass tests.
#pragma once

#include <FakeEffects.h>
#include <TestDevice.h>
#include <WaveGeneratorProbe.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace gputest
{

using swk::test::MakeDevice;
using swk::test::References;
using swk::test::TestDevice;
using swk::test::TestTexture;
using swk::test::TestVertexBuffer;
using Probe = CWaveGeneratorProbe;

const DWORD kPS20 = D3DPS_VERSION(2, 0);
const DWORD kPS14 = D3DPS_VERSION(1, 4);
const DWORD kPS11 = D3DPS_VERSION(1, 1);
const DWORD kNoPS = 0;

inline TestTexture* AsTexture(IDirect3DTexture9* p)
{
    return static_cast<TestTexture*>(p);
}
inline TestVertexBuffer* AsBuffer(IDirect3DVertexBuffer9* p)
{
    return static_cast<TestVertexBuffer*>(p);
}

inline D3DSURFACE_DESC TopLevel(IDirect3DTexture9* p)
{
    D3DSURFACE_DESC desc;
    std::memset(&desc, 0, sizeof desc);
    p->GetLevelDesc(0, &desc);
    return desc;
}

// A member of the vertex at index i of a buffer whose vertices are stride
// bytes long, read from its bytes.
template <typename T> T Member(IDirect3DVertexBuffer9* vb, int stride, int i, int offset)
{
    T value;
    std::memcpy(&value, AsBuffer(vb)->Bytes().data() + static_cast<size_t>(i) * stride + offset,
                sizeof value);
    return value;
}

} // namespace gputest
