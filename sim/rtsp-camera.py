#!/usr/bin/python3
"""A simulated roadside camera: an RTSP server on 127.0.0.1 streaming a
moving test picture with a clock, H.264 over RTP.

    rtsp-camera.py --port PORT [--name TEXT] [--size 640x480] [--max-seconds N]

Prints "listening on PORT" once ready and stops on SIGTERM, SIGINT or after
--max-seconds.

Players get the stream over TCP only (a player that asks for UDP is told
461 and, as FFmpeg does, asks again for TCP): GStreamer's RTSP server (1.22)
aborts on an assertion (gst_rtsp_media_get_rates) when a player sends PLAY
on the shared stream while the branch for the other lower transport is
being added to it, which happens whenever UDP and TCP players come and go.
Whatever else may end the server, it runs in a child process that is
started again on the same port; each restart is reported on stderr, and
ten within a minute end the camera.
"""
import argparse
import ctypes
import os
import signal
import subprocess
import sys
import time

RESTARTS_PER_MINUTE = 10


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


def serve(args):
    """The RTSP server itself, in the child process."""
    # The child goes with its supervisor, however that ends.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
    if os.getppid() != args.supervisor:
        return 1

    import gi

    gi.require_version("Gst", "1.0")
    gi.require_version("GstRtsp", "1.0")
    gi.require_version("GstRtspServer", "1.0")
    from gi.repository import GLib, Gst, GstRtsp, GstRtspServer

    width, height = (int(v) for v in args.size.split("x"))
    Gst.init(None)
    clock = Gst.ElementFactory.find("clockoverlay") is not None
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(args.port))
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(launch_line(args.name, width, height, clock))
    factory.set_shared(True)
    factory.set_protocols(GstRtsp.RTSPLowerTrans.TCP)
    server.get_mount_points().add_factory(args.mount, factory)
    if server.attach(None) == 0:
        print("cannot listen on port", args.port, file=sys.stderr, flush=True)
        return 1

    loop = GLib.MainLoop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, sig, loop.quit)
    GLib.timeout_add_seconds(max(1, args.max_seconds), loop.quit)
    print("listening on", server.get_bound_port(), flush=True)
    loop.run()
    return 0


def start_server(args, port, seconds_left, children):
    command = [sys.executable, os.path.abspath(__file__), "--serve", "--supervisor",
               str(os.getpid()), "--port", str(port), "--name", args.name, "--size", args.size,
               "--mount", args.mount, "--max-seconds", str(seconds_left)]
    child = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
    children[:] = [child]
    line = child.stdout.readline()
    if not line.startswith("listening on "):
        child.wait()
        return child, None
    return child, int(line.split()[2])


def stop(child):
    if child.poll() is None:
        child.terminate()
        try:
            child.wait(timeout=5)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()


def describe(status):
    return f"signal {-status}" if status < 0 else f"exit status {status}"


def supervise(args):
    deadline = time.monotonic() + args.max_seconds
    stopping = []
    children = []

    def on_signal(signum, _frame):
        stopping.append(signum)
        # Also ends a server that is still starting, and with it the wait for it.
        for child in children:
            if child.poll() is None:
                child.terminate()

    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, on_signal)

    child, port = start_server(args, args.port, args.max_seconds, children)
    if port is None:
        return 0 if stopping else 1
    print("listening on", port, flush=True)
    restarts = []
    try:
        while not stopping:
            left = deadline - time.monotonic()
            if left <= 0:
                return 0
            try:
                status = child.wait(timeout=min(left, 0.5))
            except subprocess.TimeoutExpired:
                continue
            if stopping or time.monotonic() >= deadline:
                return 0
            now = time.monotonic()
            restarts = [t for t in restarts if now - t < 60] + [now]
            if len(restarts) > RESTARTS_PER_MINUTE:
                print("camera server died too often; giving up", file=sys.stderr, flush=True)
                return 1
            print(f"camera server ended with {describe(status)}; starting it again",
                  file=sys.stderr, flush=True)
            # The old connections' port is free again at once (SO_REUSEADDR),
            # but another program may have taken it: try again shortly.
            time.sleep(0.2)
            child, bound = start_server(args, port, max(1, int(deadline - time.monotonic())),
                                        children)
            if bound is None:
                time.sleep(1)
        return 0
    finally:
        stop(child)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--name", default="camera")
    parser.add_argument("--size", default="640x480")
    parser.add_argument("--mount", default="/camera")
    parser.add_argument("--max-seconds", type=int, default=3600)
    parser.add_argument("--serve", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--supervisor", type=int, default=0, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if not 0 <= args.port <= 65535:
        parser.error("--port must be from 0 to 65535")
    if args.max_seconds < 1:
        parser.error("--max-seconds must be at least 1")
    return serve(args) if args.serve else supervise(args)


if __name__ == "__main__":
    sys.exit(main())
