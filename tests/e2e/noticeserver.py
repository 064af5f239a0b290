"""Notices for the end-to-end tests: the enciphered form the program reads (DES in electronic codebook
mode, key bits mirrored, a little-endian length in front and zero bytes behind), written here in Python
so the tests need nothing but the Windows build, and a loopback server for the two notice sources.

    doc = notice("Orvane", status="新版本已发布", status_url="http://example.test/")
    with NoticeServer() as primary, NoticeServer() as backup:
        primary.serve("/notice.dat", Reply(body=encipher(doc)))
        backup.serve("/page.html", Reply(body=backup_page(notice("网易", status="..."))))
        env = sources_env(primary.url + "/notice.dat", backup.url + "/page.html")
        ... start LumvoTimeTest.exe with env ...
        primary.requests[0].path, backup.requests == []

tests/e2e/test_notice.py checks this enciphering against the maintainer's tool (build/native/lumvo-notice).
"""

import socket
import socketserver
import struct
import threading
import time
from dataclasses import dataclass, field

KEY_TEXT = b"916240752"
PAGE_OPEN = b"@@408172593"
PAGE_CLOSE = b"408172593@@"

# ---- DES (FIPS 46) ---------------------------------------------------------------------------------------
# Bits are numbered from 1 at the most significant end, as the standard does.

_IP = [58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4, 62, 54, 46, 38, 30, 22, 14, 6,
       64, 56, 48, 40, 32, 24, 16, 8, 57, 49, 41, 33, 25, 17, 9, 1, 59, 51, 43, 35, 27, 19, 11, 3,
       61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7]
_FP = [40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31, 38, 6, 46, 14, 54, 22, 62, 30,
       37, 5, 45, 13, 53, 21, 61, 29, 36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
       34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9, 49, 17, 57, 25]
_E = [32, 1, 2, 3, 4, 5, 4, 5, 6, 7, 8, 9, 8, 9, 10, 11, 12, 13, 12, 13, 14, 15, 16, 17,
      16, 17, 18, 19, 20, 21, 20, 21, 22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1]
_P = [16, 7, 20, 21, 29, 12, 28, 17, 1, 15, 23, 26, 5, 18, 31, 10, 2, 8, 24, 14, 32, 27, 3, 9,
      19, 13, 30, 6, 22, 11, 4, 25]
_PC1 = [57, 49, 41, 33, 25, 17, 9, 1, 58, 50, 42, 34, 26, 18, 10, 2, 59, 51, 43, 35, 27, 19, 11, 3,
        60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7, 62, 54, 46, 38, 30, 22, 14, 6, 61, 53, 45, 37,
        29, 21, 13, 5, 28, 20, 12, 4]
_PC2 = [14, 17, 11, 24, 1, 5, 3, 28, 15, 6, 21, 10, 23, 19, 12, 4, 26, 8, 16, 7, 27, 20, 13, 2,
        41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32]
_SHIFTS = [1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1]
_S = [
    [14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7, 0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8,
     4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0, 15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13],
    [15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10, 3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5,
     0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15, 13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9],
    [10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8, 13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1,
     13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7, 1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12],
    [7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15, 13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9,
     10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4, 3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14],
    [2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9, 14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6,
     4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14, 11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3],
    [12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11, 10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8,
     9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6, 4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13],
    [4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1, 13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6,
     1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2, 6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12],
    [13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7, 1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2,
     7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8, 2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11],
]


def _permute(value, width, table):
    out = 0
    for position in table:
        out = (out << 1) | ((value >> (width - position)) & 1)
    return out


def _subkeys(key8):
    chosen = _permute(int.from_bytes(key8, "big"), 64, _PC1)
    c, d = chosen >> 28, chosen & 0x0FFFFFFF
    keys = []
    for shift in _SHIFTS:
        c = ((c << shift) | (c >> (28 - shift))) & 0x0FFFFFFF
        d = ((d << shift) | (d >> (28 - shift))) & 0x0FFFFFFF
        keys.append(_permute((c << 28) | d, 56, _PC2))
    return keys


