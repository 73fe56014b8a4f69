"""The ball on screen shows the shader's light, every map and its roll, and lives through faults."""
import math
import os
import shutil
import struct
import unittest

import harness
from expected import NORMAL_MAPS

# The ball's centre from the start camera, and a radius safely inside its outline (about 141).
CENTRE_X, CENTRE_Y = 400, 300
INSIDE = 125
BALL_BOX = (CENTRE_X - INSIDE, CENTRE_Y - INSIDE, 2 * INSIDE, 2 * INSIDE)
SHOTS = os.environ.get("KX_SHOT_DIR")


def write_bmp(path, width, height, colour):
    """A 24-bit BMP, bottom row first; colour(x, y) gives (r, g, b) with y counted upwards."""
    row = (3 * width + 3) // 4 * 4
    pixels = bytearray()
    for y in range(height):
        line = bytearray()
        for x in range(width):
            r, g, b = colour(x, y)
            line += bytes((b, g, r))
        pixels += line + bytes(row - 3 * width)
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def encode(n):
    """A normal (towards increasing s, towards increasing t, outwards) as the maps store it."""
    length = math.sqrt(sum(c * c for c in n))
    return tuple(int(c / length * 127.5 + 128) for c in n)


FLAT = encode((0, 0, 1))


def knobs(x, y):
    """Round knobs on a 64-texel grid: a few bumps, easy to follow, with smooth ground between."""
    dx, dy = x % 64 - 32, y % 64 - 32
    inside = 100 - dx * dx - dy * dy
    return encode((dx, dy, math.sqrt(inside))) if inside > 0 else FLAT


def brightness(p):
    return (p[0] + p[1] + p[2]) / 3.0


def ball_difference(a, b):
    return a.difference(b, *BALL_BOX)


def steps(image, radius=INSIDE):
    """Brightness jumps between neighbours inside the ball, along rows and along columns."""
    result = []
    for offset in range(-radius, radius + 1, 2):
        half = int(math.sqrt(radius * radius - offset * offset))
        span = range(-half, half + 1)
        row = [brightness(image.pixel(CENTRE_X + i, CENTRE_Y + offset)) for i in span]
        column = [brightness(image.pixel(CENTRE_X + offset, CENTRE_Y + i)) for i in span]
        for line in (row, column):
            result += [abs(p - q) for p, q in zip(line, line[1:])]
    return result


def quadrant_means(image):
    """Mean brightness of the ball's upper-left and lower-right parts."""
    upper_left = image.mean(CENTRE_X - 80, CENTRE_Y - 80, 40, 40)
    lower_right = image.mean(CENTRE_X + 50, CENTRE_Y + 50, 40, 40)
    return brightness(upper_left), brightness(lower_right)


def highlight_centre(image):
    """Centre of the ball's white pixels: the highlight, with whatever glints the bumps add."""
    x0, y0, w, h = BALL_BOX
    white = [(x, y) for y in range(y0, y0 + h) for x in range(x0, x0 + w)
             if min(image.pixel(x, y)) >= 250]
    assert len(white) > 100, "no highlight on the ball"
    return (sum(x for x, _ in white) / len(white), sum(y for _, y in white) / len(white))


