"""Writes a release's bill of materials to standard output: an SPDX 2.3 document, tag-value.

Usage: python3 packaging/bill_of_materials.py DIST BUILD...

DIST holds the release's files. Each BUILD is a build folder whose manifest.env names packages
that DIST holds; the first is the build for this machine. The document lists every file of DIST
but the checksums, their signature and the build's record, each with its SHA-256 and what it
holds; for the Windows files the projects that kullerix.exe carries, linked statically, with
the Debian package, version and licence they came from (the Windows build's list, made from
dpkg's records); for the Debian packages what their Depends names. Nothing in it depends on when
or where it is made: its time is the release's date, and its namespace is made of the version
and the files' checksums.
"""
import hashlib
import os
import re
import shlex
import subprocess
import sys
import zipfile

# What the licences of Debian's copyright files are called in SPDX's list. Any other name
# becomes a LicenseRef of its own, which the document says where to read.
SPDX_NAMES = {"MIT/X11": "X11", "expat": "MIT", "Expat": "MIT", "MIT": "MIT",
              "ZPL-2.1": "ZPL-2.1", "ISC": "ISC", "BSD-3-clause": "BSD-3-Clause",
              "BSD-2-clause": "BSD-2-Clause", "GPL-3+": "GPL-3.0-or-later",
              "GCC-exception-3.1": "GCC-exception-3.1", "bitstream-vera": "Bitstream-Vera"}
# Left out: the files that describe the others.
DESCRIBING = re.compile(r"^SHA256SUMS(\.asc)?$|\.buildinfo$|\.spdx$")


def manifest(folder):
    with open(os.path.join(folder, "manifest.env")) as lines:
        return dict(shlex.split(line)[0].split("=", 1) for line in lines if line[0] != "#")


