#!/usr/bin/env python3
"""A lost Direct3D device comes back, and so does one whose driver failed. Wine
does not lose a windowed device by itself, so the test proxy d3d9.dll plays it
on command: Present and TestCooperativeLevel answer D3DERR_DEVICELOST, then
TestCooperativeLevel D3DERR_DEVICENOTRESET until a Reset. While the device is
lost the program draws and presents nothing, and its About box still opens and
closes; once it can, it resets the device and draws on, its rate back at 60.
When Present answers D3DERR_DRIVERINTERNALERROR and the next two devices cannot
be made, the program makes the device anew once a second until it can, and the
picture comes back at 60. Lost once more, it closes at once with exit code 0,
every device and Direct3D object released once."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from kelvane_run import DRIVER_ERROR, LOST, Failure, Kelvane, run_test, say  # noqa: E402


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

    k.command("driver-error 2")
    k.wait_log(f"present 0x{DRIVER_ERROR:08x}")
    k.wait_log("CreateDevice answered 0x00000000", 2)
    attempts = [int(line.split()[1]) for line in k.read().lines if line.startswith("d3d9proxy: ")
                and "CreateDevice" in line]
    k.wait_frames(30, "frames on the new device")
    k.wait_text("the overlay reads FPS 60/60 on the new device", lambda t: t.startswith("FPS 60/60"))
    if k.log.count("CreateDevice refused") != 2 or k.log.count("font 0x00000000") != 2:
        raise Failure("the device was not made anew after two refusals, with a new font")
    say("PASS: after the driver error the device was made anew at the third attempt, "
        f"{attempts[-2] - attempts[-3]} and {attempts[-1] - attempts[-2]} ms apart, and reads FPS 60/60")
    say("PASS: " + k.check_rates())

    k.command("lose")
    k.wait_log(f"present 0x{LOST:08x}", 2)
    if k.close(drawing=False) != 0:
        raise Failure(f"exit code {k.exit_code} after closing the window with the device lost")
    counts = [k.read().count(what) for what in ("device released while lost; 0 other calls while lost",
                                                "device released", "CreateDevice answered 0x00000000",
                                                "Direct3D object released", "forwarding to")]
    if counts[0] != 1 or counts[1] != counts[2] or counts[3] != counts[4]:
        raise Failure("devices released (while lost) / made, Direct3D objects released / made: {} ({}) / {}, {} / {}"
                      .format(counts[1], counts[0], counts[2], counts[3], counts[4]))
    say(f"PASS: closed while lost: exit code 0, each of the {counts[2]} devices and {counts[4]} Direct3D objects "
        "released once")


sys.exit(run_test(test))
