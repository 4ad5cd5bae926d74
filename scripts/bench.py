"""make bench: measures how kelvane.exe keeps its pace, its load and its memory.

Two runs of the same length on the current display: a plain one (no Wine
tracing) for the processor time, the resident memory and the open descriptors
of the program's process, and a traced one for the presentations, the overlay
strings and the meshes. Tracing slows every frame down, so the plain run's
presentations are timed as well, from outside, by the X server's reports of the
window's updates; the overlay's rate is worked out from those the way the
program does it. Prints a table, writes it to build/bench/report.txt and
plots the frame intervals to build/bench/intervals.png.

usage: bench.py [SECONDS]    (default 60)
"""

import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kelvane_run as kr  # noqa: E402

OUT = os.path.join(kr.BUILD, "bench")
SETTLE = 2  # seconds after the window appears before the first reading


def measured_run(seconds, winedebug, name):
    """Runs the program for SECONDS in the foreground; returns its readings."""
    run = kr.Kelvane(os.path.join(OUT, name + ".log"), winedebug)
    run.start()
    time.sleep(SETTLE)
    recorder = kr.PresentRecorder()
    first = {"wall": time.monotonic(), "cpu": run.cpu_seconds(), "rss": run.rss_kib(), "fds": run.open_fds(),
             "machine": kr.machine_seconds()}
    rss = [(0.0, first["rss"])]
    while (elapsed := time.monotonic() - first["wall"]) < seconds:
        time.sleep(min(5, seconds - elapsed))
        rss.append((time.monotonic() - first["wall"], run.rss_kib()))
    last = {"wall": time.monotonic(), "cpu": run.cpu_seconds(), "rss": run.rss_kib(), "fds": run.open_fds(),
            "machine": kr.machine_seconds()}
    image = run.image()
    stamps = recorder.stop()
    code = run.exit()
    wall = last["wall"] - first["wall"]
    cpu = last["cpu"] - first["cpu"]
    return {
        "presents": stamps,
        "cpu_share": 100 * cpu / wall,
        # Everything else the machine did meanwhile (Xvfb, Wine's server, the
        # trace filter, this script), and what the host took away.
        "others_share": 100 * (last["machine"][0] - first["machine"][0] - cpu) / wall,
        "stolen_share": 100 * (last["machine"][1] - first["machine"][1]) / wall,
        "first": first, "last": last, "rss": rss, "exit": code, "image": image,
        "log": run.log,
    }


def agreement(worked_out, shown):
    """How often the rates worked out from the X server's updates equal those
    the overlay showed, frame by frame. The two lists start at different frames
    (the updates are recorded from the first reading on); they are lined up at
    the offset where most of the overlay's readings other than 60 are matched.
    Returns (frames agreeing, frames compared)."""
    def matched_off(shift):
        return sum(1 for a, b in zip(worked_out, shown[shift:]) if b != 60 and a == b)

    shift = max(range(0, min(600, len(shown))), key=matched_off)
    pairs = list(zip(worked_out, shown[shift:]))
    return sum(1 for a, b in pairs if a == b), len(pairs)


def overlay_figures(trace):
    """Rates and loads the overlay showed after its first second, and the
    strings that were not the five well-formed lines."""
    if not trace.overlays:
        return None
    start = trace.overlays[0][0] + 1000
    parsed = [(t, kr.parse_overlay(s)) for t, s in trace.overlays]
    bad = [s for (t, s), (_, p) in zip(trace.overlays, parsed) if p is None]
    later = [p for t, p in parsed if p is not None and t >= start]
    good = [p for _, p in parsed if p is not None]
    return {
        "shown": [p["rate"] for p in good],
        "samples": len(later),
        "bad": bad,
        "first": good[0] if good else None,
        "last": good[-1] if good else None,
        "rates": [p["rate"] for p in later],
        "loads": [p["load"] for p in later],
        "off_target": sum(1 for p in later if (p["rate"], p["target"]) != (60, 60)),
    }


