#!/usr/bin/env python3
"""One run through the main window: it comes up titled "kelvane" with a
640 x 480 client area, the Help menu and both accelerators open the About box,
every way of closing the box gives the foreground back to the main window, and
File, Exit ends the program with exit code 0."""
import re
import sys

from kelvane_run import Failure, Kelvane, run_test, say, tool


def client_size(k):
    """The Win32 client area of the main window, as the program itself sees it.

    The X window alone does not tell: openbox frames it from outside, but Wine
    draws the menu bar inside it, in the colour of the empty client area. Wine's
    x11drv channel records the Win32 window of each X window it creates and, for
    every move or resize, the window and client rectangles: the last of those is
    the client area. The X window is checked against it: as wide, and taller by
    the menu bar only."""
    lines = k.read().lines
    hwnd = [m[1] for line in lines if (m := re.search(rf"create_win_data win (0x[0-9a-f]+)/{int(k.wid):x} ", line))]
    if not hwnd:
        raise Failure(f"no x11drv record of X window {int(k.wid):x}")
    rect = rf"WindowPosChanged win {hwnd[-1]} window .* client \((-?\d+),(-?\d+)\)-\((-?\d+),(-?\d+)\)"
    rects = [m.groups() for line in lines if (m := re.search(rect, line))]
    if not rects:
        raise Failure(f"no client rectangle of window {hwnd[-1]}")
    left, top, right, bottom = map(int, rects[-1])
    geometry = tool("xwininfo", "-id", k.wid)
    width, height = (int(re.search(rf"{name}: *(\d+)", geometry)[1]) for name in ("Width", "Height"))
    if width != right - left or height <= bottom - top:
        raise Failure(f"X window {width} x {height}, client area {right - left} x {bottom - top}")
    return right - left, bottom - top


def test(exe):
    k = Kelvane("main_window", exe, winedebug="+x11drv").start()
    size = client_size(k)
    if size != (640, 480):
        raise Failure(f"client area {size[0]} x {size[1]}")
    say("PASS: the window \"kelvane\" appeared with a client area of 640 x 480")

    for keys, closing in ((("alt+h", "a"), "Escape"), (("alt+h", "a"), "Return"), (("alt+question",), "Escape"),
                          (("alt+slash",), "Escape")):
        k.open_about(*keys)
        k.close_about(closing)
        say(f"PASS: \"{' '.join(keys)}\" opened the About box, {closing} closed it and the main window draws again")

    k.exit()
    say("PASS: Alt+F, X ended the program with exit code 0")


sys.exit(run_test(test))
