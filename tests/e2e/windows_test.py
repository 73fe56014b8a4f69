"""Kullerix for Windows (the build in KX_BUILD_DIR) under Wine, on Xvfb with openbox, each class
in a fresh Wine prefix: the zip's program draws the start view of the Linux program, reports
missing files in message boxes of Windows' own, ends on Esc and writes nothing to its console;
the installer installs it silently with a shortcut that starts it, replaces an earlier install
and its uninstaller leaves nothing behind. Without Wine: what the program's file and the
installer tell Windows of themselves, the program's hardening and the DLLs it needs, the
zip's text files, what its notices of the parts of other projects in the program take of
Debian's copyright files, and the bill of materials of those files. Signed with a certificate
of our own, as a release does (Authenticode), the program in the zip and in the installer and
the installer itself verify, a changed byte does not, the signed installer still installs, and
without their signatures the signed packages are the unsigned ones."""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

from expected import HEIGHT, SKY, VERTEX_SHADER, WALL_TEXTURE, WIDTH
from foreign import BUILD_DIR, FACTS, ForeignSession
from harness import ROOT, flip_a_byte, lib, near, shows_the_linux_start_view, wait_until

ZIP, INSTALLER, VERSION = (FACTS.get(name, "") for name in ("KX_ZIP", "KX_INSTALLER", "KX_VERSION"))
# The build's own program, of which the zip and the installer hold a stripped copy.
PROGRAM = FACTS.get("KX_PROGRAM", "")
WALLS = (0, 110, 800, 60)  # a band of the start view that only the walls fill
# What Wine's trace of a message box shows of its text, as Wine quotes it.
BOX_TEXT = re.compile(r'trace:msgbox:MSGBOX_OnInit L"(.*)"')


