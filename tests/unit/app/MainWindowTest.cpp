// The shell on a real window: class registration, creation and sizing, the
// window procedure's commands, the message loop's exit, and the About box.
// These tests need a display.
#include "app/MainWindow.h"
#include "app/Application.h"
#include "app/Scene.h"
#include "camera/CameraFlyer.h"
#include "collision/CollisionSphere.h"
#include "frame/Controls.h"
#include "frame/Input.h"
#include "frame/RenderFrame.h"
#include "resources/resource.h"
#include "tests/fakes/FakeDirect3D.h"
#include "tests/fakes/FakePlatform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace
{
HINSTANCE Module() { return GetModuleHandleW(nullptr); }

std::wstring WindowText(HWND hWnd)
{
    WCHAR buffer[100] = {};
    GetWindowTextW(hWnd, buffer, 100);
    return buffer;
}

std::wstring ClassName(HWND hWnd)
{
    WCHAR buffer[100] = {};
    GetClassNameW(hWnd, buffer, 100);
    return buffer;
}

// Loads the two strings and registers the class as wWinMain does, once per process.
void RegisterClassOnce()
{
    static bool bDone = false;
    if (bDone)
        return;
    LoadStringW(Module(), ID_STRING_TITLE, g_title, 100);
    LoadStringW(Module(), ID_MAIN, g_windowClass, 100);
    ASSERT_NE(0, RegisterMainWindowClass(Module()));
    bDone = true;
}

// Handles every message waiting for this thread, WM_QUIT included, so that a
// quit posted by one test does not end the next test's loop or dialog.
void DrainMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        if (msg.message != WM_QUIT)
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// Stands in for whatever an About box shows up as while DialogBoxParamW runs:
// a CBT hook notes each dialog the thread creates, and once it is activated
// posts the queued messages to it. A thread timer ends a dialog that is still
// open after five seconds with 99, so a box that ignores its input fails the
// test instead of hanging it.
class DialogDriver
{
  public:
    struct Seen
    {
        HWND hDlg = nullptr;
        std::wstring caption;
        HWND hOwner = nullptr;
        BOOL bOwnerEnabled = TRUE;
        std::wstring okText;
    };

    explicit DialogDriver(std::vector<MSG> toPost) : m_toPost(std::move(toPost))
    {
        s_pCurrent = this;
        m_hHook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
        m_nTimer = SetTimer(nullptr, 0, 5000, WatchdogProc);
    }
    ~DialogDriver()
    {
        KillTimer(nullptr, m_nTimer);
        UnhookWindowsHookEx(m_hHook);
        s_pCurrent = nullptr;
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    std::vector<Seen> seen;
    bool bWatchdogFired = false;

  private:
    static LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam)
    {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        if (nCode == HCBT_ACTIVATE && ClassName(hWnd) == L"#32770")
        {
            DialogDriver& self = *s_pCurrent;
            Seen s;
            s.hDlg = hWnd;
            s.caption = WindowText(hWnd);
            s.hOwner = GetWindow(hWnd, GW_OWNER);
            s.bOwnerEnabled = s.hOwner ? IsWindowEnabled(s.hOwner) : TRUE;
            s.okText = WindowText(GetDlgItem(hWnd, IDOK));
            self.seen.push_back(s);
            for (const MSG& msg : self.m_toPost)
                PostMessageW(hWnd, msg.message, msg.wParam, msg.lParam);
        }
        return CallNextHookEx(nullptr, nCode, wParam, lParam);
    }
    static void CALLBACK WatchdogProc(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogDriver& self = *s_pCurrent;
        if (!self.seen.empty() && IsWindow(self.seen.back().hDlg))
        {
            self.bWatchdogFired = true;
            EndDialog(self.seen.back().hDlg, 99);
        }
    }

    static DialogDriver* s_pCurrent;
    std::vector<MSG> m_toPost;
    HHOOK m_hHook = nullptr;
    UINT_PTR m_nTimer = 0;
};
DialogDriver* DialogDriver::s_pCurrent = nullptr;

MSG Message(UINT message, WPARAM wParam, LPARAM lParam = 0)
{
    MSG msg = {};
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    return msg;
}

const wchar_t* const ABOUT_CAPTION = L"バージョン情報 kelvane";

// A CBT hook that refuses every window the thread tries to create, with this
// error, which the refused CreateWindowExW leaves as it is. ERROR_SUCCESS plays
// Windows' refusal without a reason (Wine would set ERROR_INVALID_WINDOW_HANDLE).
DWORD s_dwRefusal = ERROR_NOT_ENOUGH_MEMORY;
LRESULT CALLBACK RefuseWindows(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode != HCBT_CREATEWND)
        return CallNextHookEx(nullptr, nCode, wParam, lParam);
    SetLastError(s_dwRefusal);
    return 1;
}

