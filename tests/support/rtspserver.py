#!/usr/bin/python3
"""RTSP test camera on 127.0.0.1: a moving 640x480 H.264 picture at /test.

Usage: rtspserver.py PORT [WIDTHxHEIGHT] [stamp]

With "stamp" the picture is a bar code of the time it was made: 26 equal
columns, white, black, then the wall clock's milliseconds modulo 2^24, lowest
bit first, white for a one; a latency benchmark reads it off the screen.

Prints "listening PORT" once bound and, for every SETUP request, the
transport the client asked for ("transport RTP/AVP/TCP;..."). Quits on
SIGTERM or SIGINT.
"""
import signal
import sys
import time

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtsp", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtsp, GstRtspServer  # noqa: E402


STAMP_BITS = 24
ENCODER = ("x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 "
           "! h264parse config-interval=1 ! rtph264pay name=pay0 pt=96")


def stamp_picture(width, height, ms):
    """An I420 picture of the bar code for the time ms."""
    levels = [235, 16] + [235 if (ms >> bit) & 1 else 16 for bit in range(STAMP_BITS)]
    columns = len(levels)
    row = bytes(levels[x * columns // width] for x in range(width))
    return row * height + bytes([128]) * (width * height // 2)


def start_stamping(media, width, height):
    """Pushes a stamped picture every 40 ms while the media is in use."""
    source = media.get_element().get_by_name("stamp")
    live = [True]

    def push():
        if not live[0]:
            return False
        ms = int(time.time() * 1000) % (1 << STAMP_BITS)
        picture = Gst.Buffer.new_wrapped(stamp_picture(width, height, ms))
        return source.emit("push-buffer", picture) == Gst.FlowReturn.OK

    media.connect("unprepared", lambda _media: live.__setitem__(0, False))
    GLib.timeout_add(40, push)


def main():
    port = sys.argv[1]
    width, height = (sys.argv[2].split("x") if len(sys.argv) > 2 else ("640", "480"))
    stamped = len(sys.argv) > 3 and sys.argv[3] == "stamp"
    Gst.init(None)

    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(port)

    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_shared(True)
    if stamped:
        # At most the newest picture waits for the encoder: one that queued
        # would leave later than its stamp says.
        factory.set_launch(
            "( appsrc name=stamp is-live=true do-timestamp=true format=time "
            "max-buffers=1 leaky-type=downstream "
            f"caps=video/x-raw,format=I420,width={width},height={height},framerate=25/1 "
            f"! {ENCODER} )")
        factory.connect("media-configure",
                        lambda _factory, media: start_stamping(media, int(width), int(height)))
    else:
        factory.set_launch(
            "( videotestsrc is-live=true pattern=ball "
            f"! video/x-raw,width={width},height={height},framerate=25/1 "
            f"! videoconvert ! video/x-raw,format=I420 ! {ENCODER} )")
    server.get_mount_points().add_factory("/test", factory)

    def on_setup(client, context):
        transport = context.request.get_header(GstRtsp.RTSPHeaderField.TRANSPORT, 0)
        print("transport", transport[1] if transport[0] == GstRtsp.RTSPResult.OK else "",
              flush=True)

    def on_client(srv, client):
        client.connect("setup-request", on_setup)

    server.connect("client-connected", on_client)
    if server.attach(None) == 0:
        print("cannot listen on", port, file=sys.stderr, flush=True)
        return 1

    loop = GLib.MainLoop()
    for signum in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signum, loop.quit)
    print("listening", server.get_bound_port(), flush=True)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
