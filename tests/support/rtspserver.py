#!/usr/bin/python3
"""RTSP test camera on 127.0.0.1: a moving 640x480 H.264 picture at /test.

Usage: rtspserver.py PORT [WIDTHxHEIGHT]

Prints "listening PORT" once bound and, for every SETUP request, the
transport the client asked for ("transport RTP/AVP/TCP;..."). Quits on
SIGTERM or SIGINT.
"""
import signal
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtsp", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtsp, GstRtspServer  # noqa: E402


def main():
    port = sys.argv[1]
    width, height = (sys.argv[2].split("x") if len(sys.argv) > 2 else ("640", "480"))
    Gst.init(None)

    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(port)

    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_shared(True)
    factory.set_launch(
        "( videotestsrc is-live=true pattern=ball "
        f"! video/x-raw,width={width},height={height},framerate=25/1 "
        "! videoconvert ! video/x-raw,format=I420 "
        "! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 "
        "! h264parse config-interval=1 ! rtph264pay name=pay0 pt=96 )")
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
