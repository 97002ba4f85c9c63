"""Web pages of the service's hosts for the library's web view.

Paths:
  GET  /web/secret.html      says whether the request carried "X-Client-Secret", with links to
                             a page of the same host, the same page on the other loopback name
                             (localhost <-> 127.0.0.1: another host to the client, the same
                             server) and a link to be opened outside the app ("openExternally")
  GET  /web/document.pdf     a one-page PDF

Both names are in the sim's certificate, so either host is trusted through the test authority.
Every request is in the request record with its headers, which is how a test reads which host
got the header.
"""
import html

from aiohttp import web

from .routing import Call, Router


def other_host(host: str) -> str:
    """The same server under its other loopback name."""
    name, _, port = host.rpartition(":")
    if not name:
        name, port = host, ""
    other = "127.0.0.1" if name == "localhost" else "localhost"
    return f"{other}:{port}" if port else other


async def secret_page(call: Call):
    secret = call.request.headers.get("X-Client-Secret")
    state = "present" if secret else "absent"
    scheme = call.request.scheme
    host = call.request.host
    other = f"{scheme}://{other_host(host)}/web/secret.html"
    page = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>secret " + state + "</title>"
            "<style>body{background:#1f5fbf;color:#fff;font:24px sans-serif;margin:20px}"
            "a{color:#ff0}</style></head><body>"
            f"<h1 id=\"secret\">X-Client-Secret {state}</h1>"
            f"<p>Host {html.escape(host)}</p>"
            "<p><a id=\"same\" href=\"/web/secret.html?hop=2\">next page</a></p>"
            f"<p><a id=\"other\" href=\"{html.escape(other)}\">other host</a></p>"
            "<p><a id=\"external\" href=\"/web/secret.html?openExternally=1\">open outside</a></p>"
            "</body></html>")
    return web.Response(text=page, content_type="text/html", charset="utf-8")


def one_page_pdf(text: str) -> bytes:
    """A minimal PDF: one A6 page with one line of text, offsets computed."""
    stream = f"BT /F1 18 Tf 20 300 Td ({text}) Tj ET".encode("ascii")
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 298 420] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> >> >>",
        b"<< /Length " + str(len(stream)).encode() + b" >>\nstream\n" + stream + b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += f"{number} 0 obj\n".encode() + body + b"\nendobj\n"
    xref = len(out)
    out += f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n".encode()
    for offset in offsets:
        out += f"{offset:010d} 00000 n \n".encode()
    out += f"trailer\n<< /Size {len(objects) + 1} /Root 1 0 R >>\nstartxref\n{xref}\n%%EOF\n".encode()
    return bytes(out)


DOCUMENT_PDF = one_page_pdf("Contract of the simulated service")


async def document_pdf(call: Call):
    return web.Response(body=DOCUMENT_PDF, content_type="application/pdf")


def register(router: Router) -> None:
    router.add("GET", "/web/secret.html", secret_page)
    router.add("GET", "/web/document.pdf", document_pdf)
