"""Answer shapes of the identification service."""
import itertools
import json
from typing import Any

from aiohttp import web

_error_ids = itertools.count(1)


def json_answer(value: Any, status: int = 200) -> web.Response:
    return web.Response(status=status, text=json.dumps(value, ensure_ascii=False),
                        content_type="application/json", charset="utf-8")


def ok() -> web.Response:
    """The plain acknowledgement of the calls that answer nothing in particular."""
    return json_answer({})


def error_body(error_id: str, cause: str) -> dict:
    return {"errors": [{"id": error_id, "cause": cause}]}


def error_answer(status: int, cause: str) -> web.Response:
    """The service's failure: its "errors" array, whose first entry the client reads."""
    return json_answer(error_body(f"sim-error-{next(_error_ids)}", cause), status=status)


def html_answer(title: str, text: str) -> web.Response:
    page = (f"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>{title}</title></head>"
            f"<body><h1>{title}</h1><p>{text}</p></body></html>")
    return web.Response(text=page, content_type="text/html", charset="utf-8")
