"""The record of the build that a release holds (kullerix-VERSION.buildinfo), in the form of
Debian's .buildinfo files: the Debian release and architecture it was built on, the environment
that changes what the builds make, the checksums of the release's other files and every
installed package with its version. Made again elsewhere, later, in another time zone, umask and
locale, it is the same; and two records that differ are told apart by their packages' versions.
(That the check compares the two builds' records is release_test's.)"""
import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import LIB

FIELDS = ["Format", "Source", "Version", "Build-Origin", "Build-Architecture", "Environment",
          "Build-Flags", "Checksums-Sha256", "Installed-Build-Depends"]
FILES = {"kullerix-9.8.7.tar.gz": b"the source\n" * 50, "Kullerix-9.8.7-win64.zip": b"PK\3\4",
         "kullerix_9.8.7_amd64.deb": b"!<arch>\n" + bytes(range(256))}


def output(command, *args, env=None):
    return subprocess.run(["bash", "-c", 'source "$0/manifest.sh" && source "$0/buildinfo.sh" && '
                           + command, LIB] + list(args),
                          env=env, check=True, capture_output=True, text=True).stdout


def fields(text):
    """[(name, [value line, ...])] of a deb822 paragraph; a field's first value is the text after
    its colon, where there is some."""
    parsed = []
    for line in text.splitlines():
        if line.startswith(" "):
            parsed[-1][1].append(line[1:])
        else:
            name, value = line.split(":", 1)
            parsed.append((name, [value.strip()] if value.strip() else []))
    return parsed


def os_release(name):
    with open("/etc/os-release") as release:
        for line in release:
            key, _, value = line.rstrip("\n").partition("=")
            if key == name:
                return value.strip('"')


class Record(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="kx-record-")
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def release(self, name):
        """A folder of release files under the scratch folder, and the source folder beside it."""
        folder = os.path.join(self.scratch, name, "dist")
        os.makedirs(folder)
        for file, data in FILES.items():
            with open(os.path.join(folder, file), "wb") as f:
                f.write(data)
        return folder, os.path.join(self.scratch, name, "source tree")

    def builds(self, root):
        """Two build folders in the source tree, a Linux one and a Windows one, each with the
        flags of its manifest."""
        folders = []
        for name, arch, cflags, ldflags in (
                ("host", "amd64", "-D_FORTIFY_SOURCE=2 -ffile-prefix-map=%s=. -O3" % root,
                 "-Wl,-z,relro -Wl,-z,now"),
                ("windows", "win64", "-fstack-protector-strong -O3", "")):
            folder = os.path.join(root, "build", name)
            os.makedirs(folder)
            with open(os.path.join(folder, "manifest.env"), "w") as manifest:
                manifest.write('# facts\nKX_ARCH="%s"\nKX_CFLAGS="%s"\nKX_CXXFLAGS="%s -std=c++17"\n'
                               'KX_LDFLAGS="%s"\n' % (arch, cflags, cflags, ldflags))
            folders.append(folder)
        return folders

    def record(self, folder, root, shell="", **settings):
        env = {name: value for name, value in os.environ.items()
               if name not in ("SOURCE_DATE_EPOCH", "CC", "CXX", "CFLAGS", "CXXFLAGS", "LDFLAGS")}
        env.update(settings, SOURCE_DATE_EPOCH="1796774400",
                   CFLAGS="-ffile-prefix-map=%s/= -O2" % root,
                   CXXFLAGS="-ffile-prefix-map=%s/=" % root)
        return output(shell + 'buildinfo "$1" 9.8.7 "$2" "${@:3}"', folder, root,
                      *self.builds(root), env=env)

    def test_names_the_release_system_environment_checksums_and_packages(self):
        folder, root = self.release("first")
        record = fields(self.record(folder, root))
        self.assertEqual([name for name, _ in record], FIELDS)
        values = dict(record)
        self.assertEqual(values["Format"], ["1.0"])
        self.assertEqual((values["Source"], values["Version"]), (["kullerix"], ["9.8.7"]))
        self.assertEqual(values["Build-Origin"], [os_release("PRETTY_NAME")])
        self.assertIn(os_release("VERSION_ID"), values["Build-Origin"][0])
        architecture = subprocess.run(["dpkg", "--print-architecture"], check=True,
                                      capture_output=True, text=True).stdout.strip()
        self.assertEqual(values["Build-Architecture"], [architecture])
        # What is set of what changes the bytes, the source's folder written as a word.
        self.assertEqual(values["Environment"], ['SOURCE_DATE_EPOCH="1796774400"',
                                                 'CFLAGS="-ffile-prefix-map=<source>/= -O2"',
                                                 'CXXFLAGS="-ffile-prefix-map=<source>/="'])
        # Each build's flags, by its architecture, in the order the builds are given.
        self.assertEqual(values["Build-Flags"], [
            'amd64 CFLAGS="-D_FORTIFY_SOURCE=2 -ffile-prefix-map=<source>=. -O3"',
            'amd64 CXXFLAGS="-D_FORTIFY_SOURCE=2 -ffile-prefix-map=<source>=. -O3 -std=c++17"',
            'amd64 LDFLAGS="-Wl,-z,relro -Wl,-z,now"',
            'win64 CFLAGS="-fstack-protector-strong -O3"',
            'win64 CXXFLAGS="-fstack-protector-strong -O3 -std=c++17"',
            'win64 LDFLAGS=""'])
        # Sorted as bytes: capitals first.
        self.assertEqual(values["Checksums-Sha256"], [
            "%s %d %s" % (hashlib.sha256(FILES[name]).hexdigest(), len(FILES[name]), name)
            for name in ("Kullerix-9.8.7-win64.zip", "kullerix-9.8.7.tar.gz",
                         "kullerix_9.8.7_amd64.deb")])

        packages = values["Installed-Build-Depends"]
        self.assertTrue(all(line.endswith("),") for line in packages[:-1]), packages[-1])
        self.assertTrue(packages[-1].endswith(")"))
        names = [line.split(" (= ")[0] for line in packages]
        self.assertEqual(names, sorted(names))

        def version(package):
            return subprocess.run(["dpkg-query", "-W", "-f", "${Version}", package], check=True,
                                  capture_output=True, text=True).stdout
        # dpkg is installed for one architecture at a time; libc6 for several at once.
        self.assertIn("dpkg (= %s)," % version("dpkg"), packages)
        self.assertIn("libc6:%s (= %s)," % (architecture, version("libc6:" + architecture)),
                      packages)
        self.assertNotIn("libc6", names)

    def test_is_the_same_made_again_elsewhere_in_another_time_zone_umask_and_locale(self):
        folder, root = self.release("first")
        first = self.record(folder, root)
        folder, root = self.release("second")
        second = self.record(folder, root, shell="umask 077 && cd / && ", TZ="KXT-14",
                             LC_ALL="C.UTF-8", LANG="C.UTF-8")
        self.assertEqual(first, second)
        self.assertNotIn(self.scratch, first)


