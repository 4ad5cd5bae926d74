// d3dx9_43.dll of the end-to-end tests: the D3DX functions the program asks
// for by name when it starts, handed to the system's D3DX, with the font, the meshes and their adjacency
// buffers wrapped so that the proxy sees what the program does with them.
//
// Each text the program draws is reported with its time, where it is drawn, the
// meshes made since the previous text with the sizes the program asked for (four
// in a frame that draws both spheres and both boxes, two while one sphere
// blinks) and the meshes and buffers still alive (none, once a frame has drawn
// its volumes); each font with the arguments it was asked for:
//   d3dx9proxy: 123456 text at 10,10 meshes [sphere 50.00 16 16, box 100.00 100.00 100.00] live 0 "FPS ..."
//   d3dx9proxy: 123400 font 0x00000000 -16 0 700 1 0 1 0 0 0 "System"
// A program that asks for a D3DX function not exported here (d3dx9_43.def)
// fails to start, naming the library in its box (exit code 4).
#include <initguid.h>

#include "ForwardersX.h"
#include "ProxyLog.h"

extern const char g_szProxy[] = "d3dx9proxy";

namespace
{

std::string g_meshes; // made since the last text
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

class WatchedFont : public ForwardD3DXFont
{
public:
    using ForwardD3DXFont::ForwardD3DXFont;

    STDMETHOD_(INT, DrawTextW)(ID3DXSprite* pSprite, const WCHAR* pszText, INT nCount, RECT* pRect, DWORD dwFormat,
                               D3DCOLOR color) override
    {
        Say("text at %ld,%ld meshes [%s] live %d %s", pRect ? pRect->left : -1, pRect ? pRect->top : -1,
            g_meshes.c_str(), g_nLive, Quoted(pszText, nCount).c_str());
        g_meshes.clear();
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

HRESULT Watch(HRESULT hr, const char* pszMesh, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    if (FAILED(hr))
        return hr;
    g_meshes += (g_meshes.empty() ? "" : ", ") + std::string(pszMesh);
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
    char mesh[64];
    std::snprintf(mesh, sizeof(mesh), "box %.2f %.2f %.2f", fWidth, fHeight, fDepth);
    return Watch(pReal(pDevice, fWidth, fHeight, fDepth, ppMesh, ppAdjacency), mesh, ppMesh, ppAdjacency);
}

HRESULT WINAPI ProxyCreateSphere(IDirect3DDevice9* pDevice, FLOAT fRadius, UINT nSlices, UINT nStacks,
                                 ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    static auto pReal = Real<decltype(&ProxyCreateSphere)>("D3DXCreateSphere");
    char mesh[64];
    std::snprintf(mesh, sizeof(mesh), "sphere %.2f %u %u", fRadius, nSlices, nStacks);
    return Watch(pReal(pDevice, fRadius, nSlices, nStacks, ppMesh, ppAdjacency), mesh, ppMesh, ppAdjacency);
}

HRESULT WINAPI ProxyCreateFontW(IDirect3DDevice9* pDevice, INT nHeight, UINT nWidth, UINT nWeight,
                                UINT nMipLevels, BOOL bItalic, DWORD dwCharSet, DWORD dwOutputPrecision,
                                DWORD dwQuality, DWORD dwPitchAndFamily, LPCWSTR pszFaceName, ID3DXFont** ppFont)
{
    static auto pReal = Real<decltype(&ProxyCreateFontW)>("D3DXCreateFontW");
    const HRESULT hr = pReal(pDevice, nHeight, nWidth, nWeight, nMipLevels, bItalic, dwCharSet,
                             dwOutputPrecision, dwQuality, dwPitchAndFamily, pszFaceName, ppFont);
    Say("font 0x%08lx %d %u %u %u %d %lu %lu %lu %lu %s", hr, nHeight, nWidth, nWeight, nMipLevels, bItalic,
        dwCharSet, dwOutputPrecision, dwQuality, dwPitchAndFamily, Quoted(pszFaceName, -1).c_str());
    if (SUCCEEDED(hr))
        *ppFont = new WatchedFont(*ppFont);
    return hr;
}

D3DXMATRIX* WINAPI ProxyMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                       const D3DXVECTOR3* pUp)
{
    return Real<decltype(&ProxyMatrixLookAtLH)>("D3DXMatrixLookAtLH")(pOut, pEye, pAt, pUp);
}

D3DXMATRIX* WINAPI ProxyMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fFovY, FLOAT fAspect, FLOAT fNear,
                                               FLOAT fFar)
{
    return Real<decltype(&ProxyMatrixPerspectiveFovLH)>("D3DXMatrixPerspectiveFovLH")(pOut, fFovY, fAspect,
                                                                                      fNear, fFar);
}

D3DXMATRIX* WINAPI ProxyMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z)
{
    return Real<decltype(&ProxyMatrixTranslation)>("D3DXMatrixTranslation")(pOut, x, y, z);
}

D3DXVECTOR3* WINAPI ProxyVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    return Real<decltype(&ProxyVec3Normalize)>("D3DXVec3Normalize")(pOut, pV);
}
}
