"""Installed like a desktop program: the launcher starts the demo from anywhere, the window
tells the desktop its class and icon, and the Debian package holds the same tree."""
import glob
import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from hardening import assert_hardened
from harness import Session

BUILD_DIR = os.environ.get("KX_BUILD_DIR", "")
# The build's own lists: the desktop icon's sizes and the sizes of the icon the window shows.
ICON_SIZES, WINDOW_ICON_SIZES = ([int(size) for size in os.environ.get(name, "").split()]
                                 for name in ("KX_ICON_SIZES", "KX_WINDOW_ICON_SIZES"))


def run(*args, **kwargs):
    return subprocess.run(list(args), check=True, capture_output=True, text=True, **kwargs).stdout


def read(path):
    with open(path) as f:
        return f.read()


def files_below(root):
    return sorted(os.path.relpath(os.path.join(folder, name), root)
                  for folder, _, names in os.walk(root) for name in names)


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
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="kx-prefix-")
        run("cmake", "--install", BUILD_DIR, "--prefix", cls.prefix)
        cls.desktop_files = glob.glob(os.path.join(cls.prefix, "share/applications/*.desktop"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, True)

    def test_installed_launcher_starts_the_demo_with_all_its_data_and_its_identity(self):
        self.assertEqual(len(self.desktop_files), 1, self.desktop_files)
        desktop = read(self.desktop_files[0])
        for line in ("[Desktop Entry]", "Type=Application", "Name=Kullerix", "Exec=kullerix",
                     "Icon=kullerix", "StartupWMClass=Kullerix"):
            self.assertIn(line + "\n", desktop)
        icons = [os.path.join(self.prefix, "share/icons/hicolor/%dx%d/apps/kullerix.png" % (s, s))
                 for s in ICON_SIZES]
        sizes = run("identify", "-format", "%w %h %[channels]\n", *icons).split("\n")
        for size, found in zip(ICON_SIZES, sizes):
            self.assertTrue(found.startswith("%d %d srgba" % (size, size)), found)

        session = Session()
        self.addCleanup(session.close)
        elsewhere = tempfile.mkdtemp(prefix="kx-cwd-")
        self.addCleanup(os.rmdir, elsewhere)
        session.start(command=os.path.join(self.prefix, "bin/kullerix"), cwd=elsewhere)
        # Every file was found: no message box comes before the first frame.
        self.assertEqual(session.dismiss_all(), [])

        self.assertEqual(session.x("xprop", "-id", session.window, "WM_CLASS"),
                         'WM_CLASS(STRING) = "kullerix", "Kullerix"\n')
        # As numbers: xprop draws icons as text pictures unless given a format.
        shown = window_icons(session.x("xprop", "-len", "1000000", "-f", "_NET_WM_ICON", "32c",
                                       "-id", session.window, "_NET_WM_ICON"))
        self.assertEqual(sorted(shown), sorted((size, size) for size in WINDOW_ICON_SIZES))
        # The window's icon is the installed icon's picture, pixel for pixel.
        for size in WINDOW_ICON_SIZES:
            self.assertEqual(shown[(size, size)], argb_of_png(icons[ICON_SIZES.index(size)]))

        session.key("Escape")
        self.assertEqual(session.wait_exit(), 0)
        self.assertEqual(session.stderr(), "")

    def test_debian_package_holds_the_install_tree_and_passes_the_checkers(self):
        scratch = tempfile.mkdtemp(prefix="kx-package-")
        self.addCleanup(shutil.rmtree, scratch, True)
        run("cpack", "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"),
            "-B", scratch)
        version = re.search(r"^CMAKE_PROJECT_VERSION:\w+=(.*)$",
                            read(os.path.join(BUILD_DIR, "CMakeCache.txt")), re.M).group(1)
        architecture = run("dpkg", "--print-architecture").strip()
        package = os.path.join(scratch, "kullerix_%s_%s.deb" % (version, architecture))

        fields = dict(re.findall(r"^(\S+): (.*)$", run("dpkg-deb", "-f", package), re.M))
        for name, value in (("Package", "kullerix"), ("Version", version), ("Section", "games"),
                            ("Architecture", architecture)):
            self.assertEqual(fields.get(name), value, name)
        depends = [d.split()[0] for d in fields["Depends"].split(", ")]
        for library in ("libc6", "libglut", "libsdl2", "libx11"):
            self.assertTrue(any(d.startswith(library) for d in depends), fields["Depends"])
        self.assertEqual(fields.get("Recommends"), "xfonts-base")

        # The install tree, and the command also where Debian keeps the commands of games.
        tree = os.path.join(scratch, "tree")
        run("dpkg-deb", "-x", package, tree)
        self.assertEqual(os.listdir(tree), ["usr"])
        self.assertEqual(files_below(os.path.join(tree, "usr")),
                         sorted(files_below(self.prefix) + ["games/kullerix"]))
        self.assertEqual(os.readlink(os.path.join(tree, "usr/games/kullerix")), "../bin/kullerix")
        assert_hardened(self, os.path.join(tree, "usr/libexec/kullerix/kullerix"))
        doc = os.path.join(tree, "usr/share/doc/kullerix")
        with gzip.open(os.path.join(doc, "changelog.gz"), "rt") as changelog:
            self.assertTrue(changelog.readline().startswith("kullerix (%s)" % version))
        copyright = read(os.path.join(doc, "copyright"))
        self.assertIn("Copyright (c) %s The Kullerix developers" % os.environ["KX_COPYRIGHT_YEAR"],
                      copyright)
        self.assertIn(read(os.path.join(tree, "usr/share/kullerix/textures/Font.LICENSE.txt")),
                      copyright)

        desktop = os.path.join(tree, "usr", os.path.relpath(self.desktop_files[0], self.prefix))
        self.assertEqual(run("desktop-file-validate", desktop), "")
        app_id = os.path.basename(desktop)[:-len(".desktop")]
        metainfo = os.path.join(tree, "usr/share/metainfo", app_id + ".metainfo.xml")
        self.assertIn("<id>%s</id>" % app_id, read(metainfo))
        self.assert_valid_metainfo(metainfo, homepage=False)

        lintian = subprocess.run(["lintian", "--tag-display-limit", "0", package],
                                 capture_output=True, text=True)
        errors = [line for line in lintian.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], lintian.stdout + lintian.stderr)

        # Packaged again later, from files made later, it is the same package, byte for byte.
        later = os.path.join(scratch, "later")
        for folder, _, names in os.walk(os.environ["KX_RUN_DIR"]):
            for name in names:
                os.utime(os.path.join(folder, name))
        run("cpack", "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"),
            "-B", later)
        with open(package, "rb") as first, open(os.path.join(later, os.path.basename(package)),
                                                 "rb") as second:
            self.assertTrue(first.read() == second.read(), "the package differs")

    def assert_valid_metainfo(self, path, homepage):
        """appstreamcli passes the metainfo, except that from AppStream 1.0 on it warns when no
        home page is named, as a build without KX_HOMEPAGE_URL names none."""
        done = subprocess.run(["appstreamcli", "validate", "--no-net", path], capture_output=True,
                              text=True)
        allowed = [] if homepage else ["url-homepage-missing"]
        found = [line for line in done.stdout.splitlines() if line[:2] in ("E:", "W:")]
        self.assertEqual([line for line in found if line.split(":")[-1].strip() not in allowed],
                         [], done.stdout)
        self.assertTrue(done.returncode == 0 or found, done.stdout + done.stderr)

    def configured(self, *options):
        """The metainfo, checked, and the package settings of a fresh configure of the sources."""
        build = tempfile.mkdtemp(prefix="kx-configure-")
        self.addCleanup(shutil.rmtree, build, True)
        source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
        run("cmake", "-S", source, "-B", build, "-DBUILD_TESTING=OFF", *options)
        metainfo, = glob.glob(os.path.join(build, "packaging/*.metainfo.xml"))
        self.assert_valid_metainfo(metainfo, any("KX_HOMEPAGE_URL" in o for o in options))
        return read(metainfo), read(os.path.join(build, "CPackConfig.cmake"))

    def test_addresses_are_the_distributors_and_none_is_made_up(self):
        xml, cpack = self.configured()
        self.assertNotIn("<url", xml)
        self.assertNotIn("<screenshot", xml)
        self.assertIn('CPACK_DEBIAN_PACKAGE_HOMEPAGE ""', cpack)
        # A package must name an address; unset, it lies in a domain reserved for none.
        self.assertRegex(cpack, r'PACKAGE_MAINTAINER "[^"<]+ <[^"@]+@[\w.-]+\.invalid>"')

        xml, cpack = self.configured("-DKX_HOMEPAGE_URL=https://kullerix.test/",
                                     "-DKX_SCREENSHOT_URL=https://kullerix.test/shot?size=800&format=png",
                                     "-DKX_PACKAGE_MAINTAINER=Ann Packer <ann@kullerix.test>")
        self.assertIn('<url type="homepage">https://kullerix.test/</url>', xml)
        self.assertIn('<image type="source">https://kullerix.test/shot?size=800&amp;format=png'
                      '</image>', xml)
        self.assertIn('CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kullerix.test/"', cpack)
        self.assertIn('CPACK_DEBIAN_PACKAGE_MAINTAINER "Ann Packer <ann@kullerix.test>"', cpack)


if __name__ == "__main__":
    unittest.main()
