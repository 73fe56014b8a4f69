"""Drives the real kullerix binary the way a user would, for the end-to-end tests.

Each Session has a private display, a private copy of the run directory (so a test may delete or
damage files), the program started in it, and helpers to wait for the window, take screenshots,
send keys with xdotool and dismiss the SDL message boxes. Everything waits for a condition with
a deadline; nothing sleeps blindly.
"""
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import time

from expected import HEIGHT, RATE_CORNER, SKY, WIDTH, WINDOW_TITLE
from glyphs import glyphs_only

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
START_DISPLAY = os.path.join(ROOT, "scripts", "start-display.sh")
LIB = os.path.join(ROOT, "scripts", "lib")
BINARY = os.environ.get("KX_BINARY", "")
RUN_DIR = os.environ.get("KX_RUN_DIR", "")


def manifest(folder):
    """The facts that CMake wrote into a build folder's manifest.env, as {name: text}."""
    with open(os.path.join(folder, "manifest.env")) as lines:
        return dict(shlex.split(line)[0].split("=", 1) for line in lines if line[0] != "#")


class Timeout(AssertionError):
    pass


def wait_until(condition, timeout=30.0, interval=0.05, what="condition"):
    """Polls condition() until it returns something truthy; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Image:
    """An RGB picture: width, height and rows top-down; written out as PNG when path is asked."""

    def __init__(self, width, height, data, path):
        self.width, self.height, self.data = width, height, data
        self._path = path
        self._written = False

    @classmethod
    def load(cls, path):
        """Reads any picture file through ImageMagick."""
        return cls(*read_ppm(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                                            capture_output=True).stdout), path)

    @property
    def path(self):
        if not self._written:
            header = b"P6\n%d %d\n255\n" % (self.width, self.height)
            subprocess.run(["convert", "ppm:-", self._path], input=header + self.data, check=True)
            self._written = True
        return self._path

    def pixel(self, x, y):
        """Colour at (x, y), origin top-left."""
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def region(self, x, y, w, h):
        return [self.pixel(x + i, y + j) for j in range(h) for i in range(w)]

    def mean(self, x, y, w, h):
        pixels = self.region(x, y, w, h)
        return tuple(sum(p[c] for p in pixels) / len(pixels) for c in range(3))

    def count(self, x, y, w, h, predicate):
        return sum(1 for p in self.region(x, y, w, h) if predicate(p))

    def difference(self, other, x=0, y=0, w=None, h=None):
        """Mean absolute channel difference over a region of two pictures of one size."""
        w = self.width if w is None else w
        h = self.height if h is None else h
        total = 0
        for j in range(y, y + h):
            start = 3 * (j * self.width + x)
            a = self.data[start:start + 3 * w]
            b = other.data[start:start + 3 * w]
            total += sum(abs(p - q) for p, q in zip(a, b))
        return total / (3.0 * w * h)


def read_ppm(raw):
    """(width, height, rgb bytes) of a binary PPM (P6, 8 bits)."""
    fields = []
    position = 0
    while len(fields) < 4:
        while raw[position:position + 1].isspace():
            position += 1
        if raw[position:position + 1] == b"#":
            position = raw.index(b"\n", position)
            continue
        end = position
        while not raw[end:end + 1].isspace():
            end += 1
        fields.append(raw[position:end])
        position = end
    assert fields[0] == b"P6" and fields[3] == b"255", "not an 8-bit binary PPM"
    width, height = int(fields[1]), int(fields[2])
    return width, height, raw[position + 1:position + 1 + 3 * width * height]


def crop(width, height, data, x, y, w, h):
    """The w by h part of a picture at (x, y); what lies outside the picture is black."""
    rows = []
    for j in range(y, y + h):
        if j < 0 or j >= height:
            rows.append(bytes(3 * w))
            continue
        left, right = max(x, 0), min(x + w, width)
        row = data[3 * (j * width + left):3 * (j * width + right)] if right > left else b""
        rows.append(bytes(3 * (left - x)) + row + bytes(3 * (x + w - max(right, left))))
    return b"".join(rows)


def masked(image, box):
    """The picture's rows with a box painted black."""
    x, y, w, h = box
    rows = bytearray(image.data)
    for j in range(max(y, 0), min(y + h, image.height)):
        left, right = max(x, 0), min(x + w, image.width)
        rows[3 * (j * image.width + left):3 * (j * image.width + right)] = bytes(3 * (right - left))
    return bytes(rows)


def rate_figure(image):
    """Which pixels of the frame-rate corner the figure's glyphs fill, whatever lies behind."""
    _, _, grey = glyphs_only(image, RATE_CORNER)
    return bytes(g >= 128 for g in grey)


