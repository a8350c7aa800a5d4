"""The Help menu by F1, by mouse and by keys: the help file beside the program handed to the
desktop's opener, the error box with the shell's code when it cannot be opened, the two web pages,
and the About box. The opener is a stand-in first on PATH that notes what it was asked to open."""

import os
import shutil
import unittest
from urllib.parse import urlsplit

from kestrel_driver import DesktopCase, make_fake_opener, read_lines

HELP_FILE = "KestrelmoorHelp.chm"
HELP_ERROR = "Unable to open KestrelmoorHelp.chm. Error code: {}"


class HelpFile(DesktopCase):

    def build_help_file(self):
        path = os.path.join(os.path.dirname(self.exe), HELP_FILE)
        if not os.path.exists(path):
            self.skipTest(f"the build made no {HELP_FILE} (chmcmd missing)")
        return path

    def test_help_by_f1_mouse_and_keys_opens_the_file_beside_the_program(self):
        beside = self.build_help_file()
        app = self.launch()
        app.select_line(5)
        app.focus_main()
        self.desktop.keys("F1")
        app.command("help", "mouse")
        app.command("help", "keys")
        self.desktop.wait_for(lambda: len(read_lines(self.opener_calls)) == 3,
                              "three calls of xdg-open")
        self.assertEqual(read_lines(self.opener_calls), [beside] * 3)
        self.assertTrue(app.no_box_appears(0.5), "an opened help file says nothing")
        self.assertEqual(app.selected_lines(), [5], "Help leaves the selection alone")

    def test_a_copy_without_the_help_file_beside_it_shows_code_2(self):
        self.build_help_file()
        copy_folder = os.path.join(self.work, "copy")
        os.makedirs(copy_folder)
        copy = shutil.copy2(self.exe, copy_folder)
        # A help file in the folder it is started from is not the one beside the program.
        started_in = os.path.join(self.work, "elsewhere")
        os.makedirs(started_in)
        shutil.copy2(os.path.join(os.path.dirname(self.exe), HELP_FILE), started_in)
        app = self.launch(exe=copy, cwd=started_in)
        app.focus_main()
        self.desktop.keys("F1")
        box = app.wait_box("Error")
        self.desktop.save_shot("box-help-error", windows=[app.main, box.window])
        self.assertBox(box, "Error", "error", HELP_ERROR.format(2), ["OK"])
        box.press("OK")
        self.assertEqual(read_lines(self.opener_calls), [], "nothing to hand to xdg-open")
        self.assertTrue(app.running())

    def test_no_program_for_the_help_file_shows_code_31(self):
        self.build_help_file()
        # xdg-open's own answer when nothing opens the file's type.
        refusing = os.path.join(self.work, "refusing-bin")
        calls = make_fake_opener(refusing, exit_code=3)
        app = self.launch(bin_folder=refusing)
        app.command("help", "keys")
        box = app.wait_box("Error")
        self.assertBox(box, "Error", "error", HELP_ERROR.format(31), ["OK"])
        box.key("Return")
        self.assertEqual(len(read_lines(calls)), 1)


class WebAndAbout(DesktopCase):

    def test_website_and_contact_by_mouse_and_keys_open_the_home_page_and_its_contact_page(self):
        app = self.launch()
        app.command("website", "mouse")
        app.command("contact", "mouse")
        app.command("website", "keys")
        app.command("contact", "keys")
        self.desktop.wait_for(lambda: len(read_lines(self.opener_calls)) == 4,
                              "four calls of xdg-open")
        site, contact, site_again, contact_again = read_lines(self.opener_calls)
        self.assertEqual((site_again, contact_again), (site, contact))
        parts = urlsplit(site)
        self.assertEqual(parts.scheme, "https")
        self.assertTrue(parts.netloc)
        self.assertIn(parts.path, ("", "/"), "the home page is the site's root")
        self.assertEqual(contact, site.rstrip("/") + "/contact")
        self.assertTrue(app.no_box_appears(0.5), "the web pages' outcome is not reported")

    def test_about_by_mouse_and_keys(self):
        app = self.launch()
        for route in ("mouse", "keys"):
            with self.subTest(route=route):
                app.command("about", route)
                box = app.wait_box("About Kestrelmoor")
                if route == "mouse":
                    self.desktop.save_shot("box-about", windows=[app.main, box.window])
                self.assertIsNone(box.icon)
                lines = box.text_lines()
                self.assertEqual(len(lines), 5, lines)
                self.assertEqual(lines[:2], ["Kestrelmoor v1.2.0",
                                             "Windows BITS Job Viewer and Management Tool"])
                self.assertEqual(box.buttons(), ["OK"])
                if route == "mouse":
                    box.press("OK")
                else:
                    box.key("Escape")
        self.assertTrue(app.running())


if __name__ == "__main__":
    unittest.main(verbosity=2)
