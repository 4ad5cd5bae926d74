"""make soak: drives the running program hard for a while and checks it holds.

For the given time it mixes random key storms over every control (TAB, SHIFT,
the arrows, Z, X and W, tapped and held), opens and closes the About box, moves
and resizes the window, takes the foreground away and gives it back, and loses
the Direct3D device for a while; then it chooses Exit. The device is lost
through the proxy d3d9.dll of tests/proxy, so the soak runs the copy of the
program that tests/proxy/prepare.sh makes. It passes when the program never
dies before Exit, exits with 0, every overlay string it drew is the five
well-formed lines with radii within 1.00 to 100.00, no frame was presented
while another window was in the foreground, every lost device was reset with
nothing drawn or presented while it was lost and drawing went on after it,
and its resident memory grew by less than the benchmark's 2 MiB.

usage: soak.py [SECONDS] [--seed N] [--exe PATH]    (default 600 s)
"""

import argparse
import os
import random
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kelvane_run as kr  # noqa: E402

ABOUT = "バージョン情報 kelvane"
MEMORY_BOUND_KIB = 2 * 1024
# Keys of the storms, as xdotool names them.
KEYS = ["Tab", "Shift_L", "Left", "Right", "Up", "Down", "z", "x", "w"]
# Widths and heights the window is resized to.
SIZES = ((200, 900), (150, 700))
WARM_UP_SIZES = 40


