#!/usr/bin/env python3
"""The figures of docs/, from the runs' own outputs. Each document names the programs it
measured by their sha256, with the commit and how Wine ran them: a comment edit changes
nothing, a code change shows.

  report.py bench --runs N --siblings N... --out DOC   times and writes docs/performance.md
  report.py reliability --fuzz-stats DIR --fuzz-seconds N --out DOC   docs/reliability.md
  report.py check DOC...     one line when a document's programs are not those of dist/
  report.py shipped RESULTS  the shipped tests that ran, then those that did not, from
                             CTest's JSON listing (standard input) and its JUnit RESULTS"""
import argparse, datetime, hashlib, itertools, json, os, pathlib, platform, re, shutil, statistics, subprocess, sys
import xml.etree.ElementTree as ET

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = re.compile(r"`(\w+\.exe)` sha256 `([0-9a-f]{64})`")
GAME = "00Bench"  # sorts before every key of a new prefix, so it is listed first
SIZE_LIMIT, SIZE_OVER_FLOOR = 24 * 1024, 8 * 1024
STARTUP_RATIO = 1.15
SIBLING_GROWTH = 0.05  # × floor that 1000 keys before the game's may add


def read(path, mode="r", **kw):
    with open(path, mode, **kw) as f:
        return f.read()


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, text=True, **kw).stdout


def sums(folder):
    """{program: sha256} of the .exe files of a folder."""
    return {name: hashlib.sha256(read(os.path.join(folder, name), "rb")).hexdigest()
            for name in sorted(os.listdir(folder)) if name.endswith(".exe")}


def programs_line(found):
    return "Programs measured: %s." % "; ".join("`%s` sha256 `%s`" % item for item in sorted(found.items()))


def commit():
    return subprocess.run(["git", "-C", REPO, "describe", "--always", "--dirty"],
                          capture_output=True, text=True).stdout.strip() or "unknown"


def check(docs, dist="dist"):
    current = sums(dist) if os.path.isdir(dist) else {}
    other = [doc for doc in docs if os.path.exists(doc) and
             dict(PROGRAM.findall(read(doc, encoding="utf-8"))) != current]
    return ["%s: figures of other programs than those of %s/ (by the sha256 named)" % (", ".join(other), dist)
            ] if other else []


def shipped(listing, results):
    """([ran], [not run]) of the tests labelled shipped, in the listing's order."""
    try:
        tests = json.loads(listing)["tests"]
    except ValueError:
        tests = []
    # The listing also holds the fixtures these tests need; only the labelled ones count.
    asked = [t["name"] for t in tests
             if any(p["name"] == "LABELS" and "shipped" in p["value"] for p in t.get("properties", []))]
    ran = {c.get("name") for c in ET.parse(results).iter("testcase")
           if c.get("status") in ("run", "fail")} if os.path.exists(results) else set()
    return [n for n in asked if n in ran], [n for n in asked if n not in ran]


def wine(*args):
    locale = os.environ["WINE_LOCALE"]  # the tools' own, code page 932
    return ["env", "LANG=" + locale, "LC_ALL=" + locale, os.environ["WINE_LOADER"]] + list(args)


def reg_file(siblings_before, siblings_now, install_values):
    lines = ["Windows Registry Editor Version 5.00", ""]
    lines += ["[-HKEY_CURRENT_USER\\Software\\%07d]" % i for i in range(siblings_now, siblings_before)]
    lines += ["[HKEY_CURRENT_USER\\Software\\%07d]" % i for i in range(siblings_now)]
    lines.append("[HKEY_CURRENT_USER\\Software\\%s]" % GAME)
    lines += ['"%s"="%s"' % (name, "C:\\\\bench\\\\save" if name == "SAV_FOLDER" else "1") for name in install_values]
    return "\r\n".join(lines + [""])


