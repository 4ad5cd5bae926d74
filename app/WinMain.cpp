// kelvane: two spheres, their bounding boxes and the answers of the overlap and
// intersection tests, live.
#include "app/Application.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow)
{
    return RunApplication(hInstance, nCmdShow);
}
