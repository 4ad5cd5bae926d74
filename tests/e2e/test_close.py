#!/usr/bin/env python3
"""Closing the main window through the window manager ends the program with
exit code 0: once by a click on the caption's close box, once by Alt+F4."""
import re
import sys

from kelvane_run import Failure, Kelvane, run_test, say, tool, window_exists, xdotool


def close_box(wid):
    """The screen position of openbox's close box: the rightmost button of the
    title bar, which sits in the frame above the X window (_NET_FRAME_EXTENTS:
    left, right, top, bottom), about 12 px square, 11 px in from the right."""
    extents = tool("xprop", "-id", wid, "_NET_FRAME_EXTENTS")
    _, right, top, _ = (int(v) for v in re.findall(r"\d+", extents.split("=")[-1]))
    if top <= 0:
        raise Failure("the window manager gave the window no title bar")
    geometry = tool("xwininfo", "-id", wid)
    x, y, width = (int(re.search(rf"{name}: *(-?\d+)", geometry)[1])
                   for name in ("Absolute upper-left X", "Absolute upper-left Y", "Width"))
    return x + width + right - 11, y - top // 2


def test(exe):
    k = Kelvane("close", exe).start()
    x, y = close_box(k.wid)
    k.retry("the click on the close box", lambda: xdotool("mousemove", "--sync", x, y, "click", 1),
            lambda: not window_exists(k.wid), "close the main window", k.foreground)
    # The next window opens in the same place: a pointer left resting on its close
    # box keeps openbox's button in a hover state in which Alt+F4 can go unanswered.
    xdotool("mousemove", "--sync", 0, 0)
    k.finish("a click on the close box")
    say("PASS: the close box ended the program with exit code 0")

    k = Kelvane("close", exe).start()
    k.close()
    say("PASS: Alt+F4 ended the program with exit code 0")


sys.exit(run_test(test))
