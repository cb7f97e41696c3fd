#!/usr/bin/env python3
"""What a measurement was taken on: the commit, the product sources (core/ and tools/)
as they were in the working tree, the Wine version and how it ran the 32-bit programs.

The reports write the fingerprint into their documents; a document whose fingerprint
is not the checkout's describes other programs than the ones it sits beside.

From the shell:  provenance.py line          -> one line: what this run is measured on
                 provenance.py stale DOC...  -> names each DOC measured on other sources"""
import hashlib
import os
import re
import subprocess
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PRODUCT = ("core", "tools")
# scripts/wine-paths.sh names the loader of the Wine that is installed.
WINE_LOADER = subprocess.run(["bash", "-c", '. "$1" && echo "$WINE_LOADER"', "-",
                              os.path.join(REPO, "scripts", "wine-paths.sh")],
                             capture_output=True, text=True).stdout.strip()
# The reports write it in this form; stale() reads it back.
FINGERPRINT = re.compile(r"product sources \(core/, tools/\): `([0-9a-f]{16})`")


def _git(*args):
    return subprocess.run(["git", "-C", REPO] + list(args), check=True, capture_output=True,
                          text=True).stdout


def commit():
    """The checked-out commit, abbreviated, with its date."""
    return _git("log", "-1", "--format=%h (%cs)").strip()


def fingerprint():
    """(hash, dirty): a hash of every file of core/ and tools/ that git tracks or would
    track, as it is on disk, so that the same sources give the same hash in any
    checkout; dirty when those files differ from the commit."""
    paths = sorted(p for p in _git("ls-files", "-z", "--cached", "--others", "--exclude-standard",
                                   "--", *PRODUCT).split("\0")
                   if p and os.path.isfile(os.path.join(REPO, p)))
    digest = hashlib.sha256()
    for path in paths:
        digest.update(path.encode() + b"\0")
        with open(os.path.join(REPO, path), "rb") as f:
            digest.update(hashlib.sha256(f.read()).digest())
    dirty = bool(_git("status", "--porcelain", "--", *PRODUCT).strip())
    return digest.hexdigest()[:16], dirty


def sources():
    """The fingerprint as the documents state it."""
    value, dirty = fingerprint()
    return "product sources (core/, tools/): `%s`%s" % (
        value, ", dirty: the working tree differs from the commit there" if dirty else "")


def wine_version():
    """Wine's own answer where its loader runs in this process tree, else the package's."""
    try:
        return subprocess.run([WINE_LOADER, "--version"], check=True, capture_output=True,
                              text=True, timeout=120).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        pass
    for package in ("wine32", "wine"):
        found = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", package],
                               capture_output=True, text=True)
        if found.returncode == 0 and found.stdout:
            return "%s %s (package; the loader does not run in this process)" % (package, found.stdout)
    return "unknown (no Wine installed)"


def route(wine_how=None):
    """"native" or "qemu", from what scripts/wine-prefix.sh exported; None outside Wine's tree."""
    how = wine_how if wine_how is not None else os.environ.get("WINE_HOW", "")
    if "qemu" in how:
        return "qemu"
    if "natively" in how:
        return "native"
    return None


def wine_ran(how):
    """How Wine ran the programs, after its version, from WINE_HOW: its 32-bit loader ran
    natively or through qemu, or its 64-bit one ran them in WoW64 mode."""
    if "WoW64" in how:
        return "which " + how
    return "whose 32-bit loader %s" % (how or "was not started")


def line(wine=True):
    parts = ["commit %s" % commit(), sources()]
    if wine:
        parts.append("Wine %s, %s" % (wine_version(), wine_ran(os.environ.get("WINE_HOW", ""))))
    return "; ".join(parts)


def stale(docs):
    """[(doc, recorded or None)] for each document whose fingerprint is not the checkout's."""
    current = fingerprint()[0]
    found = []
    for doc in docs:
        if not os.path.exists(doc):
            continue
        with open(doc, encoding="utf-8") as f:
            recorded = FINGERPRINT.search(f.read())
        if recorded is None or recorded.group(1) != current:
            found.append((doc, recorded.group(1) if recorded else None))
    return found


def main(argv):
    if argv == ["line"]:
        print(line())
    elif argv[:1] == ["stale"]:
        current = fingerprint()[0]
        for doc, recorded in stale(argv[1:]):
            print("%s was measured on other product sources (%s; this checkout's are %s): "
                  "its figures may not hold" % (doc, "fingerprint " + recorded if recorded
                                                else "no fingerprint recorded", current))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
