"""What a release is made of. NEWS.md writes each release's version, date and notes once, and the
build reads them; the build's version and time, the Debian changelog, the metainfo's releases,
the manual page and the release's notes all say what it wrote. The source tarball holds every
tracked file under one folder, owned by root, with git's modes and the release's time. The
release check builds the second release as it was told to build the first, and names the
packages that the two builds' records give at other versions. (That the release comes out the
same, byte for byte, is scripts/release.sh --check's to show.)"""
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

from harness import LIB, ROOT, lib, manifest

BUILD_DIR = os.environ.get("KX_BUILD_DIR", "")
WEEKDAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
READER = os.path.join(ROOT, "tests", "release", "print_releases.cmake")


def words(text):
    return " ".join(text.split())


def read_releases(text):
    """What the build reads of a text in NEWS.md's form: (the newest release as
    (version, date, epoch), [(version, date, changelog stamp, [note, ...])]), or the build's
    complaint as a string."""
    with tempfile.NamedTemporaryFile("w", suffix=".md") as news:
        news.write(text)
        news.flush()
        done = subprocess.run(["cmake", "-DKX_RELEASE_NOTES_FILE=" + news.name, "-P", READER],
                              capture_output=True, text=True)
    if done.returncode != 0:
        return words(done.stderr)
    newest, releases = None, []
    for line in done.stderr.splitlines():
        kind, _, rest = line.partition(" ")
        if kind == "newest":
            version, date, epoch = rest.split()
            newest = (version, date, int(epoch))
        elif kind == "release":
            version, date, stamp = rest.split(" ", 2)
            releases.append((version, date, stamp, []))
        elif kind == "note":
            releases[-1][3].append(rest)
    return newest, releases


