"""Minutes of random keys and window sizes: the program draws on in flat memory and writes nothing.

KX_SOAK_SECONDS sets the length (default 120), KX_SOAK_SEED the random sequence (default 1).
"""
import math
import os
import random
import time
import unittest

from expected import HEIGHT, HELP_BLOCK, WIDTH
from harness import Session, wait_until

SECONDS = float(os.environ.get("KX_SOAK_SECONDS", "120"))
SEED = int(os.environ.get("KX_SOAK_SEED", "1"))
CHECK_EVERY = 10.0  # seconds between checks of drawing and memory

# Keys the program acts on, and keys it must ignore.
TAP_KEYS = ["Left", "Right", "Up", "Down", "space", "plus", "minus", "Tab", "F1",
            "a", "q", "x", "z", "1", "equal", "underscore", "Return", "BackSpace", "F5"]
HOLD_KEYS = ["Left", "Right", "Up", "Down", "space", "plus", "minus", "a", "k", "Tab", "F1"]
LONGEST_HOLD = 2.5  # seconds: past the repeat delay, and a bound on speed and camera changes
CAMERA_DRIFT = 3.0  # seconds of Up or Down, net, that the stream allows either way
LARGEST = (1000, 760)  # largest window of the stream; the screen is 1024 by 768

BALL_BOX = (300, 200, 200, 200)   # inside the ball from the start camera
SCENE = (0, 0, WIDTH, HEIGHT - 70)  # above the texts at the bottom

WARM_UP = max(20.0, SECONDS / 4)
LEAK_RATE_KB = 100  # kB a second: the slowest leak this test is to catch
# NOTE: memory is compared within the run, after the warm-up, between its two halves. A leak
# grows in both halves alike, by its rate times the half's length. What the allocator and the
# driver keep after windows of new sizes comes in a few steps of a framebuffer (about 2 MB each)
# and then stays. The check fails only when the highest VmRSS rises in each half by more than
# half of what a leak of LEAK_RATE_KB adds in a half: such a leak fails it twice over, while
# steps in one half cannot, nor can one step in each half of a soak of two minutes or more.
# Another process cannot either: its memory is not ours, and it can only slow our frames.
# Leaks of a few bytes a frame are LeakSanitizer's and valgrind's to find.


def growth_by_halves(samples):
    """(seconds in a half, kB the highest VmRSS rose in the first half, in the second) of
    (seconds, kB) samples, from the first one on."""
    (start, base), end = samples[0], samples[-1][0]
    half = (end - start) / 2
    first = max(rss for t, rss in samples if t <= start + half)
    return half, first - base, max(rss for _, rss in samples) - first


def proc_status(pid, field):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    raise AssertionError("no %s for process %d" % (field, pid))


