"""The budget check decides what `make bench` reports as PASS or FAIL, so its reading of the
benchmark JSON is tested here on small hand-made runs."""
import io
import json
import os
import tempfile
import unittest

import check_budgets


def case(name, ms, unit="ms", **extra):
    scale = {"ns": 1e6, "us": 1e3, "ms": 1.0}[unit]
    entry = {"name": name, "run_name": name, "run_type": "iteration", "real_time": ms * scale,
             "cpu_time": ms * scale, "time_unit": unit, "iterations": 1}
    entry.update(extra)
    return entry


def median(name, ms, **extra):
    return case(name + "_median", ms, run_name=name, run_type="aggregate",
                aggregate_name="median", **extra)


def mean(name, ms):
    return case(name + "_mean", ms, run_name=name, run_type="aggregate", aggregate_name="mean")


def native_run(**times):
    """Every native case within its budget, with `times` replacing some of the figures."""
    figures = {
        "EnumerateJobs/1000/10": 5, "EnumerateJobsFloor/1000/10": 3,
        "EnumerateJobs/10000/10": 50, "EnumerateJobsFloor/10000/10": 30,
        "EnumerateJobs/100000/10": 520, "EnumerateJobsFloor/100000/10": 300,
        "EnumerateJobs/1000/200": 60, "EnumerateJobsFloor/1000/200": 40,
        "CancelJobLookup/10000": 3, "CancelJobLookupFloor/10000": 2.5,
        "FormatJobReport/0": 0.002, "FormatJobReportCopy/0": 0.0001,
        "FormatJobReport/10": 0.01, "FormatJobReportCopy/10": 0.0002,
        "FormatJobReport/200": 0.2, "FormatJobReportCopy/200": 0.01,
        "ToUtf8/1048576": 1.5, "ToUtf8Copy/1048576": 0.05,
        "ReloadJobList/10000/10": 1.4, "ReloadJobListFloor/10000/10": 1.0,
        "ListAdds/10000/10": 0.02,
        "StartUp": 90,
    }
    figures.update(times)
    entries = [median(name, ms) for name, ms in figures.items()]
    entries.append(case("SnapshotMemory/100000/10", 5000, peak_bytes_per_job=5000.0,
                        held_bytes_per_job=4900.0, peak_over_held=1.02))
    return {"context": {}, "benchmarks": entries}


