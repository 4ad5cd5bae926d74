// d3d9.dll of the end-to-end tests. It hands the program the system's Direct3D 9
// with every call forwarded, reports what the program does with it, and plays
// what Windows can do to a device when a test asks (ProxyLog.h):
//   "lose"            the next Present and every TestCooperativeLevel answer
//                     D3DERR_DEVICELOST, and Reset is refused;
//   "restore"         after a loss, TestCooperativeLevel answers
//                     D3DERR_DEVICENOTRESET until a Reset, which goes to the real
//                     device and, when it succeeds, ends the loss;
//   "driver-error N"  the next Present answers D3DERR_DRIVERINTERNALERROR, and
//                     the next N devices asked for cannot be created;
//   "failing-driver N"  the next N Presents answer D3DERR_DRIVERINTERNALERROR,
//                     on whichever device.
// A command that cannot be played now ("restore" with no device lost, anything
// else while one is) or is unknown is refused, saying why. With
// KELVANE_PROXY_CREATE_DEVICE set to an error code, CreateDevice always answers that code.
//
// Each Direct3DCreate9 is reported with the program's latest clock reading (when
// it decided to make one), each release with the references left on the real
// object (0 unless something made on it was left alive); what the program hands
// its imports of timeBeginPeriod, timeEndPeriod, ShowWindow and MessageBoxW, with
// the timer's finest period and the show command the process was started with;
// and the GDI and USER objects it makes and deletes. The program's imports are
// watched from the moment it loads this DLL, before anything of its own runs.
#include "Forwarders.h"
#include "ProxyLog.h"

#include <cstdio>
#include <cstdlib>
#include <map>

extern const char g_szProxy[] = "d3d9proxy";

namespace
{
// --- the program's frames ------------------------------------------------------
// The program's imports of timeGetTime, Sleep and PeekMessageW are pointed here.
// After a Present, the first clock reading on that thread is the frame time the
// pacing took, the first Sleep after it the sleep it asked for, and the next
// PeekMessageW starts the next turn of the message loop: only then is the frame
// written ("frame PRESENTED wait READING sleep MS"), so that nothing but the
// program runs between the Present, the reading and the sleep.
DWORD(WINAPI* g_pRealTimeGetTime)() = nullptr;
VOID(WINAPI* g_pRealSleep)(DWORD) = nullptr;
BOOL(WINAPI* g_pRealPeekMessageW)(LPMSG, HWND, UINT, UINT, UINT) = nullptr;

struct Frame
{
    bool bOpen; // presented, its loop turn not yet over
    DWORD dwPresented;
    bool bRead;
    DWORD dwWait;
    bool bSlept;
    DWORD dwSleep;
} g_frame = {};
DWORD g_dwThread = 0;      // the thread that presents
DWORD g_dwLastReading = 0; // the program's latest clock reading on that thread

bool OnPresentingThread() { return GetCurrentThreadId() == g_dwThread; }

void ReportFrame()
{
    g_frame.bOpen = false;
    if (!g_frame.bRead)
        Say("frame %lu wait none", g_frame.dwPresented);
    else
        Say("frame %lu wait %lu sleep %lu", g_frame.dwPresented, g_frame.dwWait,
            g_frame.bSlept ? g_frame.dwSleep : 0);
}

DWORD WINAPI WatchedTimeGetTime()
{
    const DWORD dwNow = g_pRealTimeGetTime();
    if (OnPresentingThread())
    {
        g_dwLastReading = dwNow;
        if (g_frame.bOpen && !g_frame.bRead)
        {
            g_frame.bRead = true;
            g_frame.dwWait = dwNow;
        }
    }
    return dwNow;
}

VOID WINAPI WatchedSleep(DWORD dwMilliseconds)
{
    if (OnPresentingThread() && g_frame.bOpen && !g_frame.bSlept)
    {
        // A sleep before the reading is not the pacing's: it ends the chance.
        g_frame.bSlept = true;
        g_frame.dwSleep = g_frame.bRead ? dwMilliseconds : 0;
    }
    g_pRealSleep(dwMilliseconds);
}

BOOL WINAPI WatchedPeekMessageW(LPMSG pMsg, HWND hWnd, UINT nFirst, UINT nLast, UINT nRemove)
{
    if (OnPresentingThread() && g_frame.bOpen)
        ReportFrame();
    return g_pRealPeekMessageW(pMsg, hWnd, nFirst, nLast, nRemove);
}

// Points the program's import of NAME from DLL at pWatch; returns the function
// it pointed at before, or null when the program does not import it.
void* Watch(const char* pszDll, const char* pszName, void* pWatch)
{
    BYTE* pBase = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* pNt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + reinterpret_cast<IMAGE_DOS_HEADER*>(pBase)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* pDll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + imports.VirtualAddress);
         imports.VirtualAddress && pDll->Name; ++pDll)
    {
        if (lstrcmpiA(reinterpret_cast<char*>(pBase + pDll->Name), pszDll) != 0 || !pDll->OriginalFirstThunk)
            continue;
        auto* pName = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDll->OriginalFirstThunk);
        auto* pSlot = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDll->FirstThunk);
        for (; pName->u1.AddressOfData; ++pName, ++pSlot)
        {
            const auto* pImport = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(pBase + pName->u1.AddressOfData);
            if (IMAGE_SNAP_BY_ORDINAL(pName->u1.Ordinal) || lstrcmpA(pImport->Name, pszName) != 0)
                continue;
            DWORD dwProtect;
            VirtualProtect(&pSlot->u1.Function, sizeof(pSlot->u1.Function), PAGE_READWRITE, &dwProtect);
            void* pReal = reinterpret_cast<void*>(pSlot->u1.Function);
            pSlot->u1.Function = reinterpret_cast<ULONG_PTR>(pWatch);
            VirtualProtect(&pSlot->u1.Function, sizeof(pSlot->u1.Function), dwProtect, &dwProtect);
            return pReal;
        }
    }
    return nullptr;
}

