#!/usr/bin/env python3
"""The status overlay as the program draws it: the start text, the measured
rate reaching the target and agreeing with the frame times, and the answers
flipping exactly where the keyboard moves sphere 1 clear of sphere 2, then its
radius growing to 100 and no further. Then the additions: Home brings the
start's spheres back, H colours the hits and F1 shows the help panel, as a
screenshot sees them; a click on sphere 2 selects it, a drag moves it as far as
the projection gives, three wheel notches make R=53, and a click and drag that
bring the window back from behind another window change nothing."""
import math
import os
import sys

from kelvane_run import BAND, BAND_RGB, VOLUMES, Failure, Kelvane, hit_colours, parse_overlay, run_test, say, wait

START = ("FPS 00/60  CPU 000%\nSphere1 (-40.00, 0.00, 0.00) R=50.00\n"
         "Sphere2 (40.00, 0.00, 0.00) R=50.00\nAABB true\nCollision true\n")


def test(exe):
    # Nothing activates the window but the window manager, which gives the focus to
    # every new normal window: the program draws in the foreground it gets.
    k = Kelvane(os.environ.get("KELVANE_TEST_NAME", "overlay"), exe).start(activate=False)
    k.wait_text("the overlay reads FPS 60/60", lambda t: t.startswith("FPS 60/60  CPU "))
    if k.read().texts[0].text != START:
        raise Failure(f"the first overlay reads {k.log.texts[0].text!r}")
    say("PASS: the first overlay reads the five start lines; later ones reach FPS 60/60")

    # TAB selects sphere 1, which then blinks: a frame draws only the other sphere and box.
    k.hold("Tab", k.drawn(lambda t: len(t.meshes) == 2), "sphere 1 blinks after TAB")
    # LEFT moves it one unit a frame along the camera's side axis; the boxes
    # only touch at x = -60, and the spheres just touch there too.
    apart = k.hold("Left", k.drawn(lambda t: "AABB false" in t.text), "LEFT moves sphere 1 until AABB reads false")
    texts = k.read().texts
    before = parse_overlay(texts[texts.index(apart) - 1].text)
    after = parse_overlay(apart.text)
    if (before["sphere1"], before["aabb"], before["collision"]) != ((-59, 0, 0), True, True) or \
            (after["sphere1"], after["collision"]) != ((-60, 0, 0), False):
        raise Failure(f"the answers flipped between {texts[texts.index(apart) - 1].text!r} and {apart.text!r}")
    say("PASS: LEFT moved sphere 1; at x = -59 both answers read true, at -60 both false")

    # SHIFT+UP grows the radius by one a frame, to exactly 100, where it stays.
    def held_at_100():
        at = [t for t in k.read().texts if "R=100.00\nSphere2" in t.text]
        return at and len(k.log.texts) - k.log.texts.index(at[0]) > 30
    k.hold("shift+Up", held_at_100, "SHIFT+UP grows sphere 1 to R=100.00 and holds it 30 frames")

    k.keys("Home", effect=k.drawn(lambda t: t.text.split("\n")[1:] == START.split("\n")[1:]),
           what="bring back the start's sphere lines")
    say("PASS: Home brought back the start's sphere lines and answers")
    at = k.client("start-again")
    if hit_colours(at) is not False or at(*BAND) != (0, 0, 255):
        raise Failure(f"after Home: {[at(*p) for p in VOLUMES]}, {at(*BAND)} where the band will be")
    k.keys("h", effect=lambda: hit_colours(k.client("hit-colours")), what="colour the hits")
    k.keys("F1", effect=lambda: k.client("help")(*BAND) == BAND_RGB, what="show the help panel")
    say("PASS: H drew the volumes without red, F1 showed the help panel's band")

    k.keys("F1", effect=lambda: k.client("help-hidden")(*BAND) == (0, 0, 255), what="hide the help panel")
    k.mouse(397, 240, "click 1")  # sphere 2's centre, seen from (0, 0, -300)
    wait("a sphere blinks after the click", k.drawn(lambda t: len(t.meshes) == 2))
    k.mouse(397, 240, "mousedown 1", "mousemove_relative 100 0")
    x, y, z = parse_overlay(k.wait_text("sphere 2 dragged", lambda t: "Sphere2 (40.00," not in t).text)["sphere2"]
    # 100 pixels at the depth of the sphere's front point; the picture is 2 tan(pi / 8) high at depth 1.
    expected = 40 + 100 * 2 * math.tan(math.pi / 8) / 480 * 300 * (1 - 50 / math.hypot(40, 300))
    if abs(x - expected) > 1 or abs(y) > 0.01 or abs(z) > 0.01:
        raise Failure(f"dragged 100 pixels right, sphere 2 went to ({x}, {y}, {z}), not ({expected:.2f}, 0, 0)")
    k.mouse(497, 240, "mouseup 1", "click --repeat 3 --delay 50 4")
    k.wait_text("three notches make R=53.00", lambda t: "R=53.00\nAABB" in t)
    say(f"PASS: a click selected sphere 2, 100 pixels dragged it to x = {x:.2f} ({expected:.2f}), 3 notches to R=53")
    before = k.read().texts[-1].text.split("\n")[1:3]
    with k.another_window_in_front():
        stopped = k.wait_still(1)
        k.mouse(243, 240, "mousedown 1", "mousemove_relative 57 60", "mouseup 1")  # sphere 1's centre
        k.wait_frames(20, "frames after the click that brought the window back")
    k.stays[-1] = stopped  # the stay in the background ended with the click, within the block
    if any(t.text.split("\n")[1:3] != before or "sphere 50.00 16 16" not in t.meshes for t in k.log.texts[-20:]):
        raise Failure(f"after the click that brought the window back: {k.log.texts[-1]}")
    say("PASS: the click and drag that brought the window back selected and moved nothing")
    k.exit()
    if k.read().count("device released, real count 0") != 1:
        raise Failure(f"the device kept references at the end: {k.log.find('device released.*')}")
    say("PASS: File, Exit ended the program with exit code 0")
    say("PASS: " + k.check_figures())
    radius = max(parse_overlay(t.text)["r1"] for t in k.log.texts)
    if radius != 100:
        raise Failure(f"sphere 1's radius read {radius:.2f}")
    say("PASS: SHIFT+UP grew sphere 1 to R=100.00 and no further")


sys.exit(run_test(test))