class BudgetCheck(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def write(self, name, document):
        path = os.path.join(self.folder.name, name)
        with open(path, "w", encoding="utf-8") as target:
            json.dump(document, target)
        return path

    def run_check(self, *arguments):
        out = io.StringIO()
        status = check_budgets.main(list(arguments), out)
        return status, out.getvalue()

    def verdict(self, output, title_start):
        lines = [line.strip() for line in output.splitlines() if title_start in line]
        self.assertEqual(len(lines), 1, output)
        return lines[0].split()[0]

    def wine_run(self, case_ms, floor_ms, fill_ms=19, fill_floor_ms=18):
        return {"benchmarks": [median("WineEnumerateJobs/300/3", case_ms),
                               median("WineEnumerateJobsFloor/300/3", floor_ms),
                               median("WineListFill/300/3", fill_ms),
                               median("WineListFillFloor/300/3", fill_floor_ms),
                               median("WineProperties/300/3", 0.3),
                               median("WinePropertiesFloor/300/3", 0.29),
                               median("WineCancel/300/3", 20)]}

    def test_everything_within_its_budget_passes(self):
        status, output = self.run_check("--native", self.write("n.json", native_run()),
                                        "--wine", self.write("w.json", self.wine_run(105, 100)))
        self.assertEqual(status, 0, output)
        self.assertEqual(output.count("PASS"), 8, output)
        self.assertNotIn("FAIL", output)

    def test_a_ratio_above_its_limit_fails_and_sets_the_status(self):
        run = native_run(**{"EnumerateJobs/10000/10": 91, "EnumerateJobs/100000/10": 600})
        wine = self.wine_run(111, 100, fill_ms=25, fill_floor_ms=20)
        status, output = self.run_check("--native", self.write("n.json", run),
                                        "--wine", self.write("w.json", wine))
        self.assertEqual(status, 1)
        self.assertEqual(self.verdict(output, "10,000 x 10 at most 3x"), "FAIL")
        self.assertEqual(self.verdict(output, "EnumerateJobs under Wine"), "FAIL")
        self.assertEqual(self.verdict(output, "list fill under Wine"), "FAIL")
        self.assertEqual(self.verdict(output, "a command's lookup"), "PASS")
        # 600 / 91 is below 12: only the budgets over their limit fail.
        self.assertEqual(self.verdict(output, "(linear)"), "PASS")

    def test_a_missing_or_failed_case_is_never_a_pass(self):
        run = native_run()
        run["benchmarks"] = [e for e in run["benchmarks"]
                             if e["run_name"] != "CancelJobLookup/10000"]
        run["benchmarks"].append(case("ReloadJobList/10000/10", 0.1, error_occurred=True,
                                      error_message="no display: run the suite under Xvfb"))
        status, output = self.run_check("--native", self.write("n.json", run))
        self.assertEqual(status, 1)
        self.assertEqual(self.verdict(output, "CancelJob lookup"), "FAIL")
        self.assertIn("CancelJobLookup/10000 was not measured", output)
        self.assertEqual(self.verdict(output, "ReloadJobList of"), "FAIL")
        self.assertIn("no display", output)
        # No results from Wine at all: its budgets are not passed by default.
        self.assertEqual(self.verdict(output, "EnumerateJobs under Wine"), "FAIL")
        self.assertEqual(self.verdict(output, "list fill under Wine"), "FAIL")

    def test_the_median_is_read_not_the_mean_nor_a_single_repetition(self):
        run = native_run()
        run["benchmarks"] = [e for e in run["benchmarks"]
                             if e["run_name"] != "ReloadJobList/10000/10"]
        run["benchmarks"] += [case("ReloadJobList/10000/10", 9.0),
                              mean("ReloadJobList/10000/10", 9.0),
                              median("ReloadJobList/10000/10", 1.2)]
        status, output = self.run_check("--native", self.write("n.json", run))
        self.assertEqual(self.verdict(output, "ReloadJobList of"), "PASS", output)

    def test_settings_in_names_and_time_units_are_understood(self):
        # A one-iteration run names its cases with their settings and may mix units.
        run = {"benchmarks": [
            case("CancelJobLookup/10000", 0.002, unit="us",
                 run_name="CancelJobLookup/10000/iterations:1/repeats:1"),
            case("CancelJobLookupFloor/10000", 0.001, unit="ms",
                 run_name="CancelJobLookupFloor/10000/iterations:1/repeats:1"),
        ]}
        cases = check_budgets.read_cases(self.write("n.json", run))
        self.assertIn("CancelJobLookup/10000", cases)
        budget = [b for b in check_budgets.BUDGETS if b.case == "CancelJobLookup/10000"][0]
        ratio, reason = check_budgets.ratio_of(budget, cases)
        self.assertIsNone(reason)
        self.assertAlmostEqual(ratio, 2.0)

    def test_memory_budget_reads_the_counter(self):
        run = native_run()
        for entry in run["benchmarks"]:
            if entry["run_name"] == "SnapshotMemory/100000/10":
                entry["peak_over_held"] = 2.0  # a second copy of the texts was alive
        status, output = self.run_check("--native", self.write("n.json", run))
        self.assertEqual(self.verdict(output, "one copy of each text"), "FAIL")

    def test_cases_only_ignores_timings_but_not_missing_cases(self):
        slow = native_run(**{"ReloadJobList/10000/10": 500})
        status, output = self.run_check("--cases-only", "--native", self.write("n.json", slow))
        self.assertEqual(status, 0, output)
        self.assertNotIn("MISSING", output)

        slow["benchmarks"] = [e for e in slow["benchmarks"] if e["run_name"] != "StartUp"]
        status, output = self.run_check("--cases-only", "--native", self.write("n.json", slow))
        self.assertEqual(status, 1)
        self.assertIn("MISSING  StartUp was not measured", output)

    def test_unreadable_results_are_reported(self):
        status, output = self.run_check("--native", os.path.join(self.folder.name, "none.json"))
        self.assertEqual(status, 2)
        self.assertIn("cannot read the results", output)


if __name__ == "__main__":
    unittest.main()
