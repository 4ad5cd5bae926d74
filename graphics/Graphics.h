// CGraphics: the Direct3D object and the one rendering device of the program,
// created for the main window, windowed, with a 16-bit depth buffer. It brackets
// every frame: BeginFrame clears, begins the scene and applies the current
// camera's view; EndFrame ends the scene and presents it.
//
// The device can be lost (a display-mode change, another program in exclusive
// full screen, a driver reset, a remote-desktop session): Present then reports it,
// and only a Reset brings it back, once TestDevice says it can be reset.
#pragma once

#include <d3d9.h>

class CCamera;

class CGraphics
{
public:
    CGraphics();

    HRESULT Create(HWND hWnd);
    void Destroy();

    HRESULT BeginFrame();
    // Present's result; D3DERR_DEVICELOST also marks the device lost.
    HRESULT EndFrame();

    // True from a Present that reported the device lost until it works again.
    bool IsLost() const { return m_bLost; }
    // Asks the device whether it can draw: D3DERR_DEVICELOST while it cannot,
    // D3DERR_DEVICENOTRESET once it can be reset, D3D_OK when it works as it is.
    HRESULT TestDevice();
    // Resets the device with the presentation parameters it was created with and
    // sets the start-up render states again. What lives in the default pool must
    // have been released first. On failure the device stays lost.
    HRESULT ResetDevice();

    // Not add-referenced; null while there is no device.
    IDirect3DDevice9* GetDevice() const { return m_pDevice; }
    void SetCamera(CCamera* pCamera) { m_pCamera = pCamera; }
    void SetClearColor(int r, int g, int b);

private:
    void SetStartStates();

    bool m_bCreated;
    bool m_bLost;
    IDirect3D9* m_pD3D;
    IDirect3DDevice9* m_pDevice;
    D3DCOLOR m_clearColor;
    CCamera* m_pCamera;            // not owned
    D3DPRESENT_PARAMETERS m_d3dpp; // as given to CreateDevice, for Reset
};