class Soak:
    def __init__(self, seconds, seed, exe):
        self.seconds = seconds
        self.rng = random.Random(seed)
        lost_exe = subprocess.run([os.path.join(kr.ROOT, "tests", "proxy", "prepare.sh"), exe],
                                  stdin=subprocess.DEVNULL, capture_output=True, text=True, check=True).stdout.strip()
        self.signal_exe = os.path.join(os.path.dirname(lost_exe), "signal-proxy.exe")
        self.run = kr.Kelvane(os.path.join(kr.BUILD, "soak", "soak.log"), kr.TRACED, lost_exe)
        self.t0 = time.monotonic()
        self.failures = []
        self.counts = {}
        self.background_checks = 0
        self.original = None

    def say(self, text):
        print(f"[{time.monotonic() - self.t0:7.1f} s] {text}", flush=True)

    def fail(self, text):
        self.failures.append(text)
        self.say("FAIL: " + text)

    def alive(self, after):
        if not self.run.running():
            self.fail(f"the program ended on its own after {after}, exit code {self.run.finish()}")
            return False
        return True

    def lines(self, text):
        """The program's output lines so far that contain TEXT."""
        with open(self.run.log, errors="replace") as f:
            return [line.rstrip("\n") for line in f if text in line]

    def presents(self):
        return len(self.lines("d3d9_device_Present "))

    def wait_lines(self, text, count, timeout=5):
        """Waits until COUNT output lines contain TEXT; returns them, or None."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.lines(text)
            if len(found) >= count:
                return found
            time.sleep(0.1)
        return None

    def signal_proxy(self):
        subprocess.run([os.path.join(kr.ROOT, "scripts", "wine-run.sh"), self.signal_exe],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)

    def foreground(self):
        if not self.run.activate():
            self.fail("the main window did not come back to the foreground")

    # --- the actions ---------------------------------------------------------

    def key_storm(self):
        """Taps and holds random keys, several at once, for one to four seconds."""
        self.foreground()
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
        self.foreground()
        kr.xdotool("key", "--clearmodifiers", "alt+h")
        time.sleep(0.3)
        kr.xdotool("key", "a")
        wid = self.run.wait_window(ABOUT, 10)
        if wid is None:
            self.fail("the About box did not open")
            return "About box: did not open"
        time.sleep(self.rng.uniform(0.2, 1.5))
        how = self.rng.choice(["Escape", "Return"])
        self.run.activate(wid)
        kr.xdotool("key", how)
        for _ in range(100):
            if self.run.wait_window(ABOUT, 0) is None:
                break
            time.sleep(0.1)
        else:
            self.fail("the About box did not close")
        self.foreground()
        return f"About box opened, closed with {how}"

    def move_and_resize(self):
        x, y = self.rng.randint(0, 300), self.rng.randint(0, 200)
        kr.xdotool("windowmove", self.run.wid, str(x), str(y))
        time.sleep(0.3)
        w, h = self.rng.randint(*SIZES[0]), self.rng.randint(*SIZES[1])
        self.resize(w, h)
        return f"window moved to ({x}, {y}), resized to {w} x {h}"

    def resize(self, width, height, settle=0.5):
        kr.xdotool("windowsize", self.run.wid, str(width), str(height))
        time.sleep(settle)

    def size(self):
        geometry = kr.xdotool("getwindowgeometry", self.run.wid)
        return geometry.rsplit("Geometry:", 1)[1].strip().split("x")

    def warm_up_sizes(self):
        """Every new window size makes Wine and Mesa allocate drawing surfaces
        of that size, and the heap keeps its high-water mark: resident memory
        climbs over the first forty or so random sizes and then stays flat
        (measured over 200). Those come before the starting figure, and the
        window is back at its own size for both figures."""
        for _ in range(WARM_UP_SIZES):
            self.resize(self.rng.randint(*SIZES[0]), self.rng.randint(*SIZES[1]), 0.3)
        self.resize(*self.original)
        return f"window resized {WARM_UP_SIZES} times within {SIZES[0][0]} x {SIZES[1][0]} to " \
               f"{SIZES[0][1]} x {SIZES[1][1]}"

    def background(self):
        """Another window takes the foreground for a while: nothing may be
        presented in that time (the frame in flight aside)."""
        other = subprocess.Popen(["xmessage", "-name", "kelvane-soak-other", "-title", "kelvane-soak-other",
                                  "another window"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wid = None
            for _ in range(100):
                wid = kr.xdotool("search", "--all", "--onlyvisible", "--name", "^kelvane-soak-other$")
                if wid:
                    wid = wid.split()[0]
                    break
                time.sleep(0.1)
            if not wid or not self.run.activate(wid):
                self.fail("the other window did not take the foreground")
                return "background: the other window did not come up"
            time.sleep(0.5)
            before = self.presents()
            away = self.rng.uniform(1, 3)
            time.sleep(away)
            after = self.presents()
            self.background_checks += 1
            if after != before:
                self.fail(f"{after - before} frames presented while another window was in the foreground")
        finally:
            other.kill()
            other.wait()
        self.foreground()
        return f"foreground away for {away:.1f} s: {after - before} frames presented meanwhile"

    def device_loss(self):
        """The device is lost for a while, then can be reset: the program must
        reset it, with nothing drawn or presented meanwhile, and draw on."""
        self.foreground()
        losses = len(self.lines("d3d9proxy: lost"))
        self.signal_proxy()
        if self.wait_lines("d3d9proxy: lost", losses + 1) is None:
            self.fail("the proxy's device loss was not met by a Present")
            return "device loss: not noticed"
        # The proxy counts what the program asks of the lost device, and tells at the Reset.
        away = self.rng.uniform(0.5, 2)
        time.sleep(away)
        self.signal_proxy()
        resets = self.wait_lines("d3d9proxy: Reset answered", losses + 1)
        if resets is None:
            self.fail("the lost device was not reset")
            return f"device lost for {away:.1f} s: not reset"
        if " answered 0x00000000 " not in resets[-1] or not resets[-1].endswith("; 0 other calls while lost"):
            self.fail("device loss: " + resets[-1])
        after = self.presents()
        time.sleep(1)
        if self.presents() - after < 30:
            self.fail(f"only {self.presents() - after} frames presented in the second after the Reset")
        return f"device lost for {away:.1f} s, then reset: {resets[-1].split('; ', 1)[1]}"

    # --- the run -------------------------------------------------------------

    def soak(self):
        actions = [(self.key_storm, 6), (self.about_box, 1), (self.move_and_resize, 1), (self.background, 1),
                   (self.device_loss, 1)]
        self.say(f"soak for {self.seconds} s; program output filtered into {self.run.log}")
        self.run.start()
        self.original = self.size()
        # One round of every action first, so that what the program sets up on
        # first use (the dialog, glyphs, surfaces) is in the starting memory figure.
        for action in [a for a, _ in actions] + [self.warm_up_sizes]:
            self.say("warm-up " + action())
            if not self.alive(action.__name__):
                return
        rss_start = self.run.rss_kib()
        rss_max = rss_start
        fds_start = self.run.open_fds()
        self.say(f"start: resident {rss_start / 1024:.1f} MiB, {fds_start} open descriptors")
        end = time.monotonic() + self.seconds
        while time.monotonic() < end:
            action = self.rng.choices([a for a, _ in actions], [w for _, w in actions])[0]
            self.say(action())
            self.counts[action.__name__] = self.counts.get(action.__name__, 0) + 1
            if not self.alive(action.__name__):
                return
            rss_max = max(rss_max, self.run.rss_kib())
        self.resize(*self.original)
        self.foreground()
        time.sleep(1)
        rss_end, fds_end = self.run.rss_kib(), self.run.open_fds()
        self.say(f"end: resident {rss_end / 1024:.1f} MiB (highest {rss_max / 1024:.1f}), "
                 f"{fds_end} open descriptors")
        if rss_end - rss_start >= MEMORY_BOUND_KIB:
            self.fail(f"resident memory grew by {(rss_end - rss_start) / 1024:.2f} MiB")
        if fds_end > fds_start:
            self.fail(f"open descriptors grew from {fds_start} to {fds_end}")
        self.say("choosing Exit")
        code = self.run.exit()
        self.say(f"exit code {code}")
        if code != 0:
            self.fail(f"exit code {code}")

    def check_trace(self):
        trace = kr.Trace(self.run.log)
        bad = []
        radii = []
        for _, text in trace.overlays:
            figures = kr.parse_overlay(text)
            if figures is None or not all(1.0 <= r <= 100.0 for r in (figures["r1"], figures["r2"])):
                bad.append(text)
            else:
                radii += [figures["r1"], figures["r2"]]
        self.say(f"trace: {len(trace.presents)} frames presented, {len(trace.overlays)} overlay strings, "
                 f"radii {min(radii, default=0):.2f} to {max(radii, default=0):.2f}, "
                 f"meshes {trace.meshes_created} created / {trace.meshes_released} released")
        if not trace.overlays:
            self.fail("no overlay string in the trace")
        if bad:
            self.fail(f"{len(bad)} overlay strings not well-formed, first: {bad[0]!r}")
        if trace.meshes_created != trace.meshes_released:
            self.fail(f"meshes created {trace.meshes_created}, released {trace.meshes_released}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("seconds", nargs="?", type=int, default=600)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    parser.add_argument("--exe", default=kr.EXE)
    args = parser.parse_args()
    print(f"soak: seed {args.seed}", flush=True)
    soak = Soak(args.seconds, args.seed, args.exe)
    try:
        soak.soak()
    finally:
        soak.run.kill()
    soak.check_trace()
    soak.say("did: " + ", ".join(f"{n} {name}" for name, n in sorted(soak.counts.items())) +
             f"; {soak.background_checks} background checks")
    if soak.failures:
        print(f"soak: FAILED ({len(soak.failures)} problems)")
        return 1
    print("soak: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
