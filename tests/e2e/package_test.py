"""The Debian package of a build (KX_BUILD_DIR, native or cross): made by cpack from the build,
it is of the build's architecture, its program is hardened as Debian's build flags harden one,
it depends on the libraries the binary links, holds the build's install tree and passes Debian's
checkers (the metainfo's validation is install_test's)."""
import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from hardening import assert_hardened
from harness import ROOT, manifest

BUILD_DIR = os.environ.get("KX_BUILD_DIR", "")
# What `file` says of a program of each architecture, with the dynamic loader it names.
MACHINES = {"amd64": ("x86-64", "/lib64/ld-linux-x86-64.so.2"),
            "arm64": ("ARM aarch64", "/lib/ld-linux-aarch64.so.1"),
            "armhf": ("ARM, EABI5", "/lib/ld-linux-armhf.so.3")}


def run(*args, **kwargs):
    return subprocess.run(list(args), check=True, capture_output=True, text=True, **kwargs).stdout


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def files_below(root):
    return sorted(os.path.relpath(os.path.join(folder, name), root)
                  for folder, _, names in os.walk(root) for name in names)


def copyright_line():
    return next(line.strip() for line in read(os.path.join(ROOT, "LICENSE")).splitlines()
                if line.startswith("Copyright (c) "))


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        assert BUILD_DIR, "KX_BUILD_DIR must be set (ctest sets it)"
        cls.facts = manifest(BUILD_DIR)
        cls.scratch = tempfile.mkdtemp(prefix="kx-package-")
        run("cpack", "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"),
            "-B", cls.scratch)
        cls.package = os.path.join(cls.scratch, os.path.basename(cls.facts["KX_DEB"]))
        cls.tree = os.path.join(cls.scratch, "tree")
        run("dpkg-deb", "-x", cls.package, cls.tree)
        cls.installed = os.path.join(cls.scratch, "installed")
        run("cmake", "--install", BUILD_DIR, "--prefix", cls.installed)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, True)

    def test_is_of_the_builds_version_and_architecture_hardened_and_depends_on_what_it_links(self):
        fields = dict(re.findall(r"^(\S+): (.*)$", run("dpkg-deb", "-f", self.package), re.M))
        architecture = self.facts["KX_ARCH"]
        for name, value in (("Package", "kullerix"), ("Version", self.facts["KX_VERSION"]),
                            ("Section", "games"), ("Architecture", architecture),
                            ("Recommends", "xfonts-base")):
            self.assertEqual(fields.get(name), value, name)
        depends = [d.split()[0] for d in fields["Depends"].split(", ")]
        for library in ("libc6", "libglut", "libsdl2", "libx11"):
            self.assertTrue(any(d.startswith(library) for d in depends), fields["Depends"])
        machine, loader = MACHINES[architecture]
        described = run("file", os.path.join(self.tree, "usr/libexec/kullerix/kullerix"))
        self.assertIn(machine, described)
        self.assertIn("interpreter " + loader, described)
        assert_hardened(self, os.path.join(self.tree, "usr/libexec/kullerix/kullerix"))

    def test_holds_the_install_tree_with_the_command_also_among_the_games(self):
        self.assertEqual(os.listdir(self.tree), ["usr"])
        self.assertEqual(files_below(os.path.join(self.tree, "usr")),
                         sorted(files_below(self.installed) + ["games/kullerix"]))
        self.assertEqual(os.readlink(os.path.join(self.tree, "usr/games/kullerix")), "../bin/kullerix")
        doc = os.path.join(self.tree, "usr/share/doc/kullerix")
        with gzip.open(os.path.join(doc, "changelog.gz"), "rt") as changelog:
            self.assertTrue(changelog.readline().startswith("kullerix (%s)" % self.facts["KX_VERSION"]))
        copyright = read(os.path.join(doc, "copyright"))
        self.assertIn(copyright_line(), copyright)
        self.assertIn(read(os.path.join(self.tree, "usr/share/kullerix/textures/Font.LICENSE.txt")),
                      copyright)

    def test_passes_lintian_and_the_desktop_entry_checker(self):
        lintian = subprocess.run(["lintian", "--tag-display-limit", "0", self.package],
                                 capture_output=True, text=True)
        errors = [line for line in lintian.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], lintian.stdout + lintian.stderr)
        (desktop,) = os.listdir(os.path.join(self.tree, "usr/share/applications"))
        self.assertEqual(run("desktop-file-validate",
                             os.path.join(self.tree, "usr/share/applications", desktop)), "")
        # The metainfo that install_test validates, under the desktop entry's name.
        app_id = desktop[:-len(".desktop")]
        metainfo = os.path.join(self.tree, "usr/share/metainfo", app_id + ".metainfo.xml")
        self.assertIn("<id>%s</id>" % app_id, read(metainfo))


if __name__ == "__main__":
    unittest.main()
