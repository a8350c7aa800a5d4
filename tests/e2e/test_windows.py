"""The Windows build seen from outside: Kestrelmoor.exe under Wine, on an X server of its own,
listing the jobs that the Wine fixture put into Wine's BITS service. Only what Wine's own windows
allow is looked at: window titles, the report copied out of Job Details, the exit status; and what
a screen reader gets from another process: the accessible objects and the events.

Until the cross build links Kestrelmoor.exe (it needs an FLTK built for Windows), this group
reports a skip that says so."""

import os
import re
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


UNESCAPED = {"t": "\t", "r": "\r", "n": "\n"}


def fixture_facts(kind):
    """{identifier: text} of one kind of line of the fixture's list, in the order written."""
    facts = {}
    with open(fixture_jobs_file(), encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if fields[0] == kind:
                facts[fields[1]] = re.sub(r"\\(.)", lambda m: UNESCAPED.get(m.group(1), m.group(1)),
                                          fields[-1])
    return facts


def fixture_jobs():
    """Identifier and display name of each job the fixture created."""
    return fixture_facts("job")


def fixture_list_names():
    """What a screen reader hears for each fixture job's line: display name, description ("None"
    where none was set) and state (a new job waits suspended), with the control characters that the
    list shows as blanks."""
    descriptions = fixture_facts("description")
    return [", ".join(re.sub("[\x00-\x1f\x7f-\x9f\u2028\u2029]", " ", text)
                      for text in (name, descriptions.get(job, "None"), "Suspended"))
            for job, name in fixture_jobs().items()]


if __name__ == "__main__":
    why = reason_to_skip()
    if why:
        print("SKIP:", why)
        sys.exit(SKIP)

# Only once there is something to drive.
from kestrel_driver import LIST_LEFT, LIST_TOP, SELECTION_PROBE_X, DesktopCase  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "windows"))
from msaa_watch import NotHeard, Watch  # noqa: E402

MAIN_TITLE = "Kestrelmoor"
MENUS = ("File", "Actions", "Help")
ITEM_STATES = {"selectable", "focusable"}