LRESULT SendMouse(UINT message, POINT pt, WPARAM wParam = 0)
{
    if (message == WM_MOUSEWHEEL) // it gives the cursor on the screen
        ClientToScreen(g_hWnd, &pt);
    return SendMessageW(g_hWnd, message, wParam, MAKELPARAM(pt.x, pt.y));
}
} // namespace

TEST(MainWindowClass, RegisteredRecord)
{
    RegisterClassOnce();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExW(Module(), L"RIREZADOZ", &wc));
    EXPECT_EQ(UINT(CS_HREDRAW | CS_VREDRAW), wc.style);
    EXPECT_EQ(&MainWindowProc, wc.lpfnWndProc);
    EXPECT_EQ(0, wc.cbClsExtra);
    EXPECT_EQ(0, wc.cbWndExtra);
    EXPECT_EQ(Module(), wc.hInstance);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), wc.hbrBackground);
    EXPECT_EQ(MAKEINTRESOURCEW(ID_MAIN), wc.lpszMenuName);
    EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)), wc.hCursor);
    // Icons loaded from the module are shared: the same handle on every load.
    EXPECT_NE(nullptr, wc.hIcon);
    EXPECT_EQ(LoadIconW(Module(), MAKEINTRESOURCEW(ID_ICON_LARGE)), wc.hIcon);
    EXPECT_EQ(LoadIconW(Module(), MAKEINTRESOURCEW(ID_ICON_SMALL)), wc.hIconSm);
}

class MainWindow : public testing::Test
{
  protected:
    void SetUp() override
    {
        RegisterClassOnce();
        DrainMessages();
        // Another window is in the foreground: the loop sleeps instead of rendering.
        platform.hForeground = GetDesktopWindow();
        // The system places the window (here at 37, 23); the program only sizes it.
        HHOOK hHook = SetWindowsHookExW(WH_CALLWNDPROCRET, PlaceNewWindow, nullptr, GetCurrentThreadId());
        bStarted = InitApplication(Module(), SW_SHOWNORMAL);
        UnhookWindowsHookEx(hHook);
        ASSERT_TRUE(bStarted);
        GetWindowRect(g_hWnd, &rcStarted);
    }
    void TearDown() override
    {
        if (IsWindow(g_hWnd))
            DestroyWindow(g_hWnd);
        if (bStarted)
            ShutdownApplication();
        DrainMessages();
    }

