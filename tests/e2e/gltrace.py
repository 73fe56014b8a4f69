"""Records the real program's OpenGL calls with apitrace and reads them back.

A recording preloads apitrace's GLX wrapper into the program itself, so the process that the
harness starts, waits for and kills is the program and not a launcher. `apitrace dump` gives
one call a line; each becomes a Call (number, name, argument texts, return text), and Reader
walks a list of them against the calls a test expects.
"""
import glob
import os
import re
import shutil
import subprocess

WRAPPER_PATTERNS = ("/usr/lib/*/apitrace/wrappers/glxtrace.so",
                    "/usr/lib/apitrace/wrappers/glxtrace.so",
                    "/usr/local/lib/apitrace/wrappers/glxtrace.so")


def glx_wrapper():
    """Path of apitrace's GLX tracing library; KX_GLXTRACE overrides the search."""
    chosen = os.environ.get("KX_GLXTRACE")
    if chosen:
        return chosen
    for pattern in WRAPPER_PATTERNS:
        found = sorted(glob.glob(pattern))
        if found:
            return found[0]
    raise AssertionError("apitrace's glxtrace.so was not found (install the apitrace package)")


def tracing_env(trace_path):
    """Environment that makes the started program write its GL calls to trace_path."""
    assert shutil.which("apitrace"), "apitrace is not installed"
    return {"LD_PRELOAD": glx_wrapper(), "TRACE_FILE": trace_path}


# -- the dump's values -----------------------------------------------------------------------
def scan(text, start, on_char):
    """Walks text from start, skipping string literals; on_char(i, c, depth) returns True to
    stop there. Returns the index where it stopped, or -1."""
    depth, i, quoted = 0, start, False
    while i < len(text):
        c = text[i]
        if quoted:
            if c == "\\":
                i += 1
            elif c == '"':
                quoted = False
        elif c == '"':
            quoted = True
        else:
            if c in "{[(":
                depth += 1
            elif c in "}])":
                depth -= 1
            if on_char(i, c, depth):
                return i
        i += 1
    return -1


def split_top(text):
    """Splits text at the commas outside braces, brackets, parentheses and strings."""
    cuts = []

    def cut(i, c, depth):
        if c == "," and depth == 0:
            cuts.append(i)
        return False

    scan(text, 0, cut)
    bounds = [-1] + cuts + [len(text)]
    parts = [text[a + 1:b].strip() for a, b in zip(bounds, bounds[1:])]
    return [part for part in parts if part]


def number(text):
    """A dumped scalar as a float: 50, -0, 0.9578263, &50 (a pointer to one value)."""
    return float(text.lstrip("&"))


def numbers(text):
    """A dumped array as floats: {1, 0, 0, 1} or &{...}; a single value (&50) as a list of one."""
    text = text.lstrip("&").strip()
    if not text.startswith("{"):
        return [float(text)]
    assert text.endswith("}"), "not an array: %r" % text
    return [float(part) for part in split_top(text[1:-1])]


ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"', "'": "'", "a": "\a",
           "b": "\b", "f": "\f", "v": "\v"}


def string(text):
    """A dumped C string literal ("..." or &"...") as text."""
    text = text.lstrip("&")
    assert len(text) >= 2 and text[0] == '"' and text[-1] == '"', "not a string: %r" % text
    body, out, i = text[1:-1], [], 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            digits = re.match(r"[0-7]{1,3}", body[i + 1:])
            if digits:
                out.append(chr(int(digits.group(), 8)))
                i += 1 + len(digits.group())
            else:
                out.append(ESCAPES.get(body[i + 1], body[i + 1]))
                i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def close(a, b, tolerance):
    """Whether two sequences of numbers have one length and agree within tolerance."""
    return len(a) == len(b) and all(abs(x - y) <= tolerance for x, y in zip(a, b))


# -- calls -----------------------------------------------------------------------------------
class Call:
    """One dumped call; args maps the argument names to their dumped texts, in order."""
    __slots__ = ("no", "name", "args_text", "ret", "fake", "_args")

    def __init__(self, no, name, args_text, ret, fake):
        self.no, self.name, self.args_text, self.ret, self.fake = no, name, args_text, ret, fake
        self._args = None

    @property
    def args(self):
        if self._args is None:
            self._args = {}
            for part in split_top(self.args_text):
                key, _, value = part.partition(" = ")
                self._args[key] = value
        return self._args

    def arg(self, name):
        return self.args[name]

    def num(self, name):
        return number(self.args[name])

    def nums(self, name):
        return numbers(self.args[name])

    def values(self):
        return list(self.args.values())

    def __repr__(self):
        text = "%d %s(%s)" % (self.no, self.name, self.args_text)
        if self.ret is not None:
            text += " = " + self.ret
        return text if len(text) < 300 else text[:297] + "..."


SIMPLE_LINE = re.compile(r"(\d+) (\w+)\((.*?)\)(?: = (.*?))?( // fake)?$")


