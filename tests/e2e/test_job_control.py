"""Complete, Cancel, Suspend and Resume from the menu bar by mouse, by keys and from the popup: the
confirmation answered No and Yes, the success and failure boxes, and the list refilled after a
success only; and every job command with nothing selected."""

import unittest

from expected_queue import QueueModel, report_bytes
from kestrel_driver import DesktopCase

CAPTION = "Kestrelmoor"
CONFIRMATION = "Are you sure you want to {} the selected job?"
SUCCESS = {"complete": "Job completed successfully.", "cancel": "Job canceled successfully.",
           "suspend": "Job suspended successfully.", "resume": "Job resumed successfully."}
FAILURE = "Unable to {} the job."
NO_SELECTION = "Please select a job first."


class JobControl(DesktopCase):

    def setUp(self):
        super().setUp()
        self.app = self.launch()
        self.queue = QueueModel()

    def give(self, name, line, route, answer, by="mouse", shots=False):
        """Selects `line` (from the popup: by the right click that opens it), gives the command by
        `route`, reads the confirmation and answers it ("Yes" or "No", by clicking or by Return /
        Escape); then checks what follows."""
        app = self.app
        if route != "popup":
            app.select_line(line)
        app.command(name, route, popup_line=line)
        box = app.wait_box(CAPTION)
        if shots:
            self.desktop.save_shot("box-confirmation", windows=[app.main, box.window])
        self.assertBox(box, CAPTION, "warning", CONFIRMATION.format(name), ["Yes", "No"])
        if by == "mouse":
            box.press(answer)
        else:
            box.key("Return" if answer == "Yes" else "Escape")

        if answer == "No":
            self.assertTrue(app.no_box_appears(0.7), "No must end the command")
            self.assertEqual(app.selected_lines(), [line], "No must not refill the list")
        else:
            done = getattr(self.queue, name)(line)
            outcome = app.wait_box(CAPTION)
            if shots:
                self.desktop.save_shot("box-success" if done else "box-failure",
                                       windows=[app.main, outcome.window])
            if done:
                self.assertBox(outcome, CAPTION, "information", SUCCESS[name], ["OK"])
            else:
                self.assertBox(outcome, CAPTION, "error", FAILURE.format(name), ["OK"])
            outcome.press("OK")
            if done:
                # Refilled from a new snapshot once the box is closed: nothing selected.
                self.desktop.wait_for(
                    lambda: app.selected_lines() == [] and
                    app.line_count() == len(self.queue.jobs),
                    f"the list refilled with {len(self.queue.jobs)} lines, none selected")
            else:
                self.assertTrue(app.no_box_appears(0.5))
                self.assertEqual(app.selected_lines(), [line], "a failure must not refill")
        self.assertEqual(app.line_count(), len(self.queue.jobs))

    def assertLinesShow(self, *lines):
        """Each line leads to the job the queue now has there, in its present state."""
        for line in lines:
            self.assertEqual(self.app.report_of_line(line), report_bytes(self.queue.on_line(line)),
                             f"report of line {line}")

    def test_suspend(self):
        self.give("suspend", 1, "mouse", "No", by="mouse")
        self.assertLinesShow(1)
        self.give("suspend", 1, "keys", "Yes", by="keys", shots=True)
        self.assertLinesShow(1)  # now Suspended
        # An acknowledged job cannot be suspended.
        self.give("suspend", 8, "popup", "Yes", by="mouse", shots=True)
        self.assertLinesShow(8)

    def test_resume(self):
        self.give("resume", 2, "keys", "No", by="keys")
        self.assertLinesShow(2)
        self.give("resume", 2, "popup", "Yes", by="mouse")
        self.assertLinesShow(2)  # now Queued
        # A job without files has nothing to resume.
        self.give("resume", 10, "mouse", "Yes", by="keys")
        self.assertLinesShow(10)

    def test_cancel(self):
        self.give("cancel", 4, "popup", "No", by="keys")
        self.assertLinesShow(4)
        self.give("cancel", 4, "mouse", "Yes", by="mouse")
        self.assertLinesShow(4, 10)  # the jobs after it moved up one line
        # The cancelled job, now on line 8, cannot be cancelled again.
        self.give("cancel", 8, "keys", "Yes", by="keys")
        self.assertLinesShow(8)

    def test_complete(self):
        self.give("complete", 7, "mouse", "No", by="mouse")
        self.assertLinesShow(7)
        # An upload that has not reached the server in full cannot be completed.
        self.give("complete", 4, "keys", "Yes", by="mouse")
        self.assertLinesShow(4)
        self.give("complete", 7, "popup", "Yes", by="keys")
        self.assertLinesShow(7, 1)

    def test_every_job_command_without_a_selection_asks_for_one(self):
        app = self.app
        # The popup is opened in the strip under the list, where a right click selects nothing.
        strip = app.main.point(300, 395)
        for name, route in (("properties", "mouse"), ("export", "keys"), ("complete", "popup"),
                            ("cancel", "mouse"), ("suspend", "keys"), ("resume", "popup")):
            with self.subTest(command=name, route=route):
                app.command(name, route, popup_at=strip)
                box = app.wait_box(CAPTION)
                if name == "properties":
                    self.desktop.save_shot("box-no-selection", windows=[app.main, box.window])
                self.assertBox(box, CAPTION, None, NO_SELECTION, ["OK"])
                box.press("OK")
                # Nothing else: no confirmation, no Job Details, no save dialog.
                self.assertTrue(app.no_box_appears(0.5))
                self.assertEqual(app.selected_lines(), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
