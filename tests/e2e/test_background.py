#!/usr/bin/env python3
"""While another window is in the foreground the program presents nothing; made
the foreground window again, it draws on without any other action, and its
rate comes back to 60."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from kelvane_run import Failure, Kelvane, run_test, say, wait, xdotool  # noqa: E402

STILL = 2.0  # seconds without a frame that count as stopped


def test(exe):
    k = Kelvane("background", exe).start()
    other = subprocess.Popen(["xmessage", "-name", "kelvane-e2e-other", "-title", "kelvane-e2e-other",
                              "another window"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        k.activate(wait("the other window",
                        lambda: xdotool("search", "--onlyvisible", "--name", "^kelvane-e2e-other$").split())[0])
        # The frame in flight when the foreground moved may still be presented.
        last = [k.presents(), time.monotonic()]

        def stopped():
            if k.presents() != last[0]:
                last[:] = [k.presents(), time.monotonic()]
            return time.monotonic() - last[1] >= STILL
        wait(f"the frame count stops for {STILL} s with another window in front", stopped)
        say(f"PASS: in the background the frame count stopped at {last[0]} and stayed for {STILL} s")
    finally:
        other.kill()
        other.wait()

    k.foreground()
    k.wait_text("the overlay reads FPS 60/60 again", lambda t: t.startswith("FPS 60/60"))
    say(f"PASS: back in front it drew again ({k.presents() - last[0]} frames) and read FPS 60/60")
    code = k.close()
    if code != 0:
        raise Failure(f"exit code {code} after Alt+F4")
    say("PASS: " + k.check_rates())


sys.exit(run_test(test))