def made_prefix(prefix):
    """Makes a Wine prefix where there is none; returns the environment of the runs in it."""
    listing = lib("wine.sh", 'use_wine_prefix "%s" && env' % prefix, env=dict(os.environ, DISPLAY=""))
    settings = dict(line.split("=", 1) for line in listing.splitlines() if line.startswith("WINE"))
    return {name: settings[name] for name in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES")}


TEMPLATE = tempfile.TemporaryDirectory(prefix="kx-wine-template-")


def new_prefix(scratch):
    """A fresh Wine prefix under scratch: a copy of one that nothing has run in, made once (a
    new prefix takes 10 to 20 s, a copy a few); returns the environment of the runs in it."""
    template = os.path.join(TEMPLATE.name, "wine")
    if not os.path.exists(template):
        made_prefix(template)
    prefix = os.path.join(scratch, "wine")
    subprocess.run(["cp", "-a", template, prefix], check=True)
    return made_prefix(prefix)


def windows(s, *args):
    """The window ids that xprop shows for a property."""
    return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", s.x("xprop", *args, check=False))]


def greyish(colour):
    return max(colour) - min(colour) < 16


def copyright_line():
    with open(os.path.join(ROOT, "LICENSE")) as licence:
        return next(line.strip() for line in licence if line.startswith("Copyright (c) "))


# Who makes Kullerix: the holder of its copyright.
VENDOR = copyright_line().split(None, 3)[3]


def supported_windows():
    """{identifier: name} of the Windows versions that the program names as made for."""
    with open(os.path.join(ROOT, "data", "windows_versions.txt")) as listed:
        return dict(line.rstrip("\n").split(" ", 1) for line in listed if line.startswith("{"))


def objdump(*args):
    return subprocess.run(["x86_64-w64-mingw32-objdump"] + list(args), check=True,
                          capture_output=True, text=True).stdout


def resource(path, kind, name=None):
    """The bytes of a Windows program's resources of one type (or one of them), as wrestool
    extracts them."""
    selection = ["--type=%d" % kind] + (["--name=%s" % name] if name else [])
    return subprocess.run(["wrestool", "-x", "--raw"] + selection + [path], check=True,
                          capture_output=True).stdout


def icon_images(path):
    """The images of a program's icons (RT_ICON resources), in no particular order."""
    listing = subprocess.run(["wrestool", "-l", "--type=3", path], check=True,
                             capture_output=True, text=True).stdout
    return sorted(resource(path, 3, name) for name in re.findall(r"--name=(\d+)", listing))


def version_info(blob):
    """(file version as four numbers, {name: text}) of a VS_VERSIONINFO resource: a tree of
    nodes, each a length, a value length, a type (1 for text), a UTF-16 key, a value and the
    child nodes, every part starting on a 4-byte boundary."""
    align = lambda offset: (offset + 3) & ~3
    fixed, texts = [], {}

    def node(offset):
        length, value_length, is_text = struct.unpack_from("<HHH", blob, offset)
        end = offset + 6
        while blob[end:end + 2] != b"\0\0":
            end += 2
        key = blob[offset + 6:end].decode("utf-16-le")
        value = align(end + 2)
        size = value_length * 2 if is_text else value_length
        if key == "VS_VERSION_INFO":
            signature, _, most, least = struct.unpack_from("<4I", blob, value)
            assert signature == 0xFEEF04BD, "no fixed file information"
            fixed.extend([most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF])
        elif is_text and size:
            texts[key] = blob[value:value + size].decode("utf-16-le").rstrip("\0")
        child = align(value + size)
        while child < offset + length:
            child = align(child + node(child))
        return length
    node(0)
    return fixed, texts


def reg_values(env, key):
    """{name: (type, data)} of a registry key as Wine's reg query lists it; None without one."""
    listed = subprocess.run(["wine", "reg", "query", key], env=env, capture_output=True, text=True)
    if listed.returncode != 0:
        return None
    return {m.group(1): (m.group(2), m.group(3)) for m in
            re.finditer(r"^    (\S.*?)    (REG_\w+)    (.*?)\r?$", listed.stdout, re.MULTILINE)}


def registry_keys(prefix, word):
    """The keys of a Wine prefix's saved registry whose names hold word."""
    keys = []
    for hive in ("system.reg", "user.reg"):
        with open(os.path.join(prefix, hive), encoding="utf-8", errors="replace") as saved:
            keys += re.findall(r"^\[([^\]]*%s[^\]]*)\]" % word, saved.read(), re.MULTILINE)
    return keys


def wine_session(test, wine, files):
    """The zip's program under Wine in a copy of files, ended and its prefix idle at the end."""
    s = ForeignSession(files, "kullerix.exe", env=wine)
    test.addCleanup(s.close)
    return s


def box_texts(s):
    """The texts of the boxes shown so far, from Wine's trace (start_program with the trace)."""
    return BOX_TEXT.findall(s.stderr())


def managed(s):
    """The windows that the window manager manages, the topmost last."""
    return windows(s, "-root", "_NET_CLIENT_LIST_STACKING")


def consoles(s):
    return [w for w in managed(s)
            if "conhost" in s.x("xprop", "-id", str(w), "WM_CLASS", check=False)]


def boxes(s):
    """The message boxes: the windows beside the program's and its console, topmost last."""
    others = [int(s.window)] + consoles(s)
    return [w for w in managed(s) if w not in others]


# Wine's own trace of each message box that it shows, on the program's stderr.
TRACE_BOXES = {"WINEDEBUG": "-all,trace+msgbox"}

# What the static kullerix.exe carries of other projects, and the Debian packages it comes from.
STATIC_PARTS = {"freeglut": ["libglut-dev"],
                "mingw-w64 runtime": ["mingw-w64-x86-64-dev"],
                "winpthreads": ["mingw-w64-x86-64-dev"],
                "GCC runtime libraries": ["gcc-mingw-w64-x86-64-posix",
                                          "g++-mingw-w64-x86-64-posix"]}


def dpkg_version(package):
    """The package's version as dpkg has it, the same for every architecture it is installed for."""
    (version,) = set(subprocess.run(["dpkg-query", "-W", "-f", "${Version}\n", package], check=True,
                                    capture_output=True, text=True).stdout.split())
    return version


def copyright_paragraphs(package):
    """The paragraphs of a package's machine-readable copyright file."""
    with open("/usr/share/doc/%s/copyright" % package, encoding="utf-8") as text:
        return [p.strip("\n") for p in re.split(r"\n[ \t]*\n", text.read()) if p.strip()]


def stanza(package, files):
    """The copyright file's stanza whose Files field starts with files."""
    (found,) = [p for p in copyright_paragraphs(package) if p.startswith("Files: %s\n" % files)]
    return found


class Files(unittest.TestCase):
    """What the program's file and the installer tell Windows, and what the zip holds."""
    ASM = "{urn:schemas-microsoft-com:asm.v1}"
    ASM3 = "{urn:schemas-microsoft-com:asm.v3}"
    # The DLLs of Windows itself that a program of ours may name; the C and C++ run-time of
    # mingw-w64, freeglut and the stack protector's libssp are linked into the program.
    WINDOWS_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "glu32.dll",
                    "imm32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "opengl32.dll",
                    "shell32.dll", "user32.dll", "version.dll", "winmm.dll"}
    # The bits of DllCharacteristics in the PE optional header that Windows reads.
    HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT = 0x0020, 0x0040, 0x0100

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="kx-win-files-")
        with zipfile.ZipFile(ZIP) as archive:
            archive.extractall(cls.scratch.name)
            cls.names = archive.namelist()
        (top,) = {name.split("/")[0] for name in cls.names}
        cls.folder = os.path.join(cls.scratch.name, top)
        cls.program = os.path.join(cls.folder, "kullerix.exe")

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def manifest(self, path):
        return ElementTree.fromstring(resource(path, 24, 1))

    def test_the_program_asks_for_current_controls_sharp_pixels_and_no_elevation(self):
        manifest = self.manifest(self.program)
        controls = [identity.attrib for identity in manifest.iter(self.ASM + "assemblyIdentity")
                    if identity.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual([(c.get("version"), c.get("publicKeyToken")) for c in controls],
                         [("6.0.0.0", "6595b64144ccf1df")])
        supported = {os_.get("Id") for os_ in manifest.iter(
            "{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
        self.assertEqual(supported, set(supported_windows()))
        (level,) = manifest.iter(self.ASM3 + "requestedExecutionLevel")
        self.assertEqual((level.get("level"), level.get("uiAccess")), ("asInvoker", "false"))
        (awareness,) = manifest.iter("{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness")
        self.assertEqual(awareness.text.split(",")[0].strip(), "PerMonitorV2")
        (aware,) = manifest.iter("{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
        self.assertEqual(aware.text.strip(), "true/pm")

    def test_the_program_is_hardened_and_needs_no_dll_but_windows_own(self):
        headers = objdump("-p", self.program)
        characteristics = int(re.search(r"^DllCharacteristics\s+([0-9a-fA-F]+)$", headers,
                                        re.MULTILINE).group(1), 16)
        # DEP, and ASLR with the whole 64-bit address space.
        for bit, name in ((self.NX_COMPAT, "NX_COMPAT"), (self.DYNAMIC_BASE, "DYNAMIC_BASE"),
                          (self.HIGH_ENTROPY_VA, "HIGH_ENTROPY_VA")):
            self.assertTrue(characteristics & bit, "%s is not set: %s" % (name, hex(characteristics)))
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertIn("kernel32.dll", dlls)
        self.assertEqual(dlls - self.WINDOWS_DLLS, set(), "DLLs that Windows does not bring")
        # The stack protector's guard and its check, which the zip's copy carries unnamed.
        guards = set(re.findall(r"\s(__stack_chk_\w+)$", objdump("-t", PROGRAM), re.MULTILINE))
        self.assertLessEqual({"__stack_chk_guard", "__stack_chk_fail"}, guards)

    def test_the_program_and_the_installer_carry_the_version_and_the_names(self):
        numbers = [int(part) for part in VERSION.split(".")] + [0]
        for path, original in ((self.program, "kullerix.exe"),
                               (INSTALLER, os.path.basename(INSTALLER))):
            fixed, texts = version_info(resource(path, 16, 1))
            self.assertEqual(fixed, numbers, path)
            for name, text in (("ProductName", "Kullerix"), ("ProductVersion", VERSION),
                               ("FileVersion", VERSION), ("CompanyName", VENDOR),
                               ("LegalCopyright", copyright_line()),
                               ("OriginalFilename", original)):
                self.assertEqual(texts.get(name), text, "%s of %s" % (name, path))
            self.assertIn("Kullerix", texts.get("FileDescription", ""), path)

    def test_the_installer_is_dpi_aware_and_shows_the_programs_icon(self):
        (aware,) = self.manifest(INSTALLER).iter(
            "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware")
        self.assertEqual(aware.text.strip().lower(), "true")
        self.assertEqual(icon_images(INSTALLER), icon_images(self.program))

    def test_the_text_files_open_with_a_double_click_and_end_their_lines_as_windows_does(self):
        texts = [name for name in self.names if name.lower().endswith(".txt")]
        self.assertEqual(sorted(name.split("/", 1)[1] for name in texts),
                         ["LICENSE.txt", "README.txt", "THIRD-PARTY-NOTICES.txt",
                          "textures/Font.LICENSE.txt"])
        self.assertFalse([name for name in self.names if name.endswith("/LICENSE")])
        for name in texts:
            with open(os.path.join(self.scratch.name, name), "rb") as text:
                content = text.read()
            self.assertTrue(content.endswith(b"\r\n"), name)
            self.assertNotRegex(content, rb"(?<!\r)\n", name + " has a line without CR LF")
        with open(os.path.join(self.folder, "README.txt"), encoding="utf-8") as readme:
            words = " ".join(readme.read().split())
        self.assertIn("A console window opens beside the demo's window", words)
        self.assertIn("Closing it ends the demo", words)
        self.assertIn("small", words, "says that the window is small on a high-resolution screen")
        self.assertIn("THIRD-PARTY-NOTICES.txt gives their versions and licences", words)

    def test_the_notices_give_each_static_part_its_version_and_licence(self):
        path = os.path.join(self.folder, "THIRD-PARTY-NOTICES.txt")
        with open(path, encoding="utf-8") as notices:
            parts = re.split(r"^={40,}\n(.+)\n={40,}\n", notices.read(), flags=re.MULTILINE)
        sections = dict(zip(parts[1::2], parts[2::2]))
        self.assertEqual(sorted(sections), sorted(STATIC_PARTS))
        for name, packages in STATIC_PARTS.items():
            (version,) = {dpkg_version(package) for package in packages}
            heading = sections[name].splitlines()[0]
            self.assertTrue(heading.startswith("Version: %s (Debian package" % version), heading)
            for package in packages:
                self.assertIn(package, heading)
        # The copyright notices and permissions that freeglut, the runtime and winpthreads
        # demand in every copy, and the texts of the licences that they only name.
        self.assertIn(stanza("libglut-dev", "*"), sections["freeglut"])
        self.assertIn(stanza("mingw-w64-x86-64-dev", "*"), sections["mingw-w64 runtime"])
        threads = stanza("mingw-w64-x86-64-dev", "mingw-w64-libraries/winpthreads/*")
        self.assertIn(threads, sections["winpthreads"])
        licence = re.search(r"^License: (.+)$", threads, re.MULTILINE).group(1)
        (text,) = [p for p in copyright_paragraphs("mingw-w64-x86-64-dev")
                   if p.startswith("License: %s\n" % licence)]
        self.assertIn(text, sections["winpthreads"])
        self.assertNotIn("tests_pthread", sections["winpthreads"], "its tests are not built in")
        for words in ("GCC RUNTIME LIBRARY EXCEPTION", "libstdc++-v3", "libssp"):
            self.assertIn(words, sections["GCC runtime libraries"])

    def test_the_build_lists_the_static_parts_with_their_packages_versions_and_licences(self):
        with open(FACTS["KX_STATIC_COMPONENTS"], encoding="utf-8") as listed:
            rows = [line.rstrip("\n").split("\t") for line in listed]
        self.assertEqual(rows[0], ["component", "package", "version", "licence"])
        self.assertEqual(sorted(row[:3] for row in rows[1:]),
                         sorted([name, package, dpkg_version(package)]
                                for name, packages in STATIC_PARTS.items() for package in packages))
        licences = {row[0]: row[3] for row in rows[1:]}
        self.assertEqual(licences["freeglut"], re.search(
            r"^License: (.+)$", stanza("libglut-dev", "*"), re.MULTILINE).group(1))
        self.assertIn("GCC-exception", licences["GCC runtime libraries"])

    def test_the_bill_of_materials_lists_the_files_and_what_the_program_carries(self):
        dist = tempfile.mkdtemp(dir=self.scratch.name)
        for path in (ZIP, INSTALLER):
            subprocess.run(["cp", path, dist], check=True)
        document = subprocess.run(
            ["python3", os.path.join(ROOT, "packaging", "bill_of_materials.py"), dist,
             os.environ["KX_BUILD_DIR"]], check=True, capture_output=True, text=True).stdout
        self.assertTrue(document.startswith("SPDXVersion: SPDX-2.3\n"))
        packages = [dict(re.findall(r"^(\w+): (.*)$", block, re.M))
                    for block in document.split("\n##### ")[1:]]
        for path in (ZIP, INSTALLER):
            with open(path, "rb") as made:
                checksum = hashlib.sha256(made.read()).hexdigest()
            (listed,) = [p for p in packages if p.get("PackageFileName") == os.path.basename(path)]
            self.assertEqual(listed["PackageChecksum"], "SHA256: " + checksum)
            self.assertEqual(listed["PackageVersion"], VERSION)
            for component in STATIC_PARTS:
                self.assertRegex(document, r"Relationship: %s CONTAINS SPDXRef-static-%s\n" % (
                    listed["SPDXID"], re.escape(component.replace(" ", "-"))))
        versions = {p["PackageName"]: p["PackageVersion"] for p in packages}
        for component in ("freeglut", "mingw-w64 runtime", "winpthreads"):
            self.assertEqual(versions[component], dpkg_version(STATIC_PARTS[component][0]), component)
        self.assertEqual(re.search(r"^Created: (.*)$", document, re.M).group(1),
                         FACTS["KX_RELEASE_DATE"] + "T00:00:00Z")


class NoticeStanzas(unittest.TestCase):
    """What the notices take of a machine-readable copyright file: the stanzas of a component's
    files, then the texts of the licences that they only name, in the file's order."""
    READER = os.path.join(ROOT, "tests", "windows", "print_dep5_stanzas.cmake")
    # Its paragraphs part at empty lines, and at a line of blanks (the one after lib/x.c's).
    COPYRIGHT = """Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: thing

Files: *
Copyright: 2020 Someone
License: GPL-2+

Files: lib/*
       lib/[ab].c
Copyright: 2021 Holder; and others
License: Lib
 The text of Lib; kept [as it is.
 .
 Its second paragraph.

Files: lib/tests/*
Copyright: 2022 Tester
License: GPL-3+

Files: lib/x.c
Copyright: 2023 Another
License: BSD-3-clause and ISC
  \n
License: ISC
 ISC text.

License: GPL-2+
 GPL text.

License: BSD-3-clause
 BSD text.
"""

    def read(self, include, exclude=""):
        scratch = tempfile.TemporaryDirectory(prefix="kx-dep5-")
        self.addCleanup(scratch.cleanup)
        path = os.path.join(scratch.name, "copyright")
        with open(path, "w") as copyright:
            copyright.write(self.COPYRIGHT)
        return subprocess.run(["cmake", "-DCOPYRIGHT=" + path, "-DINCLUDE=" + include,
                               "-DEXCLUDE=" + exclude, "-P", self.READER],
                              capture_output=True, text=True)

    def test_takes_the_files_stanzas_and_the_licences_they_name_keeping_every_character(self):
        done = self.read("^lib/", "^lib/tests/")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(done.stderr, """Lib and BSD-3-clause and ISC
Files: lib/*
       lib/[ab].c
Copyright: 2021 Holder; and others
License: Lib
 The text of Lib; kept [as it is.
 .
 Its second paragraph.

Files: lib/x.c
Copyright: 2023 Another
License: BSD-3-clause and ISC

License: ISC
 ISC text.

License: BSD-3-clause
 BSD text.
""")

    def test_fails_where_a_licence_is_named_without_its_text(self):
        done = self.read("^lib/tests/")
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("GPL-3+ but gives no text of it", done.stderr)
        self.assertNotEqual(self.read("^doc/").returncode, 0, "no stanza for the files")


class ZipProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="kx-wine-")
        with zipfile.ZipFile(ZIP) as archive:
            archive.extractall(cls.scratch.name)
            (top,) = {name.split("/")[0] for name in archive.namelist()}
        cls.files = os.path.join(cls.scratch.name, top)
        cls.wine = new_prefix(cls.scratch.name)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_draws_the_linux_start_view_ends_on_esc_and_keeps_its_console_empty(self):
        s = wine_session(self, self.wine, self.files)
        # An X server's DISPLAY in the environment, as on a Windows machine with one for WSL.
        self.assertTrue(s.env.get("DISPLAY"))
        s.start_program()
        s.wait_window()
        self.assertEqual(s.geometry()[2:], (WIDTH, HEIGHT))
        self.assertTrue(shows_the_linux_start_view(s), "the start view differs from docs/screenshot.png")
        s.assert_quiet_exit(self)

    def test_a_display_named_on_the_command_line_still_reaches_glut(self):
        s = wine_session(self, self.wine, self.files)
        s.start_program(["-display", r"\\.\NOSUCHDISPLAY"])
        wait_until(lambda: "CreateDC failed" in s.stderr(), what="GLUT's word on that display")

    def test_a_missing_wall_texture_gets_a_box_owned_by_the_window_and_grey_walls(self):
        s = wine_session(self, self.wine, self.files)
        os.remove(os.path.join(s.run_dir, WALL_TEXTURE))
        s.start_program(env=TRACE_BOXES)
        window = int(s.wait_window())
        (box,) = wait_until(lambda: boxes(s), what="the box for the wall texture")
        self.assertIn('"Error"', s.x("xprop", "-id", hex(box), "WM_NAME"))
        self.assertEqual(windows(s, "-id", hex(box), "WM_TRANSIENT_FOR"), [window])
        self.assertEqual(box_texts(s), [r"Failed to open DIB file %s.\n" % WALL_TEXTURE])
        s.dismiss(hex(box))
        frame = s.wait_frame()
        self.assertTrue(greyish(frame.mean(*WALLS)), "walls without their texture are grey")
        self.assertEqual(boxes(s), [])

    def test_a_missing_shader_file_gets_boxes_without_an_owner(self):
        s = wine_session(self, self.wine, self.files)
        os.remove(os.path.join(s.run_dir, VERTEX_SHADER))
        s.start_program(env=TRACE_BOXES)
        s.wait_window()

        def box_or_frame():
            # No frame is drawn before the set-up, and with it every box, is through.
            shown = boxes(s)
            if shown:
                return shown[-1]
            image = s.screenshot()
            return "drawn" if near(image.pixel(image.width // 2, 5), SKY, 20) else None
        first = wait_until(box_or_frame, what="the first box")
        self.assertIn('"ERROR"', s.x("xprop", "-id", hex(first), "WM_NAME"))
        box = first
        while box != "drawn":
            self.assertEqual(windows(s, "-id", hex(box), "WM_TRANSIENT_FOR"), [], "no owner")
            s.dismiss(hex(box))
            box = wait_until(box_or_frame, what="the next box or the first frame")
        self.assertEqual(box_texts(s)[0], "Cannot open shader file!")


class Installer(unittest.TestCase):
    UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"

    def entries(self, env):
        """The uninstall entries that name Kullerix."""
        listed = subprocess.run(["wine", "reg", "query", self.UNINSTALL], env=env,
                                capture_output=True, text=True).stdout
        # The subkeys, each on a line of its own; the key itself is on one where it has values.
        keys = [line.strip() for line in listed.splitlines()
                if line.startswith("HKEY_LOCAL_MACHINE\\") and line.strip().count("\\") == 6]
        return [key.rsplit("\\", 1)[1] for key in keys
                if (reg_values(env, key) or {}).get("DisplayName", ("", ""))[1] == "Kullerix"]

    def test_replaces_an_earlier_install_starts_from_its_shortcut_and_uninstalls_without_a_trace(self):
        scratch = tempfile.TemporaryDirectory(prefix="kx-wine-")
        self.addCleanup(scratch.cleanup)
        wine = new_prefix(scratch.name)
        empty = os.path.join(scratch.name, "empty")
        os.mkdir(empty)
        s = wine_session(self, wine, empty)
        drive = os.path.join(wine["WINEPREFIX"], "drive_c")
        earlier = os.path.join(drive, "Games", "Kullerix")
        folder = os.path.join(drive, "Program Files", "Kullerix")
        programs = os.path.join(drive, "ProgramData", "Microsoft", "Windows", "Start Menu",
                                "Programs")
        key = self.UNINSTALL + r"\Kullerix"

        def wine_run(*args):
            done = subprocess.run(["wine"] + list(args), env=s.env, capture_output=True,
                                  text=True, timeout=300)
            # An uninstaller runs on from a copy of itself; all is done when the prefix is idle.
            subprocess.run(["wineserver", "-w"], env=s.env, timeout=300)
            return done

        self.assertEqual(wine_run(INSTALLER, "/S", r"/D=C:\Games\Kullerix").returncode, 0)
        self.assertTrue(os.path.isfile(os.path.join(earlier, "kullerix.exe")))
        # Installed again into the default folder, it first removes the earlier install.
        self.assertEqual(wine_run(INSTALLER, "/S").returncode, 0)
        self.assertFalse(os.path.exists(earlier), "the earlier install is gone")
        for name in ("kullerix.exe", "BumpMapping.vert", "BumpMapping.frag", WALL_TEXTURE,
                     "THIRD-PARTY-NOTICES.txt"):
            self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)
        self.assertEqual(self.entries(s.env), ["Kullerix"], "one entry among the installed programs")
        values = reg_values(s.env, key)
        size = sum(os.path.getsize(os.path.join(top, name))
                   for top, _, names in os.walk(folder) for name in names)
        self.assertEqual(values["EstimatedSize"][0], "REG_DWORD")
        self.assertAlmostEqual(int(values["EstimatedSize"][1], 16), size / 1024, delta=size / 1024 / 20)
        for name, value in (("DisplayName", ("REG_SZ", "Kullerix")),
                            ("DisplayVersion", ("REG_SZ", VERSION)),
                            ("Publisher", ("REG_SZ", VENDOR)),
                            ("DisplayIcon", ("REG_SZ", r"C:\Program Files\Kullerix\kullerix.exe")),
                            ("NoModify", ("REG_DWORD", "0x1")),
                            ("NoRepair", ("REG_DWORD", "0x1"))):
            self.assertEqual(values.get(name), value, name)
        self.assertEqual(sorted(name for name in os.listdir(programs) if "ullerix" in name
                                or "ninstall" in name), ["Kullerix.lnk"],
                         "the Start menu holds the Kullerix shortcut and nothing else of ours")

        # Started from the shortcut, it finds its files, which it reads from its working
        # folder: the textured room and no box.
        # NOTE: start hands the shortcut to the shell, which keeps the program's process to
        # itself, so the program's end is seen in the prefix going idle.
        started = subprocess.run(["wine", "start", "/unix", os.path.join(programs, "Kullerix.lnk")],
                                 env=s.env, timeout=60, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.assertEqual(started.returncode, 0)
        s.wait_window()
        frame = s.wait_frame()
        self.assertFalse(greyish(frame.mean(*WALLS)), "the walls have their bricks")
        self.assertEqual(boxes(s), [])
        self.assertEqual(len(consoles(s)), 1, "a console program has a console beside its window")
        s.key("Escape")
        subprocess.run(["wineserver", "-w"], env=s.env, timeout=60)

        self.assertEqual(wine_run(os.path.join(folder, "Uninstall.exe"), "/S").returncode, 0)
        self.assertFalse(os.path.exists(folder), "the install folder is gone")
        self.assertFalse([name for name in os.listdir(programs) if "ullerix" in name],
                         "the Start menu entry is gone")
        self.assertIsNone(reg_values(s.env, key))
        self.assertIsNone(reg_values(s.env, "HKLM\\Software\\" + VENDOR))
        subprocess.run(["wineserver", "-k"], env=s.env)
        subprocess.run(["wineserver", "-w"], env=s.env, timeout=60)
        self.assertEqual(registry_keys(wine["WINEPREFIX"], "Kullerix"), [], "no key of ours is left")


def verify(path, ca):
    """osslsigncode's verification of a program's signature, trusting the certificate ca."""
    return subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-in", path],
                          capture_output=True, text=True)


class Authenticode(unittest.TestCase):
    """The build's zip and installer made again by CPack, at the release's time, unsigned and
    signed with a certificate of our own (sign_windows_packages, as --sign-windows does)."""
    SIGNER = "/CN=Kullerix test signer"

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="kx-authenticode-")
        cls.cert, cls.key = (os.path.join(cls.scratch.name, name)
                             for name in ("cert.pem", "key.pem"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", cls.SIGNER, "-keyout", cls.key, "-out", cls.cert],
                       check=True, capture_output=True)
        env = dict(os.environ, SOURCE_DATE_EPOCH=FACTS["KX_RELEASE_EPOCH"])
        cls.unsigned, cls.signed = (os.path.join(cls.scratch.name, name)
                                    for name in ("unsigned", "signed"))
        subprocess.run(["cpack", "-B", cls.unsigned], cwd=BUILD_DIR,
                       env=env, check=True, capture_output=True)
        lib("signing.sh", 'sign_windows_packages "%s" "%s" "%s" "%s"'
            % (BUILD_DIR, cls.signed, cls.cert, cls.key), env=env)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def package(self, folder, path):
        return os.path.join(folder, os.path.basename(path))

    def unpacked_program(self, package, folder):
        """The program that a zip or an installer packs, unpacked into folder."""
        subprocess.run(["7zz", "e", "-y", "-bso0", "-o" + folder, package, "-r", "kullerix.exe"],
                       check=True)
        return os.path.join(folder, "kullerix.exe")

    def test_the_program_in_the_zip_and_in_the_installer_and_the_installer_verify(self):
        scratch = tempfile.mkdtemp(dir=self.scratch.name)
        signed = [self.unpacked_program(self.package(self.signed, ZIP),
                                        os.path.join(scratch, "zip")),
                  self.unpacked_program(self.package(self.signed, INSTALLER),
                                        os.path.join(scratch, "installer")),
                  self.package(self.signed, INSTALLER)]
        for path in signed:
            verified = verify(path, self.cert)
            self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
            self.assertIn("Signature verification: ok", verified.stdout)
            self.assertIn("Subject: " + self.SIGNER, verified.stdout)
            self.assertIn("Timestamp is not available", verified.stdout, "nothing was fetched")
        unsigned = self.unpacked_program(self.package(self.unsigned, ZIP),
                                         os.path.join(scratch, "unsigned"))
        self.assertNotEqual(verify(unsigned, self.cert).returncode, 0)

        for path in signed[1:]:
            changed = path + ".changed"
            shutil.copyfile(path, changed)
            flip_a_byte(changed, os.path.getsize(changed) // 3)
            refused = verify(changed, self.cert)
            self.assertNotEqual(refused.returncode, 0, path)
            self.assertIn("MISMATCH", refused.stdout, path)

    def test_without_their_signatures_the_signed_packages_are_the_unsigned_ones(self):
        scratch = tempfile.mkdtemp(dir=self.scratch.name)
        top = os.path.basename(ZIP)[:-len(".zip")]
        for package, removed in ((ZIP, [top + "/kullerix.exe"]),
                                 (INSTALLER, [os.path.basename(INSTALLER), "kullerix.exe"])):
            views = {}
            for folder, expected in ((self.signed, removed), (self.unsigned, [])):
                views[folder] = os.path.join(scratch, os.path.basename(folder) + package[-4:])
                said = lib("signing.sh", 'unsigned_view "%s" "%s"'
                           % (self.package(folder, package), views[folder]))
                self.assertEqual(said.split(), expected)
            compared = subprocess.run(["diff", "-r", views[self.signed], views[self.unsigned]],
                                      capture_output=True, text=True)
            self.assertEqual(compared.returncode, 0, compared.stdout)

        # A signed zip whose program has one byte changed is another zip, signature or not.
        changed = os.path.join(scratch, os.path.basename(ZIP))
        with zipfile.ZipFile(self.package(self.signed, ZIP)) as signed, \
                zipfile.ZipFile(changed, "w", zipfile.ZIP_DEFLATED) as copy:
            for entry in signed.infolist():
                data = signed.read(entry)
                if entry.filename.endswith("/kullerix.exe"):
                    data = data[:4096] + bytes([data[4096] ^ 1]) + data[4097:]
                copy.writestr(entry, data)
        said = lib("signing.sh", 'unsigned_view "%s" "%s"'
                   % (changed, os.path.join(scratch, "changed")))
        self.assertEqual(said.split(), [top + "/kullerix.exe"])
        compared = subprocess.run(["diff", "-r", os.path.join(scratch, "changed", "files"),
                                   os.path.join(scratch, "unsigned.zip", "files")],
                                  capture_output=True, text=True)
        self.assertIn("kullerix.exe differ", compared.stdout)

    def test_the_signed_installer_installs_the_signed_program(self):
        wine = dict(os.environ, **new_prefix(tempfile.mkdtemp(dir=self.scratch.name)))
        installed = subprocess.run(["wine", self.package(self.signed, INSTALLER), "/S"], env=wine,
                                   capture_output=True, timeout=300)
        subprocess.run(["wineserver", "-w"], env=wine, timeout=300)
        self.assertEqual(installed.returncode, 0, "the installer's own check passes its signature")
        program = os.path.join(wine["WINEPREFIX"], "drive_c", "Program Files", "Kullerix",
                               "kullerix.exe")
        self.assertEqual(verify(program, self.cert).returncode, 0)
        subprocess.run(["wineserver", "-k"], env=wine)

    def test_a_key_that_is_not_the_certificates_is_refused_before_anything_is_built(self):
        other = os.path.join(self.scratch.name, "other.pem")
        subprocess.run(["openssl", "genpkey", "-algorithm", "RSA", "-out", other], check=True,
                       capture_output=True)
        for key, complaint in ((self.key, ""),
                               (other, "%s is not the private key of the certificate %s"
                                % (other, self.cert)),
                               (self.cert, self.cert + " is no PEM private key")):
            checked = subprocess.run(
                ["bash", "-c", 'source "$0" && check_signing_keys "" "$1" "$2"',
                 os.path.join(ROOT, "scripts", "lib", "signing.sh"), self.cert, key],
                capture_output=True, text=True)
            self.assertEqual((checked.returncode != 0, checked.stderr.strip()),
                             (bool(complaint), "release: " + complaint if complaint else ""))


if __name__ == "__main__":
    unittest.main()