template <class F> void Watch(const char* pszDll, const char* pszName, F& pReal, F pWatch)
{
    pReal = reinterpret_cast<F>(Watch(pszDll, pszName, reinterpret_cast<void*>(pWatch)));
    if (!pReal)
        Say("the program imports no %s from %s: its frames cannot be watched", pszName, pszDll);
}

// --- what the program hands Windows ---------------------------------------------
MMRESULT(WINAPI* g_pRealBeginPeriod)(UINT) = nullptr;
MMRESULT(WINAPI* g_pRealEndPeriod)(UINT) = nullptr;
BOOL(WINAPI* g_pRealShowWindow)(HWND, int) = nullptr;
int(WINAPI* g_pRealMessageBoxW)(HWND, LPCWSTR, LPCWSTR, UINT) = nullptr;

MMRESULT Period(const char* pszName, MMRESULT(WINAPI* pReal)(UINT), UINT nPeriod)
{
    TIMECAPS caps = {};
    timeGetDevCaps(&caps, sizeof(caps));
    Say("%s %u finest %u", pszName, nPeriod, caps.wPeriodMin);
    return pReal(nPeriod);
}
MMRESULT WINAPI WatchedBeginPeriod(UINT n) { return Period("timeBeginPeriod", g_pRealBeginPeriod, n); }
MMRESULT WINAPI WatchedEndPeriod(UINT n) { return Period("timeEndPeriod", g_pRealEndPeriod, n); }
// wWinMain's show command, as the runtime's start-up takes it from the process.
BOOL WINAPI WatchedShowWindow(HWND hWnd, int nCmdShow)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    GetStartupInfoW(&si);
    Say("ShowWindow %d started with %d", nCmdShow, si.dwFlags & STARTF_USESHOWWINDOW ? si.wShowWindow : SW_SHOWDEFAULT);
    return g_pRealShowWindow(hWnd, nCmdShow);
}
int WINAPI WatchedMessageBoxW(HWND hOwner, LPCWSTR pszText, LPCWSTR pszCaption, UINT uType)
{
    Say("MessageBoxW owner %llx type 0x%08x caption %s text %s", static_cast<unsigned long long>(ULONG_PTR(hOwner)),
        uType, Quoted(pszCaption, -1).c_str(), Quoted(pszText, -1).c_str());
    return g_pRealMessageBoxW(hOwner, pszText, pszCaption, uType);
}

