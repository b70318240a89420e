#include "Shaders.h"
#include "Device.h"

#include <cstring>

namespace swk::d3d9
{
namespace
{

// Blobs are read without a length; anything beyond this is taken as garbage.
constexpr uint32_t kMaxInputs = 32;
constexpr uint32_t kMaxSpirvWords = 1u << 22;

template <typename Interface> const IID& interfaceId();
template <> const IID& interfaceId<IDirect3DVertexShader9>()
{
    return IID_IDirect3DVertexShader9;
}
template <> const IID& interfaceId<IDirect3DPixelShader9>()
{
    return IID_IDirect3DPixelShader9;
}

} // namespace

bool parseShaderBlob(const DWORD* function, ShaderBlobStage stage, ParsedBlob* blob)
{
    if (!function)
        return false;
    ShaderBlobHeader header;
    std::memcpy(&header, function, sizeof header);
    if (header.magic != kShaderBlobMagic || header.stage != static_cast<uint32_t>(stage) ||
        header.inputCount > kMaxInputs || header.spirvWords < 5 ||
        header.spirvWords > kMaxSpirvWords)
        return false;
    if (stage == ShaderBlobStage::Pixel && header.inputCount != 0)
        return false;
    const size_t headerWords = sizeof header / sizeof(DWORD);
    const size_t inputWords = header.inputCount * (sizeof(ShaderBlobInput) / sizeof(DWORD));
    const size_t total = headerWords + inputWords + header.spirvWords;
    ParsedBlob result;
    result.words.assign(function, function + total);
    for (uint32_t i = 0; i < header.inputCount; ++i)
    {
        ShaderBlobInput input;
        std::memcpy(&input, result.words.data() + headerWords + i * 3, sizeof input);
        if (input.usage > D3DDECLUSAGE_SAMPLE)
            return false;
        result.inputs.push_back(
            {input.location, static_cast<D3DDECLUSAGE>(input.usage), input.usageIndex});
    }
    result.spirv =
        reinterpret_cast<const uint32_t*>(result.words.data() + headerWords + inputWords);
    result.spirvWords = header.spirvWords;
    vk::SpirvEntryPoint entry;
    const VkShaderStageFlagBits expected = stage == ShaderBlobStage::Vertex
                                               ? VK_SHADER_STAGE_VERTEX_BIT
                                               : VK_SHADER_STAGE_FRAGMENT_BIT;
    if (!vk::findEntryPoint(result.spirv, result.spirvWords, &entry) || entry.stage != expected)
        return false;
    *blob = std::move(result);
    return true;
}

template <typename Interface>
Shader<Interface>::Shader(Device& device, ParsedBlob blob, std::shared_ptr<vk::ShaderModule> module)
    : Lifetime(device, Owner::Self), blob_(std::move(blob)), module_(std::move(module))
{
}

template <typename Interface> Shader<Interface>::~Shader()
{
    device().renderer().release(std::move(module_));
}

template <typename Interface>
STDMETHODIMP Shader<Interface>::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == interfaceId<Interface>())
    {
        AddRef();
        *ppvObject = static_cast<Interface*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

template <typename Interface> STDMETHODIMP Shader<Interface>::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice)
        return device().refuse(__func__, Rule::NullArgument);
    device().AddRef();
    *ppDevice = &device();
    return D3D_OK;
}

template <typename Interface>
STDMETHODIMP Shader<Interface>::GetFunction(void* pData, UINT* pSizeOfData)
{
    if (!pSizeOfData)
        return device().refuse(__func__, Rule::NullArgument);
    const UINT bytes = static_cast<UINT>(blob_.words.size() * sizeof(DWORD));
    if (!pData)
    {
        *pSizeOfData = bytes;
        return D3D_OK;
    }
    if (*pSizeOfData < bytes)
        return device().refuse(__func__, Rule::BufferTooSmall, *pSizeOfData, bytes);
    std::memcpy(pData, blob_.words.data(), bytes);
    *pSizeOfData = bytes;
    return D3D_OK;
}

template class Shader<IDirect3DVertexShader9>;
template class Shader<IDirect3DPixelShader9>;

} // namespace swk::d3d9
