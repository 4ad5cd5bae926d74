// The Direct3D and D3DX creation functions the program calls, gathered in one
// table. The real functions by default; tests put fakes in single entries so
// that the code under test receives fake devices, meshes, buffers and fonts.
// D3DX math (matrices, vectors) is not routed through here: it is always real.
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

struct Direct3DTable
{
    IDirect3D9*(WINAPI* Direct3DCreate9)(UINT sdkVersion);
    HRESULT(WINAPI* D3DXCreateBox)(IDirect3DDevice9* device, FLOAT width, FLOAT height, FLOAT depth,
                                   ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency);
    HRESULT(WINAPI* D3DXCreateSphere)(IDirect3DDevice9* device, FLOAT radius, UINT slices, UINT stacks,
                                      ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency);
    HRESULT(WINAPI* D3DXCreateFontW)(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                                     UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                                     DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName,
                                     ID3DXFont** ppFont);
};

extern Direct3DTable g_direct3d;
