#!/usr/bin/python3
# Real keyboard and pointer input on a headless GNOME Wayland screen (mutter), for tests that
# drive a program as a person does: a Wayland client cannot send input to another, so this
# goes through mutter's remote-desktop API, whose absolute pointer moves are given on a screen
# cast stream of the monitor (PipeWire carries it; scripts/desktop.sh starts PipeWire and
# WirePlumber beside mutter). It also takes pictures of the screen from that same stream.
# Debian's own Python (python3-dbus, python3-gi), not whatever python3 comes first on PATH.
#
# Commands, one a line on standard input; each is answered with one line on standard output
# once it has been done ("ok", or "error WHY"), so the caller can wait for it:
#   tap X Y HOLD_MS     the pointer to X,Y (screen pixels), the left button down HOLD_MS, up
#   key KEYSYM [HOLD_MS] a key pressed and released (KEYSYM in hex, as X names keys: ff0d is
#                        Return); without HOLD_MS in one instant, as a keyboard macro sends it
#   keydown KEYSYM / keyup KEYSYM
#   shot FILE           a picture of the screen as it is now (binary PPM, which QImage reads)
#   pixel X Y           one pixel of the screen as it is now, answered "ok RRGGBB" (hex)
# Before the first command it writes "ready" once the input is live. It ends at the end of its
# input. Exit codes: 0 done, 77 this desktop has no mutter remote-desktop service (a caller
# skips), 1 anything else went wrong (said on standard error).
import subprocess
import sys
import threading
import time

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DESKTOP = "org.gnome.Mutter.RemoteDesktop"
CAST = "org.gnome.Mutter.ScreenCast"
BTN_LEFT = 0x110  # linux/input-event-codes.h
SHIFT_L = 0xFFE1
UNAVAILABLE = 77
POINTER_SETTLES = 0.03  # seconds: two frames at 60 Hz


def fail(why, code=1):
    print("mutter-input: " + why, file=sys.stderr, flush=True)
    sys.exit(code)


def start(bus):
    """A remote-desktop session with a screen cast of the whole monitor linked to it; returns
    the session, the stream's object path and its PipeWire node, once the stream runs."""
    desktop = bus.get_object(DESKTOP, "/org/gnome/Mutter/RemoteDesktop")
    session_path = desktop.CreateSession(dbus_interface=DESKTOP)
    session = bus.get_object(DESKTOP, session_path)
    session_id = session.Get(DESKTOP + ".Session", "SessionId",
                             dbus_interface="org.freedesktop.DBus.Properties")
    cast = bus.get_object(CAST, "/org/gnome/Mutter/ScreenCast")
    cast_path = cast.CreateSession({"remote-desktop-session-id": session_id},
                                   dbus_interface=CAST)
    cast_session = bus.get_object(CAST, cast_path)
    # Without the pointer drawn in: the pictures are read where the pointer may stand.
    stream_path = cast_session.RecordMonitor("", {"cursor-mode": dbus.UInt32(0)},
                                             dbus_interface=CAST + ".Session")
    loop = GLib.MainLoop()
    node = []
    ended = []

    def added(node_id):
        node.append(int(node_id))
        loop.quit()

    def closed():
        ended.append(True)
        loop.quit()

    bus.add_signal_receiver(added, "PipeWireStreamAdded", CAST + ".Stream", path=stream_path)
    bus.add_signal_receiver(closed, "Closed", DESKTOP + ".Session", path=session_path)
    session.Start(dbus_interface=DESKTOP + ".Session")
    # The stream announces its node as soon as PipeWire has it; the limit only turns a
    # PipeWire that never answers into a message instead of a hang.
    GLib.timeout_add_seconds(30, loop.quit)
    loop.run()
    if ended:
        fail("mutter closed the remote-desktop session as it started")
    if not node:
        fail("the screen cast stream never started (is PipeWire running?)")
    size = bus.get_object(CAST, stream_path).Get(
        CAST + ".Stream", "Parameters", dbus_interface="org.freedesktop.DBus.Properties")["size"]
    return session, stream_path, node[0], (int(size[0]), int(size[1]))


