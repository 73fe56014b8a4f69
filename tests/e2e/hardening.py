"""Whether a Linux program of ours is hardened as Debian's build flags harden a program, in the
words of hardening-check (devscripts), which reads an ELF file of any architecture."""
import subprocess

# What every program built with those flags has, on every architecture and Debian release:
# a position-independent executable, the stack protector, the fortified libc calls, read-only
# relocations and immediate binding.
# NOTE: hardening-check finds stack clash protection only in a function whose frame is large
# enough to need its probes (and on x86 alone), and control flow integrity only in a program
# whose every object, the C library's start files too, is marked for it, which Debian 12's are not.
HARDENED = ("Position Independent Executable", "Stack protected", "Fortify Source functions",
            "Read-only relocations", "Immediate binding")


def hardening(path):
    """{check: hardening-check's answer} for a program."""
    done = subprocess.run(["hardening-check", path], capture_output=True, text=True)
    report = dict(line.strip().split(": ", 1) for line in done.stdout.splitlines()[1:])
    assert report, "hardening-check said nothing of %s: %s" % (path, done.stderr)
    return report


def assert_hardened(test, path):
    report = hardening(path)
    # The answer's first word: "yes", "no" or "unknown", then at times why.
    test.assertEqual({check: report.get(check, "").split(",")[0].split(" (")[0]
                      for check in HARDENED},
                     {check: "yes" for check in HARDENED}, "hardening of %s: %s" % (path, report))
