"""Starting kelvane.exe under Wine, driving it as a user would and reading what
it did: make run's screenshot, the end-to-end tests, the soak and the benchmark
all go through here. Run on a display prepared by scripts/with-display.sh.

A probed run starts a copy of the program beside the test proxies of
tests/proxy (a d3d9.dll and a d3dx9_43.dll that forward to Wine's own), which
report every Present, every frame as the program's pacing took it (its clock
reading and the sleep it asked for), every overlay text and every release of a
device, with the program's own clock, and play a lost device, a failing driver
or a missing device on command. They cost the program next to nothing, unlike
Wine's trace channels.

Every wait is for something the program shows (a window, a frame, a text, its
end), and is bounded only so that a hang fails: HANG seconds. A keystroke or a
click whose effect has not shown after RETRY_AFTER seconds is sent again, but
the program still has HANG seconds in all. Only processes started here are ever
stopped, by their process ids.

As a script: kelvane_run.py --screenshot PNG [--seconds N] EXE starts the
program, lets it run, saves its window and closes it (make run without a display).
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from contextlib import contextmanager
from dataclasses import dataclass
from fractions import Fraction
from functools import partial

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("KELVANE_BUILD_DIR", os.path.join(ROOT, "build"))
EXE = os.path.join(BUILD, "mingw", "kelvane.exe")
PROXY = os.environ.get("KELVANE_PROXY_DIR", os.path.join(BUILD, "mingw", "proxy"))
ABOUT = "バージョン情報 kelvane"
HANG = 60  # seconds after which a wait means the program hangs
RETRY_AFTER = 5  # seconds after which a keystroke without its effect is sent again
MIN_OVERLAYS = 30  # overlays a check of the figures needs to mean anything
READ_LAG = 3  # ms a busy machine may hold back the clock reading after a Present
LOST = 0x88760868  # D3DERR_DEVICELOST
# In the picture: the start's sphere centres and their boxes beside them, a corner of the help panel's band.
VOLUMES, BAND, BAND_RGB = ((243, 240), (397, 240), (125, 240), (515, 240)), (600, 420), (0, 0, 64)
# Every font the program makes: D3DXCreateFontW's arguments after the device
# (height, width, weight, mip levels, italic, charset, precision, quality, pitch, face).
FONTS = {'-16 0 700 1 0 1 0 0 0 "System"'}


class Failure(Exception):
    """What a test saw go wrong."""


def say(text):
    print(text, flush=True)


def tool(*args):
    """Runs a command-line tool (xdotool, xprop, ...); returns its output, empty
    when it found nothing. A tool that hangs fails."""
    return subprocess.run(list(map(str, args)), capture_output=True, text=True, timeout=HANG).stdout.strip()


xdotool = partial(tool, "xdotool")


def window_exists(wid):
    """Whether the X window WID is still there, shown or not."""
    return subprocess.run(["xdotool", "getwindowname", wid], capture_output=True, timeout=HANG).returncode == 0


def wait(what, condition, timeout=HANG, poll=0.05):
    """Waits until condition() is true and returns its value; fails saying WHAT
    did not happen when it is not within TIMEOUT seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"{what}: not within {timeout} s")
        time.sleep(poll)


@dataclass
class Text:
    ms: int        # the program's clock when the text was drawn
    meshes: list   # meshes made since the previous text, as asked for ("box 100.00 100.00 100.00"): 4, or 2 in a blink
    live: int      # meshes and buffers not yet released
    text: str
    frames: int    # frames paced before it: the frame times its figures are made of
    at: tuple = (10, 10)  # where it was drawn


@dataclass
class Frame:
    presented: int  # the clock when its Present returned
    wait: int       # the reading the program's pacing took after it; None when there was none
    sleep: int      # the sleep the pacing asked for then, 0 for none


