// What a failed start tells the user, in a message box: which step failed, why,
// in the system's words or by the error's name beside its number, and what to
// try. Each returns the exit code a script reads: 1 when the main window could
// not be made (its class or the window itself), 2 when Direct3D 9 could not be
// started, 4 when D3DX could not be loaded.
#pragma once

#include <windows.h>

// dwError: GetLastError of the failed RegisterClassExW or CreateWindowExW.
int ReportNoWindowClass(DWORD dwError);
int ReportNoWindow(DWORD dwError);
// hr: why no device could be made (CGraphics::GetCreateError).
int ReportNoDirect3D(HRESULT hr);
// dwError: what LoadD3DX answered.
int ReportNoD3DX(DWORD dwError);
