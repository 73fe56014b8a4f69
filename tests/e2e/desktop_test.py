"""The program on real desktops: under a window manager (openbox on Xvfb), which manages it by
the desktop entry's class, keeps its BMP box above it and closes it; and on a Wayland
compositor's Xwayland (weston, headless), where it draws and takes keys."""
import configparser
import os
import re
import signal
import unittest

from expected import WALL_TEXTURE
from harness import Session, wait_until

ENTRY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging",
                     "io.github.kullerix.Kullerix.desktop")


def windows(s, *args):
    """The window ids that xprop shows for a property."""
    return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", s.x("xprop", *args))]


class Desktops(unittest.TestCase):
    def test_a_window_manager_keeps_the_bmp_box_above_the_window_and_closes_it(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.read(ENTRY, encoding="utf-8")
        for ending in ("closed by the window manager", "ended by SIGTERM"):
            with self.subTest(ending):
                s = Session(desktop="openbox")
                self.addCleanup(s.close)
                os.remove(os.path.join(s.run_dir, WALL_TEXTURE))
                s.start()
                window = int(s.wait_window())

                def box_on_top():
                    stacking = windows(s, "-root", "_NET_CLIENT_LIST_STACKING")
                    active = windows(s, "-root", "_NET_ACTIVE_WINDOW")
                    return window in stacking[:-1] and stacking[-1:] == active and active[0]
                box = wait_until(box_on_top, what="a box above the window, with the focus")
                self.assertIn('"Error"', s.x("xprop", "-id", hex(box), "WM_NAME"))
                self.assertEqual(windows(s, "-id", hex(box), "WM_TRANSIENT_FOR"), [window])
                self.assertEqual(re.findall(r'"(\w+)"', s.x("xprop", "-id", str(window), "WM_CLASS")),
                                 ["kullerix", entry["Desktop Entry"]["StartupWMClass"]])

                s.dismiss(hex(box))
                s.wait_frame()
                if ending == "ended by SIGTERM":
                    s.process.terminate()
                    self.assertEqual(s.wait_exit(), -signal.SIGTERM)
                else:
                    s.key("alt+F4")  # openbox's own binding: WM_DELETE_WINDOW to the window
                    self.assertEqual(s.wait_exit(), 0)
                self.assertEqual(s.stderr(), "")

    def test_xwayland_shows_the_picture_and_passes_keys(self):
        s = Session(desktop="weston")
        self.addCleanup(s.close)
        s.start()
        s.wait_window()
        s.wait_frame()
        # NOTE: the headless compositor has no seat, so no window has the keyboard focus and its
        # X window manager takes back any focus set by a client: keys are sent to the window.
        # Esc reaches it: the program ends on the press, and the release finds no window.
        s.x("xdotool", "key", "--window", s.window, "Escape", check=False)
        self.assertEqual(s.wait_exit(), 0)
        self.assertEqual(s.stderr(), "")


if __name__ == "__main__":
    unittest.main()
