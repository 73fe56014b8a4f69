"""Kullerix for Windows under Wine, on Xvfb with openbox, each class in a fresh Wine prefix: the
zip's program draws the start view of the Linux program, takes keys, reports missing files in
its message boxes and writes nothing to its console; the installer installs it silently with a
shortcut that starts it, replaces an earlier install and its uninstaller leaves nothing behind.
Without Wine: what the program's file and the installer tell Windows of themselves, the
program's hardening and the DLLs it needs, and the zip's text files."""
import os
import re
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

from expected import BALL_SQUARE, HELP_BLOCK, VERTEX_SHADER, WALL_TEXTURE, WIDTH, HEIGHT
from expected import SKY
from harness import ROOT, Session, lib, near, shows_the_linux_start_view, wait_until

ZIP = os.environ.get("KX_WINDOWS_ZIP", "")
# The build's own program, of which the zip and the installer hold a stripped copy.
PROGRAM = os.environ.get("KX_WINDOWS_PROGRAM", "")
INSTALLER = os.environ.get("KX_WINDOWS_INSTALLER", "")
VERSION = os.environ.get("KX_VERSION", "")
VENDOR = "The Kullerix developers"
WALLS = (0, 110, 800, 60)  # a band of the start view that only the walls fill
# What Wine's trace of a message box shows of its text, as Wine quotes it.
BOX_TEXT = re.compile(r'trace:msgbox:MSGBOX_OnInit L"(.*)"')


def new_prefix(scratch):
    """A fresh Wine prefix under scratch; returns the environment of the runs in it."""
    prefix = os.path.join(scratch, "wine")
    listing = lib("wine.sh", 'use_wine_prefix "%s" && env' % prefix, env=dict(os.environ, DISPLAY=""))
    settings = dict(line.split("=", 1) for line in listing.splitlines() if line.startswith("WINE"))
    return {name: settings[name] for name in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES")}


def windows(s, *args):
    """The window ids that xprop shows for a property."""
    return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", s.x("xprop", *args, check=False))]


def greyish(colour):
    return max(colour) - min(colour) < 16


def copyright_line():
    with open(os.path.join(ROOT, "LICENSE")) as licence:
        return next(line.strip() for line in licence if line.startswith("Copyright (c) "))


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


class WineSession(Session):
    """The program started by Wine in a copy of a folder, on a display with openbox."""

    def __init__(self, wine, files):
        Session.__init__(self, desktop="openbox", files=files)
        self.env.update(wine)

    def start_program(self, trace_boxes=False):
        command = lib("wine.sh", 'printf "%s\\n" "${wine_program[@]}"').splitlines()
        env = {"WINEDEBUG": "-all,trace+msgbox"} if trace_boxes else None
        return self.start(args=command[1:], command=command[0], env=env)

    def box_texts(self):
        return BOX_TEXT.findall(self.stderr())

    def managed(self):
        """The windows that the window manager manages, the topmost last."""
        return windows(self, "-root", "_NET_CLIENT_LIST_STACKING")

    def consoles(self):
        return [w for w in self.managed()
                if "conhost" in self.x("xprop", "-id", str(w), "WM_CLASS", check=False)]

    def boxes(self):
        """The message boxes: the windows beside the program's and its console, topmost last."""
        others = [int(self.window)] + self.consoles()
        return [w for w in self.managed() if w not in others]

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        Session.close(self)


class Files(unittest.TestCase):
    """What the program's file and the installer tell Windows, and what the zip holds."""
    ASM = "{urn:schemas-microsoft-com:asm.v1}"
    ASM3 = "{urn:schemas-microsoft-com:asm.v3}"
    SUPPORTED_OS = {  # Microsoft's identifiers of the Windows versions
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
    }

    # The DLLs of Windows itself that a program of ours may name; the C and C++ run-time of
    # mingw-w64, freeglut and the stack protector's libssp are linked into the program.
    WINDOWS_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "glu32.dll",
                    "imm32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "opengl32.dll",
                    "shell32.dll", "user32.dll", "version.dll", "winmm.dll"}
    # The bits of DllCharacteristics in the PE optional header that Windows reads.
    HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT = 0x0020, 0x0040, 0x0100

    @classmethod
    def setUpClass(cls):
        assert ZIP and INSTALLER and VERSION and PROGRAM, "KX_WINDOWS_ZIP, KX_WINDOWS_INSTALLER, KX_WINDOWS_PROGRAM and KX_VERSION must be set (ctest sets them)"
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
        self.assertEqual(supported, set(self.SUPPORTED_OS))
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
                         ["LICENSE.txt", "README.txt", "textures/Font.LICENSE.txt"])
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


class ZipProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        assert ZIP, "KX_WINDOWS_ZIP must be set (ctest sets it)"
        cls.scratch = tempfile.TemporaryDirectory(prefix="kx-wine-")
        with zipfile.ZipFile(ZIP) as archive:
            archive.extractall(cls.scratch.name)
            (top,) = {name.split("/")[0] for name in archive.namelist()}
        cls.files = os.path.join(cls.scratch.name, top)
        cls.wine = new_prefix(cls.scratch.name)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def session(self):
        s = WineSession(self.wine, self.files)
        self.addCleanup(s.close)
        return s

    def test_draws_the_linux_start_view_takes_tab_f1_and_esc_and_keeps_its_console_empty(self):
        s = self.session()
        # An X server's DISPLAY in the environment, as on a Windows machine with one for WSL.
        self.assertTrue(s.env.get("DISPLAY"))
        s.start_program()
        s.wait_window()
        self.assertEqual(s.geometry()[2:], (WIDTH, HEIGHT))
        self.assertTrue(shows_the_linux_start_view(s), "the start view differs from docs/screenshot.png")

        first = s.wait_frame()
        s.key("Tab")
        s.wait_change(first, threshold=0.5, region=BALL_SQUARE, what="the next normal map")
        second = s.screenshot()
        s.key("F1")
        s.wait_change(second, threshold=0.5, region=HELP_BLOCK, what="the help text")
        s.key("Escape")
        self.assertEqual(s.wait_exit(), 0)
        self.assertEqual(s.stdout(), "", "nothing is written to the console")
        self.assertEqual(s.stderr(), "", "nothing is written to the console")

    def test_a_display_named_on_the_command_line_still_reaches_glut(self):
        s = self.session()
        command = lib("wine.sh", 'printf "%s\\n" "${wine_program[@]}"').splitlines()
        s.start(args=command[1:] + ["-display", r"\\.\NOSUCHDISPLAY"], command=command[0])
        wait_until(lambda: "CreateDC failed" in s.stderr(), what="GLUT's word on that display")

    def test_a_missing_wall_texture_gets_a_box_owned_by_the_window_and_grey_walls(self):
        s = self.session()
        os.remove(os.path.join(s.run_dir, WALL_TEXTURE))
        s.start_program(trace_boxes=True)
        window = int(s.wait_window())
        (box,) = wait_until(lambda: s.boxes(), what="the box for the wall texture")
        self.assertIn('"Error"', s.x("xprop", "-id", hex(box), "WM_NAME"))
        self.assertEqual(windows(s, "-id", hex(box), "WM_TRANSIENT_FOR"), [window])
        self.assertEqual(s.box_texts(), [r"Failed to open DIB file %s.\n" % WALL_TEXTURE])
        s.dismiss(hex(box))
        frame = s.wait_frame()
        self.assertTrue(greyish(frame.mean(*WALLS)), "walls without their texture are grey")
        self.assertEqual(s.boxes(), [])

    def test_a_missing_shader_file_gets_boxes_without_an_owner(self):
        s = self.session()
        os.remove(os.path.join(s.run_dir, VERTEX_SHADER))
        s.start_program(trace_boxes=True)
        s.wait_window()

        def box_or_frame():
            # No frame is drawn before the set-up, and with it every box, is through.
            boxes = s.boxes()
            if boxes:
                return boxes[-1]
            image = s.screenshot()
            return "drawn" if near(image.pixel(image.width // 2, 5), SKY, 20) else None
        first = wait_until(box_or_frame, what="the first box")
        self.assertIn('"ERROR"', s.x("xprop", "-id", hex(first), "WM_NAME"))
        box = first
        while box != "drawn":
            self.assertEqual(windows(s, "-id", hex(box), "WM_TRANSIENT_FOR"), [], "no owner")
            s.dismiss(hex(box))
            box = wait_until(box_or_frame, what="the next box or the first frame")
        self.assertEqual(s.box_texts()[0], "Cannot open shader file!")


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
        assert INSTALLER and VERSION, "KX_WINDOWS_INSTALLER and KX_VERSION must be set (ctest sets them)"
        scratch = tempfile.TemporaryDirectory(prefix="kx-wine-")
        self.addCleanup(scratch.cleanup)
        wine = new_prefix(scratch.name)
        empty = os.path.join(scratch.name, "empty")
        os.mkdir(empty)
        s = WineSession(wine, empty)
        self.addCleanup(s.close)
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
        for name in ("kullerix.exe", "BumpMapping.vert", "BumpMapping.frag", WALL_TEXTURE):
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
        self.assertEqual(s.boxes(), [])
        self.assertEqual(len(s.consoles()), 1, "a console program has a console beside its window")
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


if __name__ == "__main__":
    unittest.main()
