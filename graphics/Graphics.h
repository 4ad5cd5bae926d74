// CGraphics: the Direct3D object and the one rendering device of the program,
// created for the main window, windowed, with a 16-bit depth buffer. It brackets
// every frame: BeginFrame clears, begins the scene and applies the current
// camera's view; EndFrame ends the scene and presents it.
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
    HRESULT EndFrame();

    // Not add-referenced; null while there is no device.
    IDirect3DDevice9* GetDevice() const { return m_pDevice; }
    void SetCamera(CCamera* pCamera) { m_pCamera = pCamera; }
    void SetClearColor(int r, int g, int b);

private:
    bool m_bCreated;
    IDirect3D9* m_pD3D;
    IDirect3DDevice9* m_pDevice;
    D3DCOLOR m_clearColor;
    CCamera* m_pCamera; // not owned
};
