"""A release's OpenPGP signature and what its notes say of its signatures. A release signed with
--sign carries SHA256SUMS.asc, which gpgv verifies with the signer's public key alone, and which
fails once a byte of SHA256SUMS changes, as sha256sum -c fails once a byte of a file does. The
notes list every file of the release and say whether, and with what, it is signed. (The Windows
files' Authenticode signatures are windows_test's, with the Windows build.)"""
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import LIB, flip_a_byte, lib


def run(*args, **kwargs):
    return subprocess.run(list(args), capture_output=True, text=True, **kwargs)


class OpenPgpSignature(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="kx-sign-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        home = os.path.join(self.scratch, "gnupg")
        os.mkdir(home, 0o700)
        self.env = dict(os.environ, GNUPGHOME=home)
        self.addCleanup(run, "gpgconf", "--kill", "all", env=self.env)
        made = run("gpg", "--batch", "--passphrase", "", "--quick-gen-key",
                   "Kullerix test signer <signer@kullerix.invalid>", "ed25519", "sign", "never",
                   env=self.env)
        self.assertEqual(made.returncode, 0, made.stderr)
        listed = run("gpg", "--with-colons", "--list-secret-keys", env=self.env).stdout
        self.fingerprint = next(line.split(":")[9] for line in listed.splitlines()
                                if line.startswith("fpr:"))
        self.keyring = os.path.join(self.scratch, "signer.gpg")
        with open(self.keyring, "wb") as keyring:
            subprocess.run(["gpg", "--export", self.fingerprint], env=self.env, stdout=keyring,
                           check=True)
        self.release = os.path.join(self.scratch, "dist")
        os.mkdir(self.release)
        for name, text in (("kullerix-9.8.7.tar.gz", "the source"), ("kullerix_9.8.7_amd64.deb",
                                                                      "a package")):
            with open(os.path.join(self.release, name), "w") as f:
                f.write(text * 100)

    def gpgv(self):
        return run("gpgv", "--keyring", self.keyring, "SHA256SUMS.asc", "SHA256SUMS",
                   cwd=self.release)

    def test_gpgv_verifies_the_signed_checksums_and_a_changed_byte_fails(self):
        lib("release.sh", 'write_checksums "%s"' % self.release)
        lib("signing.sh", 'sign_checksums "%s" %s' % (self.release, self.fingerprint), env=self.env)
        with open(os.path.join(self.release, "SHA256SUMS.asc")) as signature:
            self.assertTrue(signature.read().startswith("-----BEGIN PGP SIGNATURE-----\n"))
        with open(os.path.join(self.release, "SHA256SUMS")) as sums:
            self.assertEqual([line.split("  ")[1] for line in sums.read().splitlines()],
                             ["kullerix-9.8.7.tar.gz", "kullerix_9.8.7_amd64.deb"])
        verified = self.gpgv()
        self.assertEqual(verified.returncode, 0, verified.stderr)
        self.assertIn('Good signature from "Kullerix test signer', verified.stderr)
        self.assertIn(self.fingerprint[-16:], verified.stderr.replace(" ", ""))
        self.assertEqual(run("sha256sum", "-c", "SHA256SUMS", cwd=self.release).returncode, 0)

        flip_a_byte(os.path.join(self.release, "kullerix_9.8.7_amd64.deb"), 50)
        self.assertEqual(self.gpgv().returncode, 0, "the checksums themselves are as signed")
        checked = run("sha256sum", "-c", "SHA256SUMS", cwd=self.release)
        self.assertNotEqual(checked.returncode, 0)
        self.assertIn("kullerix_9.8.7_amd64.deb: FAILED", checked.stdout)
        flip_a_byte(os.path.join(self.release, "SHA256SUMS"), 10)
        refused = self.gpgv()
        self.assertNotEqual(refused.returncode, 0)
        self.assertIn("BAD signature", refused.stderr)

    def test_a_key_without_its_secret_part_is_refused_before_anything_is_built(self):
        def check(env):
            return subprocess.run(["bash", "-c", 'source "$0" && check_signing_keys "$1"',
                                   os.path.join(LIB, "signing.sh"), self.fingerprint],
                                  env=env, capture_output=True, text=True)
        self.assertEqual(check(self.env).returncode, 0)
        elsewhere = dict(self.env, GNUPGHOME=os.path.join(self.scratch, "other"))
        os.mkdir(elsewhere["GNUPGHOME"], 0o700)
        self.addCleanup(run, "gpgconf", "--kill", "all", env=elsewhere)
        subprocess.run(["gpg", "--import", self.keyring], env=elsewhere, capture_output=True,
                       check=True)
        refused = check(elsewhere)
        self.assertNotEqual(refused.returncode, 0)
        self.assertIn("gpg has no secret key " + self.fingerprint, refused.stderr)


class Notes(unittest.TestCase):
    """The notes of a release whose builds' manifests name these packages."""
    PACKAGES = {"host": 'KX_DEB="/b/kullerix_9.8.7_amd64.deb"',
                "arm64": 'KX_DEB="/b/kullerix_9.8.7_arm64.deb"',
                "armhf": 'KX_DEB="/b/kullerix_9.8.7_armhf.deb"',
                "windows": 'KX_ZIP="/b/Kullerix-9.8.7-win64.zip"\n'
                           'KX_INSTALLER="/b/Kullerix-9.8.7-win64.exe"'}

    def notes(self, signed):
        work = tempfile.mkdtemp(prefix="kx-notes-")
        self.addCleanup(shutil.rmtree, work, True)
        for build, facts in self.PACKAGES.items():
            os.mkdir(os.path.join(work, build))
            with open(os.path.join(work, build, "manifest.env"), "w") as manifest:
                manifest.write(facts + "\n")
        with open(os.path.join(work, "host", "release-notes.md"), "w") as notes:
            notes.write("# Kullerix 9.8.7\n\n- A point.\n")
        return lib("release.sh", 'source "$(dirname "$0")/manifest.sh" && release_notes "%s" '
                   'kullerix-9.8.7.tar.gz kullerix-9.8.7.spdx kullerix-9.8.7.buildinfo "%s"'
                   % (work, signed))

    def test_list_every_file_and_say_what_signs_the_release(self):
        files = ["kullerix-9.8.7.tar.gz", "kullerix_9.8.7_amd64.deb", "kullerix_9.8.7_arm64.deb",
                 "kullerix_9.8.7_armhf.deb", "Kullerix-9.8.7-win64.zip", "Kullerix-9.8.7-win64.exe",
                 "kullerix-9.8.7.spdx", "kullerix-9.8.7.buildinfo", "SHA256SUMS"]
        for signed in ("", "openpgp", "openpgp+authenticode"):
            with self.subTest(signed=signed):
                text = " ".join(self.notes(signed).split())
                self.assertTrue(text.startswith("# Kullerix 9.8.7 - A point. ## Files"), text)
                for name in files:
                    self.assertIn("`%s`" % name, text)
                self.assertEqual("`SHA256SUMS.asc`" in text, bool(signed))
                self.assertEqual("This release is not signed" in text, not signed)
                self.assertEqual("gpg --verify SHA256SUMS.asc SHA256SUMS" in text, bool(signed))
                self.assertEqual("osslsigncode verify" in text, signed == "openpgp+authenticode")
                self.assertEqual("Windows program and installer are not signed" in text,
                                 signed == "openpgp")


if __name__ == "__main__":
    unittest.main()