def lib(script, command, env=None, check=True):
    """The output of a command run with one of the scripts' helpers (scripts/lib) sourced."""
    return subprocess.run(["bash", "-c", 'source "$0" && ' + command, os.path.join(LIB, script)],
                          env=env, check=check, capture_output=True, text=True).stdout


def shows_the_linux_start_view(s):
    """Whether the running program's start view, once complete and still, is that of
    docs/screenshot.png, each with its frame-rate figure masked, within the tolerance of the
    committed pictures. Fails with what it waited for when no such view comes."""
    shot = os.path.join(s.scratch, "start-view.png")
    taken = subprocess.run(["bash", "-c", 'source "$0" && shoot_running_program "$1" "$2"',
                            os.path.join(LIB, "pictures.sh"), str(s.process.pid), shot],
                           env=s.env, capture_output=True, text=True)
    if taken.returncode != 0:
        raise AssertionError("no picture of the start view: " + taken.stderr.strip())
    lib("pictures.sh", 'masked "%s" "%s"' % (shot, shot + ".masked.png"))
    linux = os.path.join(s.scratch, "linux-start-view.masked.png")
    lib("pictures.sh", 'masked "%s" "%s"' % (os.path.join(ROOT, "docs", "screenshot.png"), linux))
    return subprocess.run(["bash", "-c", 'source "$0" && within_tolerance "$1" "$2"',
                           os.path.join(LIB, "pictures.sh"), shot + ".masked.png", linux]).returncode == 0


def flip_a_byte(path, offset):
    """Changes one bit of a file, as damage in transit would."""
    with open(path, "r+b") as f:
        f.seek(offset)
        byte = f.read(1)
        f.seek(offset)
        f.write(bytes([byte[0] ^ 1]))


