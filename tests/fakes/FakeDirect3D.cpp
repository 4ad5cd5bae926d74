#include "tests/fakes/FakeDirect3D.h"

#include "app/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>

int FakeCallLog::Find(const std::string& call, size_t from) const
{
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i] == call)
            return int(i);
    return -1;
}

int FakeCallLog::Count(const std::string& call) const
{
    return int(std::count(calls.begin(), calls.end(), call));
}

std::vector<std::string> FakeCallLog::Matching(const std::string& prefix) const
{
    std::vector<std::string> matching;
    for (const std::string& call : calls)
        if (call.compare(0, prefix.size(), prefix) == 0)
            matching.push_back(call);
    return matching;
}

std::string TransformName(D3DTRANSFORMSTATETYPE state)
{
    switch (int(state))
    {
    case D3DTS_VIEW: return "VIEW";
    case D3DTS_PROJECTION: return "PROJECTION";
    case 256: return "WORLD"; // D3DTS_WORLD, a macro outside the enumeration
    default: return std::to_string(int(state));
    }
}

HRESULT FakeDevice::Clear(DWORD count, const D3DRECT*, DWORD flags, D3DCOLOR color, float z, DWORD stencil)
{
    log.Add("Clear");
    clears.push_back({count, flags, color, z, stencil});
    return hrClear;
}

HRESULT FakeDevice::BeginScene()
{
    log.Add("BeginScene");
    return hrBeginScene;
}

HRESULT FakeDevice::EndScene()
{
    log.Add("EndScene");
    return hrEndScene;
}

HRESULT FakeDevice::Present(const RECT*, const RECT*, HWND, const RGNDATA*)
{
    log.Add("Present");
    ++nPresents;
    presentTimes.push_back(g_platform.timeGetTime());
    return hrPresent;
}

HRESULT FakeDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    log.Add("SetTransform " + TransformName(state));
    transforms.push_back({state, *matrix});
    return S_OK;
}

HRESULT FakeDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    log.Add("SetRenderState " + std::to_string(int(state)) + " " + std::to_string(value));
    renderStates.push_back({state, value});
    return S_OK;
}

HRESULT FakeDevice::SetLight(DWORD index, const D3DLIGHT9* light)
{
    log.Add("SetLight " + std::to_string(index));
    lights.push_back(*light);
    return S_OK;
}

HRESULT FakeDevice::LightEnable(DWORD index, WINBOOL enable)
{
    log.Add("LightEnable " + std::to_string(index) + " " + std::to_string(enable));
    lightEnables.push_back({index, enable});
    return S_OK;
}

HRESULT FakeDevice::SetMaterial(const D3DMATERIAL9* material)
{
    log.Add("SetMaterial");
    materials.push_back(*material);
    return S_OK;
}

namespace
{
HRESULT NextAnswer(std::deque<HRESULT>& answers)
{
    if (answers.empty())
        return D3D_OK;
    HRESULT hr = answers.front();
    answers.pop_front();
    return hr;
}
} // namespace

HRESULT FakeDevice::TestCooperativeLevel()
{
    log.Add("TestCooperativeLevel");
    return NextAnswer(cooperativeLevels);
}

HRESULT FakeDevice::Reset(D3DPRESENT_PARAMETERS* pParams)
{
    log.Add("Reset");
    resets.push_back(*pParams);
    HRESULT hr = NextAnswer(resetResults);
    if (SUCCEEDED(hr))
        hrPresent = S_OK;
    return hr;
}

ULONG FakeDevice::Release()
{
    log.Add("Release Device");
    return StubDirect3DDevice9::Release();
}

HRESULT FakeDevice::CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9** ppTexture,
                                  HANDLE*)
{
    log.Add("Texture made at " + std::to_string(g_platform.timeGetTime()));
    *ppTexture = createTextureResults.empty() ? &texture : nullptr;
    return NextAnswer(createTextureResults);
}

HRESULT FakeTexture::LockRect(UINT, D3DLOCKED_RECT*, const RECT*, DWORD)
{
    log.Add("Texture locked at " + std::to_string(g_platform.timeGetTime()));
    return D3DERR_INVALIDCALL;
}

D3DMATRIX FakeDevice::LastTransform(D3DTRANSFORMSTATETYPE state) const
{
    for (auto it = transforms.rbegin(); it != transforms.rend(); ++it)
        if (it->first == state)
            return it->second;
    ADD_FAILURE() << "no transform " << TransformName(state) << " was set";
    return D3DMATRIX{};
}

HRESULT FakeDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND hFocus, DWORD flags,
                                   D3DPRESENT_PARAMETERS* pParams, IDirect3DDevice9** ppDevice)
{
    log.Add("CreateDevice");
    createCalls.push_back({adapter, type, hFocus, flags, *pParams});
    const HRESULT hr = createResults.empty() ? hrCreateDevice : NextAnswer(createResults);
    if (FAILED(hr))
        return hr;
    pParams->BackBufferWidth = 640;
    pParams->BackBufferHeight = 480;
    pParams->BackBufferFormat = D3DFMT_X8R8G8B8;
    pParams->BackBufferCount = 1;
    if (nHandedOut++ > 0)
    {
        remade.push_back(std::make_unique<FakeDevice>(log));
        remade.back()->hrPresent = NextAnswer(remadePresents);
    }
    *ppDevice = remade.empty() ? pDeviceToReturn : remade.back().get();
    return S_OK;
}

