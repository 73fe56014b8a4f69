"""Each missing or damaged file gets its loader's box in set-up order; the program runs on quietly.

The boxes are told apart by their captions; the loaders' tests check their exact texts with the
message recorder. Against a binary built with AddressSanitizer (the test command's sanitizer
pass), every run is also checked for invalid accesses, undefined behaviour and leaks at exit:
any report lands on stderr and changes the exit status.
"""
import glob
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from expected import BMP_TEXTURES, FRAGMENT_SHADER, GLYPH_SHEET, VERTEX_SHADER, WALL_TEXTURE
from harness import BINARY, Session

SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lsan.supp")
# The frame sets both uniforms of a program that did not link: each missing name is shown
# once, "normalmap" and then "light_mvmatrix".
UNIFORM_BOXES = ["ERROR"] * 2


def sanitizer_environment():
    """What an ASan build needs to run here; empty for a plain build."""
    libraries = subprocess.run(["ldd", BINARY], capture_output=True, text=True).stdout
    asan = re.search(r"libasan\.so\S* => (\S+)", libraries)
    if not asan:
        return {}
    # NOTE: Mesa unloads its driver at exit, which leaves LeakSanitizer unable to name the
    # driver's own allocations; preloading the driver keeps it mapped so they can be suppressed.
    # The sanitizer runtime must come first. The driver is the one of the program's own
    # architecture, in the folder of its sanitizer runtime: other architectures' may be there too.
    folder = os.path.dirname(os.path.realpath(asan.group(1)))
    driver = (glob.glob(os.path.join(folder, "dri", "swrast_dri.so"))
              + glob.glob("/usr/lib*/dri/swrast_dri.so"))
    return {
        "LD_PRELOAD": " ".join([asan.group(1)] + driver[:1]),
        "ASAN_OPTIONS": "detect_leaks=1",
        "LSAN_OPTIONS": "suppressions=%s:print_suppressions=0" % os.path.abspath(SUPPRESSIONS),
        "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
    }


SANITIZER_ENV = sanitizer_environment()


# -- damage ---------------------------------------------------------------------------------
def remove(path):
    os.remove(path)


def patch(offset, data):
    def damage(path):
        with open(path, "r+b") as f:
            f.seek(offset)
            f.write(data)
    return damage


def cut_to(fraction_or_size):
    def damage(path):
        size = os.path.getsize(path)
        keep = fraction_or_size if isinstance(fraction_or_size, int) else int(size * fraction_or_size)
        with open(path, "r+b") as f:
            f.truncate(keep)
    return damage


def replace_text(text):
    def damage(path):
        with open(path, "w") as f:
            f.write(text)
    return damage


def replace_with(make):
    def damage(path):
        os.remove(path)
        make(path)
    return damage


def link_to(target):
    return replace_with(lambda path: os.symlink(target(path), path))


# Paths that name no regular file; True where even their status cannot be had.
NOT_FILES = [
    ("a directory", replace_with(os.mkdir), False),
    ("a FIFO", replace_with(os.mkfifo), False),
    ("a link to /dev/zero", link_to(lambda path: "/dev/zero"), False),
    ("a dangling link", link_to(lambda path: path + ".gone"), True),
    ("a loop of links", link_to(os.path.basename), True),
    ("a file without read permission", lambda path: os.chmod(path, 0), False),
]


