"""apitrace shows the program making exactly the GL calls of its set-up, of its frames with and
without the help, and of its simulation steps.

The checks read the program's own calls. What freeglut and GLU do inside the functions the
program calls (window creation, gluBuild2DMipmaps, gluLookAt, gluPerspective, gluSphere,
glutSwapBuffers) shows in the trace as well; a check passes over it to the program's next call
of its own, so that other versions of those libraries read the same. Nothing counts on a number
of frames or on their timing: the run waits for what the screen shows, and the trace is read
once the program has ended. What the keys do to the scene, and how the ball rolls and bounces,
is checked without a trace, nearer to the code (tests/unit, tests/gl).
"""
import os
import struct
import unittest

import gltrace
from expected import (BMP_TEXTURES, FPS, FRAGMENT_SHADER, GLYPH_SHEET, HELP, HELP_BLOCK, HINTS,
                      ROOM, SET_UP_STATE, TITLE, VERTEX_SHADER)
from gltrace import Reader, matches
from harness import RUN_DIR, Session

FLOOR, WALL = 5, 6  # indices into the BMP textures
ENTRY_POINTS = ["glCreateProgramObjectARB", "glDeleteObjectARB", "glUseProgramObjectARB",
                "glCreateShaderObjectARB", "glShaderSourceARB", "glCompileShaderARB",
                "glGetObjectParameterivARB", "glAttachObjectARB", "glGetInfoLogARB",
                "glLinkProgramARB", "glGetUniformLocationARB", "glUniform1fARB",
                "glUniform1iARB", "glUniformMatrix4fvARB"]

# Every frame starts from and returns to these switches (of the ones that the program sets).
SCENE_SWITCHES = {step[1] for step in SET_UP_STATE if step[0] == "glEnable"}
IDENTITY = [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]


# -- the files the program reads -------------------------------------------------------------
def bmp_size(name):
    with open(os.path.join(RUN_DIR, name), "rb") as f:
        return struct.unpack("<ii", f.read(26)[18:26])


def tga_sheet():
    with open(os.path.join(RUN_DIR, GLYPH_SHEET), "rb") as f:
        header = f.read(18)
    return struct.unpack("<HH", header[12:16]) + (header[16],)


def is_power_of_two(n):
    return n > 0 and n & (n - 1) == 0


# -- the run ---------------------------------------------------------------------------------
def record(timeout=60):
    """Runs the program traced: a second of frames of the start view, F1, a second of frames
    with the help, then Esc. Returns the session (whose scratch directory holds the trace) and
    the trace's path."""
    session = Session()
    try:
        trace = os.path.join(session.scratch, "kullerix.trace")
        session.start(env=gltrace.tracing_env(trace))
        session.wait_window(timeout)
        session.wait_frame(timeout=timeout)
        # The first frame shows a count at once, the next count comes a second later.
        session.wait_rate_changes(1, timeout, what="a second of frames of the start view")
        before = session.screenshot()
        session.key("F1")
        session.wait_change(before, region=HELP_BLOCK, timeout=timeout, what="the help")
        session.wait_rate_changes(2, timeout, what="a second of frames with the help")
        session.key("Escape")
        status = session.wait_exit()
        assert status == 0, "the traced program ended with status %s" % status
        return session, trace
    except BaseException:
        session.close()
        raise


OUTLINE = ("^(glClear|glXSwapBuffers|glEnable|glDisable|glMatrixMode|glPushMatrix|glPopMatrix|"
           "glUseProgramObjectARB|glUniformMatrix4fvARB|glBegin|glBindTexture|glTranslated|"
           "glScalef|glCallLists)$")


def outline_look(frame):
    """(the ball's normal map, the texts as (x, y, scale, length)) of a frame, read from its
    outline or from all of its calls alike."""
    binds = [int(c.num("texture")) for c in frame if c.name == "glBindTexture"]
    texts, at, scale = [], None, None
    for call in frame:
        if call.name == "glTranslated":
            at = (call.num("x"), call.num("y"))
        elif call.name == "glScalef":
            scale = call.num("x")
        elif call.name == "glCallLists":
            texts.append(at + (scale, int(call.num("n"))))
    # The floor's, the walls', then the ball's texture.
    return (binds[2] if len(binds) > 2 else None), tuple(texts)


# -- the tests -------------------------------------------------------------------------------
def is_read(call):
    """Whether a check reads the call. Left out: the window-system calls that freeglut makes
    around its callbacks (every glX call but the program's look-ups and the swap that ends a
    frame) and the calls that apitrace makes up."""
    return not call.fake and (not call.name.startswith("glX") or call.name in (
        "glXGetProcAddressARB", "glXGetProcAddress", "glXSwapBuffers"))