def _round(right, subkey):
    mixed = _permute(right, 32, _E) ^ subkey
    out = 0
    for box in range(8):
        six = (mixed >> (42 - 6 * box)) & 0x3F
        row, column = ((six >> 4) & 2) | (six & 1), (six >> 1) & 0xF
        out = (out << 4) | _S[box][row * 16 + column]
    return _permute(out, 32, _P)


def des_block(block8, subkeys, decipher=False):
    """One 8-byte block through standard DES with the given round keys."""
    permuted = _permute(int.from_bytes(block8, "big"), 64, _IP)
    left, right = permuted >> 32, permuted & 0xFFFFFFFF
    for key in (reversed(subkeys) if decipher else subkeys):
        left, right = right, left ^ _round(right, key)
    return _permute((right << 32) | left, 64, _FP).to_bytes(8, "big")


def standard_subkeys(key8):
    return _subkeys(bytes(key8))


def notice_subkeys(key_text=KEY_TEXT):
    """The key the notices use: the key text folded onto eight bytes by XOR, each byte's bits mirrored."""
    key = bytearray(8)
    for i, c in enumerate(key_text):
        key[i % 8] ^= c
    return _subkeys(bytes(int(f"{b:08b}"[::-1], 2) for b in key))


_NOTICE_KEYS = notice_subkeys()

# ---- the notice format -----------------------------------------------------------------------------------


def encipher(payload: bytes) -> bytes:
    """An enciphered block: the length as four little-endian bytes, the payload, zero bytes up to a
    multiple of 8, each block enciphered by itself."""
    plain = struct.pack("<i", len(payload)) + payload
    plain += b"\0" * (-len(plain) % 8)
    return b"".join(des_block(plain[i:i + 8], _NOTICE_KEYS) for i in range(0, len(plain), 8))


def decipher(data: bytes) -> bytes:
    """The payload of an enciphered block, or b"" when its size or length prefix does not fit."""
    n = len(data)
    if n == 0 or n % 8:
        return b""
    plain = b"".join(des_block(data[i:i + 8], _NOTICE_KEYS, decipher=True) for i in range(0, n, 8))
    length = struct.unpack("<i", plain[:4])[0]
    if length <= 0 or length > n - 4 or n >= length + 12:
        return b""
    return plain[4:4 + length]


def hex_text(data: bytes) -> str:
    return data.hex().upper()


def address_hex(url: str) -> str:
    """An address as the program holds its notice sources: the hexadecimal text of its enciphered block."""
    return hex_text(encipher(url.encode("ascii")))


def notice(tag, status=None, status_url=None, newest=None, download=None, filler="公告"):
    """A notice document (GBK) with the fields given; None leaves a field out. Text stands around and
    between the fields, as the program must ignore it."""
    parts = [filler, f"#网站{tag}网站#"]
    for name, value in (("状态文本", status), ("状态网址", status_url), ("最新版本", newest), ("下载地址", download)):
        if value is not None:
            parts.append(f"#{name}{value}{name}#")
    parts.append(filler)
    return "\r\n".join(parts).encode("gbk")


def primary_body(doc: bytes) -> bytes:
    """The first source's whole body."""
    return encipher(doc)


def backup_page(doc: bytes, before="<html><body><p>网易博客</p><!--", after="--></body></html>") -> bytes:
    """An ordinary page (GBK) with the notice as hexadecimal text between its two markers."""
    return before.encode("gbk") + PAGE_OPEN + hex_text(encipher(doc)).encode("ascii") + PAGE_CLOSE + \
        after.encode("gbk")


def sources_env(primary_url, backup_url):
    """The test build's environment values that replace the program's two notice sources."""
    return {"LUMVO_TEST_NOTICE_PRIMARY": address_hex(primary_url),
            "LUMVO_TEST_NOTICE_BACKUP": address_hex(backup_url)}


# ---- the server ----------------------------------------------------------------------------------------------


