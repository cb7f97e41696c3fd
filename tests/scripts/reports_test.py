#!/usr/bin/env python3
"""The generated documents' honesty: figures of other programs are named once, by the
programs' sums; the nothing-changed figure is the driver's count; only a whole end-to-end run
is published; WoW64 start-ups count as native; the shipped line counts the labelled tests that
ran; the guide text says in words what its pictures show."""
import json
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, ".."), os.path.join(HERE, "..", "..", "cmake")]
import guide_text  # noqa: E402
import report  # noqa: E402


def write(folder, name, text, mode="w"):
    path = pathlib.Path(folder, name)
    (path.write_text(text, encoding="utf-8") if mode == "w" else path.write_bytes(text))
    return str(path)


class ReportsTest(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.dir = scratch.name

    def test_only_documents_of_other_programs_are_named_in_one_line(self):
        dist = os.path.join(self.dir, "dist")
        os.mkdir(dist)
        write(dist, "A.exe", b"program a", "b")
        write(dist, "B.exe", b"program b", "b")
        same = write(self.dir, "same.md", "Text edited.\n%s\n" % report.programs_line(report.sums(dist)))
        self.assertEqual(report.check([same, os.path.join(self.dir, "gone.md")], dist), [])
        other = write(self.dir, "other.md", report.programs_line({"A.exe": "0" * 64, "B.exe": report.sums(dist)["B.exe"]}))
        unnamed = write(self.dir, "unnamed.md", "Measured on a retired build\n")
        line, = report.check([same, other, unnamed], dist)
        self.assertIn("%s, %s:" % (other, unnamed), line)
        self.assertNotIn(same, line)
        write(dist, "B.exe", b"program b, changed", "b")
        self.assertIn(same, report.check([same], dist)[0])

    def test_the_comparison_count_is_summed_over_runs_and_absent_means_unmeasured(self):
        runs = ("run: whole suite\nprogram: %s  A.exe\ncommit: abc\nwine: wine-8.0, whose loader runs natively\n"
                "PASS hostile: long name (1.0 s)\nPASS plain (2.0 s)\n"
                "compared: 90 scenarios, 5000 entries, 0 differing\n90 passed, 0 failed\n"
                "FAIL code page 936: rows (3.0 s)\n     - row 1044 reads 'x'\n     - exit code 1\n"
                "compared: 2 scenarios, 100 entries, 1 differing\n1 passed, 1 failed\n" % ("1" * 64))
        s = report.e2e_summary(write(self.dir, "results.txt", runs + "PASS cut short (1.0 s)\n"))
        self.assertEqual((len(s["passed"]), s["failed"], s["hostile"]), (3, ["code page 936: rows (3.0 s)"], [1, 0]))
        self.assertEqual((s["compared"], s["runs"], s["programs"]), ([(90, 5000, 0), (2, 100, 1)], 2, {"A.exe": "1" * 64}))
        self.assertEqual(s["reasons"], {s["failed"][0]: ["row 1044 reads 'x'", "exit code 1"]})
        self.assertEqual(s["about"], ["commit: abc", "wine: wine-8.0, whose loader runs natively"])
        s = report.e2e_summary(write(self.dir, "older.txt", "run: whole suite\nPASS plain (2.0 s)\n"))
        self.assertEqual((s["compared"], s["runs"], s["programs"]), ([], 0, {}))

    def test_only_a_whole_end_to_end_run_is_published(self):
        out = os.path.join(self.dir, "reliability.md")
        for first_line in ("run: filtered, E2E_FILTER=hostile", "program: %s  A.exe" % ("1" * 64)):
            log = write(self.dir, "results.txt", first_line + "\nPASS hostile: a (1.0 s)\n1 passed, 0 failed\n")
            run = subprocess.run([sys.executable, "-B", report.__file__, "reliability", "--fuzz-stats", self.dir,
                                  "--fuzz-seconds", "1", "--e2e-log", log, "--out", out], capture_output=True, text=True)
            self.assertEqual((run.returncode, os.path.exists(out)), (1, False), run.stdout)
            self.assertIn("refusing", run.stderr)

    def test_a_wow64_run_counts_as_native_and_a_qemu_one_does_not(self):
        # The words tests/wine/wine.sh exports as WINE_HOW: report.py publishes the start-ups
        # of a route that says "natively", and no times taken through qemu.
        wow64, qemu = subprocess.run(["bash", "-c", '. "$1" && echo "$wine_wow64_how" && echo "$wine_qemu_how"', "-",
                                      os.path.join(report.REPO, "tests", "wine", "wine.sh")],
                                     check=True, capture_output=True, text=True).stdout.splitlines()
        self.assertIn("natively", wow64)
        self.assertIn("WoW64", wow64)
        self.assertNotIn("natively", qemu)

    def test_the_shipped_line_counts_only_labelled_tests_that_ran(self):
        def test(name, *labels):
            return {"name": name, "properties": [{"name": "LABELS", "value": list(labels)}] if labels else []}
        listing = json.dumps({"tests": [test("wine.session.start"), test("e2e", "shipped"),
                                        test("resources.dialog", "shipped"), test("e2e.signed", "shipped")]})
        results = write(self.dir, "results.xml", '<testsuite><testcase name="e2e" status="run"/>'
                        '<testcase name="wine.session.start" status="run"/><testcase name="e2e.signed" status="fail"/>'
                        '<testcase name="resources.dialog" status="notrun"/></testsuite>')
        self.assertEqual(report.shipped(listing, results), (["e2e", "e2e.signed"], ["resources.dialog"]))
        self.assertEqual(report.shipped("", os.path.join(self.dir, "none.xml")), ([], []))

    def test_the_guide_text_says_what_the_pictures_show(self):
        text = guide_text.plain("![The box: [ Setup.ini ] が](w.png) ![The same box in French](w-fr.png)\n"
                                "As [the same](w-fr.png) in French.\n")
        self.assertEqual(text, "The box: [ Setup.ini ] が\r\nThe same box in French\r\n"
                               "As the same (w-fr.png) in French.\r\n")
        # The text has no pictures beside it: nothing in it may point at one.
        with open(os.path.join(report.REPO, "docs", "players.md"), encoding="utf-8") as guide:
            shipped = guide_text.plain(guide.read())
        self.assertEqual(re.findall(r"(?i)\b(?:left|right)\b|[左右]|!\[|pictures?\b|画像", shipped), [])


if __name__ == "__main__":
    unittest.main()
