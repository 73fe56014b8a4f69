"""The real program with each of its files missing or damaged in turn: the loaders' message
boxes come in the order of the set-up with their captions and texts, the program then draws
and ends with status 0 on Esc, and nothing else is said on stderr.

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

from harness import BINARY, WINDOW_TITLE, Session, wait_until

SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lsan.supp")
NORMAL_MAPS = ["textures/normalmap%d.bmp" % n for n in range(1, 6)]
BMPS = NORMAL_MAPS + ["textures/hardwoodfloor.bmp", "textures/brick.bmp"]
SHADER_UNIFORM_BOX = ("ERROR", "Variable name could not be found!")


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


class AssetFaults(unittest.TestCase):
    def run_case(self, damages, expected_boxes, per_frame_box=None):
        """Damages files of a fresh run dir, starts the program and checks what the user sees.

        damages: {relative path: damage function}. expected_boxes: (caption, text) of every
        set-up message box in order (text None: not read). per_frame_box: the box that each
        frame then shows, if any.
        """
        s = Session()
        self.addCleanup(s.close)
        for relative, damage in damages.items():
            damage(os.path.join(s.run_dir, relative))
        s.start(env=SANITIZER_ENV)

        for caption, text in expected_boxes:
            box, title = s.wait_dialog(timeout=60)
            self.assertEqual(title, caption, "boxes so far out of order, expected %s"
                             % (expected_boxes,))
            if text is not None:
                read = s.dialog_text(box)
                self.assertTrue(reads_as(read, text), "%r does not read as %r" % (read, text))
            s.dismiss(box)

        if per_frame_box:
            box, title = s.wait_dialog(timeout=60)
            self.assertEqual(title, per_frame_box[0])
            self.assertTrue(reads_as(s.dialog_text(box), per_frame_box[1]))
            # The boxes come back every frame; Esc, queued for the window, ends the program
            # as soon as this frame's boxes are dismissed.
            s.window = s.x("xdotool", "search", "--name", "^%s$" % WINDOW_TITLE).split()[0]
            s.key("Escape")
            s.dismiss(box)

            def ended():
                if s.process.poll() is not None:
                    return True
                try:
                    for box, _ in s.dialogs():
                        s.dismiss(box)
                except subprocess.CalledProcessError:
                    pass  # a box closed while the window tree was listed
                return False
            wait_until(ended, timeout=60, what="the program to end")
        else:
            s.wait_window()
            s.wait_frame(timeout=60)
            self.assertEqual(s.dialogs(), [], "a box after the set-up")
            s.key("Escape")
        self.assertEqual(s.wait_exit(60), 0, s.stderr())
        self.assertEqual(s.stderr(), "")

    def test_all_files_present_show_no_box(self):
        self.run_case({}, [])

    def test_everything_missing_is_reported_in_the_order_of_the_set_up(self):
        damages = {path: remove for path in ["textures/Font.tga"] + BMPS + ["BumpMapping.frag"]}
        boxes = ([("ERROR", "Could not open texture file")] +
                 [("Error", "Failed to open DIB file %s." % path) for path in BMPS] +
                 self.missing_shader_boxes("Fragment"))
        self.run_case(damages, boxes, per_frame_box=SHADER_UNIFORM_BOX)

    def test_a_damaged_glyph_sheet(self):
        cases = [
            ("grey-scale", patch(2, b"\x03"), ("Invalid Image", "TGA file be type 2 or type 10")),
            ("16-bit", patch(16, b"\x10"), ("ERROR", "Invalid texture information")),
            # Cut inside the run-length packets: pixels allocated, then given up.
            ("cut short", cut_to(0.5), ("ERROR", None)),
        ]
        for name, damage, box in cases:
            with self.subTest(name):
                self.run_case({"textures/Font.tga": damage}, [box])

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
        for path in BMPS:
            damage, text = damaged[path]
            with self.subTest(path):
                self.run_case({path: damage}, [("Error", text)])

    def test_a_missing_vertex_shader_and_a_broken_fragment_shader(self):
        self.run_case({"BumpMapping.vert": remove}, self.missing_shader_boxes("Vertex"),
                      per_frame_box=SHADER_UNIFORM_BOX)
        self.run_case({"BumpMapping.frag": replace_text("void main() { gl_FragColor = ; }\n")},
                      [("Fragment Shader Compile Error", None), ("Linking Error", None)],
                      per_frame_box=SHADER_UNIFORM_BOX)

    @staticmethod
    def missing_shader_boxes(kind):
        """A missing source: the reader's two boxes, then the driver's words on the empty text
        that stands for it, and the link that cannot succeed without it."""
        return [("ERROR", "Cannot open shader file!"),
                ("ERROR", "Cannot get file stats for shader file!"),
                (kind + " Shader Compile Error", None), ("Linking Error", None)]

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
