"""Installed like a desktop program: the launcher starts the demo from anywhere, and the window
tells the desktop its class and icon."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import Session

BUILD_DIR = os.environ.get("KX_BUILD_DIR", "")
ICON_SIZES = (48, 64, 128, 256)


def window_icons(xprop_output):
    """{(width, height): [0xAARRGGBB pixels]} of a _NET_WM_ICON as xprop prints it."""
    values = [int(v, 0) for v in re.findall(r"0x[0-9a-f]+|\d+", xprop_output.split("=", 1)[1])]
    icons = {}
    while values:
        width, height = values[:2]
        icons[(width, height)] = values[2:2 + width * height]
        values = values[2 + width * height:]
    return icons


def argb_of_png(path):
    rgba = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout
    return [rgba[i + 3] << 24 | rgba[i] << 16 | rgba[i + 1] << 8 | rgba[i + 2]
            for i in range(0, len(rgba), 4)]


class Install(unittest.TestCase):
    def test_installed_launcher_starts_the_demo_with_all_its_data_and_its_identity(self):
        prefix = tempfile.mkdtemp(prefix="kx-prefix-")
        self.addCleanup(shutil.rmtree, prefix, True)
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", prefix], check=True,
                       capture_output=True)

        desktop = open(os.path.join(prefix, "share/applications/kullerix.desktop")).read()
        for line in ("[Desktop Entry]", "Type=Application", "Name=Kullerix", "Exec=kullerix",
                     "Icon=kullerix"):
            self.assertIn(line + "\n", desktop)
        icons = [os.path.join(prefix, "share/icons/hicolor/%dx%d/apps/kullerix.png" % (s, s))
                 for s in ICON_SIZES]
        sizes = subprocess.run(["identify", "-format", "%w %h %[channels]\n"] + icons, check=True,
                               capture_output=True, text=True).stdout.split("\n")
        for size, found in zip(ICON_SIZES, sizes):
            self.assertTrue(found.startswith("%d %d srgba" % (size, size)), found)

        session = Session()
        self.addCleanup(session.close)
        elsewhere = tempfile.mkdtemp(prefix="kx-cwd-")
        self.addCleanup(os.rmdir, elsewhere)
        session.start(command=os.path.join(prefix, "bin/kullerix"), cwd=elsewhere)
        # Every file was found: no message box comes before the first frame.
        self.assertEqual(session.dismiss_all(), [])

        self.assertEqual(session.x("xprop", "-id", session.window, "WM_CLASS"),
                         'WM_CLASS(STRING) = "kullerix", "Kullerix"\n')
        # As numbers: xprop draws icons as text pictures unless given a format.
        shown = window_icons(session.x("xprop", "-len", "1000000", "-f", "_NET_WM_ICON", "32c",
                                       "-id", session.window, "_NET_WM_ICON"))
        self.assertEqual(sorted(shown), [(48, 48), (128, 128)])
        # The window's icon is the installed icon's picture, pixel for pixel.
        self.assertEqual(shown[(128, 128)], argb_of_png(icons[ICON_SIZES.index(128)]))
        self.assertEqual(shown[(48, 48)], argb_of_png(icons[ICON_SIZES.index(48)]))

        session.key("Escape")
        self.assertEqual(session.wait_exit(), 0)
        self.assertEqual(session.stderr(), "")


if __name__ == "__main__":
    unittest.main()