class News(unittest.TestCase):
    def test_the_build_reads_versions_dates_and_notes_from_the_form_of_news(self):
        newest, releases = read_releases(
            "# Releases\n\nWords before the first release are the file's own.\n\n"
            "## 2.0.10 (2024-02-29)\n\n- A leap day,\n  written on two lines; kept [whole.\n"
            "- And a second point.\n\n"
            "## 2.0.9 (2000-03-01)\n\n- The day after a leap day of a 400th year.\n\n"
            "## 0.1.0 (1970-01-01)\n\n- The first day.\n")
        # 2024-02-29 00:00 UTC is 19782 days after 1970-01-01, a Thursday; it was a Thursday too.
        self.assertEqual(newest, ("2.0.10", "2024-02-29", 19782 * 86400))
        self.assertEqual(releases, [
            ("2.0.10", "2024-02-29", "Thu, 29 Feb 2024 00:00:00 +0000",
             ["A leap day, written on two lines; kept [whole.", "And a second point."]),
            ("2.0.9", "2000-03-01", "Wed, 01 Mar 2000 00:00:00 +0000",
             ["The day after a leap day of a 400th year."]),
            ("0.1.0", "1970-01-01", "Thu, 01 Jan 1970 00:00:00 +0000", ["The first day."])])

    def test_the_build_refuses_news_it_cannot_read_and_says_why(self):
        for text, complaint in (
                ("## 3.0.0 (2026-01-02)\n\n- Old.\n\n## 3.1.0 (2026-01-03)\n\n- New.\n",
                 "3.1.0 comes after 3.0.0: the newest release comes first"),
                ("## 1.0 (2026-01-02)\n\n- A version of two numbers.\n",
                 'the heading "## 1.0 (2026-01-02)" is not "## VERSION (YYYY-MM-DD)"'),
                ("## 3.0.0 (2026-01-02)\n\nA line that is no point.\n",
                 '"A line that is no point." is neither a point'),
                ("## 3.0.0 (2026-01-02)\n\n## 2.9.0 (2026-01-01)\n\n- Old.\n",
                 "release 3.0.0 has no notes"),
                ("# Releases\n\nNone yet.\n", "names no release")):
            with self.subTest(complaint):
                self.assertIn(complaint, read_releases(text))

    def test_the_build_changelog_metainfo_manual_and_notes_say_what_news_says(self):
        facts = manifest(BUILD_DIR)
        with open(os.path.join(ROOT, "NEWS.md"), encoding="utf-8") as news:
            written = words(news.read())
        path = os.path.join(BUILD_DIR, "packaging", "changelog")
        with open(path, encoding="utf-8") as changelog:
            text = changelog.read()
        entries = re.split(r"\n(?=kullerix \()", text.strip("\n"))
        parsed = subprocess.run(["dpkg-parsechangelog", "-l", path, "--all", "--format", "rfc822"],
                                capture_output=True, text=True)
        self.assertEqual(parsed.stderr, "")
        versions = re.findall(r"^Version: (.*)$", parsed.stdout, re.M)
        self.assertEqual(len(versions), len(entries))
        self.assertEqual(written.count(" ## ") + written.startswith("## "), len(entries),
                         "an entry for every release of NEWS.md")
        expected = []
        for entry, version in zip(entries, versions):
            self.assertTrue(entry.startswith("kullerix (%s) unstable; urgency=medium\n" % version))
            stamp = re.search(r"^ -- .+ <.+>  (.+)$", entry, re.M).group(1)
            when = email.utils.parsedate_to_datetime(stamp)
            self.assertEqual((when.hour, when.minute, when.utcoffset()), (0, 0, datetime.timedelta(0)))
            self.assertEqual(stamp[:3], WEEKDAYS[when.weekday()], stamp)
            self.assertIn("## %s (%s)" % (version, when.date().isoformat()), written)
            notes = [words(note) for note in re.findall(r"^  \* (.*(?:\n    .*)*)", entry, re.M)]
            self.assertTrue(notes, entry)
            for note in notes:
                self.assertIn("- " + note, written)
            self.assertTrue(all(len(line) <= 80 for line in entry.splitlines()[:-1]), entry)
            expected.append((version, when.date(), notes))

        version, date, notes = expected[0]
        self.assertEqual((facts["KX_VERSION"], facts["KX_RELEASE_DATE"]), (version, date.isoformat()))
        self.assertEqual(int(facts["KX_RELEASE_EPOCH"]),
                         calendar.timegm((date.year, date.month, date.day, 0, 0, 0)))

        metainfo = os.path.join(BUILD_DIR, "packaging", "io.github.kullerix.Kullerix.metainfo.xml")
        listed = [(release.get("version"), release.get("date"),
                   [words("".join(item.itertext())) for item in release.iter("li")])
                  for release in ElementTree.parse(metainfo).getroot().iter("release")]
        self.assertEqual(listed, [(v, d.isoformat(), n) for v, d, n in expected])

        with open(os.path.join(BUILD_DIR, "packaging", "kullerix.6")) as page:
            self.assertEqual(page.readline().split()[:6],
                             [".TH", "KULLERIX", "6", date.isoformat(), '"Kullerix', version + '"'])
        with open(os.path.join(BUILD_DIR, "release-notes.md"), encoding="utf-8") as published:
            text = published.read()
        self.assertTrue(text.startswith("# Kullerix %s\n" % version))
        self.assertIn(date.isoformat(), text)
        for note in notes:
            self.assertIn("- " + note, words(text))


class Readme(unittest.TestCase):
    def test_readme_repeats_what_the_build_says_and_names_no_version(self):
        """README.md is written by hand: what it repeats of the facts that the build takes from
        one place must agree with them, and it spells file names with VERSION."""
        with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as readme:
            text = readme.read()
        controls = text.split("\n## Controls\n", 1)[1].split("\n## ", 1)[0]
        rows = [tuple(cell.replace("`", "").strip() for cell in row.split("|")[1:3])
                for row in controls.splitlines() if row.startswith("| ") and "---" not in row]
        with open(os.path.join(ROOT, "data", "keys.txt"), encoding="utf-8") as keys:
            listed = [tuple(line.rstrip("\n").split(": ", 1)) for line in keys
                      if not line.startswith("#")]
        self.assertEqual(rows[1:], listed, "the README's table of keys")
        with open(os.path.join(BUILD_DIR, "packaging", "kullerix.6")) as page:
            summary = re.search(r"^kullerix \\- (.*)$", page.read(), re.M).group(1)
        self.assertIn("Kullerix is a %s " % summary, words(text))
        with open(os.path.join(BUILD_DIR, "CPackConfig.cmake")) as cpack:
            maintainer = re.search(r'^set\(CPACK_DEBIAN_PACKAGE_MAINTAINER "(.*)"\)$', cpack.read(),
                                   re.M).group(1)
        self.assertIn("`%s`" % maintainer, text, "the maintainer that a package names by default")
        self.assertNotIn(manifest(BUILD_DIR)["KX_VERSION"], text)


