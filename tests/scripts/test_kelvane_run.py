"""What the end-to-end tests, the soak and the benchmark read from the program:
the proxies' report lines, the overlay string's well-formedness rule and the
figures the overlay must show for given frames."""

import os
import re
import sys
import tempfile
import unittest

import kelvane_run as kr

MESHES = "sphere 50.00 16 16, sphere 50.00 16 16, box 100.00 100.00 100.00, box 100.00 100.00 100.00"
START = ("FPS 00/60  CPU 000%\nSphere1 (-40.00, 0.00, 0.00) R=50.00\n"
         "Sphere2 (40.00, 0.00, 0.00) R=50.00\nAABB true\nCollision true\n")


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


class OverlayTest(unittest.TestCase):
    def test_the_start_string_reads_back(self):
        figures = kr.parse_overlay(START)
        self.assertEqual((0, 60, 0, (-40.0, 0.0, 0.0), 50.0, 50.0, True, True),
                         tuple(figures[k] for k in ("rate", "target", "load", "sphere1", "r1", "r2", "aabb",
                                                    "collision")))

    def test_three_digit_rates_negative_loads_and_minus_zero_are_well_formed(self):
        text = START.replace("FPS 00/60  CPU 000%", "FPS 120/60  CPU -05%").replace("(40.00, 0.00", "(40.00, -0.00")
        figures = kr.parse_overlay(text)
        self.assertEqual((120, -5), (figures["rate"], figures["load"]))

    def test_broken_strings_are_rejected(self):
        for broken in (
            START.replace("0.00, 0.00)", "nan, 0.00)", 1),
            START.replace("R=50.00", "R=inf", 1),
            START.replace("R=50.00", "R=-nan(ind)", 1),
            START.replace("AABB true", "AABB 1"),
            START.replace("Collision true\n", "Collision true"),
            START.replace("Sphere2", "Sphere 2"),
            START + "extra\n",
            "",
        ):
            with self.subTest(broken=broken):
                self.assertIsNone(kr.parse_overlay(broken))


class ShownFiguresTest(unittest.TestCase):
    def test_rate_none_before_the_16th_wait_then_15_and_from_the_32nd_31_intervals(self):
        # 15 intervals of 25 ms (40 a second), then 20 ms ones (50 a second): a
        # window switched a frame early or late reads otherwise at 16, 30 and 32.
        waits = [i * 25 for i in range(16)] + [375 + i * 20 for i in range(1, 40)]
        self.assertEqual([0, 40, 49, 45, 50], [kr.shown_rate(waits, n) for n in (15, 16, 30, 32, len(waits))])

    def test_rate_bounds_of_60_and_the_clock_wrapping(self):
        # 31 intervals in 513 to 521 ms read 60; 512 and 522 do not. At a start's
        # catch-up a scale off by a tenth of a percent reads 264 or 266 otherwise.
        for span, rate in ((512, 61), (513, 60), (521, 60), (522, 59), (264, 117), (266, 117)):
            with self.subTest(span=span):
                self.assertEqual(rate, kr.shown_rate([0] * 31 + [span]))
        self.assertEqual(60, kr.shown_rate([2**32 - 16] + [0] * 30 + [500]))
        self.assertEqual(0, kr.shown_rate([7] * 32))

    def test_load_sums_the_sleeps_at_ring_positions_0_to_15(self):
        # Waits 16 to 31 sleep 5, the others 10 until the 32nd, then none: after
        # 40 Waits positions 0 to 15 hold Waits 32 to 40 and 9 to 15.
        uneven = [10] * 15 + [5] * 16 + [0] * 9
        for sleeps, n, load in (([10] * 15, 15, 0), ([10] * 16, 16, 44), ([10] * 32, 32, 40), (uneven, 40, 74),
                                ([17] * 32, 32, -2)):
            with self.subTest(n=n, load=load):
                self.assertEqual(load, kr.shown_load(sleeps, n))