class Log:
    """The program's output as it grows: the proxies' reports parsed once each.
    A report is "PROXY: CLOCK TEXT"; reports are found by a pattern that must
    match the whole TEXT of a report of that proxy."""

    REPORT = re.compile(r"^(d3d9proxy|d3dx9proxy): (\d+) (\S+)(.*)$")
    PRESENT = re.compile(r"present (0x[0-9a-f]{8})")
    FRAME = re.compile(r"frame (\d+) wait (?:none|(\d+) sleep (\d+))")
    TEXT = re.compile(r'text at (-?\d+),(-?\d+) meshes \[(.*?)\] live (-?\d+) "(.*)"')

    def __init__(self, path):
        self.path, self.offset, self.partial = path, 0, b""
        self.lines, self.presents, self.frames, self.texts = [], [], [], []  # presents: (ms, answer)
        self.other_texts = []  # texts drawn anywhere but at the overlay's place
        self.reports = {}  # (proxy, first word): [(ms, text)]

    def update(self):
        # Bytes, decoded a whole line at a time: a read may end inside a character.
        with open(self.path, "rb") as f:
            f.seek(self.offset)
            chunk = f.read()
            self.offset += len(chunk)
        *complete, self.partial = (self.partial + chunk).split(b"\n")
        for line in (raw.decode(errors="replace") for raw in complete):
            self.lines.append(line)
            if not (r := self.REPORT.match(line)):
                continue
            ms, text = int(r[2]), r[3] + r[4]
            self.reports.setdefault((r[1], r[3]), []).append((ms, text))
            if r[1] == "d3dx9proxy":
                if m := self.TEXT.fullmatch(text):
                    shown = re.sub(r"\\(.)", lambda e: "\n" if e[1] == "n" else e[1], m[5])
                    at = (int(m[1]), int(m[2]))
                    (self.texts if at == (10, 10) else self.other_texts).append(
                        Text(ms, [d for d in m[3].split(", ") if d], int(m[4]), shown, len(self.frames), at))
            elif m := self.PRESENT.fullmatch(text):
                self.presents.append((ms, int(m[1], 16)))
            elif m := self.FRAME.fullmatch(text):
                self.frames.append(Frame(int(m[1]), m[2] and int(m[2]), int(m[3] or 0)))
        return self

    def find(self, pattern, proxy="d3d9proxy"):
        """The reports of PROXY whose text PATTERN matches whole, as (clock, match),
        in order. PATTERN starts with the report's first word, as it stands."""
        word = pattern.split(" ", 1)[0]
        return [(ms, m) for ms, text in self.reports.get((proxy, word), ()) if (m := re.fullmatch(pattern, text))]

    def count(self, pattern, proxy="d3d9proxy"):
        return len(self.find(pattern, proxy))


