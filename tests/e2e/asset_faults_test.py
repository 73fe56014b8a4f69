"""Each missing or damaged file gets its loader's box in set-up order; the program runs on quietly.

Against a binary built with AddressSanitizer (the test command's sanitizer pass), every run
is also checked for invalid accesses, undefined behaviour and leaks at exit: any report lands
on stderr and changes the exit status.
"""
import difflib
import glob
import os
import re
import subprocess
import unittest

from expected import BMP_TEXTURES, FRAGMENT_SHADER, GLYPH_SHEET, VERTEX_SHADER
from harness import BINARY, Session

SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lsan.supp")
# The frame sets both uniforms of a program that did not link: each missing name is shown
# once, "normalmap" and then "light_mvmatrix".
UNIFORM_BOXES = [("ERROR", "Variable name could not be found!")] * 2


def sanitizer_environment():
    """What an ASan build needs to run here; empty for a plain build."""
    libraries = subprocess.run(["ldd", BINARY], capture_output=True, text=True).stdout
    asan = re.search(r"libasan\.so\S* => (\S+)", libraries)
    if not asan:
        return {}
    # NOTE: Mesa unloads its driver at exit, which leaves LeakSanitizer unable to name the
    # driver's own allocations; preloading the driver keeps it mapped so they can be suppressed.
    # The sanitizer runtime must come first.
    driver = (glob.glob("/usr/lib/*/dri/swrast_dri.so") + glob.glob("/usr/lib*/dri/swrast_dri.so"))
    return {
        "LD_PRELOAD": " ".join([asan.group(1)] + driver[:1]),
        "ASAN_OPTIONS": "detect_leaks=1",
        "LSAN_OPTIONS": "suppressions=%s:print_suppressions=0" % os.path.abspath(SUPPRESSIONS),
        "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
    }


SANITIZER_ENV = sanitizer_environment()


def folded(text):
    """Letters and digits only, with the shapes OCR mixes up made one."""
    return re.sub(r"[^0-9a-z]", "", text.lower()).translate(str.maketrans("silo", "5110"))


def reads_as(read, expected):
    """OCR of a dialog against the text it should show: nearly the same letters, and a file
    named in it exactly, so that boxes for different files are told apart."""
    read, text = folded(read), folded(expected)
    named = re.search(r"textures/(\w+)\.", expected)
    if named and folded(named.group(1)) not in read:
        return False
    match = difflib.SequenceMatcher(None, read, text).find_longest_match(0, len(read), 0,
                                                                         len(text))
    start = max(0, match.a - match.b)
    return difflib.SequenceMatcher(None, read[start:start + len(text)], text).ratio() >= 0.85


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
    def run_case(self, damages, expected_boxes, timeout=60):
        """Damages files of a fresh run dir, starts the program and checks what the user sees.

        damages: {relative path: damage function}. expected_boxes: (caption, text) of every
        message box in order (text None: not read), those of the first frame included. Each
        box and then the first frame must come within timeout seconds.
        """
        s = Session()
        self.addCleanup(s.close)
        for relative, damage in damages.items():
            damage(os.path.join(s.run_dir, relative))
        s.start(env=SANITIZER_ENV)

        for caption, text in expected_boxes:
            box, title = s.wait_dialog(timeout=timeout)
            self.assertEqual(title, caption, "boxes so far out of order, expected %s"
                             % (expected_boxes,))
            if text is not None:
                read = s.dialog_text(box)
                self.assertTrue(reads_as(read, text), "%r does not read as %r" % (read, text))
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
        boxes = ([("ERROR", "Could not open texture file")] +
                 [("Error", "Failed to open DIB file %s." % path) for path in BMP_TEXTURES] +
                 self.missing_shader_boxes("Fragment"))
        self.run_case(damages, boxes)

    def test_a_damaged_glyph_sheet(self):
        cases = [
            ("grey-scale", patch(2, b"\x03"), ("Invalid Image", "TGA file be type 2 or type 10")),
            ("16-bit", patch(16, b"\x10"), ("ERROR", "Invalid texture information")),
            # Cut inside the run-length packets: pixels allocated, then given up.
            ("cut short", cut_to(0.5), ("ERROR", None)),
        ]
        for name, damage, box in cases:
            with self.subTest(name):
                self.run_case({GLYPH_SHEET: damage}, [box])

    def test_each_bmp_damaged_in_turn(self):
        damaged = {
            "textures/normalmap1.bmp": (cut_to(0.5), "Image file conversion error."),
            "textures/normalmap2.bmp": (patch(14, b"\x6c"), "Unknown DIB file format."),
            "textures/normalmap3.bmp": (cut_to(0), "Failed to open DIB file textures/normalmap3.bmp."),
            "textures/normalmap4.bmp": (patch(10, b"\xf0\xff\xff\xff"), "Image file conversion error."),
            "textures/normalmap5.bmp": (patch(18, b"\xff\xff\xff\x7f"), "Out of memory."),
            "textures/hardwoodfloor.bmp": (patch(28, b"\x07"), "Image file conversion error."),
            "textures/brick.bmp": (cut_to(20), "Unknown DIB file format."),
        }
        for path in BMP_TEXTURES:
            damage, text = damaged[path]
            with self.subTest(path):
                self.run_case({path: damage}, [("Error", text)])

    def test_a_missing_vertex_shader_and_a_broken_fragment_shader(self):
        self.run_case({VERTEX_SHADER: remove}, self.missing_shader_boxes("Vertex"))
        self.run_case({FRAGMENT_SHADER: replace_text("void main() { gl_FragColor = ; }\n")},
                      [("Fragment Shader Compile Error", None), ("Linking Error", None)] +
                      UNIFORM_BOXES)

    def test_a_path_that_is_no_regular_file_is_reported_at_once(self):
        for kind, damage, no_status in NOT_FILES:
            stat_box = [("ERROR", "Cannot get file stats for shader file!")] if no_status else []
            boxes = {
                "textures/brick.bmp": [("Error", "Failed to open DIB file textures/brick.bmp.")],
                GLYPH_SHEET: [("ERROR", "Could not open texture file")],
                FRAGMENT_SHADER: [("ERROR", "Cannot open shader file!")] + stat_box +
                                 [("Fragment Shader Compile Error", None),
                                  ("Linking Error", None)] + UNIFORM_BOXES,
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
        return [("ERROR", "Cannot open shader file!"),
                ("ERROR", "Cannot get file stats for shader file!"),
                (kind + " Shader Compile Error", None), ("Linking Error", None)] + UNIFORM_BOXES

    def test_with_no_display_a_report_is_one_stderr_line_that_says_why(self):
        # The probe that the test and demo commands run first, through the same layer; they
        # read the reason from this line. Leaks at exit are not this test's concern.
        probe = os.path.join(os.environ["KX_BUILD_DIR"], "kx_message_box_probe")
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        env["ASAN_OPTIONS"] = "detect_leaks=0"
        done = subprocess.run([probe], env=env, capture_output=True, text=True, timeout=30)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertRegex(done.stderr, r"\AKullerix message box check: [^\n]+ \(no message box: "
                         r"no display \(DISPLAY is not set\)\)\n\Z")


if __name__ == "__main__":
    unittest.main()
