"""Running kelvane.exe under Wine for the benchmark and the soak, and reading
what it did from Wine's trace channels and from /proc.

Used by scripts/bench.py and scripts/soak.py, both run on a display prepared by
scripts/with-display.sh. Only the process started here is ever stopped, by its
process id.
"""

import os
import re
import signal
import subprocess
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("KELVANE_BUILD_DIR", os.path.join(ROOT, "build"))
EXE = os.path.join(BUILD, "mingw", "kelvane.exe")

# The channels the readings come from: every presentation (d3d9), the overlay
# string handed to the font and the meshes made and released (d3dx), each line
# stamped with Wine's millisecond clock.
TRACED = "+timestamp,trace+d3d9,trace+d3dx"
PLAIN = "-all"

# The trace channels write thousands of lines a frame; only these are kept, and
# what the device-loss proxy of tests/proxy reports.
KEEP = (r"d3d9_device_Present |ID3DXFontImpl_DrawTextW |D3DXCreate(Box|Sphere) "
        r"|d3dx9_mesh_Release .*refcount to 0|D3DXCreateBuffer size|ID3DXBufferImpl_Release .*refcount to 0"
        r"|:err:|Unhandled|Backtrace|^=>|^d3d9proxy: ")

STAMP = re.compile(r"^\s*(\d+)\.(\d{3}):")
OVERLAY_TEXT = re.compile(r'ID3DXFontImpl_DrawTextW .*string L"(.*)", in_count')


def xdotool(*args):
    """Runs xdotool; returns its output, empty when it found nothing."""
    done = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    return done.stdout.strip()


