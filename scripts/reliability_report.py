#!/usr/bin/env python3
"""Writes docs/reliability.md from what the runs left behind: libFuzzer's final
statistics of each target, the end-to-end suite's results file (its hostile scenarios
and the driver's count of what it compared before and after each scenario) and the
list of findings with their regression tests. Every figure names what it was measured
on; one that nothing measured is not written."""
import argparse
import datetime
import os
import re
import subprocess
import sys

import facts
import provenance

TARGETS = facts.fuzz_targets()


def fuzz_rows(folder):
    rows = []
    for target, what in TARGETS.items():
        path = os.path.join(folder, target + ".txt")
        if not os.path.exists(path):
            rows.append((target, what, None, None, "not run"))
            continue
        text = open(path, errors="replace").read()
        execs = re.search(r"stat::number_of_executed_units:\s*(\d+)", text)
        seconds = re.search(r"-max_total_time=(\d+)|Done (\d+) runs in (\d+) second", text)
        crashed = "check failed" in text or "ERROR: " in text or "runtime error" in text \
            or "deadly signal" in text
        took = None
        if seconds:
            took = seconds.group(3) or seconds.group(1)
        rows.append((target, what, int(execs.group(1)) if execs else None, took,
                     "finding: see the log" if crashed else "no finding"))
    return rows


def e2e_summary(log):
    if not log or not os.path.exists(log):
        return None
    with open(log, errors="replace") as f:
        lines = f.read().splitlines()
    passed = [l[5:] for l in lines if l.startswith("PASS ")]
    failed = [l[5:] for l in lines if l.startswith("FAIL ")]
    # Each failure with the driver's reasons, the "     - " lines under it.
    reasons = {}
    for i, l in enumerate(lines):
        if l.startswith("FAIL "):
            following = lines[i + 1:]
            ends = next((j for j, r in enumerate(following) if not r.startswith("     - ")), len(following))
            reasons[l[5:]] = [r.strip()[2:] for r in following[:ends]]
    hostile_pass = [l for l in passed if "hostile" in l.lower()]
    hostile_fail = [l for l in failed if "hostile" in l.lower()]
    measured_on = next((l[len("measured on: "):] for l in lines if l.startswith("measured on: ")), None)
    # One line per driver run (one per ANSI code page): the sum is the suite's.
    compared = [tuple(int(n) for n in m.groups()) for m in
                (COMPARED.match(l) for l in lines) if m]
    # A driver run that was stopped (the suite's timeout) leaves no summary line.
    runs = sum(1 for l in lines if SUMMARY.match(l))
    return passed, failed, hostile_pass, hostile_fail, measured_on, compared, runs, reasons


WHOLE_RUN = "run: whole suite"


def not_whole_run(log):
    """Why the results file at log is not a whole run of the suite, or None when it is:
    run-e2e.sh names a run's scope on its first line, a filtered run its filter."""
    if not log or not os.path.exists(log):
        return None
    with open(log, errors="replace") as f:
        first = f.readline().rstrip("\n")
    if first == WHOLE_RUN:
        return None
    if first.startswith("run: "):
        return "it holds only part of the suite (%s)" % first[len("run: "):]
    return "its first line does not say that it is a whole run (%r)" % first


SUMMARY = re.compile(r"\d+ passed, \d+ failed$")
COMPARED = re.compile(r"compared: (\d+) scenarios, (\d+) entries, (\d+) differing$")


