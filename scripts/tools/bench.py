"""make bench: measures how kelvane.exe keeps its pace, its load and its memory,
and what the tests' instrument costs it.

Two runs of the same length on the current display: a plain one, timed from
outside by the X server's reports of the window's updates, and a probed one
beside the test proxies (tests/proxy), which stamp every Present and every
overlay text with the program's own clock. Both give the processor time, the
resident memory and the open descriptors of the program's process; the
difference in processor time is what the end-to-end tests' instrument costs.
With --traced a third run measures Wine's trace channels (trace+d3d9,
trace+d3dx), the instrument the tests used before, the same way; with
--extras another run switches the help panel (F1) and the hit colours (H) on
and off every 5 s and gives the processor time of both halves. Prints a
table, writes it to build/bench/report.txt and plots the frame intervals to
build/bench/intervals.png.

usage: bench.py [SECONDS] [--traced] [--extras]    (default 60)
"""

import argparse
import os
import statistics
import sys
import threading
import time
from functools import partial

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import kelvane_run as kr  # noqa: E402

OUT = os.path.join(kr.BUILD, "bench")
SETTLE = 2  # seconds after the window appears before the first reading
TRACED = "+timestamp,trace+d3d9,trace+d3dx"


class PresentRecorder:
    """Stamps every update of a 640 x 480 area on the display, as the X server's
    DAMAGE extension reports it: one event per presented frame, seen from
    outside the program, so that a run without the proxies is timed too."""

    def __init__(self):
        from Xlib import display
        from Xlib.ext import damage

        self.display = display.Display()
        self.display.damage_query_version()
        self.damage = self.display.screen().root.damage_create(damage.DamageReportRawRectangles)
        self.display.flush()
        self.stamps = []
        self.stopping = False
        self.thread = threading.Thread(target=self._listen, daemon=True)
        self.thread.start()

    def _listen(self):
        import select

        while not self.stopping:
            if not self.display.pending_events():
                select.select([self.display.fileno()], [], [], 0.1)
            while self.display.pending_events():
                area = getattr(self.display.next_event(), "area", None)
                if area is not None and (area.width, area.height) == (640, 480):
                    self.stamps.append(time.monotonic() * 1000)

    def stop(self):
        self.stopping = True
        self.thread.join(timeout=2)
        self.display.close()
        return self.stamps


def machine_seconds():
    """Processor time of the whole machine so far, all cores: (busy, stolen)."""
    with open("/proc/stat") as f:
        ticks = [int(v) for v in f.readline().split()[1:]]
    user, nice, system, idle, iowait, irq, softirq, steal = ticks[:8]
    hz = os.sysconf("SC_CLK_TCK")
    return (user + nice + system + irq + softirq) / hz, steal / hz


def measured_run(seconds, name, probe, winedebug="-all"):
    """Runs the program for SECONDS in the foreground; returns its readings."""
    keep = r"^d3d9proxy: |^d3dx9proxy: |:err:" if winedebug != "-all" else None
    run = kr.Kelvane("bench-" + name, probe=probe, winedebug=winedebug, keep=keep).start()
    time.sleep(SETTLE)
    recorder = None if probe else PresentRecorder()
    first = {"wall": time.monotonic(), "cpu": run.cpu_seconds(), "rss": run.rss_kib(), "fds": run.open_fds(),
             "machine": machine_seconds(), "texts": len(run.read().texts)}
    while (elapsed := time.monotonic() - first["wall"]) < seconds:
        time.sleep(min(5, seconds - elapsed))
    last = {"wall": time.monotonic(), "cpu": run.cpu_seconds(), "rss": run.rss_kib(), "fds": run.open_fds(),
            "machine": machine_seconds()}
    stamps = recorder.stop() if recorder else [f.wait for f in run.read().frames]
    run.exit()
    wall = last["wall"] - first["wall"]
    cpu = last["cpu"] - first["cpu"]
    return {
        "name": name, "exit": 0, "first": first, "last": last, "stamps": stamps, "log": run.read(),
        "cpu_share": 100 * cpu / wall,
        # Everything else the machine did meanwhile (Xvfb, Wine's server, this
        # script), and what the host took away.
        "others_share": 100 * (last["machine"][0] - first["machine"][0] - cpu) / wall,
        "stolen_share": 100 * (last["machine"][1] - first["machine"][1]) / wall,
    }


