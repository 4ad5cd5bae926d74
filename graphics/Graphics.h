// CGraphics: the Direct3D object and the one rendering device of the program,
// created for the main window, windowed, with a 16-bit depth buffer. It brackets
// every frame: BeginFrame clears, begins the scene and applies the current
// camera's view; EndFrame ends the scene and presents it.
//
// The device can be lost (a display-mode change, another program in exclusive
// full screen, a driver reset, a remote-desktop session): Present then reports it,
// and only a Reset brings it back, once TestDevice says it can be reset. When the
// driver itself fails (D3DERR_DRIVERINTERNALERROR), the adapter is gone
// (D3DERR_DEVICEREMOVED) or a Reset fails for any reason but another loss, no
// Reset helps: the device and the Direct3D object have to be made anew (Recreate).
#pragma once

#include <d3d9.h>

class CCamera;

// GetCreateError's answer when Direct3DCreate9 gave no object: a code of the
// program's own, which no Direct3D call returns.
const HRESULT E_NO_DIRECT3D_OBJECT = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200);

class CGraphics
{
public:
    CGraphics();

    HRESULT Create(HWND hWnd);
    void Destroy();
    // Why the last Create that failed did: CreateDevice's own code, or
    // E_NO_DIRECT3D_OBJECT when Direct3D 9 gave no object at all.
    HRESULT GetCreateError() const { return m_hrCreate; }

    HRESULT BeginFrame();
    // Present's result; D3DERR_DEVICELOST and the driver errors also mark the
    // device lost.
    HRESULT EndFrame();

    // True from a Present that reported the device lost until it works again.
    bool IsLost() const { return m_bLost; }
    // True from a driver error or a failed Reset until a Recreate succeeds; the
    // device is lost too.
    bool IsBroken() const { return m_bBroken; }
    // Asks the device whether it can draw: D3DERR_DEVICELOST while it cannot,
    // D3DERR_DEVICENOTRESET once it can be reset, D3D_OK when it works as it is.
    HRESULT TestDevice();
    // Resets the device with the presentation parameters it was created with and
    // sets the start-up render states again. What lives in the default pool must
    // have been released first. On failure the device stays lost, and is broken
    // unless the failure was another loss.
    HRESULT ResetDevice();
    // Destroys the device and the Direct3D object and creates both again for the
    // same window, with the back buffer's size of the first creation. Everything
    // made on the old device must have been released first. While it fails there
    // is no device, and the wrapper stays lost and broken (neither Destroy nor a
    // failed Create changes that).
    HRESULT Recreate();

    // Not add-referenced; null while there is no device.
    IDirect3DDevice9* GetDevice() const { return m_pDevice; }
    // The window the device was created for.
    HWND GetWindow() const { return m_hWnd; }
    void SetCamera(CCamera* pCamera) { m_pCamera = pCamera; }
    void SetClearColor(int r, int g, int b);

private:
    // Create with the back buffer's size; 0 takes the client area's.
    HRESULT CreateSized(HWND hWnd, UINT nWidth, UINT nHeight);
    void SetStartStates();
    // Notes a driver error in the answer of Present or TestCooperativeLevel.
    void CheckDriverError(HRESULT hr);

    bool m_bCreated;
    IDirect3D9* m_pD3D;
    IDirect3DDevice9* m_pDevice;
    D3DCOLOR m_clearColor;
    CCamera* m_pCamera; // not owned
    bool m_bLost;
    bool m_bBroken;
    HWND m_hWnd;
    HRESULT m_hrCreate;
    // As given to CreateDevice, with the back buffer's size the device chose, for Reset.
    D3DPRESENT_PARAMETERS m_d3dpp;
};
