// d3d9.dll of the device-loss tests. It hands the program the system's
// Direct3D 9 with every call forwarded, and on signals (ProxySignal.h) plays a
// lost device as Windows does: after the first signal the next Present and every
// TestCooperativeLevel answer D3DERR_DEVICELOST and Reset is refused; after the
// second, TestCooperativeLevel answers D3DERR_DEVICENOTRESET until a Reset, which
// goes to the real device and, when it succeeds, ends the loss.
//
// It reports on the standard error, among Wine's own trace lines, in lines that
// start with "d3d9proxy:": where the real Direct3D comes from, the loss, each
// Reset with the other calls the program made on the device while it was lost,
// and the release of the device and of the Direct3D object.
#include "Forwarders.h"
#include "ProxySignal.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace
{
HANDLE g_hSignal = nullptr;

void Say(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    const std::string line = std::string("d3d9proxy: ") + text + "\n";
    DWORD dwWritten;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), DWORD(line.size()), &dwWritten, nullptr);
}

bool Signalled() { return g_hSignal && WaitForSingleObject(g_hSignal, 0) == WAIT_OBJECT_0; }

class LosingDevice : public ForwardDirect3DDevice9
{
public:
    using ForwardDirect3DDevice9::ForwardDirect3DDevice9;

    STDMETHOD_(HRESULT, Present)(const RECT* src, const RECT* dst, HWND hOverride, const RGNDATA* dirty) override
    {
        if (m_phase == NORMAL && Signalled())
        {
            m_phase = LOST;
            Say("lost");
            return D3DERR_DEVICELOST;
        }
        if (m_phase != NORMAL)
        {
            Called("Present");
            return D3DERR_DEVICELOST;
        }
        return m_pReal->Present(src, dst, hOverride, dirty);
    }

    STDMETHOD_(HRESULT, TestCooperativeLevel)() override
    {
        if (m_phase == NORMAL)
            return m_pReal->TestCooperativeLevel();
        ++m_nQuestions;
        if (m_phase == LOST && Signalled())
        {
            m_phase = NOT_RESET;
            Say("can be reset");
        }
        return m_phase == LOST ? D3DERR_DEVICELOST : D3DERR_DEVICENOTRESET;
    }

    STDMETHOD_(HRESULT, Reset)(D3DPRESENT_PARAMETERS* pParams) override
    {
        if (m_phase == NORMAL)
            return m_pReal->Reset(pParams);
        // As on Windows: no Reset before the device says it can be reset.
        const HRESULT hr = m_phase == LOST ? D3DERR_DEVICELOST : m_pReal->Reset(pParams);
        Say("Reset answered 0x%08lx after %d questions; %s", hr, m_nQuestions, CallsWhileLost().c_str());
        if (SUCCEEDED(hr))
        {
            m_phase = NORMAL;
            m_nQuestions = m_nCallsWhileLost = 0;
            m_calls.clear();
        }
        return hr;
    }

protected:
    void Called(const char* name) override
    {
        if (m_phase == NORMAL)
            return;
        if (m_nCallsWhileLost++ < 5)
            m_calls += std::string(" ") + name;
    }

    void Released() override
    {
        Say("device released%s", m_phase == NORMAL ? "" : (" while lost; " + CallsWhileLost()).c_str());
    }

private:
    std::string CallsWhileLost() const
    {
        return std::to_string(m_nCallsWhileLost) + " other calls while lost" +
               (m_calls.empty() ? "" : ", first:" + m_calls);
    }

    enum Phase
    {
        NORMAL,
        LOST,
        NOT_RESET
    } m_phase = NORMAL;
    int m_nQuestions = 0;
    int m_nCallsWhileLost = 0;
    std::string m_calls;
};

class LosingDirect3D : public ForwardDirect3D9
{
public:
    using ForwardDirect3D9::ForwardDirect3D9;

    STDMETHOD_(HRESULT, CreateDevice)(UINT adapter, D3DDEVTYPE type, HWND hFocus, DWORD flags,
                                      D3DPRESENT_PARAMETERS* pParams, IDirect3DDevice9** ppDevice) override
    {
        IDirect3DDevice9* pReal = nullptr;
        const HRESULT hr = m_pReal->CreateDevice(adapter, type, hFocus, flags, pParams, &pReal);
        *ppDevice = SUCCEEDED(hr) ? new LosingDevice(pReal) : nullptr;
        return hr;
    }

protected:
    void Released() override { Say("Direct3D object released"); }
};
} // namespace

// Exported as Direct3DCreate9 (d3d9.def).
extern "C" IDirect3D9* WINAPI ProxyDirect3DCreate9(UINT sdkVersion)
{
    // The system's own d3d9.dll, by its full path: by name it would be this one.
    WCHAR path[MAX_PATH];
    const UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH - 10)
        return nullptr;
    lstrcpyW(path + n, L"\\d3d9.dll");
    HMODULE hSelf = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ProxyDirect3DCreate9), &hSelf);
    HMODULE hReal = LoadLibraryW(path);
    if (!hReal || hReal == hSelf)
    {
        Say("cannot load the system's d3d9.dll (%ls)", path);
        return nullptr;
    }
    using Create9 = IDirect3D9*(WINAPI*)(UINT);
    auto pCreate =
        reinterpret_cast<Create9>(reinterpret_cast<void*>(GetProcAddress(hReal, "Direct3DCreate9")));
    IDirect3D9* pReal = pCreate ? pCreate(sdkVersion) : nullptr;
    if (!pReal)
        return nullptr;
    if (!g_hSignal)
        g_hSignal = CreateEventW(nullptr, FALSE, FALSE, PROXY_SIGNAL);
    Say("forwarding to %ls", path);
    return new LosingDirect3D(pReal);
}
