"""What the benchmark and the soak read from the program: the overlay string's
well-formedness rule and the overlay's rate worked out from frame times. The
soak passes or fails on the first, the benchmark's untraced figures rest on
the second."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import kelvane_run as kr  # noqa: E402

START = ("FPS 00/60  CPU 000%\nSphere1 (-40.00, 0.00, 0.00) R=50.00\n"
         "Sphere2 (40.00, 0.00, 0.00) R=50.00\nAABB true\nCollision true\n")


class OverlayTest(unittest.TestCase):
    def test_the_start_string_reads_back(self):
        figures = kr.parse_overlay(START)
        self.assertEqual((0, 60, 0), (figures["rate"], figures["target"], figures["load"]))
        self.assertEqual((-40.0, 0.0, 0.0), figures["sphere1"])
        self.assertEqual((50.0, 50.0), (figures["r1"], figures["r2"]))
        self.assertTrue(figures["aabb"] and figures["collision"])

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


class WorkedOutRateTest(unittest.TestCase):
    def test_sixty_a_second_reads_60(self):
        rates = kr.overlay_rates([1000 + i * 1000 / 60 for i in range(200)])
        self.assertEqual({60}, set(rates))

    def test_the_rate_covers_the_31_intervals_before_each_frame(self):
        # 33 frames: only the 33rd has 32 frames before it.
        self.assertEqual([60], kr.overlay_rates([i * 1000 / 60 for i in range(33)]))
        self.assertEqual([], kr.overlay_rates([i * 1000 / 60 for i in range(32)]))

    def test_span_bounds_of_60(self):
        # 31 intervals in 513 to 521 ms read 60; 512 and 522 do not.
        for span, rate in ((512, 61), (513, 60), (521, 60), (522, 59)):
            with self.subTest(span=span):
                stamps = [0] + [span] * 32
                self.assertEqual([rate], kr.overlay_rates(stamps))

    def test_percentile_by_nearest_rank(self):
        values = list(range(1, 101))
        self.assertEqual((50, 95, 99, 100), tuple(kr.percentile(values, q) for q in (50, 95, 99, 100)))
        self.assertIsNone(kr.percentile([], 50))


if __name__ == "__main__":
    unittest.main()
