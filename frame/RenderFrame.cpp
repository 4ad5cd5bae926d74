#include "frame/RenderFrame.h"

#include "app/Platform.h"

void RenderFrame()
{
    g_platform.Sleep(16);
}
