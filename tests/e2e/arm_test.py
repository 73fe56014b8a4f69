"""Kullerix for ARM (the arm64 or armhf build in KX_BUILD_DIR) from its Debian packages, under
qemu-user on Xvfb: the program from the packages' files draws the start view of the native
program, reports a missing file in its message box and ends on Esc, writing nothing; apt installs
the program's package with the data package and the libraries of that architecture, the
installed program runs, and removing both leaves none of their files. (The packages' own fields,
files and checks are package_test's.)

The program draws 1 to 4 frames a second under emulation; every wait is for a picture or a
window, with deadlines that allow for that."""
import os
import shutil
import subprocess
import tempfile
import unittest

from expected import HEIGHT, WALL_TEXTURE, WIDTH
from foreign import FACTS, SLOW, ForeignSession
from harness import shows_the_linux_start_view

DATA, BINARY = "usr/share/kullerix", "usr/libexec/kullerix/kullerix"


def run(*args, **kwargs):
    return subprocess.run(list(args), check=True, capture_output=True, text=True, **kwargs).stdout


def installed_for(name, architecture):
    """Whether dpkg has the package installed for the architecture, or for all."""
    listed = subprocess.run(["dpkg-query", "-W", "-f", "${Architecture} ${db:Status-Status}\n",
                             name], capture_output=True, text=True).stdout.splitlines()
    return any(line in (architecture + " installed", "all installed") for line in listed)


def greyish(colour):
    return max(colour) - min(colour) < 16


def emulated(test, tree):
    """A session of the program of an installed tree (the package's, or / once installed)."""
    s = ForeignSession(os.path.join(tree, DATA), os.path.join(tree, BINARY))
    test.addCleanup(s.close)
    return s


class PackagedProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="kx-%s-" % FACTS.get("KX_ARCH"))
        cls.tree = os.path.join(cls.scratch, "tree")
        for package in (FACTS["KX_DEB"], FACTS["KX_DATA_DEB"]):
            run("dpkg-deb", "-x", package, cls.tree)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def test_draws_the_native_start_view_and_ends_on_esc(self):
        s = emulated(self, self.tree)
        s.start_program()
        s.wait_window(SLOW)
        self.assertEqual(s.geometry()[2:], (WIDTH, HEIGHT))
        self.assertTrue(shows_the_linux_start_view(s), "the start view differs from docs/screenshot.png")
        s.assert_quiet_exit(self)

    def test_a_missing_wall_texture_gets_its_box_and_the_walls_stay_grey(self):
        s = emulated(self, self.tree)
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
    def test_apt_installs_it_with_its_data_and_libraries_and_removes_every_file(self):
        architecture, package = FACTS["KX_ARCH"], FACTS["KX_DEB"]
        packages = ["kullerix:" + architecture, "kullerix-data"]
        for name in ("kullerix", "kullerix-data"):
            status = subprocess.run(["dpkg-query", "-W", "-f", "${db:Status-Status}", name],
                                    capture_output=True, text=True).stdout
            self.assertNotEqual(status, "installed",
                                name + " is installed on this machine, and this test would replace it")
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        # Another apt on this machine may hold dpkg's lock for a while; apt waits for it.
        apt = sudo + ["apt-get", "-y", "-qq", "-o", "DPkg::Lock::Timeout=300"]
        remove = apt + ["remove"] + packages
        run(*apt, "install", os.path.abspath(package), os.path.abspath(FACTS["KX_DATA_DEB"]),
            env=env)
        self.addCleanup(subprocess.run, remove, env=env, capture_output=True)
        self.assertEqual(run("dpkg-query", "-W", "-f", "${Architecture}", "kullerix"), architecture)
        self.assertEqual(run("dpkg-query", "-W", "-f", "${Architecture}", "kullerix-data"), "all")
        # Everything it depends on is installed for its architecture, or for all of them.
        for depend in run("dpkg-deb", "-f", package, "Depends").strip().split(", "):
            names = [alternative.split()[0] for alternative in depend.split(" | ")]
            self.assertTrue(any(installed_for(name, architecture) for name in names), depend)
        files = [path for path in run("dpkg-query", "-L", *packages).splitlines()
                 if os.path.isfile(path) or os.path.islink(path)]
        for path in (BINARY, DATA + "/" + WALL_TEXTURE):
            self.assertIn("/" + path, files)

        s = emulated(self, "/")
        s.start_program()
        s.wait_window(SLOW)
        s.wait_frame(timeout=SLOW)
        s.close()

        run(*remove, env=env)
        self.assertEqual([path for path in files if os.path.lexists(path)], [], "files left behind")


if __name__ == "__main__":
    unittest.main()
