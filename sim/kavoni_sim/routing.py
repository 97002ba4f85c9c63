"""Routes by path segment, on the path exactly as the client sent it.

Each "{name}" segment captures one segment of the raw path and hands it to the handler
percent-decoded, so a value that the client encoded as a path segment ("a%2Fb") arrives whole
("a/b"), while a value sent unencoded ("a/b") adds a segment and finds no route: the service
then answers 404, as a real one would.
"""
import json
from dataclasses import dataclass, field
from typing import Any, Awaitable, Callable, Optional
from urllib.parse import unquote

from aiohttp import web


@dataclass
class Call:
    """One request as the handlers see it."""

    request: web.Request
    params: dict
    body: bytes
    query: str  # raw, without "?"
    _json: Any = field(default=None, init=False)
    _json_read: bool = field(default=False, init=False)

    def json(self) -> Any:
        """The body parsed as JSON, None when it is empty or not JSON."""
        if not self._json_read:
            self._json_read = True
            try:
                self._json = json.loads(self.body.decode("utf-8")) if self.body else None
            except (UnicodeDecodeError, ValueError):
                self._json = None
        return self._json

    def base_url(self) -> str:
        """The scheme and authority this request was sent to, e.g. "https://127.0.0.1:47443"."""
        return f"{self.request.scheme}://{self.request.host}"


Handler = Callable[[Call], Awaitable[web.StreamResponse]]


class Router:
    def __init__(self) -> None:
        self._routes: list[tuple[str, tuple[str, ...], Handler]] = []

    def add(self, method: str, pattern: str, handler: Handler) -> None:
        self._routes.append((method.upper(), tuple(pattern.lstrip("/").split("/")), handler))

    def resolve(self, method: str, raw_path: str) -> tuple[Optional[Handler], dict, bool]:
        """(handler, params, path_known): path_known tells a 405 from a 404 when no handler."""
        segments = raw_path.lstrip("/").split("/") if raw_path.startswith("/") else [None]
        path_known = False
        for route_method, pattern, handler in self._routes:
            params = _match(pattern, segments)
            if params is None:
                continue
            path_known = True
            if route_method == method.upper():
                return handler, params, True
        return None, {}, path_known


def _match(pattern: tuple[str, ...], segments: list) -> Optional[dict]:
    if len(pattern) != len(segments):
        return None
    params = {}
    for expected, segment in zip(pattern, segments):
        if expected.startswith("{") and expected.endswith("}"):
            if not segment:
                return None
            params[expected[1:-1]] = unquote(segment, errors="replace")
        elif expected != segment:
            return None
    return params
