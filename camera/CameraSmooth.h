// The camera the scene is seen through: it steps the camera it follows, then
// closes a quarter of the remaining distance to it each frame.
#pragma once

#include "camera/Camera.h"

class CCameraSmooth : public CCamera
{
public:
    // Follows nothing until SetFollowed.
    CCameraSmooth();
    ~CCameraSmooth() override;

    // The camera to trail; not owned. Its Update is called from ours, so nothing
    // else may step it.
    void SetFollowed(CCamera* pCamera);

    // Steps the followed camera once, then copies it (first step) or blends towards it.
    void Update() override;
    // Forgets the view it has blended so far: its next Update lands exactly on
    // the followed camera, as its first one does, with no glide.
    void Restart();

protected:
    CCamera* pFollowed;
};

extern CCameraSmooth g_cameraSmooth;