class StillRun(unittest.TestCase):
    """Start-up and the frames of a run in which the ball stays put and F1 shows the help.

    Every frame is read in outline (switches, matrices, binds, texts); the set-up and a few
    frames (the first ones, those around each change, the last ones) are read call by call,
    so that a fast machine's many frames cost little."""

    @classmethod
    def setUpClass(cls):
        session, trace = record()
        try:
            outline = list(gltrace.calls(trace, OUTLINE))
            cls.outline_before, cls.outline, _ = gltrace.split_frames(outline)
            assert len(cls.outline) >= 3, "too few frames recorded: %d" % len(cls.outline)
            # Each chosen frame with the simulation steps after it, up to the next frame.
            starts = [frame[0].no for frame in cls.outline] + [cls.outline[-1][-1].no + 1]
            looks = [outline_look(frame) for frame in cls.outline]
            changes = [i for i in range(1, len(looks)) if looks[i] != looks[i - 1]]
            chosen = {0, 1, 2, len(looks) - 2, len(looks) - 1}
            chosen.update(j for i in changes for j in (i - 1, i, i + 1) if j < len(looks))
            ranges = ["0-%d" % (starts[0] - 1)] + ["%d-%d" % (starts[i], starts[i + 1] - 1)
                                                   for i in sorted(chosen)]
            calls = [c for c in gltrace.calls(trace, only=",".join(ranges)) if is_read(c)]
        finally:
            session.close()
        cls.before, cls.frames, cls.gaps = gltrace.split_frames(calls)

    def names_made(self):
        """The names the set-up made, read off without judging it (read_set_up does)."""
        textures = [int(c.num("textures")) for c in self.before if c.name == "glGenTextures"]
        lists = [int(c.ret) for c in self.before if c.name == "glGenLists"]
        programs = [int(c.ret) for c in self.before if c.name == "glCreateProgramObjectARB"]
        self.assertTrue(len(textures) == 8 and lists and programs, "the set-up made its objects")
        return {"list base": lists[0], "font": textures[0], "bmp": textures[1:],
                "program": programs[0]}

    # -- set-up ---------------------------------------------------------------------------
    def read_font(self, r):
        base = int(r.expect("glGenLists", 256).ret)
        font = int(r.expect("glGenTextures", 1, None).num("textures"))
        r.expect("glBindTexture", "GL_TEXTURE_2D", font)
        r.expect("glPixelStorei", "GL_UNPACK_ALIGNMENT", 1)  # tight rows of any width
        width, height, bits = tga_sheet()
        layout = "GL_RGBA" if bits == 32 else "GL_RGB"
        r.expect("glTexImage2D", "GL_TEXTURE_2D", 0, layout, width, height, 0, layout,
                 "GL_UNSIGNED_BYTE", "blob(%d)" % (width * height * bits // 8))
        r.expect("glTexParameteri", "GL_TEXTURE_2D", "GL_TEXTURE_MIN_FILTER", "GL_LINEAR")
        r.expect("glTexParameteri", "GL_TEXTURE_2D", "GL_TEXTURE_MAG_FILTER", "GL_LINEAR")
        cell = 1 / 16
        for g in range(256):
            s, t = (g % 16) / 16, (g // 16) / 16
            r.expect("glNewList", base + g, "GL_COMPILE")
            r.expect("glBegin", "GL_QUADS")
            for uv, xy in [((s, 1 - t - cell), (0, 0)), ((s + cell, 1 - t - cell), (16, 0)),
                           ((s + cell, 1 - t), (16, 16)), ((s, 1 - t), (0, 16))]:
                r.expect("glTexCoord2f", *uv)
                r.expect("glVertex2i", *xy)
            r.expect("glEnd")
            r.expect("glTranslated", 10, 0, 0)
            r.expect("glEndList")
        return base, font

    def read_bmp_texture(self, r, file_name):
        texture = int(r.expect("glGenTextures", 1, None).num("textures"))
        r.expect("glBindTexture", "GL_TEXTURE_2D", texture)
        r.expect("glPixelStorei", "GL_UNPACK_ALIGNMENT", 1)  # tight rows of any width
        r.skip_inside("gluBuild2DMipmaps", "glTexEnvf", "GL_TEXTURE_ENV", "GL_TEXTURE_ENV_MODE",
                      "GL_DECAL")
        width, height = bmp_size(file_name)
        # Where both sides are powers of two the program gives level 0 once more, after GLU.
        if is_power_of_two(width) and is_power_of_two(height):
            upload = r.calls[r.index - 1]
            self.assertTrue(upload.name == "glTexImage2D" and matches(
                upload, ("GL_TEXTURE_2D", 0, 3, width, height, 0, "GL_RGB", "GL_UNSIGNED_BYTE",
                         "blob(%d)" % (3 * width * height))),
                "%s: level 0 again from the image's own pixels: %r"
                % (file_name, upload))
        r.expect("glTexEnvf", "GL_TEXTURE_ENV", "GL_TEXTURE_ENV_MODE", "GL_DECAL")
        r.expect("glTexParameteri", "GL_TEXTURE_2D", "GL_TEXTURE_MIN_FILTER",
                 "GL_LINEAR_MIPMAP_LINEAR")
        r.expect("glTexParameteri", "GL_TEXTURE_2D", "GL_TEXTURE_MAG_FILTER", "GL_LINEAR")
        return texture

    def read_shader_build(self, r):
        r.expect("glGetString", "GL_EXTENSIONS")
        for entry in ENTRY_POINTS:
            r.expect(("glXGetProcAddressARB", "glXGetProcAddress"), '"%s"' % entry)
        shaders = []
        for kind, file_name in (("GL_VERTEX_SHADER", VERTEX_SHADER),
                                ("GL_FRAGMENT_SHADER", FRAGMENT_SHADER)):
            with open(os.path.join(RUN_DIR, file_name)) as f:
                source = f.read()
            shader = int(r.expect("glCreateShaderObjectARB",
                                  lambda t, k=kind: t in (k, k + "_ARB")).ret)
            r.expect("glShaderSourceARB", shader, 1,
                     lambda t, s=source: gltrace.string(t) == s, "NULL")
            r.expect("glCompileShaderARB", shader)
            r.expect("glGetObjectParameterivARB", shader,
                     lambda t: t in ("GL_COMPILE_STATUS", "GL_OBJECT_COMPILE_STATUS_ARB"), "&1")
            shaders.append(shader)
        program = int(r.expect("glCreateProgramObjectARB").ret)
        r.expect("glAttachObjectARB", program, shaders[0])
        r.expect("glAttachObjectARB", program, shaders[1])
        r.expect("glLinkProgramARB", program)
        r.expect("glGetObjectParameterivARB", program,
                 lambda t: t in ("GL_LINK_STATUS", "GL_OBJECT_LINK_STATUS_ARB"), "&1")
        return program

    def read_set_up(self):
        """Checks initScene and the reshape after it; returns the names they made."""
        r = Reader(self, self.before, "initScene")
        r.skip_inside("glutCreateWindow", *SET_UP_STATE[0])
        for step in SET_UP_STATE:
            r.expect(step[0], *step[1:])
        base, font = self.read_font(r)
        textures = [self.read_bmp_texture(r, name) for name in BMP_TEXTURES]
        r.skip_inside("gluNewQuadric", "glGetString", "GL_EXTENSIONS")
        program = self.read_shader_build(r)
        # Then only reshape, before the first frame.
        while r.peek() is not None:
            r.expect("glMatrixMode", "GL_PROJECTION")
            r.expect("glLoadIdentity")
            r.skip_inside("gluPerspective", "glViewport", 0, 0, None, None)
            r.next()
        return {"list base": base, "font": font, "bmp": textures, "program": program}

    def test_set_up_sets_the_state_and_loads_font_textures_and_shaders_in_order(self):
        names = self.read_set_up()
        self.assertEqual(names, self.names_made())
        self.assertEqual(len(set([names["font"]] + names["bmp"])), 8, "eight distinct textures")

    # -- frames ---------------------------------------------------------------------------
    def read_print(self, r, names):
        """One BitmapFont::print; returns (x, y, scale, length of the text)."""
        r.expect("glEnable", "GL_BLEND")
        r.expect("glBlendFunc", "GL_SRC_ALPHA", "GL_ONE_MINUS_SRC_ALPHA")
        r.expect("glEnable", "GL_TEXTURE_2D")
        r.expect("glBindTexture", "GL_TEXTURE_2D", names["font"])
        r.expect(("glTexEnvi", "glTexEnvf"), "GL_TEXTURE_ENV", "GL_TEXTURE_ENV_MODE",
                 "GL_MODULATE")
        r.expect("glDisable", "GL_LIGHTING")
        r.expect("glDisable", "GL_DEPTH_TEST")
        r.expect("glMatrixMode", "GL_PROJECTION")
        r.expect("glPushMatrix")
        r.expect("glLoadIdentity")
        r.expect("glOrtho", 0, 800, 0, 600, -1, 1)
        r.expect("glMatrixMode", "GL_MODELVIEW")
        r.expect("glPushMatrix")
        r.expect("glLoadIdentity")
        at = r.expect("glTranslated", None, None, 0)
        r.expect("glColor3f", 1, 1, 1)
        scale = r.expect("glScalef", None, None, None)
        self.assertEqual(len(set(scale.values())), 1, "one scale on every axis: %r" % scale)
        r.expect("glListBase", (names["list base"] - 32) % 2 ** 32)  # set 0
        text = r.expect("glCallLists", None, "GL_BYTE", None)
        length = int(text.num("n"))
        self.assertEqual(text.arg("lists"), "blob(%d)" % length)
        r.expect("glMatrixMode", "GL_PROJECTION")
        r.expect("glPopMatrix")
        r.expect("glMatrixMode", "GL_MODELVIEW")
        r.expect("glPopMatrix")
        r.expect("glEnable", "GL_DEPTH_TEST")
        r.expect("glDisable", "GL_BLEND")
        r.expect("glDisable", "GL_TEXTURE_2D")
        r.expect("glEnable", "GL_LIGHTING")
        return (at.num("x"), at.num("y"), scale.num("x"), length)

    def read_frame(self, frame, names, what):
        """Checks one frame call by call; returns (the normal map bound, the texts printed)."""
        r = Reader(self, frame, what)
        r.expect("glClear",
                 lambda t: set(t.split(" | ")) == {"GL_COLOR_BUFFER_BIT", "GL_DEPTH_BUFFER_BIT"})
        r.expect("glMatrixMode", "GL_MODELVIEW")
        r.expect("glLoadIdentity")
        r.skip_inside("gluLookAt", "glGetFloatv", "GL_MODELVIEW_MATRIX", None)
        light = r.next().nums("params")

        r.expect("glDisable", "GL_LIGHTING")
        r.expect("glEnable", "GL_TEXTURE_2D")
        for index, polygon in enumerate(ROOM):
            if index == 0:
                r.expect("glBindTexture", "GL_TEXTURE_2D", names["bmp"][FLOOR])
                r.expect(("glTexEnvi", "glTexEnvf"), "GL_TEXTURE_ENV", "GL_TEXTURE_ENV_MODE",
                         "GL_REPLACE")
                r.expect("glTexParameteri", "GL_TEXTURE_2D", "GL_TEXTURE_WRAP_S", "GL_REPEAT")
                r.expect("glTexParameteri", "GL_TEXTURE_2D", "GL_TEXTURE_WRAP_T", "GL_REPEAT")
                r.expect(("glColor3f", "glColor3d"), 0.4, 0.4, 0.4)
            elif index == 1:
                r.expect("glBindTexture", "GL_TEXTURE_2D", names["bmp"][WALL])
                r.expect(("glColor3f", "glColor3d"), 0.6, 0.6, 0.6)
            r.expect("glBegin", "GL_POLYGON")
            for uv, xyz in polygon:
                r.expect(("glTexCoord2f", "glTexCoord2d", "glTexCoord2i"), *uv)
                r.expect(("glVertex3f", "glVertex3d", "glVertex3i"), *xyz)
            r.expect("glEnd")
        r.expect("glEnable", "GL_LIGHTING")

        r.expect("glTranslatef", None, 0, None)
        r.expect("glMultMatrixf", IDENTITY)  # the ball has not rolled
        r.expect("glEnable", "GL_TEXTURE_2D")
        normal_map = int(r.expect("glBindTexture", "GL_TEXTURE_2D", None).num("texture"))
        r.expect(("glTexEnvi", "glTexEnvf"), "GL_TEXTURE_ENV", "GL_TEXTURE_ENV_MODE",
                 "GL_REPLACE")
        r.expect("glColor4f", 0.5, 0.5, 0.5, 1)
        r.expect("glDisable", "GL_COLOR_MATERIAL")
        program = names["program"]
        r.expect("glUseProgramObjectARB", program)
        location = r.expect("glGetUniformLocationARB", program, '"normalmap"').ret
        r.expect("glUniform1iARB", int(location), 0)
        location = r.expect("glGetUniformLocationARB", program, '"light_mvmatrix"').ret
        r.expect("glUniformMatrix4fvARB", int(location), 1, "GL_FALSE", light)
        r.skip_inside("gluSphere", "glUseProgramObjectARB", 0)
        r.next()
        r.expect("glDisable", "GL_TEXTURE_2D")
        r.expect("glEnable", "GL_COLOR_MATERIAL")

        texts = []
        while r.peek() is not None and r.peek().name == "glEnable":
            texts.append(self.read_print(r, names))
        texts = tuple(texts)
        r.expect("glFlush")
        r.skip_inside("glutSwapBuffers", "glXSwapBuffers", None, None)
        r.next()
        r.at_end()
        return normal_map, texts

    def test_frames_draw_room_ball_and_texts_with_the_described_calls(self):
        names = self.names_made()
        for frame in self.frames:
            normal_map, texts = self.read_frame(frame, names, "frame at call %d" % frame[0].no)
            self.assertEqual((normal_map, texts), outline_look(frame))

    def test_frames_print_the_hints_until_f1_then_the_help_and_the_frame_rate_last(self):
        names = self.names_made()
        shown = [(x, y, scale, len(text)) for x, y, scale, text in [TITLE] + HINTS + HELP]
        kinds = {tuple(shown[:4]): "h", tuple(shown): "b", tuple(shown[:1] + shown[4:]): "H"}
        phases = ""
        for frame in self.outline:
            normal_map, texts = outline_look(frame)
            self.assertEqual(normal_map, names["bmp"][0], "the first normal map: %r" % frame[0])
            fps = texts[-1]
            self.assertEqual(fps[:3], FPS, "the frame rate last: %r" % frame[0])
            self.assertTrue(5 <= fps[3] <= 15, "a '%%d fps' text: %r" % (fps,))
            self.assertIn(texts[:-1], kinds, "texts of the frame at %r" % frame[0])
            phases += kinds[texts[:-1]]
        # Hints until F1; the first frame with the help still has them, no later one has.
        self.assertRegex(phases, "^h+bH+$")

    def test_frames_return_to_the_scene_switches_and_the_modelview_stack(self):
        switches, mode, depth = set(), None, 0
        for call in self.outline_before:
            if call.name in ("glEnable", "glDisable"):
                (switches.add if call.name == "glEnable" else switches.discard)(call.arg("cap"))
        self.assertEqual(switches, SCENE_SWITCHES, "after the set-up")
        for frame in self.outline:
            what, program = "frame at call %d" % frame[0].no, 0
            for call in frame:
                if call.name in ("glEnable", "glDisable"):
                    (switches.add if call.name == "glEnable" else switches.discard)(
                        call.arg("cap"))
                elif call.name == "glMatrixMode":
                    mode = call.arg("mode")
                elif call.name in ("glPushMatrix", "glPopMatrix"):
                    depth += 1 if call.name == "glPushMatrix" else -1
                elif call.name == "glUseProgramObjectARB":
                    program = int(call.num("programObj"))
                elif call.name == "glBegin" and call.arg("mode") == "GL_POLYGON":
                    self.assertEqual(switches, {"GL_LIGHT0", "GL_COLOR_MATERIAL",
                                                "GL_DEPTH_TEST", "GL_TEXTURE_2D"}, what)
                elif call.name == "glUniformMatrix4fvARB":  # the last call before gluSphere
                    self.assertEqual(switches, {"GL_LIGHTING", "GL_LIGHT0", "GL_DEPTH_TEST",
                                                "GL_TEXTURE_2D"}, what)
                    self.assertNotEqual(program, 0, "%s: the ball through the program" % what)
                elif call.name == "glCallLists":
                    self.assertEqual(switches, {"GL_LIGHT0", "GL_COLOR_MATERIAL", "GL_BLEND",
                                                "GL_TEXTURE_2D"}, what)
                    self.assertEqual(program, 0, "%s: texts without the program" % what)
            self.assertEqual(switches, SCENE_SWITCHES, "%s leaves the scene's switches" % what)
            self.assertEqual((mode, depth, program), ("GL_MODELVIEW", 0, 0), what)

    def test_each_simulation_step_turns_the_ball_on_a_saved_modelview_matrix(self):
        steps = 0
        for frame, gap in zip(self.frames, self.gaps):
            r = Reader(self, gap, "the steps after the frame at call %d" % frame[0].no)
            while r.peek() is not None:
                # The step may pick the model-view stack itself: reshape leaves the projection's.
                r.optional("glMatrixMode", "GL_MODELVIEW")
                r.expect("glPushMatrix")
                r.expect("glLoadIdentity")
                # Before a launch the direction is (0, 0): no angle, no axis, no turn.
                r.expect("glRotatef", 0, 0, 0, 0)
                before = r.expect("glMultMatrixf", None).nums("m")
                r.expect("glGetFloatv", "GL_MODELVIEW_MATRIX", before)
                r.expect("glPopMatrix")
                steps += 1
        self.assertGreaterEqual(steps, 2)


if __name__ == "__main__":
    unittest.main()
