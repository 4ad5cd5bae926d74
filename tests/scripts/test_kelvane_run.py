"""What the end-to-end tests, the soak and the benchmark read from the program:
the proxies' report lines, the overlay string's well-formedness rule and the
rate the overlay must show for given frame times."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import kelvane_run as kr  # noqa: E402

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


class ShownRateTest(unittest.TestCase):
    def test_none_before_the_16th_wait_then_15_and_from_the_32nd_31_intervals(self):
        # 15 intervals of 25 ms (40 a second), then 20 ms ones (50 a second).
        waits = [i * 25 for i in range(16)] + [375 + i * 20 for i in range(1, 40)]
        self.assertEqual(0, kr.shown_rate(waits[:15]))
        self.assertEqual((187 + 15000) // 375, kr.shown_rate(waits[:16]))  # 40
        self.assertEqual((152 + 15000) // 305, kr.shown_rate(waits[:30]))  # the last 15 intervals only: 49
        self.assertEqual((347 + 31000) // 695, kr.shown_rate(waits[:32]))  # all 31 intervals: 45
        self.assertEqual(50, kr.shown_rate(waits))

    def test_span_bounds_of_60_and_the_clock_wrapping(self):
        # 31 intervals in 513 to 521 ms read 60; 512 and 522 do not.
        for span, rate in ((512, 61), (513, 60), (521, 60), (522, 59)):
            with self.subTest(span=span):
                self.assertEqual(rate, kr.shown_rate([0] * 31 + [span]))
        self.assertEqual(60, kr.shown_rate([2**32 - 16] + [0] * 30 + [500]))
        self.assertEqual(0, kr.shown_rate([7] * 32))


class LogTest(unittest.TestCase):
    def write(self, lines):
        f = tempfile.NamedTemporaryFile("w", suffix=".log", delete=False)
        self.addCleanup(os.remove, f.name)
        f.write("\n".join(lines) + "\n")
        f.close()
        return kr.Log(f.name).update()

    def frames(self, rates, stamps):
        """A run whose Nth overlay shows rates[N], each frame paced at stamps[N]."""
        lines = ["fixme:d3d:something Wine says", "d3d9proxy: 1 forwarding to C:\\windows\\system32\\d3d9.dll"]
        for rate, ms in zip(rates, stamps):
            text = START.replace("FPS 00", f"FPS {rate:02d}")
            lines += [f"d3dx9proxy: {ms - 3} text meshes 4 live 0 {quoted(text)}",
                      f"d3d9proxy: {ms - 1} present 0x00000000", f"d3d9proxy: {ms + 9} wait {ms}"]
        return self.write(lines)

    def test_report_lines_read_back_with_their_escapes(self):
        log = self.write(["d3d9proxy: 1184 wait 1183", 'd3dx9proxy: 1200 text meshes 2 live 1 "a \\"b\\" c\\\\d\\ne"',
                          "d3d9proxy: 1216 present 0x88760868", "d3d9proxy: 1217 command lose"])
        self.assertEqual(([(1216, kr.LOST)], [1183]), (log.presents, log.waits))
        self.assertEqual([kr.Text(1200, 2, 1, 'a "b" c\\d\ne', 1)], log.texts)
        self.assertEqual(1, log.count("command lose"))

    def test_a_line_still_being_written_is_read_once_it_is_whole(self):
        log = self.write(["d3d9proxy: 5 present 0x00000000"])
        with open(log.path, "a") as f:
            f.write("d3d9proxy: 21 pres")
        self.assertEqual(1, len(log.update().presents))
        with open(log.path, "a") as f:
            f.write("ent 0x00000000\n")
        self.assertEqual([5, 21], [ms for ms, _ in log.update().presents])

    def test_each_overlay_is_checked_against_the_frame_times_before_it(self):
        stamps = [1000 + i * 16 + i % 3 for i in range(40)]
        rates = [kr.shown_rate(stamps[:n]) for n in range(40)]
        self.assertEqual((40, []), kr.rate_mismatches(self.frames(rates, stamps)))
        rates[30] += 1
        self.assertEqual((40, [f"frame 31 shows {rates[30]}, its frame times give {rates[30] - 1}"]),
                         kr.rate_mismatches(self.frames(rates, stamps)))


if __name__ == "__main__":
    unittest.main()
