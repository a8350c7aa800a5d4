"""Start-up and the ways out: the window and its filled list, the command line the toolkit reads,
and File > Exit, the close box and Escape ending the program with status 0."""

import unittest

from kestrel_driver import DesktopCase, MAIN_TITLE


class StartUp(DesktopCase):

    def test_window_titled_kestrelmoor_shows_the_eleven_sample_jobs(self):
        app = self.launch(lines=11)
        self.assertEqual((app.main.title, app.main.w, app.main.h), (MAIN_TITLE, 650, 400))
        screen = self.desktop.grab()
        self.desktop.save_shot("main-window", screen, windows=[app.main])
        self.assertEqual(app.line_count(screen), 11)
        self.assertEqual(app.selected_lines(screen), [], "nothing is selected at start")
        self.assertEqual(len(app.menu_titles(screen)), 3, "File, Actions and Help on the bar")
        # The first and the last line lead to the first and the last job of the queue.
        self.assertIn("Display Name:    Nightly sync\n", app.report_of_line(1).decode())
        last = app.report_of_line(11).decode()
        self.assertIn("Display Name:    Unknown\n", last)
        self.assertIn("Description:     Help pages for offline reading.\n", last)
        self.assertEqual(app.stderr(), "")

    def test_unknown_word_gets_the_option_list_on_stderr_then_the_usual_window(self):
        app = self.launch(args=["bogus"], lines=0)
        # Read as soon as the window is there: the message came first.
        said = app.stderr()
        self.assertIn("options are:", said)
        for option in ("-di[splay] host:n.n", "-g[eometry] WxH+X+Y", "-ti[tle] windowtitle"):
            self.assertIn(option, said)
        app.learn_lines(11)
        self.assertEqual((app.main.w, app.main.h), (650, 400))

    def test_toolkit_geometry_option_places_and_sizes_the_window(self):
        app = self.launch(args=["-geometry", "720x460+40+60"], lines=11)
        self.assertEqual((app.main.x, app.main.y, app.main.w, app.main.h), (40, 60, 720, 460))
        self.assertEqual(app.stderr(), "")


class Ending(DesktopCase):

    def test_file_exit_by_mouse_ends_with_status_0(self):
        app = self.launch()
        app.command("exit", "mouse")
        self.assertEqual(app.exit_status(), 0)
        self.assertEqual(app.stderr(), "")

    def test_file_exit_by_keys_ends_with_status_0_with_a_line_selected(self):
        app = self.launch()
        app.select_line(6)
        app.command("exit", "keys")
        self.assertEqual(app.exit_status(), 0)

    def test_close_box_ends_with_status_0(self):
        app = self.launch()
        # What a window manager sends when its close box is pressed (Xvfb runs none).
        self.desktop.press_close_box(app.main)
        self.assertEqual(app.exit_status(), 0)
        self.assertEqual(app.stderr(), "")

    def test_escape_in_the_main_window_ends_with_status_0(self):
        app = self.launch()
        app.focus_main()
        self.desktop.keys("Escape")
        self.assertEqual(app.exit_status(), 0)

    def test_escape_in_an_open_menu_only_closes_the_menu(self):
        app = self.launch()
        before = self.desktop.windows()
        app.focus_main()
        self.desktop.keys("alt+f")
        menu = self.desktop.wait_new_unnamed(before, "the File menu")
        self.desktop.keys("Escape")
        self.desktop.wait_gone(menu)
        self.assertTrue(app.nothing_opens(before, 0.5))
        self.assertTrue(app.running(), "closing a menu must not end the program")


if __name__ == "__main__":
    unittest.main(verbosity=2)
