#!/usr/bin/python3
# Writes one picture of a headless GNOME Wayland screen (mutter) to the PNG file given: a
# Wayland client cannot read the screen, and mutter without GNOME Shell offers no screenshot
# call, only its screen-cast API, whose stream PipeWire carries. scripts/desktop.sh starts
# PipeWire and WirePlumber beside mutter and names this script in QUORVEL_SCREENSHOT.
# Debian's own Python (python3-dbus, python3-gi), not whatever python3 comes first on PATH.
import subprocess
import sys

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

CAST = "org.gnome.Mutter.ScreenCast"


def main(out):
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    cast = bus.get_object(CAST, "/org/gnome/Mutter/ScreenCast")
    session_path = cast.CreateSession({}, dbus_interface=CAST)
    session = bus.get_object(CAST, session_path)
    # The whole monitor, without the pointer (a test reads pixels where it may point).
    stream_path = session.RecordMonitor(
        "", {"cursor-mode": dbus.UInt32(0)}, dbus_interface=CAST + ".Session")
    loop = GLib.MainLoop()
    node = []

    def added(node_id):
        node.append(int(node_id))
        loop.quit()

    bus.add_signal_receiver(added, "PipeWireStreamAdded", CAST + ".Stream", path=stream_path)
    session.Start(dbus_interface=CAST + ".Session")
    GLib.timeout_add_seconds(20, loop.quit)
    loop.run()
    rc = 1
    if node:
        rc = subprocess.call([
            "gst-launch-1.0", "-q", "pipewiresrc", "path=%d" % node[0], "num-buffers=1", "!",
            "videoconvert", "!", "pngenc", "!", "filesink", "location=" + out])
    else:
        print("mutter-screenshot: the screen cast never started", file=sys.stderr)
    session.Stop(dbus_interface=CAST + ".Session")
    return rc


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: mutter-screenshot.py FILE.png", file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
