#!/usr/bin/python3
"""An RTSP server for the tests, the demo and the benchmarks: GStreamer's RTSP server serving a
moving test pattern encoded to H.264, with user/password authentication (Basic or Digest).

Run it with Debian's /usr/bin/python3 (python3-gi lives there). It prints one line
"listening PORT" once it accepts connections (PORT is the bound one, also for --port 0) and
runs until SIGTERM or SIGINT. Every mount path given serves the same picture; --shared makes all
clients of a path share one encoder (the benchmarks open many streams of one path).
"""
import argparse
import signal
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtsp", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtsp, GstRtspServer  # noqa: E402

ROLE = "viewer"


def launch_line(width, height, fps):
    return (
        "( videotestsrc is-live=true pattern=ball background-color=0xff305a8c ! "
        f"video/x-raw,width={width},height={height},framerate={fps}/1 ! "
        f"x264enc tune=zerolatency speed-preset=ultrafast key-int-max={2 * fps} ! "
        "rtph264pay name=pay0 pt=96 config-interval=1 )"
    )


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--address", required=True, help="a 127.0.0.x address to listen on")
    parser.add_argument("--port", type=int, default=0, help="0: any free port (printed)")
    parser.add_argument("--path", action="append", help="mount path, e.g. /cam (repeatable)")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--auth", choices=("basic", "digest"), default="basic")
    parser.add_argument("--size", default="640x360", help="WIDTHxHEIGHT of the picture")
    parser.add_argument("--fps", type=int, default=25)
    parser.add_argument("--shared", action="store_true", help="one encoder for all clients of a path")
    args = parser.parse_args()
    if not args.address.startswith("127."):
        parser.error("the server listens on loopback addresses only")
    width, height = (int(part) for part in args.size.lower().split("x", 1))

    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address(args.address)
    server.set_service(str(args.port))

    auth = GstRtspServer.RTSPAuth()
    token = GstRtspServer.RTSPToken()
    token.set_string(GstRtspServer.RTSP_TOKEN_MEDIA_FACTORY_ROLE, ROLE)
    if args.auth == "digest":
        auth.add_digest(args.user, args.password, token)
        auth.set_supported_methods(GstRtsp.RTSPAuthMethod.DIGEST)
    else:
        auth.add_basic(GstRtspServer.RTSPAuth.make_basic(args.user, args.password), token)
    server.set_auth(auth)

    permissions = GstRtspServer.RTSPPermissions()
    permissions.add_permission_for_role(ROLE, GstRtspServer.RTSP_PERM_MEDIA_FACTORY_ACCESS, True)
    permissions.add_permission_for_role(ROLE, GstRtspServer.RTSP_PERM_MEDIA_FACTORY_CONSTRUCT, True)

    mounts = server.get_mount_points()
    for path in args.path or ["/cam"]:
        factory = GstRtspServer.RTSPMediaFactory()
        factory.set_launch(launch_line(width, height, args.fps))
        factory.set_shared(args.shared)
        factory.set_permissions(permissions)
        mounts.add_factory(path, factory)

    if server.attach(None) == 0:
        print(f"rtsp_server: cannot listen on {args.address}:{args.port}", file=sys.stderr)
        return 1
    loop = GLib.MainLoop()
    for number in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, number, loop.quit)
    print(f"listening {server.get_bound_port()}", flush=True)
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
