// d3dx9_43.dll of the end-to-end tests: the D3DX functions the program imports,
// handed to the system's D3DX, with the font, the meshes and their adjacency
// buffers wrapped so that the proxy sees what the program does with them.
//
// Each text the program draws is reported with its time, the meshes made since
// the previous text (four in a frame that draws both spheres and both boxes,
// two while one sphere blinks) and the meshes and buffers still alive (none,
// once a frame has drawn its volumes):
//   d3dx9proxy: 123456 text meshes 4 live 0 "FPS 60/60  CPU 012%\nSphere1 ..."
// A program that imports a D3DX function not forwarded here fails to start.
#include <initguid.h>

#include "ForwardersX.h"
#include "ProxyLog.h"

extern const char g_szProxy[] = "d3dx9proxy";

namespace
{

int g_nMeshesMade = 0; // since the last text
int g_nLive = 0;       // meshes and buffers handed out and not yet released

// The system's D3DX function of that name; fails the program at once without it.
template <class F> F Real(const char* pszName)
{
    static HMODULE hReal = LoadSystemDll(L"d3dx9_43.dll");
    FARPROC p = hReal ? GetProcAddress(hReal, pszName) : nullptr;
    if (!p)
    {
        Say("the system's d3dx9_43.dll has no %s", pszName);
        ExitProcess(3);
    }
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

// The text as a C string literal: quotes, backslashes and line feeds escaped.
std::string Quoted(const WCHAR* pszText, INT nCount)
{
    std::string quoted = "\"";
    for (INT i = 0; pszText && (nCount < 0 ? pszText[i] != 0 : i < nCount); ++i)
    {
        const WCHAR c = pszText[i];
        if (c == L'\n')
            quoted += "\\n";
        else if (c == L'"' || c == L'\\')
            quoted += std::string("\\") + char(c);
        else if (c >= 0x20 && c < 0x7F)
            quoted += char(c);
        else
            quoted += "\\u" + std::to_string(unsigned(c));
    }
    return quoted + "\"";
}

class WatchedFont : public ForwardD3DXFont
{
public:
    using ForwardD3DXFont::ForwardD3DXFont;

    STDMETHOD_(INT, DrawTextW)(ID3DXSprite* pSprite, const WCHAR* pszText, INT nCount, RECT* pRect, DWORD dwFormat,
                               D3DCOLOR color) override
    {
        Say("text meshes %d live %d %s", g_nMeshesMade, g_nLive, Quoted(pszText, nCount).c_str());
        g_nMeshesMade = 0;
        return m_pReal->DrawTextW(pSprite, pszText, nCount, pRect, dwFormat, color);
    }
};

class WatchedMesh : public ForwardD3DXMesh
{
public:
    using ForwardD3DXMesh::ForwardD3DXMesh;

protected:
    void Released(ULONG) override { --g_nLive; }
};

class WatchedBuffer : public ForwardD3DXBuffer
{
public:
    using ForwardD3DXBuffer::ForwardD3DXBuffer;

protected:
    void Released(ULONG) override { --g_nLive; }
};

HRESULT Watch(HRESULT hr, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    if (FAILED(hr))
        return hr;
    ++g_nMeshesMade;
    *ppMesh = new WatchedMesh(*ppMesh);
    ++g_nLive;
    if (ppAdjacency && *ppAdjacency)
    {
        *ppAdjacency = new WatchedBuffer(*ppAdjacency);
        ++g_nLive;
    }
    return hr;
}
} // namespace

// Exported under the D3DX names (d3dx9_43.def).
extern "C" {
HRESULT WINAPI ProxyCreateBox(IDirect3DDevice9* pDevice, FLOAT fWidth, FLOAT fHeight, FLOAT fDepth,
                              ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    static auto pReal = Real<decltype(&ProxyCreateBox)>("D3DXCreateBox");
    return Watch(pReal(pDevice, fWidth, fHeight, fDepth, ppMesh, ppAdjacency), ppMesh, ppAdjacency);
}

HRESULT WINAPI ProxyCreateSphere(IDirect3DDevice9* pDevice, FLOAT fRadius, UINT nSlices, UINT nStacks,
                                 ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    static auto pReal = Real<decltype(&ProxyCreateSphere)>("D3DXCreateSphere");
    return Watch(pReal(pDevice, fRadius, nSlices, nStacks, ppMesh, ppAdjacency), ppMesh, ppAdjacency);
}

HRESULT WINAPI ProxyCreateFontW(IDirect3DDevice9* pDevice, INT nHeight, UINT nWidth, UINT nWeight,
                                UINT nMipLevels, BOOL bItalic, DWORD dwCharSet, DWORD dwOutputPrecision,
                                DWORD dwQuality, DWORD dwPitchAndFamily, LPCWSTR pszFaceName, ID3DXFont** ppFont)
{
    static auto pReal = Real<decltype(&ProxyCreateFontW)>("D3DXCreateFontW");
    const HRESULT hr = pReal(pDevice, nHeight, nWidth, nWeight, nMipLevels, bItalic, dwCharSet,
                             dwOutputPrecision, dwQuality, dwPitchAndFamily, pszFaceName, ppFont);
    Say("font 0x%08lx", hr);
    if (SUCCEEDED(hr))
        *ppFont = new WatchedFont(*ppFont);
    return hr;
}

D3DXMATRIX* WINAPI ProxyMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                       const D3DXVECTOR3* pUp)
{
    static auto pReal = Real<decltype(&ProxyMatrixLookAtLH)>("D3DXMatrixLookAtLH");
    return pReal(pOut, pEye, pAt, pUp);
}

D3DXMATRIX* WINAPI ProxyMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fFovY, FLOAT fAspect, FLOAT fNear,
                                               FLOAT fFar)
{
    static auto pReal = Real<decltype(&ProxyMatrixPerspectiveFovLH)>("D3DXMatrixPerspectiveFovLH");
    return pReal(pOut, fFovY, fAspect, fNear, fFar);
}

D3DXMATRIX* WINAPI ProxyMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z)
{
    static auto pReal = Real<decltype(&ProxyMatrixTranslation)>("D3DXMatrixTranslation");
    return pReal(pOut, x, y, z);
}

D3DXVECTOR3* WINAPI ProxyVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    static auto pReal = Real<decltype(&ProxyVec3Normalize)>("D3DXVec3Normalize");
    return pReal(pOut, pV);
}
}
