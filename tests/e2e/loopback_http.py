"""A loopback HTTP server for the scenarios (127.0.0.1 only): it records every request that
reaches it, or, as a silent server, accepts connections and never answers."""

from __future__ import annotations

import socket
import threading
import time
from dataclasses import dataclass
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


@dataclass(frozen=True)
class Request:
    method: str
    path: str
    version: str
    headers: dict[str, str]
    body: bytes


class RecordingServer:
    """Answers every request with 200 and records it."""

    def __init__(self, port: int = 0):
        self.requests: list[Request] = []
        self._arrived = threading.Condition()
        server = self

        class Handler(BaseHTTPRequestHandler):
            def _record(self) -> None:
                length = int(self.headers.get("Content-Length", "0"))
                body = self.rfile.read(length) if length else b""
                with server._arrived:
                    server.requests.append(Request(self.command, self.path, self.request_version,
                                                   dict(self.headers.items()), body))
                    server._arrived.notify_all()
                self.send_response(200)
                self.send_header("Content-Length", "2")
                self.end_headers()
                self.wfile.write(b"ok")

            do_GET = do_POST = _record

            def log_message(self, *args) -> None:
                pass

        self._server = ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self.port = self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def url(self, path: str) -> str:
        return f"http://127.0.0.1:{self.port}{path}"

    def wait_for(self, count: int, timeout: float = 30) -> list[Request]:
        """The requests once `count` have arrived (fewer if the time runs out)."""
        deadline = time.monotonic() + timeout
        with self._arrived:
            while len(self.requests) < count and time.monotonic() < deadline:
                self._arrived.wait(deadline - time.monotonic())
            return list(self.requests)

    def close(self) -> None:
        self._server.shutdown()
        self._server.server_close()


class SilentServer:
    """Accepts connections, reads what comes, and never answers."""

    def __init__(self):
        self._listener = socket.create_server(("127.0.0.1", 0))
        self.port = self._listener.getsockname()[1]
        self.connections = 0
        self._open: list[socket.socket] = []
        self._thread = threading.Thread(target=self._accept, daemon=True)
        self._thread.start()

    def _accept(self) -> None:
        while True:
            try:
                connection, _ = self._listener.accept()
            except OSError:
                return
            self.connections += 1
            self._open.append(connection)

    def url(self, path: str) -> str:
        return f"http://127.0.0.1:{self.port}{path}"

    def close(self) -> None:
        self._listener.close()
        for connection in self._open:
            connection.close()


def form_fields(request: Request) -> dict[str, bytes]:
    """The fields of a multipart form with the boundary AaB03x, in order."""
    assert request.headers["Content-Type"] == "multipart/form-data; boundary=AaB03x"
    assert request.body.endswith(b"--AaB03x--\r\n")
    fields = {}
    for part in request.body[:-len(b"--AaB03x--\r\n")].split(b"--AaB03x\r\n")[1:]:
        head, value = part.split(b"\r\n\r\n", 1)
        assert head.startswith(b'Content-Disposition: form-data; name="') and head.endswith(b'"')
        fields[head[len(b'Content-Disposition: form-data; name="'):-1].decode()] = value[:-2]
    return fields
