#include "camera/Camera.h"

#include "graphics/Direct3DApi.h"

CCamera::CCamera() : vPosition(0.0f, 0.0f, 0.0f), vTarget(0.0f, 0.0f, 0.0f), vUp(0.0f, 0.0f, 0.0f) {}

CCamera::~CCamera() {}

void CCamera::Update() {}

void CCamera::SetPosition(const D3DXVECTOR3& vNewPosition) { vPosition = vNewPosition; }

void CCamera::ApplyView(IDirect3DDevice9* pDevice)
{
    // Through the virtual table, so the most derived camera takes its step.
    Update();

    const D3DXMATRIX matView = GetViewMatrix();
    pDevice->SetTransform(D3DTS_VIEW, &matView);
}

D3DXMATRIX CCamera::GetViewMatrix() const
{
    D3DXMATRIX matView;
    g_direct3d.D3DXMatrixLookAtLH(&matView, &vPosition, &vTarget, &vUp);
    return matView;
}
