#!/usr/bin/env python3
"""Runs the measurements of the footprint and start-up benchmark and writes the report.

Sizes of the programs against the floor program, start-up under Wine against the
floor (alternating runs, game key first and behind many sibling keys), and registry
calls of a start-up on the stand-in against what the walk needs. That the core uses no
heap is a test of each build (bench/no_heap.cmake). Called by scripts/bench.sh after
the builds."""
import argparse
import datetime
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys

import facts
import provenance

TOOLS = [(name, facts.tool(name)["TOOL_CLASS_NAME"]) for name, _ in facts.tools()]
FOLDER = dict(facts.tools())
FLOOR_CLASS = facts.floor_class()
GAME = "00Bench"  # sorts before every key of a new prefix, so it is listed first
INSTALL_VALUES = facts.install_values()
LOCALE = facts.code_pages()[0][0]  # the tools' own
SIZE_LIMIT = 24 * 1024
SIBLING_GROWTH = 0.05  # × floor that 1000 keys before the game's may add
SIZE_OVER_FLOOR = 8 * 1024
STARTUP_RATIO = 1.15
STARTUP = "## Start-up under Wine"
# A native run's timings lie between these, so that a run through qemu can carry them over.
NATIVE_BEGIN = "<!-- native start-up timings -->"
NATIVE_END = "<!-- end of the native start-up timings -->"


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, text=True, **kw).stdout


def wine(loader, *args):
    """Wine's loader in the Japanese locale, which gives the programs code page 932."""
    return ["env", "LANG=" + LOCALE, "LC_ALL=" + LOCALE, loader] + list(args)


def reg_file(siblings_before, siblings_now):
    lines = ["Windows Registry Editor Version 5.00", ""]
    for i in range(siblings_now, siblings_before):
        lines.append("[-HKEY_CURRENT_USER\\Software\\%07d]" % i)
    for i in range(siblings_now):
        lines.append("[HKEY_CURRENT_USER\\Software\\%07d]" % i)
    lines.append("[HKEY_CURRENT_USER\\Software\\%s]" % GAME)
    for name in INSTALL_VALUES:
        value = "C:\\\\bench\\\\save" if name == "SAV_FOLDER" else "1"
        lines.append('"%s"="%s"' % (name, value))
    lines.append("")
    return "\r\n".join(lines)


def import_registry(loader, prefix, text):
    path = os.path.join(prefix, "drive_c", "bench", "layout.reg")
    with open(path, "w", encoding="utf-16") as f:
        f.write(text)
    run(wine(loader, "regedit", "/S", "C:\\bench\\layout.reg"))
    run([os.environ.get("WINE_SERVER", "wineserver"), "-w"])


def time_startups(args, prefix):
    bench_dir = os.path.join(prefix, "drive_c", "bench")
    os.makedirs(os.path.join(bench_dir, "save"), exist_ok=True)
    for name, _ in TOOLS:
        shutil.copy(os.path.join("dist", name + ".exe"), bench_dir)
    for floor in ["floor"] + ["floor_" + FOLDER[name] for name, _ in TOOLS]:
        shutil.copy(os.path.join("build", "win", "bench", floor + ".exe"), bench_dir)
    with open(os.path.join(bench_dir, "SETUP.INI"), "w") as f:
        f.write("[Setup Initial]\r\nREG_NAME=%s\r\n" % GAME)
    timer = os.path.join("build", "win", "bench", "startup_timer.exe")
    programs = ["floor=C:\\bench\\floor.exe=" + FLOOR_CLASS]
    programs += ["%s=C:\\bench\\%s.exe=%s" % (name, name, cls) for name, cls in TOOLS]
    # The floor with each tool's own dialog: what the dialog alone costs.
    programs += ["dialog-%s=C:\\bench\\floor_%s.exe=%s" % (name, FOLDER[name], cls) for name, cls in TOOLS]
    results = {}
    before = 0
    for siblings in args.siblings:
        import_registry(args.loader, prefix, reg_file(before, siblings))
        before = siblings
        out = run(["xvfb-run", "-a"] + wine(args.loader, timer, str(args.runs)) + programs)
        times = {}
        for line in out.splitlines():
            label, ms = line.split()
            times.setdefault(label, []).append(float(ms))
        results[siblings] = times
    import_registry(args.loader, prefix, reg_file(before, 0))
    return results


