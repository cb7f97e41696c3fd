#!/usr/bin/env python3
"""Writes docs/reliability.md from what the runs left behind: libFuzzer's final
statistics of each target, the end-to-end suite's log (its hostile scenarios and
nothing-lost checks) and the list of findings with their regression tests."""
import argparse
import datetime
import glob
import os
import re
import sys

import facts

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
    lines = open(log, errors="replace").read().splitlines()
    passed = [l[5:] for l in lines if l.startswith("PASS ")]
    failed = [l[5:] for l in lines if l.startswith("FAIL ")]
    hostile_pass = [l for l in passed if "hostile" in l.lower()]
    hostile_fail = [l for l in failed if "hostile" in l.lower()]
    return passed, failed, hostile_pass, hostile_fail


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
    parser.add_argument("--e2e-log")
    parser.add_argument("--findings", default="fuzz/findings.tsv")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if not args.e2e_log:
        logs = sorted(glob.glob("build/*/tests/e2e/e2e-results.txt"), key=os.path.getmtime)
        args.e2e_log = logs[-1] if logs else None

    out = ["# Reliability figures", "",
           "Written by `make fuzz` (scripts/reliability_report.py) on %s from the runs' own output; "
           "do not edit by hand." % datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
           "", "## Fuzzing (host build, libFuzzer with AddressSanitizer and UBSan)", "",
           "Every input is checked: no key or search handle left open, none closed twice, no root key "
           "closed by the reader, and a write that changes nothing but its one value.", "",
           "| target | what it feeds | inputs tried | seconds | outcome |", "|---|---|---:|---:|---|"]
    total_inputs = 0
    clean = True
    for target, what, execs, took, outcome in fuzz_rows(args.fuzz_stats):
        out.append("| %s | %s | %s | %s | %s |" % (target, what, execs if execs is not None else "–",
                                                  took or "–", outcome))
        total_inputs += execs or 0
        clean = clean and outcome == "no finding"

    out += ["", "## Findings and their regression tests", ""]
    rows = findings(args.findings)
    if rows:
        out += ["| finding | regression test |", "|---|---|"]
        out += ["| %s | `%s` |" % row for row in rows]
    else:
        out.append("None.")

    out += ["", "## End-to-end under Wine", ""]
    summary = e2e_summary(args.e2e_log)
    if summary is None:
        out.append("No end-to-end log found (run `make test` first).")
    else:
        passed, failed, hostile_pass, hostile_fail = summary
        out += ["From `%s`." % args.e2e_log, "",
                "| figure | value |", "|---|---:|",
                "| scenarios passed | %d of %d |" % (len(passed), len(passed) + len(failed)),
                "| hostile-input scenarios passed | %d of %d |" % (len(hostile_pass), len(hostile_pass) + len(hostile_fail)),
                "| registry entries or file bytes changed outside the decided value | %s |" %
                ("0" if not failed else "see failed scenarios"),
                ]
        if failed:
            out += ["", "Failed:"] + ["- " + f for f in failed]
        clean = clean and not failed
    out += ["", "## Handles", "",
            "Leaked or doubly closed handles: %s (checked after each of %d fuzz inputs and at the end "
            "of every host unit test)." % ("0" if clean else "see findings", total_inputs), ""]
    with open(args.out, "w", encoding="utf-8") as f:
        f.write("\n".join(out))
    print("\n".join(out))
    return 0 if clean else 1


if __name__ == "__main__":
    sys.exit(main())