// --- the objects the program makes ------------------------------------------------
// Through its imports, by handle; each change is reported with the live counts
// by kind: "objects after DeleteObject: DC 0 bitmap 0 font 0 brush 0 window 1
// menu 0 dialog 0". A function the program does not import is not watched.
enum Kind { DC, BITMAP, FONT, BRUSH, WINDOW, MENU, DIALOG, KINDS };
const char* const KIND_NAMES[KINDS] = {"DC", "bitmap", "font", "brush", "window", "menu", "dialog"};
std::map<const void*, Kind> g_live;

void Count(const char* pszBy)
{
    int n[KINDS] = {};
    for (const auto& object : g_live)
        ++n[object.second];
    std::string counts;
    for (int k = 0; k < KINDS; ++k)
        counts += std::string(" ") + KIND_NAMES[k] + " " + std::to_string(n[k]);
    Say("objects after %s:%s", pszBy, counts.c_str());
}

// The watch of one function that makes an object of kind K (F: its type).
template <const char* NAME, Kind K, class F> struct Made;
template <const char* NAME, Kind K, class R, class... A> struct Made<NAME, K, R(WINAPI*)(A...)>
{
    static inline R(WINAPI* pReal)(A...) = nullptr;
    static R WINAPI Watched(A... args)
    {
        const R h = pReal(args...);
        if (h)
        {
            g_live[h] = K;
            Count(NAME);
        }
        return h;
    }
};
// The watch of one function that deletes or destroys what its argument is.
template <const char* NAME, class H> struct Deleted
{
    static inline BOOL(WINAPI* pReal)(H) = nullptr;
    static BOOL WINAPI Watched(H h)
    {
        const BOOL bDone = pReal(h);
        if (bDone && g_live.erase(h))
            Count(NAME);
        return bDone;
    }
};
template <class W> void Watch(const char* pszDll, const char* pszName)
{
    W::pReal = reinterpret_cast<decltype(W::pReal)>(Watch(pszDll, pszName, reinterpret_cast<void*>(&W::Watched)));
}
#define KELVANE_MADE(dll, name, kind)                                                                          \
    static constexpr char name##_[] = #name;                                                                 \
    Watch<Made<name##_, kind, decltype(&::name)>>(dll, #name)
#define KELVANE_DELETED(dll, name, type)                                                                       \
    static constexpr char name##_[] = #name;                                                                 \
    Watch<Deleted<name##_, type>>(dll, #name)

void WatchObjects()
{
    KELVANE_MADE("gdi32.dll", CreateCompatibleDC, DC);
    KELVANE_MADE("gdi32.dll", CreateDCW, DC);
    KELVANE_MADE("gdi32.dll", CreateDIBSection, BITMAP);
    KELVANE_MADE("gdi32.dll", CreateCompatibleBitmap, BITMAP);
    KELVANE_MADE("gdi32.dll", CreateBitmap, BITMAP);
    KELVANE_MADE("gdi32.dll", CreateFontW, FONT);
    KELVANE_MADE("gdi32.dll", CreateFontIndirectW, FONT);
    KELVANE_MADE("gdi32.dll", CreateSolidBrush, BRUSH);
    KELVANE_MADE("user32.dll", CreateWindowExW, WINDOW);
    KELVANE_MADE("user32.dll", CreateMenu, MENU);
    KELVANE_MADE("user32.dll", CreatePopupMenu, MENU);
    KELVANE_MADE("user32.dll", LoadMenuW, MENU);
    KELVANE_MADE("user32.dll", CreateDialogParamW, DIALOG);
    KELVANE_DELETED("gdi32.dll", DeleteDC, HDC);
    KELVANE_DELETED("gdi32.dll", DeleteObject, HGDIOBJ);
    KELVANE_DELETED("user32.dll", DestroyWindow, HWND);
    KELVANE_DELETED("user32.dll", DestroyMenu, HMENU);
}

// --- what the test asks for ----------------------------------------------------
const DWORD COMMAND_PERIOD = 100; // ms between looks for a command

HRESULT g_hrCreateDevice = S_OK; // every CreateDevice fails with this when set
int g_nCreateFailures = 0;       // the next so many CreateDevice calls fail
long g_nFailingPresents = 0;     // the next so many Presents fail
std::string g_command;           // taken from the test, waiting to be played
DWORD g_dwLastLook = 0;

