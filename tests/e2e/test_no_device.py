#!/usr/bin/env python3
"""When no Direct3D device can be made, the program says so in a message box
titled "kelvane", shows no window of its own and, once the box is closed, ends
with exit code 2. The test proxy d3d9.dll refuses every device with
D3DERR_NOTAVAILABLE, as a machine without a usable 3D driver does, and reports
what the program hands MessageBoxW: the box's owner, style (an error icon and
OK), caption and text."""
import sys

from kelvane_run import Failure, Kelvane, run_test, say, wait, xdotool

BOX = ('owner 0 type 0x00000010 caption "kelvane" text "Direct3D 9 could not be started: D3DERR_NOTAVAILABLE '
       '(0x8876086A).\\n\\nCheck that the graphics driver is installed and up to date. In a remote desktop session or '
       'a virtual machine, 3D acceleration may be missing."')


def test(exe):
    k = Kelvane("no_device", exe, env={"KELVANE_PROXY_CREATE_DEVICE": "0x8876086A"})
    box = k.wait_window("kelvane")
    shown = xdotool("search", "--all", "--onlyvisible", "--pid", k.pid, "--name", ".*").split()
    if shown != [box]:
        raise Failure(f"windows shown besides the message box: {shown}")
    if (said := k.wait_report("MessageBoxW (.*)")[1][1]) != BOX:
        raise Failure(f"the message box: {said}")
    say("PASS: the only window shown is a message box titled \"kelvane\" with an error icon that says why and what "
        "to check")

    k.keys("Return", effect=lambda: not k.running(), what="close the message box and end the program",
           target=lambda: k.activate(box) if k.window("kelvane") else None)
    k.finish("the message box", 2)
    say("PASS: Enter closed the box and the program ended with exit code 2")


sys.exit(run_test(test))
