#!/usr/bin/env python3
"""While another window is in the foreground the program presents nothing: at
most the frame in flight and the next once the other window is active, and
none while the frame count stands still. Made the foreground window again, it
draws on without any other action, and its rate comes back to 60."""
import sys

from kelvane_run import Failure, Kelvane, run_test, say

STILL = 2.0  # seconds without a frame that count as stopped
IN_FLIGHT = 2  # frames that may still come after the other window is active


def test(exe):
    k = Kelvane("background", exe).start()
    with k.another_window_in_front():
        active = k.presents()
        stopped = k.wait_still(STILL)
        if k.presents() - active > IN_FLIGHT:
            raise Failure(f"{k.presents() - active} frames presented after the other window became active")
        say(f"PASS: in the background {stopped - active} frames came after the other window was active, "
            f"then none for {STILL} s")

    k.foreground()
    k.wait_text("the overlay reads FPS 60/60 again", lambda t: t.startswith("FPS 60/60"))
    say(f"PASS: back in front it drew again ({k.presents() - stopped} frames) and read FPS 60/60")
    k.close()
    say("PASS: " + k.check_figures())


sys.exit(run_test(test))