def near(colour, expected, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def send_delete_window(display, window):
    """Sends the WM_DELETE_WINDOW client message through Xlib (no window manager runs here)."""
    import ctypes
    import ctypes.util

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                    ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                    ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]

    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(Event)]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    assert connection, "cannot open display " + display
    event = Event()
    event.client.type = 33  # ClientMessage
    event.client.window = window
    event.client.message_type = xlib.XInternAtom(connection, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
    xlib.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
    xlib.XFlush(connection)
    xlib.XCloseDisplay(connection)


class Session:
    """One private display and one run of the program in a scratch copy of the run directory.

    desktop: what runs on the display, as scripts/start-display.sh names it: "xvfb" (nothing
    but the X server), "openbox" (a window manager) or "weston" (a Wayland compositor, whose
    rootless Xwayland is the display).
    """

    def __init__(self, screen="1024x768x24", desktop="xvfb", files=None):
        """files: the folder whose copy the program runs in, by default the build's run dir."""
        files = files or RUN_DIR
        assert files, "KX_RUN_DIR must be set (ctest sets it)"
        self.scratch = tempfile.mkdtemp(prefix="kx-e2e-")
        self.run_dir = os.path.join(self.scratch, "run")
        shutil.copytree(files, self.run_dir)
        self.shots = 0
        self.process = None
        self.window = None
        self.rootless = desktop == "weston"
        self.server = subprocess.Popen([START_DISPLAY, desktop, "-screen", "0", screen],
                                       stdout=subprocess.PIPE, text=True)
        self.display = self.server.stdout.readline().strip()
        self.server.stdout.close()
        if not self.display:
            raise RuntimeError("no %s display started" % desktop)
        self.env = dict(os.environ, DISPLAY=self.display)

    def x(self, *args, check=True):
        """Runs an X client (xdotool, xwininfo, import) on this session's display."""
        return subprocess.run(list(args), env=self.env, check=check, capture_output=True,
                              text=True).stdout

    # -- the program -----------------------------------------------------------------------
    def start(self, args=(), env=None, command=None, cwd=None):
        """Starts the program (or command, a launcher say) in the scratch run dir (or cwd)."""
        assert command or BINARY, "KX_BINARY must be set (ctest sets it)"
        self.stdout_path = os.path.join(self.scratch, "stdout.txt")
        self.stderr_path = os.path.join(self.scratch, "stderr.txt")
        process_env = dict(self.env)
        process_env.update(env or {})
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([command or BINARY] + list(args), cwd=cwd or self.run_dir,
                                            env=process_env, stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL)
        return self

    def wait_window(self, timeout=60):
        """Waits until the program's window is mapped; returns its id."""
        def find():
            self.assert_running()
            out = self.x("xdotool", "search", "--onlyvisible", "--name", "^%s$" % WINDOW_TITLE,
                         check=False)
            ids = out.split()
            return ids[0] if ids else None
        try:
            self.window = wait_until(find, timeout, what="the Kullerix window")
        except Timeout as missing:
            raise Timeout("%s; the windows are:\n%s" % (missing, self.x(
                "xwininfo", "-root", "-tree", check=False)))
        return self.window

    def geometry(self):
        """(x, y, width, height) of the window on the root, as xwininfo tells it."""
        out = self.x("xwininfo", "-id", self.window)
        value = lambda name: int(re.search(name + r":\s+(-?\d+)", out).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"),
                value("Width"), value("Height"))

    def assert_running(self):
        """Fails when the program ended; a program started through another one is not watched."""
        if self.process and self.process.poll() is not None:
            raise AssertionError("kullerix exited early with status %s; stderr: %s"
                                 % (self.process.returncode, self.stderr()))

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Timeout("kullerix did not exit within %d s" % timeout)

    def stdout(self):
        with open(self.stdout_path, "rb") as f:
            return f.read().decode(errors="replace")

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode(errors="replace")

    # -- pictures --------------------------------------------------------------------------
    def screenshot(self, name=None):
        """The window's picture as an Image, cut from the root by the window's geometry.

        Without a window manager the window may sit partly off the root (GLUT places it at
        -1, -1): the part outside is filled with black so pixel coordinates stay the window's.
        A rootless Xwayland's root shows nothing; there the window is read itself.
        """
        self.shots += 1
        path = os.path.join(self.scratch, name or "shot%03d.png" % self.shots)
        root = subprocess.run(["import", "-window", self.window if self.rootless else "root",
                               "-depth", "8", "ppm:-"], env=self.env, check=True,
                              capture_output=True).stdout
        if self.rootless:
            return Image(*read_ppm(root), path)
        x, y, w, h = self.geometry()
        return Image(w, h, crop(*read_ppm(root), x, y, w, h), path)

    def wait_frame(self, predicate=None, timeout=30, what="a drawn frame"):
        """Waits until a screenshot shows a drawn frame (the sky's blue at the top, or predicate)."""
        check = predicate or (lambda image: near(image.pixel(image.width // 2, 5), SKY, 20))
        def shot():
            self.assert_running()
            image = self.screenshot()
            return image if check(image) else None
        return wait_until(shot, timeout, interval=0.1, what=what)

    def wait_change(self, before, threshold=1.0, timeout=30, region=None, what="the picture to change"):
        """Waits until the picture differs from before by more than threshold (mean per channel)."""
        region = region or (0, 0, before.width, before.height)
        def changed():
            self.assert_running()
            image = self.screenshot()
            return image if image.difference(before, *region) > threshold else None
        return wait_until(changed, timeout, interval=0.1, what=what)

    def wait_still(self, region=None, timeout=30, what="a still picture"):
        """Takes screenshots until two in a row are alike over region (left, top, width,
        height; the whole window when None) and returns the second: a picture of a state that
        holds, not of a moment in a change. A region with the frame-rate figure in it needs
        the two within one second."""
        last = [None]

        def still():
            self.assert_running()
            image = self.screenshot()
            part = crop(image.width, image.height, image.data,
                        *(region or (0, 0, image.width, image.height)))
            alike, last[0] = part == last[0], part
            return image if alike else None
        return wait_until(still, timeout, interval=0, what=what)

    def wait_rate_changes(self, count=1, timeout=None, what=None):
        """Waits until the frame-rate figure has changed count times; returns the last shot.

        The program publishes its count of frames once more than a second has passed since the
        last time, so count changes take in more than count - 1 seconds of its frames. A count
        equal to the one before shows no change and only makes the wait longer. The figure is
        told by its glyphs, so the picture behind it may move.
        """
        seen = {"figure": rate_figure(self.screenshot()), "changes": 0}

        def changed():
            self.assert_running()
            image = self.screenshot()
            figure = rate_figure(image)
            if figure != seen["figure"]:
                seen.update(figure=figure, changes=seen["changes"] + 1)
            return image if seen["changes"] >= count else None
        return wait_until(changed, timeout or 20 + 2 * count, interval=0.05,
                          what=what or "%d change(s) of the frame-rate figure" % count)

    def wait_standstill(self, timeout=60):
        """Waits until the picture, frame-rate corner aside, stays the same while the frame-rate
        figure changes twice, that is over more than a second of frames; returns the last shot.
        Two shots alike might only say that no frame came between them."""
        seen = {"rest": None, "figure": None, "changes": 0}

        def still():
            self.assert_running()
            image = self.screenshot()
            rest, figure = masked(image, RATE_CORNER), rate_figure(image)
            if rest != seen["rest"]:
                seen.update(rest=rest, figure=figure, changes=0)
            elif figure != seen["figure"]:
                seen.update(figure=figure, changes=seen["changes"] + 1)
            return image if seen["changes"] >= 2 else None
        return wait_until(still, timeout, interval=0.05,
                          what="a picture that stays the same over a second of frames")

    # -- keys ------------------------------------------------------------------------------
    def focus(self):
        self.x("xdotool", "windowfocus", "--sync", self.window)

    def key(self, *names):
        """Presses and releases each key (xdotool names: space, Tab, F1, Left, plus, minus...)."""
        self.focus()
        self.x("xdotool", "key", "--delay", "30", *names)

    def key_down(self, name):
        self.focus()
        self.x("xdotool", "keydown", name)

    def key_up(self, name):
        self.focus()
        self.x("xdotool", "keyup", name)

    def close_window(self):
        """Asks the window to close as a window manager's close button does (WM_DELETE_WINDOW)."""
        send_delete_window(self.display, int(self.window, 0))

    # -- message boxes ---------------------------------------------------------------------
    def dialogs(self):
        """(id, title) of every named top-level window but Kullerix's own.

        NOTE: xdotool search --name misses SDL's message box, so the tree is listed instead.
        """
        # A window that closes while the tree is listed makes xwininfo fail; list again.
        listing = lambda: subprocess.run(["xwininfo", "-root", "-tree"], env=self.env,
                                         capture_output=True, text=True)
        out = wait_until(lambda: (lambda done: done.returncode == 0 and done.stdout)(listing()),
                         timeout=10, what="a listing of the windows")
        found = []
        for match in re.finditer(r'^\s+(0x[0-9a-f]+) "([^"]*)":', out, re.MULTILINE):
            if match.group(2) != WINDOW_TITLE:
                found.append((match.group(1), match.group(2)))
        return found

    def wait_dialog(self, timeout=30):
        """Waits for a message box; returns (id, title)."""
        def first():
            boxes = self.dialogs()
            if not boxes:
                self.assert_running()
            return boxes[0] if boxes else None
        return wait_until(first, timeout, what="a message box")

    def dialog_text(self, window):
        """The message box's text, read back with OCR (upscaled for tesseract)."""
        path = os.path.join(self.scratch, "dialog.png")
        big = os.path.join(self.scratch, "dialog-big.png")
        self.x("import", "-window", window, path)
        subprocess.run(["convert", path, "-resize", "300%", "-colorspace", "Gray", "-negate", big],
                       check=True)
        return subprocess.run(["tesseract", big, "-", "--psm", "6"], capture_output=True,
                              text=True).stdout

    def dismiss(self, window, timeout=30):
        """Presses OK (Return) on a message box and waits until it is gone.

        NOTE: SDL opens a new X connection for each box, and the server hands the next box the
        same window id, so the box is marked first: a box with that id but no mark is the next.
        """
        self.x("xprop", "-id", window, "-f", "_KX_DISMISSED", "8s", "-set", "_KX_DISMISSED", "1",
               check=False)
        self.x("xdotool", "windowfocus", "--sync", window, check=False)
        self.x("xdotool", "key", "Return", check=False)

        def gone():
            if window not in [w for w, _ in self.dialogs()]:
                return True
            mark = subprocess.run(["xprop", "-id", window, "_KX_DISMISSED"], env=self.env,
                                  capture_output=True, text=True).stdout
            return "=" not in mark
        wait_until(gone, timeout, what="the message box to close")

    def dismiss_all(self, timeout=60):
        """Dismisses every start-up message box until the first frame is drawn.

        Returns the boxes' titles in the order they came.
        """
        titles = []
        deadline = time.monotonic() + timeout
        while True:
            boxes = self.dialogs()
            if boxes:
                window, title = boxes[0]
                titles.append(title)
                self.dismiss(window)
                continue
            ids = self.x("xdotool", "search", "--onlyvisible", "--name", "^%s$" % WINDOW_TITLE,
                         check=False).split()
            if ids:
                self.window = ids[0]
                image = self.screenshot()
                if near(image.pixel(image.width // 2, 5), SKY, 20):
                    return titles
            self.assert_running()
            if time.monotonic() > deadline:
                raise Timeout("the first frame did not come; boxes so far: %s" % titles)
            time.sleep(0.05)

    # -- the end ---------------------------------------------------------------------------
    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.server.terminate()
        self.server.wait()
        if os.environ.get("KX_KEEP_SCRATCH"):
            print("e2e scratch kept in", self.scratch)
        else:
            shutil.rmtree(self.scratch, ignore_errors=True)
