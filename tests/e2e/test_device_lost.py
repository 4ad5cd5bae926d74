#!/usr/bin/env python3
"""A lost Direct3D device comes back, and so does one whose driver fails, once
or for seconds; the test proxy d3d9.dll plays both (Wine does neither). While
lost the program draws nothing, asks the device about every 50 ms, and its
About box answers; attempts to make the device anew come at least a second
apart on the program's clock; the picture comes back at 60. Every device and
Direct3D object is released before the next is made, leaving no reference."""
import re
import statistics
import sys

from kelvane_run import BAND, BAND_RGB, LOST, Failure, Kelvane, run_test, say

PACE = 990  # ms at least between two attempts to make the device, on the program's clock
FAILING = 4  # Presents that fail in a row, on whichever device


def attempts_since(k, first):
    """The program's clock when it decided on each attempt to make a Direct3D
    object, from the FIRST-th attempt on, and the gaps between them."""
    made = [int(m[1]) for _, m in k.read().find(r"Direct3DCreate9 after the program's clock read (\d+)")[first:]]
    gaps = [b - a for a, b in zip(made, made[1:])]
    if len(gaps) < 2 or min(gaps) < PACE:
        raise Failure(f"attempts to make the device {gaps} ms apart: at least 2 gaps of {PACE} ms wanted")
    return gaps


def check_released(k):
    """Every device and Direct3D object was released with no reference left on
    its real object, each before the next of its kind was made."""
    alive = {"device": 0, "Direct3D": 0}
    for line in k.read().lines:
        if m := re.fullmatch(r"d3d9proxy: \d+ (?:(CreateDevice) answered 0x00000000|forwarding to .*)", line):
            kind = "device" if m[1] else "Direct3D"
            alive[kind] += 1
            if alive[kind] > 1:
                raise Failure(f"a {kind} object was made while the last one was still alive: {line}")
        elif m := re.fullmatch(r"d3d9proxy: \d+ (device|Direct3D)( object)? released.*, real count (\d+)(;.*)?", line):
            alive[m[1]] -= 1
            if m[3] != "0":
                raise Failure(f"a real object kept references after its release: {line}")
    if any(alive.values()):
        raise Failure(f"never released: {alive}")


def test(exe):
    k = Kelvane("device_lost", exe).start()
    real = k.wait_report(r"forwarding to (.*)")[1][1]
    if not real.lower().endswith("system32\\d3d9.dll"):
        raise Failure(f"the program does not draw through the proxy on the system's d3d9.dll: {real}")

    k.command("lose")
    k.wait_report(f"present 0x{LOST:08x}")
    k.open_about("alt+h", "a", drawing=False)
    k.close_about("Escape", drawing=False)
    say("PASS: with the device lost the About box opened and closed")

    k.command("restore")
    reset = k.wait_report(r"Reset answered (0x[0-9a-f]{8}) after \d+ questions; (.*)")[1]
    if reset[1] != "0x00000000" or reset[2] != "0 other calls while lost":
        raise Failure(f"after the loss: {reset[0]}")
    asked = [ms for ms, _ in k.log.find(r"question 0x[0-9a-f]{8}")]
    gaps = [b - a for a, b in zip(asked, asked[1:])]
    if len(gaps) < 2 or statistics.median(gaps) < 40:
        raise Failure(f"the lost device was asked {len(asked)} times, {gaps[:20]} ms apart")
    say(f"PASS: reset once it could be, after {len(asked)} questions a median "
        f"{statistics.median(gaps)} ms apart; nothing drawn or presented while lost")

    k.wait_frames(30, "frames after the Reset")
    k.wait_text("the overlay reads FPS 60/60 again", lambda t: t.startswith("FPS 60/60"))
    if (rgb := k.client("after-reset")(620, 450)) != (0, 0, 255):
        raise Failure(f"background colour after the Reset: {rgb}")
    say("PASS: after the Reset the real device draws the picture again (blue background) and reads FPS 60/60")

    # The help panel's texture is the device's: it must go with it and come back on the new one.
    k.keys("F1", effect=lambda: k.client("help")(*BAND) == BAND_RGB, what="show the help panel")
    first = k.read().count("Direct3DCreate9 .*")
    k.command("driver-error 2")
    k.wait_report("CreateDevice answered 0x00000000", 2)
    gaps = attempts_since(k, first)
    k.wait_frames(30, "frames on the new device")
    k.wait_text("the overlay reads FPS 60/60 on the new device", lambda t: t.startswith("FPS 60/60"))
    if k.log.count("CreateDevice refused: .*") != 2 or k.log.count("font 0x00000000 .*", "d3dx9proxy") != 2:
        raise Failure("the device was not made anew after two refusals, with a new font")
    if (old := k.log.find("device released.*")[-1][1][0]) != "device released, real count 0":
        raise Failure(f"the device went with the help panel shown: {old}")
    at = k.client("help-on-new-device")
    header = [at(x, y) for x in range(8, 632) for y in range(110, 130)]  # white on the band; the old device's is black
    if at(*BAND) != BAND_RGB or max(header)[0] < 255 or min(header, key=lambda rgb: rgb[2])[2] < 64:
        raise Failure(f"on the new device the help panel's band reads {at(*BAND)}, its header {sorted(set(header))}")
    say(f"PASS: after the driver error the device was made anew at the third attempt, {gaps} ms apart, with no "
        "reference left on the old one, and reads FPS 60/60 with the help panel's text shown again")

    first = k.read().count("Direct3DCreate9 .*")
    k.command(f"failing-driver {FAILING}")
    k.open_about("alt+h", "a", drawing=False)
    k.close_about("Escape", drawing=False)
    k.wait_frames(30, "frames once the driver works again")
    k.wait_text("the overlay reads FPS 60/60 once the driver works again", lambda t: t.startswith("FPS 60/60"))
    gaps = attempts_since(k, first)
    say(f"PASS: while {FAILING} Presents in a row failed the About box opened and closed, the device was made "
        f"anew {len(gaps) + 1} times, {gaps} ms apart, and reads FPS 60/60 again")

    k.command("lose")
    k.wait_report(f"present 0x{LOST:08x}", 2)
    k.close(drawing=False)
    if k.read().count("device released while lost, real count 0; 0 other calls while lost") != 1:
        raise Failure("the lost device was not released once, without being asked anything else")
    check_released(k)
    say(f"PASS: closed while lost: exit code 0; each of the {k.log.count('CreateDevice answered 0x00000000')} "
        f"devices and {k.log.count('forwarding to .*')} Direct3D objects was released before the next was made, "
        "its real object left with no reference")
    say("PASS: " + k.check_figures())


sys.exit(run_test(test))
