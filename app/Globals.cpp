// The program's global objects. They live in this one file because only within
// one translation unit does C++ fix their order of construction (and, in reverse,
// of destruction).
#include "camera/CameraFlyer.h"
#include "camera/CameraSmooth.h"
#include "collision/CollisionSphere.h"
#include "timing/FrameRate.h"
#include "timing/TimeSource.h"
#include "timing/Timer.h"

CCameraSmooth g_cameraSmooth;
CCameraFlyer g_cameraFlyer;
CFrameRate g_frameRate; // built before the clock is probed; start-up sets the rate again
CCollisionSphere g_sphere1;
CCollisionSphere g_sphere2;
static CTimeSourceInit s_timeSourceProbe1;
static CTimeSourceInit s_timeSourceProbe2;
std::set<CTimer*> TimerRegistry;
