#!/usr/bin/env python3
"""The generated documents' honesty: a stale fingerprint is named, the nothing-changed figure is
the driver's count, qemu start-ups give way to the last native ones (WoW64 ones are native), the
guide text says in words what its pictures show."""
import os
import re
import pathlib
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import bench_report  # noqa: E402
import guide_text  # noqa: E402
import provenance  # noqa: E402
import reliability_report  # noqa: E402


def write(folder, name, text):
    path = pathlib.Path(folder, name)
    path.write_text(text, encoding="utf-8")
    return str(path)


class ReportsTest(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.dir = scratch.name

    def test_only_documents_of_other_sources_are_named(self):
        current = provenance.fingerprint()[0]
        fresh = write(self.dir, "fresh.md", "on: %s\n" % provenance.sources())
        other = write(self.dir, "other.md", "product sources (core/, tools/): `%s`\n" % ("0" * 16))
        unrecorded = write(self.dir, "old.md", "Written on a retired build\n")
        self.assertEqual(provenance.stale([fresh, other, unrecorded, os.path.join(self.dir, "gone.md")]),
                         [(other, "0" * 16), (unrecorded, None)])
        self.assertIn("`%s`" % current, provenance.sources())

    def test_the_comparison_count_is_summed_over_runs_and_absent_means_unmeasured(self):
        runs = ("measured on: commit abc; product sources (core/, tools/): `%s`\n"
                "PASS hostile: long name (1.0 s)\nPASS plain (2.0 s)\n"
                "compared: 90 scenarios, 5000 entries, 0 differing\n90 passed, 0 failed\n"
                "FAIL code page 936: rows (3.0 s)\n     - row 1044 reads 'x'\n     - exit code 1\n"
                "compared: 2 scenarios, 100 entries, 1 differing\n1 passed, 1 failed\n" % ("1" * 16))
        passed, failed, hostile, _, measured_on, compared, completed, reasons = reliability_report.e2e_summary(
            write(self.dir, "results.txt", runs + "PASS cut short (1.0 s)\n"))
        self.assertEqual((len(passed), failed, len(hostile)), (3, ["code page 936: rows (3.0 s)"], 1))
        self.assertEqual((compared, completed), ([(90, 5000, 0), (2, 100, 1)], 2))
        self.assertEqual(reasons, {failed[0]: ["row 1044 reads 'x'", "exit code 1"]})
        self.assertIn("`1111111111111111`", measured_on)
        summary = reliability_report.e2e_summary(write(self.dir, "older.txt", "PASS plain (2.0 s)\n"))
        self.assertEqual((summary[4], summary[5], summary[6]), (None, [], 0))

    def test_only_a_whole_end_to_end_run_is_published(self):
        out = os.path.join(self.dir, "reliability.md")
        for first_line in ("run: filtered, E2E_FILTER=hostile", "measured on: commit abc"):
            log = write(self.dir, "results.txt", first_line + "\nPASS hostile: a (1.0 s)\n1 passed, 0 failed\n")
            run = subprocess.run([sys.executable, "-B", reliability_report.__file__, "--fuzz-stats", self.dir,
                                  "--fuzz-seconds", "1", "--e2e-log", log, "--out", out],
                                 capture_output=True, text=True)
            self.assertEqual((run.returncode, os.path.exists(out)), (2, False), run.stdout)
            self.assertIn("refusing", run.stderr)
        self.assertIsNone(reliability_report.not_whole_run(write(self.dir, "whole.txt", "run: whole suite\n")))

    def git(self, *args):
        return subprocess.run(["git", "-C", self.dir, "-c", "user.name=t", "-c", "user.email=t@t"] + list(args),
                              check=True, capture_output=True, text=True).stdout.strip()

    def test_a_run_through_qemu_carries_the_newest_native_timings(self):
        old_native = ("# F\n\nMachine: x, wine-8.0 (Debian 8.0~repack-4), whose 32-bit loader runs natively.\n\n"
                      "| CalcSwitch | 11264 | 4096 | +7168 | met |\n\n"
                      "## Start-up under Wine\n\n| 0 | floor | 68.8 |\n\n## Registry calls\n")
        through_qemu = ("# F\n\nMachine: x, whose 32-bit loader runs through qemu-i386.\n\n"
                        "## Start-up under Wine\n\n| 0 | floor | 9000.0 |\n")
        self.git("init", "-q")
        for text in (old_native, through_qemu):
            write(self.dir, "perf.md", text)
            self.git("add", "perf.md")
            self.git("commit", "-q", "-m", "figures")
        first = self.git("rev-list", "--max-parents=0", "--abbrev-commit", "HEAD")
        cwd = os.getcwd()
        os.chdir(self.dir)
        try:
            carried = "\n".join(bench_report.carried_timings("perf.md"))
            # Carried once more from a document that itself carried them: the same origin.
            write(self.dir, "perf.md", "# F\n\n## Start-up under Wine\n\n" + carried + "\n")
            self.git("commit", "-q", "-am", "qemu run")
            head = self.git("rev-parse", "--short", "HEAD")
            again = "\n".join(bench_report.carried_timings("perf.md"))
        finally:
            os.chdir(cwd)
        self.assertIn("| 0 | floor | 68.8 |", carried)
        self.assertNotIn("9000.0", carried)
        self.assertNotIn("Registry calls", carried)
        self.assertIn("commit %s" % first, carried)
        self.assertIn("wine-8.0 (Debian 8.0~repack-4)", carried)
        self.assertIn("then 4096 bytes", carried)
        self.assertIn(carried[carried.index(bench_report.NATIVE_BEGIN):], again)
        self.assertIn("as committed in %s" % head, again)

    def test_a_wow64_run_counts_as_native_and_names_its_mode(self):
        # The words scripts/wine-prefix.sh exports: the start-ups it times are published.
        how = subprocess.run(["bash", "-c", '. "$1" && echo "$wine_wow64_how"', "-",
                              os.path.join(provenance.REPO, "scripts", "wine-prefix.sh")],
                             check=True, capture_output=True, text=True).stdout.strip()
        self.assertEqual(provenance.route(how), "native")
        self.assertIn("WoW64", provenance.wine_ran(how))
        self.assertNotIn("32-bit loader", provenance.wine_ran(how))

    def test_the_guide_text_says_what_the_pictures_show(self):
        text = guide_text.plain("![The box: [ Setup.ini ] が](w.png) ![The same box in French](w-fr.png)\n"
                                "As [the same](w-fr.png) in French.\n")
        self.assertEqual(text, "The box: [ Setup.ini ] が\r\nThe same box in French\r\n"
                               "As the same (w-fr.png) in French.\r\n")
        # The text has no pictures beside it: nothing in it may point at one.
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "players.md"), encoding="utf-8") as guide:
            shipped = guide_text.plain(guide.read())
        self.assertEqual(re.findall(r"(?i)\b(?:left|right)\b|[左右]|!\[|pictures?\b|画像", shipped), [])


if __name__ == "__main__":
    unittest.main()
