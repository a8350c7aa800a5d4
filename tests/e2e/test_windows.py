"""The Windows build seen from outside: Kestrelmoor.exe under Wine, on an X server of its own,
listing the jobs that the Wine fixture put into Wine's BITS service. Only what Wine's own windows
allow is looked at: window titles, the report copied out of Job Details, the exit status.

Until the cross build links Kestrelmoor.exe (it needs an FLTK built for Windows), this group
reports a skip that says so."""

import os
import shutil
import subprocess
import sys
import unittest

SKIP = 77


def reason_to_skip():
    exe = os.environ.get("KESTRELMOOR_WINDOWS_EXE", "")
    if not os.path.exists(exe):
        return (f"{exe or 'Kestrelmoor.exe'} was not built: the cross build links it only with "
                "an FLTK built for Windows (configure with -DFLTK_DIR=...)")
    if not wine_program():
        return "Wine is not installed (wine64)"
    if not os.path.exists(fixture_jobs_file()):
        return f"the Wine fixture's job list {fixture_jobs_file()} is missing"
    return None


def wine_program():
    for candidate in ("/usr/lib/wine/wine64", shutil.which("wine64"), shutil.which("wine")):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    return None


def fixture_jobs_file():
    return os.path.join(os.environ.get("KESTRELMOOR_WINE_LOGS", ""), "fixture_jobs.txt")


def fixture_jobs():
    """Identifier and display name of each job the fixture created."""
    jobs = {}
    with open(fixture_jobs_file(), encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == "job" and len(fields) >= 4:
                jobs[fields[1]] = fields[3].replace("\\t", "\t").replace("\\\\", "\\")
    return jobs


if __name__ == "__main__":
    why = reason_to_skip()
    if why:
        print("SKIP:", why)
        sys.exit(SKIP)

from kestrel_driver import DesktopCase  # noqa: E402  (only once there is something to drive)

WINE_ENVIRONMENT = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}


class UnderWine(DesktopCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # The shared prefix draws nothing (its graphics driver is "null") for the other Wine
        # tests; this group needs real X windows, and puts the setting back afterwards.
        cls.set_graphics_driver("x11")

    @classmethod
    def tearDownClass(cls):
        try:
            cls.set_graphics_driver("null")
        finally:
            super().tearDownClass()

    @classmethod
    def set_graphics_driver(cls, driver):
        subprocess.run([wine_program(), "reg", "add", r"HKCU\Software\Wine\Drivers", "/v",
                        "Graphics", "/d", driver, "/f"], check=True, capture_output=True,
                       env={**os.environ, **WINE_ENVIRONMENT}, timeout=120)

    def environment(self, bin_folder=None):
        env = super().environment(bin_folder)
        env.update(WINE_ENVIRONMENT, WINEPREFIX=os.environ["WINEPREFIX"])
        return env

    def test_lists_the_fixture_jobs_shows_their_report_and_exits_with_0(self):
        app = self.launch(exe=wine_program(), args=[os.environ["KESTRELMOOR_WINDOWS_EXE"]],
                          lines=0, timeout=90)
        self.desktop.save_shot("windows-main-window", windows=[app.main])
        # Wine's fonts set the lines apart differently; only the first line is used here.
        first_line = self.desktop.wait_for(app.line_bands, "lines in the job list")[0]
        app.first_line_center, app.line_pitch = (first_line[0] + first_line[1]) / 2, 1
        self.desktop.click(*app.line_point(1))
        details = app.open_properties("keys")
        report = app.properties_text(details).decode("utf-8", "replace").replace("\r\n", "\n")
        heading = dict(line.split(":", 1) for line in report.splitlines()[:2])
        jobs = fixture_jobs()
        job_id = heading["Job ID"].strip()
        self.assertIn(job_id, jobs, "line 1 is one of the fixture's jobs")
        self.assertEqual(heading["Display Name"].strip(), jobs[job_id].strip())
        app.close_window_by_escape(details)

        app.command("about", "keys")
        about = self.desktop.wait_window("About Kestrelmoor")
        self.desktop.focus(about)
        self.desktop.keys("Return")
        self.desktop.wait_gone(about)

        app.command("exit", "keys")
        self.assertEqual(app.exit_status(timeout=60), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
