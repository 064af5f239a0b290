"""A loopback HTTP server whose every answer a test scripts: status, Date headers, redirects, delays,
silence. It writes the status line and the headers itself, so no Date appears that the test did not ask
for, and it stops by itself after a bounded lifetime.

    with TimeServer() as server:
        server.answer(Answer(status=404, date="Thu, 19 Nov 2015 03:18:29 GMT"))
        ... the program asks server.url ...
        assert server.requests[0].path == "/123.123"
"""

import email.utils
import socket
import socketserver
import threading
import time
from dataclasses import dataclass, field


def http_date(when=None):
    """An RFC 1123 date for a Unix time (now when None), as servers write it."""
    return email.utils.formatdate(time.time() if when is None else when, usegmt=True)


@dataclass
class Answer:
    """What the server does with one request.

    status      any status code; the reason phrase is a generic one
    date        the Date header's value; None sends no Date
    dates       several Date headers, in this order (overrides `date`)
    location    a Location header (for redirects)
    headers     further (name, value) pairs, sent as given
    delay_ms    wait this long before answering (or before `hang` / `close` take effect)
    hang        read the request and never answer (the connection stays open until the server stops)
    next_second wait until just after a second boundary and send that second as the Date, so that a
                clock set from it lies within a few tens of milliseconds of the true time
    close       close the connection without any answer (after delay_ms: a server silent that long)
    raw         send these bytes instead of a built answer, then close (broken or hostile answers:
                a head cut short, garbage, any header layout)
    trickle_ms  send the answer one byte at a time, this many milliseconds apart (a server that keeps
                the connection alive without ever finishing)
    """
    status: int = 200
    date: str | None = None
    dates: list[str] | None = None
    location: str | None = None
    headers: list[tuple[str, str]] = field(default_factory=list)
    delay_ms: int = 0
    hang: bool = False
    next_second: bool = False
    close: bool = False
    body: bytes = b""
    raw: bytes | None = None
    trickle_ms: int = 0

    @staticmethod
    def now():
        """A 200 with the current time as its Date."""
        return Answer(date=http_date())


@dataclass
class Request:
    method: str
    path: str
    time: float            # time.time() when the request line arrived
    headers: dict[str, str]


_REASONS = {200: "OK", 301: "Moved Permanently", 302: "Found", 303: "See Other", 307: "Temporary Redirect",
            308: "Permanent Redirect", 400: "Bad Request", 403: "Forbidden", 404: "Not Found",
            500: "Internal Server Error", 503: "Service Unavailable"}


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        server: TimeServer = self.server.owner
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
        arrived = time.time()
        head = data.split(b"\r\n\r\n", 1)[0].decode("latin-1")
        lines = head.split("\r\n")
        parts = lines[0].split(" ")
        method, path = (parts[0], parts[1]) if len(parts) >= 2 else (lines[0], "")
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        answer = server._take(method, path, headers, arrived)
        try:
            self._respond(server, sock, method, answer)
        except OSError:
            pass

    def _respond(self, server, sock, method, answer):
        if answer.delay_ms:
            if server._stopping.wait(answer.delay_ms / 1000.0):
                return
        if answer.hang:
            server._stopping.wait(server.lifetime)
            return
        if answer.close:
            return
        if answer.raw is not None:
            self._send(server, sock, answer.raw, answer.trickle_ms)
            return
        dates = answer.dates if answer.dates is not None else ([answer.date] if answer.date is not None else [])
        if answer.next_second:
            dates = [http_date(_after_second_boundary())]
        out = [f"HTTP/1.1 {answer.status} {_REASONS.get(answer.status, 'Status')}"]
        out += [f"Date: {d}" for d in dates]
        if answer.location is not None:
            out.append(f"Location: {answer.location}")
        out += [f"{n}: {v}" for n, v in answer.headers]
        out.append(f"Content-Length: {len(answer.body)}")
        out.append("Connection: close")
        payload = ("\r\n".join(out) + "\r\n\r\n").encode("latin-1")
        if method != "HEAD":
            payload += answer.body
        self._send(server, sock, payload, answer.trickle_ms)

    @staticmethod
    def _send(server, sock, payload, trickle_ms):
        if not trickle_ms:
            sock.sendall(payload)
            return
        for i in range(len(payload)):
            if i and server._stopping.wait(trickle_ms / 1000.0):
                return
            sock.sendall(payload[i:i + 1])


def _after_second_boundary():
    """Returns a whole second S such that the time now lies just after S (by at most ~0.1 s), sleeping
    until the next boundary when the current second is already well under way. A client that adds the
    whole seconds of its round trip then gets S, since the wait stays below one second."""
    now = time.time()
    if now - int(now) > 0.1:
        time.sleep(int(now) + 1 + 0.01 - now)
    return int(time.time())


class _Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    block_on_close = False


class TimeServer:
    """A scripted HTTP server on 127.0.0.1, on a free port, one thread per connection.

    Answers are chosen in this order: the queue of `queue()` (one answer per request, first in first
    out), then the answer set for the request's path, then the default (a 200 with the current time).
    """

    def __init__(self, lifetime=120.0):
        self.lifetime = lifetime
        self.requests: list[Request] = []
        self._lock = threading.Lock()
        self._queue: list[Answer] = []
        self._by_path: dict[str, Answer] = {}
        self._default: Answer | None = None
        self._stopping = threading.Event()
        self._server = _Server(("127.0.0.1", 0), _Handler)
        self._server.owner = self
        self.port = self._server.server_address[1]
        self.url = f"http://127.0.0.1:{self.port}"
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.05},
                                        daemon=True)
        self._thread.start()
        # Bounded lifetime: a forgotten server never outlives its test run by much.
        self._timer = threading.Timer(lifetime, self.close)
        self._timer.daemon = True
        self._timer.start()

    def answer(self, answer: Answer, path: str | None = None):
        """Sets the answer for one path, or the default answer when path is None."""
        with self._lock:
            if path is None:
                self._default = answer
            else:
                self._by_path[path] = answer

    def queue(self, *answers: Answer):
        """Answers for the next requests, one each, whatever their path."""
        with self._lock:
            self._queue.extend(answers)

    def _take(self, method, path, headers, arrived):
        with self._lock:
            self.requests.append(Request(method, path, arrived, headers))
            if self._queue:
                return self._queue.pop(0)
            if path in self._by_path:
                return self._by_path[path]
            return self._default if self._default is not None else Answer.now()

    def wait_requests(self, count, timeout=10.0):
        """Waits until at least `count` requests have arrived; returns the log."""
        end = time.time() + timeout
        while time.time() < end:
            with self._lock:
                if len(self.requests) >= count:
                    break
            time.sleep(0.02)
        with self._lock:
            return list(self.requests)

    def close(self):
        if self._stopping.is_set():
            return
        self._stopping.set()
        self._timer.cancel()
        self._server.shutdown()
        self._server.server_close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class RefusedPort:
    """A loopback port that refuses connections: bound but never listening, so no other server can take
    it while the test holds it."""

    def __init__(self):
        self._sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._sock.bind(("127.0.0.1", 0))
        self.port = self._sock.getsockname()[1]
        self.url = f"http://127.0.0.1:{self.port}"

    def close(self):
        self._sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
