"""The Debian packages of a build (KX_BUILD_DIR, native or cross), made by cpack from the build:
the program's, of the build's architecture, its program hardened as Debian's build flags harden
one, depends on the libraries the binary links and on the data package of exactly its version;
the data package is for every architecture, and a cross build makes the same one, byte for byte,
as the build for this machine whose generators it ran. Together they hold the build's install
tree, each with a copyright file in Debian's machine-readable format, and pass Debian's checkers
(the metainfo's validation is install_test's)."""
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
DEP5 = "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
# The notes of `lintian -I --pedantic` that stay, with why; any other, like any error or
# warning, fails the test.
LINTIAN_NOTES = {
    # The fonts' licence lies beside the glyph sheet rendered from them wherever the data go:
    # the run folder, the Windows zip, an install tree, this package.
    ("kullerix-data", "package-contains-documentation-outside-usr-share-doc"),
}


def run(*args, **kwargs):
    return subprocess.run(list(args), check=True, capture_output=True, text=True, **kwargs).stdout


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def files_below(root):
    return sorted(os.path.relpath(os.path.join(folder, name), root)
                  for folder, _, names in os.walk(root) for name in names)


def fields(package):
    return dict(re.findall(r"^(\S+): (.*)$", run("dpkg-deb", "-f", package), re.M))


def words(text):
    return " ".join(text.split())


def paragraphs(text):
    """The paragraphs of a file in Debian's control-file syntax, as {field: value}; a value's
    continuation lines follow its first line after a newline, without their leading space."""
    found = []
    for block in re.split(r"\n[ \t]*\n", text.strip("\n")):
        paragraph, name = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t"):
                paragraph[name] += "\n" + line[1:]
            else:
                name, colon, value = line.partition(":")
                assert colon, "neither a field nor a continuation line: " + line
                paragraph[name] = value.strip()
        found.append(paragraph)
    return found


def licence_text(value):
    """The text of a License field, its " ." lines blank."""
    return "\n".join("" if line == "." else line for line in value.split("\n")[1:])


def licence_of(paragraph, found):
    """(name, text) of the licence of a Files paragraph among the paragraphs found: the text
    follows the name, or is a paragraph of its own."""
    name = paragraph["License"].split("\n")[0]
    return name, licence_text(paragraph["License"]) or next(
        (licence_text(p["License"]) for p in found
         if "Files" not in p and p.get("License", "").split("\n")[0] == name), None)


def matches(pattern, path):
    """Whether a Files pattern of the format matches a path: * and ? match any characters
    and one character, a slash included."""
    expression = "".join(".*" if c == "*" else "." if c == "?" else re.escape(c) for c in pattern)
    return re.fullmatch(expression, path) is not None


