#!/usr/bin/env python3
"""The facts that the sources state once, read from them for the scripts: the tools and
their folders (tools/CMakeLists.txt), each tool's class name, value name and control ids
(its resource.h), what the suites hold each tool to (tests/support/tool_facts.h), the
floor's class (bench/floor/floor.h), the installer's values
(tests/support/install_values.h), the code pages the tools are checked on and their
locales (tests/support/code_pages.h) and the fuzz targets (fuzz/<name>_fuzz.cpp).

From the shell:  facts.py tools                  -> "Name folder" per line
                 facts.py tool NAME MACRO...     -> each macro's value, one per line
                 facts.py install-values         -> one value name per line
                 facts.py code-pages             -> "locale code-page" per line"""
import glob
import os
import re
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def _read(*parts):
    with open(os.path.join(REPO, *parts), encoding="utf-8") as f:
        return f.read()


def defines(*parts):
    """#define NAME value of a header: strings without their quotes, numbers as ints."""
    found = {}
    for name, value in re.findall(r"^#define\s+(\w+)\s+(\S.*?)\s*$", _read(*parts), re.M):
        if value.startswith('"') and value.endswith('"'):
            found[name] = value[1:-1]
        elif re.fullmatch(r"\d+", value):
            found[name] = int(value)
    return found


def tools():
    """[(name, folder)] in the order the build adds them."""
    return [(name, folder) for folder, name in
            re.findall(r"^add_tool\((\w+)\s+(\w+)\)", _read("tools", "CMakeLists.txt"), re.M)]


def tool(name):
    folders = dict(tools())
    if name not in folders:
        raise SystemExit("facts: no tool %s" % name)
    return defines("tools", folders[name], "resource.h")


def floor_class():
    return defines("bench", "floor", "floor.h")["FLOOR_CLASS_NAME"]


def install_values():
    text = _read("tests", "support", "install_values.h")
    body = text[text.index("kInstallValues"):]
    return re.findall(r'"([^"]*)"', body[:body.index("};")])


def tool_facts():
    """{name: {field: value}} from kToolFacts of tests/support/tool_facts.h, the table the
    suites hold the tools to (fields named as in its struct ToolFacts), in build order."""
    text = _read("tests", "support", "tool_facts.h")
    struct = re.search(r"struct ToolFacts \{(.*?)\};", text, re.S).group(1)
    fields = re.findall(r"(\w+)(?:\[\w+\])?;", re.sub(r"//.*", "", struct))
    constants = {name: int(value) for name, value in re.findall(r"\b(k\w+) = (\d+)\b", text)}
    table = text[text.index("kToolFacts[] = {") + len("kToolFacts[] = {"):]
    stack = [[]]
    for token in re.findall(r'"[^"]*"|[{}]|\w+', table[:table.index("};")]):
        if token == "{":
            stack.append([])
        elif token == "}":
            done = stack.pop()
            stack[-1].append(done)
        else:
            stack[-1].append(token[1:-1] if token.startswith('"') else
                             int(token) if token.isdigit() else constants[token])
    return {row[0]: dict(zip(fields, row)) for row in stack[0]}


def code_pages():
    """[(locale, code page)], the tools' own first."""
    return [(locale, int(page)) for page, locale in
            re.findall(r'\{(\d+), "([^"]+)"\}', _read("tests", "support", "code_pages.h"))]


def fuzz_targets():
    """{name: what it feeds}, from each target's file name and its opening comment."""
    targets = {}
    for path in sorted(glob.glob(os.path.join(REPO, "fuzz", "*_fuzz.cpp"))):
        name = os.path.basename(path)[:-len("_fuzz.cpp")]
        comment = []
        with open(path, encoding="utf-8") as f:
            for line in f:
                if not line.startswith("//"):
                    break
                comment.append(line[2:].strip())
        what = re.split(r"[:.](?:\s|$)", " ".join(comment), maxsplit=1)[0]
        if not what.split()[0].isupper():  # "SETUP.INI" keeps its case, "Key-path" does not
            what = what[:1].lower() + what[1:]
        targets[name] = what
    return targets


def main(argv):
    if argv[:1] == ["tools"]:
        for name, folder in tools():
            print(name, folder)
    elif argv[:1] == ["tool"] and len(argv) >= 3:
        facts = tool(argv[1])
        for macro in argv[2:]:
            if macro not in facts:
                raise SystemExit("facts: %s does not define %s" % (argv[1], macro))
            print(facts[macro])
    elif argv == ["install-values"]:
        print("\n".join(install_values()))
    elif argv == ["code-pages"]:
        for locale, page in code_pages():
            print(locale, page)
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
