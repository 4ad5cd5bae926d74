"""make soak: drives the running program hard for a while and checks it holds.

For the given time it plays a plan of actions drawn at random, again and again:
random key storms over every control (TAB, SHIFT, the arrows, Z, X, W, F1,
Home and H, tapped and held), opening and closing the About box, moving and resizing the
window, taking the foreground away and giving it back, and losing the Direct3D
device for a while or breaking its driver; then it chooses Exit. Every cycle
plays the same actions with the same random choices, at least three times.
The device is lost or broken through the test proxy d3d9.dll (tests/proxy),
which also reports every frame.
It passes when the program never dies before Exit, exits with 0, every overlay
it drew is the five well-formed lines with radii within 1.00 to 100.00 and the
FPS and CPU figures its frames give, every frame released the meshes it made, no
frame was presented while another window was in the foreground, every lost
device was reset, and every broken one made anew, with nothing drawn or
presented meanwhile and drawing went on after it at 60 frames a second, and its
resident memory did not grow from the end of the first cycle to the end of the
last by STEP_KIB plus LEAK_KIB a cycle: a leak grows with every repetition of the
actions that cause it, while a settled heap only steps up or down by a couple of
MiB now and then (2.2 MiB once on a busy machine; +0.4 then +0.3, or +1.5 then
+0.2, over two cycles), so a 10-second soak sees leaks of some 2 MiB a cycle, a
10-minute one (some 20 cycles) of some 350 KiB. Handles have no such allowance:
the GDI and USER objects the program made and has not deleted, as the proxy
counts them, are the same at the end of every cycle.

usage: soak.py [SECONDS] [--seed N] [--exe PATH]    (default 600 s)
"""

import argparse
import os
import random
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import kelvane_run as kr  # noqa: E402

LEAK_KIB = 128  # growth a cycle, on average, that is a leak
STEP_KIB = 4096  # how far a settled heap may step, beyond that
MIN_CYCLES = 3  # the first takes what the program sets up on first use
# Keys of the storms, as xdotool names them.
KEYS = ["Tab", "Shift_L", "Left", "Right", "Up", "Down", "z", "x", "w", "F1", "Home", "h"]
# Widths and heights the window is resized to.
SIZES = ((200, 900), (150, 700))
WARM_UP_SIZES = 40
STILL = 1.0  # seconds without a frame that count as stopped