class LogTest(unittest.TestCase):
    def write(self, lines):
        f = tempfile.NamedTemporaryFile("w", suffix=".log", delete=False)
        self.addCleanup(os.remove, f.name)
        f.write("\n".join(lines) + "\n")
        f.close()
        return kr.Log(f.name).update()

    def frames(self, count=40, text=None, frame=None, font="-16 0 700 1 0 1 0 0 0 \"System\""):
        """A run of COUNT frames paced 16, 17, 17 ms apart, each sleeping 10 ms and
        read 1 ms after its Present, each overlay as the program must draw it:
        FPS 00 CPU 000 before 16 frames, then 60 and 44, from 32 frames 60 and 40.
        text(i, overlay) and frame(i, line) may change the i-th of either."""
        lines = ["fixme:d3d:something Wine says", "d3d9proxy: 1 forwarding to C:\\windows\\system32\\d3d9.dll",
                 f"d3dx9proxy: 2 font 0x00000000 {font}"]
        for i in range(count):
            presented = 1000 + i * 50 // 3
            figures = "FPS 00/60  CPU 000%" if i < 16 else "FPS 60/60  CPU 044%" if i < 32 else "FPS 60/60  CPU 040%"
            shown = START.replace("FPS 00/60  CPU 000%", figures)
            shown = text(i, shown) if text else shown
            line = f"frame {presented} wait {presented + 1} sleep 10"
            lines += [f"d3dx9proxy: {presented - 3} text at 10,10 meshes [{MESHES}] live 0 {quoted(shown)}",
                      f"d3d9proxy: {presented} present 0x00000000",
                      f"d3d9proxy: {presented + 12} {frame(i, line) if frame else line}"]
        return self.write(lines)

    def test_report_lines_read_back_with_their_escapes_and_whole(self):
        log = self.write(["d3d9proxy: 1184 frame 1180 wait 1183 sleep 12",
                          'd3dx9proxy: 1200 text at 10,10 meshes [sphere 5.00 16 16, box 7.00 8.00 9.00] live 1 '
                          '"a \\"b\\" c\\\\d\\ne"', 'd3dx9proxy: 1201 text at 20,30 meshes [] live 0 "help"',
                          "d3d9proxy: 1216 present 0x88760868", "d3d9proxy: 1217 command lose",
                          "d3d9proxy: 1218 frame 1216 wait none", "d3d9proxy: 1219 command lose twice",
                          "xd3d9proxy: 1220 command lose", "d3dx9proxy: 1221 command lose"])
        self.assertEqual(([(1216, kr.LOST)], [kr.Frame(1180, 1183, 12), kr.Frame(1216, None, 0)]),
                         (log.presents, log.frames))
        self.assertEqual(([kr.Text(1200, ["sphere 5.00 16 16", "box 7.00 8.00 9.00"], 1, 'a "b" c\\d\ne', 1)],
                          [kr.Text(1201, [], 0, "help", 1, (20, 30))]), (log.texts, log.other_texts))
        self.assertEqual([1217], [ms for ms, _ in log.find("command lose")])
        self.assertEqual(["lose", "lose twice"], [m[1] for _, m in log.find("command (.*)")])

    def test_a_line_still_being_written_is_read_once_it_is_whole(self):
        log = self.write(["d3d9proxy: 5 present 0x00000000"])
        with open(log.path, "a") as f:
            f.write("d3d9proxy: 21 pres")
        self.assertEqual(1, len(log.update().presents))
        with open(log.path, "a") as f:
            f.write("ent 0x00000000\n")
        self.assertEqual([5, 21], [ms for ms, _ in log.update().presents])

    def test_each_overlay_is_checked_against_the_frames_before_it(self):
        self.assertEqual((40, []), kr.figure_mismatches(self.frames()))
        for what, run, problem in (
            ("a rate off by one", self.frames(text=lambda i, f: f.replace("FPS 60", "FPS 61") if i == 30 else f),
             "frame 31 shows FPS 61 CPU 44, its frames give 60 and 44"),
            ("the load the wrong way round", self.frames(text=lambda i, f: f.replace("040", "060") if i == 35 else f),
             "frame 36 shows FPS 60 CPU 60, its frames give 60 and 40"),
            ("a reading of another turn", self.frames(frame=lambda i, line: line.replace(" wait 1167", " wait 1250")),
             "frame 11 presented at 1166, then read 1250, next overlay at 1180"),
            ("no reading", self.frames(frame=lambda i, line: "frame 1166 wait none" if i == 10 else line),
             "frame 11 presented at 1166, then read None, next overlay at 1180"),
            ("Presents that deny the rate by a rule of their own",
             self.frames(frame=lambda i, line: re.sub(r"frame (\d+)", lambda m: f"frame {int(m[1]) - i}", line)),
             "frame 17 shows FPS 60, its Presents 63.83"),
            ("too few overlays", self.frames(29), "only 29 overlays, at least 30 wanted"),
            ("a sphere drawn at another radius than shown",
             self.frames(text=lambda i, f: f.replace("R=50.00", "R=51.00", 1) if i == 20 else f),
             f"frame 21 shows R=51.00 and R=50.00, draws {MESHES.split(', ')}"),
            ("a font of another weight", self.frames(font='-16 0 400 1 0 1 0 0 0 "System"'),
             f"fonts made with ['-16 0 400 1 0 1 0 0 0 \"System\"'], not {kr.FONTS}"),
        ):
            with self.subTest(what):
                self.assertEqual(problem, (kr.figure_mismatches(run)[1] + ["none"])[0])
    def test_the_timer_is_raised_for_the_frames_and_released_for_each_stay_behind(self):
        def problems(events, finest=1, code=0):  # B raise, E release, P present; a stay after 2 frames
            return kr.timer_problems(self.write([f"d3d9proxy: 0 timer finest {finest}"] + [
                "d3d9proxy: 1 " + (f"time{'Begin' if e == 'B' else 'End'}Period {finest} finest {finest}"
                                   if e in "BE" else "present 0x00000000") for e in events]), code, [2])
        self.assertEqual([[], []], [problems("BPPEBPE"), problems("PPP", finest=10)])
        for events, finest, code, problem in (
            ("BPPBPE", 1, 0, "timeBeginPeriod 1 after 2 frames, with the period raised, the finest 1, exit code 0"),
            ("BPPPE", 1, 0, "no release in the stay in the background after frame 2"),
            ("BPPEPE", 1, 0, "frame 3 presented with the period released"),
            ("BPPEBP", 1, 0, "the period still raised at the end, after 3 frames"),
            ("BPPEBPE", 10, 0, "timeBeginPeriod 10 after 0 frames, with the period released, the finest 10, exit "
                               "code 0"),
            ("BE", 1, 2, "timeBeginPeriod 1 after 0 frames, with the period released, the finest 1, exit code 2"),
        ):
            with self.subTest(events=events, finest=finest, code=code):
                self.assertEqual(problem, (problems(events, finest, code) + ["none"])[0])


if __name__ == "__main__":
    unittest.main()
