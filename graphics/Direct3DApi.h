// The Direct3D and D3DX functions the program calls, gathered in one table.
// Tests put fakes in single entries so that the code under test receives fake
// devices, meshes, buffers and fonts.
//
// D3DX is not part of Windows, so the program does not import it: LoadD3DX finds
// each D3DX function by name when the program starts, and a missing library is
// a failed start the program can name, not a loader's refusal. Every D3DX
// function the program calls, creation and math alike, goes through here; only
// the headers' inline ones (vector and matrix operators, D3DXVec3Cross,
// D3DXMatrixIdentity) are called directly. To call another, add its name below.
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

#define KELVANE_D3DX_FUNCTIONS(X)                                                                            \
    X(D3DXCreateBox)                                                                                         \
    X(D3DXCreateSphere)                                                                                      \
    X(D3DXCreateFontW)                                                                                       \
    X(D3DXMatrixLookAtLH)                                                                                    \
    X(D3DXMatrixPerspectiveFovLH)                                                                            \
    X(D3DXMatrixTranslation)                                                                                 \
    X(D3DXVec3Normalize)

struct Direct3DTable
{
    IDirect3D9*(WINAPI* Direct3DCreate9)(UINT sdkVersion);
    // Each D3DX entry has the type of the function the SDK headers declare.
#define KELVANE_D3DX_ENTRY(name) decltype(&::name) name = nullptr;
    KELVANE_D3DX_FUNCTIONS(KELVANE_D3DX_ENTRY)
#undef KELVANE_D3DX_ENTRY
};

extern Direct3DTable g_direct3d;

// The file the D3DX entries come from, searched for as the loader would have:
// the program's folder first, then the system's.
extern const wchar_t D3DX_DLL[];

// Loads D3DX_DLL and fills every D3DX entry still empty with its function of
// that name; entries already set (by an earlier load, or by a test's fakes) are
// kept. Returns ERROR_SUCCESS, or the error of the failed LoadLibraryW or of
// the first name it lacks (ERROR_PROC_NOT_FOUND), in which case the program
// cannot run.
DWORD LoadD3DX();
