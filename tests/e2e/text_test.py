"""Title, hints, help and frame rate read right by OCR; an unusable glyph sheet draws squares."""
import difflib
import os
import re
import subprocess
import unittest

import expected
from expected import HELP_BLOCK
from harness import HEIGHT, Session, wait_until

HINTS = [(x, y, text) for x, y, _, text in expected.HINTS]
HEADING, *HELP_LINES = [text for *_, text in expected.HELP]
# Canvas x, y and length of the title and of the help's heading, as text_box takes them.
TITLE, HEADING_AT = [(x, y, len(text)) for x, y, _, text in (expected.TITLE, expected.HELP[0])]
FPS_X, FPS_Y, _ = expected.FPS


def text_box(x, y, length, scale=2, margin=4):
    """Window pixels (left, top, width, height) of a text printed at canvas (x, y).

    Each glyph is a square of 16 units, the pen moves 10; the 800 by 600 canvas fills the
    800 by 600 window, with y counted upwards.
    """
    width = (10 * (length - 1) + 16) * scale
    top = HEIGHT - y - 16 * scale
    return (x - margin, top - margin, width + 2 * margin, 16 * scale + 2 * margin)


def words(text):
    return " ".join(text.split())


def run_ocr(session, arguments, lines):
    out = os.path.join(session.scratch, "ocr.png")
    subprocess.run(["convert"] + arguments + ["-resize", "300%", "-threshold", "60%", "-negate",
                                              out], check=True)
    psm = "7" if lines == 1 else "6"
    return words(subprocess.run(["tesseract", out, "-", "--psm", psm], capture_output=True,
                                text=True).stdout)


def ocr(session, image, box, lines=1):
    """The white text in a box of a screenshot: the darkest channel keeps white text bright
    and the wood, bricks and sky dark."""
    x, y, w, h = box
    return run_ocr(session, [image.path, "-crop", "%dx%d%+d%+d" % (w, h, x, y), "+repage",
                             "-separate", "-evaluate-sequence", "Min"], lines)


def ocr_removed(session, with_text, without_text, box, lines=1):
    """The text that one screenshot has and the other lacks in a box. White drawn with
    coverage a over a background b gives b + a (1 - b), so a comes back from the two pictures
    (except where the background itself is white), and a text over the bright ball reads
    almost as well as one over the floor."""
    x, y, w, h = box
    crop = ["-crop", "%dx%d%+d%+d" % (w, h, x, y), "+repage"]
    return run_ocr(session, ["(", with_text.path] + crop + [")", "(", without_text.path] + crop +
                   [")", "-fx", "(u-v)/(1.02-v)", "-separate", "-evaluate-sequence", "Max"],
                   lines)


def like_text(read, expected):
    """A loose reading for texts over the ball, whose white highlights swallow a stroke here
    and there: nearly the same letters, the digit one and the letter l passing for each other."""
    fold = str.maketrans("lI|", "111")
    return difflib.SequenceMatcher(None, read.translate(fold),
                                   expected.translate(fold)).ratio() >= 0.8


def fps_value(session, image):
    """The frame rate the bottom right shows, or None when it does not read as "%d fps"."""
    match = re.fullmatch(r"(\d+) fps", ocr(session, image, text_box(FPS_X, FPS_Y, 10)))
    return int(match.group(1)) if match else None


def white_fraction(image, box):
    x, y, w, h = box
    return image.count(x, y, w, h, lambda p: min(p) > 235) / float(w * h)


