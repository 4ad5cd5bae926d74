#include "graphics/Direct3DApi.h"

#include "app/Platform.h"

namespace
{
IDirect3D9* WINAPI RealDirect3DCreate9(UINT sdkVersion) { return ::Direct3DCreate9(sdkVersion); }

// Whether hD3DX has the function; puts it into an empty entry.
template <class F> bool Resolve(HMODULE hD3DX, const char* pszName, F& pEntry)
{
    FARPROC pFound = GetProcAddress(hD3DX, pszName);
    if (pFound && !pEntry)
        pEntry = reinterpret_cast<F>(reinterpret_cast<void*>(pFound));
    return pFound != nullptr;
}
} // namespace

// D3DX entries stay empty until LoadD3DX: nothing of the program refers to D3DX's own symbols.
Direct3DTable g_direct3d = {RealDirect3DCreate9};

const wchar_t D3DX_DLL[] = L"d3dx9_43.dll";

DWORD LoadD3DX()
{
    // Kept for the whole run: fonts and meshes are D3DX's objects.
    HMODULE hD3DX = g_platform.LoadLibraryW(D3DX_DLL);
    if (!hD3DX)
        return GetLastError();
#define KELVANE_D3DX_RESOLVE(name)                                                                           \
    if (!Resolve(hD3DX, #name, g_direct3d.name))                                                             \
        return ERROR_PROC_NOT_FOUND;
    KELVANE_D3DX_FUNCTIONS(KELVANE_D3DX_RESOLVE)
#undef KELVANE_D3DX_RESOLVE
    return ERROR_SUCCESS;
}