def took(run, key, on):
    """Whether the picture shows the help panel (F1) or the hit colours (H) ON."""
    at = run.client("bench-extras-" + key)
    return (at(*kr.BAND) == kr.BAND_RGB) == on if key == "F1" else kr.hit_colours(at) is on


def extras_run(seconds, phase=5):
    """Runs the program for SECONDS, the help panel and the hit colours (F1, H)
    switched on and off every PHASE seconds, so that both halves share whatever
    else the machine does; returns the processor time of each half, % of a core,
    and a screenshot of the last half with them on."""
    run = kr.Kelvane("bench-extras", probe=True).start()
    time.sleep(SETTLE)
    shares, end = {False: [0, 0], True: [0, 0]}, time.monotonic() + seconds
    on = False
    while time.monotonic() < end:
        cpu, wall = run.cpu_seconds(), time.monotonic()
        time.sleep(phase)
        shares[on][0] += run.cpu_seconds() - cpu
        shares[on][1] += time.monotonic() - wall
        if on:
            run.screenshot(os.path.join(OUT, "extras.png"))
        on = not on
        # The next half starts once the picture shows both keys took. The panel
        # hides the volumes: H is seen first when they come on, last when they go.
        for key in ("h", "F1") if on else ("F1", "h"):
            run.keys(key, effect=partial(took, run, key, on), what=f"turn {key} {'on' if on else 'off'}")
    run.exit()
    return {on: 100 * cpu / wall for on, (cpu, wall) in shares.items() if wall}


def describe_intervals(out, stamps):
    intervals = [b - a for a, b in zip(stamps, stamps[1:])]
    if not intervals:
        return intervals
    out(f"  frames presented                  {len(stamps)}")
    out(f"  interval median / p95 / p99 / max {statistics.median(intervals):.1f} / "
        f"{kr.percentile(intervals, 95):.1f} / {kr.percentile(intervals, 99):.1f} / {max(intervals):.1f} ms")
    out(f"  mean interval                     {statistics.mean(intervals):.3f} ms "
        f"({1000 / statistics.mean(intervals):.2f} per second)")
    return intervals


