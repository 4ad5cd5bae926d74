// Base of the cameras: eye point, look-at point and up direction, and the view
// transform built from them. Subclasses supply the per-frame step Update.
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

class CCamera
{
public:
    // All three vectors at the origin.
    CCamera();
    virtual ~CCamera();

    // One step per frame; the base camera stays where it is.
    virtual void Update();
    // Moves the eye point only; target and up keep their values until the next Update.
    virtual void SetPosition(const D3DXVECTOR3& vNewPosition);

    D3DXVECTOR3* GetPosition() { return &vPosition; }
    D3DXVECTOR3* GetTarget() { return &vTarget; }
    D3DXVECTOR3* GetUp() { return &vUp; }

    // Takes this frame's step, then hands the resulting left-handed view to the
    // device. Called once per frame: each call is one step.
    void ApplyView(IDirect3DDevice9* pDevice);
    // The left-handed view transform of where the camera is now, as ApplyView
    // hands it to the device: its columns are the view's right, up and ahead axes.
    D3DXMATRIX GetViewMatrix() const;

protected:
    D3DXVECTOR3 vPosition;
    D3DXVECTOR3 vTarget;
    D3DXVECTOR3 vUp;
};
