// d3d9.dll of the end-to-end tests. It hands the program the system's Direct3D 9
// with every call forwarded, reports every Present with its time and answer, and
// the first reading of the program's clock after each: the moment the program's
// frame-rate controller took for that frame ("wait"). And it plays what Windows
// can do to a device when a test asks (ProxyLog.h):
//   "lose"            the next Present and every TestCooperativeLevel answer
//                     D3DERR_DEVICELOST, and Reset is refused;
//   "restore"         after a loss, TestCooperativeLevel answers
//                     D3DERR_DEVICENOTRESET until a Reset, which goes to the real
//                     device and, when it succeeds, ends the loss;
//   "driver-error N"  the next Present answers D3DERR_DRIVERINTERNALERROR, and
//                     the next N devices asked for cannot be created.
// With KELVANE_PROXY_CREATE_DEVICE set to an error code, no device can be
// created at all: CreateDevice answers that code.
//
// Its lines start with "d3d9proxy:": where the real Direct3D comes from, each
// Present, the commands taken, each Reset with the other calls the program made
// on the device while it was lost, each CreateDevice refused, and the release of
// the device and of the Direct3D object.
#include "Forwarders.h"
#include "ProxyLog.h"

#include <cstdlib>

extern const char g_szProxy[] = "d3d9proxy";

namespace
{

// The program's own clock: its import of timeGetTime, pointed at WatchedTimeGetTime.
DWORD(WINAPI* g_pRealTimeGetTime)() = nullptr;
bool g_bPresented = false; // a Present has returned and the clock not been read since

DWORD WINAPI WatchedTimeGetTime()
{
    const DWORD dwNow = g_pRealTimeGetTime();
    if (g_bPresented)
    {
        g_bPresented = false;
        Say("wait %lu", dwNow);
    }
    return dwNow;
}

// Finds timeGetTime in the program's import table and puts WatchedTimeGetTime in
// its place; the program reads the same clock as before.
bool WatchProgramClock()
{
    BYTE* pBase = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* pNt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + reinterpret_cast<IMAGE_DOS_HEADER*>(pBase)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* pDll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + imports.VirtualAddress);
         imports.VirtualAddress && pDll->Name; ++pDll)
    {
        if (lstrcmpiA(reinterpret_cast<char*>(pBase + pDll->Name), "winmm.dll") != 0 ||
            !pDll->OriginalFirstThunk)
            continue;
        auto* pName = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDll->OriginalFirstThunk);
        auto* pSlot = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDll->FirstThunk);
        for (; pName->u1.AddressOfData; ++pName, ++pSlot)
        {
            if (IMAGE_SNAP_BY_ORDINAL(pName->u1.Ordinal) ||
                lstrcmpA(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(pBase + pName->u1.AddressOfData)->Name,
                         "timeGetTime") != 0)
                continue;
            DWORD dwProtect;
            VirtualProtect(&pSlot->u1.Function, sizeof(pSlot->u1.Function), PAGE_READWRITE, &dwProtect);
            g_pRealTimeGetTime = reinterpret_cast<DWORD(WINAPI*)()>(pSlot->u1.Function);
            pSlot->u1.Function = reinterpret_cast<ULONG_PTR>(&WatchedTimeGetTime);
            VirtualProtect(&pSlot->u1.Function, sizeof(pSlot->u1.Function), dwProtect, &dwProtect);
            return true;
        }
    }
    return false;
}

HRESULT g_hrCreateDevice = S_OK; // every CreateDevice fails with this when set
int g_nCreateFailures = 0;       // the next so many CreateDevice calls fail
std::string g_command;           // taken from the test, waiting to be played

// The test's next command, once the last one has been played.
const std::string& Command()
{
    if (g_command.empty())
    {
        g_command = TakeCommand(ThisModule());
        if (!g_command.empty())
            Say("command %s", g_command.c_str());
    }
    return g_command;
}

class LosingDevice : public ForwardDirect3DDevice9
{
public:
    using ForwardDirect3DDevice9::ForwardDirect3DDevice9;

    STDMETHOD_(HRESULT, Present)(const RECT* src, const RECT* dst, HWND hOverride, const RGNDATA* dirty) override
    {
        HRESULT hr = D3DERR_DEVICELOST;
        if (m_phase != NORMAL)
            Called("Present");
        else if (Command() == "lose")
        {
            m_phase = LOST;
            g_command.clear();
        }
        else if (Command().compare(0, 13, "driver-error ") == 0)
        {
            hr = D3DERR_DRIVERINTERNALERROR;
            g_nCreateFailures = std::atoi(g_command.c_str() + 13);
            g_command.clear();
        }
        else
            hr = m_pReal->Present(src, dst, hOverride, dirty);
        Say("present 0x%08lx", hr);
        g_bPresented = true;
        return hr;
    }

    STDMETHOD_(HRESULT, TestCooperativeLevel)() override
    {
        if (m_phase == NORMAL)
            return m_pReal->TestCooperativeLevel();
        ++m_nQuestions;
        if (m_phase == LOST && Command() == "restore")
        {
            m_phase = NOT_RESET;
            g_command.clear();
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
        HRESULT hr = g_nCreateFailures > 0 ? D3DERR_NOTAVAILABLE : g_hrCreateDevice;
        if (FAILED(hr))
        {
            if (g_nCreateFailures > 0)
                --g_nCreateFailures;
            *ppDevice = nullptr;
            Say("CreateDevice refused: 0x%08lx", hr);
            return hr;
        }
        IDirect3DDevice9* pReal = nullptr;
        hr = m_pReal->CreateDevice(adapter, type, hFocus, flags, pParams, &pReal);
        *ppDevice = SUCCEEDED(hr) ? new LosingDevice(pReal) : nullptr;
        Say("CreateDevice answered 0x%08lx", hr);
        return hr;
    }

protected:
    void Released() override { Say("Direct3D object released"); }
};
} // namespace

// Exported as Direct3DCreate9 (d3d9.def).
extern "C" IDirect3D9* WINAPI ProxyDirect3DCreate9(UINT sdkVersion)
{
    HMODULE hReal = LoadSystemDll(L"d3d9.dll");
    using Create9 = IDirect3D9*(WINAPI*)(UINT);
    FARPROC pCreate9 = hReal ? GetProcAddress(hReal, "Direct3DCreate9") : nullptr;
    auto pCreate = reinterpret_cast<Create9>(reinterpret_cast<void*>(pCreate9));
    IDirect3D9* pReal = pCreate ? pCreate(sdkVersion) : nullptr;
    if (!pReal)
    {
        Say("cannot load the system's d3d9.dll");
        return nullptr;
    }
    char code[32];
    if (GetEnvironmentVariableA("KELVANE_PROXY_CREATE_DEVICE", code, sizeof(code)))
        g_hrCreateDevice = HRESULT(std::strtoul(code, nullptr, 16));
    WCHAR path[MAX_PATH] = {};
    GetModuleFileNameW(hReal, path, MAX_PATH);
    Say("forwarding to %ls", path);
    if (!g_pRealTimeGetTime && !WatchProgramClock())
        Say("the program imports no timeGetTime: its frame times cannot be watched");
    return new LosingDirect3D(pReal);
}
