"""What a screen reader gets from a program under Wine, through msaa_client.exe started beside it
in the same prefix: the objects of the program's windows and the events it raises, parsed from the
lines the client writes."""

import os
import re
import subprocess
import time
from dataclasses import dataclass, field

QUOTED = r'"(?:[^"\\]|\\.)*"'
OBJECT_LINE = re.compile(rf'^(?P<role>[^"(]+?) (?P<name>{QUOTED}|\(no name\))(?P<rest>.*)$')
FIELD = re.compile(rf' (value|shortcut) ({QUOTED})| (states|at|children) (\S+)')
ESCAPE = re.compile(r'\\(x[0-9A-F]{2}|.)')


def unquote(text):
    if not text.startswith('"'):
        return None
    return ESCAPE.sub(lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(
        m.group(1), chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == "x" else m.group(1)),
        text[1:-1])


@dataclass
class Node:
    role: str
    name: str
    value: str = None
    shortcut: str = None
    states: frozenset = frozenset()
    at: tuple = None
    children: list = field(default_factory=list)

    def key(self):
        return self.role, self.name

    def child(self, role, name=None):
        return next((c for c in self.children if c.role == role and name in (None, c.name)),
                    None)


def parse_object(text):
    match = OBJECT_LINE.match(text)
    if not match:
        return None
    node = Node(match.group("role"), unquote(match.group("name")) or "")
    for quoted_key, quoted, key, word in FIELD.findall(match.group("rest")):
        if quoted_key:
            setattr(node, quoted_key, unquote(quoted))
        elif key == "states":
            node.states = frozenset(word.split(","))
        elif key == "at":
            node.at = tuple(int(n) for n in word.split(","))
    return node


def parse_windows(lines):
    """The windows of one "tree" answer: (title, [client object, menu object]) each, the objects
    with their children; lines in brackets (what could not be read) are left out."""
    windows, stack = [], []
    for line in lines:
        if line.startswith("window "):
            windows.append((unquote(line[len("window "):]), []))
            continue
        depth = (len(line) - len(line.lstrip(" "))) // 2
        node = parse_object(line.strip())
        if node is None or not windows:
            continue
        del stack[depth - 1:]
        (stack[-1].children if stack else windows[-1][1]).append(node)
        stack.append(node)
    return windows


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class NotHeard(AssertionError):
    pass


class Watch:
    """msaa_client.exe watching the process that shows `window` (a title), its events going to a
    file that is read as it grows."""

    def __init__(self, wine, client_exe, window, folder, env, timeout=30):
        self.output = os.path.join(folder, "msaa-events.txt")
        self.timeout = timeout
        if os.path.exists(self.output):
            os.remove(self.output)
        self.log = open(os.path.join(folder, "msaa-client.log"), "wb")
        self.process = subprocess.Popen(
            [wine, client_exe, "watch", window, windows_path(self.output)],
            stdin=subprocess.PIPE, stdout=self.log, stderr=subprocess.STDOUT, env=env)
        self.wait_for(lambda lines: any(l.startswith("watching ") for l in lines),
                      "the client watching the program")

    def lines(self):
        try:
            with open(self.output, encoding="utf-8") as f:
                text = f.read()
        except FileNotFoundError:
            return []
        return text.split("\n")[:-1]  # a line still being written is not read

    def wait_for(self, probe, what, timeout=None):
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            lines = self.lines()
            found = probe(lines)
            if found:
                return found
            if time.monotonic() > deadline or self.process.poll() is not None:
                tail = "\n".join(lines[-40:])
                raise NotHeard(f"not heard: {what}; the client's last lines:\n{tail}")
            time.sleep(0.05)

    def send(self, command):
        self.process.stdin.write(command.encode() + b"\n")
        self.process.stdin.flush()

    def tree(self):
        """Every shown window of the program with its objects, read now."""
        count = self.lines().count("end tree")
        self.send("tree")

        def answered(lines):
            ends = [i for i, line in enumerate(lines) if line == "end tree"]
            if len(ends) <= count:
                return None
            start = max(i for i, line in enumerate(lines[:ends[count]]) if line == "tree")
            return parse_windows(lines[start + 1:ends[count]])
        return self.wait_for(answered, "the objects of the program's windows")

    def mark(self, text):
        self.send("mark " + text)
        self.wait_for(lambda lines: ("mark " + text) in lines, f"mark {text}")

    def events_since(self, mark, lines=None):
        """(event, object) for each event written after the mark."""
        lines = self.lines() if lines is None else lines
        after = lines[lines.index("mark " + mark) + 1:]
        events = []
        for line in after:
            name, _, rest = line.partition(" ")
            if name.startswith("EVENT_"):
                events.append((name, parse_object(rest) or Node("(not read)", rest)))
        return events

    def wait_events(self, mark, expected):
        """The events after the mark once `expected`, (event, role, name) triples, are among them in
        that order; others may come between. A role and name of None stand for any source."""
        def matches(want, event):
            return want[0] == event[0] and (want[1] is None or want[1:] == event[1:])

        def heard(lines):
            events = self.events_since(mark, lines)
            seen = iter((e, n.role, n.name) for e, n in events)
            return events if all(any(matches(w, e) for e in seen) for w in expected) else None
        try:
            return self.wait_for(heard, f"after {mark}: {expected}")
        except NotHeard:
            heard_instead = [(e, n.role, n.name) for e, n in self.events_since(mark)]
            raise NotHeard(f"after {mark}, expected in this order {expected}, "
                           f"heard {heard_instead}") from None

    def close(self):
        try:
            if self.process.poll() is None:
                self.process.stdin.close()
                self.process.wait(30)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        finally:
            self.log.close()
