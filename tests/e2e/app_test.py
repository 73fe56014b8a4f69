"""The real program under Xvfb: window, first picture, keys and a clean exit."""
import unittest

from expected import HEIGHT, SKY, WIDTH, WINDOW_TITLE
from harness import Session, near, wait_until


def sky_line(image, x):
    """First row from the top at column x that is no longer sky: the top of the far wall.

    The scan starts below the window's top row, which may lie off the screen.
    """
    for y in range(2, image.height):
        if not near(image.pixel(x, y), SKY, 20):
            return y
    return image.height


def is_grey(colour):
    """The ball is grey under white light; wood, brick and sky are not."""
    return max(colour) - min(colour) < 14


def ball_extent(image, x, y):
    """How far the grey ball reaches from (x, y) left, right, up and down."""
    def reach(dx, dy):
        distance = 0
        while 0 <= x + (distance + 1) * dx < image.width and 0 <= y + (distance + 1) * dy < image.height \
                and is_grey(image.pixel(x + (distance + 1) * dx, y + (distance + 1) * dy)):
            distance += 1
        return distance
    return reach(-1, 0), reach(1, 0), reach(0, -1), reach(0, 1)


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
        self.assertEqual(s.x("xdotool", "getwindowname", s.window).strip(), WINDOW_TITLE)
        first = s.wait_frame()
        self.assertTrue(near(first.pixel(400, 20), SKY, 3), "clear colour above the walls")
        top_of_wall = sky_line(first, 20)
        self.assertTrue(60 < top_of_wall < 160, "the far wall stands below the sky: %d" % top_of_wall)

        # A ball of radius 2 seen from 10.4 units under a 45-degree field of view is about
        # 280 pixels across, in the middle of the window.
        left, right, up, down = ball_extent(first, 400, 300)
        for reach in (left, right, up, down):
            self.assertAlmostEqual(reach, 141, delta=10)

    def test_space_rolls_the_ball_away_and_left_turns_the_view(self):
        s = self.session
        first = s.wait_frame()
        start_wall = sky_line(first, 400)

        s.key("space")
        # The camera follows the ball towards the far wall; the eye stands higher than the
        # wall, so the wall's top edge sinks in the picture as it comes closer.
        wait_until(lambda: sky_line(s.screenshot(), 400) > start_wall + 15, timeout=30,
                   what="the far wall to come closer")
        left, right, _, _ = ball_extent(s.screenshot(), 400, 300)
        self.assertAlmostEqual(left, right, delta=4, msg="the camera keeps the ball in the middle")

        rolling = s.screenshot()
        s.key_down("Left")
        turned = s.wait_change(rolling, threshold=8, region=(0, 0, 200, HEIGHT - 70),
                               what="the view to turn")
        s.key_up("Left")
        self.assertTrue(near(turned.pixel(400, 20), SKY, 3) or turned.pixel(400, 20) != rolling.pixel(400, 20))

    def test_escape_ends_cleanly_and_quietly(self):
        s = self.session
        s.wait_frame()
        s.key("space", "plus")
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
