#!/usr/bin/env python3
"""Keys pressed where the frames do not poll act on nothing when they resume:
the program's keys typed into another program (Wine's Notepad, whose F1 asks
for its help file), and the menus opened with Alt+H and Alt+F, walked with the
arrows and closed. Sphere 1 stays selected and where it was, and the picture
shows neither the help panel nor the hit colours."""
import os
import subprocess
import sys

from kelvane_run import ROOT, Failure, Kelvane, run_test, say, wait, xdotool

TYPED = ("w", "h", "y", "space", "h", "e", "l", "l", "o", "Home", "Tab", "Left", "Up", "z", "x", "shift+Down", "F1")
SPHERE2 = ["sphere 50.00 16 16", "box 100.00 100.00 100.00"]  # what a frame draws while sphere 1 blinks


def unchanged(k, before, since, what):
    k.wait_frames(24, f"frames after {what}")
    texts, at = k.read().texts[since:], k.client(what.replace(" ", "-"))
    blinks = [t.meshes for t in texts if len(t.meshes) == 2]
    if {"\n".join(t.text.split("\n")[1:5]) for t in texts} != {before} or not blinks or \
            any(m != SPHERE2 for m in blinks) or at(600, 420) != (0, 0, 255) or at(397, 240)[0] <= at(397, 240)[1]:
        raise Failure(f"after {what}: {texts[-1].text!r}, blinking {blinks[:3]}, panel's corner {at(600, 420)}, "
                      f"sphere 2 {at(397, 240)}")
    say(f"PASS: after {what} sphere 1 is selected and where it was, with no help panel and no hit colours")


def test(exe):
    k = Kelvane("keys_elsewhere", exe).start()
    k.hold("Tab", k.drawn(lambda t: len(t.meshes) == 2), "sphere 1 blinks after TAB")
    k.hold("shift+Up", k.drawn(lambda t: "R=55.00\nSphere2" in t.text), "SHIFT+UP grows sphere 1 to 55")
    k.wait_frames(2)
    before = "\n".join(k.read().texts[-1].text.split("\n")[1:5])

    notepad = subprocess.Popen([os.path.join(ROOT, "scripts", "wine-run.sh"), "notepad"], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wid = wait("Notepad's window", lambda: xdotool("search", "--onlyvisible", "--name", "^Untitled - Notepad$"))
    try:
        k.activate(wid)
        xdotool("key", "--delay", "100", *TYPED)
        # No help file: the box that says so is closed, which ends the help viewer.
        k.activate(wait("Notepad's help box", lambda: xdotool("search", "--onlyvisible", "--name", "^ERROR$")))
        xdotool("key", "Escape")
        wait("Notepad is active again", lambda: xdotool("getactivewindow") == wid)
        since = len(k.read().texts)
        k.foreground()
        unchanged(k, before, since, "typing in Notepad")
    finally:
        os.kill(int(xdotool("getwindowpid", wid)), 9)
        notepad.wait()

    for keys in (("alt+h", "Escape", "Escape"), ("alt+f", "Down", "Down", "Escape", "Escape")):
        since = len(k.read().texts)
        k.keys(keys[0], effect=lambda: len(xdotool("search", "--onlyvisible", "--pid", k.pid).split()) > 1,
               what="open the menu", target=k.foreground)
        xdotool("key", "--delay", "200", *keys[1:])
        unchanged(k, before, since, " ".join(keys))
    k.exit()


sys.exit(run_test(test))
