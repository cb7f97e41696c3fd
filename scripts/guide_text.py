"""Writes the players' guide (docs/players.md) as the plain text of the release archive.

Usage: guide_text.py players.md players.txt

UTF-8 with a byte order mark and CRLF line ends: Notepad on Windows XP takes a file
without the mark for the system's code page, and shows LF-only text on one line. The
pictures stay behind, a line of them side by side too (each box's text is quoted
beside its picture, and the guide says in words what the others show); a link keeps
its text and names its target.
"""
import re
import sys

PICTURE = re.compile(r"^\s*!\[.*\]\([^()]*\)\s*$")
LINK = re.compile(r"\[([^\]]+)\]\(([^)]+)\)")


def plain(markdown):
    lines = [LINK.sub(r"\1 (\2)", line) for line in markdown.splitlines() if not PICTURE.match(line)]
    return "\r\n".join(lines) + "\r\n"


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as source:
        text = plain(source.read())
    with open(sys.argv[2], "w", encoding="utf-8-sig", newline="") as target:
        target.write(text)
