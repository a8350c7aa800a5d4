"""Drives the built Kestrelmoor as a person would: on an X server of its own, with the keyboard and
the mouse through xdotool, looking only at what a person could see or get back: the windows and
their titles, the pixels on the screen (ImageMagick's import), the words in them (tesseract, the
way a person reads a message box), what the program copies to the clipboard, the files it writes,
its exit status and its standard error.

Every wait is a bounded poll that fails naming what was not seen, and leaves a screenshot of the
moment behind, so a slow machine only makes the suite slower, never wrong.
"""

import os
import re
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib
from dataclasses import dataclass

import x11_client

DEFAULT_TIMEOUT = float(os.environ.get("KESTRELMOOR_E2E_TIMEOUT", "20"))
POLL_INTERVAL = 0.05
MAIN_TITLE = "Kestrelmoor"

# Where the program's widgets sit in its main window, as a person sees it at its first size:
# a 30-pixel menu bar, the job list 10 pixels in from the left, right and top, and the 10-pixel
# strip under the list where the right button still opens the popup.
LIST_LEFT, LIST_TOP = 10, 40
LIST_RIGHT_MARGIN, LIST_BOTTOM_MARGIN = 10, 10
# Inside the list, the first pixels of a line before its text: blue only on the selected line.
SELECTION_PROBE_X = 13
# The first column's text, left of where the second column starts.
FIRST_COLUMN = (15, 300)
# The horizontal scroll bar under the list's lines.
SCROLLBAR_HEIGHT = 17

# The program's message box, the toolkit's common dialog: 10 pixels in from its edges, the icon
# disc at the top left, the text beside where the disc stands (shown or not), and the buttons in a
# row at the bottom right, each as wide as its label needs and at least 25 pixels high.
BOX_EDGE, BOX_ICON, BOX_TEXT_LEFT, BOX_BUTTON_MIN_H = 10, 50, 70, 25


# Every command a person can give from the menus: its menu on the bar (by position and underlined
# letter), its place and underlined letter in that menu, and its place in the job list's popup.
@dataclass(frozen=True)
class Command:
    menu: int
    menu_letter: str
    item: int
    item_letter: str
    popup_item: int = None


COMMANDS = {
    "reload": Command(0, "f", 0, "r"),
    "properties": Command(0, "f", 1, "p", 0),
    "export": Command(0, "f", 2, "e", 1),
    "exit": Command(0, "f", 3, "x"),
    "complete": Command(1, "a", 0, "c", 2),
    "cancel": Command(1, "a", 1, "a", 3),
    "suspend": Command(1, "a", 2, "s", 4),
    "resume": Command(1, "a", 3, "r", 5),
    "help": Command(2, "h", 0, "h"),
    "website": Command(2, "h", 1, "v"),
    "contact": Command(2, "h", 2, "c"),
    "about": Command(2, "h", 3, "a"),
}
ROUTES = ("mouse", "keys", "popup")


class NotSeen(AssertionError):
    """Something a person waits for did not appear in time."""


@dataclass(frozen=True)
class Window:
    id: int
    title: str  # "" for a window without a name (menus, popups)
    x: int
    y: int
    w: int
    h: int

    def point(self, dx, dy):
        """A point given from this window's top-left corner, in screen coordinates."""
        return self.x + dx, self.y + dy


class Image:
    """An RGB picture of the screen, or of part of it."""

    def __init__(self, width, height, rgb, left=0, top=0):
        self.width, self.height, self.rgb = width, height, rgb
        # Where the picture's top-left pixel was on the screen.
        self.left, self.top = left, top

    @classmethod
    def from_ppm(cls, data):
        # P6, maxval 255; the header's fields are separated by whitespace, comments are not used.
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        if not match or int(match.group(3)) != 255:
            raise ValueError("not an 8-bit binary PPM picture")
        width, height = int(match.group(1)), int(match.group(2))
        return cls(width, height, data[match.end():match.end() + width * height * 3])

    def pixel(self, x, y):
        """The colour at screen point x, y."""
        i = ((y - self.top) * self.width + (x - self.left)) * 3
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def crop(self, x, y, w, h):
        """The part at screen point x, y, w by h, clipped to the picture."""
        x0, y0 = max(x, self.left), max(y, self.top)
        x1 = min(x + w, self.left + self.width)
        y1 = min(y + h, self.top + self.height)
        rows = []
        for row in range(y0, y1):
            start = ((row - self.top) * self.width + (x0 - self.left)) * 3
            rows.append(self.rgb[start:start + (x1 - x0) * 3])
        return Image(x1 - x0, y1 - y0, b"".join(rows), x0, y0)

    def of_window(self, window):
        return self.crop(window.x, window.y, window.w, window.h)

    def to_ppm(self):
        return b"P6 %d %d 255\n" % (self.width, self.height) + self.rgb

    def to_png(self):
        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body +
                    struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
        stride = self.width * 3
        raw = b"".join(b"\x00" + self.rgb[r * stride:(r + 1) * stride] for r in range(self.height))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))

    def save(self, path):
        with open(path, "wb") as out:
            out.write(self.to_png())

    def distinct_from(self, other):
        return self.width != other.width or self.height != other.height or self.rgb != other.rgb


