#include "app/Scene.h"

BOOL InitScene(HWND)
{
    return TRUE;
}

void ShutdownApplication()
{
}