def sizes(args):
    rows = []
    floor = os.path.getsize(os.path.join("build", "win", "bench", "floor.exe"))
    for name, _ in TOOLS:
        size = os.path.getsize(os.path.join("dist", name + ".exe"))
        ok = size <= SIZE_LIMIT and size <= floor + SIZE_OVER_FLOOR
        rows.append((name, size, floor, size - floor, ok))
    return rows


def startup_table(runs, results, missed):
    """The start-up section's text and table; a target it misses goes to `missed`."""
    out = ["From process creation until the window exists with a radio button checked; "
           "%d runs of each program, alternating; milliseconds. \"dialog-X\" is the floor "
           "program showing tool X's own window as the tool does (its dialog, class icons, "
           "cursor and background, a paint before the message loop): the last column is what "
           "the tool's own work (SETUP.INI, registry, save folder) adds to its window." % runs, "",
           "| sibling keys before the game's | program | median | min – max | × floor | × its dialog in the floor |",
           "|---:|---|---:|---:|---:|---:|"]
    key_first = results.get(0)
    for siblings, times in results.items():
        floor = statistics.median(times["floor"])
        labels = ["floor"] + [n for n, _ in TOOLS] + ["dialog-" + n for n, _ in TOOLS]
        for label in labels:
            values = times[label]
            med = statistics.median(values)
            lo, hi = spread(values)
            ratio = med / floor
            own = ("%.2f" % (med / statistics.median(times["dialog-" + label]))
                   if "dialog-" + label in times else "")
            out.append("| %d | %s | %.1f | %.1f – %.1f | %.2f | %s |" % (siblings, label, med, lo, hi, ratio, own))
            if siblings == 0 and label in dict(TOOLS) and ratio > STARTUP_RATIO:
                missed.append("start-up of %s (%.2f × floor)" % (label, ratio))
            if siblings == 1000 and label in dict(TOOLS) and key_first:
                growth = ratio - statistics.median(key_first[label]) / statistics.median(key_first["floor"])
                if growth > SIBLING_GROWTH:
                    missed.append("start-up of %s behind 1000 keys (%+.2f × floor over the key first)" %
                                  (label, growth))
    return out


def section(text, heading):
    """The body of a "## " section of a document, or None."""
    start = text.find(heading + "\n")
    if start < 0:
        return None
    body = text[start + len(heading) + 1:]
    following = re.search(r"^## ", body, re.M)
    return body[:following.start()] if following else body


def carried_timings(doc):
    """The last native start-up timings from the history of `doc`: the newest committed
    version whose start-up section was timed natively, as it stands, with its origin."""
    log = subprocess.run(["git", "log", "--format=%h", "--", doc], capture_output=True, text=True)
    for rev in log.stdout.split():
        text = subprocess.run(["git", "show", "%s:%s" % (rev, doc)], capture_output=True, text=True).stdout
        part = section(text, STARTUP)
        if part is None:
            continue
        if NATIVE_BEGIN in part:
            timings = part[part.index(NATIVE_BEGIN):part.index(NATIVE_END) + len(NATIVE_END)]
        elif "runs natively" in text[:text.index(STARTUP)]:
            # Written before the documents named their commit: the route is in the header,
            # and the figures are those of the commit that brought the document.
            wine = re.search(r"(wine-[^,]*\)),", text)
            machine = re.search(r"^Machine: (.*?), wine-", text, re.M)
            floor = re.search(r"^\| \w+ \| \d+ \| (\d+) \|", text, re.M)
            timings = "\n".join([
                NATIVE_BEGIN,
                "Timed natively on commit %s (the commit that brought that document, which did not name "
                "its own) with %s, on %s; the floor program was then %s bytes." %
                (rev, wine.group(1) if wine else "a Wine it did not name",
                 machine.group(1) if machine else "a machine it did not name", floor.group(1) if floor else "?"),
                "", part.strip(), NATIVE_END])
        else:
            continue
        return ["This run's Wine loader runs through qemu-i386, where a start-up takes seconds and "
                "says nothing about the programs: these are the last native timings, from `%s` as "
                "committed in %s. Their target figures are not judged again here." % (doc, rev), "",
                timings]
    return ["This run's Wine loader runs through qemu-i386, and no earlier version of `%s` holds "
            "native timings: start-up is not published." % doc]