    static LRESULT CALLBACK PlaceNewWindow(int nCode, WPARAM wParam, LPARAM lParam)
    {
        const CWPRETSTRUCT* pMsg = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (nCode == HC_ACTION && pMsg->message == WM_CREATE)
            SetWindowPos(pMsg->hwnd, nullptr, 37, 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return CallNextHookEx(nullptr, nCode, wParam, lParam);
    }

    // Fakes the loop's idle turns: each asks for the foreground window (another
    // one) and may sleep (on the fake clock). After `afterTurns` turns `onIdle` is
    // called once; the last turn ends the loop with exit code 99, so a loop that
    // never sees WM_QUIT fails instead of hanging, whether its turns sleep or not.
    void BoundLoop(int afterTurns = 0, void (*onIdle)() = nullptr, int nLastTurn = 50)
    {
        s_afterTurns = afterTurns;
        s_onIdle = onIdle;
        s_nTurns = 0;
        s_nLastTurn = nLastTurn;
        s_hForeground = GetDesktopWindow();
        g_platform.GetForegroundWindow = CountedTurn;
    }
    int RunLoopBounded(int afterTurns = 0, void (*onIdle)() = nullptr)
    {
        BoundLoop(afterTurns, onIdle);
        return RunMessageLoop(nullptr);
    }

    static HWND WINAPI CountedTurn()
    {
        if (++s_nTurns == s_afterTurns && s_onIdle)
            s_onIdle();
        if (s_nTurns == s_nLastTurn)
            PostQuitMessage(99);
        return s_hForeground;
    }
    static void PostExit() { PostMessageW(g_hWnd, WM_COMMAND, ID_COMMAND_EXIT, 0); }
    static void BringToFront() { s_hForeground = g_hWnd; }

    FakePlatform platform;
    FakeDirect3DApi direct3d;
    BOOL bStarted = FALSE;
    RECT rcStarted = {};

    static int s_nTurns, s_nLastTurn;
    static HWND s_hForeground; // another window's unless a test brings ours to the front
    static int s_afterTurns;
    static void (*s_onIdle)();
};
int MainWindow::s_nTurns = 0;
int MainWindow::s_nLastTurn = 50;
HWND MainWindow::s_hForeground = nullptr;
int MainWindow::s_afterTurns = 0;
void (*MainWindow::s_onIdle)() = nullptr;

TEST_F(MainWindow, ShownWithTitleMenuAndClientAreaOf640By480)
{
    ASSERT_NE(nullptr, g_hWnd);
    EXPECT_EQ(Module(), g_hInstance);
    EXPECT_TRUE(IsWindowVisible(g_hWnd));
    EXPECT_EQ(L"kelvane", WindowText(g_hWnd));
    EXPECT_EQ(L"RIREZADOZ", ClassName(g_hWnd));
    EXPECT_EQ(DWORD(WS_OVERLAPPEDWINDOW),
              DWORD(GetWindowLongW(g_hWnd, GWL_STYLE)) & ~DWORD(WS_VISIBLE | WS_CLIPSIBLINGS));
    EXPECT_EQ(2, GetMenuItemCount(GetMenu(g_hWnd))) << "the class's menu";

    RECT rc;
    ASSERT_TRUE(GetClientRect(g_hWnd, &rc));
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ(640, rc.right);
    EXPECT_EQ(480, rc.bottom);
    EXPECT_EQ(37, rcStarted.left) << "the size correction keeps the window where it was";
    EXPECT_EQ(23, rcStarted.top);
}

// wWinMain's body: both names loaded into their buffers, the loop run, and the
// scene shut down after it.
class WholeRun : public MainWindow
{
  protected:
    void SetUp() override
    {
        RegisterClassOnce();
        DrainMessages();
    }
};

TEST_F(WholeRun, LoadsTheNamesRunsTheLoopAndShutsDown)
{
    g_title[0] = g_windowClass[0] = L'\0';
    BoundLoop(3, PostExit);
    EXPECT_EQ(0, RunApplication(Module(), SW_SHOWNORMAL));
    EXPECT_EQ(std::wstring(L"kelvane"), g_title);
    EXPECT_EQ(std::wstring(L"RIREZADOZ"), g_windowClass);
    EXPECT_FALSE(IsWindow(g_hWnd));
    EXPECT_EQ(nullptr, g_pGraphics);
    EXPECT_EQ((std::vector<std::string>{"Release Font", "Release Device", "Release Direct3D"}),
              direct3d.log.Matching("Release "));
}

// Sleep as on Windows: it wakes only at the default timer's 15.625 ms ticks
// unless the run raises the timer's resolution, and then up to a millisecond
// late. The run raises it for its frames and lowers it at the end; its frames
// keep to their slots, none more than a millisecond off, 60.0 a second.
TEST_F(WholeRun, FramesKeepTheirSlotsWhereSleepWakesLate)
{
    platform.bWindowsSleep = true;
    platform.Tap(VK_TAB); // before the start, in another program
    BoundLoop(1, BringToFront, 600);
    EXPECT_EQ(99, RunApplication(Module(), SW_SHOWNORMAL)) << "not ended by the 600th turn";
    EXPECT_EQ(CONTROL_CAMERA, g_controlMode);
    EXPECT_EQ(std::vector<UINT>{1}, platform.beginPeriods);
    EXPECT_EQ(std::vector<UINT>{1}, platform.endPeriods);
    const std::vector<DWORD>& times = direct3d.device.presentTimes;
    ASSERT_EQ(600u, times.size()) << "a frame in every turn";
    EXPECT_EQ(1u, direct3d.fontCalls.size()) << "one font for the whole run";
    std::string uneven;
    for (size_t i = 16; i < times.size(); ++i)
        if (times[i] - times[i - 1] < 15 || times[i] - times[i - 1] > 18)
            uneven += " " + std::to_string(times[i] - times[i - 1]);
    EXPECT_EQ("", uneven) << "frame intervals (ms) other than 15 to 18";
    EXPECT_NEAR(60.0, 599 * 1000.0 / (times.back() - times.front()), 0.1) << "frames a second";
}

namespace
{
// The timer's periods raised and released, each with the frames presented by then.
std::vector<std::string> s_periods;
const FakeDevice* s_pDevice = nullptr;
MMRESULT Period(const char* pszWhat, UINT uPeriod)
{
    s_periods.push_back(pszWhat + std::to_string(uPeriod) + " after " + std::to_string(s_pDevice->nPresents));
    return TIMERR_NOERROR;
}
MMRESULT WINAPI RecordRaise(UINT uPeriod) { return Period("raise ", uPeriod); }
MMRESULT WINAPI RecordRelease(UINT uPeriod) { return Period("release ", uPeriod); }
} // namespace

// In front for 3 turns, behind another window for 4, in front again until Exit:
// the timer is raised for the frames only, released for the stay behind.
TEST_F(WholeRun, TheBackgroundReleasesTheTimerAndTheForegroundRaisesItAgain)
{
    s_periods.clear();
    s_pDevice = &direct3d.device;
    g_platform.timeBeginPeriod = RecordRaise;
    g_platform.timeEndPeriod = RecordRelease;
    BoundLoop(1, [] {
        s_hForeground = g_hWnd;
        s_afterTurns = 4;
        s_onIdle = [] {
            s_hForeground = GetDesktopWindow();
            s_afterTurns = 8;
            s_onIdle = [] {
                s_hForeground = g_hWnd;
                s_afterTurns = 10;
                s_onIdle = PostExit;
            };
        };
    });
    EXPECT_EQ(0, RunApplication(Module(), SW_SHOWNORMAL));
    EXPECT_EQ((std::vector<std::string>{"raise 1 after 0", "release 1 after 3", "raise 1 after 3",
                                        "release 1 after 6"}),
              s_periods);
}

namespace
{
// A failed start: how it fails, and what its box then says.
struct FailedStart
{
    const char* what;
    HRESULT hrCreateDevice;
    int nExitCode;
    std::wstring text;
    DWORD dwClassError = 0;     // RegisterClassExW fails with it
    bool bRefuseWindow = false; // CreateWindowExW fails, for want of memory
    bool bNoDirect3D = false;   // Direct3DCreate9 gives no object
    DWORD dwRefusal = ERROR_NOT_ENOUGH_MEMORY; // the refusing hook's error
    std::wstring d3dx = {};                    // loaded in place of D3DX when set
};

const std::wstring D3D = L"Direct3D 9 could not be started: ";
const std::wstring DRIVER =
    L"Check that the graphics driver is installed and up to date. In a remote desktop "
    L"session or a virtual machine, 3D acceleration may be missing.";
const std::wstring MEMORY = L"There is not enough memory left for it. Close other programs and try again.";
const std::wstring RESTART = L"Restart Windows and try again. If it still fails, update the graphics driver.";
const std::wstring D3DX = L"The D3DX 9 library d3dx9_43.dll could not be loaded: ";
const std::wstring RUNTIME = L"Windows does not include it: Microsoft's DirectX End-User Runtime (June 2010) "
                             L"installs it. Search Microsoft's Download Center for \"DirectX End-User Runtime Web "
                             L"Installer\", run it, and start kelvane again.";
} // namespace

// A failed start says why, in a box of its own, and ends with a code a script can
// read; the window it may have made is never shown, the timer never raised.
class FailedStartTest : public WholeRun, public testing::WithParamInterface<FailedStart>
{
};

TEST_P(FailedStartTest, SaysWhyInABoxAndExitsNonZero)
{
    const FailedStart& start = GetParam();
    platform.dwRegisterClassError = start.dwClassError;
    direct3d.bDirect3DCreateFails = start.bNoDirect3D;
    direct3d.d3d.hrCreateDevice = start.hrCreateDevice;
    g_hWnd = nullptr;
    BoundLoop(); // should the run start after all
    s_dwRefusal = start.dwRefusal;
    platform.libraryInstead = start.d3dx;
    HHOOK hHook = start.bRefuseWindow
                      ? SetWindowsHookExW(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId())
                      : nullptr;
    EXPECT_EQ(start.nExitCode, RunApplication(Module(), SW_SHOWNORMAL));
    if (hHook)
        UnhookWindowsHookEx(hHook);

    EXPECT_EQ(std::vector<std::wstring>{L"d3dx9_43.dll"}, platform.librariesAsked) << "loaded first, by name";
    ASSERT_EQ(1u, platform.messageBoxes.size());
    const FakePlatform::MessageBoxCall& box = platform.messageBoxes[0];
    EXPECT_EQ(start.text, box.text);
    EXPECT_EQ(nullptr, box.hOwner);
    EXPECT_EQ(L"kelvane", box.caption);
    EXPECT_EQ(UINT(MB_OK | MB_ICONERROR), box.uType);
    EXPECT_EQ(start.nExitCode == 2, IsWindow(g_hWnd) != FALSE) << "a window only when Direct3D failed";
    EXPECT_FALSE(IsWindowVisible(g_hWnd));
    DestroyWindow(g_hWnd);
    EXPECT_EQ(direct3d.nDirect3DHandedOut, direct3d.d3d.nReleases) << "the Direct3D object is given back";
    EXPECT_TRUE(platform.beginPeriods.empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kinds, FailedStartTest,
    testing::Values(
        FailedStart{"NoDevice", D3DERR_NOTAVAILABLE, 2, D3D + L"D3DERR_NOTAVAILABLE (0x8876086A).\n\n" + DRIVER},
        FailedStart{"NoDriver", D3DERR_INVALIDCALL, 2, D3D + L"D3DERR_INVALIDCALL (0x8876086C).\n\n" + DRIVER},
        FailedStart{"NoDirect3DObject", S_OK, 2, D3D + L"Windows' Direct3D 9 did not start.\n\n" + DRIVER,
                    0, false, true},
        FailedStart{"UnknownDeviceError", E_FAIL, 2, D3D + L"error 0x80004005.\n\n" + DRIVER},
        FailedStart{"AnotherProgramInFullScreen", D3DERR_DEVICELOST, 2, D3D + L"D3DERR_DEVICELOST (0x88760868).\n\n"
                    L"Another program may hold the display in full screen, or the screen may be locked, a system "
                    L"dialog open or the computer going to sleep. Close that program or wait until the desktop is "
                    L"back, and start kelvane again."},
        FailedStart{"NoVideoMemory", D3DERR_OUTOFVIDEOMEMORY, 2, D3D + L"D3DERR_OUTOFVIDEOMEMORY (0x8876017C).\n\n"
                    L"There is not enough video memory left for it. Close other programs that use the graphics "
                    L"card, such as games or video players, and try again."},
        FailedStart{"NoMemory", E_OUTOFMEMORY, 2, D3D + L"E_OUTOFMEMORY (0x8007000E).\n\n" + MEMORY},
        FailedStart{"DriverError", D3DERR_DRIVERINTERNALERROR, 2,
                    D3D + L"D3DERR_DRIVERINTERNALERROR (0x88760827).\n\n" + RESTART},
        FailedStart{"DeviceRemoved", D3DERR_DEVICEREMOVED, 2,
                    D3D + L"D3DERR_DEVICEREMOVED (0x88760870).\n\n" + RESTART},
        // Wine's words for ERROR_NOT_ENOUGH_MEMORY; none for a code of no meaning.
        FailedStart{"NoWindow", S_OK, 1, L"The main window could not be created: Not enough memory (error 8).\n\n"
                    L"Windows may be short of memory or other resources. Close some programs and try again.", 0, true},
        // Refused without a reason, after the class's registration left ERROR_CLASS_ALREADY_EXISTS.
        FailedStart{"NoWindowNoReason", S_OK, 1, L"The main window could not be created: Windows gave no reason.\n\n"
                    L"Another program that watches new windows, such as a desktop tool or security software, may "
                    L"have refused it. Close such programs and try again.", 0, true, false, ERROR_SUCCESS},
        FailedStart{"NoWindowClass", S_OK, 1, L"The main window's class could not be registered: error 536875572.\n\n"
                    L"Sign out of Windows or restart it, and try again.", 0x20001234},
        // Not installed, or (a DLL that is not D3DX's) lacking the functions asked for.
        FailedStart{"NoD3DX", S_OK, 4, D3DX + L"Module not found (error 126).\n\n" + RUNTIME, 0, false, false,
                    0, L"absent\\d3dx9_43.dll"},
        FailedStart{"NotD3DX", S_OK, 4, D3DX + L"Procedure not found (error 127).\n\n" + RUNTIME, 0, false, false,
                    0, L"kernel32.dll"}),
    [](const testing::TestParamInfo<FailedStart>& info) { return std::string(info.param.what); });
// clang-format on

// While the driver stays broken the window still answers: Exit ends the run
// with 0, everything released once, though the device could not be made anew.
TEST_F(WholeRun, ADriverThatStaysBrokenStillExitsWithZero)
{
    direct3d.device.hrPresent = D3DERR_DRIVERINTERNALERROR;
    direct3d.d3d.createResults = {S_OK};
    direct3d.d3d.hrCreateDevice = D3DERR_NOTAVAILABLE;
    BoundLoop(1, [] {
        s_hForeground = g_hWnd;
        s_afterTurns = 10;
        s_onIdle = PostExit;
    });
    EXPECT_EQ(0, RunApplication(Module(), SW_SHOWNORMAL));
    EXPECT_EQ(1, direct3d.fonts.at(0)->nReleases);
    EXPECT_EQ(0, direct3d.device.nRefs);
    EXPECT_EQ(0, direct3d.d3d.nRefs) << "both Direct3D objects, the failed re-creation's too";
}

// Exit, from the menu or (in the high word) an accelerator, and closing the
// window: each destroys it and the loop returns 0.
TEST_F(MainWindow, ExitCommandAndCloseDestroyTheWindowAndTheLoopReturnsZero)
{
    for (WPARAM wParam : {WPARAM(ID_COMMAND_EXIT), MAKEWPARAM(ID_COMMAND_EXIT, 1), WPARAM(0)})
    {
        if (!IsWindow(g_hWnd))
        {
            ShutdownApplication();
            ASSERT_TRUE(InitApplication(Module(), SW_SHOWNORMAL));
        }
        PostMessageW(g_hWnd, wParam ? WM_COMMAND : WM_CLOSE, wParam, 0);
        EXPECT_EQ(0, RunLoopBounded()) << wParam;
        EXPECT_FALSE(IsWindow(g_hWnd));
    }
}

TEST_F(MainWindow, WhileInBackgroundLoopSleeps100msPerIdleTurnUntilExit)
{
    EXPECT_EQ(0, RunLoopBounded(3, PostExit));
    EXPECT_FALSE(IsWindow(g_hWnd));
    ASSERT_GE(platform.sleeps.size(), 3u);
    for (DWORD ms : platform.sleeps)
        EXPECT_EQ(100u, ms);
}

// The frame that finds the device lost is the last before another window takes
// the foreground. In the background the loop only sleeps, asking the device
// nothing; back in front it asks, resets and draws again, and Exit still ends
// the loop with 0 and releases everything once.
TEST_F(MainWindow, ADeviceLostInTheBackgroundIsResetWhenTheWindowIsBack)
{
    FakeDevice& device = direct3d.device;
    device.hrPresent = D3DERR_DEVICELOST;
    device.cooperativeLevels = {D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET};
    // Each step runs at the idle turn given, and arms the next.
    BoundLoop(2, [] {
        s_hForeground = GetDesktopWindow();
        s_afterTurns = 5;
        s_onIdle = [] {
            s_hForeground = g_hWnd;
            s_afterTurns = 9;
            s_onIdle = PostExit;
        };
    });
    s_hForeground = g_hWnd;
    EXPECT_EQ(0, RunMessageLoop(nullptr));

    // The frame's own sleep, three turns in the background, a pause while lost.
    ASSERT_GE(platform.sleeps.size(), 5u);
    EXPECT_EQ((std::vector<DWORD>{16, 100, 100, 100, 50}),
              std::vector<DWORD>(platform.sleeps.begin(), platform.sleeps.begin() + 5));
    const FakeCallLog& log = direct3d.log;
    const int nLost = log.Find("Present");
    ASSERT_NE(-1, nLost);
    EXPECT_EQ(
        (std::vector<std::string>{"TestCooperativeLevel", "TestCooperativeLevel", "OnLostDevice", "Reset"}),
        std::vector<std::string>(log.calls.begin() + nLost + 1,
                                 log.calls.begin() + std::min(size_t(nLost + 5), log.calls.size())));
    EXPECT_GT(log.Count("Present"), 1) << "no frame presented after the Reset";

    ShutdownApplication();
    bStarted = false;
    EXPECT_EQ(1, direct3d.fonts.at(0)->nReleases);
    EXPECT_EQ(1, device.nReleases);
    EXPECT_EQ(1, direct3d.d3d.nReleases);
}

// A key pressed while the frames were paused was meant for another program, the
// menu, the About box or the move and size loop: it acts on nothing when they
// resume, neither with the camera flying (the camera reads the keys first of
// all) nor with a sphere selected.
TEST_F(MainWindow, AKeyPressedWhileTheFramesPauseActsOnNothingWhenTheyResume)
{
    static FakePlatform* s_pPlatform;
    static int s_nKey;
    s_pPlatform = &platform;
    auto Tap = [] {
        if (s_nKey != VK_LBUTTON)
            return s_pPlatform->Tap(s_nKey);
        SendMouse(WM_LBUTTONDOWN, {397, 240}), SendMouse(WM_MOUSEMOVE, {450, 300}), SendMouse(WM_LBUTTONUP, {450, 300});
    };
    auto Send = [](UINT message, WPARAM wParam = 0) { SendMessageW(g_hWnd, message, wParam, 0); };
    FakeDevice& device = direct3d.device;
    const std::pair<const char*, std::function<void()>> pauses[] = {
        {"background", [&] { RunLoopBounded(3, Tap); }},
        {"deactivated", [&] { Send(WM_ACTIVATE, WA_INACTIVE), Tap(); }},
        {"menu", [&] { Send(WM_ENTERMENULOOP), Tap(), Send(WM_EXITMENULOOP); }},
        {"moved or sized", [&] { Send(WM_ENTERSIZEMOVE), Tap(), Send(WM_EXITSIZEMOVE); }},
        {"About box", [&] { DialogDriver driver({Message(WM_COMMAND, IDOK)}); Tap(), Send(WM_COMMAND, ID_COMMAND_ABOUT); }},
        {"device lost", [&] {
             device.hrPresent = D3DERR_DEVICELOST;
             device.cooperativeLevels = {D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET};
             RenderFrame(), RenderFrame(), Tap();
         }},
    };
    auto Scene = [&] {
        std::wostringstream s;
        const std::wstring& overlay = direct3d.fonts.at(0)->drawn.back().text;
        const D3DXVECTOR3& v = *g_cameraFlyer.GetTarget();
        s << "mode " << g_controlMode << ", help " << g_bShowHelp << ", hits " << g_bHitColors << ", looking at "
          << v.x << " " << v.y << " " << v.z << overlay.substr(overlay.find(L'\n'));
        for (const auto& state : device.renderStates)
            if (state.first == D3DRS_FILLMODE)
                s << " fill " << state.second;
        return s.str();
    };
    RenderFrame();
    for (int nMode : {CONTROL_SPHERE1, CONTROL_CAMERA})
        for (int nKey : {VK_TAB, VK_SHIFT, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, int('Z'), int('X'), int('W'), VK_F1, int('H'), VK_HOME, VK_LBUTTON})
            for (const auto& pause : pauses)
            {
                g_controlMode = nMode;
                device.renderStates.clear();
                RenderFrame();
                const std::wstring before = Scene();
                s_nKey = nKey;
                pause.second();
                device.renderStates.clear();
                RenderFrame();
                ASSERT_EQ(before, Scene()) << pause.first << ", key " << nKey << ", mode " << nMode;
            }
}

// The mouse in the picture's pixels, however large the client area: a click on
// sphere 2 selects it; dragged beyond the left edge it goes left, until the capture
// goes. The wheel acts in front over the client area; a click that activates is eaten.
TEST_F(MainWindow, TheMouseActsInThePicturesPixelsOnlyWhereMeant)
{
    SetWindowPos(g_hWnd, nullptr, 0, 0, 1400, 1100, SWP_NOMOVE | SWP_NOZORDER);
    RECT rc;
    GetClientRect(g_hWnd, &rc);
    const POINT onSphere2 = {LONG(397.5 * rc.right / 640), LONG(240.5 * rc.bottom / 480)};
    g_controlMode = CONTROL_CAMERA, PauseInput(), RenderFrame(), SendMouse(WM_LBUTTONDOWN, onSphere2), RenderFrame();
    EXPECT_EQ(CONTROL_SPHERE2, g_controlMode);
    SendMouse(WM_MOUSEMOVE, {-60, onSphere2.y}), RenderFrame(), ReleaseCapture();
    const D3DXVECTOR3 vDragged = *g_sphere2.GetCenter();
    SendMouse(WM_MOUSEMOVE, onSphere2), RenderFrame();
    EXPECT_TRUE(vDragged.x < -100 && vDragged == *g_sphere2.GetCenter()) << vDragged.x;
    for (int i = 0; i < 3; ++i) // beside the client area, over it, over it in the background
        platform.hForeground = i < 2 ? g_hWnd : GetDesktopWindow(),
        SendMouse(WM_MOUSEWHEEL, i ? onSphere2 : POINT{-5, 5}, MAKEWPARAM(0, WHEEL_DELTA));
    RenderFrame();
    EXPECT_EQ(51.0f, g_sphere2.GetRadius());
    EXPECT_EQ(MA_ACTIVATEANDEAT, SendMessageW(g_hWnd, WM_MOUSEACTIVATE, 0, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)));
    SendMouse(WM_LBUTTONDOWN, onSphere2), SendMessageW(g_hWnd, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(nullptr, GetCapture()) << "a drag lets the mouse go with the foreground";
    g_controlMode = CONTROL_CAMERA; // as a run starts, for the tests after
}

TEST_F(MainWindow, OtherCommandsChangeNothing)
{
    // Neither exit nor About: the default handling returns 0, the window stays
    // and no dialog opens (the driver would see it).
    DialogDriver driver({Message(WM_COMMAND, IDCANCEL)});
    for (WPARAM id : {WPARAM(0), WPARAM(1), WPARAM(2), WPARAM(103), WPARAM(106), WPARAM(109), WPARAM(0xFFFF)})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ(0, SendMessageW(g_hWnd, WM_COMMAND, id, 0));
        EXPECT_TRUE(IsWindow(g_hWnd));
    }
    EXPECT_TRUE(driver.seen.empty());

    // And the loop keeps running: only the bound ends it.
    EXPECT_EQ(99, RunLoopBounded());
    EXPECT_TRUE(IsWindow(g_hWnd));
}

// From the menu or (in the high word) an accelerator.
TEST_F(MainWindow, AboutCommandShowsModalBoxOwnedByMainWindow)
{
    for (WPARAM wParam : {WPARAM(ID_COMMAND_ABOUT), MAKEWPARAM(ID_COMMAND_ABOUT, 1)})
    {
        DialogDriver driver({Message(WM_COMMAND, IDOK)});
        EXPECT_EQ(0, SendMessageW(g_hWnd, WM_COMMAND, wParam, 0));
        ASSERT_EQ(1u, driver.seen.size());
        const DialogDriver::Seen& box = driver.seen[0];
        EXPECT_FALSE(driver.bWatchdogFired);
        EXPECT_EQ(ABOUT_CAPTION, box.caption);
        EXPECT_EQ(g_hWnd, box.hOwner);
        EXPECT_FALSE(box.bOwnerEnabled) << "the main window stays enabled under a modal box";
        EXPECT_EQ(L"OK", box.okText);
        EXPECT_FALSE(IsWindow(box.hDlg));
        EXPECT_TRUE(IsWindowEnabled(g_hWnd));
        EXPECT_TRUE(IsWindow(g_hWnd));
    }
}

// How the About box ends: DialogBoxParamW's result for what reaches the box.
struct AboutEnding
{
    const char* what;
    std::vector<MSG> posted;
    INT_PTR nResult;
};

class AboutBox : public testing::TestWithParam<AboutEnding>
{
};

TEST_P(AboutBox, Ends)
{
    DialogDriver driver(GetParam().posted);
    INT_PTR nResult =
        DialogBoxParamW(Module(), MAKEINTRESOURCEW(ID_DIALOG_ABOUT), nullptr, AboutDialogProc, 0);
    EXPECT_EQ(GetParam().nResult, nResult);
    ASSERT_EQ(1u, driver.seen.size());
    EXPECT_EQ(ABOUT_CAPTION, driver.seen[0].caption);
    DrainMessages();
}

INSTANTIATE_TEST_SUITE_P(
    Endings, AboutBox,
    testing::Values(AboutEnding{"OK", {Message(WM_COMMAND, IDOK)}, IDOK},
                    AboutEnding{"Cancel", {Message(WM_COMMAND, IDCANCEL)}, IDCANCEL},
                    AboutEnding{"OkFromAccelerator", {Message(WM_COMMAND, MAKEWPARAM(IDOK, 1))}, IDOK},
                    AboutEnding{"Enter", {Message(WM_KEYDOWN, VK_RETURN)}, IDOK},
                    AboutEnding{"Esc", {Message(WM_KEYDOWN, VK_ESCAPE)}, IDCANCEL},
                    AboutEnding{"CloseButton", {Message(WM_CLOSE, 0)}, IDCANCEL},
                    AboutEnding{"OtherCommandIgnored",
                                {Message(WM_COMMAND, 3), Message(WM_COMMAND, ID_COMMAND_EXIT),
                                 Message(WM_COMMAND, IDCANCEL)},
                                IDCANCEL}),
    [](const testing::TestParamInfo<AboutEnding>& info) { return std::string(info.param.what); });

// Each text of the About box fits its control, laid out as the static control
// lays it out: in the dialog's font, wrapped at the control's width.
TEST(AboutBoxLayout, EveryTextFitsItsControl)
{
    HWND hDlg = CreateDialogParamW(Module(), MAKEINTRESOURCEW(ID_DIALOG_ABOUT), nullptr, AboutDialogProc, 0);
    ASSERT_NE(nullptr, hDlg);
    int nTexts = 0;
    for (HWND hCtl = GetWindow(hDlg, GW_CHILD); hCtl; hCtl = GetWindow(hCtl, GW_HWNDNEXT))
    {
        const std::wstring text = WindowText(hCtl);
        const DWORD dwStyle = DWORD(GetWindowLongW(hCtl, GWL_STYLE));
        if (ClassName(hCtl) != L"Static" || (dwStyle & SS_TYPEMASK) == SS_ICON)
            continue;
        RECT rcClient, rcText;
        GetClientRect(hCtl, &rcClient);
        rcText = rcClient;
        HDC hdc = GetDC(hCtl);
        HGDIOBJ hOldFont = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageW(hCtl, WM_GETFONT, 0, 0)));
        DrawTextW(hdc, text.c_str(), -1, &rcText,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | ((dwStyle & SS_NOPREFIX) ? DT_NOPREFIX : 0));
        SelectObject(hdc, hOldFont);
        ReleaseDC(hCtl, hdc);
        EXPECT_TRUE(rcText.right <= rcClient.right && rcText.bottom <= rcClient.bottom)
            << "\"" << text << "\" needs " << rcText.right << " x " << rcText.bottom << " pixels in "
            << rcClient.right << " x " << rcClient.bottom;
        ++nTexts;
    }
    DestroyWindow(hDlg);
    EXPECT_EQ(2, nTexts);
}

TEST(AboutDialogProc, InitDialogLeavesFocusToSystemAndOtherMessagesAreUnhandled)
{
    EXPECT_EQ(TRUE, AboutDialogProc(nullptr, WM_INITDIALOG, 0, 0));
    EXPECT_EQ(FALSE, AboutDialogProc(nullptr, WM_PAINT, 0, 0));
    EXPECT_EQ(FALSE, AboutDialogProc(nullptr, WM_CLOSE, 0, 0));
    EXPECT_EQ(FALSE, AboutDialogProc(nullptr, WM_COMMAND, 3, 0));
}
