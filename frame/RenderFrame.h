// One frame: input, drawing, the overlay, presentation and pacing.
#pragma once

void RenderFrame();
