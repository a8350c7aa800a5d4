"""The job list under the mouse and the keyboard: selecting, refilling with F5, the right-button
popup, whose right click selects the line under the pointer, and the list following the window's
size."""

import os
import unittest

from expected_queue import SAMPLE_JOBS, export_bytes, report_bytes
from kestrel_driver import COMMANDS, DesktopCase, is_ink

NO_SELECTION = "Please select a job first."


class JobList(DesktopCase):

    def test_left_click_selects_the_line_under_the_pointer(self):
        app = self.launch()
        app.select_line(4)
        app.select_line(9)
        self.assertEqual(app.selected_lines(), [9], "one line at a time")
        self.assertEqual(app.report_of_line(9), report_bytes(SAMPLE_JOBS[8]))

    def test_f5_refills_clears_the_selection_and_scrolls_back_to_the_start(self):
        app = self.launch()
        fresh = self.desktop.grab().crop(*app.list_area())
        app.select_line(5)
        # A click in the horizontal scroll bar's trough, right of its thumb, pages to the right.
        x, y, w, h = app.list_area()
        self.desktop.click(x + w - 30, y + h + 8)
        self.desktop.wait_for(
            lambda: self.desktop.grab().crop(*app.list_area()).distinct_from(fresh) and
            app.selected_lines() == [5], "the list scrolled to the right, line 5 still selected")
        app.focus_main()
        self.desktop.keys("F5")
        # Refilled: drawn exactly as at start, top-left, nothing selected.
        self.desktop.wait_for(
            lambda: not self.desktop.grab().crop(*app.list_area()).distinct_from(fresh),
            "the list drawn again as it was at start")
        self.assertEqual(app.selected_lines(), [])
        # What the list shows as no selection is also what the commands find.
        app.command("properties", "keys")
        box = app.wait_box("Kestrelmoor")
        self.assertBox(box, "Kestrelmoor", None, NO_SELECTION, ["OK"])
        box.press("OK")

    def test_reload_from_the_file_menu_by_mouse_and_by_keys_clears_the_selection(self):
        app = self.launch()
        for route in ("mouse", "keys"):
            app.select_line(3)
            app.command("reload", route)
            self.desktop.wait_for(lambda: app.selected_lines() == [],
                                  f"no selection after Reload Jobs by {route}")
            self.assertEqual(app.line_count(), 11)

    def test_right_click_selects_the_line_under_the_pointer_and_the_popup_acts_on_it(self):
        app = self.launch()
        app.select_line(2)
        menu, rows = app.open_popup(*app.line_point(7, x=400))
        screen = self.desktop.grab()
        self.desktop.save_shot("popup-menu", screen, windows=[app.main, menu])
        # The popup shows its empty title in a small window of its own above the items.
        popup_windows = [w for w in self.desktop.windows() if w.id != app.main.id]
        self.assertEqual(app.selected_lines(screen, hidden_by=popup_windows), [7],
                         "the line under the pointer is selected while the popup is open")
        app.choose_item(menu, rows, COMMANDS["export"].popup_item)
        path = os.path.join(self.work, "pointed-at.txt")
        app.save_through_dialog(path)
        self.assertWritten(path, export_bytes(SAMPLE_JOBS[6]))
        self.assertEqual(app.selected_lines(), [7])

    def test_right_click_below_the_last_line_leaves_the_selection_as_it_is(self):
        app = self.launch()
        below_the_lines = app.line_point(13, x=400)
        app.popup_command(COMMANDS["suspend"].popup_item, at=below_the_lines)
        box = app.wait_box("Kestrelmoor")
        self.assertBox(box, "Kestrelmoor", None, NO_SELECTION, ["OK"])
        box.press("OK")
        self.assertEqual(app.selected_lines(), [])
        app.select_line(3)
        app.popup_command(COMMANDS["properties"].popup_item, at=below_the_lines)
        details = self.desktop.wait_window("Job Details")
        self.assertEqual(app.properties_text(details), report_bytes(SAMPLE_JOBS[2]))
        app.close_window_by_escape(details)
        self.assertEqual(app.selected_lines(), [3])

    def test_right_click_in_the_strip_below_the_list_opens_the_popup(self):
        app = self.launch()
        app.select_line(6)
        # The list ends 10 pixels above the window's bottom; the popup's area reaches it.
        app.popup_command(0, at=app.main.point(300, 395))
        details = self.desktop.wait_window("Job Details")
        self.assertEqual(app.properties_text(details), report_bytes(SAMPLE_JOBS[5]))
        app.close_window_by_escape(details)

    def test_left_click_in_the_strip_below_the_list_changes_nothing(self):
        app = self.launch()
        app.select_line(6)
        before = self.desktop.windows()
        self.desktop.click(*app.main.point(300, 395))
        self.assertTrue(app.nothing_opens(before, 0.5))
        self.assertEqual(app.selected_lines(), [6])

    def test_list_menu_bar_and_popup_area_follow_the_window_size(self):
        app = self.launch()
        self.desktop.tool("xdotool", "windowsize", str(app.main.id), "900", "600")
        self.desktop.wait_for(lambda: (lambda m: m and (m.w, m.h) == (900, 600))(
            app.refresh_main()), "the window at 900 x 600")
        x, y, w, h = app.list_area()

        def list_drawn_at_new_size():
            screen = self.desktop.grab()
            inside = screen.pixel(*app.main.point(880, 300))
            beside = screen.pixel(*app.main.point(895, 300))
            below_lines = screen.pixel(*app.main.point(880, 560))
            bar_far_right = screen.pixel(*app.main.point(880, 15))
            return (inside == (255, 255, 255) and below_lines == (255, 255, 255) and
                    beside != (255, 255, 255) and not is_ink(bar_far_right) and
                    app.line_count(screen) == 11)
        self.desktop.wait_for(list_drawn_at_new_size,
                              "the list's white ground out to 890 x 590 and the bar widened")
        self.desktop.save_shot("resized-window", windows=[app.main])
        # The popup's area follows too: its strip is now at the new bottom.
        app.select_line(8)
        app.popup_command(0, at=app.main.point(850, 595))
        details = self.desktop.wait_window("Job Details")
        self.assertEqual(app.properties_text(details), report_bytes(SAMPLE_JOBS[7]))
        app.close_window_by_escape(details)

        self.desktop.tool("xdotool", "windowsize", str(app.main.id), "400", "300")
        self.desktop.wait_for(lambda: (lambda m: m and (m.w, m.h) == (400, 300))(
            app.refresh_main()), "the window at 400 x 300")
        self.desktop.wait_for(
            lambda: (lambda s: s.pixel(*app.main.point(385, 250)) == (255, 255, 255) and
                     s.pixel(*app.main.point(395, 250)) != (255, 255, 255))(self.desktop.grab()),
            "the list's right edge 10 pixels in from the narrowed window's")


if __name__ == "__main__":
    unittest.main(verbosity=2)
