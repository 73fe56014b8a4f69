"""apitrace shows the program making exactly the GL calls of its set-up, its frames and its roll.

The checks read the program's own calls. What freeglut and GLU do inside the functions the
program calls (window creation, gluBuild2DMipmaps, gluLookAt, gluPerspective, gluSphere,
glutSwapBuffers) shows in the trace as well; a check passes over it to the program's next call
of its own, so that other versions of those libraries read the same. Nothing counts on a number
of frames or on their timing: the runs wait for what the trace shows and the checks read
whatever is there.
"""
import math
import os
import struct
import unittest

import gltrace
from expected import (BALL_RADIUS, BMP_TEXTURES, FPS, FRAGMENT_SHADER, GLYPH_SHEET, HELP,
                      HINTS, ROOM, SET_UP_STATE, TITLE, VERTEX_SHADER, WALL_LIMIT)
from gltrace import Reader, close, matches
import harness
from harness import RUN_DIR, Session, wait_until

FLOOR, WALL = 5, 6  # indices into the BMP textures
ENTRY_POINTS = ["glCreateProgramObjectARB", "glDeleteObjectARB", "glUseProgramObjectARB",
                "glCreateShaderObjectARB", "glShaderSourceARB", "glCompileShaderARB",
                "glGetObjectParameterivARB", "glAttachObjectARB", "glGetInfoLogARB",
                "glLinkProgramARB", "glGetUniformLocationARB", "glUniform1fARB",
                "glUniform1iARB", "glUniformMatrix4fvARB"]

# Every frame starts from and returns to these switches (of the ones that the program sets).
SCENE_SWITCHES = {step[1] for step in SET_UP_STATE if step[0] == "glEnable"}
IDENTITY = [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]


# -- matrices: column-major lists of 16 as GL keeps them, 3 by 3 as lists of rows ------------
def rotation_part(m):
    return [[m[col * 4 + row] for col in range(3)] for row in range(3)]


def mul3(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3)] for i in range(3)]


def transposed(a):
    return [list(row) for row in zip(*a)]


def determinant(a):
    return (a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1])
            - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
            + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]))


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


# -- the runs --------------------------------------------------------------------------------
def record(scenario, timeout=60):
    """Runs the program traced through scenario(session, trace), then Esc; returns the session
    (whose scratch directory holds the trace) and the trace's path."""
    session = Session()
    try:
        trace = os.path.join(session.scratch, "kullerix.trace")
        # NOTE: every wait reads the whole trace, which grows by a million calls a second. A
        # program left to draw on every core, with llvmpipe's threads, writes it faster than
        # apitrace reads it back, so that each read takes longer than the one before. Drawn on
        # one thread, at the lowest priority, the program leaves the reading the time it needs.
        env = dict(gltrace.tracing_env(trace), LP_NUM_THREADS="0")
        session.start(command="nice", args=["-n", "19", harness.BINARY], env=env)
        session.wait_window(timeout)
        session.wait_frame(timeout=timeout)
        scenario(session, trace)
        session.key("Escape")
        status = session.wait_exit()
        assert status == 0, "the traced program ended with status %s" % status
        return session, trace
    except BaseException:
        session.close()
        raise


def wait_trace(session, trace, grep, condition, what, timeout=30):
    """Waits until condition(the complete frames of the filtered trace so far) holds."""
    def check():
        session.assert_running()
        return condition(gltrace.swap_groups(gltrace.calls(trace, grep)))
    return wait_until(check, timeout, interval=0.2, what=what)


def help_shown(frame):
    return any(c.name == "glTranslated" and (c.num("x"), c.num("y")) == HELP[0][:2] for c in frame)


# The calls that ball_frames reads.
BALL = "glClear|glGetFloatv|glTranslatef|glMultMatrixf|glRotatef"


def ball_frames(calls):
    """Per frame, the ball's place and orientation, with the simulation steps' glRotatef calls
    since the frame before. In a frame the camera ends with the program reading back its
    matrix; the ball's glTranslatef and glMultMatrixf are the next of their names."""
    frames, steps, ball, expecting = [], [], None, None
    for call in calls:
        if call.name == "glClear":
            expecting = "camera"
        elif call.name == "glGetFloatv" and expecting == "camera":
            expecting = "place"
        elif call.name == "glTranslatef" and expecting == "place":
            ball, expecting = call, "orientation"
        elif call.name == "glMultMatrixf" and expecting == "orientation":
            frames.append(dict(x=ball.num("x"), y=ball.num("y"), z=ball.num("z"),
                               orientation=call.nums("m"), steps=steps))
            steps, expecting = [], None
        elif call.name == "glRotatef" and expecting is None:
            steps.append(call)
    return frames


