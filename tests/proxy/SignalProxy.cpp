// signal-proxy.exe: tells the device-loss proxy, loaded by the program under
// test, to take the next step of a loss. Exit code 1 when no proxy listens.
#include "ProxySignal.h"

#include <windows.h>

#include <cstdio>

int main()
{
    HANDLE hSignal = OpenEventW(EVENT_MODIFY_STATE, FALSE, PROXY_SIGNAL);
    if (!hSignal)
    {
        std::fprintf(stderr, "signal-proxy: no proxy d3d9.dll is listening\n");
        return 1;
    }
    SetEvent(hSignal);
    CloseHandle(hSignal);
    return 0;
}