def time_startups(args, tools, install_values):
    bench = os.path.join(os.environ["WINEPREFIX"], "drive_c", "bench")
    os.makedirs(os.path.join(bench, "save"), exist_ok=True)
    for path in ["dist/%s.exe" % n for n in tools] + ["build/win/bench/floor.exe"] + \
            ["build/win/bench/dialog_%s.exe" % n for n in tools]:
        shutil.copy(path, bench)
    pathlib.Path(bench, "SETUP.INI").write_text("[Setup Initial]\r\nREG_NAME=%s\r\n" % GAME)
    # The floor with each tool's own dialog: what the dialog alone costs.
    labels = ["floor"] + tools + ["dialog-" + n for n in tools]
    programs = ["%s=C:\\bench\\%s.exe" % (label, label.replace("-", "_")) for label in labels]
    def layout(before, now):
        pathlib.Path(bench, "layout.reg").write_text(reg_file(before, now, install_values), encoding="utf-16")
        run(wine("regedit", "/S", "C:\\bench\\layout.reg"))
        run([os.environ["WINE_SERVER"], "-w"])
    results, before = {}, 0
    for siblings in args.siblings:
        layout(before, siblings)
        before, times = siblings, {}
        for line in run(["xvfb-run", "-a"] + wine("build/win/bench/startup_timer.exe", str(args.runs)) +
                        programs).splitlines():
            label, ms = line.split()
            times.setdefault(label, []).append(float(ms))
        results[siblings] = times
    layout(before, 0)
    return results


def startup_table(runs, results, tools, missed):
    out = ["From process creation until the window exists with a radio button checked; %d runs of "
           "each program, alternating; milliseconds. \"dialog-X\" is the floor program showing tool "
           "X's own window as the tool does (its dialog, class icons, cursor and background, a paint "
           "before the message loop): the last column is what the tool's own work (SETUP.INI, "
           "registry, save folder) adds to its window." % runs, "",
           "| sibling keys before the game's | program | median | min – max | × floor | × its dialog in the floor |",
           "|---:|---|---:|---:|---:|---:|"]
    ratio = {}
    for siblings, times in results.items():
        floor = statistics.median(times["floor"])
        for label in ["floor"] + tools + ["dialog-" + n for n in tools]:
            med = statistics.median(times[label])
            ratio[siblings, label] = med / floor
            own = "%.2f" % (med / statistics.median(times["dialog-" + label])) if label in tools else ""
            out.append("| %d | %s | %.1f | %.1f – %.1f | %.2f | %s |" %
                       (siblings, label, med, min(times[label]), max(times[label]), med / floor, own))
            if label in tools and siblings == 0 and med / floor > STARTUP_RATIO:
                missed.append("start-up of %s (%.2f × floor)" % (label, med / floor))
            if label in tools and siblings == 1000 and (0, label) in ratio and \
                    ratio[siblings, label] - ratio[0, label] > SIBLING_GROWTH:
                missed.append("start-up of %s behind 1000 keys (%+.2f × floor over the key first)" %
                              (label, ratio[siblings, label] - ratio[0, label]))
    return out