def is_ink(rgb):
    """Text or a selection bar, as opposed to the white or grey grounds the program draws on."""
    return sum(rgb) < 3 * 110


def distance(a, b):
    return abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2])


def is_selection_blue(rgb):
    r, g, b = rgb
    return b >= 100 and r < 70 and g < 70


def bands(flags, min_gap=2):
    """Runs of True in a sequence, as (first, last) index pairs; a gap of at most `min_gap` False
    entries (between an underline and its letter, an accent and its letter) does not split a run."""
    runs, start, last = [], None, None
    for index, flag in enumerate(flags):
        if not flag:
            continue
        if start is None:
            start = last = index
        elif index - last - 1 > min_gap:
            runs.append((start, last))
            start = last = index
        else:
            last = index
    if start is not None:
        runs.append((start, last))
    return runs


_XWININFO_LINE = re.compile(
    r'^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)):.*?\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+'
    r'\s+([+-]-?\d+)([+-]-?\d+)\s*$')


class Desktop:
    """One private X server, with the tools that look at it and type into it."""

    def __init__(self, artifacts, shots):
        self.artifacts = artifacts
        self.shots = shots
        os.makedirs(self.shots, exist_ok=True)
        self.server = None
        self.display = None
        self.current_test = "setup"
        # Under Wine the toolkit looks ahead for the character a key makes and loses the F of an
        # Alt+F sent in one go: there each key goes by itself, its modifiers pressed on their own.
        self.one_key_at_a_time = False

    def start(self):
        # Xvfb chooses a free display number itself and tells it on the pipe, so several groups
        # (and other programs' servers) never race for one.
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + DEFAULT_TIMEOUT
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            piece = os.read(read_end, 16)
            if not piece:
                break
            number += piece
        os.close(read_end)
        if not number.strip().isdigit():
            self.stop()
            raise NotSeen("Xvfb did not say which display it opened")
        self.display = ":" + number.strip().decode()

    def stop(self):
        if self.server is not None and self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(10)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        self.server = None

    # ---- tools ------------------------------------------------------------------------------

    def environment(self, extra=None):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.update(extra or {})
        return env

    def tool(self, *args):
        done = subprocess.run(list(args), capture_output=True, text=True,
                              env=self.environment(), timeout=60)
        if done.returncode != 0:
            raise RuntimeError(f"{args[0]} failed ({done.returncode}): {done.stderr!r}")
        return done.stdout

    # ---- windows ----------------------------------------------------------------------------

    def windows(self):
        """The shown top-level windows, bottom to top."""
        listed = subprocess.run(["xdotool", "search", "--maxdepth", "1", "--onlyvisible",
                                 "--name", ""], capture_output=True, text=True,
                                env=self.environment(), timeout=60)
        shown = {int(word) for word in listed.stdout.split()}
        found = []
        for line in self.tool("xwininfo", "-root", "-children").splitlines():
            match = _XWININFO_LINE.match(line)
            if not match:
                continue
            wid = int(match.group(1), 16)
            if wid not in shown:
                continue
            found.append(Window(wid, match.group(2) or "", int(match.group(5)),
                                int(match.group(6)), int(match.group(3)), int(match.group(4))))
        return found

    def titled(self, title):
        return [w for w in self.windows() if w.title == title]

    def wait_for(self, probe, what, timeout=None):
        deadline = time.monotonic() + (timeout or DEFAULT_TIMEOUT)
        while True:
            value = probe()
            if value:
                return value
            if time.monotonic() > deadline:
                shot = self.snapshot_for_failure(what)
                raise NotSeen(f"not seen within {timeout or DEFAULT_TIMEOUT:.0f} s: {what} "
                              f"(screen: {shot})")
            time.sleep(POLL_INTERVAL)

    def wait_window(self, title, besides=(), timeout=None):
        """A shown window with this title, other than those in `besides` (ids)."""
        def probe():
            for w in reversed(self.windows()):
                if w.title == title and w.id not in besides:
                    return w
            return None
        return self.wait_for(probe, f'a window titled "{title}"', timeout)

    def wait_gone(self, window, timeout=None):
        self.wait_for(lambda: all(w.id != window.id for w in self.windows()),
                      f'window "{window.title}" ({window.id:#x}) to close', timeout)

    def new_unnamed(self, before, min_height=20):
        """The tallest window without a name that was not there before, or None. An open menu
        also shows its title in a small window of its own; the items are in the tallest one."""
        old = {w.id for w in before}
        fresh = [w for w in self.windows()
                 if w.id not in old and not w.title and w.h >= min_height and w.w > 1]
        return max(fresh, key=lambda w: w.h) if fresh else None

    def wait_new_unnamed(self, before, what, min_height=20, timeout=None):
        """A menu or popup: a window without a name that was not there before."""
        return self.wait_for(lambda: self.new_unnamed(before, min_height), what, timeout)

    def geometry(self, window):
        return next((w for w in self.windows() if w.id == window.id), None)

    def press_close_box(self, window):
        x11_client.press_close_box(self.display, window.id)

    def clipboard(self):
        return x11_client.read_clipboard(self.display)

    # ---- input ------------------------------------------------------------------------------

    def move(self, x, y):
        self.tool("xdotool", "mousemove", str(x), str(y))

    def click(self, x, y, button=1):
        self.tool("xdotool", "mousemove", str(x), str(y), "mousedown", str(button), "mouseup",
                  str(button))

    def keys(self, *keys):
        if not self.one_key_at_a_time:
            self.tool("xdotool", "key", "--delay", "15", *keys)
            return
        for key in keys:
            *held, last = key.split("+")
            for modifier in held:
                self.tool("xdotool", "keydown", modifier)
            if held:
                # Wine takes the modifier in a moment after the X server has it: without the pause
                # about one Alt+F in ten opened nothing.
                time.sleep(0.1)
            try:
                self.tool("xdotool", "key", last)
            finally:
                for modifier in reversed(held):
                    self.tool("xdotool", "keyup", modifier)

    def type_text(self, text):
        self.tool("xdotool", "type", "--delay", "8", text)

    def focus(self, window, at=None):
        """Puts the keyboard on `window`, the pointer resting inside it: without a window manager
        the key presses go where the pointer is once the focus window closes."""
        x, y = at if at else window.point(window.w - 8, window.h - 8)
        self.move(x, y)
        self.tool("xdotool", "windowfocus", str(window.id))

    # ---- pictures ---------------------------------------------------------------------------

    def grab(self):
        done = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                              capture_output=True, env=self.environment(), timeout=60)
        if done.returncode != 0:
            raise RuntimeError(f"import failed: {done.stderr!r}")
        return Image.from_ppm(done.stdout)

    def save_shot(self, name, image=None, windows=None):
        """Keeps a picture under the build tree: the screen, cut to the given windows."""
        image = image or self.grab()
        if windows:
            left = max(0, min(w.x for w in windows))
            top = max(0, min(w.y for w in windows))
            right = max(w.x + w.w for w in windows)
            bottom = max(w.y + w.h for w in windows)
            image = image.crop(left, top, right - left, bottom - top)
        path = os.path.join(self.shots, name + ".png")
        image.save(path)
        return path

    def snapshot_for_failure(self, what):
        try:
            safe = re.sub(r"[^A-Za-z0-9]+", "-", f"{self.current_test}-{what}")[:120]
            return self.save_shot("FAILED-" + safe)
        except Exception as problem:  # the failure itself matters more than its picture
            return f"no screenshot ({problem})"

    def read_text(self, image, single_line=False, crisp=False):
        """The words in a picture, as tesseract reads them at three times the size. `crisp` makes
        it black on white with a white margin first, which a lone word on a button needs."""
        steps = ["-colorspace", "gray"]
        if crisp:
            steps += ["-threshold", "45%", "-bordercolor", "white", "-border", "12"]
        png = subprocess.run(["convert", "ppm:-", *steps, "-resize", "300%", "png:-"],
                             input=image.to_ppm(), capture_output=True, timeout=60)
        if png.returncode != 0:
            raise RuntimeError(f"convert failed: {png.stderr!r}")
        words = subprocess.run(["tesseract", "stdin", "stdout", "--psm",
                                "7" if single_line else "6"],
                               input=png.stdout, capture_output=True, timeout=60)
        if words.returncode != 0:
            raise RuntimeError(f"tesseract failed: {words.stderr!r}")
        return words.stdout.decode("utf-8", "replace")