def cpu_ticks(pid):
    """User and system time of the process so far, in clock ticks."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


class Soak(unittest.TestCase):
    def setUp(self):
        self.session = Session()
        self.addCleanup(self.session.close)
        self.random = random.Random(SEED)
        self.held = []
        self.counts = {}
        self.camera_drift = 0.0  # seconds of Down less seconds of Up, to keep the room in view

    # -- actions ---------------------------------------------------------------------------
    def resize(self, width, height):
        s = self.session
        s.x("xdotool", "windowsize", s.window, str(width), str(height))
        wait_until(lambda: s.geometry()[2:] == (width, height), timeout=20,
                   what="the window to become %dx%d" % (width, height))

    def press(self, key):
        self.session.key_down(key)
        self.held.append((key, time.monotonic()))

    def release(self, index):
        key, since = self.held.pop(index)
        self.session.key_up(key)
        if key in ("Up", "Down"):
            self.camera_drift += (time.monotonic() - since) * (1 if key == "Down" else -1)

    def release_all(self):
        while self.held:
            self.release(0)

    def release_overdue(self):
        now = time.monotonic()
        for i in reversed(range(len(self.held))):
            if now - self.held[i][1] > LONGEST_HOLD:
                self.release(i)

    def pick_hold_key(self):
        key = self.random.choice(HOLD_KEYS)
        # Up and Down move the camera without bound; lean against the drift so that the
        # camera stays within sight of the room.
        if key in ("Up", "Down") and abs(self.camera_drift) > CAMERA_DRIFT:
            key = "Up" if self.camera_drift > 0 else "Down"
        return None if key in [k for k, _ in self.held] else key

    def hold_to_repeat(self, key, region):
        """Holds Tab or F1 alone until key repeat has changed the still picture three times."""
        s = self.session
        picture = s.screenshot()
        s.key_down(key)
        try:
            for _ in range(3):
                picture = s.wait_change(picture, threshold=0.5, region=region, timeout=20,
                                        what="%s held to repeat" % key)
        finally:
            s.key_up(key)

    def hold(self, key, seconds):
        """Holds a key until the program has drawn for that many seconds with it held, as its
        frame-rate figure tells: one change more than seconds, since the first change may come
        before the key takes effect."""
        s = self.session
        s.key_down(key)
        try:
            s.wait_rate_changes(math.ceil(seconds) + 1,
                                what="%s held over %g s of frames" % (key, seconds))
        finally:
            s.key_up(key)

    def visit_extremes(self):
        """Warm-up: the largest and smallest windows and the nearest and farthest camera that
        the random stream reaches, so that buffers and texture levels are in use before the
        memory is compared."""
        for width, height in ((LARGEST[0], LARGEST[1]), (1, 1), (WIDTH, HEIGHT)):
            self.resize(width, height)
            self.wait_work()
        self.hold("Up", CAMERA_DRIFT)
        self.hold("Down", 2 * CAMERA_DRIFT)
        self.hold("Up", CAMERA_DRIFT)

    def wait_work(self):
        """Waits until the process has used some more CPU time: it is still drawing."""
        pid = self.session.process.pid
        before = cpu_ticks(pid)
        wait_until(lambda: cpu_ticks(pid) > before + 5, timeout=20, what="the program to work")

    def count(self, what):
        self.counts[what] = self.counts.get(what, 0) + 1

    def random_action(self):
        s = self.session
        r = self.random.random()
        self.count("taps" if r < 0.35 else "presses" if r < 0.6 else "releases" if r < 0.8
                   else "resizes")
        if r < 0.35:
            s.key(self.random.choice(TAP_KEYS))
        elif r < 0.60:
            key = self.pick_hold_key()
            if key:
                self.press(key)
        elif r < 0.80:
            if self.held:
                self.release(self.random.randrange(len(self.held)))
        elif self.random.random() < 0.7:
            height = 1 if self.random.random() < 0.3 else self.random.randint(1, LARGEST[1])
            self.resize(self.random.randint(1, LARGEST[0]), height)
            if height == 1:
                self.wait_work()
        else:
            self.resize(WIDTH, HEIGHT)
        self.release_overdue()

    # -- checks ----------------------------------------------------------------------------
    def check_drawing(self):
        """At full size, turning the camera changes the picture: frames keep coming."""
        s = self.session
        self.release_all()
        self.resize(WIDTH, HEIGHT)
        before = s.screenshot()
        s.key_down("Left")
        try:
            s.wait_change(before, threshold=2, region=SCENE, timeout=30,
                          what="the view to turn (frames drawn)")
        finally:
            s.key_up("Left")
        return proc_status(s.process.pid, "VmRSS")

    def test_random_keys_and_sizes_leave_it_drawing_with_flat_memory(self):
        s = self.session
        s.start()
        s.wait_window()
        s.wait_frame()
        # Before the first launch the scene stands still, so what changes is what the keys do.
        self.hold_to_repeat("Tab", BALL_BOX)
        self.hold_to_repeat("F1", HELP_BLOCK)
        s.key("space")
        self.visit_extremes()

        start = time.monotonic()
        samples = []  # (seconds since start, VmRSS in kB)
        next_check = start + CHECK_EVERY
        while time.monotonic() - start < SECONDS:
            self.random_action()
            s.assert_running()
            if time.monotonic() >= next_check:
                samples.append((time.monotonic() - start, self.check_drawing()))
                next_check = time.monotonic() + CHECK_EVERY
        samples.append((time.monotonic() - start, self.check_drawing()))

        samples = [(round(t), rss) for t, rss in samples]
        compared = [(t, rss) for t, rss in samples if t >= WARM_UP]
        print("\nsoak seed %d, %.0f s, %s; (s, VmRSS kB) at the checks: %s; VmHWM %d kB"
              % (SEED, SECONDS, self.counts, samples, proc_status(s.process.pid, "VmHWM")))
        self.assertGreaterEqual(len(compared), 3, "too short a soak to compare memory")
        half, first, second = growth_by_halves(compared)
        bound = LEAK_RATE_KB * half / 2
        if first > bound and second > bound:
            self.fail("memory grows in both halves after warm-up, by %d and %d kB in %.0f s each: "
                      "%s" % (first, second, half, compared))

        # That Esc ends it with status 0 is the keyboard and app tests' to show.
        self.assertEqual(s.stderr(), "")


if __name__ == "__main__":
    unittest.main()