class Texts(unittest.TestCase):
    def setUp(self):
        self.session = Session()
        self.addCleanup(self.session.close)

    def start(self):
        s = self.session
        s.start()
        s.wait_window()
        return s.wait_frame()

    def assert_no_hints(self, image):
        for x, y, text in HINTS[:2]:
            read = ocr(self.session, image, text_box(x, y, len(text)))
            self.assertNotIn(text.split()[-1], read, "a start hint is back")

    def test_first_frame_shows_title_hints_and_frame_rate(self):
        s = self.session
        first = self.start()
        self.assertEqual(ocr(s, first, text_box(*TITLE)), expected.TITLE[3])
        self.assertIsNotNone(fps_value(s, first), "no frame rate at the bottom right")
        x, y, text = HINTS[0]
        self.assertEqual(ocr(s, first, text_box(x, y, len(text))), text)
        # The other two hints cross the bright ball: read them from what leaves the picture
        # when the help, shown and hidden again, has put the hints away.
        s.key("F1")
        shown = s.wait_change(first, region=HELP_BLOCK, what="the help text")
        s.key("F1")
        bare = s.wait_change(shown, region=HELP_BLOCK, what="the help text to go")
        for x, y, text in HINTS:
            read = ocr_removed(s, first, bare, text_box(x, y, len(text)))
            self.assertTrue(like_text(read, text), "%r is not the hint %r" % (read, text))

    def test_frame_rate_becomes_plausible_within_seconds(self):
        s = self.session
        self.start()
        rate = wait_until(lambda: fps_value(s, s.screenshot()), timeout=20,
                          what="a frame rate above 0")
        self.assertLess(rate, 5000)

    def test_space_hides_the_hints_for_good(self):
        s = self.session
        first = self.start()
        x, y, text = HINTS[0]
        self.assertEqual(ocr(s, first, text_box(x, y, len(text))), text)
        s.key("space")
        shot = first
        for _ in range(3):
            # The camera follows the rolling ball, so each new picture is a later moment.
            shot = s.wait_change(shot, threshold=1, region=(0, 0, 800, HEIGHT - 60))
            self.assert_no_hints(shot)

    def test_f1_shows_and_hides_the_help_and_the_hints_stay_away(self):
        s = self.session
        first = self.start()
        s.key("F1")
        shown = s.wait_change(first, region=HELP_BLOCK, what="the help text")
        self.assertEqual(ocr(s, shown, text_box(*HEADING_AT)), HEADING)
        help_text = ocr(s, shown, HELP_BLOCK, lines=4)
        recognised = [line for line in HELP_LINES if line in help_text]
        self.assertTrue(recognised, "no help line in %r" % help_text)

        s.key("F1")
        hidden = s.wait_change(shown, region=HELP_BLOCK, what="the help text to go")
        self.assertEqual(ocr_removed(s, shown, hidden, text_box(*HEADING_AT)), HEADING)
        removed = ocr_removed(s, shown, hidden, HELP_BLOCK, lines=4)
        self.assertEqual([line for line in HELP_LINES if line in removed], recognised)
        self.assert_no_hints(hidden)

        # Later frames of the still scene are the same picture: the hints stay away.
        for _ in range(3):
            self.assertLess(s.screenshot().difference(hidden, 0, 0, 800, HEIGHT - 60), 0.5)

    def unusable_sheet(self, damage, caption, message):
        """Starts with a damaged sheet: the reader's box, then rows of white squares."""
        s = self.session
        sheet = os.path.join(s.run_dir, "textures", "Font.tga")
        damage(sheet)
        s.start()
        box, title = s.wait_dialog()
        self.assertEqual(title, caption)
        self.assertIn(message, words(s.dialog_text(box)))
        s.dismiss(box)
        s.wait_window()
        first = s.wait_frame()

        self.assertGreater(white_fraction(first, text_box(*TITLE, margin=0)), 0.98,
                           "the title is not a row of white squares")
        # "%d fps": one square per byte, 20 pixels apart, the space included.
        y = HEIGHT - FPS_Y - 16
        band = sum(1 for x in range(FPS_X - 10, 800) if min(first.pixel(x, y)) > 235)
        self.assertIn(band, [(length - 1) * 20 + 32 for length in range(5, 10)])
        # The program goes on: Space still rolls the ball.
        s.key("space")
        s.wait_change(first, threshold=2, region=(0, 0, 800, HEIGHT - 60), what="the ball to roll")

    def test_a_missing_sheet_is_reported_and_texts_draw_as_white_squares(self):
        self.unusable_sheet(os.remove, "ERROR", "Could not open texture file")

    def test_a_sheet_of_another_type_is_reported_and_texts_draw_as_white_squares(self):
        def grey_scale(path):
            with open(path, "r+b") as f:
                f.seek(2)
                f.write(b"\x03")
        self.unusable_sheet(grey_scale, "Invalid Image", "TGA file be type 2 or type 10")


if __name__ == "__main__":
    unittest.main()
