"""Every text over the scene reads right by OCR on any ground."""
import os
import re
import subprocess
import unittest

import expected
from expected import HELP_BLOCK
from glyphs import glyphs_only
from harness import HEIGHT, Session

HINTS = [(x, y, text) for x, y, _, text in expected.HINTS]
# Canvas x, y and length of the title, as text_box takes them.
TITLE = expected.TITLE[:2] + (len(expected.TITLE[3]),)
FPS_X, FPS_Y, _ = expected.FPS


def text_box(x, y, length, scale=2, margin=4):
    """Window pixels (left, top, width, height) of a text printed at canvas (x, y).

    Each glyph is a square of 16 units, the pen moves 10; the 800 by 600 canvas fills the
    800 by 600 window, with y counted upwards.
    """
    width = (10 * (length - 1) + 16) * scale
    top = HEIGHT - y - 16 * scale
    return (x - margin, top - margin, width + 2 * margin, 16 * scale + 2 * margin)


def ocr(session, image, box):
    """The one line of white text in a box of a screenshot, upscaled for tesseract."""
    w, h, grey = glyphs_only(image, box)
    out = os.path.join(session.scratch, "ocr.png")
    subprocess.run(["convert", "-size", "%dx%d" % (w, h), "-depth", "8", "gray:-",
                    "-resize", "300%", "-threshold", "50%", "-negate", out], input=grey, check=True)
    return " ".join(subprocess.run(["tesseract", out, "-", "--psm", "7"], capture_output=True,
                                   text=True).stdout.split())


def same_text(read, expected):
    """The text exactly, but for the digit one and the letter l, which OCR takes for each other
    in this face."""
    fold = str.maketrans("lI|", "111")
    return read.translate(fold) == expected.translate(fold)


def shown_texts(hints=False, help_shown=False):
    """(box, text) of every text a frame shows besides the frame rate."""
    shown = [expected.TITLE] + (expected.HINTS if hints else [])
    shown += expected.HELP if help_shown else []
    return [(text_box(x, y, len(text), scale=scale, margin=2 * scale), text)
            for x, y, scale, text in shown]


def fps_reading(session, image):
    """What OCR reads at the bottom right, where the frame rate is."""
    return ocr(session, image, text_box(FPS_X, FPS_Y, 10))


FPS_TEXT = re.compile(r"(\d+) fps")


def fps_value(session, image):
    """The frame rate the bottom right shows, or None when it does not read as "%d fps"."""
    match = FPS_TEXT.fullmatch(fps_reading(session, image))
    return int(match.group(1)) if match else None


class Texts(unittest.TestCase):
    """Every read is of a still picture of a known state: the start view, or a view that the
    keys have brought to a standstill."""

    def setUp(self):
        self.session = Session()
        self.addCleanup(self.session.close)

    def start(self):
        """The start view, still, frame rate and all."""
        s = self.session
        s.start()
        s.wait_window()
        s.wait_frame()
        return s.wait_still(what="a still start view")

    def stop_the_ball(self):
        """Holds minus, which slows the ball down to a halt, until nothing moves any more;
        returns a still picture of the halted view."""
        s = self.session
        s.key_down("minus")
        try:
            s.wait_standstill()
        finally:
            s.key_up("minus")
        return s.wait_still(what="a still picture of the halted ball")

    def assert_no_hints(self, image):
        for x, y, text in HINTS[:2]:
            read = ocr(self.session, image, text_box(x, y, len(text)))
            self.assertNotIn(text.split()[-1], read, "a start hint is back")

    def assert_legible(self, image, **shown):
        """OCR reads every text the frame shows, the frame rate included."""
        for box, text in shown_texts(**shown):
            read = ocr(self.session, image, box)
            self.assertTrue(same_text(read, text), "%r is not %r in %s" % (read, text, image.path))
        read = fps_reading(self.session, image)
        self.assertTrue(FPS_TEXT.fullmatch(read),
                        "%r is no frame rate, at the bottom right of %s" % (read, image.path))

    def test_first_frame_shows_title_hints_and_frame_rate(self):
        # Two of the hints cross the ball, "F1: Hilfe" its white highlight.
        self.assert_legible(self.start(), hints=True)

    def test_frame_rate_becomes_plausible_within_seconds(self):
        s = self.session
        self.start()
        # The first frame shows a count at once; the next one is a second's measured rate.
        s.wait_rate_changes(1, what="a measured frame rate")
        shot = s.wait_still(what="a still picture with the measured frame rate")
        rate = fps_value(s, shot)
        self.assertIsNotNone(rate, "%r is no frame rate, at the bottom right of %s"
                             % (fps_reading(s, shot), shot.path))
        self.assertTrue(0 < rate < 5000, "%d fps" % rate)

    def test_space_hides_the_hints_for_good(self):
        s = self.session
        first = self.start()
        x, y, text = HINTS[0]
        self.assertEqual(ocr(s, first, text_box(x, y, len(text))), text)
        s.key("space")
        # The camera follows the rolling ball; halted, the view has stayed the same over a
        # second of frames, so the hints stay gone in all of them.
        halted = self.stop_the_ball()
        self.assert_no_hints(halted)
        self.assert_legible(halted)

    def test_f1_shows_and_hides_the_help_and_the_hints_stay_away(self):
        s = self.session
        first = self.start()
        s.key("F1")
        s.wait_change(first, region=HELP_BLOCK, what="the help text")
        shot = s.wait_still(what="a still picture with the help")
        # With the help shown no text lies over the ball: another normal map puts no other
        # ground behind any of them.
        self.assert_legible(shot, help_shown=True)

        s.key("F1")
        s.wait_change(shot, region=HELP_BLOCK, what="the help text to go")
        hidden = s.wait_still(what="a still picture without the help")
        for box, text in shown_texts(help_shown=True)[1:]:
            self.assertFalse(same_text(ocr(s, hidden, box), text), "%r is still shown" % text)
        self.assert_no_hints(hidden)

        # Frames go on being drawn while Left turns the camera, and the hints stay away.
        shot = hidden
        for _ in range(3):
            s.key_down("Left")
            try:
                s.wait_change(shot, threshold=1, region=(0, 0, 800, HEIGHT - 60),
                              what="the view to turn")
            finally:
                s.key_up("Left")
            shot = s.wait_still(what="a still picture of the turned view")
            self.assert_no_hints(shot)


if __name__ == "__main__":
    unittest.main()