class SourceTarball(unittest.TestCase):
    def test_holds_the_tracked_files_as_git_has_them(self):
        if subprocess.run(["git", "-C", ROOT, "rev-parse"], capture_output=True).returncode:
            self.skipTest("the source is no git checkout")
        scratch = tempfile.mkdtemp(prefix="kx-source-")
        self.addCleanup(shutil.rmtree, scratch, True)
        facts = manifest(BUILD_DIR)
        version, epoch = facts["KX_VERSION"], int(facts["KX_RELEASE_EPOCH"])
        made = os.path.join(scratch, "made.tar.gz")
        lib("release.sh", 'SOURCE_DATE_EPOCH=%d source_tarball "%s" %s "%s"'
            % (epoch, ROOT, version, made))
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



class ReleaseFiles(unittest.TestCase):
    """make_release, with the builds, cpack, the bill of materials and the record of the build
    standing in, takes each build's packages as its manifest names them, the data package
    once."""

    def make(self, armhf_data):
        scratch = tempfile.mkdtemp(prefix="kx-release-")
        self.addCleanup(shutil.rmtree, scratch, True)
        stand_ins = r"""
cross_targets=(windows arm64 armhf)
# names FOLDER PACKAGE...: FOLDER's manifest, naming its packages as the build would.
names() {
  local folder=$1 deb= data= zip= installer= package
  shift
  for package in "$@"; do
    case $package in
      kullerix-data_*) data=$folder/$package ;;
      *.deb) deb=$folder/$package ;;
      *.zip) zip=$folder/$package ;;
      *.exe) installer=$folder/$package ;;
    esac
  done
  mkdir -p "$folder"
  echo "# Kullerix 9.8.7" >"$folder/release-notes.md"
  printf 'KX_VERSION="9.8.7"\nKX_RELEASE_EPOCH="0"\nKX_PACKAGES="%s"\nKX_DEB="%s"\n' \
    "$(printf "$folder/%s " "$@")" "$deb" >"$folder/manifest.env"
  printf 'KX_DATA_DEB="%s"\nKX_ZIP="%s"\nKX_INSTALLER="%s"\n' "$data" "$zip" "$installer" \
    >>"$folder/manifest.env"
}
cmake() { [[ $1 != -S ]] || names "$4" kullerix_9.8.7_amd64.deb kullerix-data_9.8.7_all.deb; }
cpack() { echo amd64 >kullerix_9.8.7_amd64.deb; echo data >kullerix-data_9.8.7_all.deb; }
python3() { echo "the bill of materials"; }
buildinfo() { echo "the record of the build"; }
build_cross() {
  if [[ $1 == windows ]]; then
    names "$3" k.zip k.exe && echo zip >"$3/k.zip" && echo exe >"$3/k.exe"
  else
    names "$3" "kullerix_9.8.7_$1.deb" kullerix-data_9.8.7_all.deb
    echo "$1" >"$3/kullerix_9.8.7_$1.deb"
    if [[ $1 == armhf ]]; then echo "$ARMHF_DATA"; else echo data; fi \
      >"$3/kullerix-data_9.8.7_all.deb"
  fi
}
set -e
source "$(dirname "$0")/manifest.sh"
make_release "$KX_ROOT"
"""
        done = subprocess.run(["bash", "-c", 'source "$0" && ' + stand_ins,
                               os.path.join(ROOT, "scripts", "lib", "release.sh")],
                              env=dict(os.environ, KX_ROOT=scratch, ARMHF_DATA=armhf_data),
                              capture_output=True, text=True)
        dist = os.path.join(scratch, "build", "dist")
        return done, sorted(os.listdir(dist)), dist

    def test_holds_the_data_package_once_and_refuses_a_foreign_builds_that_differs(self):
        done, files, dist = self.make("data")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(files, ["k.exe", "k.zip", "kullerix-9.8.7-notes.md",
                                 "kullerix-9.8.7.buildinfo", "kullerix-9.8.7.spdx",
                                 "kullerix-9.8.7.tar.gz", "kullerix-data_9.8.7_all.deb",
                                 "kullerix_9.8.7_amd64.deb", "kullerix_9.8.7_arm64.deb",
                                 "kullerix_9.8.7_armhf.deb"])
        with open(os.path.join(dist, "kullerix-9.8.7-notes.md")) as notes:
            text = words(notes.read())
        self.assertIn("sudo apt-get install ./kullerix_9.8.7_amd64.deb "
                      "./kullerix-data_9.8.7_all.deb", text)
        self.assertIn("`kullerix-data_9.8.7_all.deb`: ", text)

        done, files, dist = self.make("other data")
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("armhf/kullerix-data_9.8.7_all.deb differs", done.stderr)