def parse_line(line):
    """A Call from one line of `apitrace dump`, or None for comments and blank lines."""
    if '"' not in line:
        # Without strings, the first closing parenthesis that leaves a well-formed tail closes
        # the arguments (values such as blob(16) hold parentheses of their own).
        match = SIMPLE_LINE.match(line)
        if match:
            no, name, args_text, ret, fake = match.groups()
            return Call(int(no), name, args_text, ret, bool(fake))
    number_text, _, rest = line.partition(" ")
    opening = rest.find("(")
    if not number_text.isdigit() or opening < 0:
        return None
    closing = scan(rest, opening, lambda i, c, depth: c == ")" and depth == 0)
    if closing < 0:
        return None
    tail = rest[closing + 1:].strip()
    fake = tail.endswith("// fake")
    if fake:
        tail = tail[:-len("// fake")].strip()
    ret = tail[2:].strip() if tail.startswith("= ") else None
    return Call(int(number_text), rest[:opening], rest[opening + 1:closing], ret, fake)


def calls(trace_path, grep=None, only=None):
    """Yields the calls of a trace in order, all of them (-v keeps those that apitrace hides
    by default, such as glGetString). grep, a regular expression searched in the names, keeps
    only the calls it finds; only, ranges of call numbers ("0-99,250-300"), only those calls.
    Both are much faster on a long trace than reading all of it."""
    command = ["apitrace", "dump", "--color=never", "-v", "--multiline=false"]
    if grep:
        command.append("--grep=" + grep)
    if only:
        command.append("--calls=" + only)
    command.append(trace_path)
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True, errors="replace", bufsize=1 << 20)
    try:
        for line in process.stdout:
            call = parse_line(line.rstrip("\n"))
            if call is not None:
                yield call
    finally:
        process.stdout.close()
        if process.poll() is None:
            process.kill()
        process.wait()


def split_frames(calls):
    """(calls before the first frame, the frames from glClear to glXSwapBuffers, the calls
    between one frame and the next). A frame cut off at the end is left out."""
    start = next(i for i, call in enumerate(calls) if call.name == "glClear")
    frames, gaps, current, gap = [], [], None, []
    for call in calls[start:]:
        if current is None:
            if call.name == "glClear":
                gaps.append(gap)
                current, gap = [call], []
            else:
                gap.append(call)
            continue
        current.append(call)
        if call.name == "glXSwapBuffers":
            frames.append(current)
            current = None
    return calls[:start], frames, gaps[1:len(frames)]


# -- checking --------------------------------------------------------------------------------
def matches(call, expected):
    """Whether the call's arguments are the expected ones, all of them, in order. None takes
    anything, a callable judges the dumped text, a string must be the text, a number or a list
    of numbers is compared numerically."""
    values = call.values()
    if len(values) != len(expected):
        return False
    for text, want in zip(values, expected):
        try:
            if want is None:
                continue
            if callable(want):
                ok = want(text)
            elif isinstance(want, str):
                ok = text == want
            elif isinstance(want, (list, tuple)):
                ok = close(numbers(text), want, 1e-6)
            else:
                ok = abs(number(text) - want) <= 1e-6 * max(1.0, abs(want))
        except (ValueError, AssertionError):
            ok = False
        if not ok:
            return False
    return True


class Reader:
    """Walks a list of calls; on the first one that is not the expected one it fails the test
    and shows where, with the calls before it."""

    def __init__(self, test, calls, what):
        self.test, self.calls, self.what, self.index = test, calls, what, 0

    def peek(self):
        return self.calls[self.index] if self.index < len(self.calls) else None

    def fail(self, message):
        before = self.calls[max(0, self.index - 4):self.index]
        context = "\n".join("    %r" % call for call in before)
        self.test.fail("%s: %s\n  after:\n%s" % (self.what, message, context))

    def next(self):
        call = self.peek()
        if call is None:
            self.fail("the calls end early")
        self.index += 1
        return call

    def expect(self, names, *args):
        """The next call, which must have one of the names and the arguments."""
        call = self.next()
        names = (names,) if isinstance(names, str) else names
        if call.name not in names or not matches(call, args):
            self.fail("expected %s%r, found %r" % ("|".join(names), args, call))
        return call

    def skip_inside(self, library_function, name, *args):
        """Passes over what a function of GLU or freeglut does inside itself, up to the
        program's next own call, name(args), which is left to be read: another version of the
        library may make other calls there."""
        while self.peek() is not None and not (self.peek().name == name
                                               and matches(self.peek(), args)):
            self.index += 1
        if self.peek() is None:
            self.fail("no %s%r after %s" % (name, args, library_function))

    def optional(self, name, *args):
        """The next call if it is this one, else None and nothing is consumed."""
        call = self.peek()
        if call is not None and call.name == name and matches(call, args):
            self.index += 1
            return call
        return None

    def at_end(self):
        if self.peek() is not None:
            self.fail("unexpected call %r" % self.peek())
