#include "graphics/Direct3DApi.h"

namespace
{
IDirect3D9* WINAPI RealDirect3DCreate9(UINT sdkVersion) { return ::Direct3DCreate9(sdkVersion); }

HRESULT WINAPI RealCreateBox(IDirect3DDevice9* device, FLOAT width, FLOAT height, FLOAT depth,
                             ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    return ::D3DXCreateBox(device, width, height, depth, ppMesh, ppAdjacency);
}

HRESULT WINAPI RealCreateSphere(IDirect3DDevice9* device, FLOAT radius, UINT slices, UINT stacks,
                                ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    return ::D3DXCreateSphere(device, radius, slices, stacks, ppMesh, ppAdjacency);
}

HRESULT WINAPI RealCreateFont(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                              UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                              DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName, ID3DXFont** ppFont)
{
    return ::D3DXCreateFontW(device, height, width, weight, mipLevels, italic, charSet,
                             outputPrecision, quality, pitchAndFamily, faceName, ppFont);
}
} // namespace

Direct3DTable g_direct3d = {RealDirect3DCreate9, RealCreateBox, RealCreateSphere, RealCreateFont};
