"""Job Details and Export from every route: the report that a line leads to, read back by copying
it out of the window and from the file the save dialog wrote, the window's modality, and the
export's cancel, replace and error paths."""

import os
import unittest

from expected_queue import SAMPLE_JOBS, export_bytes, report_bytes
from kestrel_driver import ROUTES, DesktopCase, file_signature, is_ink, plain


class JobDetails(DesktopCase):

    def test_every_line_opens_the_report_of_its_own_job(self):
        app = self.launch()
        for line, job in enumerate(SAMPLE_JOBS, start=1):
            route = ROUTES[line % 3]
            with self.subTest(line=line, route=route):
                # The right click that opens the popup selects the line itself.
                if route != "popup":
                    app.select_line(line)
                details = app.open_properties(route, popup_line=line)
                self.assertEqual((details.w, details.h), (500, 450))
                if line == 1:
                    self.desktop.save_shot("job-details", windows=[app.main, details])
                self.assertEqual(app.properties_text(details).decode("utf-8"), job_report(job))
                app.close_window_by_escape(details)
                self.assertEqual(app.selected_lines(), [line], "Properties keeps the selection")

    def test_the_mouse_wheel_scrolls_the_report_down_and_back_up(self):
        app = self.launch()
        app.select_line(6)  # six files: a report taller than the window
        details = app.open_properties("keys")
        inside = (*details.point(12, 12), details.w - 24, details.h - 24)

        def shown():
            return self.desktop.grab().crop(*inside)

        def words(image):
            return plain(self.desktop.read_text(image))
        first_view = self.desktop.wait_for(
            lambda: (lambda i: i if any(is_ink(i.pixel(i.left + x, i.top + 6))
                                        for x in range(0, i.width, 2)) else None)(shown()),
            "the report drawn in Job Details")
        # Its first line is shown, its third file's line is not.
        self.assertIn("Job ID:", words(first_view))
        self.assertNotIn("flatbed", words(first_view))

        wheel_at = details.point(details.w // 2, details.h // 2)
        for _ in range(4):
            self.desktop.click(*wheel_at, button=5)
        self.desktop.wait_for(
            lambda: (lambda t: "flatbed" in t and "Job ID:" not in t)(words(shown())),
            "the report scrolled down to its third file, its first line gone")
        self.desktop.save_shot("job-details-scrolled", windows=[app.main, details])
        for _ in range(4):
            self.desktop.click(*wheel_at, button=4)
        self.desktop.wait_for(lambda: not shown().distinct_from(first_view),
                              "the report scrolled back up to its first line")

    def test_job_details_is_modal_until_closed(self):
        app = self.launch()
        app.select_line(3)
        details = app.open_properties("keys")
        # Without a window manager it opens over the main window's corner; moved aside as a person
        # would drag it, the main window's menu bar and list are in reach.
        self.desktop.tool("xdotool", "windowmove", str(details.id), "660", "250")
        details = self.desktop.wait_for(
            lambda: (lambda g: g if g and (g.x, g.y) == (660, 250) else None)(
                self.desktop.geometry(details)), "Job Details moved aside")
        shown = self.desktop.windows()
        # Menus by keys and by mouse, the popup, F5 and the close box: all do nothing.
        app.focus_main()
        self.desktop.keys("alt+f")
        self.assertTrue(app.nothing_opens(shown), "Alt+F opened a menu behind Job Details")
        left, right = app.bar_titles()[1]
        self.desktop.click((left + right) // 2, app.main.y + 15)
        self.assertTrue(app.nothing_opens(shown), "a click on Actions opened its menu")
        self.desktop.click(*app.line_point(9, x=400), button=3)
        self.assertTrue(app.nothing_opens(shown), "the right button opened the popup")
        app.focus_main()
        self.desktop.keys("F5")
        self.desktop.press_close_box(app.main)
        self.assertTrue(app.nothing_opens(shown, 0.5))
        self.assertTrue(app.running(), "the close box ended the program behind Job Details")
        self.assertIsNotNone(self.desktop.geometry(app.main), "the main window was closed")

        # Escape typed at the main window reaches Job Details and closes it, not the program.
        app.focus_main()
        self.desktop.keys("Escape")
        self.desktop.wait_gone(details)
        self.assertTrue(app.running())
        self.assertEqual(app.selected_lines(), [3],
                         "F5 or the right button reached the list behind Job Details")
        # Closed, it gives the main window back: its menus open and its close box ends the run.
        app.command("about", "keys")
        app.wait_box("About Kestrelmoor").press("OK")
        self.desktop.press_close_box(app.main)
        self.assertEqual(app.exit_status(), 0)

    def test_a_second_properties_opens_a_new_window_of_a_fresh_snapshot(self):
        app = self.launch()
        app.select_line(1)
        first = app.open_properties("mouse")
        self.desktop.press_close_box(first)
        self.desktop.wait_gone(first)
        # Suspending the job changes what a fresh snapshot says about it.
        app.command("suspend", "keys")
        app.wait_box("Kestrelmoor").press("Yes")
        app.wait_box("Kestrelmoor").press("OK")
        # The list was filled again, so nothing is selected: the right click selects line 1.
        second = app.open_properties("popup", popup_line=1)
        self.assertNotEqual(second.id, first.id)
        self.assertEqual(app.properties_text(second).decode(),
                         job_report(SAMPLE_JOBS[0].with_state("Suspended")))
        self.assertEqual([w.title for w in self.desktop.titled("Job Details")], ["Job Details"])


def job_report(job):
    return report_bytes(job).decode("utf-8")


class Export(DesktopCase):

    def export(self, app, line, route, typed, shot=None):
        if route != "popup":
            app.select_line(line)
        app.command("export", route, popup_line=line)
        app.save_through_dialog(typed, shot=shot)

    def assertExported(self, path, job, before=None):
        self.assertWritten(path, export_bytes(job), before)

    def test_export_from_each_route_writes_the_report_with_crlf(self):
        app = self.launch()
        # A description with line breaks, a name beyond ASCII, a job without files.
        for line, route, name in ((4, "mouse", "photo.txt"), (2, "keys", "cartes.txt"),
                                  (10, "popup", "weekly.txt")):
            with self.subTest(route=route):
                path = os.path.join(self.work, name)
                self.export(app, line, route, path,
                            shot="export-dialog" if route == "mouse" else None)
                self.assertExported(path, SAMPLE_JOBS[line - 1])
                self.assertTrue(app.no_box_appears(0.5), "an export that worked says nothing")
                self.assertEqual(app.selected_lines(), [line])
        with open(os.path.join(self.work, "weekly.txt"), "rb") as f:
            self.assertTrue(f.read().endswith(b"--- FILES (0) ---\r\n"))

    def test_export_through_the_toolkits_own_chooser(self):
        # Where the desktop offers no GTK, the toolkit shows its own chooser; its user setting
        # turns GTK off here, so that this chooser is driven the same way.
        prefs = os.path.join(self.home, ".fltk", "fltk.org")
        os.makedirs(prefs)
        with open(os.path.join(prefs, "fltk.prefs"), "w") as f:
            f.write("; FLTK preferences file format 1.0\n; vendor: fltk.org\n"
                    "; application: fltk\n\n[.]\n\n[./options]\nFNFCUsesGTK:0\n")
        app = self.launch()
        # This chooser starts in the program's current folder, so the bare name is typed.
        self.export(app, 6, "keys", "driver-catalogue-6.txt", shot="export-dialog-toolkit")
        self.assertExported(os.path.join(self.work, "driver-catalogue-6.txt"), SAMPLE_JOBS[5])

    def test_cancelled_dialog_writes_nothing_and_says_nothing(self):
        app = self.launch()
        app.select_line(5)
        before = set(os.listdir(self.work))
        app.command("export", "keys")
        app.cancel_dialog()
        self.assertTrue(app.no_box_appears(0.7))
        self.assertEqual(set(os.listdir(self.work)), before)

    def test_existing_file_is_replaced_without_a_question_under_the_name_as_typed(self):
        app = self.launch()
        path = os.path.join(self.work, "report")
        with open(path, "wb") as f:
            f.write(b"old content that is longer than nothing\r\n" * 400)
        before = file_signature(path)
        self.export(app, 7, "mouse", path)
        self.assertExported(path, SAMPLE_JOBS[6], before)
        self.assertFalse(os.path.exists(path + ".txt"), "no extension is added")
        # A shorter report to the same name leaves nothing of the longer one behind.
        before = file_signature(path)
        self.export(app, 10, "keys", path)
        self.assertExported(path, SAMPLE_JOBS[9], before)

    def test_a_file_that_cannot_be_opened_shows_the_error_box(self):
        app = self.launch()
        # The dialog takes any name in an existing folder; no file system takes one this long.
        path = os.path.join(self.work, "n" * 300 + ".txt")
        self.export(app, 1, "popup", path)
        box = app.wait_box("Error")
        self.desktop.save_shot("box-export-error", windows=[app.main, box.window])
        self.assertBox(box, "Error", "error", "Error opening file.", ["OK"])
        box.press("OK")
        self.assertEqual([n for n in os.listdir(self.work) if n.startswith("nnn")], [])
        self.assertTrue(app.no_box_appears(0.5))


if __name__ == "__main__":
    unittest.main(verbosity=2)
