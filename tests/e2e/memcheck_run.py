"""Runs the program under valgrind's memcheck with all its files, through the end-to-end
harness: first frame, a few keys, frames while the ball rolls, Esc. Then sorts valgrind's
findings into those in our own code and those in the libraries below it.

Usage (scripts/valgrind.sh sets the environment): memcheck_run.py <xml report>
Exit status 1 when an error or a definite leak lies in our code, or the run went wrong.
"""
import os
import sys
import xml.etree.ElementTree as ElementTree

import harness

SLOW = 900  # seconds: memcheck runs the driver many times slower
ALLOCATORS = ("malloc", "calloc", "realloc", "operator new", "operator new[]", "memalign",
              "posix_memalign", "aligned_alloc", "strdup")


def drive(xml_path):
    s = harness.Session()
    try:
        s.start(args=["--tool=memcheck", "--leak-check=full", "--show-leak-kinds=definite",
                      "--errors-for-leak-kinds=definite", "--num-callers=40",
                      # Mesa unloads its driver before the leak check; keep its symbols.
                      "--keep-debuginfo=yes", "--xml=yes", "--xml-file=" + xml_path,
                      harness.BINARY],
                command="valgrind")
        s.wait_window(timeout=SLOW)
        first = s.wait_frame(timeout=SLOW)
        s.key("Tab", "F1", "plus")
        s.key("space")
        # The camera follows the rolling ball, so a changed picture is a later frame.
        s.wait_change(first, threshold=2, region=(0, 0, 800, 100), timeout=SLOW,
                      what="frames of the rolling ball")
        s.key("Escape")
        status = s.wait_exit(SLOW)
        return status, s.stderr()
    finally:
        s.close()


def text(node, tag):
    found = node.find(tag)
    return found.text if found is not None and found.text else ""


def frames(error, which="stack"):
    stack = error.find(which)
    return [] if stack is None else stack.findall("frame")


def is_ours(frame):
    return os.path.realpath(text(frame, "obj")) == os.path.realpath(harness.BINARY)


def describe(frame):
    where = text(frame, "file")
    if where:
        where = "%s:%s" % (where, text(frame, "line"))
    return "%s (%s)" % (text(frame, "fn") or "?", where or os.path.basename(text(frame, "obj")))


def culprit(error):
    """The first frame that is neither valgrind's own replacement nor an allocator."""
    for frame in frames(error):
        obj = os.path.basename(text(frame, "obj"))
        if obj.startswith("vgpreload_") or text(frame, "fn").startswith(ALLOCATORS):
            continue
        return frame
    return None


def classify(xml_path):
    root = ElementTree.parse(xml_path).getroot()
    errors, leaks, ours = {}, {}, []
    for error in root.findall("error"):
        kind = text(error, "kind")
        top = culprit(error)
        mine = top is not None and is_ours(top)
        if kind.startswith("Leak_"):
            size = int(text(error.find("xwhat"), "leakedbytes") or 0)
            entry = leaks.setdefault(kind, [0, 0, 0])
            entry[0] += size
            entry[1] += size if mine else 0
            entry[2] += 1
        else:
            entry = errors.setdefault(kind, [0, 0])
            entry[0] += 1
            entry[1] += 1 if mine else 0
        if mine:
            what = text(error, "what") or text(error.find("xwhat"), "text")
            ours.append("%s: %s\n    %s" % (kind, what, "\n    ".join(
                describe(frame) for frame in frames(error)[:12])))
    return errors, leaks, ours


def main():
    xml_path = sys.argv[1]
    status, stderr = drive(xml_path)
    errors, leaks, ours = classify(xml_path)
    print("exit status %s" % status)
    print("errors (all / in our code): %s" % (
        ", ".join("%s %d/%d" % (k, v[0], v[1]) for k, v in sorted(errors.items())) or "none"))
    print("leaks in bytes (all / in our code): %s" % (
        ", ".join("%s %d/%d in %d records" % (k, v[0], v[1], v[2])
                  for k, v in sorted(leaks.items())) or "none"))
    for finding in ours:
        print(finding)
    if stderr:
        print("stderr of the program:\n" + stderr)
    return 0 if status == 0 and not ours else 1


if __name__ == "__main__":
    sys.exit(main())
