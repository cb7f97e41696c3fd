"""Writes the players' guide (docs/players.md) as the plain text of the release archive.

Usage: guide_text.py players.md players.txt

UTF-8 with a byte order mark and CRLF line ends: Notepad on Windows XP takes a file
without the mark for the system's code page, and shows LF-only text on one line. Each
picture becomes its description (its alt text) on a line of its own, in the order the
pictures stand, so the text says in words what the pictures show; a link keeps its text
and names its target.
"""
import pathlib
import re
import sys

# Alt text may hold brackets in pairs: "[ Setup.ini ] が見つかりません。".
PICTURE = re.compile(r"!\[((?:[^\[\]]|\[[^\[\]]*\])*)\]\([^()]*\)")
PICTURE_LINE = re.compile(r"^\s*(?:%s\s*)+$" % PICTURE.pattern)
LINK = re.compile(r"\[([^\]]+)\]\(([^)]+)\)")


def plain(markdown):
    lines = []
    for line in markdown.splitlines():
        if PICTURE_LINE.match(line):
            lines += [alt for alt in PICTURE.findall(line)]
        else:
            lines.append(LINK.sub(r"\1 (\2)", line))
    return "\r\n".join(lines) + "\r\n"


if __name__ == "__main__":
    text = plain(pathlib.Path(sys.argv[1]).read_text(encoding="utf-8"))
    pathlib.Path(sys.argv[2]).write_text(text, encoding="utf-8-sig", newline="")
