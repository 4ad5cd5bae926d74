// Fakes for the Direct3D object, the device, meshes, buffers and the font, and
// for the creation functions of g_direct3d. Every call that matters is written
// to one shared call log, so a test can check the order across objects
// ("Clear", "BeginScene", "SetTransform WORLD", "DrawSubset 0", ...).
#pragma once

#include "graphics/Direct3DApi.h"
#include "tests/fakes/Stubs.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class FakeCallLog
{
public:
    void Add(const std::string& call) { calls.push_back(call); }
    // Index of the first call equal to `call` at or after `from`, or -1.
    int Find(const std::string& call, size_t from = 0) const;
    int Count(const std::string& call) const;
    // The calls that start with `prefix`, in order ("Release " gives every release).
    std::vector<std::string> Matching(const std::string& prefix) const;
    std::vector<std::string> calls;
};

// A texture that cannot be locked, as when its memory is gone.
class FakeTexture : public StubDirect3DTexture9
{
public:
    explicit FakeTexture(FakeCallLog& log) : log(log) {}
    STDMETHOD(LockRect)(UINT, D3DLOCKED_RECT*, const RECT*, DWORD) override;
    FakeCallLog& log;
};

class FakeDevice : public StubDirect3DDevice9
{
public:
    explicit FakeDevice(FakeCallLog& log) : log(log) {}

    STDMETHOD_(HRESULT, Clear)(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                               DWORD stencil) override;
    STDMETHOD_(HRESULT, BeginScene)() override;
    STDMETHOD_(HRESULT, EndScene)() override;
    STDMETHOD_(HRESULT, Present)(const RECT* src, const RECT* dst, HWND hOverride, const RGNDATA* dirty) override;
    STDMETHOD_(HRESULT, SetTransform)(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    STDMETHOD_(HRESULT, SetRenderState)(D3DRENDERSTATETYPE state, DWORD value) override;
    STDMETHOD_(HRESULT, SetLight)(DWORD index, const D3DLIGHT9* light) override;
    STDMETHOD_(HRESULT, LightEnable)(DWORD index, WINBOOL enable) override;
    STDMETHOD_(HRESULT, SetMaterial)(const D3DMATERIAL9* material) override;
    STDMETHOD_(HRESULT, TestCooperativeLevel)() override;
    STDMETHOD_(HRESULT, Reset)(D3DPRESENT_PARAMETERS* pParams) override;
    STDMETHOD_(ULONG, Release)() override;
    // Logs "Texture made at CLOCK"; answers createTextureResults in turn, then hands
    // out `texture`, which logs "Texture locked at CLOCK".
    STDMETHOD(CreateTexture)(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9** ppTexture,
                             HANDLE*) override;

    FakeCallLog& log;

    // Results the device gives.
    std::deque<HRESULT> createTextureResults;
    FakeTexture texture{log};
    HRESULT hrClear = S_OK;
    HRESULT hrBeginScene = S_OK;
    HRESULT hrEndScene = S_OK;
    HRESULT hrPresent = S_OK;
    // Device loss: TestCooperativeLevel and Reset give these answers in turn, then
    // D3D_OK. A Reset that succeeds also sets hrPresent back to S_OK.
    std::deque<HRESULT> cooperativeLevels;
    std::deque<HRESULT> resetResults;

    // What it was given, latest last.
    struct ClearCall { DWORD count; DWORD flags; D3DCOLOR color; float z; DWORD stencil; };
    std::vector<ClearCall> clears;
    std::vector<std::pair<D3DTRANSFORMSTATETYPE, D3DMATRIX>> transforms;
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renderStates;
    std::vector<D3DLIGHT9> lights;
    std::vector<std::pair<DWORD, BOOL>> lightEnables;
    std::vector<D3DMATERIAL9> materials;
    std::vector<D3DPRESENT_PARAMETERS> resets;
    int nPresents = 0;
    std::vector<DWORD> presentTimes; // the clock (timeGetTime) at each Present

    // The last matrix set for `state`; fails the test if there is none.
    D3DMATRIX LastTransform(D3DTRANSFORMSTATETYPE state) const;
};

class FakeDirect3D : public StubDirect3D9
{
public:
    explicit FakeDirect3D(FakeCallLog& log) : log(log) {}
    STDMETHOD_(HRESULT, CreateDevice)(UINT adapter, D3DDEVTYPE type, HWND hFocus, DWORD flags,
                                      D3DPRESENT_PARAMETERS* pParams, IDirect3DDevice9** ppDevice) override;
    STDMETHOD_(ULONG, Release)() override;

