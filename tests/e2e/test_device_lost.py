#!/usr/bin/env python3
"""A lost Direct3D device comes back. Wine does not lose a windowed device by
itself, so the test proxy d3d9.dll plays the loss on command: Present and
TestCooperativeLevel answer D3DERR_DEVICELOST, then TestCooperativeLevel
D3DERR_DEVICENOTRESET until a Reset. While the device is lost the program draws
and presents nothing, and its About box still opens and closes; once it can, it
resets the device and draws on, its rate back at 60. Lost a second time, it
closes at once with exit code 0 and releases the device and the Direct3D object
once each."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from kelvane_run import LOST, Failure, Kelvane, run_test, say  # noqa: E402


def test(exe):
    k = Kelvane("device_lost", exe).start()
    if "system32\\d3d9.dll" not in k.wait_log("d3d9proxy: ", 1):
        raise Failure("the program does not draw through the proxy on the system's d3d9.dll")

    k.command("lose")
    k.wait_log(f"present 0x{LOST:08x}")
    k.open_about("alt+h", "a", drawing=False)
    k.close_about("Escape", drawing=False)
    say("PASS: with the device lost the About box opened and closed")

    k.command("restore")
    reset = k.wait_log("Reset answered")
    if " answered 0x00000000 " not in reset or not reset.endswith("; 0 other calls while lost"):
        raise Failure(f"after the loss: {reset}")
    # A few seconds lost, a question every 50 ms or so: a busy loop would ask thousands of times.
    questions = int(reset.split(" after ")[1].split()[0])
    if questions >= 500:
        raise Failure(f"the lost device was asked {questions} times")
    say(f"PASS: reset once it could be, after {questions} questions; nothing drawn or presented while lost")

    k.wait_frames(30, "frames after the Reset")
    k.wait_text("the overlay reads FPS 60/60 again", lambda t: t.startswith("FPS 60/60"))
    corner = k.screenshot(os.path.join(k.folder, "after-reset.png"))
    rgb = subprocess.run(["convert", corner, "-format", "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]",
                          "-crop", "1x1+620+470", "info:"], capture_output=True, text=True).stdout
    if rgb != "0,0,255":
        raise Failure(f"background colour after the Reset: {rgb}")
    say("PASS: after the Reset the real device draws the picture again (blue background) and reads FPS 60/60")
    say("PASS: " + k.check_rates())

    k.command("lose")
    k.wait_log(f"present 0x{LOST:08x}", 2)
    if k.close(drawing=False) != 0:
        raise Failure(f"exit code {k.exit_code} after closing the window with the device lost")
    released = (k.read().count("device released while lost; 0 other calls while lost"),
                k.log.count("Direct3D object released"))
    if released != (1, 1):
        raise Failure(f"device and Direct3D object released {released[0]} and {released[1]} times")
    say("PASS: closed while lost: exit code 0, the device and the Direct3D object released once each")


sys.exit(run_test(test))