class DebianPackages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        assert BUILD_DIR, "KX_BUILD_DIR must be set (ctest sets it)"
        cls.facts = manifest(BUILD_DIR)
        cls.scratch = tempfile.mkdtemp(prefix="kx-package-")
        run("cpack", "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"),
            "-B", cls.scratch)
        cls.program, cls.data = (os.path.join(cls.scratch, os.path.basename(cls.facts[name]))
                                 for name in ("KX_DEB", "KX_DATA_DEB"))
        cls.program_tree, cls.data_tree = (os.path.join(cls.scratch, name) for name in
                                           ("program", "data"))
        run("dpkg-deb", "-x", cls.program, cls.program_tree)
        run("dpkg-deb", "-x", cls.data, cls.data_tree)
        cls.installed = os.path.join(cls.scratch, "installed")
        run("cmake", "--install", BUILD_DIR, "--prefix", cls.installed)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, True)

    def test_the_program_is_of_the_builds_architecture_hardened_and_depends_on_its_data(self):
        version, architecture = self.facts["KX_VERSION"], self.facts["KX_ARCH"]
        program, data = fields(self.program), fields(self.data)
        for name, value in (("Package", "kullerix"), ("Version", version),
                            ("Section", "graphics"), ("Architecture", architecture),
                            ("Recommends", "xfonts-base")):
            self.assertEqual(program.get(name), value, name)
        depends = program["Depends"].split(", ")
        # Exactly its own version: the program reads the data of its own build.
        self.assertIn("kullerix-data (= %s)" % version, depends)
        for library in ("libc6", "libglut", "libsdl2", "libx11"):
            self.assertTrue(any(d.startswith(library) for d in depends), program["Depends"])
        machine, loader = MACHINES[architecture]
        described = run("file", os.path.join(self.program_tree, "usr/libexec/kullerix/kullerix"))
        self.assertIn(machine, described)
        self.assertIn("interpreter " + loader, described)
        assert_hardened(self, os.path.join(self.program_tree, "usr/libexec/kullerix/kullerix"))

        for name, value in (("Package", "kullerix-data"), ("Version", version),
                            ("Source", "kullerix"), ("Section", "graphics"),
                            ("Architecture", "all"), ("Multi-Arch", "foreign")):
            self.assertEqual(data.get(name), value, name)
        for name in ("Depends", "Recommends"):
            self.assertNotIn(name, data)
        self.assertNotEqual(data["Description"].split("\n")[0],
                            program["Description"].split("\n")[0])

    def test_together_hold_the_install_tree_with_the_data_in_the_data_package(self):
        for tree in (self.program_tree, self.data_tree):
            self.assertEqual(os.listdir(tree), ["usr"])
        program = files_below(os.path.join(self.program_tree, "usr"))
        data = files_below(os.path.join(self.data_tree, "usr"))
        self.assertEqual(sorted(program + data), files_below(self.installed))
        self.assertEqual([name for name in data if not name.startswith("share/kullerix/")],
                         ["share/doc/kullerix-data/changelog.gz", "share/doc/kullerix-data/copyright"])
        self.assertIn("share/kullerix/textures/Font.tga", data)
        self.assertIn("share/kullerix/BumpMapping.frag", data)
        self.assertEqual([name for name in program if name.startswith("share/kullerix/")], [])
        # The command is where every PATH finds it.
        self.assertTrue(os.access(os.path.join(self.program_tree, "usr/bin/kullerix"), os.X_OK))
        self.assertNotIn("games", os.listdir(os.path.join(self.program_tree, "usr")))
        for tree, package in ((self.program_tree, "kullerix"), (self.data_tree, "kullerix-data")):
            doc = os.path.join(tree, "usr/share/doc", package)
            with gzip.open(os.path.join(doc, "changelog.gz"), "rt") as changelog:
                self.assertTrue(changelog.readline().startswith("kullerix (%s)" % self.facts["KX_VERSION"]))

    def test_the_copyright_file_is_in_debians_format_and_covers_every_file(self):
        copyright = read(os.path.join(self.program_tree, "usr/share/doc/kullerix/copyright"))
        self.assertEqual(read(os.path.join(self.data_tree, "usr/share/doc/kullerix-data/copyright")),
                         copyright)
        header, *rest = paragraphs(copyright)
        self.assertEqual(header["Format"], DEP5)
        files = [p for p in rest if "Files" in p]

        # Ours: LICENSE's holder and year, and its text after the copyright line.
        license = read(os.path.join(ROOT, "LICENSE"))
        holder = re.search(r"^Copyright \(c\) (\d+ .+)$", license, re.M)
        ours = (words(holder.group(1)), words(license[holder.end():]))
        # The glyph sheet's, and of the fonts' copyright file beside it: the fonts' copyright and
        # licence, as that file gives them for all their files.
        textures = os.path.join(self.data_tree, "usr/share/kullerix/textures")
        fonts = paragraphs(read(os.path.join(textures, "Font.LICENSE.txt")))
        fonts_all = next(p for p in fonts if p.get("Files") == "*")
        theirs = (words(fonts_all["Copyright"]), words(licence_of(fonts_all, fonts)[1]))

        for tree in (self.program_tree, self.data_tree):
            for path in files_below(tree):
                paragraph = [p for p in files if any(matches(pattern, path)
                                                     for pattern in p["Files"].split())][-1:]
                self.assertTrue(paragraph, path + " is in no Files paragraph")
                name, text = licence_of(paragraph[0], rest)
                self.assertTrue(text, "the text of " + name)
                expected = theirs if path.endswith(("/textures/Font.tga",
                                                    "/textures/Font.LICENSE.txt")) else ours
                self.assertEqual((words(paragraph[0]["Copyright"]), words(text)), expected, path)

        # lintian reads a copyright file as this format only in a source package's debian/; one
        # made of the two packages' files has it there.
        source = os.path.join(self.scratch, "source", "kullerix-" + self.facts["KX_VERSION"])
        for tree in (self.program_tree, self.data_tree):
            shutil.copytree(tree, source, dirs_exist_ok=True)
        os.makedirs(os.path.join(source, "debian", "source"))
        control = ("Source: kullerix\nMaintainer: %s\n\nPackage: kullerix\nArchitecture: any\n"
                   "Description: %s\n" % (fields(self.program)["Maintainer"], "the files"))
        for name, text in (("control", control), ("copyright", copyright),
                           ("source/format", "3.0 (native)\n")):
            with open(os.path.join(source, "debian", name), "w", encoding="utf-8") as f:
                f.write(text)
        with gzip.open(os.path.join(source, "usr/share/doc/kullerix/changelog.gz"), "rt") as f:
            with open(os.path.join(source, "debian", "changelog"), "w") as changelog:
                changelog.write(f.read())
        run("dpkg-source", "-Zgzip", "-z1", "-b", os.path.basename(source),
            cwd=os.path.dirname(source))
        dsc = os.path.join(os.path.dirname(source), "kullerix_%s.dsc" % self.facts["KX_VERSION"])
        checked = subprocess.run(["lintian", "-I", "--pedantic", "-E", "--tag-display-limit", "0",
                                  "-C", "debian/copyright/dep5", dsc],
                                 capture_output=True, text=True)
        self.assertEqual(checked.stdout, "", checked.stdout + checked.stderr)
        self.assertEqual(checked.returncode, 0, checked.stderr)

    def test_pass_lintian_but_for_the_listed_notes_and_the_desktop_entry_checker(self):
        lintian = subprocess.run(["lintian", "-I", "--pedantic", "--tag-display-limit", "0",
                                  self.program, self.data], capture_output=True, text=True)
        # 1 is lintian's own failure; 2 that it found an error.
        self.assertIn(lintian.returncode, (0, 2), lintian.stderr)
        found = set()
        for line in lintian.stdout.splitlines():
            said = re.match(r"([A-Z]): ([^ :]+)(?::\S+)?(?: binary)?: (\S+)", line)
            self.assertTrue(said, "a line of lintian that says no tag: " + line)
            found.add((said.group(1), said.group(2), said.group(3)))
        (desktop,) = os.listdir(os.path.join(self.program_tree, "usr/share/applications"))
        self.assertEqual(run("desktop-file-validate",
                             os.path.join(self.program_tree, "usr/share/applications", desktop)), "")
        # The metainfo that install_test validates, under the desktop entry's name.
        app_id = desktop[:-len(".desktop")]
        metainfo = os.path.join(self.program_tree, "usr/share/metainfo", app_id + ".metainfo.xml")
        self.assertIn("<id>%s</id>" % app_id, read(metainfo))
        # NOTE: Debian 13's lintian passes on AppStream 1.0's warning that a metainfo names no
        # home page, as a build without KX_HOMEPAGE_URL names none, the distributor's to give
        # (install_test). That is the one warning it may give, where that is all the validator says.
        if ("W", "kullerix", "appstream-metadata-validation-failed") in found:
            said = subprocess.run(["appstreamcli", "validate", "--no-net", metainfo],
                                  capture_output=True, text=True).stdout
            issues = [line for line in said.splitlines() if line[:2] in ("E:", "W:")]
            self.assertEqual([line.split(":")[-1].strip() for line in issues],
                             ["url-homepage-missing"], said)
            found.discard(("W", "kullerix", "appstream-metadata-validation-failed"))
        self.assertEqual(sorted(tag for tag in found if tag[0] not in "IP" or tag[1:] not in
                                LINTIAN_NOTES), [], lintian.stdout)

    def test_a_cross_build_makes_the_data_package_of_the_build_for_this_machine(self):
        host = self.facts.get("KX_HOST_BUILD")
        if not host:
            self.skipTest("this is the build for this machine")
        # What the generators of the build for this machine make, as that build packages it.
        run("cmake", "--build", host)
        made = os.path.join(self.scratch, "host")
        run("cpack", "-G", "DEB", "--config", os.path.join(host, "CPackConfig.cmake"), "-B", made,
            "-D", "CPACK_COMPONENTS_ALL=data")
        with open(self.data, "rb") as ours, \
                open(os.path.join(made, os.path.basename(manifest(host)["KX_DATA_DEB"])), "rb") as theirs:
            self.assertTrue(ours.read() == theirs.read(), "the data packages differ")


if __name__ == "__main__":
    unittest.main()