def plot(intervals, presents, seen_intervals, seen, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    runs = [("traced run (trace+d3d9)", intervals, presents)]
    if seen_intervals:
        runs.insert(0, ("plain run (X server's updates)", seen_intervals, seen))
    fig, axes = plt.subplots(len(runs), 1, figsize=(10, 3.2 * len(runs)), dpi=100, squeeze=False)
    for ax, (title, iv, stamps) in zip(axes[:, 0], runs):
        xs = [(t - stamps[0]) / 1000 for t in stamps[1:]]
        ax.plot(xs, iv, linewidth=0.6, color="tab:blue")
        ax.axhline(1000 / 60, color="tab:red", linewidth=0.8, linestyle="--", label="16.67 ms (60 per second)")
        ax.set_ylabel("interval (ms)")
        ax.set_title(f"kelvane: frame intervals, {title}")
        ax.set_ylim(0, max(40, max(iv) + 2))
        ax.legend(loc="upper right")
    axes[-1, 0].set_xlabel("time since the first presentation (s)")
    fig.tight_layout()
    fig.savefig(path)
    plt.close(fig)


def describe_intervals(out, intervals, digits):
    out(f"  interval median / p95 / p99 / max {statistics.median(intervals):.1f} / "
        f"{kr.percentile(intervals, 95):.{digits}f} / {kr.percentile(intervals, 99):.{digits}f} / "
        f"{max(intervals):.{digits}f} ms")
    out(f"  mean interval                     {statistics.mean(intervals):.3f} ms "
        f"({1000 / statistics.mean(intervals):.2f} per second)")


def verdict(ok):
    return "met" if ok else "MISSED"


def main():
    seconds = int(sys.argv[1]) if len(sys.argv) > 1 and sys.argv[1] else 60
    os.makedirs(OUT, exist_ok=True)
    print(f"bench: {seconds} s plain run, then {seconds} s traced run", flush=True)

    plain = measured_run(seconds, kr.PLAIN, "plain")
    traced = measured_run(seconds, kr.TRACED, "traced")
    trace = kr.Trace(traced["log"])
    intervals = trace.intervals()
    ov = overlay_figures(trace)

    lines = []
    out = lines.append
    out(f"kelvane benchmark: {seconds} s per run, {time.strftime('%Y-%m-%d %H:%M')}")
    out(f"process: {plain['image']}")
    out("")
    out(f"{'figure':<44}{'plain run':>16}{'traced run':>16}")
    out(f"{'exit code':<44}{plain['exit']!s:>16}{traced['exit']!s:>16}")
    out(f"{'processor time, % of one core':<44}{plain['cpu_share']:>16.1f}{traced['cpu_share']:>16.1f}")
    out(f"{'  rest of the machine, % of one core':<44}{plain['others_share']:>16.1f}{traced['others_share']:>16.1f}")
    out(f"{'  stolen by the host, % of one core':<44}{plain['stolen_share']:>16.1f}{traced['stolen_share']:>16.1f}")
    for key, label in (("rss", "resident memory, MiB"), ("fds", "open file descriptors")):
        for when in ("first", "last"):
            a, b = plain[when][key], traced[when][key]
            if key == "rss":
                a, b = f"{a / 1024:.1f}", f"{b / 1024:.1f}"
            out(f"{label + (' at start' if when == 'first' else ' at end'):<44}{a:>16}{b:>16}")
    growth = (plain["last"]["rss"] - plain["first"]["rss"]) / 1024
    out(f"{'resident memory growth, MiB':<44}{growth:>16.2f}"
        f"{(traced['last']['rss'] - traced['first']['rss']) / 1024:>16.2f}")
    out("")
    seen = plain["presents"]
    seen_iv = [b - a for a, b in zip(seen, seen[1:])]
    rates = kr.overlay_rates(seen)
    if seen_iv:
        out("plain run, updates of the window as the X server reported them")
        out(f"  frames presented                  {len(seen)}")
        # Stamps of this script's clock, to a fraction of a millisecond.
        describe_intervals(out, seen_iv, 1)
        out(f"  overlay rate worked out from them {min(rates)} to {max(rates)}, "
            f"not 60 in {sum(1 for r in rates if r != 60)} of {len(rates)} frames")
        out("")
    out("traced run")
    out(f"  frames presented, start to Exit   {len(trace.presents)}")
    if intervals:
        # Wine's stamps are whole milliseconds.
        describe_intervals(out, intervals, 0)
    out(f"  meshes created / released         {trace.meshes_created} / {trace.meshes_released}")
    out(f"  D3DX buffers created / released   {trace.buffers_created} / {trace.buffers_released}")
    if ov:
        f, l = ov["first"], ov["last"]
        out(f"  overlay strings                   {len(trace.overlays)}, not well-formed: {len(ov['bad'])}")
        worked_out = kr.overlay_rates(traced["presents"])
        same, compared = agreement(worked_out, ov["shown"])
        out(f"  rate worked out from X updates    not 60 in {sum(1 for r in worked_out if r != 60)} of "
            f"{len(worked_out)} frames; equal to the overlay's in {same} of {compared}")
        out(f"  overlay rate  first / last        {f['rate']}/{f['target']} / {l['rate']}/{l['target']}")
        out(f"  overlay load  first / last        {f['load']} % / {l['load']} %")
        if ov["samples"]:
            out(f"  after the first second            {ov['samples']} samples: rate {min(ov['rates'])} to "
                f"{max(ov['rates'])}, load {min(ov['loads'])} to {max(ov['loads'])} % "
                f"(mean {statistics.mean(ov['loads']):.1f} %)")
            out(f"  samples not reading FPS 60/60     {ov['off_target']}")
    out("")
    out("bars")
    if intervals:
        med, p99 = statistics.median(intervals), kr.percentile(intervals, 99)
        out(f"  median interval 16 to 17 ms       {med:.1f} ms: {verdict(16 <= med <= 17)}")
        out(f"  99th percentile at most 20 ms     {p99} ms: {verdict(p99 <= 20)}")
    if ov and ov["samples"]:
        out(f"  FPS 60/60 after the first second  {ov['samples'] - ov['off_target']} of {ov['samples']}: "
            f"{verdict(ov['off_target'] == 0)}")
    out(f"  processor time below 25 %         {plain['cpu_share']:.1f} % (plain run): "
        f"{verdict(plain['cpu_share'] < 25)}")
    out(f"  memory growth below 2 MiB         {growth:.2f} MiB over {seconds} s (plain run): "
        f"{verdict(growth < 2)}{'' if seconds >= 300 else '  (the bar is for a 5-minute run)'}")
    out(f"  meshes created equal released     {trace.meshes_created} / {trace.meshes_released}: "
        f"{verdict(trace.meshes_created == trace.meshes_released and trace.meshes_created > 0)}")

    report = "\n".join(lines) + "\n"
    print(report, end="")
    with open(os.path.join(OUT, "report.txt"), "w") as f:
        f.write(report)
    with open(os.path.join(OUT, "rss.txt"), "w") as f:
        f.writelines(f"{t:.1f} {kib}\n" for t, kib in plain["rss"])
    if intervals:
        plot(intervals, trace.presents, seen_iv, seen, os.path.join(OUT, "intervals.png"))
    print(f"report: {os.path.join(OUT, 'report.txt')}")
    print(f"plot:   {os.path.join(OUT, 'intervals.png')}")
    return 0 if plain["exit"] == 0 and traced["exit"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