def bench(args):
    # The build's facts.tsv: its tools in the build's order, and the installer's values.
    lines = [line.split("\t") for line in read("build/win/facts.tsv", encoding="utf-8").splitlines()]
    tools = list(dict.fromkeys(line[0] for line in lines if line[0] != "-"))
    install_values = next(line[2:] for line in lines if line[:2] == ["-", "installValues"])
    how, missed = os.environ.get("WINE_HOW", ""), []
    native = "natively" in how
    cpu = next((l.split(":", 1)[1].strip() for l in read("/proc/cpuinfo").splitlines()
                if l.startswith("model name")), "?")
    machine = "%s, %d cores, %s, %s" % (cpu, os.cpu_count(), platform.freedesktop_os_release().get(
        "PRETTY_NAME", "?"), platform.platform())
    out = ["# Footprint and start-up", "",
           "Written by `bash scripts/bench.sh` (tests/report.py) on %s; do not edit by hand." %
           datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"), "",
           programs_line(sums("dist")),
           "Commit %s; %s, whose loader %s; machine: %s." % (commit(), run([os.environ["WINE_LOADER"], "--version"]).strip(),
                                                             how, machine), "",
           "## Size of each program (i686 product in dist/)", "",
           "| program | bytes | floor | over the floor | target (≤ floor + 8 KiB, ≤ 24 KiB) |", "|---|---:|---:|---:|---|"]
    floor = os.path.getsize("build/win/bench/floor.exe")
    for name in tools:
        size = os.path.getsize("dist/%s.exe" % name)
        ok = size <= SIZE_LIMIT and size <= floor + SIZE_OVER_FLOOR
        out.append("| %s | %d | %d | %+d | %s |" % (name, size, floor, size - floor, "met" if ok else "MISSED"))
        if not ok:
            missed.append("size of %s" % name)
    results = time_startups(args, tools, install_values)
    out += ["", "## Start-up under Wine", ""]
    if native:
        out += startup_table(args.runs, results, tools, missed)
    else:
        out.append("Wine's loader ran through qemu-i386, where a start-up takes seconds and says nothing "
                   "about the programs: every program was started (`RUNS=%d`) to see its window appear, "
                   "and no time is published." % args.runs)
    calls = subprocess.run(["build/host/bench/registry_calls", "0", "100", "1000", "10000"],
                           capture_output=True, text=True)
    out += ["", "## Registry calls of a full start-up (host build, stand-in)", "",
            "A start-up that shows CalcSwitch and decides, with the game's key after every sibling (one "
            "walk for the installation values, one for the setting). The first table is the usual case: "
            "every key's name and class fit the walk's buffers, so the walk asks each key for its list's "
            "lengths and searches the sorted list; the second adds one key, after the game's, whose class "
            "may not fit, so the walk enumerates from the first key as it always did, and its "
            "RegEnumKeyExA count must equal the one computed by the walk's rules. \"One walk per value\" "
            "is what thirteen walks would make.", ""] + calls.stdout.strip().splitlines()
    if calls.returncode != 0:
        missed.append("registry calls: " + calls.stderr.strip())
    out += ["", "## Reproduce", "", "```", "RUNS=%d SIBLINGS=\"%s\" bash scripts/bench.sh" %
            (args.runs, " ".join(map(str, args.siblings))), "```", "",
            "Targets judged in this run (size, registry calls%s): %s." %
            (", start-up" if native else "", "all met" if not missed else "missed: " + "; ".join(missed)), ""]
    return out, not missed


SUMMARY = re.compile(r"\d+ passed, \d+ failed$")
COMPARED = re.compile(r"compared: (\d+) scenarios, (\d+) entries, (\d+) differing$")


def e2e_summary(log):
    """What a results file of run-e2e.sh holds, or None without one."""
    if not os.path.exists(log):
        return None
    lines = read(log, errors="replace").splitlines()
    s = {"passed": [l[5:] for l in lines if l.startswith("PASS ")],
         "failed": [l[5:] for l in lines if l.startswith("FAIL ")],
         "programs": {name: sha for sha, name in (l[9:].split() for l in lines if l.startswith("program: "))},
         "about": [l for l in lines if l.startswith(("commit: ", "wine: "))],
         # One line per driver run (one per ANSI code page); a run that was stopped has none.
         "compared": [tuple(int(n) for n in m.groups()) for m in map(COMPARED.match, lines) if m],
         "runs": sum(1 for l in lines if SUMMARY.match(l)), "whole": lines[:1] == ["run: whole suite"],
         "scope": lines[0] if lines else ""}
    # Each failure with the driver's reasons, the "     - " lines after it.
    s["reasons"] = {l[5:]: [r.strip()[2:] for r in itertools.takewhile(lambda r: r.startswith("     - "), lines[i + 1:])]
                    for i, l in enumerate(lines) if l.startswith("FAIL ")}
    s["hostile"] = [sum("hostile" in n.lower() for n in s[k]) for k in ("passed", "failed")]
    return s


