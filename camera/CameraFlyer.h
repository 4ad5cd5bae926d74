// The camera flown with the keyboard: arrows turn it (or slide it with SHIFT),
// Z and X move it forward and back, one step per frame.
#pragma once

#include "camera/Camera.h"

class CCameraFlyer : public CCamera
{
public:
    // Level, looking along +z, up (0, 1, 0), keyboard on.
    CCameraFlyer();
    ~CCameraFlyer() override;

    // One step of keyboard flight; rewrites the look-at point one unit ahead of
    // the eye point even when the keyboard is off.
    void Update() override;
    // Heading and elevation back to 0 and up to (0, 1, 0), as built: from its
    // next Update it looks along +z again. The eye point stays.
    void ResetOrientation();
    // Moves the eye point fDistance along the heading (back when negative), as Z
    // and X do a unit a frame; the look-at point follows at the next Update.
    void MoveForward(float fDistance);

    // Keyboard control on; the frame switches it every frame.
    bool bActive;

protected:
    // The unit vector of the heading and elevation.
    D3DXVECTOR3 GetForward() const;

    float fYaw;   // heading in radians, 0 along +z, positive towards +x; never wrapped
    float fPitch; // elevation in radians, positive looks up; never clamped

    int nKeyLeft;
    int nKeyRight;
    int nKeyUp;
    int nKeyDown;
    int nKeyForward;
    int nKeyBackward;
    int nKeyShift;
};

extern CCameraFlyer g_cameraFlyer;
