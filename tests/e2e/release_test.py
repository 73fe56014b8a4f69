"""What a release is made of. NEWS.md writes each release's version, date and notes once; the
build's version and time, the Debian changelog, the metainfo's releases, the manual page and
the release's notes all say the same. The source tarball holds every tracked file under one folder, owned by root,
with git's modes and the release's time, and its own unpacked copy, extracted under another
umask, makes it again byte for byte."""
import calendar
import datetime
import email.utils
import os
import re
import shutil
import subprocess
import tarfile
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from harness import ROOT, lib

BUILD_DIR = os.environ.get("KX_BUILD_DIR", "")
WEEKDAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]


def words(text):
    return " ".join(text.split())


def releases():
    """[(version, date, [note, ...])] of NEWS.md, the newest first."""
    with open(os.path.join(ROOT, "NEWS.md"), encoding="utf-8") as news:
        found = []
        for line in news:
            heading = re.match(r"^## (\d+\.\d+\.\d+) \((\d{4})-(\d\d)-(\d\d)\)$", line)
            if heading:
                found.append((heading.group(1), datetime.date(*map(int, heading.group(2, 3, 4))), []))
            elif found and line.startswith("- "):
                found[-1][2].append(line[2:])
            elif found and found[-1][2] and line.startswith("  "):
                found[-1][2][-1] += line
    return [(version, date, [words(note) for note in notes]) for version, date, notes in found]


def cache(name):
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt")) as entries:
        return re.search(r"^%s:\w+=(.*)$" % name, entries.read(), re.M).group(1)


class News(unittest.TestCase):
    def test_the_build_has_the_newest_releases_version_and_the_start_of_its_date(self):
        version, date, _ = releases()[0]
        self.assertEqual(cache("CMAKE_PROJECT_VERSION"), version)
        self.assertEqual(int(cache("KX_RELEASE_EPOCH")),
                         calendar.timegm((date.year, date.month, date.day, 0, 0, 0)))

    def test_the_changelog_metainfo_and_notes_say_what_news_says(self):
        expected = releases()
        self.assertGreaterEqual(len(expected), 2)
        path = os.path.join(BUILD_DIR, "packaging", "changelog")
        with open(path, encoding="utf-8") as changelog:
            text = changelog.read()
        entries = re.split(r"\n(?=kullerix \()", text.strip("\n"))
        self.assertEqual(len(entries), len(expected))
        for entry, (version, date, notes) in zip(entries, expected):
            self.assertTrue(entry.startswith("kullerix (%s) unstable; urgency=medium\n" % version))
            stamp = re.search(r"^ -- .+ <.+>  (.+)$", entry, re.M).group(1)
            when = email.utils.parsedate_to_datetime(stamp)
            self.assertEqual((when.date(), when.hour, when.utcoffset()),
                             (date, 0, datetime.timedelta(0)), stamp)
            self.assertEqual(stamp[:3], WEEKDAYS[date.weekday()], stamp)
            for note in notes:
                self.assertIn("* " + note, words(entry))
            self.assertTrue(all(len(line) <= 80 for line in entry.splitlines()[:-1]), entry)
        parsed = subprocess.run(["dpkg-parsechangelog", "-l", path, "--all", "--format", "rfc822"],
                                capture_output=True, text=True)
        self.assertEqual((re.findall(r"^Version: (.*)$", parsed.stdout, re.M), parsed.stderr),
                         ([version for version, _, _ in expected], ""))

        metainfo = os.path.join(BUILD_DIR, "packaging", "io.github.kullerix.Kullerix.metainfo.xml")
        listed = [(release.get("version"), release.get("date"),
                   [words("".join(item.itertext())) for item in release.iter("li")])
                  for release in ElementTree.parse(metainfo).getroot().iter("release")]
        self.assertEqual(listed, [(v, d.isoformat(), n) for v, d, n in expected])

        version, date, notes = expected[0]
        with open(os.path.join(BUILD_DIR, "packaging", "kullerix.6")) as page:
            self.assertEqual(page.readline().split()[:5],
                             [".TH", "KULLERIX", "6", date.isoformat(), '"Kullerix'])
            page.seek(0)
            self.assertIn('"Kullerix %s"' % version, page.readline())
        with open(os.path.join(BUILD_DIR, "release-notes.md"), encoding="utf-8") as published:
            text = published.read()
        self.assertTrue(text.startswith("# Kullerix %s\n" % version))
        self.assertIn(date.isoformat(), text)
        for note in notes:
            self.assertIn("- " + note, words(text))


class SourceTarball(unittest.TestCase):
    def test_holds_the_tracked_files_as_git_has_them_and_comes_again_from_its_own_copy(self):
        if subprocess.run(["git", "-C", ROOT, "rev-parse"], capture_output=True).returncode:
            self.skipTest("the source is no git checkout")
        scratch = tempfile.mkdtemp(prefix="kx-source-")
        self.addCleanup(shutil.rmtree, scratch, True)
        version, epoch = cache("CMAKE_PROJECT_VERSION"), int(cache("KX_RELEASE_EPOCH"))

        def tarball(tree, name):
            path = os.path.join(scratch, name)
            lib("release.sh", 'SOURCE_DATE_EPOCH=%d source_tarball "%s" %s "%s"'
                % (epoch, tree, version, path))
            return path

        made = tarball(ROOT, "made.tar.gz")
        tracked = {}
        for line in subprocess.run(["git", "-C", ROOT, "ls-files", "-s"], check=True,
                                   capture_output=True, text=True).stdout.splitlines():
            mode, _, _, name = line.split(None, 3)
            # A file that a change not yet committed removed is no longer part of the source.
            if os.path.lexists(os.path.join(ROOT, name)):
                tracked[name] = 0o755 if mode == "100755" else 0o644
        top = "kullerix-%s/" % version
        with tarfile.open(made) as archive:
            members = archive.getmembers()
        names = [member.name for member in members]
        self.assertEqual(names, sorted(names))
        self.assertEqual({name[len(top):] for name in names if name.startswith(top)}, set(tracked))
        self.assertEqual(len(names), len(tracked))
        for member in members:
            self.assertEqual((member.mtime, member.uid, member.gid, member.mode),
                             (epoch, 0, 0, tracked[member.name[len(top):]]), member.name)

        copy = os.path.join(scratch, "copy")
        os.mkdir(copy)
        subprocess.run(["bash", "-c", 'umask 077 && tar -xzf "$0" --no-same-permissions -C "$1"',
                        made, copy], check=True)
        with open(made, "rb") as first, open(tarball(os.path.join(copy, top), "again.tar.gz"),
                                             "rb") as second:
            self.assertTrue(first.read() == second.read(), "the copy's tarball differs")


if __name__ == "__main__":
    unittest.main()
