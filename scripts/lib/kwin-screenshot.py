#!/usr/bin/python3
# Writes one picture of a headless KDE Wayland screen (kwin_wayland) to the PNG file given: a
# Wayland client cannot read the screen, and kwin hands the whole workspace out through its
# ScreenShot2 D-Bus API (kwin started with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1, as
# scripts/desktop.sh does, which names this script in QUORVEL_SCREENSHOT). kwin writes the raw
# pixels (32-bit, blue green red alpha in memory) into a pipe; the PNG is made here.
# Debian's own Python (python3-dbus), not whatever python3 comes first on PATH.
import os
import struct
import sys
import zlib

import dbus


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))


def main(out):
    bus = dbus.SessionBus()
    shooter = bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2")
    read_end, write_end = os.pipe()
    # The workspace at its own pixels, without the pointer (a test reads pixels where it may
    # point).
    meta = shooter.CaptureWorkspace({"native-resolution": True, "include-cursor": False},
                                    dbus.types.UnixFd(write_end),
                                    dbus_interface="org.kde.KWin.ScreenShot2")
    os.close(write_end)
    chunks = []
    while True:
        chunk = os.read(read_end, 1 << 20)
        if not chunk:
            break
        chunks.append(chunk)
    os.close(read_end)
    data = b"".join(chunks)
    width, height, stride = int(meta["width"]), int(meta["height"]), int(meta["stride"])
    if len(data) < stride * height:
        print("kwin-screenshot: kwin sent %d bytes of %d" % (len(data), stride * height),
              file=sys.stderr)
        return 1
    rows = bytearray()
    for y in range(height):
        line = data[y * stride:y * stride + width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3] = line[2::4]
        rgb[1::3] = line[1::4]
        rgb[2::3] = line[0::4]
        rows += b"\0" + rgb
    with open(out, "wb") as f:
        f.write(png(width, height, bytes(rows)))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: kwin-screenshot.py FILE.png", file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