RECORD = """Format: 1.0
Source: kullerix
Version: 9.8.7
Build-Origin: Debian GNU/Linux 12 (bookworm)
Build-Architecture: amd64
Environment:
 SOURCE_DATE_EPOCH="1796774400"
Checksums-Sha256:
 %s 4 Kullerix-9.8.7-win64.zip
Installed-Build-Depends:
%s"""


class DifferingPackages(unittest.TestCase):
    def differing(self, first, second):
        scratch = tempfile.mkdtemp(prefix="kx-records-")
        self.addCleanup(shutil.rmtree, scratch, True)
        paths = [os.path.join(scratch, name) for name in ("first", "second")]
        for path, text in zip(paths, (first, second)):
            with open(path, "w") as record:
                record.write(text)
        return output('differing_packages "$1" "$2"', *paths).splitlines()

    def test_names_the_packages_at_other_versions_or_in_one_record_alone(self):
        first = RECORD % ("0" * 64, " dpkg (= 1.21.22),\n libc6:amd64 (= 2.36-9+deb12u9),\n"
                          " libc6:arm64 (= 2.36-9+deb12u9),\n old-tool (= 1.0),\n zstd (= 1.5.4)\n")
        second = RECORD % ("1" * 64, " dpkg (= 1.21.22),\n libc6:amd64 (= 2.36-9+deb12u10),\n"
                           " libc6:arm64 (= 2.36-9+deb12u9),\n new-tool (= 2:0.1-1),\n"
                           " zstd (= 1.5.4)\n")
        self.assertEqual(self.differing(first, second),
                         ["libc6:amd64: 2.36-9+deb12u9, 2.36-9+deb12u10",
                          "new-tool: none, 2:0.1-1",
                          "old-tool: 1.0, none"])
        self.assertEqual(self.differing(second, second.replace("1" * 64, "2" * 64)), [],
                         "other checksums are no other packages")


if __name__ == "__main__":
    unittest.main()