class ShaderPicturesTest(unittest.TestCase):
    def setUp(self):
        self.session = harness.Session()
        self.addCleanup(self.session.close)

    def keep(self, image, name):
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            shutil.copy(image.path, os.path.join(SHOTS, name))

    def normal_map(self, index):
        return os.path.join(self.session.run_dir, NORMAL_MAPS[index])

    def start_without_hints(self):
        """Starts the program and hides the start hints, which cover the ball's top.

        F1 does it: the help that it shows instead lies below the ball.
        """
        s = self.session
        s.start()
        s.wait_window()
        first = s.wait_frame()
        s.key("F1")
        # The first hint line lies over the far wall; it vanishes with the hints.
        return s.wait_change(first, threshold=5, region=(120, 118, 550, 30), what="the hints to go")

    def test_the_lit_ball_has_a_bright_side_a_dark_side_and_a_highlight(self):
        image = self.start_without_hints()
        self.keep(image, "lit_ball.png")
        lit, dark = quadrant_means(image)
        self.assertGreater(lit, dark + 60, "the side towards the light is not brighter")
        self.assertLess(dark, 100, "the side away from the light is not dark")
        highlight = image.count(CENTRE_X - 100, CENTRE_Y - 100, 100, 100, lambda p: min(p) >= 240)
        self.assertGreater(highlight, 30, "no specular highlight")
        # Shaded by the program: grey material, not the map's colours.
        r, g, b = image.mean(CENTRE_X - 80, CENTRE_Y - 80, 40, 40)
        self.assertLess(max(r, g, b) - min(r, g, b), 10)

    def test_a_flat_map_shades_the_ball_smoothly(self):
        write_bmp(self.normal_map(0), 4, 4, lambda x, y: FLAT)
        image = self.start_without_hints()
        self.keep(image, "flat_map.png")
        jumps = steps(image)
        self.assertLess(max(jumps), 12, "a seam or a hole in the smooth ball")
        self.assertLess(sum(jumps) / len(jumps), 1.5)
        lit, dark = quadrant_means(image)
        self.assertGreater(lit, dark + 60)

    def test_each_of_the_five_maps_gives_a_different_ball(self):
        s = self.session
        balls = [self.start_without_hints()]
        for index in range(1, 6):
            s.key("Tab")
            balls.append(s.wait_change(balls[-1], threshold=2, region=BALL_BOX,
                                       what="map %d on the ball" % (index % 5 + 1)))
        for index, image in enumerate(balls[:5]):
            self.keep(image, "normalmap%d.png" % (index + 1))
            jumps = steps(image)
            # A smooth ball averages about 0.6.
            self.assertGreater(sum(jumps) / len(jumps), 1.2, "map %d shows no bumps" % (index + 1))
        for i in range(5):
            for j in range(i + 1, 5):
                self.assertGreater(ball_difference(balls[i], balls[j]), 3.0,
                                   "maps %d and %d look alike" % (i + 1, j + 1))
        self.assertLess(ball_difference(balls[0], balls[5]), 1.0, "five Tabs do not come back")

    def test_rolling_moves_the_bumps_under_a_fixed_highlight(self):
        write_bmp(self.normal_map(0), 256, 256, knobs)
        s = self.session
        before = self.start_without_hints()
        s.key("space")
        after = s.wait_change(before, threshold=8, region=BALL_BOX, what="the ball to roll")
        self.keep(before, "roll_before.png")
        self.keep(after, "roll_after.png")
        (x0, y0), (x1, y1) = highlight_centre(before), highlight_centre(after)
        self.assertLess(math.hypot(x1 - x0, y1 - y0), 12, "the highlight moved with the ball")
        lit, dark = quadrant_means(after)
        self.assertGreater(lit, dark + 40)

    def test_without_the_shader_extensions_the_ball_shows_the_map_unshaded(self):
        s = self.session
        shim = os.environ.get("KX_NO_SHADER_EXT")
        self.assertTrue(shim and os.path.exists(shim), "the shim library is not built")
        write_bmp(self.normal_map(0), 4, 4, lambda x, y: FLAT)
        write_bmp(self.normal_map(1), 4, 4, lambda x, y: (200, 140, 60))
        s.start(env={"LD_PRELOAD": shim, "ASAN_OPTIONS": "verify_asan_link_order=0"})
        window, title = s.wait_dialog()
        self.assertEqual(title, "ERROR")  # the shader build's one box: no shading language
        s.dismiss(window)

        s.wait_window()
        image = s.wait_frame()
        self.keep(image, "no_shader_extensions.png")
        # The map's colour replaces the lit colour: the same on the lit and on the dark side.
        for corner in ((CENTRE_X - 70, CENTRE_Y - 40), (CENTRE_X + 40, CENTRE_Y + 40)):
            self.assertTrue(harness.near(image.mean(*corner, 30, 30), FLAT, 4),
                            "the ball is not the flat map's colour at %s" % (corner,))
        # Frames go on without another message: the next map shows in place of the first.
        s.key("Tab")
        s.wait_frame(lambda shot: harness.near(shot.pixel(CENTRE_X, CENTRE_Y), (200, 140, 60), 4),
                     what="the second map on the ball")
        self.assertEqual(s.dialogs(), [])


if __name__ == "__main__":
    unittest.main()
