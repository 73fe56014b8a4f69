"""The real program under Xvfb: window, first picture, keys and a clean exit."""
import unittest

from harness import HEIGHT, WIDTH, Session, near, wait_until

SKY = (76, 76, 255)


def sky_line(image, x):
    """First row from the top at column x that is no longer sky: the top of the far wall."""
    for y in range(image.height):
        if not near(image.pixel(x, y), SKY, 20):
            return y
    return image.height


def changed_box(before, after, threshold=40, skip_bottom=70):
    """Bounding box (x0, y0, x1, y1) of the pixels that differ clearly between two pictures."""
    xs, ys = [], []
    for y in range(0, before.height - skip_bottom, 2):
        for x in range(0, before.width, 2):
            a, b = before.pixel(x, y), after.pixel(x, y)
            if sum(abs(p - q) for p, q in zip(a, b)) > threshold:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


class KullerixApp(unittest.TestCase):
    def setUp(self):
        self.session = Session()
        self.addCleanup(self.session.close)
        self.session.start()
        self.session.wait_window()

    def test_window_shows_the_room_with_the_ball_in_the_middle(self):
        s = self.session
        x, y, w, h = s.geometry()
        self.assertEqual((w, h), (WIDTH, HEIGHT))
        self.assertEqual(s.x("xdotool", "getwindowname", s.window).strip(), "Kullerix")
        first = s.wait_frame()
        self.assertTrue(near(first.pixel(400, 20), SKY, 3), "clear colour above the walls")
        top_of_wall = sky_line(first, 20)
        self.assertTrue(60 < top_of_wall < 160, "the far wall stands below the sky: %d" % top_of_wall)

        # Only the ball wears the normal map, so what Tab changes is the ball.
        s.key("Tab")
        after = s.wait_change(first, threshold=0.5, region=(0, 0, WIDTH, HEIGHT - 70))
        box = changed_box(first, after)
        self.assertIsNotNone(box)
        x0, y0, x1, y1 = box
        self.assertAlmostEqual((x0 + x1) / 2, 400, delta=12)
        self.assertAlmostEqual((y0 + y1) / 2, 300, delta=12)
        self.assertTrue(250 < x1 - x0 < 320, "a ball about 280 pixels across: %s" % (box,))

    def test_space_rolls_the_ball_away_and_left_turns_the_view(self):
        s = self.session
        first = s.wait_frame()
        start_wall = sky_line(first, 400)

        s.key("space")
        # The camera follows the ball towards the far wall, which grows towards the sky.
        wait_until(lambda: sky_line(s.screenshot(), 400) < start_wall - 15, timeout=30,
                   what="the far wall to come closer")

        rolling = s.screenshot()
        s.key_down("Left")
        turned = s.wait_change(rolling, threshold=8, region=(0, 0, 200, HEIGHT - 70),
                               what="the view to turn")
        s.key_up("Left")
        self.assertTrue(near(turned.pixel(400, 20), SKY, 3) or turned.pixel(400, 20) != rolling.pixel(400, 20))

    def test_escape_ends_cleanly_and_quietly(self):
        s = self.session
        s.wait_frame()
        s.key("Tab", "F1", "space", "plus")
        s.key("Escape")
        self.assertEqual(s.wait_exit(), 0)
        self.assertEqual(s.stdout(), "")
        self.assertEqual(s.stderr(), "")

    def test_closing_the_window_ends_the_program(self):
        s = self.session
        s.wait_frame()
        s.close_window()
        self.assertEqual(s.wait_exit(), 0)
        self.assertEqual(s.stderr(), "")


if __name__ == "__main__":
    unittest.main()