class Kelvane:
    """One run of the program: started, driven by xdotool, ended through Exit."""

    def __init__(self, log, winedebug=PLAIN, exe=EXE):
        self.log = log
        os.makedirs(os.path.dirname(log), exist_ok=True)
        env = dict(os.environ, WINEDEBUG=winedebug)
        out = open(log, "w")
        traced = winedebug != PLAIN
        self.proc = subprocess.Popen([os.path.join(ROOT, "scripts", "wine-run.sh"), exe],
                                     stdin=subprocess.DEVNULL, stdout=subprocess.PIPE if traced else out,
                                     stderr=subprocess.STDOUT, env=env)
        self.filter = None
        if traced:
            self.filter = subprocess.Popen(["grep", "--line-buffered", "-E", KEEP],
                                           stdin=self.proc.stdout, stdout=out)
            self.proc.stdout.close()
        out.close()
        self.pid = self.proc.pid
        self.wid = None
        self.exit_code = None

    # --- the process -----------------------------------------------------

    def running(self):
        return self.proc.poll() is None

    def wait_window(self, name="kelvane", timeout=30):
        """Waits for the program's visible window NAME; returns its X id or None."""
        pattern = "^" + re.escape(name) + "$"
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and self.running():
            found = xdotool("search", "--all", "--onlyvisible", "--pid", str(self.pid), "--name", pattern)
            if found:
                return found.split()[0]
            time.sleep(0.1)
        return None

    def start(self, timeout=30):
        """Waits for the main window and brings it to the foreground."""
        self.wid = self.wait_window("kelvane", timeout)
        if self.wid is None:
            raise RuntimeError("the window \"kelvane\" did not appear")
        self.activate()
        return self.wid

    def activate(self, wid=None, timeout=10):
        wid = wid or self.wid
        xdotool("windowactivate", wid)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if xdotool("getactivewindow") == wid:
                return True
            time.sleep(0.1)
        return False

    def exit(self, timeout=15):
        """Chooses Exit from the File menu (Alt+F, X), as a user would, retrying
        when the keys land while Wine is still taking the focus. Returns the exit
        code; a program that does not end in time is killed and gives None."""
        deadline = time.monotonic() + timeout
        while self.running() and time.monotonic() < deadline:
            self.activate()
            xdotool("key", "--clearmodifiers", "alt+f")
            time.sleep(0.3)
            xdotool("key", "x")
            end = time.monotonic() + 3
            while self.running() and time.monotonic() < end:
                time.sleep(0.1)
        return self.finish()

    def finish(self):
        if self.running():
            self.kill()
            return None
        self.exit_code = self.proc.wait()
        if self.filter:
            self.filter.wait(timeout=10)
        return self.exit_code

    def kill(self):
        if self.running():
            os.kill(self.pid, signal.SIGKILL)
            self.proc.wait()
        if self.filter:
            self.filter.wait(timeout=10)

    # --- /proc readings of the program's own process ------------------------

    def cpu_seconds(self):
        """User plus system time the process has used so far, all threads."""
        with open(f"/proc/{self.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def rss_kib(self):
        with open(f"/proc/{self.pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def open_fds(self):
        return len(os.listdir(f"/proc/{self.pid}/fd"))

    def image(self):
        """The Windows program the process runs, as its command line names it."""
        with open(f"/proc/{self.pid}/cmdline", "rb") as f:
            return f.read().replace(b"\0", b" ").decode(errors="replace")


def machine_seconds():
    """Processor time of the whole machine so far, all cores: (busy, stolen).
    Busy is everything but idle, I/O wait and steal; stolen is the time a
    virtual machine's host gave the cores to someone else."""
    with open("/proc/stat") as f:
        ticks = [int(v) for v in f.readline().split()[1:]]
    user, nice, system, idle, iowait, irq, softirq, steal = ticks[:8]
    hz = os.sysconf("SC_CLK_TCK")
    return (user + nice + system + irq + softirq) / hz, steal / hz


# --- reading the trace ------------------------------------------------------


def stamp_ms(line):
    m = STAMP.match(line)
    return int(m.group(1)) * 1000 + int(m.group(2)) if m else None


class Trace:
    """What a traced run's log says: presentations, overlay strings, meshes."""

    def __init__(self, log):
        self.presents = []      # ms stamps of the presentations
        self.overlays = []      # (ms stamp, overlay string with real newlines)
        self.meshes_created = self.meshes_released = 0
        self.buffers_created = self.buffers_released = 0
        with open(log, errors="replace") as f:
            for line in f:
                if "d3d9_device_Present " in line:
                    self.presents.append(stamp_ms(line))
                elif "ID3DXFontImpl_DrawTextW " in line:
                    m = OVERLAY_TEXT.search(line)
                    if m:
                        self.overlays.append((stamp_ms(line), m.group(1).replace("\\n", "\n")))
                elif "D3DXCreateBox " in line or "D3DXCreateSphere " in line:
                    self.meshes_created += 1
                elif "d3dx9_mesh_Release " in line:
                    self.meshes_released += 1
                elif "D3DXCreateBuffer size" in line:
                    self.buffers_created += 1
                elif "ID3DXBufferImpl_Release " in line:
                    self.buffers_released += 1

    def intervals(self):
        p = [t for t in self.presents if t is not None]
        return [b - a for a, b in zip(p, p[1:])]


# --- the overlay string -----------------------------------------------------

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


def percentile(values, q):
    """The q-th percentile (0 to 100) by nearest rank."""
    if not values:
        return None
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * q // 100))
    return ordered[int(rank) - 1]


# --- presentations seen by the X server -------------------------------------


class PresentRecorder:
    """Stamps every update of a 640 x 480 area on the display, as the X server's
    DAMAGE extension reports it: one event per presented frame, seen from
    outside the program, so that an untraced run can be timed too."""

    def __init__(self):
        import threading
        from Xlib import display
        from Xlib.ext import damage

        self.display = display.Display()
        self.display.damage_query_version()
        root = self.display.screen().root
        self.damage = root.damage_create(damage.DamageReportRawRectangles)
        self.display.flush()
        self.stamps = []
        self.stopping = False
        self.thread = threading.Thread(target=self._listen, daemon=True)
        self.thread.start()

    def _listen(self):
        import select

        fd = self.display.fileno()
        while not self.stopping:
            if not self.display.pending_events():
                select.select([fd], [], [], 0.1)
            while self.display.pending_events():
                event = self.display.next_event()
                area = getattr(event, "area", None)
                if area is not None and (area.width, area.height) == (640, 480):
                    self.stamps.append(time.monotonic() * 1000)

    def stop(self):
        self.stopping = True
        self.thread.join(timeout=2)
        self.display.close()
        return self.stamps


def overlay_rates(stamps):
    """The rate the overlay shows at each frame, worked out as the program does
    from whole-millisecond frame times: (span / 2 + 31000) / span over the 31
    intervals before the frame."""
    ms = [int(t) for t in stamps]
    rates = []
    for k in range(32, len(ms)):
        span = ms[k - 1] - ms[k - 32]
        rates.append((span // 2 + 31000) // span if span else 0)
    return rates
