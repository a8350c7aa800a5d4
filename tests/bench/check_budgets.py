#!/usr/bin/env python3
"""Reads the benchmark JSON of `make bench`, prints the table of figures and checks each budget.

    check_budgets.py --native native.json [--wine wine.json]
        the table, then PASS or FAIL per budget; exit status 1 when any budget fails
    check_budgets.py --cases-only --native native-once.json [--wine wine-once.json]
                     [--wine-shape JOBS/FILES]
        only that every case the table and the budgets need is there and ran without an error;
        timings are not looked at (the test run uses this on its one-iteration run, whose Wine
        queue may have another shape than the 300 jobs x 3 files the budgets name)

A case is read from its median when the run has repetitions, else from its single run. A budget
whose cases are missing or failed is a FAIL, never a PASS.
"""
import argparse
import json
import re
import sys

TIME_UNITS_IN_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


class Budget:
    def __init__(self, suite, title, case, beside, limit, counter=None):
        self.suite = suite
        self.title = title
        self.case = case
        self.beside = beside  # None: the case's own counter is the ratio
        self.limit = limit
        self.counter = counter


BUDGETS = [
    # Against the in-memory service, whose calls are nearly free, these two only guard against a
    # quadratic walk or a copy per field; the budget that counts is the one under Wine, where
    # each call crosses a process as it does on Windows.
    Budget("native", "EnumerateJobs 10,000 x 10 at most 3x its floor",
           "EnumerateJobs/10000/10", "EnumerateJobsFloor/10000/10", 3.0),
    Budget("native", "EnumerateJobs 100,000 x 10 at most 12x 10,000 x 10 (linear)",
           "EnumerateJobs/100000/10", "EnumerateJobs/10000/10", 12.0),
    Budget("native", "CancelJob lookup in 10,000 jobs at most 1.5x its floor",
           "CancelJobLookup/10000", "CancelJobLookupFloor/10000", 1.5),
    Budget("native", "ReloadJobList of 10,000 jobs at most 1.5x the same summaries and adds",
           "ReloadJobList/10000/10", "ReloadJobListFloor/10000/10", 1.5),
    Budget("native", "one copy of each text: snapshot peak at most 1.25x what it holds",
           "SnapshotMemory/100000/10", None, 1.25, counter="peak_over_held"),
    Budget("wine", "EnumerateJobs under Wine, 300 x 3, at most 1.1x its floor",
           "WineEnumerateJobs/300/3", "WineEnumerateJobsFloor/300/3", 1.1),
    # What the user waits for: the list and a command each ask only for what they show.
    Budget("wine", "list fill under Wine, 300 x 3, at most 1.2x a bare walk of the same four reads",
           "WineListFill/300/3", "WineListFillFloor/300/3", 1.2),
    Budget("wine", "a command's lookup and read under Wine at most 1.2x a bare GetJob and reads",
           "WineProperties/300/3", "WinePropertiesFloor/300/3", 1.2),
]

# Case beside its reference, for the table; the reference is None for a case shown alone.
TABLE = [
    ("native", "EnumerateJobs/1000/10", "EnumerateJobsFloor/1000/10"),
    ("native", "EnumerateJobs/10000/10", "EnumerateJobsFloor/10000/10"),
    ("native", "EnumerateJobs/100000/10", "EnumerateJobsFloor/100000/10"),
    ("native", "EnumerateJobs/1000/200", "EnumerateJobsFloor/1000/200"),
    ("native", "CancelJobLookup/10000", "CancelJobLookupFloor/10000"),
    ("native", "FormatJobReport/0", "FormatJobReportCopy/0"),
    ("native", "FormatJobReport/10", "FormatJobReportCopy/10"),
    ("native", "FormatJobReport/200", "FormatJobReportCopy/200"),
    ("native", "ToUtf8/1048576", "ToUtf8Copy/1048576"),
    ("native", "ReloadJobList/10000/10", "ReloadJobListFloor/10000/10"),
    ("native", "ReloadJobList/10000/10", "ListAdds/10000/10"),
    ("native", "StartUp", None),
    ("native", "SnapshotMemory/100000/10", None),
    ("wine", "WineEnumerateJobs/300/3", "WineEnumerateJobsFloor/300/3"),
    # What the list fill and one command ask of the service, beside the whole snapshot that each
    # of them used to take, and beside their floors.
    ("wine", "WineListFill/300/3", "WineEnumerateJobs/300/3"),
    ("wine", "WineListFill/300/3", "WineListFillFloor/300/3"),
    ("wine", "WineProperties/300/3", "WineEnumerateJobs/300/3"),
    ("wine", "WineProperties/300/3", "WinePropertiesFloor/300/3"),
    ("wine", "WineCancel/300/3", "WineEnumerateJobs/300/3"),
]

# Google Benchmark appends the run's settings to a case's name; the budgets name the case alone.
SETTING = re.compile(r"/(iterations|repeats|min_time|threads):[^/]*|/(manual_time|real_time)")


def case_name(entry):
    return SETTING.sub("", entry.get("run_name") or entry["name"])


def read_cases(path):
    """Case name -> its entry: the median aggregate when there is one, else the single run."""
    with open(path, encoding="utf-8") as source:
        document = json.load(source)
    cases = {}
    failures = {}
    for entry in document.get("benchmarks", []):
        name = case_name(entry)
        if entry.get("error_occurred"):
            failures[name] = entry
        elif entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") == "median":
                cases[name] = entry
        elif cases.get(name, {}).get("run_type") != "aggregate":
            cases[name] = entry
    # A failed repetition spoils the case, whatever the others gave.
    cases.update(failures)
    return cases