def screen_reader_steps(first_line, second_line):
    """What is pressed, and the events a screen reader must hear then, in this order, as (event,
    role, name); others may come between. With no line selected, the toolkit's list moves from the
    first line shown: Down selects the second line."""
    def focus(role, name):
        return ("EVENT_OBJECT_FOCUS", role, name)

    def popup_start(name):
        return ("EVENT_SYSTEM_MENUPOPUPSTART", "popup menu", name)
    menu_start = ("EVENT_SYSTEM_MENUSTART", "menu bar", "")
    # Their source is not looked at: a menu's end is heard once its window is gone.
    popup_end = ("EVENT_SYSTEM_MENUPOPUPEND", None, None)
    menu_end = ("EVENT_SYSTEM_MENUEND", None, None)
    return [
        ("second line", ["Down"], [("EVENT_OBJECT_SELECTION", *second_line),
                                   focus(*second_line)]),
        ("first line", ["Up"], [("EVENT_OBJECT_SELECTION", *first_line), focus(*first_line)]),
        ("File", ["alt+f"], [menu_start, popup_start("File")]),
        ("File item", ["Down"], [focus("menu item", "Reload Jobs")]),
        ("Actions", ["Right"], [popup_end, popup_start("Actions")]),
        ("Actions item", ["Down", "Down"], [focus("menu item", "Complete Job"),
                                            focus("menu item", "Cancel Job")]),
        ("closed", ["Escape"], [popup_end, menu_end, focus(*first_line)]),
        ("Context", ["shift+F10"], [("EVENT_SYSTEM_MENUSTART", "client", MAIN_TITLE),
                                    popup_start("Context")]),
        ("Context item", ["Down"], [focus("menu item", "Properties")]),
        ("Job Details", ["Return"], [popup_end, menu_end,
                                     focus("text", "Job Details")]),
    ]


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
        cls.desktop.one_key_at_a_time = True
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
    def wine_environment(cls):
        return {**os.environ, **WINE_ENVIRONMENT,
                "KESTRELMOOR_WINE": wine_program(),
                "KESTRELMOOR_WINESERVER": wine_server_program(),
                "KESTRELMOOR_WINE_GRAPHICS": "x11",
                "DISPLAY": cls.desktop.display}

    @classmethod
    def wine_script(cls, script, *args, timeout):
        env = cls.wine_environment()
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

    def selection_bar_rows(self, app):
        """The screen rows, first and after the last, where the list draws its selection bar: blue,
        the shade Wine gives the toolkit."""
        image, x = self.desktop.grab(), app.main.x + SELECTION_PROBE_X
        rows = [y for y in range(app.main.y, app.main.y + app.main.h)
                if image.pixel(x, y)[2] > image.pixel(x, y)[0] + 60]
        return (rows[0], rows[-1] + 1) if rows else None

    def test_a_screen_reader_hears_the_list_the_menus_the_popup_and_job_details(self):
        app = self.launch(exe=wine_program(), args=[os.environ["KESTRELMOOR_WINDOWS_EXE"]],
                          lines=0, timeout=90)
        reader = Watch(wine_program(), os.environ["KESTRELMOOR_MSAA_CLIENT"], MAIN_TITLE, self.work,
                       self.wine_environment())
        self.addCleanup(reader.close)
        objects = dict(reader.tree())[MAIN_TITLE]
        self.assertEqual([o.key() for o in objects], [("client", MAIN_TITLE), ("menu bar", "")],
                         "the window's client and menu objects")
        client, menu = objects
        self.assertEqual([c.role for c in client.children], ["menu bar", "list"])
        bar, jobs = client.children
        for titles in (bar.children, menu.children):
            self.assertEqual([(t.role, t.name, t.shortcut, "haspopup" in t.states) for t in titles],
                             [("menu item", name, f"Alt+{name[0]}", True) for name in MENUS])
        self.assertEqual(jobs.name, "Jobs")
        # In the order the service lists them, which the model's own tests hold to.
        self.assertEqual(sorted((i.role, i.name) for i in jobs.children),
                         sorted(("list item", name) for name in fixture_list_names()))
        # Each item is its line's rectangle on the screen (the selected one is looked at below),
        # one under the other down the list, or out of view.
        self.assertEqual(jobs.at[:2], app.main.point(LIST_LEFT, LIST_TOP))
        x, y, w, h = jobs.children[0].at
        self.assertTrue(jobs.at[0] <= x and x + w <= jobs.at[0] + jobs.at[2], (x, w, jobs.at))
        for n, item in enumerate(jobs.children):
            self.assertEqual(item.at, (x, y + n * h, w, h))
            shown = item.at[1] + item.at[3] <= jobs.at[1] + jobs.at[3]
            self.assertEqual(item.states, ITEM_STATES if shown else ITEM_STATES | {"offscreen"},
                             item)

        app.focus_main()
        first, second = (("list item", item.name) for item in jobs.children[:2])
        for mark, keys, expected in screen_reader_steps(first, second):
            reader.mark(mark)
            self.desktop.keys(*keys)
            try:
                events = reader.wait_events(mark, expected)
            except NotHeard:
                self.desktop.snapshot_for_failure(f"after {mark}")
                raise
            if expected[-1][1] == "list item":
                line = [n for e, n in events if e == "EVENT_OBJECT_FOCUS"][-1]
                self.assertTrue({"selected", "focused"} <= line.states, line)
                bar = self.selection_bar_rows(app)
                self.assertTrue(bar and line.at[1] <= bar[0] and bar[1] <= line.at[1] + line.at[3],
                                f"the selection bar's rows {bar} on the item at {line.at}")
            if mark == "File item":
                menu = next(o[0] for _, o in reader.tree() if o and o[0].role == "popup menu")
                self.assertEqual((menu.key(), [(i.name, i.shortcut) for i in menu.children]),
                                 (("popup menu", "File"), [("Reload Jobs", "F5"),
                                  ("Properties", None), ("Export", None), ("Exit", None)]))
        details = self.desktop.wait_window("Job Details")
        text = dict(reader.tree())["Job Details"][0].child("text", "Job Details")
        report = app.properties_text(details).decode("utf-8", "replace")
        self.assertEqual(text.value.replace("\r\n", "\n"), report.replace("\r\n", "\n"))
        self.assertTrue({"readonly", "focused"} <= text.states, text)
        app.close_window_by_escape(details)


if __name__ == "__main__":
    unittest.main(verbosity=2)