class Soak:
    def __init__(self, seconds, seed, exe):
        self.seconds, self.seed = seconds, seed
        self.rng = random.Random(seed)
        self.run = kr.Kelvane("soak", exe)
        self.t0 = time.monotonic()
        self.failures = []
        self.counts = {}
        self.original = None
        self.objects = []  # the live GDI and USER objects at the end of each cycle

    def say(self, text):
        kr.say(f"[{time.monotonic() - self.t0:7.1f} s] {text}")

    def fail(self, text):
        self.failures.append(text)
        self.say("FAIL: " + text)

    # --- the actions ---------------------------------------------------------

    def key_storm(self):
        """Taps and holds random keys, several at once, for one to four seconds."""
        self.run.foreground()
        end = time.monotonic() + self.rng.uniform(1, 4)
        held = set()
        taps = holds = 0
        while time.monotonic() < end:
            key = self.rng.choice(KEYS)
            if self.rng.random() < 0.5:
                kr.xdotool("key", "--delay", "0", key)
                taps += 1
            elif key in held:
                kr.xdotool("keyup", key)
                held.discard(key)
            else:
                kr.xdotool("keydown", key)
                held.add(key)
                holds += 1
            time.sleep(self.rng.choice([0.0, 0.02, 0.1, 0.3, 0.8]))
        for key in held:
            kr.xdotool("keyup", key)
        return f"key storm: {taps} taps, {holds} holds"

    def about_box(self):
        self.run.open_about("alt+h", "a")
        time.sleep(self.rng.uniform(0.2, 1.5))
        how = self.rng.choice(["Escape", "Return"])
        self.run.close_about(how)
        return f"About box opened, closed with {how}"

    def move_and_resize(self):
        x, y = self.rng.randint(0, 300), self.rng.randint(0, 200)
        kr.xdotool("windowmove", self.run.wid, x, y)
        self.run.wait_frames(2, "frames after the window moved")
        w, h = self.rng.randint(*SIZES[0]), self.rng.randint(*SIZES[1])
        self.resize(w, h)
        return f"window moved to ({x}, {y}), resized to {w} x {h}"

    def resize(self, width, height):
        """Resizes the window and waits for frames drawn at the new size."""
        kr.xdotool("windowsize", self.run.wid, width, height)
        self.run.wait_frames(2, "frames after the window was resized")

    def warm_up_sizes(self):
        """Every new window size makes Wine and Mesa allocate drawing surfaces
        of that size, and the heap keeps its high-water mark: resident memory
        climbs over the first forty or so random sizes and then stays flat
        (measured over 200). Those come before the starting figure, and the
        window is back at its own size for both figures."""
        for _ in range(WARM_UP_SIZES):
            self.resize(self.rng.randint(*SIZES[0]), self.rng.randint(*SIZES[1]))
        self.resize(*self.original)
        return f"window resized {WARM_UP_SIZES} times within {SIZES[0][0]} x {SIZES[1][0]} to " \
               f"{SIZES[0][1]} x {SIZES[1][1]}"

    def background(self):
        """Another window takes the foreground: the frame count must stop (the
        frame in flight aside), and start again when the program is back."""
        with self.run.another_window_in_front():
            stopped = self.run.wait_still(STILL)
            away = self.rng.uniform(0, 2)
            time.sleep(away)
            if self.run.presents() != stopped:
                self.fail(f"{self.run.presents() - stopped} frames presented while another window was in front")
        self.run.foreground()
        return f"foreground away, frame count stopped for {STILL + away:.1f} s"

    def device_loss(self):
        """The device is lost for a while, then can be reset: the program must
        reset it, with nothing drawn or presented meanwhile, and draw on."""
        self.run.foreground()
        losses = self.run.read().count(f"present 0x{kr.LOST:08x}")
        self.run.command("lose")
        self.run.wait_report(f"present 0x{kr.LOST:08x}", losses + 1)
        away = self.rng.uniform(0.5, 2)
        time.sleep(away)
        self.run.command("restore")
        reset = self.run.wait_report(r"Reset answered (0x[0-9a-f]{8}) after \d+ questions; (.*)", losses + 1)[1]
        if reset[1] != "0x00000000" or reset[2] != "0 other calls while lost":
            self.fail("device loss: " + reset[0])
        self.run.wait_frames(2, "frames after the Reset")
        self.run.wait_text("FPS 60/60 after the Reset", lambda t: t.startswith("FPS 60/60"))
        return f"device lost for {away:.1f} s, then reset: {reset[2]}; back at 60/60"

    def driver_error(self):
        """Present answers a driver error, and the next devices asked for cannot
        be made: the program must make the device anew and draw on."""
        self.run.foreground()
        made = self.run.read().count("CreateDevice answered 0x00000000")
        refusals = self.rng.randint(0, 1)
        self.run.command(f"driver-error {refusals}")
        self.run.wait_report("CreateDevice answered 0x00000000", made + 1)
        self.run.wait_frames(2, "frames on the new device")
        self.run.wait_text("FPS 60/60 on the new device", lambda t: t.startswith("FPS 60/60"))
        return f"driver error, device made anew after {refusals} refusals; back at 60/60"

    # --- the run -------------------------------------------------------------

    def act(self, action):
        try:
            self.say(action())
        except kr.Failure as failure:
            self.fail(f"{action.__name__}: {failure}")
        if not self.run.running():
            self.fail(f"the program ended on its own after {action.__name__}, exit code {self.run.proc.wait()}")
            return False
        return True

    def cycle(self, plan):
        """Plays PLAN with the same random choices as every other cycle, then puts
        the window back at its size and in front; returns its resident memory."""
        self.rng = random.Random(f"{self.seed} cycle")
        for action in plan:
            self.counts[action.__name__] = self.counts.get(action.__name__, 0) + 1
            if not self.act(action):
                return None
        self.resize(*self.original)
        self.run.foreground()
        self.objects.append(self.run.objects())
        return self.run.rss_kib()

    def soak(self):
        actions = [(self.key_storm, 6), (self.about_box, 1), (self.move_and_resize, 1), (self.background, 1),
                   (self.device_loss, 1), (self.driver_error, 1)]
        # Every action once, and one more for each minute of the soak.
        plan = [a for a, _ in actions] + self.rng.choices([a for a, _ in actions], [w for _, w in actions],
                                                          k=self.seconds // 60)
        self.rng.shuffle(plan)
        self.say(f"soak for {self.seconds} s, cycles of {', '.join(a.__name__ for a in plan)}; "
                 f"program output in {self.run.path}")
        self.run.start()
        self.original = kr.xdotool("getwindowgeometry", self.run.wid).rsplit("Geometry:", 1)[1].split("x")
        rss = [self.cycle(plan)]
        if rss[0] is None or not self.act(self.warm_up_sizes):
            return
        rss[0], fds_start = self.run.rss_kib(), self.run.open_fds()
        self.say(f"first cycle: resident {rss[0] / 1024:.1f} MiB, {fds_start} open descriptors")
        end = time.monotonic() + self.seconds
        while len(rss) < MIN_CYCLES or time.monotonic() < end:
            if (kib := self.cycle(plan)) is None:
                return
            rss.append(kib)
            self.say(f"cycle {len(rss)}: resident {kib / 1024:.1f} MiB")
        growth = [b - a for a, b in zip(rss, rss[1:])]
        fds_end = self.run.open_fds()
        self.say(f"end: {fds_end} open descriptors; resident memory grew by {growth} KiB from cycle to cycle")
        if rss[-1] - rss[0] >= STEP_KIB + LEAK_KIB * len(growth):
            self.fail(f"resident memory grew by {growth} KiB, {rss[-1] - rss[0]} KiB in all: a leak")
        if fds_end > fds_start:
            self.fail(f"open descriptors grew from {fds_start} to {fds_end}")
        self.say(f"live GDI and USER objects at the end of the first cycle: {self.objects[0]}")
        if not self.objects[0] or any(o != self.objects[0] for o in self.objects):
            self.fail(f"live GDI and USER objects at the end of each cycle: {self.objects}")
        self.say("choosing Exit")
        self.run.exit()
        self.say("exit code 0")

    def check_output(self):
        log = self.run.read()
        figures = [kr.parse_overlay(t.text) for t in log.texts]
        bad = [t.text for t, f in zip(log.texts, figures)
               if f is None or not all(1 <= r <= 100 for r in (f["r1"], f["r2"]))]
        leaks = [t for t in log.texts if t.live != 0]
        self.say(f"{len(log.presents)} frames presented, {len(log.texts)} overlays, "
                 f"{sum(len(t.meshes) for t in log.texts)} meshes made")
        if not log.texts:
            self.fail("no overlay drawn")
        if bad:
            self.fail(f"{len(bad)} overlays not well-formed, first: {bad[0]!r}")
        if leaks:
            self.fail(f"{len(leaks)} frames left meshes or buffers alive, first at {leaks[0].ms} ms: {leaks[0].live}")
        try:
            self.say(self.run.check_figures())
        except kr.Failure as failure:
            self.fail(str(failure))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("seconds", nargs="?", type=int, default=600)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    parser.add_argument("--exe", default=kr.EXE)
    args = parser.parse_args()
    kr.say(f"soak: seed {args.seed}")
    soak = Soak(args.seconds, args.seed, args.exe)
    try:
        soak.soak()
    except kr.Failure as failure:
        soak.fail(str(failure))
    finally:
        soak.run.kill()
    soak.check_output()
    soak.say("did: " + ", ".join(f"{n} {name}" for name, n in sorted(soak.counts.items())))
    if soak.failures:
        kr.say(f"soak: FAILED ({len(soak.failures)} problems)")
        return 1
    kr.say("soak: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
