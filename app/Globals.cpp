// The program's global objects. They live in this one file because only within
// one translation unit does C++ fix their order of construction (and, in reverse,
// of destruction).
#include "timing/FrameRate.h"
#include "timing/TimeSource.h"
#include "timing/Timer.h"

// (the two cameras go here)
CFrameRate g_frameRate;
// (the two spheres go here)
static CTimeSourceInit s_timeSourceProbe1;
static CTimeSourceInit s_timeSourceProbe2;
std::set<CTimer*> TimerRegistry;
