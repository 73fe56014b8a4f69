"""Kullerix for ARM (KX_ARCH: arm64 or armhf) from its Debian package, under qemu-user on Xvfb:
the package is of that architecture, its program is hardened, and it holds the files of the
native one; the program from the package's files draws the start view of the native program,
takes keys, reports a missing file in its message box and writes nothing; apt installs the
package with the libraries of that architecture, the installed program runs, and removing it
leaves none of its files.

The program draws 1 to 4 frames a second under emulation; every wait is for a picture or a
window, with deadlines that allow for that."""
import glob
import os
import shutil
import subprocess
import tempfile
import unittest

from expected import BALL_SQUARE, HEIGHT, WALL_TEXTURE, WIDTH
from hardening import assert_hardened
from harness import Session, shows_the_linux_start_view

ARCH = os.environ.get("KX_ARCH", "")
EMULATOR = os.environ.get("KX_EMULATOR", "").split()  # the command and its arguments
PACKAGE = os.environ.get("KX_PACKAGE", "")
HOST_BUILD = os.environ.get("KX_HOST_BUILD", "")
# The dynamic loader that each architecture's programs name, as Debian installs it.
LOADERS = {"arm64": "/lib/ld-linux-aarch64.so.1", "armhf": "/lib/ld-linux-armhf.so.3"}
DATA, BINARY = "usr/share/kullerix", "usr/libexec/kullerix/kullerix"
SLOW = 90  # seconds for what takes a second or two natively


def run(*args, **kwargs):
    return subprocess.run(list(args), check=True, capture_output=True, text=True, **kwargs).stdout


def fields(package):
    return dict(line.split(": ", 1) for line in run("dpkg-deb", "-f", package).splitlines()
                if ": " in line and not line.startswith(" "))


def listing(package):
    """The paths a package installs, without the folders."""
    return sorted(line.split(None, 5)[5].lstrip(".") for line in
                  run("dpkg-deb", "-c", package).splitlines() if not line.startswith("d"))


def greyish(colour):
    return max(colour) - min(colour) < 16


class Emulated(Session):
    """The program of a tree started under the emulator in a copy of its data folder."""

    def __init__(self, tree):
        Session.__init__(self, files=os.path.join(tree, DATA))
        self.binary = os.path.join(tree, BINARY)

    def start_program(self):
        # Without a window manager, -geometry +0+0 puts the window wholly on the screen.
        return self.start(command=EMULATOR[0], args=EMULATOR[1:] + [self.binary, "-geometry", "+0+0"])

    def assert_quiet_exit(self, test):
        self.key("Escape")
        test.assertEqual(self.wait_exit(SLOW), 0)
        test.assertEqual((self.stdout(), self.stderr()), ("", ""), "nothing is written")


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        assert ARCH in LOADERS and EMULATOR and PACKAGE and HOST_BUILD, \
            "KX_ARCH, KX_EMULATOR, KX_PACKAGE and KX_HOST_BUILD must be set (ctest sets them)"
        cls.scratch = tempfile.mkdtemp(prefix="kx-%s-" % ARCH)
        cls.tree = os.path.join(cls.scratch, "tree")
        run("dpkg-deb", "-x", PACKAGE, cls.tree)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def session(self):
        s = Emulated(self.tree)
        self.addCleanup(s.close)
        return s

    def test_is_of_its_architecture_hardened_and_holds_the_files_of_the_native_package(self):
        info = fields(PACKAGE)
        self.assertEqual(info["Architecture"], ARCH)
        depends = [d.split()[0] for d in info["Depends"].split(", ")]
        for library in ("libc6", "libglut", "libsdl2", "libx11"):
            self.assertTrue(any(d.startswith(library) for d in depends), info["Depends"])
        self.assertIn("interpreter " + LOADERS[ARCH], run("file", os.path.join(self.tree, BINARY)))
        assert_hardened(self, os.path.join(self.tree, BINARY))
        run("cpack", "-G", "DEB", "--config", os.path.join(HOST_BUILD, "CPackConfig.cmake"),
            "-B", self.scratch)
        (native,) = glob.glob(os.path.join(self.scratch, "kullerix_*.deb"))
        self.assertEqual(listing(PACKAGE), listing(native))
        lintian = subprocess.run(["lintian", "--tag-display-limit", "0", PACKAGE],
                                 capture_output=True, text=True)
        errors = [line for line in lintian.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], lintian.stdout + lintian.stderr)

    def test_draws_the_native_start_view_takes_tab_and_ends_on_esc(self):
        s = self.session()
        s.start_program()
        s.wait_window(SLOW)
        self.assertEqual(s.geometry()[2:], (WIDTH, HEIGHT))
        self.assertTrue(shows_the_linux_start_view(s), "the start view differs from docs/screenshot.png")
        first = s.wait_frame(timeout=SLOW)
        s.key("Tab")
        s.wait_change(first, threshold=0.5, region=BALL_SQUARE, timeout=SLOW,
                      what="the next normal map")
        s.assert_quiet_exit(self)

    def test_a_missing_wall_texture_gets_its_box_and_the_walls_stay_grey(self):
        s = self.session()
        os.remove(os.path.join(s.run_dir, WALL_TEXTURE))
        s.start_program()
        box, title = s.wait_dialog(SLOW)
        self.assertEqual(title, "Error")
        s.dismiss(box, SLOW)
        s.wait_window(SLOW)
        frame = s.wait_frame(timeout=SLOW)
        self.assertTrue(greyish(frame.mean(0, 110, 800, 60)), "walls without their texture are grey")
        s.assert_quiet_exit(self)


class AptInstall(unittest.TestCase):
    def test_apt_installs_it_with_the_libraries_of_its_architecture_and_removes_every_file(self):
        assert ARCH and EMULATOR and PACKAGE, "KX_ARCH, KX_EMULATOR and KX_PACKAGE must be set"
        status = subprocess.run(["dpkg-query", "-W", "-f", "${db:Status-Status}", "kullerix"],
                                capture_output=True, text=True).stdout
        self.assertNotEqual(status, "installed",
                            "kullerix is installed on this machine, and this test would replace it")
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        remove = sudo + ["apt-get", "remove", "-y", "-qq", "kullerix:" + ARCH]
        run(*sudo, "apt-get", "install", "-y", "-qq", os.path.abspath(PACKAGE), env=env)
        self.addCleanup(subprocess.run, remove, env=env, capture_output=True)
        self.assertEqual(run("dpkg-query", "-W", "-f", "${Architecture}", "kullerix"), ARCH)
        # Every library it depends on is there for its architecture.
        for depend in fields(PACKAGE)["Depends"].split(", "):
            names = [alternative.split()[0] for alternative in depend.split(" | ")]
            self.assertTrue(any(subprocess.run(["dpkg-query", "-W", name + ":" + ARCH],
                                               capture_output=True).returncode == 0
                                for name in names), depend)
        files = [path for path in run("dpkg-query", "-L", "kullerix:" + ARCH).splitlines()
                 if os.path.isfile(path) or os.path.islink(path)]
        self.assertIn("/" + BINARY, files)

        s = Emulated("/")
        self.addCleanup(s.close)
        s.start_program()
        s.wait_window(SLOW)
        s.wait_frame(timeout=SLOW)
        s.assert_quiet_exit(self)

        run(*remove, env=env)
        self.assertEqual([path for path in files if os.path.lexists(path)], [], "files left behind")


if __name__ == "__main__":
    unittest.main()
