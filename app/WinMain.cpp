// kelvane: two spheres, their bounding boxes and the answers of the overlap and
// intersection tests, live.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Scene.h"
#include "resources/resource.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow)
{
    LoadStringW(hInstance, ID_STRING_TITLE, g_title, 100);
    LoadStringW(hInstance, ID_MAIN, g_windowClass, 100);
    RegisterMainWindowClass(hInstance);

    // Every start-up failure ends quietly with exit code 0.
    if (!InitApplication(hInstance, nCmdShow))
        return 0;

    // Alt+? and Alt+/ open the About box, as the accelerator table says.
    HACCEL hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(ID_MAIN));
    int exitCode = RunMessageLoop(hAccel);

    ShutdownApplication();
    return exitCode;
}
