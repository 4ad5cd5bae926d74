// The program's global objects. They live in this one file because only within
// one translation unit does C++ fix their order of construction (and, in reverse,
// of destruction).
#include "camera/CameraFlyer.h"
#include "camera/CameraSmooth.h"
#include "collision/CollisionSphere.h"

CCameraSmooth g_cameraSmooth;
CCameraFlyer g_cameraFlyer;
// (the frame-rate controller goes here)
CCollisionSphere g_sphere1;
CCollisionSphere g_sphere2;
