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
    return None


def wine_program():
    for candidate in ("/usr/lib/wine/wine64", shutil.which("wine64"), shutil.which("wine")):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    return None


def wine_server_program():
    for candidate in ("/usr/lib/wine/wineserver", shutil.which("wineserver")):
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
SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "scripts")


class UnderWine(DesktopCase):
    """The shared prefix of the other Wine tests draws nothing (its graphics driver is "null"), and
    Wine's desktop keeps the driver its server started with, so this group has a prefix, a
    wineserver and fixture jobs of its own, on this group's X server from the first process on."""

    wine_started = False

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        try:
            cls.start_wine()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        try:
            if cls.wine_started:
                cls.wine_script("wine-stop.sh", timeout=120)
        finally:
            cls.wine_started = False
            super().tearDownClass()

    @classmethod
    def start_wine(cls):
        fixture = os.environ.get("KESTRELMOOR_BITS_FIXTURE", "")
        missing = [what for what, there in (("wine64", wine_program()),
                                            ("wineserver", wine_server_program()),
                                            (fixture or "bits_fixture.exe",
                                             os.path.exists(fixture))) if not there]
        if missing:
            raise RuntimeError("needed for Kestrelmoor.exe under Wine: " + ", ".join(missing))
        cls.wine_started = True
        # The first run in a build tree also makes the prefix.
        cls.wine_script("wine-start.sh", fixture, timeout=300)
        # A list left by an earlier run would stand for jobs this server does not hold.
        if os.path.exists(fixture_jobs_file()):
            os.remove(fixture_jobs_file())
        cls.wine_script("wine-run.sh", fixture, "create", fixture_jobs_file(), timeout=120)

    @classmethod
    def wine_script(cls, script, *args, timeout):
        env = {**os.environ, **WINE_ENVIRONMENT,
               "KESTRELMOOR_WINE": wine_program(),
               "KESTRELMOOR_WINESERVER": wine_server_program(),
               "KESTRELMOOR_WINE_GRAPHICS": "x11",
               "DISPLAY": cls.desktop.display}
        log = os.path.join(cls.artifacts, f"{script}.log")
        with open(log, "wb") as out:
            # Into a file, never a pipe: Wine's services inherit it and outlive the script.
            status = subprocess.run(["bash", os.path.join(SCRIPTS, script), *args], stdout=out,
                                    stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, env=env,
                                    timeout=timeout).returncode
        if status != 0:
            with open(log, encoding="utf-8", errors="replace") as f:
                raise RuntimeError(f"{script} failed ({status}):\n{f.read()[-4000:]}")

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
