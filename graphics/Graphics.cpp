#include "graphics/Graphics.h"

#include "camera/Camera.h"
#include "graphics/Direct3DApi.h"

CGraphics::CGraphics()
    : m_bCreated(false), m_pD3D(nullptr), m_pDevice(nullptr), m_clearColor(0xFF000000), m_pCamera(nullptr)
{
}

HRESULT CGraphics::Create(HWND hWnd)
{
    if (m_bCreated)
        return S_OK;

    m_pD3D = g_direct3d.Direct3DCreate9(D3D_SDK_VERSION);
    if (!m_pD3D)
        return E_FAIL;

    // Windowed: the back buffer takes the client area's size and format.
    D3DPRESENT_PARAMETERS d3dpp;
    ZeroMemory(&d3dpp, sizeof(d3dpp));
    d3dpp.Windowed = TRUE;
    d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    d3dpp.EnableAutoDepthStencil = TRUE;
    d3dpp.AutoDepthStencilFormat = D3DFMT_D16;

    if (FAILED(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hWnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                    &d3dpp, &m_pDevice)))
    {
        m_pDevice = nullptr;
        m_pD3D->Release();
        m_pD3D = nullptr;
        return E_FAIL;
    }

    // The only render states that hold for the whole run; the frame sets the rest.
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_pDevice->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);

    m_bCreated = true;
    return S_OK;
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
    return m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

void CGraphics::SetClearColor(int r, int g, int b)
{
    m_clearColor = 0xFF000000 | (DWORD(r) & 0xFF) << 16 | (DWORD(g) & 0xFF) << 8 | (DWORD(b) & 0xFF);
}