def ball_positions(groups):
    return [(frame["x"], frame["z"]) for frame in ball_frames(sum(groups, []))]


def reversed_somewhere(path):
    """Whether a component of the ball's motion changed its sign from one frame to the next."""
    steps = [(b[0] - a[0], b[1] - a[1]) for a, b in zip(path, path[1:])]
    return any(p[axis] * q[axis] < 0 for p, q in zip(steps, steps[1:]) for axis in (0, 1))


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


def tab_and_help(session, trace):
    """The next normal map and the help, then the help hidden again."""
    texts = "glTranslated|glXSwapBuffers"
    session.key("Tab", "F1")
    wait_trace(session, trace, texts, lambda frames: any(map(help_shown, frames)),
               "a frame with the help")
    session.key("F1")
    wait_trace(session, trace, texts,
               lambda frames: any(map(help_shown, frames)) and not help_shown(frames[-1]),
               "a frame without the help after one with it")


def roll_into_walls(session, trace):
    """Turns the camera a little, launches the ball and speeds it up until it has bounced."""
    def turned(frames):
        # The program reads back the camera's matrix and, in each step, the ball's orientation.
        # Until the launch that orientation is the identity, so only the camera's rotation can
        # move its side vector off the x axis.
        return any(abs(c.nums("params")[8]) > 0.05 for frame in frames for c in frame
                   if c.name == "glGetFloatv")

    # A short hold of Left, repeated until a simulation step has seen it.
    for _ in range(10):
        session.focus()
        session.x("xdotool", "keydown", "Left", "sleep", "0.15", "keyup", "Left")
        try:
            wait_trace(session, trace, "glGetFloatv|glXSwapBuffers", turned,
                       "the camera to turn", timeout=3)
            break
        except AssertionError:
            session.assert_running()
    else:
        raise AssertionError("Left never turned the camera")
    session.key("space")
    session.key_down("plus")
    try:
        wait_trace(session, trace, BALL + "|glXSwapBuffers",
                   lambda frames: any(max(map(abs, p)) > 8 for p in ball_positions(frames)),
                   "the ball to roll a good way")
    finally:
        session.key_up("plus")
    wait_trace(session, trace, BALL + "|glXSwapBuffers",
               lambda frames: reversed_somewhere(ball_positions(frames)[:-3]),
               "the ball to bounce off a wall and roll on")


# -- the tests -------------------------------------------------------------------------------
def is_read(call):
    """Whether a check reads the call. Left out: the window-system calls that freeglut makes
    around its callbacks (every glX call but the program's look-ups and the swap that ends a
    frame) and the calls that apitrace makes up."""
    return not call.fake and (not call.name.startswith("glX") or call.name in (
        "glXGetProcAddressARB", "glXGetProcAddress", "glXSwapBuffers"))


class StillRun(unittest.TestCase):
    """Start-up and the frames of a run in which the ball stays put: Tab, F1, F1, Esc.

    Every frame is read in outline (switches, matrices, binds, texts); the set-up and a few
    frames (the first ones, those around each change, the last ones) are read call by call,
    so that a fast machine's many frames cost little."""

    @classmethod
    def setUpClass(cls):
        session, trace = record(tab_and_help)
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

    def test_texts_and_normal_map_follow_tab_and_f1(self):
        names = self.names_made()
        shown = [(x, y, scale, len(text)) for x, y, scale, text in [TITLE] + HINTS + HELP]
        kinds = {tuple(shown[:4]): "h", tuple(shown): "b", tuple(shown[:1] + shown[4:]): "H",
                 tuple(shown[:1]): "t"}
        phases, maps = "", ""
        for frame in self.outline:
            normal_map, texts = outline_look(frame)
            self.assertIn(normal_map, names["bmp"][:5], "binds a normal map: %r" % frame[0])
            maps += str(names["bmp"].index(normal_map) + 1)
            fps = texts[-1]
            self.assertEqual(fps[:3], FPS, "the frame rate last: %r" % frame[0])
            self.assertTrue(5 <= fps[3] <= 15, "a '%%d fps' text: %r" % (fps,))
            self.assertIn(texts[:-1], kinds, "texts of the frame at %r" % frame[0])
            phases += kinds[texts[:-1]]
        # Hints until F1; the first frame with the help still has them, no later one has; the
        # second F1 leaves the title alone.
        self.assertRegex(phases, "^h+bH*t+$")
        # Tab came before F1: map 1 first, then map 2, which every frame with the help shows.
        self.assertRegex(maps, "^1+2+$")
        self.assertEqual(maps[phases.index("b")], "2")

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