ULONG FakeDirect3D::Release()
{
    log.Add("Release Direct3D");
    return StubDirect3D9::Release();
}

ULONG FakeBuffer::Release()
{
    log.Add("Release Buffer");
    return StubD3DXBuffer::Release();
}

HRESULT FakeMesh::DrawSubset(DWORD attribId)
{
    log.Add("DrawSubset " + kind + " " + std::to_string(attribId));
    subsetsDrawn.push_back(attribId);
    return S_OK;
}

ULONG FakeMesh::Release()
{
    log.Add("Release " + kind);
    return StubD3DXMesh::Release();
}

INT FakeFont::DrawTextW(ID3DXSprite* sprite, const WCHAR* text, INT count, RECT* rect, DWORD format,
                        D3DCOLOR color)
{
    log.Add("DrawTextW");
    drawn.push_back({sprite, text ? std::wstring(text) : std::wstring(), count, *rect, format, color});
    return 16;
}

ULONG FakeFont::Release()
{
    log.Add("Release Font");
    return StubD3DXFont::Release();
}

namespace
{
FakeDirect3DApi* s_pCurrent = nullptr;

IDirect3D9* WINAPI FakeDirect3DCreate9(UINT sdkVersion)
{
    s_pCurrent->log.Add("Direct3DCreate9");
    s_pCurrent->direct3DCreateVersions.push_back(sdkVersion);
    if (s_pCurrent->bDirect3DCreateFails)
        return nullptr;
    // The same object each time, with one more reference after the first.
    if (s_pCurrent->nDirect3DHandedOut++ > 0)
        s_pCurrent->d3d.AddRef();
    return &s_pCurrent->d3d;
}

HRESULT HandOutMesh(HRESULT hr, const std::string& kind, ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    FakeDirect3DApi& api = *s_pCurrent;
    api.log.Add("Create" + kind);
    if (FAILED(hr))
        return hr;
    api.meshes.push_back(std::make_unique<FakeMesh>(api.log, kind));
    *ppMesh = api.meshes.back().get();
    if (ppAdjacency)
    {
        api.buffers.push_back(std::make_unique<FakeBuffer>(api.log));
        *ppAdjacency = api.buffers.back().get();
    }
    return S_OK;
}

HRESULT WINAPI FakeCreateBox(IDirect3DDevice9* device, FLOAT width, FLOAT height, FLOAT depth,
                             ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    s_pCurrent->boxCalls.push_back({device, width, height, depth, ppAdjacency != nullptr});
    return HandOutMesh(s_pCurrent->hrCreateBox, "Box", ppMesh, ppAdjacency);
}

HRESULT WINAPI FakeCreateSphere(IDirect3DDevice9* device, FLOAT radius, UINT slices, UINT stacks,
                                ID3DXMesh** ppMesh, ID3DXBuffer** ppAdjacency)
{
    s_pCurrent->sphereCalls.push_back({device, radius, slices, stacks, ppAdjacency != nullptr});
    return HandOutMesh(s_pCurrent->hrCreateSphere, "Sphere", ppMesh,
                                                    ppAdjacency);
}

HRESULT WINAPI FakeCreateFont(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels,
                              BOOL italic, DWORD charSet, DWORD outputPrecision, DWORD quality,
                              DWORD pitchAndFamily, LPCWSTR faceName, ID3DXFont** ppFont)
{
    FakeDirect3DApi& api = *s_pCurrent;
    api.log.Add("CreateFont");
    api.fontCalls.push_back({device, height, width, weight, mipLevels, italic, charSet, outputPrecision,
                             quality, pitchAndFamily, faceName ? faceName : L""});
    const HRESULT hr = api.createFontResults.empty() ? api.hrCreateFont : NextAnswer(api.createFontResults);
    if (FAILED(hr))
        return hr;
    api.fonts.push_back(std::make_unique<FakeFont>(api.log));
    *ppFont = api.fonts.back().get();
    return S_OK;
}
} // namespace

FakeDirect3DApi::FakeDirect3DApi() : saved(g_direct3d)
{
    s_pCurrent = this;
    d3d.pDeviceToReturn = &device;
    // D3DX's math stays real.
    g_direct3d.Direct3DCreate9 = FakeDirect3DCreate9;
    g_direct3d.D3DXCreateBox = FakeCreateBox;
    g_direct3d.D3DXCreateSphere = FakeCreateSphere;
    g_direct3d.D3DXCreateFontW = FakeCreateFont;
}

FakeDirect3DApi::~FakeDirect3DApi()
{
    g_direct3d = saved;
    s_pCurrent = nullptr;
}