def findings(path):
    rows = []
    for line in open(path, encoding="utf-8"):
        if line.strip() and not line.startswith("#"):
            finding, test = line.rstrip("\n").split("\t")
            rows.append((finding, test))
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--fuzz-stats", required=True)
    parser.add_argument("--fuzz-seconds", type=int, required=True, help="each target's time, as asked")
    parser.add_argument("--e2e-log", default="build/win/tests/e2e/e2e-results.txt",
                        help="the i686 build's end-to-end results file")
    parser.add_argument("--findings", default="fuzz/findings.tsv")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    partial = not_whole_run(args.e2e_log)
    if partial:
        print("reliability_report: refusing %s: %s. Its figures are not the suite's; run "
              "`bash scripts/test.sh -R e2e` without E2E_FILTER first." % (args.e2e_log, partial),
              file=sys.stderr)
        return 2

    now = datetime.datetime.now(datetime.timezone.utc)
    clang = subprocess.run(["clang", "--version"], capture_output=True, text=True).stdout.splitlines()
    out = ["# Reliability figures", "",
           "Written by `bash scripts/fuzz.sh` (scripts/reliability_report.py) on %s from the runs' own "
           "output; do not edit by hand." % now.strftime("%Y-%m-%d %H:%M UTC"), "",
           "Fuzzed on: %s." % provenance.line(wine=False),
           "", "## Fuzzing (host build, libFuzzer with AddressSanitizer and UBSan)", "",
           "%s; each target ran for %d seconds (`FUZZ_SECONDS`) from its seed corpus. Every input is "
           "checked: no key or search handle left open, none closed twice, no root key closed by the "
           "reader, and a write that changes nothing but its one value." %
           (clang[0] if clang else "clang", args.fuzz_seconds), "",
           "| target | what it feeds | inputs tried | seconds | outcome |", "|---|---|---:|---:|---|"]
    total_inputs = 0
    fuzz_clean = True
    for target, what, execs, took, outcome in fuzz_rows(args.fuzz_stats):
        out.append("| %s | %s | %s | %s | %s |" % (target, what, execs if execs is not None else "–",
                                                  took or "–", outcome))
        total_inputs += execs or 0
        fuzz_clean = fuzz_clean and outcome == "no finding"

    out += ["", "## Findings and their regression tests", ""]
    rows = findings(args.findings)
    if rows:
        out += ["| finding | regression test |", "|---|---|"]
        out += ["| %s | `%s` |" % row for row in rows]
    else:
        out.append("None.")

    out += ["", "## End-to-end under Wine", ""]
    summary = e2e_summary(args.e2e_log)
    e2e_clean = True
    if summary is None:
        out.append("No end-to-end results at `%s` (run `bash scripts/test.sh -R e2e` first)." % args.e2e_log)
        e2e_clean = False
    else:
        passed, failed, hostile_pass, hostile_fail, measured_on, compared, runs, reasons = summary
        written = datetime.datetime.fromtimestamp(os.path.getmtime(args.e2e_log), datetime.timezone.utc)
        out += ["From `%s`, written %s by `bash scripts/test.sh -R e2e`; measured on: %s." %
                (args.e2e_log, written.strftime("%Y-%m-%d %H:%M UTC"),
                 measured_on or "not recorded in the file"), ""]
        recorded = provenance.FINGERPRINT.search(measured_on or "")
        if recorded is None or recorded.group(1) != provenance.fingerprint()[0]:
            out += ["Those are not the product sources that the fuzzing above ran on.", ""]
        out += ["| figure | value |", "|---|---:|",
                "| driver runs completed (one per ANSI code page checked) | %d |" % runs,
                "| scenarios passed | %d of %d |" % (len(passed), len(passed) + len(failed)),
                "| hostile-input scenarios passed | %d of %d |" %
                (len(hostile_pass), len(hostile_pass) + len(hostile_fail))]
        if compared:
            scenarios, entries, differing = (sum(c[i] for c in compared) for i in range(3))
            out += ["| scenarios whose HKCU\\Software and game and decoy folders were compared "
                    "before and after | %d |" % scenarios,
                    "| registry keys and values, files and folders compared | %d |" % entries,
                    "| of those, changed other than by the decided value | %d |" % differing]
            e2e_clean = differing == 0
        else:
            out += ["", "The results file holds no comparison count: what changed outside the "
                    "decided value was not measured."]
        if failed:
            out += ["", "Failed:"] + ["- %s: %s" % (f, "; ".join(reasons[f])) for f in failed]
        e2e_clean = e2e_clean and not failed and runs > 0
    out += ["", "## Handles", "",
            "Leaked or doubly closed handles: %s (the fuzz targets check after each of their %d "
            "inputs)." % ("0" if fuzz_clean else "see the findings", total_inputs), ""]
    with open(args.out, "w", encoding="utf-8") as f:
        f.write("\n".join(out))
    print("\n".join(out))
    return 0 if fuzz_clean and e2e_clean else 1


if __name__ == "__main__":
    sys.exit(main())