class AssetFaults(unittest.TestCase):
    def run_case(self, damages, captions, timeout=60, first_text=None):
        """Damages files of a fresh run dir, starts the program and checks what the user sees.

        damages: {relative path: damage function}. captions: those of every message box in
        order, the first frame's included; first_text, where given, is read off the first box.
        Each box and then the first frame must come within timeout seconds.
        """
        s = Session()
        self.addCleanup(s.close)
        for relative, damage in damages.items():
            damage(os.path.join(s.run_dir, relative))
        s.start(env=SANITIZER_ENV)

        for index, caption in enumerate(captions):
            box, title = s.wait_dialog(timeout=timeout)
            self.assertEqual(title, caption, "boxes so far out of order, expected %s" % captions)
            if index == 0 and first_text:
                self.assertIn(first_text, " ".join(s.dialog_text(box).split()))
            s.dismiss(box)

        s.wait_window(timeout=timeout)
        first = s.wait_frame(timeout=timeout)
        # Frames go on without a box: the ball rolls.
        s.key("space")
        s.wait_change(first, threshold=2, region=(0, 0, 800, 540), what="the ball to roll")
        self.assertEqual(s.dialogs(), [], "a box after the first frame")
        s.key("Escape")
        self.assertEqual(s.wait_exit(60), 0, s.stderr())
        self.assertEqual(s.stderr(), "")

    def test_all_files_present_show_no_box(self):
        self.run_case({}, [])

    def test_everything_missing_is_reported_in_the_order_of_the_set_up(self):
        damages = {path: remove for path in [GLYPH_SHEET] + BMP_TEXTURES + [FRAGMENT_SHADER]}
        boxes = ["ERROR"] + ["Error"] * len(BMP_TEXTURES) + self.missing_shader_boxes("Fragment")
        # The one text read on screen (by OCR): the box shows the text it is given.
        self.run_case(damages, boxes, first_text="Could not open texture file")

    def test_a_damaged_glyph_sheet(self):
        cases = [
            ("grey-scale", patch(2, b"\x03"), "Invalid Image"),
            ("16-bit", patch(16, b"\x10"), "ERROR"),
            # Cut inside the run-length packets: pixels allocated, then given up.
            ("cut short", cut_to(0.5), "ERROR"),
        ]
        for name, damage, caption in cases:
            with self.subTest(name):
                self.run_case({GLYPH_SHEET: damage}, [caption])

    def test_each_bmp_damaged_in_turn(self):
        damages = [
            cut_to(0.5),  # bits cut short
            patch(14, b"\x6c"),  # a 108-byte header
            cut_to(0),  # empty
            patch(10, b"\xf0\xff\xff\xff"),  # bits beyond the end
            patch(18, b"\xff\xff\xff\x7f"),  # too wide to allocate
            patch(28, b"\x07"),  # 7 bits a pixel
            cut_to(20),  # the header cut short
        ]
        for path, damage in zip(BMP_TEXTURES, damages):
            with self.subTest(path):
                self.run_case({path: damage}, ["Error"])

    def test_a_missing_vertex_shader_and_a_broken_fragment_shader(self):
        self.run_case({VERTEX_SHADER: remove}, self.missing_shader_boxes("Vertex"))
        self.run_case({FRAGMENT_SHADER: replace_text("void main() { gl_FragColor = ; }\n")},
                      ["Fragment Shader Compile Error", "Linking Error"] + UNIFORM_BOXES)

    def test_a_path_that_is_no_regular_file_is_reported_at_once(self):
        for kind, damage, no_status in NOT_FILES:
            stat_box = ["ERROR"] if no_status else []  # "Cannot get file stats for shader file!"
            boxes = {
                "textures/brick.bmp": ["Error"],
                GLYPH_SHEET: ["ERROR"],
                FRAGMENT_SHADER: ["ERROR"] + stat_box +
                                 ["Fragment Shader Compile Error", "Linking Error"] + UNIFORM_BOXES,
            }
            for path, expected in boxes.items():
                with self.subTest(path, kind=kind):
                    if "permission" in kind and os.geteuid() == 0:
                        self.skipTest("root reads any file")
                    self.run_case({path: damage}, expected, timeout=10)

    @staticmethod
    def missing_shader_boxes(kind):
        """A missing source: the reader's two boxes, then the driver's words on the empty text
        that stands for it, the link that cannot succeed without it, and the two uniforms
        that the first frame then misses."""
        return ["ERROR", "ERROR", kind + " Shader Compile Error", "Linking Error"] + UNIFORM_BOXES

    def test_boxes_show_on_the_display_that_the_program_was_given(self):
        # GLUT's -display names the display, here another than the one DISPLAY names.
        s = Session()
        self.addCleanup(s.close)
        os.remove(os.path.join(s.run_dir, WALL_TEXTURE))
        s.start(args=["-display", s.display], env={"DISPLAY": ":999"})
        self.assertEqual(s.dismiss_all(), ["Error"])
        self.assertEqual(s.stderr(), "")

    def test_with_no_display_a_report_is_one_stderr_line_that_says_why(self):
        # The probe that the test and demo commands run first, through the same layer; they
        # read the reason from this line. Leaks at exit are not this test's concern.
        probe = os.path.join(os.environ["KX_BUILD_DIR"], "kx_message_box_probe")
        # A desktop's zenity, which SDL tries for a box where its own cannot be shown, and
        # which then complains as GTK does without a display.
        helpers = tempfile.mkdtemp(prefix="kx-zenity-")
        self.addCleanup(shutil.rmtree, helpers, True)
        with open(os.path.join(helpers, "zenity"), "w") as zenity:
            zenity.write("#!/bin/sh\necho 'Gtk-WARNING **: cannot open display:' >&2\nexit 1\n")
        os.chmod(os.path.join(helpers, "zenity"), 0o755)
        for name, path in (("without zenity", os.environ["PATH"]),
                           ("with zenity", helpers + os.pathsep + os.environ["PATH"])):
            with self.subTest(name):
                env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
                env.update(ASAN_OPTIONS="detect_leaks=0", PATH=path)
                done = subprocess.run([probe], env=env, capture_output=True, text=True,
                                      timeout=30)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertRegex(done.stderr, r"\AKullerix message box check: [^\n]+ \(no message "
                                 r"box: no display \(DISPLAY is not set\)\)\n\Z")


if __name__ == "__main__":
    unittest.main()