class Frames:
    """The stream's pictures as they come, the latest kept: mutter sends one whenever the screen
    changes, so the latest is the screen as it is now. A picture on demand (a new PipeWire
    client each time) takes about a second; one from here takes none."""

    def __init__(self, node, size):
        self.width, self.height = size
        # Rows of RGB are padded to whole 32-bit words.
        self.stride = (self.width * 3 + 3) // 4 * 4
        self.latest = None
        self.first = threading.Event()
        self.lock = threading.Lock()
        self.reader = subprocess.Popen(
            ["gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % node, "always-copy=true", "!", "videoconvert", "!",
             "video/x-raw,format=RGB,width=%d,height=%d" % size, "!", "fdsink", "fd=1"],
            stdout=subprocess.PIPE)
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        size = self.stride * self.height
        while True:
            frame = self.reader.stdout.read(size)
            if len(frame) < size:
                self.first.set()
                return
            with self.lock:
                self.latest = frame
            self.first.set()

    def now(self):
        # The first picture comes once the stream has started; the limit only turns a stream
        # that never delivers into a message instead of a hang.
        self.first.wait(30)
        with self.lock:
            frame = self.latest
        if frame is None or self.reader.poll() is not None:
            raise RuntimeError("the screen cast delivered no picture, or stopped")
        return frame

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise ValueError("not on the screen")
        at = y * self.stride + x * 3
        return self.now()[at:at + 3].hex()

    def save(self, path):
        frame = self.now()
        row = self.width * 3
        if self.stride != row:
            frame = b"".join(frame[y * self.stride:y * self.stride + row]
                             for y in range(self.height))
        with open(path, "wb") as out:
            out.write(b"P6\n%d %d\n255\n" % (self.width, self.height))
            out.write(frame)

    def stop(self):
        self.reader.terminate()
        self.reader.wait()


def main():
    DBusGMainLoop(set_as_default=True)
    try:
        bus = dbus.SessionBus()
        names = bus.list_names()
    except dbus.exceptions.DBusException as e:
        fail("no session message bus (%s)" % e.get_dbus_message(), UNAVAILABLE)
    if DESKTOP not in names or CAST not in names:
        fail("this desktop offers no %s and %s (only GNOME's mutter does)" % (DESKTOP, CAST),
             UNAVAILABLE)
    session, stream, node, size = start(bus)
    frames = Frames(node, size)
    call = DESKTOP + ".Session"

    def key(sym, down):
        session.NotifyKeyboardKeysym(dbus.UInt32(sym), down, dbus_interface=call)

    def button(down):
        session.NotifyPointerButton(BTN_LEFT, down, dbus_interface=call)

    # mutter adds the session's virtual keyboard as the session starts and drops the key that
    # comes first; nothing tells when the keyboard is in place, so a Shift, which the program
    # ignores, goes first.
    key(SHIFT_L, True)
    key(SHIFT_L, False)
    print("ready", flush=True)

    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        try:
            command, args = words[0], words[1:]
            if command == "tap" and len(args) == 3:
                session.NotifyPointerMotionAbsolute(stream, float(args[0]), float(args[1]),
                                                    dbus_interface=call)
                # mutter finds the window under the moved pointer on its next frame, not at
                # once: a press sent at once goes to the window the pointer was over before.
                time.sleep(POINTER_SETTLES)
                button(True)
                time.sleep(int(args[2]) / 1000)
                button(False)
            elif command == "key" and len(args) in (1, 2):
                sym = int(args[0], 16)
                key(sym, True)
                if len(args) == 2:
                    time.sleep(int(args[1]) / 1000)
                key(sym, False)
            elif command in ("keydown", "keyup") and len(args) == 1:
                key(int(args[0], 16), command == "keydown")
            elif command == "shot" and len(args) == 1:
                frames.save(args[0])
            elif command == "pixel" and len(args) == 2:
                print("ok " + frames.pixel(int(args[0]), int(args[1])), flush=True)
                continue
            else:
                raise ValueError("unknown command")
            print("ok", flush=True)
        except (ValueError, RuntimeError, OSError, dbus.exceptions.DBusException) as e:
            print("error %s: %s" % (line.strip(), e), flush=True)
    # The session first, so mutter ends the stream its reader is still taking.
    session.Stop(dbus_interface=call)
    frames.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