def milliseconds(entry):
    return entry["real_time"] * TIME_UNITS_IN_MS[entry.get("time_unit", "ns")]


def usable(entry):
    return entry is not None and not entry.get("error_occurred")


def problem(cases, name):
    """Why a case cannot be used, or None."""
    entry = cases.get(name)
    if entry is None:
        return f"{name} was not measured"
    if entry.get("error_occurred"):
        return f"{name} failed: {entry.get('error_message', 'error')}"
    return None


def ratio_of(budget, cases):
    """(ratio, None) or (None, the reason it cannot be formed)."""
    for name in [budget.case] + ([budget.beside] if budget.beside else []):
        reason = problem(cases, name)
        if reason:
            return None, reason
    if budget.counter:
        value = cases[budget.case].get(budget.counter)
        if value is None:
            return None, f"{budget.case} has no {budget.counter}"
        return float(value), None
    reference = milliseconds(cases[budget.beside])
    if reference <= 0:
        return None, f"{budget.beside} took no time"
    return milliseconds(cases[budget.case]) / reference, None


def format_time(ms):
    if ms >= 1000:
        return f"{ms / 1000:.2f} s"
    if ms >= 1:
        return f"{ms:.2f} ms"
    if ms >= 0.001:
        return f"{ms * 1000:.2f} us"
    return f"{ms * 1e6:.0f} ns"


def format_ratio(ratio):
    """Two decimals, or as many more as a small ratio needs to show two figures."""
    decimals = 2
    while decimals < 5 and 0 < ratio < 10 ** (1 - decimals):
        decimals += 1
    return f"{ratio:.{decimals}f}x"


def table_row(case, beside, cases):
    entry = cases.get(case)
    if not usable(entry):
        return f"{case:<28} {problem(cases, case)}"
    if case.startswith("SnapshotMemory"):
        return (f"{case:<28} peak {entry.get('peak_bytes_per_job', 0):,.0f} B/job, "
                f"held {entry.get('held_bytes_per_job', 0):,.0f} B/job, "
                f"peak/held {entry.get('peak_over_held', 0):.2f}")
    row = f"{case:<28} {format_time(milliseconds(entry)):>10}"
    if beside is None:
        return row + ("  (median)" if entry.get("aggregate_name") == "median" else "")
    other = cases.get(beside)
    if not usable(other):
        return row + f"   {problem(cases, beside)}"
    reference = milliseconds(other)
    ratio = format_ratio(milliseconds(entry) / reference)
    row += f"   {beside:<30} {format_time(reference):>10}   {ratio:>8}"
    if "drop_ms" in entry:
        whole = milliseconds(entry) + float(entry["drop_ms"])
        row += f"   drop {format_time(float(entry['drop_ms']))}, {whole / reference:.2f}x with it"
    if "page_faults" in entry:
        row += f", {float(entry['page_faults']):,.0f} page faults"
    return row


WINE_SHAPE = re.compile(r"/\d+/\d+$")


def check(suites, cases_only, out, wine_shape=None):
    cases = {}
    for path in suites.values():
        cases.update(read_cases(path))
    failed = False
    if cases_only:
        needed = []
        for suite, case, beside in TABLE:
            if suite in suites:
                needed += [case] + ([beside] if beside else [])
        for budget in BUDGETS:
            if budget.suite in suites:
                needed += [budget.case] + ([budget.beside] if budget.beside else [])
        if wine_shape:
            needed = [WINE_SHAPE.sub("/" + wine_shape, name) if name.startswith("Wine") else name
                      for name in needed]
        for name in dict.fromkeys(needed):
            reason = problem(cases, name)
            if reason is None and name.startswith("SnapshotMemory"):
                reason = None if "peak_over_held" in cases[name] else f"{name} has no peak_over_held"
            print(f"{'ok     ' if reason is None else 'MISSING'}  {reason or name}", file=out)
            failed = failed or reason is not None
        return 1 if failed else 0

    print("Figures (median of the repetitions; ratio = case / the one beside it)", file=out)
    for suite, case, beside in TABLE:
        if suite in suites:
            print("  " + table_row(case, beside, cases), file=out)
    print("Budgets", file=out)
    for budget in BUDGETS:
        if budget.suite not in suites:
            print(f"  FAIL  {budget.title}: not measured (no {budget.suite} results)", file=out)
            failed = True
            continue
        ratio, reason = ratio_of(budget, cases)
        if ratio is None:
            print(f"  FAIL  {budget.title}: {reason}", file=out)
            failed = True
        elif ratio <= budget.limit:
            print(f"  PASS  {budget.title}: {ratio:.2f}x", file=out)
        else:
            print(f"  FAIL  {budget.title}: {ratio:.2f}x", file=out)
            failed = True
    return 1 if failed else 0


def main(argv, out=sys.stdout):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--native", help="JSON of the native suite")
    parser.add_argument("--wine", help="JSON of the suite run under Wine")
    parser.add_argument("--cases-only", action="store_true",
                        help="check only that every needed case ran, not the timings")
    parser.add_argument("--wine-shape", metavar="JOBS/FILES",
                        help="with --cases-only: the queue the Wine run was given")
    arguments = parser.parse_args(argv)
    if arguments.wine_shape and not re.fullmatch(r"\d+/\d+", arguments.wine_shape):
        parser.error("--wine-shape takes JOBS/FILES, such as 60/3")
    suites = {name: path for name, path in (("native", arguments.native),
                                            ("wine", arguments.wine)) if path}
    if not suites:
        parser.error("give --native, --wine or both")
    try:
        return check(suites, arguments.cases_only, out, arguments.wine_shape)
    except (OSError, ValueError, KeyError) as error:
        print(f"cannot read the results: {error}", file=out)
        return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
