#include "graphics/Graphics.h"

#include "camera/Camera.h"
#include "graphics/Direct3DApi.h"

CGraphics::CGraphics()
    : m_bCreated(false), m_pD3D(nullptr), m_pDevice(nullptr), m_clearColor(0xFF000000), m_pCamera(nullptr),
      m_bLost(false), m_bBroken(false), m_hWnd(nullptr), m_hrCreate(S_OK)
{
    ZeroMemory(&m_d3dpp, sizeof(m_d3dpp));
}

HRESULT CGraphics::Create(HWND hWnd) { return CreateSized(hWnd, 0, 0); }

HRESULT CGraphics::CreateSized(HWND hWnd, UINT nWidth, UINT nHeight)
{
    if (m_bCreated)
        return S_OK;

    m_hWnd = hWnd;
    m_pD3D = g_direct3d.Direct3DCreate9(D3D_SDK_VERSION);
    if (!m_pD3D)
    {
        m_hrCreate = E_NO_DIRECT3D_OBJECT;
        return E_FAIL;
    }

    // Windowed: zero sizes take the client area's, and the format is the display
    // mode's. The device writes what it chose into the record it is given, so it
    // gets a copy.
    ZeroMemory(&m_d3dpp, sizeof(m_d3dpp));
    m_d3dpp.BackBufferWidth = nWidth;
    m_d3dpp.BackBufferHeight = nHeight;
    m_d3dpp.Windowed = TRUE;
    m_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_d3dpp.EnableAutoDepthStencil = TRUE;
    m_d3dpp.AutoDepthStencilFormat = D3DFMT_D16;
    D3DPRESENT_PARAMETERS d3dpp = m_d3dpp;

    m_hrCreate = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hWnd,
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3dpp, &m_pDevice);
    if (FAILED(m_hrCreate))
    {
        // The caller sees E_FAIL; GetCreateError keeps the device's own reason.
        m_pDevice = nullptr;
        m_pD3D->Release();
        m_pD3D = nullptr;
        return E_FAIL;
    }
    // A Reset keeps the back buffer the device chose now, whatever size the window
    // has by then; the rest stays as asked (the format follows the display mode).
    m_d3dpp.BackBufferWidth = d3dpp.BackBufferWidth;
    m_d3dpp.BackBufferHeight = d3dpp.BackBufferHeight;

    SetStartStates();
    m_bCreated = true;
    m_bLost = false;
    m_bBroken = false;
    return S_OK;
}

// The only render states that hold for the whole run; the frame sets the rest.
// A Reset forgets them, so they are set again after one.
void CGraphics::SetStartStates()
{
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_pDevice->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
}

void CGraphics::Destroy()
{
    if (!m_bCreated)
        return;
    // The device before the object that made it.
    if (m_pDevice)
    {
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    if (m_pD3D)
    {
        m_pD3D->Release();
        m_pD3D = nullptr;
    }
    m_bCreated = false;
}

HRESULT CGraphics::BeginFrame()
{
    if (!m_bCreated)
        return E_FAIL;

    HRESULT hr = m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, m_clearColor, 1.0f, 0);
    if (FAILED(hr))
        return hr;
    hr = m_pDevice->BeginScene();
    if (FAILED(hr))
        return hr;

    // The camera steps once per frame, inside the scene, before anything is drawn.
    if (m_pCamera)
        m_pCamera->ApplyView(m_pDevice);
    return S_OK;
}

HRESULT CGraphics::EndFrame()
{
    if (!m_bCreated)
        return E_FAIL;
    m_pDevice->EndScene();
    HRESULT hr = m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    if (hr == D3DERR_DEVICELOST)
        m_bLost = true;
    CheckDriverError(hr);
    return hr;
}

HRESULT CGraphics::TestDevice()
{
    if (!m_bCreated)
        return E_FAIL;
    HRESULT hr = m_pDevice->TestCooperativeLevel();
    m_bLost = FAILED(hr);
    CheckDriverError(hr);
    return hr;
}

HRESULT CGraphics::ResetDevice()
{
    if (!m_bCreated)
        return E_FAIL;
    // A copy again: Reset writes into the record too.
    D3DPRESENT_PARAMETERS d3dpp = m_d3dpp;
    HRESULT hr = m_pDevice->Reset(&d3dpp);
    if (FAILED(hr))
    {
        // Lost again: the next chance comes. Short of memory, refused or a driver
        // error, the Reset would fail the same way every time: a new device.
        if (hr != D3DERR_DEVICELOST)
            m_bBroken = true;
        return hr;
    }
    SetStartStates();
    m_bLost = false;
    return S_OK;
}

HRESULT CGraphics::Recreate()
{
    // The new device keeps the first one's back buffer, like a Reset: the picture
    // does not change its scale with the window's size at the time of the failure.
    const UINT nWidth = m_d3dpp.BackBufferWidth;
    const UINT nHeight = m_d3dpp.BackBufferHeight;
    Destroy();
    return CreateSized(m_hWnd, nWidth, nHeight);
}

// The driver failed, or the adapter was removed (a driver update, an external
// adapter unplugged): the device answers nothing sensible any more, so only a new
// one helps, whatever TestCooperativeLevel says next.
void CGraphics::CheckDriverError(HRESULT hr)
{
    if (hr == D3DERR_DRIVERINTERNALERROR || hr == D3DERR_DEVICEREMOVED)
    {
        m_bLost = true;
        m_bBroken = true;
    }
}

void CGraphics::SetClearColor(int r, int g, int b)
{
    m_clearColor = 0xFF000000 | (DWORD(r) & 0xFF) << 16 | (DWORD(g) & 0xFF) << 8 | (DWORD(b) & 0xFF);
}