@dataclass
class Reply:
    """What the server sends for one path.

    status  any status code
    body    the body's bytes
    length  send a Content-Length; without one the body ends where the server closes the connection
    size    a body of this many bytes: `body`, then `fill` repeated, made and sent piece by piece
            (a body of tens of megabytes never sits in the test's memory)
    """
    status: int = 200
    body: bytes = b""
    length: bool = True
    size: int | None = None
    fill: bytes = b" "


@dataclass
class Request:
    method: str
    path: str
    version: str
    headers: dict[str, str]
    time: float
    sent: int = 0              # body bytes the server managed to send
    complete: bool = False     # the whole body was sent
    finished: threading.Event = field(default_factory=threading.Event)


_REASONS = {200: "OK", 404: "Not Found", 500: "Internal Server Error"}
_CHUNK = 65536


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        server: NoticeServer = self.server.owner
        sock = self.request
        sock.settimeout(server.lifetime)
        data = b""
        try:
            while b"\r\n\r\n" not in data and len(data) < 65536:
                chunk = sock.recv(4096)
                if not chunk:
                    return
                data += chunk
        except OSError:
            return
        head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1").split("\r\n")
        parts = head[0].split(" ")
        method, path, version = (parts + ["", "", ""])[:3]
        headers = {}
        for line in head[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        request = Request(method, path, version, headers, time.time())
        reply = server._record(request)
        try:
            self._send(sock, reply, request)
        except OSError:
            pass  # the client stopped reading and closed
        finally:
            request.finished.set()

    def _send(self, sock, reply, request):
        size = reply.size if reply.size is not None else len(reply.body)
        head = [f"HTTP/1.0 {reply.status} {_REASONS.get(reply.status, 'Status')}", "Content-Type: text/html"]
        if reply.length:
            head.append(f"Content-Length: {size}")
        head.append("Connection: close")
        sock.sendall(("\r\n".join(head) + "\r\n\r\n").encode("latin-1"))
        if request.method == "HEAD":
            request.complete = True
            return
        sock.settimeout(30)  # a client that holds the connection without reading gives up the send
        first = reply.body[:size]
        pieces = [first] if first else []
        for piece in pieces:
            sock.sendall(piece)
            request.sent += len(piece)
        if size > len(first):
            fill = (reply.fill * (_CHUNK // len(reply.fill) + 1))[:_CHUNK]
            while request.sent < size:
                piece = fill[:min(_CHUNK, size - request.sent)]
                sock.sendall(piece)
                request.sent += len(piece)
        request.complete = True
        sock.shutdown(socket.SHUT_WR)


class _Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    block_on_close = False


class NoticeServer:
    """A loopback HTTP server that serves fixed replies by path (any other path: 404 with a short page)
    and logs every request. It stops by itself after `lifetime` seconds."""

    def __init__(self, lifetime=120.0):
        self.lifetime = lifetime
        self.requests: list[Request] = []
        self._lock = threading.Lock()
        self._routes: dict[str, Reply] = {}
        self._closed = False
        self._server = _Server(("127.0.0.1", 0), _Handler)
        self._server.owner = self
        self.port = self._server.server_address[1]
        self.url = f"http://127.0.0.1:{self.port}"
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.05},
                                        daemon=True)
        self._thread.start()
        self._timer = threading.Timer(lifetime, self.close)
        self._timer.daemon = True
        self._timer.start()

    def serve(self, path, reply: Reply):
        """Answers requests for `path` (as sent, query included) with `reply`; returns the full address."""
        with self._lock:
            self._routes[path] = reply
        return self.url + path

    def _record(self, request):
        with self._lock:
            self.requests.append(request)
            return self._routes.get(request.path, Reply(status=404, body=b"<html>404 Not Found</html>"))

    def wait_requests(self, count, timeout=10.0):
        """Waits until at least `count` requests have arrived; returns the log."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            with self._lock:
                if len(self.requests) >= count:
                    break
            time.sleep(0.02)
        with self._lock:
            return list(self.requests)

    def close(self):
        if self._closed:
            return
        self._closed = True
        self._timer.cancel()
        self._server.shutdown()
        self._server.server_close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