class RollingRun(unittest.TestCase):
    """The ball launched at an angle and sped up until it has bounced off a wall."""

    @classmethod
    def setUpClass(cls):
        session, trace = record(roll_into_walls)
        try:
            cls.frames = ball_frames(gltrace.calls(trace, BALL))
        finally:
            session.close()
        cls.moves = [(a, b, b["x"] - a["x"], b["z"] - a["z"])
                     for a, b in zip(cls.frames, cls.frames[1:])]
        rolling = [(dx, dz) for _, _, dx, dz in cls.moves if math.hypot(dx, dz) > 0.05]
        assert len(rolling) >= 10, "the ball hardly rolled: %d steps" % len(rolling)
        dx, dz = rolling[0]
        cls.heading = (abs(dx) / math.hypot(dx, dz), abs(dz) / math.hypot(dx, dz))

    def test_the_ball_rolls_in_straight_lines_inside_the_room_and_reverses_at_walls(self):
        for _, b, dx, dz in self.moves:
            self.assertEqual(b["y"], 0)
            self.assertTrue(max(abs(b["x"]), abs(b["z"])) <= WALL_LIMIT,
                            "the centre stays inside the wall limit: %r" % ((b["x"], b["z"]),))
            length = math.hypot(dx, dz)
            if length > 0.05:
                # Bounces turn signs only: the heading's parts keep their sizes.
                self.assertTrue(close((abs(dx) / length, abs(dz) / length), self.heading, 2e-3),
                                "a straight path: %r against %r" % ((dx, dz), self.heading))
        reversals = 0
        for (_, b, *before), (_, c, *after) in zip(self.moves, self.moves[1:]):
            if len(c["steps"]) != 1:
                continue
            for position, was, went in zip((b["x"], b["z"]), before, after):
                if was * went < 0:
                    # The step that reversed would have carried the centre outwards to the
                    # limit or beyond; it went back by as much instead.
                    meant = position - went
                    self.assertGreaterEqual(abs(meant), WALL_LIMIT - 1e-3,
                                            "reversed at %.3f, away from the walls" % position)
                    self.assertGreater(meant * was, 0, "reversed while rolling inwards")
                    reversals += 1
        self.assertGreaterEqual(reversals, 1, "the ball reached no wall")

    def test_the_ball_turns_as_it_rolls_without_sliding(self):
        for frame in self.frames:
            m = frame["orientation"]
            self.assertTrue(close([m[3], m[7], m[11], m[12], m[13], m[14], m[15]],
                                  [0, 0, 0, 0, 0, 0, 1], 1e-6),
                            "a rotation, no translation or projection: %r" % m)
            rows = rotation_part(m)
            self.assertTrue(close(sum(mul3(rows, transposed(rows)), []),
                                  sum(rotation_part(IDENTITY), []), 1e-4),
                            "orthonormal within float drift: %r" % m)
            self.assertAlmostEqual(determinant(rows), 1, delta=1e-4)
        checked = 0
        for a, b, dx, dz in self.moves:
            if len(b["steps"]) != 1:
                continue
            # The turn from one frame to the next, as the sine of its angle times its axis.
            turn = mul3(rotation_part(b["orientation"]),
                        transposed(rotation_part(a["orientation"])))
            axis = [(turn[2][1] - turn[1][2]) / 2, (turn[0][2] - turn[2][0]) / 2,
                    (turn[1][0] - turn[0][1]) / 2]
            # Rolling a length on radius 2 turns by length / 2 about the horizontal axis at
            # right angles to the path, so that the top goes forward.
            length = math.hypot(dx, dz)
            scale = math.sin(length / BALL_RADIUS) / length if length else 0
            self.assertTrue(close(axis, [scale * dz, 0, -scale * dx], 5e-4),
                            "rolled %r, turned about %r" % ((dx, dz), axis))
            if length > 0.05:
                rotate = b["steps"][0]
                self.assertAlmostEqual(rotate.num("angle"), -math.degrees(length / BALL_RADIUS),
                                       delta=0.02)
                self.assertTrue(close([rotate.num(k) for k in "xyz"],
                                      [-dz / length, 0, dx / length], 2e-3),
                                "the step's glRotatef: %r for %r" % (rotate, (dx, dz)))
                checked += 1
        self.assertGreaterEqual(checked, 10)


if __name__ == "__main__":
    unittest.main()
