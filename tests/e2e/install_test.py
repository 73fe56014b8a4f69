"""Installed like a desktop program: the launcher starts the demo from anywhere."""
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import Session

BUILD_DIR = os.environ.get("KX_BUILD_DIR", "")


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
        icon = os.path.join(prefix, "share/icons/hicolor/128x128/apps/kullerix.png")
        size = subprocess.run(["identify", "-format", "%w %h %[channels]", icon], check=True,
                              capture_output=True, text=True).stdout
        self.assertTrue(size.startswith("128 128 srgba"), size)

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
