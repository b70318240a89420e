#include "WaveGenerator.h"
#include "MessageString.h"

#include <string.h>

// Some compilers hand back their messages without a terminating zero: the
// text ends at the buffer's size at the latest.
static CString GetMessageText(ID3DXBuffer* pMessages)
{
    const char* pText = (const char*)pMessages->GetBufferPointer();
    return CString(pText, (int)strnlen(pText, pMessages->GetBufferSize()));
}

void CWaveGenerator::CreateEffects()
{
    if (m_bNoPS11)
        return;

    CString strMessage;
    ID3DXBuffer* pMessages = NULL;

    CD3DWatch::SafeCreateEffectFromResource(
        "WaveGenerator", 132, m_pDevice, (HMODULE)g_hModule, MAKEINTRESOURCE(101), NULL, NULL,
        D3DXSHADER_NO_PRESHADER, NULL, &m_pHeightEffect, &pMessages);
    if (pMessages)
    {
        strMessage = GetMessageText(pMessages);
        CString strCaption = LoadMessageString(722);
        MessageBoxA(NULL, strMessage, strCaption, MB_OK | MB_ICONERROR);
        CD3DWatch::SafeRelease("WaveGenerator", 149, (IUnknown**)&pMessages);
    }

    CD3DWatch::SafeCreateEffectFromResource(
        "WaveGenerator", 153, m_pDevice, (HMODULE)g_hModule, MAKEINTRESOURCE(102), NULL, NULL,
        D3DXSHADER_NO_PRESHADER, NULL, &m_pNormalEffect, &pMessages);
    if (pMessages)
    {
        strMessage = GetMessageText(pMessages);
        CString strCaption = LoadMessageString(722);
        MessageBoxA(NULL, strMessage, strCaption, MB_OK | MB_ICONERROR);
        CD3DWatch::SafeRelease("WaveGenerator", 170, (IUnknown**)&pMessages);
    }
}
