#include "WaveGenerator.h"
#include "ModuleEntry.h"

#include <string.h>

namespace
{

// Some compilers hand back their messages without a terminating zero: the
// text ends at the buffer's size at the latest.
CString GetMessageText(ID3DXBuffer* pMessages)
{
    const char* pText = (const char*)pMessages->GetBufferPointer();
    return CString(pText, (int)strnlen(pText, pMessages->GetBufferSize()));
}

// Compiles the effect held as resource nResource of the module; the compiler's
// messages, if any, go to a message box.
void CreateEffect(IDirect3DDevice9* pDevice, int nResource, ID3DXEffect** ppEffect, int nCreateLine,
                  int nMessagesLine)
{
    ID3DXBuffer* pMessages = NULL;
    CD3DWatch::SafeCreateEffectFromResource(
        "WaveGenerator", nCreateLine, pDevice, (HMODULE)g_hModule, MAKEINTRESOURCE(nResource), NULL,
        NULL, D3DXSHADER_NO_PRESHADER, NULL, ppEffect, &pMessages);
    if (pMessages)
    {
        CString strMessage = GetMessageText(pMessages);
        CString strCaption = LoadMessageString(722);
        MessageBoxA(NULL, strMessage, strCaption, MB_OK | MB_ICONERROR);
        CD3DWatch::SafeRelease("WaveGenerator", nMessagesLine, (IUnknown**)&pMessages);
    }
}

} // namespace

void CWaveGenerator::CreateEffects()
{
    if (m_bNoPS11)
        return;
    CreateEffect(m_pDevice, 101, &m_pHeightEffect, 132, 149);
    CreateEffect(m_pDevice, 102, &m_pNormalEffect, 153, 170);
}