def plain(text):
    """Text with its runs of blanks and line breaks made single blanks, for comparing what was read
    with what was meant."""
    return " ".join(text.split())


class MessageBox:
    """One of the program's message boxes, read the way a person reads it."""

    def __init__(self, desktop, window, image):
        self.desktop, self.window, self.image = desktop, window, image
        self._lines = None
        self._labels = None

    @property
    def caption(self):
        return self.window.title

    @property
    def icon(self):
        """"warning", "information", "error" or None, by the colour of the disc at the top left."""
        r, g, b = self.image.pixel(*self.window.point(BOX_EDGE + BOX_ICON // 2, BOX_EDGE + 6))
        if r > 200 and g > 200 and b < 80:
            return "warning"
        if b > 200 and r < 80 and g < 80:
            return "information"
        if r > 200 and g < 80 and b < 80:
            return "error"
        if abs(r - g) < 16 and abs(g - b) < 16:
            return None
        return f"unknown colour {r},{g},{b}"

    def text(self):
        return " ".join(self.text_lines())

    def text_lines(self):
        if self._lines is None:
            top_of_buttons = min((y for _, y, _, _ in self._button_rects()),
                                 default=self.window.h - BOX_EDGE - BOX_BUTTON_MIN_H)
            region = self.image.crop(self.window.x + BOX_TEXT_LEFT - 4, self.window.y + 4,
                                     self.window.w - BOX_TEXT_LEFT, top_of_buttons - 8)
            self._lines = [plain(line) for line in self.desktop.read_text(region).splitlines()
                           if line.strip()]
        return self._lines

    def _button_rects(self):
        """The buttons as x, y, w, h in the box, left to right. Along the bottom row of the button
        row each button's frame is one run of colour other than the box's ground."""
        ground = self.image.pixel(*self.window.point(3, self.window.h - 3))

        def framed(x, y):
            return distance(self.image.pixel(*self.window.point(x, y)), ground) > 12
        bottom = self.window.h - BOX_EDGE - 1
        rects, start = [], None
        for x in range(self.window.w - BOX_EDGE + 1):
            if x < self.window.w - BOX_EDGE and framed(x, bottom):
                start = x if start is None else start
                continue
            if start is not None and x - start >= 20:
                top = bottom
                while top > BOX_EDGE and framed(start, top - 1):
                    top -= 1
                rects.append((start, top, x - start, bottom + 1 - top))
            start = None
        return rects

    def _button_faces(self):
        """The labels' ground of the buttons, left to right. The 5-pixel inset leaves out the
        button's frame and the dotted focus line."""
        return [self.image.crop(self.window.x + x + 5, self.window.y + y + 5, w - 10, h - 10)
                for x, y, w, h in self._button_rects()]

    def buttons(self):
        """The labels of the buttons, left to right: the first word read on each (the default
        button also shows a return arrow, which reads as stray marks after its word). The faces
        are read side by side in one go, a wide white gap between them."""
        if self._labels is None:
            faces = self._button_faces()
            gap = b"\xff" * 3 * 40
            rows = [gap.join(f.rgb[r * f.width * 3:(r + 1) * f.width * 3] for f in faces)
                    for r in range(faces[0].height)] if faces else []
            width = sum(f.width for f in faces) + 40 * (len(faces) - 1)
            read = self.desktop.read_text(Image(width, len(rows), b"".join(rows)),
                                          single_line=True, crisp=True) if faces else ""
            # Each label is one short word; what the arrow leaves are marks, not words.
            words = [w for w in re.findall(r"[A-Za-z]+", read) if w[0].isupper()]
            self._labels = words if len(words) == len(faces) else [read.strip()]
        return self._labels

    def press(self, label):
        """Clicks the button with this label: "Yes" and "OK" are the right-hand button of a one-
        button box and the left-hand one of two, "No" the right-hand one of two."""
        rects = self._button_rects()
        x, y, w, h = rects[0] if (len(rects) == 2 and label == "Yes") else rects[-1]
        self.desktop.click(*self.window.point(x + w // 2, y + h // 2))
        self.desktop.wait_gone(self.window)

    def key(self, key):
        """Answers by keyboard: Return is the default button, Escape closes the box."""
        self.desktop.focus(self.window, at=self.window.point(BOX_EDGE // 2, BOX_EDGE // 2))
        self.desktop.keys(key)
        self.desktop.wait_gone(self.window)


class App:
    """One run of the program on a desktop."""

    def __init__(self, desktop, exe, args=(), cwd=None, env=None, name="app"):
        self.desktop = desktop
        log_dir = tempfile.mkdtemp(prefix=name + "-", dir=desktop.artifacts)
        self.stdout_path = os.path.join(log_dir, "stdout.txt")
        self.stderr_path = os.path.join(log_dir, "stderr.txt")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([exe, *args], stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL, cwd=cwd,
                                            env=desktop.environment(env))
        self.main = None
        self.titles = None
        self.first_line_center = None
        self.line_pitch = None

    # ---- life -------------------------------------------------------------------------------

    def wait_main(self, timeout=None):
        self.main = self.desktop.wait_window(MAIN_TITLE, timeout=timeout)
        return self.main

    def running(self):
        return self.process.poll() is None

    def exit_status(self, timeout=None):
        self.desktop.wait_for(lambda: not self.running(), "the program to end", timeout)
        return self.process.returncode

    def stderr(self):
        with open(self.stderr_path, "rb") as err:
            return err.read().decode("utf-8", "replace")

    def kill(self):
        if self.running():
            self.process.kill()
        self.process.wait(30)

    def refresh_main(self):
        self.main = self.desktop.geometry(self.main)
        return self.main

    # ---- the job list -----------------------------------------------------------------------

    def list_area(self):
        """The inside of the list, above its horizontal scroll bar, in screen coordinates."""
        m = self.main
        return (m.x + LIST_LEFT + 3, m.y + LIST_TOP + 3,
                m.w - LIST_LEFT - LIST_RIGHT_MARGIN - 6,
                m.h - LIST_TOP - LIST_BOTTOM_MARGIN - 6 - SCROLLBAR_HEIGHT)

    def line_bands(self, image=None):
        """The lines the list shows, as the (top, bottom) screen rows of their first column."""
        image = image or self.desktop.grab()
        x, y, w, h = self.list_area()
        x0, x1 = self.main.x + FIRST_COLUMN[0], self.main.x + FIRST_COLUMN[1]
        flags = []
        for row in range(y, y + h):
            # Words stand out from their line's ground: black on white, or white on the blue
            # bar of the selected line. A row of nothing but ground is the common case.
            ground = image.pixel(self.main.x + SELECTION_PROBE_X, row)
            span = image.crop(x0, row, x1 - x0, 1).rgb
            if span == bytes(ground) * (x1 - x0):
                flags.append(False)
                continue
            flags.append(any(distance(span[i:i + 3], ground) > 150
                             for i in range(0, len(span), 3)))
        return [(y + a, y + b) for a, b in bands(flags, min_gap=1)]

    def learn_lines(self, expected_count):
        """Waits for the filled list and learns where its lines are from the text on them."""
        found = self.desktop.wait_for(
            lambda: (lambda b: b if len(b) == expected_count else None)(self.line_bands()),
            f"{expected_count} lines in the job list")
        centers = [(top + bottom) / 2 for top, bottom in found]
        # Lines are a whole number of pixels apart; where the words sit in a line varies a little
        # with their letters, so the first line's middle is taken from all of them.
        self.line_pitch = round((centers[-1] - centers[0]) / (len(centers) - 1))
        self.first_line_center = sum(c - self.line_pitch * k
                                     for k, c in enumerate(centers)) / len(centers)
        return found

    def line_count(self, image=None):
        return len(self.line_bands(image))

    def line_point(self, line, x=120):
        """A point on line `line` (from 1) of the list, `x` pixels into the window."""
        y = self.first_line_center + self.line_pitch * (line - 1)
        return self.main.x + x, int(round(y))

    def selected_lines(self, image=None, hidden_by=()):
        """The lines drawn as selected, by their blue bar; points under the windows `hidden_by`
        (an open menu) are not looked at."""
        image = image or self.desktop.grab()
        x, y, w, h = self.list_area()
        # The bar spans the whole line, words included (drawn white on it), so a row is on the
        # bar when any of a few points across it is blue.
        probes = [self.main.x + SELECTION_PROBE_X] + [x + w * k // 8 for k in range(1, 8)]

        def visible(px, row):
            return not any(o.x <= px < o.x + o.w and o.y <= row < o.y + o.h for o in hidden_by)
        blue = [any(is_selection_blue(image.pixel(px, row)) for px in probes if visible(px, row))
                for row in range(y, y + h)]
        lines = []
        for top, bottom in bands(blue, min_gap=0):
            center = y + (top + bottom) / 2
            lines.append(int(round((center - self.first_line_center) / self.line_pitch)) + 1)
        return lines

    def select_line(self, line):
        self.desktop.click(*self.line_point(line))
        self.desktop.wait_for(lambda: self.selected_lines() == [line],
                              f"line {line} shown as the only selected line")

    # ---- menus ------------------------------------------------------------------------------

    def menu_titles(self, image=None):
        """The menu bar's titles, as the screen x ranges of their words."""
        image = image or self.desktop.grab()
        m = self.main
        columns = [any(is_ink(image.pixel(m.x + col, m.y + row)) for row in range(8, 24))
                   for col in range(2, m.w - 2)]
        return [(m.x + 2 + a, m.x + 2 + b) for a, b in bands(columns, min_gap=6)]

    def item_rows(self, menu, image=None):
        """The items of an open menu, as the screen rows of their words."""
        image = image or self.desktop.grab()
        flags = [any(is_ink(image.pixel(menu.x + col, menu.y + row))
                     for col in range(6, menu.w - 6))
                 for row in range(3, menu.h - 3)]
        return [(menu.y + 3 + a, menu.y + 3 + b) for a, b in bands(flags, min_gap=2)]

    def bar_titles(self):
        """The three titles, learnt once from the bar as first drawn: the title of a menu just
        closed may still be drawn highlighted for a moment, and the titles never move."""
        if self.titles is None:
            self.titles = self.desktop.wait_for(
                lambda: (lambda t: t if len(t) == 3 else None)(self.menu_titles()),
                "the three titles of the menu bar")
        return self.titles

    def open_menu_by_mouse(self, title_index, expected_items):
        before = self.desktop.windows()
        left, right = self.bar_titles()[title_index]
        self.desktop.click((left + right) // 2, self.main.y + 15)
        return self.wait_menu(before, f"menu {title_index + 1} of the menu bar", expected_items)

    def wait_menu(self, before, what, expected_items):
        """The menu that opened since `before`, with the rows of its items. The menu's title box
        may be mapped before the window of its items, so the menu is looked for afresh until one
        shows them all."""
        def probe():
            menu = self.desktop.new_unnamed(before)
            rows = self.item_rows(menu) if menu else []
            return (menu, rows) if len(rows) == expected_items else None
        return self.desktop.wait_for(probe, f"{what} with {expected_items} items")

    def choose_item(self, menu, rows, index):
        top, bottom = rows[index]
        self.desktop.click(menu.x + menu.w // 2, (top + bottom) // 2)
        self.desktop.wait_gone(menu)

    def menu_by_mouse(self, title_index, item_index, expected_items=4):
        menu, rows = self.open_menu_by_mouse(title_index, expected_items)
        self.choose_item(menu, rows, item_index)

    def menu_by_keys(self, title_letter, item_letter, expected_items=4):
        """Alt with the menu's underlined letter, then the item's underlined letter."""
        before = self.desktop.windows()
        self.focus_main()
        self.desktop.keys(f"alt+{title_letter}")
        menu, _ = self.wait_menu(before, f"the menu opened by Alt+{title_letter}", expected_items)
        self.desktop.keys(item_letter)
        self.desktop.wait_gone(menu)

    def open_popup(self, x, y):
        """Right-clicks at screen point x, y and waits for the six-item popup."""
        before = self.desktop.windows()
        self.desktop.click(x, y, button=3)
        return self.wait_menu(before, "the job list's popup menu", 6)

    def popup_command(self, item_index, at_line=None, at=None):
        point = at or self.line_point(at_line or 1, x=400)
        menu, rows = self.open_popup(*point)
        self.choose_item(menu, rows, item_index)

    def command(self, name, route, popup_line=None, popup_at=None):
        """Gives a command from the menu bar with the mouse ("mouse"), from the menu bar with Alt
        and the underlined letters ("keys"), or from the popup opened over a line or at a point
        ("popup"); the right click that opens the popup selects the line under the pointer."""
        c = COMMANDS[name]
        if route == "mouse":
            self.menu_by_mouse(c.menu, c.item)
        elif route == "keys":
            self.menu_by_keys(c.menu_letter, c.item_letter)
        elif route == "popup":
            self.popup_command(c.popup_item, at_line=popup_line, at=popup_at)
        else:
            raise ValueError(route)

    def nothing_opens(self, before, seconds=1.0):
        """True when, for a while, no window appears that was not in `before`."""
        known = {w.id for w in before}
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if any(w.id not in known for w in self.desktop.windows()):
                return False
            time.sleep(POLL_INTERVAL)
        return True

    def open_properties(self, route="keys", popup_line=None):
        self.command("properties", route, popup_line=popup_line)
        return self.desktop.wait_window("Job Details")

    def close_window_by_escape(self, window):
        self.desktop.focus(window)
        self.desktop.keys("Escape")
        self.desktop.wait_gone(window)

    def report_of_line(self, line, route="keys"):
        """Selects a line and reads its job's report in Job Details, which is closed again."""
        self.select_line(line)
        details = self.open_properties(route, popup_line=line)
        text = self.properties_text(details)
        self.close_window_by_escape(details)
        return text

    def save_through_dialog(self, typed, shot=None):
        """Types a name into the save dialog that a command opened and presses Return. GTK's
        dialog starts with an empty name and takes a full path; the toolkit's own chooser starts
        with its folder and the cursor after it, so a bare name goes there."""
        dialog = self.desktop.wait_window("Export Item")
        self.desktop.wait_for(lambda: self._dialog_drawn(dialog), "the save dialog drawn")
        if shot:
            self.desktop.save_shot(shot, windows=[self.main, dialog])
        self.desktop.focus(dialog, at=dialog.point(dialog.w // 2, 8))
        self.desktop.type_text(typed)
        self.desktop.keys("Return")
        self.desktop.wait_gone(dialog)

    def cancel_dialog(self):
        dialog = self.desktop.wait_window("Export Item")
        self.desktop.wait_for(lambda: self._dialog_drawn(dialog), "the save dialog drawn")
        self.close_window_by_escape(dialog)

    def _dialog_drawn(self, dialog):
        image = self.desktop.grab().of_window(dialog)
        colours = {image.pixel(*dialog.point(x, y))
                   for x in range(0, dialog.w, 16) for y in range(0, dialog.h, 16)}
        return len(colours) > 3

    def focus_main(self):
        self.desktop.focus(self.main, at=self.main.point(self.main.w - 40,
                                                          self.main.h - LIST_BOTTOM_MARGIN - 40))

    # ---- what the program shows --------------------------------------------------------------

    def wait_box(self, caption, timeout=None):
        besides = {self.main.id} if caption == MAIN_TITLE else set()
        first = self.desktop.wait_window(caption, besides=besides, timeout=timeout)
        # A box is drawn after it is mapped, and put over its owner once it is laid out; it is
        # read once it shows its words and two looks in a row see the same picture in one place.
        last = [None, None]

        def settled():
            window = self.desktop.geometry(first)
            if window is None:
                return False
            image = self.desktop.grab().of_window(window)
            same = (last[0] == window and last[1] is not None and
                    not image.distinct_from(last[1]))
            last[:] = [window, image]
            return same and self._box_drawn(window, image)
        self.desktop.wait_for(settled, f'the words of the box "{caption}"')
        return MessageBox(self.desktop, last[0], last[1])

    @staticmethod
    def _box_drawn(window, image):
        """A box is drawn when its ground is the dialog grey and words stand on it."""
        r, g, b = image.pixel(*window.point(3, window.h - 3))
        if not (150 <= r <= 235 and abs(r - g) < 12 and abs(g - b) < 12):
            return False
        return any(is_ink(image.pixel(window.x + col, window.y + row))
                   for row in range(BOX_EDGE, window.h - 2 * BOX_EDGE - BOX_BUTTON_MIN_H, 2)
                   for col in range(BOX_TEXT_LEFT, window.w - BOX_EDGE))

    def no_box_appears(self, seconds=1.0):
        """True when, for a while, no window but the main one is shown."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            others = [w for w in self.desktop.windows() if w.id != self.main.id]
            if others:
                return False
            time.sleep(POLL_INTERVAL)
        return True

    def properties_text(self, details):
        """The report in a Job Details window, as copying all of it and pasting gives it."""
        self.desktop.click(*details.point(details.w // 2, details.h // 2))
        self.desktop.keys("ctrl+a", "ctrl+c")
        return self.desktop.wait_for(self.desktop.clipboard,
                                     "the Job Details text on the clipboard")


def make_fake_opener(folder, exit_code=0):
    """An xdg-open first on PATH that only notes what it was asked to open, one line per call."""
    os.makedirs(folder, exist_ok=True)
    record = os.path.join(folder, "xdg-open-calls.txt")
    script = os.path.join(folder, "xdg-open")
    with open(script, "w") as out:
        out.write("#!/bin/sh\n"
                  f"printf '%s\\n' \"$*\" >> '{record}'\n"
                  f"exit {exit_code}\n")
    os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    return record


def file_signature(path):
    """A file's size and time of change, or None while there is no such file."""
    try:
        st = os.stat(path)
    except FileNotFoundError:
        return None
    return st.st_size, st.st_mtime_ns


def read_lines(path):
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return f.read().splitlines()


class DesktopCase(unittest.TestCase):
    """A group of cases on one X server of its own; every case starts the program afresh."""

    desktop = None

    @classmethod
    def setUpClass(cls):
        missing = [t for t in ("Xvfb", "xdotool", "xwininfo", "import", "convert", "tesseract")
                   if shutil.which(t) is None]
        if missing:
            raise RuntimeError("missing tools: " + ", ".join(missing) +
                               " (scripts/install-deps.sh installs them)")
        cls.exe = os.environ.get("KESTRELMOOR_EXE")
        if not cls.exe or not os.access(cls.exe, os.X_OK):
            raise RuntimeError("KESTRELMOOR_EXE must name the built program")
        root = os.environ.get("KESTRELMOOR_E2E_ARTIFACTS") or tempfile.mkdtemp(prefix="e2e-")
        group = os.path.splitext(os.path.basename(sys.modules[cls.__module__].__file__))[0]
        cls.artifacts = os.path.join(root, "runs", f"{group}.{cls.__name__}")
        shutil.rmtree(cls.artifacts, ignore_errors=True)
        os.makedirs(cls.artifacts)
        shots = os.path.join(root, "screenshots")
        os.makedirs(shots, exist_ok=True)
        # A picture of an earlier failure of this class would pass for one of this run.
        for old in os.listdir(shots):
            if old.startswith(f"FAILED-{cls.__name__}-"):
                os.remove(os.path.join(shots, old))
        cls.desktop = Desktop(cls.artifacts, shots)
        cls.desktop.start()

    @classmethod
    def tearDownClass(cls):
        if cls.desktop is not None:
            cls.desktop.stop()

    def setUp(self):
        self.desktop.current_test = self.id().split(".", 1)[-1]
        self.work = tempfile.mkdtemp(prefix=self._testMethodName + "-", dir=self.artifacts)
        # A home of its own, so the save dialog's bookmarks and recent files stay in here, and an
        # xdg-open that only takes notes, so that no case ever opens a real browser.
        self.home = os.path.join(self.work, "home")
        os.makedirs(self.home)
        self.opener_calls = make_fake_opener(os.path.join(self.work, "bin"))
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            app.kill()

    def environment(self, bin_folder=None):
        return {
            "PATH": (bin_folder or os.path.join(self.work, "bin")) + os.pathsep +
                    os.environ.get("PATH", ""),
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "NO_AT_BRIDGE": "1",
            "LC_ALL": "C.UTF-8",
        }

    def launch(self, args=(), exe=None, cwd=None, bin_folder=None, lines=11, timeout=None):
        """Starts the program and waits for its window and its filled list."""
        app = App(self.desktop, exe or self.exe, args, cwd=cwd or self.work,
                  env=self.environment(bin_folder), name=self._testMethodName)
        self.apps.append(app)
        app.wait_main(timeout)
        if lines:
            app.learn_lines(lines)
        return app

    def assertWritten(self, path, content, before=None):
        """The file at `path` holds exactly `content`, once it differs from what it was `before`
        (its size and time of change) and has stopped changing."""
        looks = []

        def settled():
            looks.append(file_signature(path))
            return looks[-1] not in (None, before) and looks[-2:] == [looks[-1]] * 2
        self.desktop.wait_for(settled, f"{path} written")
        with open(path, "rb") as f:
            self.assertEqual(f.read(), content)

    def assertBox(self, box, caption, icon, text, buttons):
        self.assertEqual(box.caption, caption)
        self.assertEqual(box.icon, icon, f'icon of the box "{text}"')
        self.assertEqual(box.text(), text)
        self.assertEqual(box.buttons(), buttons, f'buttons of the box "{text}"')