def reliability(args):
    s = e2e_summary(args.e2e_log)
    if s is not None and not s["whole"]:
        sys.exit("report: refusing %s: it is not a whole run of the suite (%r). Its figures are not the "
                 "suite's; run `bash scripts/test.sh -R e2e` without E2E_FILTER first." % (args.e2e_log, s["scope"]))
    clang = subprocess.run(["clang", "--version"], capture_output=True, text=True).stdout.splitlines()
    out = ["# Reliability figures", "",
           "Written by `bash scripts/fuzz.sh` (tests/report.py) on %s from the runs' own output; do not "
           "edit by hand. Fuzzed on commit %s." % (datetime.datetime.now(datetime.timezone.utc).strftime(
               "%Y-%m-%d %H:%M UTC"), commit()), "",
           "## Fuzzing (host build, libFuzzer with AddressSanitizer and UBSan)", "",
           "%s; each target ran for %d seconds (`FUZZ_SECONDS`) from its seed corpus. Every input is checked: "
           "no key or search handle left open, none closed twice, no root key closed by the reader, and a "
           "write that changes nothing but its one value." % (clang[0] if clang else "clang", args.fuzz_seconds),
           "", "| target | inputs tried | seconds | outcome |", "|---|---:|---:|---|"]
    inputs, clean = 0, True
    for target in sorted(f[:-len("_fuzz.cpp")] for f in os.listdir(os.path.join(REPO, "fuzz")) if f.endswith("_fuzz.cpp")):
        stats = os.path.join(args.fuzz_stats, target + ".txt")
        text = read(stats, errors="replace") if os.path.exists(stats) else ""
        execs = re.search(r"stat::number_of_executed_units:\s*(\d+)", text)
        took = re.search(r"Done \d+ runs in (\d+) second|-max_total_time=(\d+)", text)
        found = any(w in text for w in ("check failed", "ERROR: ", "runtime error", "deadly signal"))
        outcome = "not run" if not text else "finding: see the log" if found else "no finding"
        seconds = (took.group(1) or took.group(2)) if took else "–"
        out.append("| %s | %s | %s | %s |" % (target, execs.group(1) if execs else "–", seconds, outcome))
        inputs += int(execs.group(1)) if execs else 0
        clean = clean and outcome == "no finding"
    rows = [l.split("\t") for l in read(os.path.join(REPO, "fuzz", "findings.tsv"), encoding="utf-8").splitlines()
            if l.strip() and l[0] != "#"]
    out += ["", "## Findings and their regression tests", ""]
    out += ["| finding | regression test |", "|---|---|"] + ["| %s | `%s` |" % tuple(r) for r in rows] if rows else ["None."]
    out += ["", "## End-to-end under Wine", ""]
    if s is None:
        out.append("No end-to-end results at `%s` (run `bash scripts/test.sh -R e2e` first)." % args.e2e_log)
    else:
        out += [programs_line(s["programs"]), "From `%s` (%s)." % (args.e2e_log, "; ".join(s["about"])), "",
                "| figure | value |", "|---|---:|",
                "| driver runs completed (one per ANSI code page checked) | %d |" % s["runs"],
                "| scenarios passed | %d of %d |" % (len(s["passed"]), len(s["passed"]) + len(s["failed"])),
                "| hostile-input scenarios passed | %d of %d |" % (s["hostile"][0], sum(s["hostile"]))]
        scenarios, entries, differing = (sum(c[i] for c in s["compared"]) for i in range(3))
        if s["compared"]:
            out += ["| scenarios whose HKCU\\Software and game and decoy folders were compared before and "
                    "after | %d |" % scenarios, "| registry keys and values, files and folders compared | %d |" %
                    entries, "| of those, changed other than by the decided value | %d |" % differing]
        else:
            out += ["", "The results file holds no comparison count: what changed outside the decided value "
                    "was not measured."]
        if s["failed"]:
            out += ["", "Failed:"] + ["- %s: %s" % (f, "; ".join(s["reasons"][f])) for f in s["failed"]]
    e2e_clean = s is not None and s["compared"] and not differing and not s["failed"] and s["runs"] > 0
    out += ["", "## Handles", "", "Leaked or doubly closed handles: %s (the fuzz targets check after each of "
            "their %d inputs)." % ("0" if clean else "see the findings", inputs), ""]
    return out, clean and e2e_clean


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("what", choices=["bench", "reliability", "check", "shipped"])
    parser.add_argument("docs", nargs="*")
    parser.add_argument("--runs", type=int, default=31)
    parser.add_argument("--siblings", type=int, nargs="+", default=[0, 100, 1000, 10000])
    parser.add_argument("--fuzz-stats")
    parser.add_argument("--fuzz-seconds", type=int)
    parser.add_argument("--e2e-log", default="build/win/tests/e2e/e2e-results.txt")
    parser.add_argument("--out")
    args = parser.parse_args(argv)
    if args.what in ("check", "shipped"):
        lines = check(args.docs) if args.what == "check" else map(" ".join, shipped(sys.stdin.read(), args.docs[0]))
        print("".join(line + "\n" for line in lines), end="")
        return 0
    out, good = bench(args) if args.what == "bench" else reliability(args)
    pathlib.Path(args.out).write_text("\n".join(out), encoding="utf-8")
    print("\n".join(out))
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
