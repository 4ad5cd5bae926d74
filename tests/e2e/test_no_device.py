#!/usr/bin/env python3
"""When no Direct3D device can be made, or D3DX cannot be loaded, the program
says so in a message box titled "kelvane", shows no window of its own and,
once the box is closed, ends with exit code 2, or 4 for D3DX. The test proxy
d3d9.dll refuses every device with D3DERR_NOTAVAILABLE, as a machine without a
usable 3D driver does; without D3DX (Wine's own turned off, the test proxy
with it) the program is as on a Windows that never had it installed. The
proxy reports what the program hands MessageBoxW: the box's owner, style (an
error icon and OK), caption and text."""
import sys

from kelvane_run import Failure, Kelvane, run_test, say, xdotool

BOX = ('owner 0 type 0x00000010 caption "kelvane" text "Direct3D 9 could not be started: D3DERR_NOTAVAILABLE '
       '(0x8876086A).\\n\\nCheck that the graphics driver is installed and up to date. In a remote desktop session or '
       'a virtual machine, 3D acceleration may be missing."')
NO_D3DX = ('owner 0 type 0x00000010 caption "kelvane" text "The D3DX 9 library d3dx9_43.dll could not be loaded: '
           'Module not found (error 126).\\n\\nWindows does not include it: Microsoft\'s DirectX End-User Runtime '
           '(June 2010) installs it. Search Microsoft\'s Download Center for \\"DirectX End-User Runtime Web '
           'Installer\\", run it, and start kelvane again."')


def test(exe):
    for name, code, box, how in (("no_device", 2, BOX, {"env": {"KELVANE_PROXY_CREATE_DEVICE": "0x8876086A"}}),
                                 ("no_d3dx", 4, NO_D3DX, {"missing": ("d3dx9_43",)})):
        k = Kelvane(name, exe, **how)
        shown_box = k.wait_window("kelvane")
        shown = xdotool("search", "--all", "--onlyvisible", "--pid", k.pid, "--name", ".*").split()
        if shown != [shown_box]:
            raise Failure(f"{name}: windows shown besides the message box: {shown}")
        if (said := k.wait_report("MessageBoxW (.*)")[1][1]) != box:
            raise Failure(f"{name}: the message box: {said}")
        say(f"PASS: {name}: the only window shown is a message box titled \"kelvane\" with an error icon that says "
            "why and what to do")

        k.keys("Return", effect=lambda: not k.running(), what="close the message box and end the program",
               target=lambda: k.activate(shown_box) if k.window("kelvane") else None)
        k.finish("the message box", code)
        say(f"PASS: {name}: Enter closed the box and the program ended with exit code {code}")


sys.exit(run_test(test))