def plot(runs, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, axes = plt.subplots(len(runs), 1, figsize=(10, 3.2 * len(runs)), dpi=100, squeeze=False)
    for ax, (title, stamps) in zip(axes[:, 0], runs):
        intervals = [b - a for a, b in zip(stamps, stamps[1:])]
        ax.plot([(t - stamps[0]) / 1000 for t in stamps[1:]], intervals, linewidth=0.6, color="tab:blue")
        ax.axhline(1000 / 60, color="tab:red", linewidth=0.8, linestyle="--", label="16.67 ms (60 per second)")
        ax.set_ylabel("interval (ms)")
        ax.set_title(f"kelvane: frame intervals, {title}")
        ax.set_ylim(0, max(40, max(intervals) + 2))
        ax.legend(loc="upper right")
    axes[-1, 0].set_xlabel("time since the first presentation (s)")
    fig.tight_layout()
    fig.savefig(path)
    plt.close(fig)


def verdict(ok):
    return "met" if ok else "MISSED"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("seconds", nargs="?", type=int, default=60)
    parser.add_argument("--traced", action="store_true")
    parser.add_argument("--extras", action="store_true", help="also a plain run with F1 and H pressed")
    args = parser.parse_args()
    seconds = args.seconds
    os.makedirs(OUT, exist_ok=True)
    runs = [measured_run(seconds, "plain", False), measured_run(seconds, "probed", True)]
    if args.traced:
        runs.append(measured_run(seconds, "traced", True, TRACED))
    plain, probed = runs[0], runs[1]
    extras = extras_run(seconds) if args.extras else None

    lines = []
    out = lines.append
    out(f"kelvane benchmark: {seconds} s per run, {time.strftime('%Y-%m-%d %H:%M')}")
    out("")
    out(f"{'figure':<44}" + "".join(f"{r['name'] + ' run':>16}" for r in runs))

    def row(label, values):
        out(f"{label:<44}" + "".join(f"{v:>16}" for v in values))
    row("exit code", [str(r["exit"]) for r in runs])
    row("processor time, % of one core", [f"{r['cpu_share']:.1f}" for r in runs])
    row("  rest of the machine, % of one core", [f"{r['others_share']:.1f}" for r in runs])
    row("  stolen by the host, % of one core", [f"{r['stolen_share']:.1f}" for r in runs])
    for when in ("first", "last"):
        suffix = " at start" if when == "first" else " at end"
        row("resident memory, MiB" + suffix, [f"{r[when]['rss'] / 1024:.1f}" for r in runs])
        row("open file descriptors" + suffix, [str(r[when]["fds"]) for r in runs])
    growth = [(r["last"]["rss"] - r["first"]["rss"]) / 1024 for r in runs]
    row("resident memory growth, MiB", [f"{g:.2f}" for g in growth])
    out("")

    out("plain run, updates of the window as the X server reported them")
    seen = describe_intervals(out, plain["stamps"])
    ms = [int(t) for t in plain["stamps"]]
    worked_out = [kr.shown_rate(ms[:n]) for n in range(32, len(ms))]
    if worked_out:
        out(f"  overlay rate worked out from them {min(worked_out)} to {max(worked_out)}, "
            f"not 60 in {sum(1 for r in worked_out if r != 60)} of {len(worked_out)} frames")
    out("")
    out("probed run, frame times as the program's pacing took them")
    intervals = describe_intervals(out, probed["stamps"])
    log = probed["log"]
    later = [kr.parse_overlay(t.text) for t in log.texts[probed["first"]["texts"]:]]
    later = [f for f in later if f]
    compared, off = kr.figure_mismatches(log)
    out(f"  overlays                          {compared}; figures not those of their frames: {len(off)}")
    if later:
        out(f"  after the first {SETTLE} s                  {len(later)} overlays: rate "
            f"{min(f['rate'] for f in later)} to {max(f['rate'] for f in later)}, load "
            f"{min(f['load'] for f in later)} to {max(f['load'] for f in later)} % "
            f"(mean {statistics.mean(f['load'] for f in later):.1f} %)")
    leaks = sum(1 for t in log.texts if t.live)
    out(f"  meshes made / frames leaving any  {sum(len(t.meshes) for t in log.texts)} / {leaks}")
    out("")
    out("bars")
    if intervals:
        med, p99 = statistics.median(intervals), kr.percentile(intervals, 99)
        out(f"  median interval 16 to 17 ms       {med:.1f} ms: {verdict(16 <= med <= 17)}")
        out(f"  99th percentile at most 20 ms     {p99} ms: {verdict(p99 <= 20)}")
    if later:
        at_60 = sum(1 for f in later if (f["rate"], f["target"]) == (60, 60))
        out(f"  FPS 60/60 in 99 % of overlays     {at_60} of {len(later)}: {verdict(at_60 >= 0.99 * len(later))}")
    out(f"  processor time below 25 %         {plain['cpu_share']:.1f} % (plain run): "
        f"{verdict(plain['cpu_share'] < 25)}")
    out(f"  instrument below 5 % of a core    {probed['cpu_share'] - plain['cpu_share']:+.1f} % (probed - plain): "
        f"{verdict(probed['cpu_share'] - plain['cpu_share'] < 5)}")
    if extras and len(extras) == 2:
        out(f"  F1 and H on within 10 % of off    {extras[True]:.1f} % against {extras[False]:.1f} % (alternating "
            f"every 5 s): {verdict(extras[True] <= 1.1 * extras[False])}")
    out(f"  memory growth below 2 MiB         {growth[0]:.2f} MiB over {seconds} s (plain run): "
        f"{verdict(growth[0] < 2)}{'' if seconds >= 300 else '  (the bar is for a 5-minute run)'}")
    out(f"  every frame releases its meshes   {leaks} frames left any: {verdict(leaks == 0 and log.texts)}")

    report = "\n".join(lines) + "\n"
    print(report, end="")
    with open(os.path.join(OUT, "report.txt"), "w") as f:
        f.write(report)
    if seen and intervals:
        plot([("plain run (X server's updates)", plain["stamps"]),
              ("probed run (the program's frame times)", probed["stamps"])], os.path.join(OUT, "intervals.png"))
    print(f"report: {os.path.join(OUT, 'report.txt')}")
    print(f"plot:   {os.path.join(OUT, 'intervals.png')}")
    return 0 if all(r["exit"] == 0 for r in runs) else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except kr.Failure as failure:
        print(f"bench: {failure}")
        for started in kr.STARTED:
            started.kill()
        sys.exit(1)
