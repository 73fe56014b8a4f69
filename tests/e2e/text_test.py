"""Every text over the scene reads right by OCR on any ground."""
import os
import re
import subprocess
import unittest

import expected
from expected import HELP_BLOCK
from harness import HEIGHT, Session, wait_until

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


# Tesseract at times reads a quote mark beside a glyph, as "73 ‘fps" for a clean "73 fps";
# none of the program's texts holds one.
QUOTE_MARKS = str.maketrans("", "", "'`\"‘’‚“”„")


def words(text):
    return " ".join(text.translate(QUOTE_MARKS).split())


def glyphs_only(image, box, bright=128, dark=100):
    """The darkest channel of a box of a screenshot with every bright patch but the glyphs put
    out, as 8-bit grey rows.

    The glyphs are white inside a dark rim. A bright patch is a glyph when most of its outline
    is dark (looking up to two pixels out, past the rim's soft edge), it keeps off the box's
    edge and it is no larger than a glyph; the ball's highlight and glints, the sky and the
    mortar between the bricks are not.
    """
    x0, y0, w, h = box
    w, h = min(w, image.width - x0), min(h, image.height - y0)
    grey = bytearray(min(image.data[i:i + 3]) for j in range(h)
                     for i in range(3 * ((y0 + j) * image.width + x0),
                                    3 * ((y0 + j) * image.width + x0 + w), 3))
    seen = bytearray(w * h)
    for start in range(w * h):
        if seen[start] or grey[start] < bright:
            continue
        seen[start] = 1
        stack, patch, outline, dark_outline, at_edge = [start], [], 0, 0, False
        while stack:
            p = stack.pop()
            patch.append(p)
            for di, dj in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                i, j = p % w + di, p // w + dj
                if not (0 <= i < w and 0 <= j < h):
                    at_edge = True
                elif grey[j * w + i] >= bright:
                    if not seen[j * w + i]:
                        seen[j * w + i] = 1
                        stack.append(j * w + i)
                else:
                    inside = 0 <= i + di < w and 0 <= j + dj < h
                    beyond = grey[(j + dj) * w + i + di] if inside else 255
                    outline += 1
                    dark_outline += min(grey[j * w + i], beyond) <= dark
        if at_edge or len(patch) > 32 * 32 or dark_outline < 0.75 * outline:
            for p in patch:
                grey[p] = 0
    return w, h, bytes(grey)


def ocr(session, image, box):
    """The one line of white text in a box of a screenshot, upscaled for tesseract."""
    w, h, grey = glyphs_only(image, box)
    out = os.path.join(session.scratch, "ocr.png")
    subprocess.run(["convert", "-size", "%dx%d" % (w, h), "-depth", "8", "gray:-",
                    "-resize", "300%", "-threshold", "50%", "-negate", out], input=grey, check=True)
    return words(subprocess.run(["tesseract", out, "-", "--psm", "7"], capture_output=True,
                                text=True).stdout)


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

    def assert_legible(self, image, **shown):
        """OCR reads every text the frame shows, the frame rate included."""
        for box, text in shown_texts(**shown):
            read = ocr(self.session, image, box)
            self.assertTrue(same_text(read, text), "%r is not %r" % (read, text))
        read = fps_reading(self.session, image)
        self.assertTrue(FPS_TEXT.fullmatch(read),
                        "%r is no frame rate, at the bottom right of %s" % (read, image.path))

    def test_first_frame_shows_title_hints_and_frame_rate(self):
        # Two of the hints cross the ball, "F1: Hilfe" its white highlight.
        self.assert_legible(self.start(), hints=True)

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
            self.assert_legible(shot)

    def test_f1_shows_and_hides_the_help_and_the_hints_stay_away(self):
        s = self.session
        first = self.start()
        s.key("F1")
        shown = s.wait_change(first, region=HELP_BLOCK, what="the help text")
        self.assert_legible(shown, help_shown=True)
        # Each of the five maps on the ball, back to the first.
        shot = shown
        for _ in range(5):
            s.key("Tab")
            shot = s.wait_change(shot, threshold=2, region=(250, 150, 300, 300),
                                 what="the next map")
            self.assert_legible(shot, help_shown=True)

        s.key("F1")
        hidden = s.wait_change(shot, region=HELP_BLOCK, what="the help text to go")
        for box, text in shown_texts(help_shown=True)[1:]:
            self.assertFalse(same_text(ocr(s, hidden, box), text), "%r is still shown" % text)
        self.assert_no_hints(hidden)

        # Frames go on being drawn while Left turns the camera, and the hints stay away.
        s.key_down("Left")
        shot = hidden
        for _ in range(3):
            shot = s.wait_change(shot, threshold=1, region=(0, 0, 800, HEIGHT - 60),
                                 what="the view to turn")
            self.assert_no_hints(shot)
        s.key_up("Left")


if __name__ == "__main__":
    unittest.main()