// The test's next command, once the last one has been played or refused; the
// file is looked at ten times a second at most.
const std::string& Command()
{
    const DWORD dwNow = timeGetTime();
    if (g_command.empty() && dwNow - g_dwLastLook >= COMMAND_PERIOD)
    {
        g_dwLastLook = dwNow;
        g_command = TakeCommand(ThisModule());
    }
    return g_command;
}

// Says the command is played, or refused and why: a command that cannot be
// played now is dropped, so that the test fails at once instead of waiting on
// its effect, and later commands are still taken.
void Played(const char* pszRefused = nullptr)
{
    Say("command %s%s%s", g_command.c_str(), pszRefused ? " refused: " : "", pszRefused ? pszRefused : "");
    g_command.clear();
}

// Why a command cannot be played now: pszNotNow, unless the proxy does not know it at all.
const char* Refusal(const std::string& c, const char* pszNotNow)
{
    const bool bKnown =
        c == "lose" || c == "restore" || !c.rfind("driver-error ", 0) || !c.rfind("failing-driver ", 0);
    return bKnown ? pszNotNow : "no such command";
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
            Played();
        }
        else
        {
            if (std::sscanf(g_command.c_str(), "driver-error %d", &g_nCreateFailures) == 1)
                g_nFailingPresents = 1;
            else if (!g_command.empty() &&
                     std::sscanf(g_command.c_str(), "failing-driver %ld", &g_nFailingPresents) != 1)
                Played(g_command == "restore" ? "no device is lost" : "no such command");
            if (!g_command.empty())
                Played();
            if (g_nFailingPresents > 0)
            {
                --g_nFailingPresents;
                hr = D3DERR_DRIVERINTERNALERROR;
            }
            else
                hr = m_pReal->Present(src, dst, hOverride, dirty);
        }
        Say("present 0x%08lx", hr);
        // Last: from here to the program's reading runs only the program.
        g_dwThread = GetCurrentThreadId();
        g_frame = {true, timeGetTime(), false, 0, false, 0};
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
            Played();
        }
        else if (!Command().empty())
            Played(
                Refusal(g_command, m_phase == LOST ? "the device is lost" : "the device is being restored"));
        const HRESULT hr = m_phase == LOST ? D3DERR_DEVICELOST : D3DERR_DEVICENOTRESET;
        Say("question 0x%08lx", hr);
        return hr;
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

    void Released(ULONG nRealRefs) override
    {
        if (m_phase == NORMAL)
            Say("device released, real count %lu", nRealRefs);
        else
            Say("device released while lost, real count %lu; %s", nRealRefs, CallsWhileLost().c_str());
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
    void Released(ULONG nRealRefs) override { Say("Direct3D object released, real count %lu", nRealRefs); }
};
} // namespace

// Exported as Direct3DCreate9 (d3d9.def).
extern "C" IDirect3D9* WINAPI ProxyDirect3DCreate9(UINT sdkVersion)
{
    Say("Direct3DCreate9 after the program's clock read %lu", g_dwLastReading);
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
    return new LosingDirect3D(pReal);
}

// Loaded with the program, before its own code runs: what it hands Windows is
// watched from its start, also when it never makes a Direct3D object.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID)
{
    if (dwReason != DLL_PROCESS_ATTACH)
        return TRUE;
    // Until the first Present, the thread that loads the program.
    g_dwThread = GetCurrentThreadId();
    TIMECAPS caps = {};
    timeGetDevCaps(&caps, sizeof(caps));
    Say("timer finest %u", caps.wPeriodMin);
    Watch("winmm.dll", "timeGetTime", g_pRealTimeGetTime, &WatchedTimeGetTime);
    Watch("kernel32.dll", "Sleep", g_pRealSleep, &WatchedSleep);
    Watch("user32.dll", "PeekMessageW", g_pRealPeekMessageW, &WatchedPeekMessageW);
    Watch("winmm.dll", "timeBeginPeriod", g_pRealBeginPeriod, &WatchedBeginPeriod);
    Watch("winmm.dll", "timeEndPeriod", g_pRealEndPeriod, &WatchedEndPeriod);
    Watch("user32.dll", "ShowWindow", g_pRealShowWindow, &WatchedShowWindow);
    Watch("user32.dll", "MessageBoxW", g_pRealMessageBoxW, &WatchedMessageBoxW);
    WatchObjects();
    return TRUE;
}