def sha256(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


def text(words):
    return "<text>%s</text>" % words.replace("</text>", "</ text>")


def spdx_id(*parts):
    return "SPDXRef-" + re.sub(r"[^A-Za-z0-9.-]+", "-", "-".join(parts)).strip("-")


class Document:
    def __init__(self):
        self.lines, self.references = [], {}

    def add(self, *lines):
        self.lines.extend(lines)

    def licence(self, debian_name):
        """An SPDX licence expression for a licence as a Debian copyright file names it."""
        def one(name):
            name = name.strip()
            if name in SPDX_NAMES:
                return SPDX_NAMES[name]
            reference = "LicenseRef-" + re.sub(r"[^A-Za-z0-9.-]+", "-", name)
            self.references.setdefault(reference, name)
            return reference
        # WITH binds before AND: no term needs brackets.
        return " AND ".join(" WITH ".join(one(part) for part in term.split(" with "))
                            for term in debian_name.split(" and "))

    def package(self, reference, name, version, summary, licence, copyright, comment=None,
                path=None, supplier=None, source=None):
        self.add("", "##### " + (os.path.basename(path) if path else name), "",
                 "PackageName: " + name, "SPDXID: " + reference, "PackageVersion: " + version)
        if path:
            self.add("PackageFileName: " + os.path.basename(path))
        self.add("PackageSupplier: " + (supplier or "NOASSERTION"),
                 "PackageDownloadLocation: NOASSERTION", "FilesAnalyzed: false")
        if path:
            self.add("PackageChecksum: SHA256: " + sha256(path))
        if source:
            self.add("PackageSourceInfo: " + text(source))
        self.add("PackageLicenseConcluded: NOASSERTION", "PackageLicenseDeclared: " + licence,
                 "PackageCopyrightText: " + (text(copyright) if copyright else "NOASSERTION"),
                 "PackageSummary: " + text(summary))
        if comment:
            self.add("PackageComment: " + text(comment))


def deb_files(path):
    return [line.split(None, 5)[5].lstrip(".") for line in subprocess.run(
        ["dpkg-deb", "-c", path], check=True, capture_output=True, text=True).stdout.splitlines()
        if not line.startswith("d")]


def deb_field(path, name):
    return subprocess.run(["dpkg-deb", "-f", path, name], check=True, capture_output=True,
                          text=True).stdout.strip()


def main(dist, builds):
    facts = [manifest(build) for build in builds]
    version, date = facts[0]["KX_VERSION"], facts[0]["KX_RELEASE_DATE"]
    vendor = facts[0]["KX_VENDOR"]
    ours = "Organization: " + vendor
    copyright = facts[0]["KX_COPYRIGHT"]
    # Which build made each file of the release, by its name.
    made_by = {}
    for build_facts in facts:
        for package in build_facts["KX_PACKAGES"].split():
            made_by.setdefault(os.path.basename(package), build_facts)
    names = sorted(name for name in os.listdir(dist) if not DESCRIBING.search(name))
    checksums = "".join("%s  %s\n" % (sha256(os.path.join(dist, name)), name) for name in names)
    namespace = hashlib.sha256(("kullerix %s\n" % version + checksums).encode()).hexdigest()

    document = Document()
    document.add("SPDXVersion: SPDX-2.3", "DataLicense: CC0-1.0", "SPDXID: SPDXRef-DOCUMENT",
                 "DocumentName: kullerix-" + version,
                 "DocumentNamespace: https://kullerix.invalid/spdx/kullerix-%s-%s"
                 % (version, namespace[:32]),
                 "Creator: " + ours, "Creator: Tool: kullerix-bill-of-materials",
                 "Created: %sT00:00:00Z" % date)
    relationships = []
    carried = {}  # what the Windows program carries of other projects: {component: rows}
    # The glyph sheet is drawn from the DejaVu fonts, under their licence as fonts-dejavu-core's
    # copyright file names it.
    font = "MIT AND " + document.licence("bitstream-vera")
    for name in names:
        path = os.path.join(dist, name)
        reference = spdx_id(name)
        relationships.append("SPDXRef-DOCUMENT DESCRIBES " + reference)
        build_facts = made_by.get(name)
        if name.endswith(".deb"):
            files = deb_files(path)
            architecture = deb_field(path, "Architecture")
            holds_font = any(f.endswith("/Font.tga") for f in files)
            document.package(reference, deb_field(path, "Package"), deb_field(path, "Version"),
                             "The Debian package for %s: %s" % (
                                 architecture, deb_field(path, "Description").splitlines()[0]),
                             font if holds_font else "MIT", copyright,
                             "It holds:\n" + "\n".join(sorted(files)), path, ours)
            depends = deb_field(path, "Depends")
            for depend in [d.strip() for d in depends.split(",") if d.strip()]:
                dependency = spdx_id(name, "depends", depend.split()[0])
                document.package(dependency, depend.split()[0], "NOASSERTION",
                                  "What %s depends on" % name, "NOASSERTION", None,
                                  "Its Depends names it: " + depend)
                relationships.append("%s DEPENDS_ON %s" % (reference, dependency))
        elif build_facts and build_facts["KX_SYSTEM"] == "windows":
            if name.endswith(".zip"):
                with zipfile.ZipFile(path) as archive:
                    held = "It holds:\n" + "\n".join(sorted(archive.namelist()))
                summary = "Kullerix for 64-bit Windows, to unpack anywhere and start"
            else:
                held = "It installs the files of the zip, with an uninstaller."
                summary = "The installer of Kullerix for 64-bit Windows"
            document.package(reference, "Kullerix", version, summary, font, copyright, held,
                             path, ours)
            with open(build_facts["KX_STATIC_COMPONENTS"], encoding="utf-8") as listed:
                rows = [line.rstrip("\n").split("\t") for line in listed][1:]
            for component in sorted({row[0] for row in rows}):
                carried.setdefault(component, [row for row in rows if row[0] == component])
                relationships.append("%s CONTAINS %s" % (reference, spdx_id("static", component)))
        elif name == "kullerix-%s.tar.gz" % version:
            document.package(reference, "kullerix", version,
                             "The source: every file of the commit that the release was made of",
                             "MIT", copyright, None, path, ours)
        else:
            document.package(reference, name, version, "A text of the release", "NOASSERTION",
                             None, None, path, ours)
    for component, rows in sorted(carried.items()):
        packages = ", ".join("%s %s" % (row[1], row[2]) for row in rows)
        document.package(spdx_id("static", component), component, rows[0][2],
                         "Linked statically into kullerix.exe", document.licence(rows[0][3]),
                         None, "Its licence as Debian's copyright file names it: " + rows[0][3],
                         supplier="Organization: Debian",
                         source="built from the Debian package " + packages)
    document.add("")
    document.add(*("Relationship: " + relationship for relationship in relationships))
    for reference, name in sorted(document.references.items()):
        document.add("", "LicenseID: " + reference, "LicenseName: " + name,
                     "ExtractedText: " + text(
                         "The licence that Debian's copyright files call %s: its text is in the "
                         "notices that travel with the files (THIRD-PARTY-NOTICES.txt, "
                         "textures/Font.LICENSE.txt, the Debian packages' copyright file)." % name))
    sys.stdout.write("\n".join(document.lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: bill_of_materials.py DIST BUILD...")
    main(sys.argv[1], sys.argv[2:])
