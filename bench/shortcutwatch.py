#!/usr/bin/env python3
"""Runs a command and reports when a window shows its effect, for bench/shortcut.sh.

Usage: shortcutwatch.py locate WINDOW -- COMMAND...
       shortcutwatch.py watch WINDOW X Y W H -- COMMAND...

locate runs the command (say, the keys that select the formula) between two pictures of the
window and prints the rectangle in which they differ, "X Y W H" in window coordinates.

watch takes the window's title and a picture of that rectangle, starts the command and polls
both as fast as it can until both changed or 20 s passed: the title when it gains a leading
"*" (the editor's modified mark), the picture when more than THRESHOLD bits of it differ (a
blinking caret changes fewer). Prints, in milliseconds from just before the command's start:
the title change, the picture change, the command's end, the clipboard's next owner (the
result held; "-" for what did not happen), the mean time between two pictures, then the
command's exit status.
"""
import ctypes
import ctypes.util
import subprocess
import sys
import time

THRESHOLD = 2000
Z_PIXMAP = 2
TIMEOUT = 20.0

xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XGetImage.restype = ctypes.c_void_p
xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
xlib.XGetSubImage.restype = ctypes.c_void_p
xlib.XGetSubImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int,
                              ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
xlib.XGetWindowProperty.argtypes = [
    ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long, ctypes.c_int,
    ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_void_p)]
xlib.XFree.argtypes = [ctypes.c_void_p]
xlib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
xlib.XGetSelectionOwner.restype = ctypes.c_ulong
xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int)]


class Attributes(ctypes.Structure):
    # x, y, width, height come first; the rest is room for the remaining fields.
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("rest", ctypes.c_char * 256)]


class Window:
    def __init__(self, window):
        self.display = xlib.XOpenDisplay(None)
        if not self.display:
            sys.exit("shortcutwatch: cannot open the display")
        self.window = window
        self.name_atom = xlib.XInternAtom(self.display, b"_NET_WM_NAME", 0)
        self.utf8 = xlib.XInternAtom(self.display, b"UTF8_STRING", 0)
        self.clipboard = xlib.XInternAtom(self.display, b"CLIPBOARD", 0)
        attributes = Attributes()
        xlib.XGetWindowAttributes(self.display, window, ctypes.byref(attributes))
        self.width, self.height = attributes.width, attributes.height
        self.image = None

    def title(self):
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        if xlib.XGetWindowProperty(self.display, self.window, self.name_atom, 0, 1024, 0,
                                   self.utf8, ctypes.byref(kind), ctypes.byref(fmt),
                                   ctypes.byref(count), ctypes.byref(after),
                                   ctypes.byref(data)) != 0:
            return ""
        text = ctypes.string_at(data, count.value).decode("utf-8", "replace") if data else ""
        if data:
            xlib.XFree(data)
        return text

    def clipboard_owner(self):
        return xlib.XGetSelectionOwner(self.display, self.clipboard)

    def picture(self, x, y, width, height):
        """The rectangle's pixels, 4 bytes each, rows of bytes_per_line; one buffer reused."""
        if self.image is None or self.size != (width, height):
            self.image = xlib.XGetImage(self.display, self.window, x, y, width, height,
                                        0xFFFFFFFF, Z_PIXMAP)
            if not self.image:
                sys.exit("shortcutwatch: cannot read the window's picture")
            self.size = (width, height)
            self.layout = ctypes.cast(self.image, ctypes.POINTER(XImage)).contents
        else:
            xlib.XGetSubImage(self.display, self.window, x, y, width, height, 0xFFFFFFFF,
                              Z_PIXMAP, self.image, 0, 0)
        pixels = bytearray(ctypes.string_at(self.layout.data, self.layout.bytes_per_line * height))
        # The fourth byte of a pixel is padding, not always cleared.
        pixels[3::4] = bytes(len(pixels) // 4)
        return bytes(pixels)


def locate(window, command):
    w = Window(window)
    line = w.width * 4
    before = w.picture(0, 0, w.width, w.height)
    subprocess.run(command, check=True)
    time.sleep(0.5)
    after = w.picture(0, 0, w.width, w.height)
    stride = w.layout.bytes_per_line
    rows = [y for y in range(w.height)
            if before[y * stride:y * stride + line] != after[y * stride:y * stride + line]]
    if not rows:
        sys.exit("shortcutwatch: the command changed nothing in the window")
    # The first band of rows: the selected line, not the status bar below it.
    band = [rows[0]]
    for y in rows[1:]:
        if y > band[-1] + 3:
            break
        band.append(y)
    rows = band
    columns = [x for x in range(w.width)
               if any(before[y * stride + 4 * x:y * stride + 4 * x + 4] !=
                      after[y * stride + 4 * x:y * stride + 4 * x + 4] for y in rows)]
    # A margin for a result wider than the selection.
    left, right = max(columns[0] - 4, 0), min(columns[-1] + 40, w.width - 1)
    top, bottom = max(rows[0] - 2, 0), min(rows[-1] + 2, w.height - 1)
    print(left, top, right - left + 1, bottom - top + 1)


def watch(window, region, command):
    w = Window(window)
    before_title = w.title()
    before_owner = w.clipboard_owner()
    before = int.from_bytes(w.picture(*region), "little")
    pictures = 0
    title_at = picture_at = ended_at = owned_at = None
    start = time.perf_counter()
    process = subprocess.Popen(command)
    first_picture = time.perf_counter()
    while time.perf_counter() - start < TIMEOUT:
        now_title = w.title()
        now = time.perf_counter()
        if title_at is None and now_title != before_title and now_title.startswith("*"):
            title_at = now
        if picture_at is None:
            changed = (int.from_bytes(w.picture(*region), "little") ^ before).bit_count()
            pictures += 1
            if changed > THRESHOLD:
                picture_at = time.perf_counter()
            last_picture = time.perf_counter()
        # The editor held the selection in PRIMARY: the next clipboard owner holds the result.
        if owned_at is None and w.clipboard_owner() != before_owner:
            owned_at = time.perf_counter()
        if ended_at is None and process.poll() is not None:
            ended_at = time.perf_counter()
        # A title that never changes (Writer's) is given half a second more.
        if picture_at is not None and ended_at is not None and (
                title_at is not None or time.perf_counter() - picture_at > 0.5):
            break
    if ended_at is None:
        process.wait()
        ended_at = time.perf_counter()

    def ms(at):
        return "-" if at is None else "%.1f" % ((at - start) * 1000)

    print(ms(title_at), ms(picture_at), ms(ended_at), ms(owned_at),
          "%.2f" % ((last_picture - first_picture) * 1000 / max(pictures, 1)), process.returncode)


def main():
    args = sys.argv[1:]
    if "--" not in args or len(args) < 4:
        sys.exit(__doc__)
    command = args[args.index("--") + 1:]
    args = args[:args.index("--")]
    if args[0] == "locate" and len(args) == 2:
        locate(int(args[1], 0), command)
    elif args[0] == "watch" and len(args) == 6:
        watch(int(args[1], 0), [int(a) for a in args[2:6]], command)
    else:
        sys.exit(__doc__)


main()
