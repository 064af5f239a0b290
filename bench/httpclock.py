"""A loopback web server whose clock runs at a known offset from this machine's, for the benchmarks:
every answer is a 200 whose Date header is the server's clock (this machine's time plus `offset`
seconds), written as servers write it, truncated to the whole second. Keeps connections alive as
HTTP/1.1 does, so clients that ask several times on one connection (htpdate) are served as a web server
would. Each answer is logged with the exact server-clock time it was sent.

    with HttpClock(offset=2.25) as clock:
        ... ask clock.url ...
        clock.sent    # [(method, path, server-clock time the Date was taken)]
"""

import email.utils
import socket
import socketserver
import threading
import time


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        owner = self.server.owner
        sock = self.request
        sock.settimeout(owner.lifetime)
        buffer = b""
        try:
            while not owner.stopping.is_set():
                while b"\r\n\r\n" not in buffer:
                    chunk = sock.recv(4096)
                    if not chunk:
                        return
                    buffer += chunk
                    if len(buffer) > 65536:
                        return
                head, buffer = buffer.split(b"\r\n\r\n", 1)
                lines = head.decode("latin-1").split("\r\n")
                parts = lines[0].split(" ")
                method = parts[0]
                path = parts[1] if len(parts) > 1 else ""
                version = parts[2] if len(parts) > 2 else "HTTP/1.0"
                headers = {k.strip().lower(): v.strip() for k, _, v in (l.partition(":") for l in lines[1:])}
                keep = version == "HTTP/1.1" and headers.get("connection", "").lower() != "close"
                now = time.time() + owner.offset
                out = ["HTTP/1.1 200 OK", "Date: " + email.utils.formatdate(int(now), usegmt=True),
                       "Content-Length: 0", "Connection: " + ("keep-alive" if keep else "close"), "", ""]
                with owner.lock:
                    owner.sent.append((method, path, now))
                sock.sendall("\r\n".join(out).encode("latin-1"))
                if not keep:
                    return
        except OSError:
            return


class _Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    block_on_close = False


class HttpClock:
    def __init__(self, offset=0.0, lifetime=300.0):
        self.offset = offset
        self.lifetime = lifetime
        self.sent = []
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        self._server = _Server(("127.0.0.1", 0), _Handler)
        self._server.owner = self
        self.port = self._server.server_address[1]
        self.url = f"http://127.0.0.1:{self.port}"
        threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True).start()
        self._timer = threading.Timer(lifetime, self.close)
        self._timer.daemon = True
        self._timer.start()

    def clear(self):
        with self.lock:
            self.sent.clear()

    def close(self):
        if self.stopping.is_set():
            return
        self.stopping.set()
        self._timer.cancel()
        self._server.shutdown()
        self._server.server_close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class SilentServer:
    """Accepts connections, reads the request and never answers; drops every connection after `hold`
    seconds (or when closed), so a client without a time-out of its own is still set free."""

    def __init__(self, hold=30.0):
        self.hold = hold
        self.stopping = threading.Event()
        self._sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._sock.bind(("127.0.0.1", 0))
        self._sock.listen(64)
        self._sock.settimeout(0.1)
        self.port = self._sock.getsockname()[1]
        self.url = f"http://127.0.0.1:{self.port}"
        self.accepted = 0
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while not self.stopping.is_set():
            try:
                conn, _ = self._sock.accept()
            except OSError:
                continue
            self.accepted += 1
            threading.Thread(target=self._hold, args=(conn,), daemon=True).start()

    def _hold(self, conn):
        with conn:
            self.stopping.wait(self.hold)

    def close(self):
        self.stopping.set()
        self._sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
