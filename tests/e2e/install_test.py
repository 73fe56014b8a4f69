"""Installed like a desktop program: the launcher starts the demo from anywhere."""
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import Session

BUILD_DIR = os.environ.get("KX_BUILD_DIR", "")
ICON_SIZES = (48, 64, 128, 256)


class Install(unittest.TestCase):
    def test_installed_launcher_starts_the_demo_with_all_its_data(self):
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
        session.key("Escape")
        self.assertEqual(session.wait_exit(), 0)
        self.assertEqual(session.stderr(), "")


if __name__ == "__main__":
    unittest.main()