class ReleaseCheck(unittest.TestCase):
    def setUp(self):
        # A first release whose source's scripts/release.sh only notes how it was called and
        # makes the first release's files again, with the record of the build in KX_RECORD.
        self.scratch = tempfile.mkdtemp(prefix="kx-check-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.first = os.path.join(self.scratch, "first")
        os.makedirs(os.path.join(self.first, "build", "dist-work", "host"))
        with open(os.path.join(self.first, "build", "dist-work", "host", "manifest.env"),
                  "w") as facts:
            facts.write('KX_VERSION="9.8.7"\n')
        source = os.path.join(self.scratch, "kullerix-9.8.7")
        os.makedirs(os.path.join(source, "scripts"))
        release = os.path.join(source, "scripts", "release.sh")
        with open(release, "w") as script:
            script.write('#!/bin/sh\necho "$*" >>"$KX_CALLS"\nmkdir -p build/dist\n'
                         'cp "$KX_FIRST" build/dist/\n'
                         'cp "$KX_RECORD" build/dist/kullerix-9.8.7.buildinfo\n')
        os.chmod(release, 0o755)
        self.tarball = os.path.join(self.first, "build", "dist", "kullerix-9.8.7.tar.gz")
        os.makedirs(os.path.dirname(self.tarball))
        subprocess.run(["tar", "-czf", self.tarball, "-C", self.scratch, "kullerix-9.8.7"],
                       check=True)
        self.record = os.path.join(self.first, "build", "dist", "kullerix-9.8.7.buildinfo")
        with open(self.record, "w") as record:
            record.write("Format: 1.0\nInstalled-Build-Depends:\n dpkg (= 1.21.22),\n"
                         " libc6:amd64 (= 2.36-9+deb12u9)\n")

    def check(self, arguments, record):
        calls = os.path.join(self.scratch, "calls" + arguments)
        env = dict(os.environ, KX_CALLS=calls, KX_FIRST=self.tarball, KX_RECORD=record)
        done = subprocess.run(["bash", "-c", 'source "$0" && source "$1" && source "$2" && '
                               'check_release "$3" ' + arguments]
                              + [os.path.join(LIB, name) for name in
                                 ("manifest.sh", "buildinfo.sh", "release.sh")] + [self.first],
                              env=env, capture_output=True, text=True)
        with open(calls) as made:
            self.assertEqual(made.read(), arguments + "\n")
        return done

    def test_builds_the_second_release_with_the_first_ones_arguments(self):
        for arguments in ("", "--any-release", "--as-signed openpgp"):
            with self.subTest(arguments=arguments):
                done = self.check(arguments, self.record)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertIn("The two builds are identical", done.stdout)

    def test_names_the_packages_that_the_second_build_had_at_other_versions(self):
        other = os.path.join(self.scratch, "other.buildinfo")
        with open(other, "w") as record:
            record.write("Format: 1.0\nInstalled-Build-Depends:\n dpkg (= 1.21.22),\n"
                         " libc6:amd64 (= 2.36-9+deb12u10)\n")
        done = self.check("", other)
        # A failed check keeps its second build to be looked at, and says where.
        kept = re.search(r"^release: the second build is in (/\S+)/kullerix-9\.8\.7$",
                         done.stderr, re.M)
        self.assertTrue(kept, done.stderr)
        self.addCleanup(shutil.rmtree, kept.group(1), True)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("the two builds were made with other packages", done.stderr)
        self.assertIn("\n  libc6:amd64: 2.36-9+deb12u9, 2.36-9+deb12u10\n", done.stderr)
        self.assertNotIn("dpkg", done.stderr)


if __name__ == "__main__":
    unittest.main()
