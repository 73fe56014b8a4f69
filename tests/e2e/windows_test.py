"""Kullerix for Windows under Wine, on Xvfb with openbox, each class in a fresh Wine prefix: the
zip's program draws the start view of the Linux program, takes keys and reports missing files in
its message boxes; the installer installs it silently with a shortcut that starts it, and its
uninstaller leaves nothing behind."""
import os
import re
import subprocess
import tempfile
import unittest
import zipfile

from expected import HELP_BLOCK, VERTEX_SHADER, WALL_TEXTURE, WIDTH, HEIGHT
from expected import SKY
from harness import Session, near, wait_until

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
LIB = os.path.join(ROOT, "scripts", "lib")
ZIP = os.environ.get("KX_WINDOWS_ZIP", "")
INSTALLER = os.environ.get("KX_WINDOWS_INSTALLER", "")
BALL = (259, 159, 282, 282)  # the square of the window that the ball fills
WALLS = (0, 110, 800, 60)  # a band of the start view that only the walls fill
# What Wine's trace of a message box shows of its text, as Wine quotes it.
BOX_TEXT = re.compile(r'trace:msgbox:MSGBOX_OnInit L"(.*)"')


def lib(script, command, env=None):
    """The output of a command run with one of the scripts' helpers sourced."""
    return subprocess.run(["bash", "-c", 'source "$0" && ' + command, os.path.join(LIB, script)],
                          env=env, check=True, capture_output=True, text=True).stdout


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

    def test_draws_the_linux_start_view_and_takes_tab_f1_and_esc(self):
        s = self.session()
        s.start_program()
        s.wait_window()
        self.assertEqual(s.geometry()[2:], (WIDTH, HEIGHT))
        # The start view once the frame rate shows the program's own rate, beside the
        # screenshot of the Linux program, each with its frame-rate figure masked.
        shot = os.path.join(s.scratch, "wine-start-view.png")
        lib("pictures.sh", 'shoot_running_program %d "%s"' % (s.process.pid, shot), env=s.env)
        lib("pictures.sh", 'masked "%s" "%s"' % (shot, shot + ".masked.png"))
        linux = os.path.join(s.scratch, "linux-start-view.masked.png")
        lib("pictures.sh", 'masked "%s" "%s"' % (os.path.join(ROOT, "docs", "screenshot.png"), linux))
        compared = subprocess.run(["bash", "-c", 'source "$0" && within_tolerance "$1" "$2"',
                                   os.path.join(LIB, "pictures.sh"), shot + ".masked.png", linux])
        self.assertEqual(compared.returncode, 0, "the start view differs from docs/screenshot.png")

        first = s.wait_frame()
        s.key("Tab")
        s.wait_change(first, threshold=0.5, region=BALL, what="the next normal map")
        second = s.screenshot()
        s.key("F1")
        s.wait_change(second, threshold=0.5, region=HELP_BLOCK, what="the help text")
        s.key("Escape")
        self.assertEqual(s.wait_exit(), 0)
        self.assertEqual(s.stdout(), "", "nothing is written to the console")

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
    def test_installs_silently_starts_from_its_shortcut_and_uninstalls_without_a_trace(self):
        assert INSTALLER, "KX_WINDOWS_INSTALLER must be set (ctest sets it)"
        scratch = tempfile.TemporaryDirectory(prefix="kx-wine-")
        self.addCleanup(scratch.cleanup)
        wine = new_prefix(scratch.name)
        empty = os.path.join(scratch.name, "empty")
        os.mkdir(empty)
        s = WineSession(wine, empty)
        self.addCleanup(s.close)
        drive = os.path.join(wine["WINEPREFIX"], "drive_c")
        folder = os.path.join(drive, "Program Files", "Kullerix")
        menu = os.path.join(drive, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs",
                            "Kullerix")
        key = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kullerix"

        def wine_run(*args):
            return subprocess.run(["wine"] + list(args), env=s.env, capture_output=True,
                                  text=True, timeout=300)

        self.assertEqual(wine_run(INSTALLER, "/S").returncode, 0)
        subprocess.run(["wineserver", "-w"], env=s.env, timeout=300)
        for name in ("kullerix.exe", "BumpMapping.vert", "BumpMapping.frag", WALL_TEXTURE):
            self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)
        self.assertIn("Kullerix", wine_run("reg", "query", key, "/v", "DisplayName").stdout,
                      "listed among the installed programs")
        shortcut = os.path.join(menu, "Kullerix.lnk")

        # Started from the shortcut, it finds its files, which it reads from its working
        # folder: the textured room and no box.
        # NOTE: start hands the shortcut to the shell, which keeps the program's process to
        # itself, so the program's end is seen in the prefix going idle.
        started = subprocess.run(["wine", "start", "/unix", shortcut], env=s.env, timeout=60,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(started.returncode, 0)
        s.wait_window()
        frame = s.wait_frame()
        self.assertFalse(greyish(frame.mean(*WALLS)), "the walls have their bricks")
        self.assertEqual(s.boxes(), [])
        self.assertEqual(len(s.consoles()), 1, "a console program has a console beside its window")
        s.key("Escape")
        subprocess.run(["wineserver", "-w"], env=s.env, timeout=60)

        self.assertEqual(wine_run(os.path.join(folder, "Uninstall.exe"), "/S").returncode, 0)
        # The uninstaller runs on from a copy of itself; it is done when the prefix is idle.
        subprocess.run(["wineserver", "-w"], env=s.env, timeout=300)
        self.assertFalse(os.path.exists(folder), "the install folder is gone")
        self.assertFalse(os.path.exists(menu), "the Start menu entry is gone")
        self.assertNotEqual(wine_run("reg", "query", key).returncode, 0)


if __name__ == "__main__":
    unittest.main()
