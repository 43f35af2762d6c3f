#!/usr/bin/python3
"""A simulated roadside camera: an RTSP server on 127.0.0.1 streaming a
moving test picture with a clock, H.264 over RTP.

    rtsp-camera.py --port PORT [--name TEXT] [--size 640x480] [--max-seconds N]

Prints "listening on PORT" once ready and stops on SIGTERM, SIGINT or after
--max-seconds.
"""
import argparse
import signal
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402


def launch_line(name, width, height, clock):
    overlay = ""
    if clock:
        overlay = (
            f'! clockoverlay time-format="%H:%M:%S" halignment=right valignment=top '
            f'font-desc="Sans 18" ! textoverlay text="{name}" halignment=left '
            f'valignment=bottom font-desc="Sans 14" '
        )
    return (
        f"( videotestsrc is-live=true pattern=ball "
        f"background-color=0xff5a6470 foreground-color=0xffffc400 ! "
        f"video/x-raw,width={width},height={height},framerate=25/1 {overlay}"
        f"! videoconvert ! video/x-raw,format=I420 "
        f"! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 "
        f"! h264parse config-interval=1 ! rtph264pay name=pay0 pt=96 )"
    )


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--name", default="camera")
    parser.add_argument("--size", default="640x480")
    parser.add_argument("--mount", default="/camera")
    parser.add_argument("--max-seconds", type=int, default=3600)
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))

    Gst.init(None)
    clock = Gst.ElementFactory.find("clockoverlay") is not None
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(args.port))
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(launch_line(args.name, width, height, clock))
    factory.set_shared(True)
    server.get_mount_points().add_factory(args.mount, factory)
    if server.attach(None) == 0:
        print("cannot listen on port", args.port, file=sys.stderr)
        return 1

    loop = GLib.MainLoop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, sig, loop.quit)
    GLib.timeout_add_seconds(args.max_seconds, loop.quit)
    print("listening on", server.get_bound_port(), flush=True)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