    FakeCallLog& log;
    // CreateDevice gives these answers in turn, then hrCreateDevice. On success it
    // writes a 640 x 480 X8R8G8B8 back buffer with one buffer into the record.
    std::deque<HRESULT> createResults;
    HRESULT hrCreateDevice = S_OK;
    FakeDevice* pDeviceToReturn = nullptr;           // handed out by the first success
    std::vector<std::unique_ptr<FakeDevice>> remade; // a new one for each later success
    std::deque<HRESULT> remadePresents;              // Present's answers of each new one in turn, then S_OK
    int nHandedOut = 0;

    struct CreateDeviceCall { UINT adapter; D3DDEVTYPE type; HWND hFocus; DWORD flags; D3DPRESENT_PARAMETERS params; };
    std::vector<CreateDeviceCall> createCalls;
};

class FakeBuffer : public StubD3DXBuffer
{
public:
    explicit FakeBuffer(FakeCallLog& log) : log(log) {}
    STDMETHOD_(ULONG, Release)() override;
    FakeCallLog& log;
};

class FakeMesh : public StubD3DXMesh
{
public:
    FakeMesh(FakeCallLog& log, std::string kind) : log(log), kind(std::move(kind)) {}
    STDMETHOD_(HRESULT, DrawSubset)(DWORD attribId) override;
    STDMETHOD_(ULONG, Release)() override;
    FakeCallLog& log;
    std::string kind; // "Box" or "Sphere"
    std::vector<DWORD> subsetsDrawn;
};

class FakeFont : public StubD3DXFont
{
public:
    explicit FakeFont(FakeCallLog& log) : log(log) {}
    STDMETHOD_(INT, DrawTextW)(ID3DXSprite* sprite, const WCHAR* text, INT count, RECT* rect, DWORD format,
                               D3DCOLOR color) override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD_(HRESULT, OnLostDevice)() override { log.Add("OnLostDevice"); return S_OK; }
    STDMETHOD_(HRESULT, OnResetDevice)() override
    {
        log.Add("OnResetDevice");
        return hrOnResetDevice;
    }

    FakeCallLog& log;
    HRESULT hrOnResetDevice = S_OK;
    struct DrawTextCall { ID3DXSprite* sprite; std::wstring text; INT count; RECT rect; DWORD format; D3DCOLOR color; };
    std::vector<DrawTextCall> drawn;
};

// Points g_direct3d at fakes while it lives. Meshes, buffers and fonts it hands
// out stay owned by it, so a test can inspect them after their Release.
class FakeDirect3DApi
{
public:
    FakeDirect3DApi();
    ~FakeDirect3DApi();
    FakeDirect3DApi(const FakeDirect3DApi&) = delete;
    FakeDirect3DApi& operator=(const FakeDirect3DApi&) = delete;

    FakeCallLog log;
    FakeDevice device{log};
    FakeDirect3D d3d{log};

    bool bDirect3DCreateFails = false;
    std::vector<UINT> direct3DCreateVersions;
    int nDirect3DHandedOut = 0;

    HRESULT hrCreateBox = S_OK;
    HRESULT hrCreateSphere = S_OK;
    std::deque<HRESULT> createFontResults; // answers in turn, then hrCreateFont
    HRESULT hrCreateFont = S_OK;

    struct BoxCall { IDirect3DDevice9* device; float width, height, depth; bool bWantsAdjacency; };
    struct SphereCall { IDirect3DDevice9* device; float radius; UINT slices, stacks; bool bWantsAdjacency; };
    struct FontCall { IDirect3DDevice9* device; INT height; UINT width, weight, mipLevels; BOOL italic;
                      DWORD charSet, outputPrecision, quality, pitchAndFamily; std::wstring face; };
    std::vector<BoxCall> boxCalls;
    std::vector<SphereCall> sphereCalls;
    std::vector<FontCall> fontCalls;

    std::vector<std::unique_ptr<FakeMesh>> meshes;
    std::vector<std::unique_ptr<FakeBuffer>> buffers;
    std::vector<std::unique_ptr<FakeFont>> fonts;

private:
    Direct3DTable saved;
};

// Names the log uses for transform and render-state types, e.g. "WORLD", "FILLMODE".
std::string TransformName(D3DTRANSFORMSTATETYPE state);
