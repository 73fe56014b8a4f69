"""The program of a foreign build (KX_BUILD_DIR: Windows or ARM), run here as its users get it,
from the files of its package, through the command that runs the target's programs here (the
build's KX_RUN_COMMAND: Wine or qemu-user)."""
import os
import subprocess

from harness import Session, manifest

BUILD_DIR = os.environ.get("KX_BUILD_DIR", "")
FACTS = manifest(BUILD_DIR) if BUILD_DIR else {}
# What takes a second or two natively: the emulated ARM program draws 1 to 4 frames a second.
SLOW = 90


class ForeignSession(Session):
    """The program started in a copy of a folder of its package's files.

    program: its path, relative to the folder where the package puts it there. Wine waits on a
    window manager whenever a window hides, so a Windows program runs under openbox; an ARM
    program runs on a bare Xvfb, where -geometry +0+0 puts its window wholly on the screen.
    env: what the runs add to the environment (a Wine prefix and its settings).
    """

    def __init__(self, files, program, env=None):
        assert FACTS, "KX_BUILD_DIR must be set (ctest sets it)"
        self.windows = FACTS["KX_SYSTEM"] == "windows"
        Session.__init__(self, desktop="openbox" if self.windows else "xvfb", files=files)
        self.env.update(env or {})
        self.command = FACTS["KX_RUN_COMMAND"].split() + [program]
        if not self.windows:
            self.command += ["-geometry", "+0+0"]

    def start_program(self, args=(), env=None):
        return self.start(command=self.command[0], args=self.command[1:] + list(args), env=env)

    def assert_quiet_exit(self, test):
        """Esc ends the program with status 0, and it wrote nothing."""
        self.key("Escape")
        test.assertEqual(self.wait_exit(SLOW), 0)
        test.assertEqual((self.stdout(), self.stderr()), ("", ""), "nothing is written")

    def close(self):
        if self.windows:
            subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        Session.close(self)
