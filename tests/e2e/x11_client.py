"""The two things a person does to a desktop program that no command-line tool here can do without
a window manager: press a window's close box, and paste what the program copied.

Xvfb runs no window manager, so nothing draws a close box; what a window manager sends when its
close box is pressed is a WM_DELETE_WINDOW client message, and that message is sent here, as a
window manager would, straight to the window. The clipboard is read the way any program pastes:
ask its owner to convert the CLIPBOARD selection to UTF-8 text. Both go through libX11 with ctypes,
so nothing beyond the standard library and the X library that xdotool already needs is used.
"""

import ctypes
import ctypes.util
import time

_lib_name = ctypes.util.find_library("X11") or "libX11.so.6"
_x = ctypes.CDLL(_lib_name)

_Display = ctypes.c_void_p
_Window = ctypes.c_ulong
_Atom = ctypes.c_ulong
_Time = ctypes.c_ulong

_CLIENT_MESSAGE = 33
_SELECTION_NOTIFY = 31
_NONE = 0
_CURRENT_TIME = 0
_ANY_PROPERTY_TYPE = 0


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", _Window),
        ("message_type", _Atom),
        ("format", ctypes.c_int),
        ("l", ctypes.c_long * 5),
    ]


class _XSelectionEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("requestor", _Window),
        ("selection", _Atom),
        ("target", _Atom),
        ("property", _Atom),
        ("time", _Time),
    ]


class _XEvent(ctypes.Union):
    # Xlib's XEvent is 24 longs long; the padding keeps XNextEvent inside our buffer.
    _fields_ = [
        ("type", ctypes.c_int),
        ("xclient", _XClientMessageEvent),
        ("xselection", _XSelectionEvent),
        ("pad", ctypes.c_long * 24),
    ]


_x.XOpenDisplay.restype = _Display
_x.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x.XCloseDisplay.argtypes = [_Display]
_x.XInternAtom.restype = _Atom
_x.XInternAtom.argtypes = [_Display, ctypes.c_char_p, ctypes.c_int]
_x.XSendEvent.argtypes = [_Display, _Window, ctypes.c_int, ctypes.c_long, ctypes.POINTER(_XEvent)]
_x.XFlush.argtypes = [_Display]
_x.XSync.argtypes = [_Display, ctypes.c_int]
_x.XDefaultRootWindow.restype = _Window
_x.XDefaultRootWindow.argtypes = [_Display]
_x.XCreateSimpleWindow.restype = _Window
_x.XCreateSimpleWindow.argtypes = [_Display, _Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                   ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
_x.XDestroyWindow.argtypes = [_Display, _Window]
_x.XConvertSelection.argtypes = [_Display, _Atom, _Atom, _Atom, _Window, _Time]
_x.XPending.argtypes = [_Display]
_x.XNextEvent.argtypes = [_Display, ctypes.POINTER(_XEvent)]
_x.XGetWindowProperty.argtypes = [
    _Display, _Window, _Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, _Atom,
    ctypes.POINTER(_Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
_x.XFree.argtypes = [ctypes.c_void_p]


class _Connection:
    def __init__(self, display_name):
        self.handle = _x.XOpenDisplay(display_name.encode())
        if not self.handle:
            raise RuntimeError(f"cannot open X display {display_name}")

    def atom(self, name):
        return _x.XInternAtom(self.handle, name.encode(), 0)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        _x.XCloseDisplay(self.handle)


def press_close_box(display_name, window_id):
    """Sends the window what a window manager sends when its close box is pressed."""
    with _Connection(display_name) as conn:
        event = _XEvent()
        event.xclient.type = _CLIENT_MESSAGE
        event.xclient.window = window_id
        event.xclient.message_type = conn.atom("WM_PROTOCOLS")
        event.xclient.format = 32
        event.xclient.l[0] = conn.atom("WM_DELETE_WINDOW")
        event.xclient.l[1] = _CURRENT_TIME
        # No event mask: the message goes to the client that made the window, as ICCCM asks.
        _x.XSendEvent(conn.handle, window_id, 0, 0, ctypes.byref(event))
        _x.XSync(conn.handle, 0)


def read_clipboard(display_name, timeout=10.0):
    """What a paste would give: the CLIPBOARD selection as UTF-8 bytes, or None when nobody owns
    it or its owner does not answer in time."""
    with _Connection(display_name) as conn:
        root = _x.XDefaultRootWindow(conn.handle)
        requestor = _x.XCreateSimpleWindow(conn.handle, root, 0, 0, 1, 1, 0, 0, 0)
        try:
            target_property = conn.atom("KESTRELMOOR_E2E_PASTE")
            _x.XConvertSelection(conn.handle, conn.atom("CLIPBOARD"), conn.atom("UTF8_STRING"),
                                 target_property, requestor, _CURRENT_TIME)
            _x.XFlush(conn.handle)
            deadline = time.monotonic() + timeout
            event = _XEvent()
            while time.monotonic() < deadline:
                if not _x.XPending(conn.handle):
                    time.sleep(0.02)
                    continue
                _x.XNextEvent(conn.handle, ctypes.byref(event))
                if event.type != _SELECTION_NOTIFY:
                    continue
                if event.xselection.property == _NONE:
                    return None
                return _take_property(conn, requestor, target_property)
            return None
        finally:
            _x.XDestroyWindow(conn.handle, requestor)


def _take_property(conn, window, prop):
    actual_type = _Atom()
    actual_format = ctypes.c_int()
    count = ctypes.c_ulong()
    remaining = ctypes.c_ulong()
    data = ctypes.c_void_p()
    # Long enough for any report; a larger selection would come by INCR, which no report needs.
    _x.XGetWindowProperty(conn.handle, window, prop, 0, 1 << 24, 1, _ANY_PROPERTY_TYPE,
                          ctypes.byref(actual_type), ctypes.byref(actual_format),
                          ctypes.byref(count), ctypes.byref(remaining), ctypes.byref(data))
    if not data.value:
        return b""
    try:
        return ctypes.string_at(data.value, count.value)
    finally:
        _x.XFree(data)