class Kelvane:
    """One run of the program."""

    def __init__(self, name, exe=EXE, probe=True, winedebug="-all", env=None, keep=None, missing=()):
        """MISSING: DLLs (by name without .dll) Wine must not load in this run."""
        self.name, self.probe, self.stays = name, probe, []  # stays: frames before each stay in the background
        folder = os.path.join(BUILD, "e2e", name)
        os.makedirs(folder, exist_ok=True)
        self.folder = folder
        if probe:
            for dll in ("d3d9.dll", "d3dx9_43.dll"):
                if not os.path.isfile(os.path.join(PROXY, dll)):
                    raise Failure(f"no test proxy {dll} in {PROXY}")
                shutil.copy(os.path.join(PROXY, dll), folder)
            shutil.copy(exe, os.path.join(folder, "kelvane.exe"))
            exe = os.path.join(folder, "kelvane.exe")
            if os.path.exists(self.command_file):
                os.remove(self.command_file)
        self.path = os.path.join(folder, "kelvane.log")
        overrides = os.environ.get("WINEDLLOVERRIDES", "mscoree,mshtml=")
        run_env = dict(os.environ, WINEDEBUG=winedebug, **(env or {}))
        if probe:
            # Only this process prefers the DLLs beside it to Wine's own.
            proxied = ",".join(d for d in ("d3d9", "d3dx9_43") if d not in missing)
            run_env["WINEDLLOVERRIDES"] = ";".join([overrides, proxied + "=n,b"] + [d + "=" for d in missing])
        with open(self.path, "w") as out:
            self.proc = subprocess.Popen([os.path.join(ROOT, "scripts", "wine-run.sh"), exe],
                                         stdin=subprocess.DEVNULL, stdout=subprocess.PIPE if keep else out,
                                         stderr=subprocess.STDOUT, env=run_env)
            if keep:
                # Wine's trace channels write thousands of lines a frame: only these stay.
                subprocess.Popen(["grep", "--line-buffered", "-E", keep], stdin=self.proc.stdout, stdout=out)
                self.proc.stdout.close()
        self.pid = self.proc.pid
        self.log = Log(self.path)
        self.wid = None
        STARTED.append(self)

    @property
    def command_file(self):
        return os.path.join(self.folder, "proxy-command")

    # --- the process ---------------------------------------------------------

    def running(self):
        return self.proc.poll() is None

    def finish(self, after, expected=0):
        """Waits for the program to end AFTER something and fails unless it ends
        with EXPECTED. A probed run must have raised and released the timer's
        resolution as timer_problems says, and deleted every GDI object it made."""
        wait(f"the program to end after {after}", lambda: not self.running())
        if (code := self.proc.wait()) != expected:
            raise Failure(f"exit code {code} after {after}")
        if self.probe and (off := timer_problems(self.read(), code, self.stays)):
            raise Failure(f"exit code {code}; the timer's period: " + "; ".join(off[:5]))
        if self.probe and any((self.objects() or {}).get(k) for k in ("DC", "bitmap", "font", "brush")):
            raise Failure(f"exit code {code}; GDI objects of the program's left at its end: {self.objects()}")

    def kill(self):
        if self.running():
            os.kill(self.pid, signal.SIGKILL)
            self.proc.wait()

    def cpu_seconds(self):
        """User plus system time the process has used so far, all threads."""
        with open(f"/proc/{self.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def rss_kib(self):
        with open(f"/proc/{self.pid}/status") as f:
            return next((int(line.split()[1]) for line in f if line.startswith("VmRSS:")), 0)

    def open_fds(self):
        return len(os.listdir(f"/proc/{self.pid}/fd"))

    # --- what it did -----------------------------------------------------------

    def read(self):
        return self.log.update()

    def presents(self):
        return len(self.read().presents)

    def wait_report(self, pattern, count=1, proxy="d3d9proxy"):
        """Waits for the COUNT-th report of PROXY that PATTERN matches whole (see
        Log.find); returns it as (clock, match)."""
        return wait(f"report {count} of {proxy} matching '{pattern}'",
                    lambda: (found := self.read().find(pattern, proxy)) and len(found) >= count
                    and found[count - 1])

    def drawn(self, condition):
        """For wait() and hold(): the first text drawn from now on for which
        condition(Text) holds, or None."""
        seen = len(self.read().texts)
        return lambda: next((t for t in self.read().texts[seen:] if condition(t)), None)

    def wait_text(self, what, condition, timeout=HANG):
        """Waits for an overlay text drawn from now on for which condition(text) holds."""
        return wait(what, self.drawn(lambda t: condition(t.text)), timeout)

    def objects(self):
        """The program's live GDI and USER objects by kind ({"DC": 0, "bitmap": 0, ...})
        as the d3d9 proxy last counted them; None before it made any."""
        if found := self.read().find(r"objects after \w+: (.*)"):
            words = found[-1][1][1].split()
            return dict(zip(words[::2], map(int, words[1::2])))
        return None

    def check_figures(self):
        """Fails unless every overlay's FPS and CPU figures are those its frames
        give (figure_mismatches)."""
        compared, off = figure_mismatches(self.read())
        if off:
            raise Failure(f"{len(off)} problems with the figures of {compared} overlays: " + "; ".join(off[:5]))
        return f"the FPS and CPU figures of all {compared} overlays are those their frames give"

    def wait_frames(self, count, what="frames drawn"):
        """Waits until COUNT more frames are presented from now on."""
        start = self.presents()
        wait(f"{count} {what}", lambda: self.presents() >= start + count)

    def command(self, command):
        """Hands the d3d9 proxy a command and waits until it has taken it."""
        taken = self.read().count("command .*")
        partial = self.command_file + ".partial"
        with open(partial, "w") as f:
            f.write(command)
        os.replace(partial, self.command_file)
        wait(f"the proxy takes the command \"{command}\"", lambda: self.read().find("command .*")[taken:])
        if (said := self.log.find("command .*")[taken][1][0]) != f"command {command}":
            raise Failure(f"the proxy answered \"{said}\" to \"{command}\"")

    # --- windows and input -------------------------------------------------------

    def window(self, name="kelvane"):
        """The X id of the program's visible window named NAME, or None."""
        found = xdotool("search", "--all", "--onlyvisible", "--pid", self.pid, "--name", "^" + re.escape(name) + "$")
        return found.split()[0] if found else None

    def wait_window(self, name="kelvane", timeout=HANG):
        def shown():
            if not self.running():
                raise Failure(f"the program ended (exit code {self.proc.wait()}) before a window \"{name}\" appeared")
            return self.window(name)
        return wait(f"the window \"{name}\"", shown, timeout)

    def start(self, activate=True):
        """Waits for the main window, shown as the process was asked to show it,
        and brings the program to the foreground; without ACTIVATE, waits for the
        program to draw in the foreground the window manager gives a new window."""
        self.wid = self.wait_window("kelvane")
        if self.probe and (shown := self.wait_report(r"ShowWindow (\d+) started with (\d+)")[1])[1] != shown[2]:
            raise Failure(f"the main window was shown with {shown[0]}")
        if activate:
            self.foreground()
        else:
            wait("the window manager gives the new window the focus", lambda: xdotool("getactivewindow") == self.wid)
            if self.probe:
                self.wait_frames(2, "frames drawn without the harness activating any window")
        return self

    def activate(self, wid):
        """Gives WID the focus, as a click on it would; asks again while it is not
        active. Fails at once when the program has ended or WID is gone."""
        def active():
            if not self.running() or not window_exists(wid):
                raise Failure(f"window {wid} cannot become active: "
                              + ("the program ended" if not self.running() else "it is gone"))
            if xdotool("getactivewindow") == wid:
                return True
            xdotool("windowactivate", wid)
            return False
        wait(f"window {wid} becomes the active window", active, poll=0.2)

    def foreground(self, drawing=True):
        """Activates the main window and, when the program draws, waits for a frame
        presented after that: the program itself has the foreground then, and
        keys reach it."""
        self.activate(self.wid)
        if drawing and self.probe:
            self.wait_frames(2, "frames after the main window was activated")

    def keys(self, *keys, effect, what, target=None):
        """Types KEYS (xdotool key names) into the window that target() makes
        active until effect() holds; returns its value (see retry)."""
        return self.retry(f"\"{' '.join(keys)}\"", lambda: xdotool("key", "--clearmodifiers", "--delay", "200", *keys),
                          effect, what, target)

    def retry(self, name, send, effect, what, target=None):
        """Calls target(), then send(), until effect() holds; returns its value. A
        keystroke or a click can go astray before the window has the focus: when
        the effect has not shown after RETRY_AFTER seconds, it is sent again,
        saying so, up to three times in all. The program has HANG seconds in all
        to show the effect."""
        deadline = time.monotonic() + HANG
        for attempt in range(3):
            last = attempt == 2
            if attempt:
                if value := effect():  # late, not lost
                    return value
                say(f"retry {attempt}: {name} did not {what} within {RETRY_AFTER} s; sending it again")
            try:
                if target:
                    target()
            except Failure:
                if value := effect():  # the window went because it took effect
                    return value
                raise
            send()
            try:
                return wait(what, effect, deadline - time.monotonic() if last else RETRY_AFTER)
            except Failure:
                if last:
                    raise

    def hold(self, keys, until, what):
        """Holds KEYS down (one chord, e.g. "shift+Up") until until() holds."""
        down = keys.split("+")
        for key in down:
            xdotool("keydown", key)
        try:
            return wait(what, until)
        finally:
            for key in reversed(down):
                xdotool("keyup", key)

    def open_about(self, *keys, drawing=True):
        """Opens the About box with KEYS from the main window and waits for it to
        be the active window; returns it. Escape first closes a menu that an
        earlier try left open."""
        wid = self.keys("Escape", *keys, effect=lambda: self.window(ABOUT), what="open the About box",
                        target=lambda: self.foreground(drawing))
        wait("the About box becomes the active window", lambda: xdotool("getactivewindow") == wid)
        return wid

    def close_about(self, *keys, drawing=True):
        """Closes the open About box with KEYS and waits for the main window to be
        active again and, when the program draws, to draw."""
        self.keys(*keys, effect=lambda: not self.window(ABOUT), what="close the About box")
        wait("the main window is active again", lambda: xdotool("getactivewindow") == self.wid)
        if drawing:
            self.wait_frames(2, "frames after the About box closed")

    def exit(self, drawing=True):
        """Chooses File, Exit (Alt+F, X); waits for the main window to go, then
        for the program's end with exit code 0."""
        # Escape first closes a menu that an earlier try left open.
        self.keys("Escape", "alt+f", "x", effect=lambda: not window_exists(self.wid),
                  what="close the main window", target=lambda: self.foreground(drawing))
        self.finish("File, Exit")

    def close(self, drawing=True):
        """Closes the main window with Alt+F4; as exit()."""
        self.keys("alt+F4", effect=lambda: not window_exists(self.wid), what="close the main window",
                  target=lambda: self.foreground(drawing))
        self.finish("Alt+F4")

    @contextmanager
    def another_window_in_front(self):
        """Another program's window takes the foreground while the block runs,
        which waits until the program stops drawing."""
        other = subprocess.Popen(["xmessage", "-name", "kelvane-other", "-title", "kelvane-other", "another window"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.activate(wait("the other window",
                               lambda: xdotool("search", "--onlyvisible", "--name", "^kelvane-other$").split())[0])
            yield
            self.stays.append(self.presents())
        finally:
            other.kill()
            other.wait()

    def mouse(self, x, y, *actions):
        """Moves the pointer to client point (x, y) as client() finds it, then runs each xdotool command of ACTIONS."""
        height = int(re.search(r"Height: *(\d+)", tool("xwininfo", "-id", self.wid))[1])
        xdotool("mousemove", "--window", self.wid, "--", x, y + height - 480)
        for action in actions:
            xdotool(*action.split())

    def wait_still(self, seconds):
        """Waits until no frame has been presented for SECONDS (the frame in flight
        when the foreground moved may still come); returns the frame count."""
        last = [self.presents(), time.monotonic()]

        def still():
            if self.presents() != last[0]:
                last[:] = [self.presents(), time.monotonic()]
            return time.monotonic() - last[1] >= seconds
        wait(f"the frame count stands still for {seconds} s", still)
        return last[0]

    def screenshot(self, png, wid=None):
        subprocess.run(["import", "-window", wid or self.wid, png], check=True, timeout=HANG)
        return png

    def client(self, name):
        """A screenshot of the main window, saved as NAME.png, as a function from a
        point of the 640 x 480 client area to its (red, green, blue), 0 to 255;
        Wine draws the menu bar above the client area, inside the window."""
        png = self.screenshot(os.path.join(self.folder, name + ".png"))
        width, height = map(int, tool("identify", "-format", "%w %h", png).split())
        rgb = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], capture_output=True, check=True,
                             timeout=HANG).stdout
        return lambda x, y: tuple(rgb[3 * ((y + height - 480) * width + x):][:3])


STARTED = []


def hit_colours(at):
    """Whether the screenshot AT shows the start's volumes in the hit colours (True), red and yellow (False)
    or neither (None), in any phase of the light: lit by the ambient light alone a box over the background
    (0, 0, 255) reads (32, 32, 127) in yellow, (0, 19, 146) in dark cyan."""
    rgb = [at(*p) for p in VOLUMES]
    if all(r < 16 and g >= 10 for r, g, _ in rgb):
        return True
    return False if all(r >= 16 for r, _, _ in rgb) else None


# --- the overlay -----------------------------------------------------------

NUMBER = r"(-?\d+\.\d\d)"
OVERLAY = re.compile(
    r"^FPS (\d{2,})/(\d{2,})  CPU (-?\d{2,})%\n"
    rf"Sphere1 \({NUMBER}, {NUMBER}, {NUMBER}\) R={NUMBER}\n"
    rf"Sphere2 \({NUMBER}, {NUMBER}, {NUMBER}\) R={NUMBER}\n"
    r"AABB (true|false)\n"
    r"Collision (true|false)\n$")


def parse_overlay(text):
    """The overlay's figures as a dict, or None when the string is not the five
    well-formed lines (a "nan" or "inf" never matches a number)."""
    m = OVERLAY.match(text)
    if not m:
        return None
    g = m.groups()
    return {
        "rate": int(g[0]), "target": int(g[1]), "load": int(g[2]),
        "sphere1": tuple(float(v) for v in g[3:6]), "r1": float(g[6]),
        "sphere2": tuple(float(v) for v in g[7:10]), "r2": float(g[10]),
        "aabb": g[11] == "true", "collision": g[12] == "true",
    }


def shown_rate(waits, n=None):
    """The rate the program shows after its first N Waits (all by default), at
    these times (ms), by its own rule: none before the 16th, then
    (span / 2 + 15000) / span over the last 15 intervals, and from the 32nd
    (span / 2 + 31000) / span over the last 31."""
    n = len(waits) if n is None else n
    if n < 16:
        return 0
    count, thousands = (16, 15000) if n < 32 else (32, 31000)
    span = (waits[n - 1] - waits[n - count]) & 0xFFFFFFFF
    return (span // 2 + thousands) // span if span else 0


def shown_load(sleeps, n=None, target=60):
    """The load the program shows after its first N Waits (all by default), which
    asked for these sleeps (0 for none), by its own rule: none before the 16th,
    then 100 - (sum x target) / 160 over the sleeps at ring positions 0 to 15,
    the k-th Wait's at k mod 32; position 0 holds 0 until the 32nd."""
    n = len(sleeps) if n is None else n
    if n < 16:
        return 0
    total = sum(sleeps[k - 1] for k in range(max(1, n - 31), n + 1) if k % 32 < 16)
    return 100 - total * target // 160


def meshes_for(figures):
    """The meshes a frame whose overlay shows FIGURES must ask D3DX for: the two
    spheres, then the two boxes, each box as wide, high and deep as its sphere,
    either sphere with its box left out while it blinks."""
    spheres = {k: f"sphere {figures[f'r{k}']:.2f} 16 16" for k in (1, 2)}
    boxes = {k: "box" + f" {2 * figures[f'r{k}']:.2f}" * 3 for k in (1, 2)}
    return [[spheres[k] for k in shown] + [boxes[k] for k in shown] for shown in ((1, 2), (2,), (1,))]


def figure_mismatches(log):
    """Checks every overlay's FPS and CPU figures against the frames before it,
    each frame as the program's pacing saw it: the clock reading it took after
    the frame's Present, which must lie between that Present and the next
    overlay, and the sleep it asked for then. The FPS figure is also held against
    the Present stamps over the same frames, by a rule of its own: the exact
    rate, the span give or take READ_LAG ms, must be within 1 of it (at 120 a
    second 1 ms is 1 a second). The sizes of the meshes of each frame must be
    those of the radii its overlay shows, and every font one of FONTS. Returns
    (overlays compared, what differs)."""
    frames, texts, off = log.frames, log.texts, []
    fonts = [m[1] for _, m in log.find(r"font 0x[0-9a-f]{8} (.*)", "d3dx9proxy")]
    if not fonts or set(fonts) - FONTS:
        off.append(f"fonts made with {fonts}, not {FONTS}")
    if len(frames) < len(log.presents) - 1:  # the last may still be in its loop turn
        off.append(f"{len(frames)} frames reported for {len(log.presents)} Presents")
    nxt = 0  # the first overlay drawn after frame i
    for i, frame in enumerate(frames):
        while nxt < len(texts) and texts[nxt].frames <= i:
            nxt += 1
        after = texts[nxt].ms if nxt < len(texts) else None
        if frame.wait is None or frame.wait < frame.presented or (after is not None and frame.wait > after):
            off.append(f"frame {i + 1} presented at {frame.presented}, then read {frame.wait}, next overlay at {after}")
    unread = next((i for i, f in enumerate(frames) if f.wait is None), len(frames))
    waits, sleeps, presented = ([getattr(f, a) for f in frames] for a in ("wait", "sleep", "presented"))
    for text in texts:
        figures, n = parse_overlay(text.text), text.frames
        if figures is None:
            off.append(f"not an overlay: {text.text!r}")
            continue
        if text.meshes not in meshes_for(figures):
            off.append(f"frame {n + 1} shows R={figures['r1']:.2f} and R={figures['r2']:.2f}, draws {text.meshes}")
        if n > unread:
            continue
        expected = (shown_rate(waits, n), shown_load(sleeps, n))
        if (figures["rate"], figures["load"]) != expected:
            off.append(f"frame {n + 1} shows FPS {figures['rate']} CPU {figures['load']}, "
                       f"its frames give {expected[0]} and {expected[1]}")
        count = 16 if n < 32 else 32
        span = n >= 16 and (presented[n - 1] - presented[n - count]) & 0xFFFFFFFF
        if span and not (Fraction((count - 1) * 1000, span + READ_LAG) - 1 <= figures["rate"]
                         <= Fraction((count - 1) * 1000, max(1, span - READ_LAG)) + 1):
            off.append(f"frame {n + 1} shows FPS {figures['rate']}, its Presents {(count - 1) * 1000 / span:.2f}")
    if len(texts) < MIN_OVERLAYS:
        off.append(f"only {len(texts)} overlays, at least {MIN_OVERLAYS} wanted")
    return len(texts), off


def timer_problems(log, code, stays=()):
    """What is wrong with the timer's resolution as the program raised
    (timeBeginPeriod) and released (timeEndPeriod) it, in the order of the
    reports: where the finest period is below 10 ms, raises and releases of it
    alternate, every frame is presented while it is raised and, after a normal
    run, the last release follows the last frame; every stay in the background
    (STAYS: the frames presented before each) has a release, and its frames
    after it a raise. A failed start, or a finest period of 10 ms or more,
    raises none."""
    finest = [int(m[1]) for _, m in log.find(r"timer finest (\d+)")]
    if not finest:
        return ["the proxy did not report the timer's finest period"]
    fine, raised, frames, off, released = finest[0] < 10 and code == 0, False, 0, [], []
    for r in filter(None, map(Log.REPORT.match, log.lines)):
        if r[1] == "d3d9proxy" and r[3] == "present":
            frames += 1
            if fine and not raised:
                off.append(f"frame {frames} presented with the period released")
        elif r[1] == "d3d9proxy" and (m := re.fullmatch(r"time(Begin|End)Period (\d+) finest (\d+)", r[3] + r[4])):
            if not fine or m[2] != m[3] or raised == (m[1] == "Begin"):
                off.append(f"time{m[1]}Period {m[2]} after {frames} frames, with the period "
                           f"{'raised' if raised else 'released'}, the finest {m[3]}, exit code {code}")
            raised = m[1] == "Begin"
            released += [frames] if not raised else []
    if raised:
        off.append(f"the period still raised at the end, after {frames} frames")
    off += [f"no release in the stay in the background after frame {n}" for n in stays if fine and n not in released]
    return off


def percentile(values, q):
    """The q-th percentile (0 to 100) by nearest rank."""
    if not values:
        return None
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * q // 100))
    return ordered[int(rank) - 1]


# --- end-to-end tests ---------------------------------------------------------

def run_test(test):
    """Runs test(exe) as an end-to-end test, the program from the command line:
    on a failure prints why with the last lines of each program's output and
    ends 1; every program started is ended."""
    try:
        test(sys.argv[1])
        return 0
    except Failure as failure:
        say(f"FAIL: {failure}")
        for run in STARTED:
            say(f"--- last lines of {run.path} ---")
            say("\n".join(run.read().lines[-20:]))
        return 1
    finally:
        for run in STARTED:
            run.kill()


def main():
    parser = argparse.ArgumentParser(description="Runs the program and saves a screenshot of its window.")
    parser.add_argument("--screenshot", required=True)
    parser.add_argument("--seconds", type=float, default=4)
    parser.add_argument("exe")
    args = parser.parse_args()
    run = Kelvane("run", args.exe, probe=False)
    try:
        run.wid = run.wait_window()
        run.activate(run.wid)
        time.sleep(args.seconds)
        run.screenshot(args.screenshot)
        run.close(drawing=False)
    except Failure as failure:
        say(f"run: {failure}")
        return 1
    finally:
        run.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main())
