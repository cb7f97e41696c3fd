#!/usr/bin/env python3
"""Runs the measurements of the footprint and start-up benchmark and writes the report.

Sizes of the programs against the floor program, start-up under Wine against the
floor (alternating runs, game key first and behind many sibling keys), registry calls
of a start-up on the stand-in against what the walk needs, and the core's use of the
heap. Called by scripts/bench.sh after the builds."""
import argparse
import datetime
import os
import platform
import shutil
import statistics
import subprocess
import sys

import facts

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
ALLOCATORS = ("malloc", "calloc", "realloc", "free", "strdup", "_Znw", "_Zna", "_Zdl", "_Zda",
              "HeapAlloc", "LocalAlloc", "GlobalAlloc", "VirtualAlloc")


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
    run(["wineserver", "-w"])


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


def heap_symbols():
    found = []
    for nm, lib in (("nm", "build/host/libtoolcore.a"), ("i686-w64-mingw32-nm", "build/win/libtoolcore.a")):
        for line in run([nm, "-u", lib]).splitlines():
            symbol = line.split()[-1] if line.split() else ""
            # AddressSanitizer's own stack bookkeeping in the host objects is no heap use.
            if symbol.startswith("__asan"):
                continue
            if any(a in symbol for a in ALLOCATORS):
                found.append("%s: %s" % (lib, symbol))
    for name, _ in TOOLS:
        dump = run(["i686-w64-mingw32-objdump", "-p", os.path.join("dist", name + ".exe")])
        for line in dump.splitlines():
            if any(a in line for a in ALLOCATORS[:5] + ALLOCATORS[9:]):
                found.append("%s.exe imports %s" % (name, line.strip()))
    return found


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
    out.append("Written by `make bench` (scripts/bench.sh) on %s; do not edit by hand." %
               datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"))
    cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")), "?")
    wine_version = run([args.loader, "--version"]).strip()
    out += ["", "Machine: %s, %d cores, %s, %s, whose 32-bit loader %s. Start-up timed with "
            "the programs of `dist/` (the i686 product) and the floor built the same way." %
            (cpu, os.cpu_count(), platform.platform(), wine_version, args.wine_how), ""]

    out += ["## Size of each program (i686 product in dist/)", "",
            "| program | bytes | floor | over the floor | target (≤ floor + 8 KiB, ≤ 24 KiB) |",
            "|---|---:|---:|---:|---|"]
    for name, size, floor, over, ok in sizes(args):
        out.append("| %s | %d | %d | %+d | %s |" % (name, size, floor, over, "met" if ok else "MISSED"))
        if not ok:
            missed.append("size of %s" % name)

    results = time_startups(args, prefix)
    out += ["", "## Start-up under Wine", "",
            "From process creation until the window exists with a radio button checked; "
            "%d runs of each program, alternating; milliseconds. \"dialog-X\" is the floor "
            "program showing tool X's own window as the tool does (its dialog, class icons, "
            "cursor and background, a paint before the message loop): the last column is what "
            "the tool's own work (SETUP.INI, registry, save folder) adds to its window." % args.runs, "",
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

    calls_bin = os.path.join("build", "host", "bench", "registry_calls")
    calls = subprocess.run([calls_bin, "0", "100", "1000", "10000"], capture_output=True, text=True)
    out += ["", "## Registry calls and heap of a full start-up (host build, stand-in)", "",
            "A start-up that shows CalcSwitch and decides, with the game's key after every "
            "sibling (one walk for the installation values, one for the setting). The first "
            "table is the usual case: every key's name and class fit the walk's buffers, so "
            "the walk asks each key for its list's lengths and searches the sorted list; the "
            "second adds one key, after the game's, whose class may not fit, so the walk "
            "enumerates from the first key as it always did, and its RegEnumKeyExA count must "
            "equal the one computed by the walk's rules. \"One walk per value\" is what "
            "thirteen walks would make. Heap allocations are counted by AddressSanitizer's hook "
            "during the whole run; \"by the core\" are those made while the stand-in's own code "
            "was not running.", ""]
    out += calls.stdout.strip().splitlines()
    if calls.returncode != 0:
        missed.append("registry calls: " + calls.stderr.strip())

    found = heap_symbols()
    out += ["", "Allocation functions that the core's objects (host and i686) refer to, or the "
            "programs import: %s." % (", ".join(found) if found else "none")]
    if found:
        missed.append("heap")

    out += ["", "## Reproduce", "", "```", "make bench", "RUNS=31 SIBLINGS=\"0 100 1000 10000\" bash scripts/bench.sh", "```", ""]
    out += ["Targets: %s." % ("all met" if not missed else "missed: " + "; ".join(missed)), ""]
    with open(args.out, "w") as f:
        f.write("\n".join(out))
    print("\n".join(out))
    return 0 if not missed else 1


if __name__ == "__main__":
    sys.exit(main())