def spread(values):
    return min(values), max(values)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--loader", required=True)
    parser.add_argument("--wine-how", required=True)
    parser.add_argument("--runs", type=int, default=31)
    parser.add_argument("--siblings", type=int, nargs="+", default=[0, 100, 1000, 10000])
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    prefix = os.environ["WINEPREFIX"]
    missed = []

    out = ["# Footprint and start-up", ""]
    out.append("Written by `bash scripts/bench.sh` (scripts/bench_report.py) on %s; do not edit by hand." %
               datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"))
    cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")), "?")
    system = platform.freedesktop_os_release().get("PRETTY_NAME", "?")
    machine = "%s, %d cores, %s, %s" % (cpu, os.cpu_count(), system, platform.platform())
    wine_version = run([args.loader, "--version"]).strip()
    out += ["", "Measured on: %s; Wine %s, %s." %
            (provenance.line(wine=False), wine_version, provenance.wine_ran(args.wine_how)),
            "Machine: %s. Sizes and start-up are those of the programs of `dist/` (the i686 product) "
            "and of the floor program built the same way." % machine, ""]

    out += ["## Size of each program (i686 product in dist/)", "",
            "| program | bytes | floor | over the floor | target (≤ floor + 8 KiB, ≤ 24 KiB) |",
            "|---|---:|---:|---:|---|"]
    for name, size, floor, over, ok in sizes(args):
        out.append("| %s | %d | %d | %+d | %s |" % (name, size, floor, over, "met" if ok else "MISSED"))
        if not ok:
            missed.append("size of %s" % name)

    results = time_startups(args, prefix)
    if provenance.route(args.wine_how) == "native":
        out += ["", STARTUP, "", NATIVE_BEGIN,
                "Timed natively%s on commit %s with %s, on %s; the floor program was %d bytes." %
                (" in Wine's WoW64 mode (its 64-bit loader)" if "WoW64" in args.wine_how else "",
                 provenance.commit(), wine_version, machine, sizes(args)[0][2]), ""]
        out += startup_table(args.runs, results, missed)
        out += [NATIVE_END]
    else:
        out += ["", STARTUP, ""] + carried_timings(args.out)
        out += ["", "This run (`RUNS=%d SIBLINGS=\"%s\"`) also timed every program through qemu, to "
                "check that each window appears; times taken that way are not published." %
                (args.runs, " ".join(map(str, args.siblings)))]

    calls_bin = os.path.join("build", "host", "bench", "registry_calls")
    calls = subprocess.run([calls_bin, "0", "100", "1000", "10000"], capture_output=True, text=True)
    out += ["", "## Registry calls of a full start-up (host build, stand-in)", "",
            "A start-up that shows CalcSwitch and decides, with the game's key after every "
            "sibling (one walk for the installation values, one for the setting). The first "
            "table is the usual case: every key's name and class fit the walk's buffers, so "
            "the walk asks each key for its list's lengths and searches the sorted list; the "
            "second adds one key, after the game's, whose class may not fit, so the walk "
            "enumerates from the first key as it always did, and its RegEnumKeyExA count must "
            "equal the one computed by the walk's rules. \"One walk per value\" is what "
            "thirteen walks would make.", ""]
    out += calls.stdout.strip().splitlines()
    if calls.returncode != 0:
        missed.append("registry calls: " + calls.stderr.strip())

    out += ["", "## Reproduce", "", "```", "make bench", "RUNS=31 SIBLINGS=\"0 100 1000 10000\" bash scripts/bench.sh", "```", ""]
    judged = "size, registry calls" + (", start-up" if provenance.route(args.wine_how) == "native" else "")
    out += ["Targets judged in this run (%s): %s." %
            (judged, "all met" if not missed else "missed: " + "; ".join(missed)), ""]
    with open(args.out, "w") as f:
        f.write("\n".join(out))
    print("\n".join(out))
    return 0 if not missed else 1


if __name__ == "__main__":
    sys.exit(main())
