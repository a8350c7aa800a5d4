"""The accessibility adapter and the client that reads it, under Wine without the toolkit: a plain
window (msaa_stand_in.exe) describes a small job list through the adapter and raises the program's
events step by step, while msaa_client.exe, in a process of its own, reads its objects and hears
its events. Usage: msaa_stand_in_test.py <msaa_stand_in.exe> <msaa_client.exe>"""

import os
import subprocess
import sys
import unittest

sys.dont_write_bytecode = True  # nothing compiled beside the sources
from msaa_watch import Watch  # noqa: E402

LINES = ["nightly download, Two files, Suspended",
         "Sauvegarde été 中文 📦, line one  line two, Error",
         "report upload, One file up, Transferred"]
REPORT = ("Job ID: {5F0E6C3A-0000-4000-8000-000000000002}\n"
          "Display Name: Sauvegarde été 中文 📦\n"
          "Description: line one\r\nline two\tafter a TAB\n")

# Each step of the stand-in and the events it must raise, in this order: (event, role, name).
STEPS = [
    ("select", [("EVENT_OBJECT_SELECTION", "list item", LINES[1]),
                ("EVENT_OBJECT_FOCUS", "list item", LINES[1])]),
    ("menu", [("EVENT_SYSTEM_MENUSTART", "menu bar", ""),
              ("EVENT_SYSTEM_MENUPOPUPSTART", "popup menu", "File"),
              ("EVENT_OBJECT_FOCUS", "menu item", "Reload Jobs")]),
    ("close", [("EVENT_SYSTEM_MENUPOPUPEND", "popup menu", "File"),
               ("EVENT_SYSTEM_MENUEND", "menu bar", ""),
               ("EVENT_OBJECT_FOCUS", "list item", LINES[1])]),
    ("details", [("EVENT_OBJECT_FOCUS", "text", "Job Details")]),
    ("refill", [("EVENT_OBJECT_REORDER", "list", "Jobs")]),
]


class StandInUnderWine(unittest.TestCase):
    def setUp(self):
        self.wine = os.environ["KESTRELMOOR_WINE"]
        folder = os.path.join(os.environ["KESTRELMOOR_WINE_LOGS"], "msaa-stand-in")
        os.makedirs(folder, exist_ok=True)
        self.stand_in_log = open(os.path.join(folder, "stand-in.log"), "wb")
        self.stand_in = subprocess.Popen([self.wine, sys.argv[1]], stdin=subprocess.PIPE,
                                         stdout=self.stand_in_log, stderr=subprocess.STDOUT)
        self.watch = Watch(self.wine, sys.argv[2], "Kestrelmoor stand-in", folder, os.environ)

    def tearDown(self):
        self.watch.close()
        self.stand_in.stdin.close()
        try:
            self.stand_in.wait(30)
        except subprocess.TimeoutExpired:
            self.stand_in.kill()
            self.stand_in.wait()
        self.stand_in_log.close()

    def step(self, name):
        self.stand_in.stdin.write(name.encode() + b"\n")
        self.stand_in.stdin.flush()

    def window(self, title):
        windows = dict(self.watch.tree())
        self.assertIn(title, windows, "the windows shown")
        return windows[title]

    def test_objects_and_events_reach_a_client_in_another_process(self):
        client, menu = self.window("Kestrelmoor stand-in")
        self.assertEqual(client.key(), ("client", "Kestrelmoor stand-in"))
        self.assertEqual([c.key() for c in client.children], [("menu bar", ""), ("list", "Jobs")])
        bar = client.child("menu bar")
        self.assertEqual(menu.key(), bar.key(), "the window's menu object is its menu bar")
        self.assertEqual([(i.role, i.name, i.shortcut) for i in menu.children],
                         [("menu item", "File", "Alt+F")])
        self.assertIn("haspopup", bar.children[0].states)
        items = client.child("list").children
        self.assertEqual([(i.role, i.name) for i in items], [("list item", l) for l in LINES])
        self.assertEqual([i.at for i in items], [(110, 140 + 20 * k, 380, 20) for k in range(3)])
        self.assertEqual([sorted(i.states) for i in items],
                         [["focusable", "selectable"]] * 2 +
                         [["focusable", "offscreen", "selectable"]])

        for name, expected in STEPS:
            self.watch.mark(name)
            self.step(name)
            events = self.watch.wait_events(name, expected)
            if name == "select":
                focused = [n for e, n in events if e == "EVENT_OBJECT_FOCUS"][-1]
                self.assertTrue({"selected", "focused"} <= focused.states, focused)
            elif name == "menu":
                popup = next(o[0] for _, o in self.watch.tree() if o and o[0].role == "popup menu")
                self.assertEqual([(i.role, i.name, i.shortcut, "unavailable" in i.states)
                                  for i in popup.children],
                                 [("menu item", "Reload Jobs", "F5", False),
                                  ("menu item", "Properties", None, True)])
            elif name == "details":
                details = self.window("Job Details")[0]
                self.assertEqual(details.key(), ("client", "Job Details"))
                text = details.child("text", "Job Details")
                self.assertEqual(text.value, REPORT)
                self.assertTrue({"readonly", "focused"} <= text.states, text)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
