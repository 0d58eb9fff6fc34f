#!/usr/bin/env python3
"""A local stand-in for the maker's announcement service.

Serves an announcement list (an XML property list) at <base>/iphone/cmd/announce, the banner
pictures it names, and a pop-up announcement, so the game can be run against it:

    python3 tools/announce_fixture/serve.py --port 8765 &
    MOVUROUTE_WEB_URL=http://127.0.0.1:8765 scripts/play

Every request is printed with its query, and the "ha" checksum of an announcement request is
checked against the game's key. Only the Python 3 standard library is used.
"""

import argparse
import errno
import http.server
import plistlib
import struct
import sys
import urllib.parse
import zlib

GAME_SECRET = "Rq4tWzLm8PxYc2Nh"


def png(width, height, pixel):
    """An RGBA PNG whose pixel (x, y) is pixel(x, y) -> (r, g, b, a)."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def framed(width, height, fill, border, stripes=None):
    def pixel(x, y):
        if x < 2 or y < 2 or x >= width - 2 or y >= height - 2:
            return border + (255,)
        if stripes and (x // 6) % 2 == 0:
            return stripes + (255,)
        return fill + (255,)
    return png(width, height, pixel)


def pictures():
    return {
        "back.png": framed(320, 50, (32, 48, 96), (250, 200, 40)),
        "more.png": framed(96, 36, (220, 70, 40), (255, 255, 255), stripes=(240, 110, 60)),
        "menu.png": framed(96, 36, (40, 150, 80), (255, 255, 255), stripes=(60, 180, 100)),
        "icon.png": framed(36, 36, (250, 200, 40), (32, 48, 96)),
    }


def announcement_list(images, args):
    def file_row(key, name):
        return ["Fi", key, name, "%08X" % zlib.crc32(images[name])]

    rows = [
        ["HPVe", "Am1"],
        ["HCIt", str(args.success_interval), str(args.failure_interval)],
        ["HVSi", "320", "50"],
        ["HFUr", "img/"],
        file_row("back", "back.png"),
        file_row("more", "more.png"),
        file_row("menu", "menu.png"),
        file_row("icon", "icon.png"),
        ["UI", "0", "0", "back"],
        ["UI", "8", "7", "icon"],
        ["UB", "112", "7", "more", "site"],
        ["UB", "216", "7", "menu", "choices"],
        ["AU", "site", "http://127.0.0.1:%d/more-games" % args.port],
        ["AS", "choices", "More from us", [["Our other games", "site"],
                                           ["Clear the announcement cache", "clear"]]],
        ["AU", "clear", "movuroute://app/announceManager/deleteCacheFiles"],
        ["SetP", "durezEnable", str(args.durez_enable)],
        ["SetP", "durezRefreshInterval", str(args.refresh_interval)],
        ["SetP", "durezBannerAdPublisherId", args.banner_unit],
        ["SetP", "durezInterstitialAdPublisherId", args.interstitial_unit],
        ["SetP", "durezInterstitialAdContextFlag", str(args.context_flag)],
        ["SetP", "durezInterstitialAdInterval", str(args.interstitial_interval)],
    ]
    if args.serial:
        rows.append(["PUAd", "", str(args.serial), str(args.expiry), "Movuroute news",
                     "A new road is coming soon.",
                     [["Tell me more", "http://127.0.0.1:%d/news" % args.port], ["Later", ""]]])
    return plistlib.dumps(rows, fmt=plistlib.FMT_XML)


def checksum_ok(query):
    try:
        text = "%s,%s,ar%s,%s,%s" % (query["gid"][0], query["v"][0], query["arid"][0],
                                     query["dt"][0], GAME_SECRET)
        return str(zlib.crc32(text.encode("utf-8"))) == query["ha"][0]
    except KeyError:
        return False


def make_handler(args):
    images = pictures()
    listing = announcement_list(images, args)

    class Handler(http.server.BaseHTTPRequestHandler):
        def answer(self, status, body, kind):
            self.send_response(status)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            url = urllib.parse.urlsplit(self.path)
            query = urllib.parse.parse_qs(url.query)
            if url.path == "/iphone/cmd/announce":
                ok = checksum_ok(query)
                print("announce request: %s checksum %s" %
                      ({k: v[0] for k, v in query.items()}, "ok" if ok else "WRONG"), flush=True)
                self.answer(200, listing, "application/x-plist")
                return
            name = url.path.rsplit("/", 1)[-1]
            if url.path.startswith("/iphone/cmd/img/") and name in images:
                self.answer(200, images[name], "image/png")
                return
            if url.path in ("/more-games", "/news"):
                self.answer(200, b"<h1>Movuroute fixture page</h1>", "text/html")
                return
            self.answer(404, b"not here", "text/plain")

        def log_message(self, fmt, *values):
            sys.stderr.write("fixture: " + (fmt % values) + "\n")

    return Handler


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--port", type=int, default=8765, help="0 for a free port")
    parser.add_argument("--serial", type=int, default=1, help="pop-up serial; 0 for none")
    parser.add_argument("--expiry", type=int, default=0, help="pop-up expiry, seconds since 1970")
    parser.add_argument("--success-interval", type=int, default=60)
    parser.add_argument("--failure-interval", type=int, default=60)
    parser.add_argument("--durez-enable", type=int, default=1,
                        help="\"durezEnable\": 0 no ad banner, 1 the ads library's, 2 the "
                             "platform's, 3 the platform's falling over to the library's")
    parser.add_argument("--refresh-interval", type=int, default=45,
                        help="\"durezRefreshInterval\": seconds a banner is kept")
    parser.add_argument("--banner-unit", default="ca-movu-banner",
                        help="\"durezBannerAdPublisherId\": the banner's ad unit")
    parser.add_argument("--interstitial-unit", default="ca-movu-ist",
                        help="\"durezInterstitialAdPublisherId\": the interstitial's ad unit")
    parser.add_argument("--context-flag", type=int, default=3,
                        help="\"durezInterstitialAdContextFlag\": 1 game over, 2 start, "
                             "4 first start")
    parser.add_argument("--interstitial-interval", type=int, default=180,
                        help="\"durezInterstitialAdInterval\": seconds between interstitials")
    parser.add_argument("--write-to", help="write the list and pictures here and exit")
    args = parser.parse_args()
    if args.write_to:
        import os
        os.makedirs(os.path.join(args.write_to, "img"), exist_ok=True)
        images = pictures()
        with open(os.path.join(args.write_to, "announce.plist"), "wb") as out:
            out.write(announcement_list(images, args))
        for name, data in images.items():
            with open(os.path.join(args.write_to, "img", name), "wb") as out:
                out.write(data)
        return
    # Port 0 lets the system choose a free port: the line below tells which, and the list's
    # links name it, so the handler is made once the socket is bound.
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), None)
    except OSError as error:
        # The usual cause is an earlier serve.py still running in the background on the same
        # port; a traceback would bury that.
        hint = (" (another serve.py still running? stop it, or choose another --port)"
                if error.errno == errno.EADDRINUSE else "")
        sys.exit("serve.py: cannot listen on 127.0.0.1:%d: %s%s"
                 % (args.port, error.strerror or error, hint))
    args.port = server.server_address[1]
    server.RequestHandlerClass = make_handler(args)
    print("announcement fixture on http://127.0.0.1:%d (MOVUROUTE_WEB_URL)" % args.port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
